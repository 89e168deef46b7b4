#include "plPrintDialog.h"

#include "plDevMode.h"
#include "plPrinter.h"

#include <QComboBox>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QWidget>

#include <exception>

using namespace DevMode;

namespace {

// The current printer's settings onto the dialog's printer.
void ToQPrinter(QPrinter& printer, const QString& queue, const QByteArray& dm)
{
    if (!queue.isEmpty())
        printer.setPrinterName(queue);
    if (!Valid(dm))
        return;
    const uint32_t f = Fields(dm);
    if (f & DM_COPIES)
        printer.setCopyCount(qMax(1, int(Short(dm, oCopies))));
    if (f & DM_COLLATE)
        printer.setCollateCopies(Short(dm, oCollate) != 0);
    if (f & DM_DUPLEX) {
        switch (Short(dm, oDuplex)) {
        case DuplexVertical: printer.setDuplex(QPrinter::DuplexLongSide); break;
        case DuplexHorizontal: printer.setDuplex(QPrinter::DuplexShortSide); break;
        default: printer.setDuplex(QPrinter::DuplexNone); break;
        }
    }
    if (f & DM_COLOR)
        printer.setColorMode(Short(dm, oColor) == ColorColor ? QPrinter::Color : QPrinter::GrayScale);
    if (f & DM_ORIENTATION)
        printer.setPageOrientation(Short(dm, oOrientation) == OrientLandscape ? QPageLayout::Landscape
                                                                             : QPageLayout::Portrait);
}

// The dialog's choices into a device-mode block of the chosen printer.
void FromQPrinter(const QPrinter& printer, QByteArray& dm)
{
    uint32_t f = Fields(dm);
    SetShort(dm, oCopies, qMax(1, printer.copyCount()));
    SetShort(dm, oCollate, printer.collateCopies() ? 1 : 0);
    switch (printer.duplex()) {
    case QPrinter::DuplexLongSide: SetShort(dm, oDuplex, DuplexVertical); break;
    case QPrinter::DuplexShortSide: SetShort(dm, oDuplex, DuplexHorizontal); break;
    default: SetShort(dm, oDuplex, DuplexSimplex); break;
    }
    SetShort(dm, oColor, printer.colorMode() == QPrinter::Color ? ColorColor : ColorMonochrome);
    SetShort(dm, oOrientation,
             printer.pageLayout().orientation() == QPageLayout::Landscape ? OrientLandscape : OrientPortrait);
    f |= DM_COPIES | DM_COLLATE | DM_DUPLEX | DM_COLOR | DM_ORIENTATION;
    SetDWord(dm, oFields, f);
}

} // namespace

TplPrintDialogResult ExecutePrintDialog(QWidget* parent, int fromPage, int toPage, int minPage, int maxPage)
{
    TplPrintDialogResult r;
    TPrinter& cur = TPrinter::Printer();
    QString device, driver, port;
    TDevModeHandle h;
    cur.GetPrinter(device, driver, port, h);

    QPrinter printer(QPrinter::HighResolution);
    ToQPrinter(printer, port, h ? *h : QByteArray());
    QPrintDialog dlg(&printer, parent);
    dlg.setOption(QAbstractPrintDialog::PrintToFile, false);
    dlg.setOption(QAbstractPrintDialog::PrintSelection, false);
    dlg.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dlg.setMinMax(minPage, maxPage);
    printer.setFromTo(fromPage, toPage);
    // Printing takes one range from a page to a page; a list of pages
    // ("1,3,5") has no place here.
    for (const char* name : {"pagesRadioButton", "pagesLineEdit"})
        if (QWidget* w = dlg.findChild<QWidget*>(QLatin1String(name)))
            w->hide();
    // Nor are odd or even pages, reverse order or several pages on a sheet
    // carried to the job, and the printer properties' paper and orientation
    // would print the recorded pages cut off: those controls are not offered.
    // The dialog shows some of them again when it opens or when another
    // printer is chosen, so they are hidden after that each time.
    const auto hideUncarried = [&dlg] {
        for (const char* name : {"pageSetCombo", "pageSetLabel", "reverse", "pagesPerSheetButtonGroup", "properties"})
            if (QWidget* w = dlg.findChild<QWidget*>(QLatin1String(name)))
                w->hide();
    };
    hideUncarried();
    QTimer::singleShot(0, &dlg, hideUncarried);
    if (auto* printers = dlg.findChild<QComboBox*>(QStringLiteral("printers")))
        QObject::connect(printers, &QComboBox::currentIndexChanged, &dlg, hideUncarried, Qt::QueuedConnection);
    if (dlg.exec() != QDialog::Accepted)
        return r;

    r.Accepted = true;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        r.Kind = TplPrintDialogResult::PageNums;
        r.FromPage = printer.fromPage();
        r.ToPage = printer.toPage();
        break;
    case QPrinter::Selection:
        r.Kind = TplPrintDialogResult::Selection;
        break;
    default:
        r.Kind = TplPrintDialogResult::AllPages;
        r.FromPage = minPage;
        r.ToPage = maxPage;
        break;
    }

    // The chosen printer becomes the current one, with the chosen settings
    // on top of what it had (or of its defaults when it is another printer).
    const QString queue = printer.printerName();
    const QList<TPrinterEntry> list = cur.Service().Enumerate();
    const TPrinterEntry* chosen = nullptr;
    for (const TPrinterEntry& e : list)
        if (e.Port == queue || e.Name == queue)
            chosen = &e;
    if (!chosen)
        return r;
    QByteArray dm = (chosen->Port == port && h) ? *h : cur.Service().DefaultDevMode(chosen->Name);
    if (!Valid(dm))
        return r;
    FromQPrinter(printer, dm);
    try {
        cur.Service().DocumentProperties(chosen->Name, dm);
    } catch (const std::exception&) {
        return r; // the printer went away meanwhile; keep the current one
    }
    cur.SetPrinter(chosen->Name, chosen->Driver, chosen->Port, std::make_shared<QByteArray>(dm));
    return r;
}
