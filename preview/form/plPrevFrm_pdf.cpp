// Save as PDF: the document printed through the same composition and job
// as on paper, with the finished job written to a file the user chooses.
#include "plPrevFrm.h"

#include "plMessageBox.h"
#include "plPrinter.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>

#include <exception>
#include <memory>
#include <stdexcept>

namespace {

// Every call goes to the printer service underneath, except that the
// finished job lands in the target file instead of on the spooler.
class TPdfFileService : public IPrinterService {
public:
    TPdfFileService(std::shared_ptr<IPrinterService> inner, QSaveFile& target)
        : FInner(std::move(inner)), FTarget(target)
    {
    }

    QList<TPrinterEntry> Enumerate(bool* ok) override { return FInner->Enumerate(ok); }
    std::shared_ptr<const TPrinterCaps> Caps(const QString& printer) override { return FInner->Caps(printer); }
    void DocumentProperties(const QString& printer, QByteArray& devMode) override
    {
        FInner->DocumentProperties(printer, devMode);
    }
    QByteArray DefaultDevMode(const QString& printer) override { return FInner->DefaultDevMode(printer); }
    QList<TPaperForm> Forms(const QString& printer) override { return FInner->Forms(printer); }
    bool AddForm(const QString& printer, const TPaperForm& form) override { return FInner->AddForm(printer, form); }
    bool SetForm(const QString& printer, const TPaperForm& form) override { return FInner->SetForm(printer, form); }
    bool DeleteForm(const QString& printer, const QString& name) override { return FInner->DeleteForm(printer, name); }

    int SubmitJob(const QString&, const QString& pdfFile, const TJobOptions&) override
    {
        QFile pdf(pdfFile);
        if (!pdf.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read the composed PDF");
        const QByteArray bytes = pdf.readAll();
        if (FTarget.write(bytes) != bytes.size())
            throw std::runtime_error(
                ("cannot write " + FTarget.fileName() + ": " + FTarget.errorString()).toStdString());
        return ++FJobs;
    }

    int Jobs() const { return FJobs; }

private:
    std::shared_ptr<IPrinterService> FInner;
    QSaveFile& FTarget;
    int FJobs = 0;
};

QString AskPdfFile(QWidget* parent, const QString& suggested)
{
    return QFileDialog::getSaveFileName(parent, QString(), suggested, QStringLiteral("PDF (*.pdf)"));
}

} // namespace

std::function<QString(QWidget*, const QString&)> TplPrevForm::ChoosePdfFile = AskPdfFile;

bool TplPrevForm::SavePdfExecute(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d || d->PageCount() <= 0)
        return false;
    const QString caption = SavePdfCaption();
    if (d->FNoPrinter) {
        ShowMessageBox(MsgPrintNoPrinter, caption, QMessageBox::Information, QMessageBox::Ok, QMessageBox::NoButton,
                       this);
        return false;
    }
    QPointer<TplPrevForm> self(this);
    QString file = ChoosePdfFile ? ChoosePdfFile(this, d->Title() + QStringLiteral(".pdf")) : QString();
    if (file.isEmpty() || !self || !(d = Doc()))
        return false;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".pdf");

    const auto fail = [&](const QString& why) {
        if (self)
            ShowMessageBox(why, caption, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::NoButton, this);
        return false;
    };
    // Written beside the target and put in place only when complete: a
    // failure leaves no partial file and an earlier one untouched.
    QSaveFile target(file);
    if (!target.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("%1\n%2").arg(file, target.errorString()));

    TPrinter& printer = TPrinter::Printer();
    const std::shared_ptr<IPrinterService> installed = printer.ServicePtr();
    auto service = std::make_shared<TPdfFileService>(installed, target);
    const int saved = d->PageNumber();
    const int savedFrom = d->PrintFromPage(), savedTo = d->PrintToPage();
    QString error;
    // Changing the service forgets the current printer: the same one (with
    // its settings) is chosen again on either side.
    QString device, driver, port;
    TDevModeHandle devMode;
    printer.GetPrinter(device, driver, port, devMode);
    const auto reselect = [&] {
        if (!device.isEmpty())
            printer.SetPrinter(device, driver, port, devMode);
    };
    printer.SetService(service);
    reselect();
    try {
        d->SetPrintFromPage(1);
        d->SetPrintToPage(d->PageCount());
        d->Print();
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    printer.SetService(installed);
    reselect();
    if (self && (d = Doc())) {
        d->SetPrintFromPage(savedFrom);
        d->SetPrintToPage(savedTo);
        RestorePrinterSnapshot();
        d->SetPageNumber(saved);
        DrawMetaImage();
    }
    if (!error.isEmpty() || service->Jobs() != 1) {
        target.cancelWriting();
        return fail(error.isEmpty() ? file : error);
    }
    if (!target.commit())
        return fail(QStringLiteral("%1\n%2").arg(file, target.errorString()));
    return true;
}
