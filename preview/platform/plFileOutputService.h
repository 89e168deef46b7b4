#pragma once

// A printer service that writes finished jobs to a file: every call goes to
// the service underneath, except that a finished job's PDF is appended to
// the target file instead of being handed to the spooler. Used to save a
// document through the same composition and job as on paper.

#include "plPrinterService.h"

#include <QSaveFile>

#include <memory>

class TFileOutputService : public IPrinterService {
public:
    TFileOutputService(std::shared_ptr<IPrinterService> inner, QSaveFile& target);

    QList<TPrinterEntry> Enumerate(bool* ok) override;
    std::shared_ptr<const TPrinterCaps> Caps(const QString& printer) override;
    void DocumentProperties(const QString& printer, QByteArray& devMode) override;
    QByteArray DefaultDevMode(const QString& printer) override;
    QList<TPaperForm> Forms(const QString& printer) override;
    bool AddForm(const QString& printer, const TPaperForm& form) override;
    bool SetForm(const QString& printer, const TPaperForm& form) override;
    bool DeleteForm(const QString& printer, const QString& name) override;
    bool StartListing(std::function<void()> listed) override;
    bool ListingPending() override;
    bool WaitForListing(int ms) override;
    void StopListing() override;

    // Throws std::runtime_error when the job cannot be read or written.
    int SubmitJob(const QString& printer, const QString& pdfFile, const TJobOptions& options) override;

    // Jobs written so far.
    int Jobs() const { return FJobs; }

private:
    std::shared_ptr<IPrinterService> FInner;
    QSaveFile& FTarget;
    int FJobs = 0;
};
