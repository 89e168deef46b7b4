// Commands of the preview window: print, printer setup, the copy menu and
// closing.
#include "plPrevFrm.h"

#include "plMessageBox.h"
#include "plPrinter.h"
#include "plSetPrinter.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
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

std::function<TplPrintDialogResult(QWidget*, int, int, int, int)> TplPrevForm::RunPrintDialog = ExecutePrintDialog;



std::function<void(const QImage&, double)> TplPrevForm::PrintCapture = [](const QImage& capture, double ratio) {
    TPrinter& prn = TPrinter::Printer();
    const TplEdges e = HardCopyRect(prn.GetDeviceCaps(DevCaps::HORZRES), ratio);
    prn.BeginDoc();
    try {
        QPainter* c = prn.Canvas();
        c->setRenderHint(QPainter::SmoothPixmapTransform);
        // A window capture is text and lines: kept without loss, not as JPEG.
        c->setRenderHint(QPainter::LosslessImageRendering);
        c->drawImage(QRect(e.Left, e.Top, e.Right - e.Left, e.Bottom - e.Top), capture);
        QCoreApplication::processEvents();
    } catch (...) {
        prn.EndDoc();
        throw;
    }
    prn.EndDoc();
};

void TplPrevForm::PrintBtnClick(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    bool CanPrint = !d->FNoPrinter;
    // Only a handler's refusal ends the command quietly; without a handler
    // a missing printer is reported below.
    if (d->OnPrintButtonClick) {
        d->OnPrintButtonClick(this, CanPrint);
        if (!CanPrint || !(d = Doc()))
            return;
    }
    if (d->FNoPrinter) {
        InfoBox(this, kPrintCaption, MsgPrintNoPrinter);
        return;
    }
    const int saved = d->PageNumber();
    d->SetPrintFromPage(0);
    d->SetPrintToPage(0);
    QPointer<TplPrevForm> self(this);
    Finally restore{[&] {
        // A printer chosen in the dialog serves this print only.
        TCustomplPrev* doc = self ? self->Doc() : nullptr;
        if (!doc)
            return;
        self->RestorePrinterSnapshot();
        doc->SetPageNumber(saved);
        self->DrawMetaImage();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
        self->repaint();
    }};
    PrintDialog1 = {saved, saved, 1, d->PageCount()};
    const TplPrintDialogResult c = RunPrintDialog(this, PrintDialog1.From, PrintDialog1.To, PrintDialog1.Min, PrintDialog1.Max);
    if (!c.Accepted || !self || !(d = Doc()))
        return;
    SetBtnEnabled(PrintBtn, false);
    repaint();
    d->plSetPrinter()->GetPrinterInfo(false);
    switch (c.Kind) {
    case TplPrintDialogResult::AllPages:
        d->SetPrintFromPage(1);
        d->SetPrintToPage(d->PageCount());
        break;
    case TplPrintDialogResult::PageNums:
        d->SetPrintFromPage(c.FromPage);
        d->SetPrintToPage(c.ToPage);
        break;
    case TplPrintDialogResult::Selection:
        d->SetPrintFromPage(0);
    d->SetPrintToPage(0);
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
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    if (d->FNoPrinter) {
        InfoBox(this, kSetupCaption, MsgSetupNoPrinter);
        return;
    }
    if (Sender && !d->plSetPrinter()->ShowSetupDialog())
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
    d->plSetPrinter()->GetPrinterInfo(false);
    // The new choice is what later prints go back to.
    d->FSavePrinterNameStr = d->PrinterSettingsToText();
    d->UpdatePaperValues();
    d->SetViewWidth(d->PaperWidth());
    d->SetViewHeight(d->PaperHeight());
    if (d->OnPrinterSetupDialog)
        d->OnPrinterSetupDialog(this);
    setUpdatesEnabled(false);
    DrawMetaImage();
}

void TplPrevForm::ActionPageCopyExecute(QObject*)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    const TMetafile* composed = d->GetMetaImage(d->PageNumber());
    if (!composed || composed->Width() <= 0 || composed->Height() <= 0)
        return;
    const TMetafile pic = *composed;
    // The page as a vector picture: SVG in paper units (0.1 mm at 254 dots
    // per inch), and a bitmap at 150 dots per inch beside it for programs
    // that take no SVG.
    const QSizeF frame(pic.Width(), pic.Height());
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
    TplBusyScope busy(this);
    // The active window as the user sees it, onto the clipboard.
    QWidget* w = QApplication::activeWindow();
    if (!w)
        w = window();
    QGuiApplication::clipboard()->setImage(w->grab().toImage());
    QCoreApplication::processEvents();
}

void TplPrevForm::ActionHardCopyExecute(QObject* Sender)
{
    TplBusyScope busy(this);
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    QPointer<TplPrevForm> self(this);
    Finally restore{[&] {
        TCustomplPrev* doc = self ? self->Doc() : nullptr;
        if (!doc)
            return;
        self->RestorePrinterSnapshot();
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
    const TplPrintDialogResult c = RunPrintDialog(this, PrintDialog1.From, PrintDialog1.To, PrintDialog1.Min, PrintDialog1.Max);
    if (!c.Accepted || !self || !(d = Doc()))
        return;
    d->plSetPrinter()->GetPrinterInfo(false);
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
    TCustomplPrev* d = Doc();
    if (!d)
        return true;
    if (d->OnFormCloseQuery)
        d->OnFormCloseQuery(this, CanClose);
    if (CanClose && (d = Doc()))
        {
        d->SetViewWidth(0);
        d->SetViewHeight(0);
    }
    return CanClose;
}

void TplPrevForm::FormClose(TCloseAction& Action)
{
    TCustomplPrev* d = Doc();
    if (!d)
        return;
    if (d->OnFormClose)
        d->OnFormClose(this, Action);
    if (!(d = Doc()))
        return;
    Shape1->hide();
    Shape2->hide();
    Image1->SetPicture({});
    d->FIsPrevFormShow = false;
    if (d->FAutoCreateForm) {
        d->SetForm(nullptr);
        d->FFormName.clear();
        Action = caFree;
    }
}

bool TplPrevForm::event(QEvent* e)
{
    // A window freed on closing is deleted only once no handler of its own is
    // on the stack: a handler that processes pending events would otherwise
    // return into a deleted window (a resize the window system reports right
    // after the close refits the page, and refitting processes events).
    if (e->type() == QEvent::DeferredDelete && FBusy > 0) {
        FFreePending = true;
        return true;
    }
    return QDialog::event(e);
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
        if (FBusy > 0)
            FFreePending = true;
        else
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
