#include "plPrintDialog.h"

#include "plDevMode.h"
#include "plPrinter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QPageLayout>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <exception>
#include <optional>

using namespace DevMode;

namespace {

// The current printer's settings onto the dialog's printer.
void ToQPrinter(QPrinter& printer, const QString& queue, const QByteArray& dm)
{
    if (!queue.isEmpty())
        printer.setPrinterName(queue);
    if (!Valid(dm))
        return;
    const TConstView v(dm);
    const uint32_t f = v.Fields();
    if (f & DM_COPIES)
        printer.setCopyCount(qMax(1, v.Copies()));
    if (f & DM_COLLATE)
        printer.setCollateCopies(v.Collate() != CollateOff);
    if (f & DM_DUPLEX) {
        switch (v.Duplex()) {
        case DuplexVertical: printer.setDuplex(QPrinter::DuplexLongSide); break;
        case DuplexHorizontal: printer.setDuplex(QPrinter::DuplexShortSide); break;
        default: printer.setDuplex(QPrinter::DuplexNone); break;
        }
    }
    if (f & DM_COLOR)
        printer.setColorMode(v.Color() == ColorColor ? QPrinter::Color : QPrinter::GrayScale);
    if (f & DM_ORIENTATION)
        printer.setPageOrientation(v.Orientation() == OrientLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

// The paper of that size (either way round) in a printer's table.
const TPaperInfo* PaperOfSize(const TPrinterCaps* caps, QSizeF mm)
{
    if (!caps || mm.isEmpty())
        return nullptr;
    const QSizeF portrait(qMin(mm.width(), mm.height()), qMax(mm.width(), mm.height()));
    for (const TPaperInfo& p : caps->Papers)
        if (qAbs(p.Width / 100.0 - portrait.width()) <= 1.0 && qAbs(p.Length / 100.0 - portrait.height()) <= 1.0)
            return &p;
    return nullptr;
}

QSizeF PaperMm(const TPaperInfo* p)
{
    return p ? QSizeF(p->Width / 100.0, p->Length / 100.0) : QSizeF();
}

// The printer properties offer what the job carries: the paper and its
// orientation. Margins, several pages on a sheet, custom sizes and the
// spooler's own job and driver options are not carried and not offered. The
// paper the document prints on is proposed.
class TPropertiesFilter : public QObject {
public:
    QSizeF Proposed;                 // millimetres
    std::optional<QSizeF> Confirmed; // what the user confirmed there

    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Show && o->isWidgetType() && o->inherits("QPrintPropertiesDialog")
            && !o->property("mirvakPruned").toBool()) {
            o->setProperty("mirvakPruned", true);
            Prune(static_cast<QDialog*>(o));
        }
        return false;
    }

private:
    void Prune(QDialog* d)
    {
        if (auto* tabs = d->findChild<QTabWidget*>(QStringLiteral("tabs")))
            for (int i = 0; i < tabs->count(); ++i)
                if (!tabs->widget(i)->findChild<QWidget*>(QStringLiteral("pageSetup")))
                    tabs->setTabVisible(i, false);
        if (QWidget* margin = d->findChild<QWidget*>(QStringLiteral("topMargin")))
            margin->parentWidget()->hide();
        if (QWidget* perSheet = d->findChild<QWidget*>(QStringLiteral("pagesPerSheetButtonGroup")))
            perSheet->hide();
        auto* sizes = d->findChild<QComboBox*>(QStringLiteral("pageSizeCombo"));
        if (!sizes)
            return;
        for (int i = sizes->count() - 1; i >= 0; --i)
            if (!sizes->itemData(i).canConvert<QPageSize>() || !sizes->itemData(i).value<QPageSize>().isValid())
                sizes->removeItem(i);
        for (int i = 0; i < sizes->count(); ++i) {
            const QSizeF mm = sizes->itemData(i).value<QPageSize>().size(QPageSize::Millimeter);
            if (qAbs(mm.width() - Proposed.width()) <= 1.0 && qAbs(mm.height() - Proposed.height()) <= 1.0) {
                sizes->setCurrentIndex(i);
                break;
            }
        }
        QPointer<QComboBox> combo(sizes);
        QObject::connect(d, &QDialog::accepted, this, [this, combo] {
            if (combo && combo->currentData().canConvert<QPageSize>())
                Confirmed = combo->currentData().value<QPageSize>().size(QPageSize::Millimeter);
        });
    }
};

// The dialog's choices into a device-mode block of the chosen printer; a
// paper number above 0 becomes its paper.
void FromQPrinter(const QPrinter& printer, QByteArray& dm, int paper)
{
    TView v(dm);
    if (paper > 0) {
        v.SelectPaper(paper);
        v.SetFields(v.Fields() | DM_PAPERSIZE);
    }
    v.SetCopies(qMax(1, printer.copyCount()));
    v.SetCollate(printer.collateCopies() ? CollateOn : CollateOff);
    switch (printer.duplex()) {
    case QPrinter::DuplexLongSide: v.SetDuplex(DuplexVertical); break;
    case QPrinter::DuplexShortSide: v.SetDuplex(DuplexHorizontal); break;
    default: v.SetDuplex(DuplexSimplex); break;
    }
    v.SetColor(printer.colorMode() == QPrinter::Color ? ColorColor : ColorMonochrome);
    v.SetOrientation(printer.pageLayout().orientation() == QPageLayout::Landscape ? OrientLandscape : OrientPortrait);
    v.SetFields(v.Fields() | DM_COPIES | DM_COLLATE | DM_DUPLEX | DM_COLOR | DM_ORIENTATION);
}

} // namespace

TplPrintDialogResult ExecutePrintDialog(QWidget* parent, int fromPage, int toPage, int minPage, int maxPage)
{
    TplPrintDialogResult r;
    TPrinter& cur = TPrinter::Printer();
    QString device, driver, port;
    TDevModeHandle h;
    cur.GetPrinter(device, driver, port, h);

    const std::shared_ptr<const TPrinterCaps> currentCaps = cur.Caps();
    const TPaperInfo* currentPaper =
        currentCaps && h && Valid(*h) ? currentCaps->Paper(TConstView(*h).PaperSize()) : nullptr;

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
    // Several pages on a sheet would not be carried to the job: not offered.
    // The dialog shows it again when it opens or when another printer is
    // chosen, so it is hidden after that each time.
    const auto hideUncarried = [&dlg] {
        if (QWidget* w = dlg.findChild<QWidget*>(QStringLiteral("pagesPerSheetButtonGroup")))
            w->hide();
    };
    hideUncarried();
    QTimer::singleShot(0, &dlg, hideUncarried);
    TPropertiesFilter properties;
    properties.Proposed = PaperMm(currentPaper);
    if (auto* printers = dlg.findChild<QComboBox*>(QStringLiteral("printers")))
        QObject::connect(
            printers, &QComboBox::currentIndexChanged, &dlg,
            [&properties, hideUncarried] {
                // The properties of another printer start afresh.
                properties.Confirmed.reset();
                hideUncarried();
            },
            Qt::QueuedConnection);
    qApp->installEventFilter(&properties);
    const int accepted = dlg.exec();
    qApp->removeEventFilter(&properties);
    if (accepted != QDialog::Accepted)
        return r;

    r.Accepted = true;
    if (auto* set = dlg.findChild<QComboBox*>(QStringLiteral("pageSetCombo"));
        set && set->isEnabled() && !set->isHidden()) {
        switch (set->currentIndex()) {
        case 1: r.PageSet = TplPrintDialogResult::OddPages; break;
        case 2: r.PageSet = TplPrintDialogResult::EvenPages; break;
        default: break;
        }
    }
    r.Reverse = printer.pageOrder() == QPrinter::LastPageFirst;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        r.Kind = TplPrintDialogResult::PageNums;
        r.FromPage = printer.fromPage();
        r.ToPage = printer.toPage();
        break;
    case QPrinter::Selection: r.Kind = TplPrintDialogResult::Selection; break;
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
    // The paper confirmed in the printer properties; otherwise the one the
    // document prints on, where the chosen printer has it.
    const std::shared_ptr<const TPrinterCaps> chosenCaps = cur.Service().Caps(chosen->Name);
    const TPaperInfo* paper = PaperOfSize(chosenCaps.get(), properties.Confirmed.value_or(PaperMm(currentPaper)));
    FromQPrinter(printer, dm, paper ? paper->Number : 0);
    try {
        cur.Service().DocumentProperties(chosen->Name, dm);
    } catch (const std::exception&) {
        return r; // the printer went away meanwhile; keep the current one
    }
    cur.SetPrinter(chosen->Name, chosen->Driver, chosen->Port, std::make_shared<QByteArray>(dm));
    return r;
}
