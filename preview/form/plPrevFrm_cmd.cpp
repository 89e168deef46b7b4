// Commands of the preview window: print, printer setup, the copy menu and
// closing.
#include "plPrevFrm.h"

#include "plMessageBox.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QSvgGenerator>

#include <exception>

namespace {

void InfoBox(QWidget* parent, const QString& caption, const QString& text)
{
    ShowMessageBox(text, caption, QMessageBox::Information, QMessageBox::Ok, QMessageBox::NoButton, parent);
}

const QString kPrintCaption = QStringLiteral("　印刷");
const QString kSetupCaption = QStringLiteral("　プリンタと用紙の設定");

// Runs a function when the scope ends, however it ends.
template <typename F>
struct Finally {
    F f;
    ~Finally() { f(); }
};
template <typename F>
Finally(F) -> Finally<F>;

} // namespace

std::function<TplPrevForm::PrintChoice(QWidget*, int, int, int, int)> TplPrevForm::RunPrintDialog =
    [](QWidget* parent, int from, int to, int min, int max) {
        PrintChoice c;
        QPrinter printer;
        QPrintDialog dlg(&printer, parent);
        dlg.setOption(QAbstractPrintDialog::PrintToFile, false);
        dlg.setOption(QAbstractPrintDialog::PrintSelection, false);
        dlg.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
        dlg.setMinMax(min, max);
        printer.setFromTo(from, to);
        if (dlg.exec() != QDialog::Accepted)
            return c;
        c.Accepted = true;
        switch (printer.printRange()) {
        case QPrinter::PageRange:
            c.Kind = PrintChoice::PageNums;
            c.FromPage = printer.fromPage();
            c.ToPage = printer.toPage();
            break;
        case QPrinter::Selection:
            c.Kind = PrintChoice::Selection;
            break;
        default:
            c.Kind = PrintChoice::AllPages;
            c.FromPage = min;
            c.ToPage = max;
            break;
        }
        return c;
    };

std::function<void(const QImage&, double)> TplPrevForm::PrintCapture;

void TplPrevForm::PrintBtnClick(QObject*)
{
    TplPrevLink* d = Doc();
    if (!d)
        return;
    bool CanPrint = !d->NoPrinter();
    d->DoPrintButtonClick(this, CanPrint);
    if (!CanPrint || !(d = Doc()))
        return;
    if (d->NoPrinter()) {
        InfoBox(this, kPrintCaption, MsgPrintNoPrinter);
        return;
    }
    const int saved = d->PageNumber();
    d->SetPrintRange(0, 0);
    QPointer<TplPrevForm> self(this);
    Finally restore{[&] {
        // A printer chosen in the dialog serves this print only.
        TplPrevLink* doc = self ? self->Doc() : nullptr;
        if (!doc)
            return;
        doc->RestorePrinterSnapshot();
        doc->SetPageNumber(saved);
        self->DrawMetaImage();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
        self->repaint();
    }};
    PrintDialog1 = {saved, saved, 1, d->PageCount()};
    const PrintChoice c = RunPrintDialog(this, PrintDialog1.From, PrintDialog1.To, PrintDialog1.Min, PrintDialog1.Max);
    if (!c.Accepted || !self || !(d = Doc()))
        return;
    SetBtnEnabled(PrintBtn, false);
    repaint();
    d->AdoptCurrentPrinter();
    switch (c.Kind) {
    case PrintChoice::AllPages:
        d->SetPrintRange(1, d->PageCount());
        break;
    case PrintChoice::PageNums:
        d->SetPrintRange(c.FromPage, c.ToPage);
        break;
    case PrintChoice::Selection:
        d->SetPrintRange(0, 0);
        break;
    }
    try {
        d->Print();
    } catch (const std::exception& e) {
        // Not silently: the user has to know that nothing (or not all) was printed.
        if (self)
            ShowMessageBox(QString::fromUtf8(e.what()), kPrintCaption, QMessageBox::Warning, QMessageBox::Ok,
                           QMessageBox::NoButton, this);
    }
}

void TplPrevForm::PrinterSetBtnClick(QObject* Sender)
{
    TplPrevLink* d = Doc();
    if (!d)
        return;
    if (d->NoPrinter()) {
        InfoBox(this, kSetupCaption, MsgSetupNoPrinter);
        return;
    }
    if (Sender && !d->ShowSetupDialog())
        return;
    QPointer<TplPrevForm> self(this);
    Finally restore{[&] {
        if (!self)
            return;
        self->PageWholeBtnClick(self);
        self->setUpdatesEnabled(true);
    }};
    if (!(d = Doc()))
        return;
    SetBtnEnabled(PrinterSetBtn, false);
    d->PrinterSetupDone();
    d->DoPrinterSetupDialog(this);
    setUpdatesEnabled(false);
    DrawMetaImage();
}

void TplPrevForm::ActionPageCopyExecute(QObject*)
{
    TplPrevLink* d = Doc();
    if (!d)
        return;
    const TplPagePicture pic = d->GetMetaImage(d->PageNumber());
    if (!pic)
        return;
    // The page as a vector picture: SVG in paper units (0.1 mm at 254 dots
    // per inch), and a bitmap at 150 dots per inch beside it for programs
    // that take no SVG.
    const QSizeF frame = pic.Frame.isValid() && !pic.Frame.isEmpty() ? pic.Frame : QSizeF(2100, 2970);
    QByteArray svg;
    {
        QBuffer buf(&svg);
        buf.open(QIODevice::WriteOnly);
        QSvgGenerator gen;
        gen.setOutputDevice(&buf);
        gen.setResolution(254);
        gen.setSize(frame.toSize());
        gen.setViewBox(QRectF(QPointF(0, 0), frame));
        gen.setTitle(d->Title());
        QPainter p(&gen);
        pic.Play(p, QRectF(QPointF(0, 0), frame));
    }
    const QSize px = (frame * (150.0 / 254.0)).toSize();
    QImage png(px.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    png.setDotsPerMeterX(5906);
    png.setDotsPerMeterY(5906);
    png.fill(Qt::white);
    {
        QPainter p(&png);
        p.setRenderHint(QPainter::Antialiasing);
        pic.Play(p, QRectF(png.rect()));
    }
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/svg+xml"), svg);
    mime->setImageData(png);
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setMimeData(mime);
    QCoreApplication::processEvents();
}

void TplPrevForm::ActionDispCopyExecute(QObject*)
{
    // The active window as the user sees it, onto the clipboard.
    QWidget* w = QApplication::activeWindow();
    if (!w)
        w = window();
    QGuiApplication::clipboard()->setImage(w->grab().toImage());
    QCoreApplication::processEvents();
}

void TplPrevForm::ActionHardCopyExecute(QObject* Sender)
{
    TplPrevLink* d = Doc();
    if (!d)
        return;
    QPointer<TplPrevForm> self(this);
    Finally restore{[&] {
        TplPrevLink* doc = self ? self->Doc() : nullptr;
        if (!doc)
            return;
        doc->RestorePrinterSnapshot();
        self->DrawMetaImage();
        QCoreApplication::processEvents();
    }};
    ActionDispCopyExecute(Sender);
    if (!self || !(d = Doc()))
        return;
    const QImage capture = QGuiApplication::clipboard()->image();
    if (capture.isNull() || capture.width() <= 0) {
        ShowMessageBox(tr("The clipboard holds no picture of the window."), kPrintCaption, QMessageBox::Warning,
                       QMessageBox::Ok, QMessageBox::NoButton, this);
        return;
    }
    const double ratio = double(capture.height()) / capture.width();
    const PrintChoice c = RunPrintDialog(this, PrintDialog1.From, PrintDialog1.To, PrintDialog1.Min, PrintDialog1.Max);
    if (!c.Accepted || !self || !(d = Doc()))
        return;
    d->AdoptCurrentPrinter();
    if (d->AcrobatOut())
        return;
    if (PrintCapture)
        PrintCapture(capture, ratio);
}

void TplPrevForm::CloseBtnClick(QObject*)
{
    close();
}

bool TplPrevForm::FormCloseQuery()
{
    bool CanClose = true;
    TplPrevLink* d = Doc();
    if (!d)
        return true;
    d->DoFormCloseQuery(this, CanClose);
    if (CanClose && (d = Doc()))
        d->ResetViewSize();
    return CanClose;
}

void TplPrevForm::FormClose(TCloseAction& Action)
{
    TplPrevLink* d = Doc();
    if (!d)
        return;
    d->DoFormClose(this, Action);
    if (!(d = Doc()))
        return;
    Shape1->hide();
    Shape2->hide();
    Image1->SetPicture({});
    d->SetIsPrevFormShow(false);
    if (d->AutoCreateForm()) {
        d->SetForm(nullptr);
        d->SetFormName(QString());
        Action = caFree;
    }
}

void TplPrevForm::closeEvent(QCloseEvent* e)
{
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    TCloseAction action = caHide;
    FormClose(action);
    switch (action) {
    case caNone:
        e->ignore();
        return;
    case caMinimize:
        e->ignore();
        showMinimized();
        return;
    case caHide:
        QDialog::closeEvent(e);
        return;
    case caFree:
        QDialog::closeEvent(e);
        deleteLater();
        return;
    }
}

void TplPrevForm::keyPressEvent(QKeyEvent* e)
{
    // Escape closes through the close query, like the close button.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QDialog::keyPressEvent(e);
}
