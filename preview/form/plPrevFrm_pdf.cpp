// Save as PDF: the document printed through the same composition and job
// as on paper, with the finished job written to a file the user chooses.
#include "plPrevFrm.h"

#include "plFileOutputService.h"
#include "plMessageBox.h"
#include "plPrinter.h"
#include "plSaveFile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>

#include <exception>
#include <memory>
#include <stdexcept>

namespace {

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
    auto service = std::make_shared<TFileOutputService>(installed, target);
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
    if (!CommitComplete(target))
        return fail(QStringLiteral("%1\n%2").arg(file, target.errorString()));
    return true;
}
