#pragma once

// A deterministic printer service held in memory, for what a real spooler
// cannot be made to do on demand: hidden printers in any position, drivers
// that replace values, option sets (and so device-mode sizes) that change,
// resolutions of 600 x 1200 dots per inch, failing jobs.

#include "plPrinterService.h"

#include <functional>

class TMemoryPrinterService : public IPrinterService {
public:
    struct Printer {
        TPrinterEntry Entry;
        TPrinterCaps Caps; // Name, Driver and Port follow Entry
        QList<TPaperForm> Forms;
        // Runs after the standard driver pass: may change the block or throw.
        std::function<void(QByteArray&)> AfterPass;
        bool RefuseJobs = false;
    };
    struct Job {
        int Id = 0;
        QString Printer;
        QByteArray Pdf;
        TJobOptions Options;
    };

    QList<Printer> Printers;
    QList<Job> Jobs;
    bool EnumerateFails = false;

    Printer* Find(const QString& name);

    QList<TPrinterEntry> Enumerate(bool* ok = nullptr) override;
    std::shared_ptr<const TPrinterCaps> Caps(const QString& printer) override;
    void DocumentProperties(const QString& printer, QByteArray& devMode) override;
    QList<TPaperForm> Forms(const QString& printer) override;
    bool AddForm(const QString& printer, const TPaperForm& form) override;
    bool SetForm(const QString& printer, const TPaperForm& form) override;
    bool DeleteForm(const QString& printer, const QString& name) override;
    int SubmitJob(const QString& printer, const QString& pdfFile, const TJobOptions& options) override;

    // Ready-made printers: a colour A4 laser with trays, duplex and custom
    // sizes, and a monochrome Letter printer with nothing else.
    static Printer ColorLaser(const QString& name, const QString& port);
    static Printer MonoLetter(const QString& name, const QString& port);
};
