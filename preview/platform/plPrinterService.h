#pragma once

// The printer service: what the platform's print spooler offers, in the terms
// the printing code speaks (device pixels, dots per inch, paper and bin
// numbers, a device-mode block). One interface, a CUPS realisation
// (plCupsPrinterService.h) and a deterministic in-memory realisation
// (plMemoryPrinterService.h).

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>

// One entry of the spooler's printer list.
struct TPrinterEntry {
    QString Name;   // the name shown to users and used to select the printer
    QString Driver; // make and model
    QString Port;   // the spooler's queue name
    bool Hidden = false;
    bool IsDefault = false;
};

// One entry of a printer's paper table. Sizes and margins are portrait, in
// hundredths of a millimetre.
struct TPaperInfo {
    int Number = 0; // device-mode paper number
    QString Name;   // localised name
    QString Media;  // PWG media name the spooler knows it by
    int Width = 0, Length = 0;
    int Left = 0, Bottom = 0, Right = 0, Top = 0;
    bool Form = false; // a user paper form
};

// One entry of a printer's paper-source (bin) table.
struct TBinInfo {
    int Number = 0;  // device-mode bin number
    QString Name;    // localised name
    QString Keyword; // media-source keyword
};

// A printer option kept in the device mode's private bytes.
struct TPrinterOption {
    QString Keyword;
    QString Label;
    QStringList Choices; // values as the spooler takes them ("4" for an enum)
    QString Default;     // empty: the printer's own choice
};

// Everything the device-mode logic needs to know about one printer.
struct TPrinterCaps {
    QString Name, Driver, Port;
    int DriverVersion = 1;

    QList<TPaperInfo> Papers; // in the driver's order, forms last
    int DefaultPaper = 0;     // paper number
    QList<TBinInfo> Bins;     // in the driver's order
    int DefaultBin = 7;       // automatic

    bool Orientation = true;
    bool Color = false;
    bool ColorDefault = false;
    int BitsPerPixel = 1;
    bool DuplexLong = false, DuplexShort = false;
    int DefaultDuplex = 1;
    int MaxCopies = 1;
    bool Collate = false;
    bool CollateDefault = true;
    QList<QPoint> Resolutions; // dots per inch, x and y
    QPoint DefaultResolution{300, 300};

    // Custom sizes (paper number 256): limits in hundredths of a millimetre,
    // and the margins a custom sheet gets.
    bool CustomSize = false;
    int CustomMinWidth = 0, CustomMinLength = 0, CustomMaxWidth = 0, CustomMaxLength = 0;
    int CustomLeft = 0, CustomBottom = 0, CustomRight = 0, CustomTop = 0;

    QList<TPrinterOption> Options;

    const TPaperInfo* Paper(int number) const;
    const TPaperInfo* PaperByMedia(const QString& media) const;
    const TBinInfo* Bin(int number) const;
    bool HasResolution(QPoint dpi) const;
    bool Duplex() const { return DuplexLong || DuplexShort; }
    bool CustomFits(int width, int length) const; // hundredths of a millimetre
};

// What a print job carries to the spooler, besides the document.
struct TJobOptions {
    QString Title;
    QString Media;       // PWG media name, or a custom size name
    QString MediaSource; // empty: the printer's choice
    QString Sides;       // empty when the printer has no two-sided printing
    QString ColorMode;   // empty when the printer has one colour mode
    int Copies = 1;
    QString Collation;                        // multiple-document-handling, empty with one copy
    QString Resolution;                       // e.g. "600dpi"
    bool Landscape = false;                   // the pages are already turned; the printer is told too
    QList<std::pair<QString, QString>> Other; // private options
    // Told while the document is sent (bytes sent of all); returning false
    // withdraws the job, and SubmitJob then throws TJobCancelled.
    std::function<bool(qint64 sent, qint64 size)> Progress;
};

// A job withdrawn on request while it was submitted: the spooler keeps
// nothing of it.
struct TJobCancelled : std::runtime_error {
    TJobCancelled() : std::runtime_error("The print job was cancelled.") {}
};

// A user paper form: name and size in thousandths of a millimetre (portrait),
// printable area the whole sheet.
struct TPaperForm {
    QString Name;
    int Width = 0, Length = 0;
};

class IPrinterService {
public:
    virtual ~IPrinterService() = default;

    // Every printer, hidden ones included, in a stable order. Sets *ok to
    // false when the spooler answered with an error (a spooler that cannot be
    // reached has no printers and is not an error).
    virtual QList<TPrinterEntry> Enumerate(bool* ok = nullptr) = 0;

    // The capabilities of the printer with that name (or queue name), or
    // null when there is no such printer.
    virtual std::shared_ptr<const TPrinterCaps> Caps(const QString& printer) = 0;

    // The driver pass: merges the fields marked in dmFields and the private
    // options into the printer's defaults, replaces what the printer does not
    // offer and writes the result back. Throws std::runtime_error when the
    // printer does not exist.
    virtual void DocumentProperties(const QString& printer, QByteArray& devMode);

    // A device-mode block with the printer's default settings (empty when the
    // printer does not exist).
    virtual QByteArray DefaultDevMode(const QString& printer);

    // User paper forms of a printer. Add fails when the form exists or the
    // printer cannot print that size; Set fails when it does not exist.
    virtual QList<TPaperForm> Forms(const QString& printer) = 0;
    virtual bool AddForm(const QString& printer, const TPaperForm& form) = 0;
    virtual bool SetForm(const QString& printer, const TPaperForm& form) = 0;
    virtual bool DeleteForm(const QString& printer, const QString& name) = 0;

    // Submits a finished PDF file as one job. Returns the job id; throws
    // std::runtime_error with the spooler's message when it is refused.
    virtual int SubmitJob(const QString& printer, const QString& pdfFile, const TJobOptions& options) = 0;

    // Lists the printers on a worker thread, so that a spooler that does not
    // answer holds up no one: until the list is in, the service answers
    // every other thread at once as if there were no printers (and asks the
    // spooler nothing for it). listed then runs on the worker thread, before
    // the list is seen here, and is to be short. False when the service
    // answers at once anyway and nothing was started.
    virtual bool StartListing(std::function<void()> listed)
    {
        (void)listed;
        return false;
    }
    // True while such a listing is under way.
    virtual bool ListingPending() { return false; }
    // Waits at most ms for it; true when none is under way any more.
    virtual bool WaitForListing(int ms)
    {
        (void)ms;
        return true;
    }
    // Tells a listing under way to give up: once this returns, its listed is
    // not running and will not run. The service's end does the same.
    virtual void StopListing() {}
};

// Paper numbers of user paper forms: a stable number per form name.
int FormPaperNumber(const QString& name, const QList<int>& taken);
// The paper-table entry of a user form on a printer that takes custom sizes.
TPaperInfo FormPaper(const TPrinterCaps& caps, const TPaperForm& form, const QList<int>& taken);
