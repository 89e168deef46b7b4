#pragma once

// The printer service on CUPS: the destinations of the server CUPS_SERVER
// names (or the one given), their media, sources, sides, colour modes,
// copies, collation and resolutions, jobs submitted as PDF, and user paper
// forms kept beside them.
//
// Names: a printer is listed by its description (printer-info) where that is
// set and unique, else by its queue name; the queue name is the port.
// Hidden: a queue that is not accepting jobs is listed by the spooler but not
// offered to users.

#include "plPrinterService.h"
#include "plUserForms.h"

#include <QHash>

#include <memory>

class TCupsPrinterService : public IPrinterService {
public:
    // server: a socket path, "host" or "host:port"; empty means CUPS's own
    // choice (CUPS_SERVER, client.conf, the local server). formsFile: where
    // user forms are kept; empty means the user's configuration folder.
    // queryTimeout: seconds of silence after which a question counts as
    // unanswered.
    explicit TCupsPrinterService(QString server = QString(), QString formsFile = QString(), double queryTimeout = 1.0);
    // A listing under way is told to give up (its callback, if running, is
    // waited for) and left to end on its own.
    ~TCupsPrinterService() override;

    QList<TPrinterEntry> Enumerate(bool* ok = nullptr) override;
    std::shared_ptr<const TPrinterCaps> Caps(const QString& printer) override;
    QList<TPaperForm> Forms(const QString& printer) override;
    bool AddForm(const QString& printer, const TPaperForm& form) override;
    bool SetForm(const QString& printer, const TPaperForm& form) override;
    bool DeleteForm(const QString& printer, const QString& name) override;
    int SubmitJob(const QString& printer, const QString& pdfFile, const TJobOptions& options) override;
    bool StartListing(std::function<void()> listed) override;
    bool ListingPending() override;
    bool WaitForListing(int ms) override;
    void StopListing() override;

private:
    struct Session;
    // True while a listing is under way; takes its result in once it is done.
    bool StillListing();
    QString QueueOf(const QString& printer);
    std::shared_ptr<const TPrinterCaps> LoadCaps(const QString& printer);
    // A printer's capabilities cost several spooler round trips; every edit
    // of the printer settings asks for them more than once. They are kept
    // for a short while, so a burst of edits asks the spooler once while a
    // changed printer is still seen within the second.
    struct TCachedCaps {
        std::shared_ptr<const TPrinterCaps> Caps;
        qint64 At = 0;
    };
    QHash<QString, TCachedCaps> FCapsCache;
    // The printer list, kept for the same short while: opening a document
    // and printing it ask for it a dozen times.
    struct TCachedList {
        QList<TPrinterEntry> List;
        bool Ok = false;
        qint64 At = -1;
    };
    TCachedList FList;
    QString FServer;
    double FQueryTimeout;
    // A listing on a worker thread, shared with it: the worker touches
    // nothing else of the service, so the service may go while it runs.
    struct TListing;
    std::shared_ptr<TListing> FListing;
    // When the server last left a request unanswered (-1: never): it is not
    // asked again for a while, so a hung server costs one short wait.
    qint64 FUnansweredAt = -1;
    TUserFormStore FForms;
    // Names to queue names as last listed: finds one printer with a single
    // request; a name that no longer fits its queue is looked up again.
    QHash<QString, QString> FQueues;
};
