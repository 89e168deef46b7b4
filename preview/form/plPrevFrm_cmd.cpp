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
#include <QProgressDialog>
#include <QSvgGenerator>

#include <algorithm>
#include <exception>
#include <memory>

namespace {

void InfoBox(QWidget* parent, const QString& caption, const QString& text)
{
    ShowMessageBox(text, caption, QMessageBox::Information, QMessageBox::Ok, QMessageBox::NoButton, parent);
}

const QString kPrintCaption = QStringLiteral("　印刷");
const QString kSetupCaption = QStringLiteral("　プリンタと用紙の設定");

// Prints of up to this many pages show no progress.
constexpr int kQuietPages = 3;

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
        doc->PrintPageSet = pgAll;
        doc->PrintReverse = false;
        doc->PrintProgress = nullptr;
        self->RestorePrinterSnapshot();
        doc->UpdatePaperValues();
        doc->SetPageNumber(saved);
        self->DrawMetaImage();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
        self->repaint();
    }};
    PrintDialog1 = {saved, saved, 1, d->PageCount()};
    TplPrintDialogResult c;
    for (;;) {
        c = RunPrintDialog(this, PrintDialog1.From, PrintDialog1.To, PrintDialog1.Min, PrintDialog1.Max);
        if (!c.Accepted || !self || !(d = Doc()))
            return;
        SetBtnEnabled(PrintBtn, false);
        repaint();
        d->plSetPrinter()->GetPrinterInfo(false);
        // Recorded pages print at their size: a smaller paper, or the sheet
        // turned, would cut them off. Not without the user's word.
        d->UpdatePaperValues();
        if (d->PaperHoldsPages())
            break;
        const QMessageBox::StandardButton answer =
            ShowMessageBox(CroppedPagesText(), kPrintCaption, QMessageBox::Warning,
                           QMessageBox::Retry | QMessageBox::Ignore | QMessageBox::Cancel, QMessageBox::Retry, this);
        if (!self || !(d = Doc()))
            return;
        if (answer == QMessageBox::Ignore)
            break;
        if (answer != QMessageBox::Retry)
            return;
        // Back to the dialog, which opens on the choice just made.
        if (c.Kind == TplPrintDialogResult::PageNums) {
            PrintDialog1.From = c.FromPage;
            PrintDialog1.To = c.ToPage;
        }
    }
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
    d->PrintPageSet = c.PageSet == TplPrintDialogResult::OddPages ? pgOdd
        : c.PageSet == TplPrintDialogResult::EvenPages            ? pgEven
                                                                  : pgAll;
    d->PrintReverse = c.Reverse;
    // More than a few pages: their progress, with a way to cancel.
    std::unique_ptr<QProgressDialog> progress;
    const int first = std::max(1, std::min(d->PrintFromPage(), d->PrintToPage()));
    const int last = std::min(d->PageCount(), std::max(d->PrintFromPage(), d->PrintToPage()));
    if (int(d->PrintPageOrder(first, last).size()) > kQuietPages) {
        progress = std::make_unique<QProgressDialog>(this);
        progress->setObjectName(QStringLiteral("PrintProgress"));
        progress->setWindowTitle(kPrintCaption);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        QProgressDialog* bar = progress.get();
        const bool japanese = FJapanese;
        d->PrintProgress = [bar, japanese](int done, int total, bool sending) {
            if (sending)
                bar->setLabelText(japanese ? QStringLiteral("プリンタに送信しています…")
                                           : QStringLiteral("Sending the job to the printer…"));
            else
                bar->setLabelText(
                    japanese
                        ? QStringLiteral("%2 頁中 %1 頁目を印刷しています").arg(std::min(done + 1, total)).arg(total)
                        : QStringLiteral("Printing page %1 of %2").arg(std::min(done + 1, total)).arg(total));
            bar->setMaximum(total);
            bar->setValue(done);
            QCoreApplication::processEvents();
            return !bar->wasCanceled();
        };
        d->PrintProgress(0, int(d->PrintPageOrder(first, last).size()), false);
    }
    try {
        d->Print();
    } catch (const std::exception& e) {
        if (progress)
            progress->hide();
        // Not silently: the user has to know that nothing (or not all) was printed.
        if (self)
            ShowMessageBox((FJapanese ? QStringLiteral("印刷できませんでした。")
                                      : QStringLiteral("The pages could not be printed."))
                               + QStringLiteral("\n\n") + QString::fromUtf8(e.what()),
                           kPrintCaption, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::NoButton, this);
    }
}

QString TplPrevForm::CroppedPagesText() const
{
    const TCustomplPrev* d = Doc();
    if (!d)
        return {};
    auto mm = [](int units) { return QString::number(units / 10.0, 'f', 0); };
    TplSetPrinter* s = d->plSetPrinter();
    const QString paper = s ? s->PaperName() : QString();
    const bool landscape = s && s->Orientation() == int(poLandscape);
    if (FJapanese)
        return QStringLiteral(
                   "ページは %1 × %2 mm の用紙に合わせて作られています。選んだ用紙 %3（%4 × %5 mm、%6）には"
                   "収まらず、はみ出した部分は印刷されません。\n\n"
                   "再試行: 印刷ダイアログに戻ります。\n無視: このまま印刷します。\nキャンセル: 印刷しません。")
            .arg(mm(d->ViewWidth()), mm(d->ViewHeight()), paper, mm(d->PaperWidth()), mm(d->PaperHeight()),
                 landscape ? QStringLiteral("横") : QStringLiteral("縦"));
    return QStringLiteral("The pages were made for paper of %1 × %2 mm. The chosen paper, %3 (%4 × %5 mm, %6), "
                          "cannot hold them: what lies beyond its edges would not be printed.\n\n"
                          "Retry: go back to the print dialog.\nIgnore: print anyway.\nCancel: do not print.")
        .arg(mm(d->ViewWidth()), mm(d->ViewHeight()), paper, mm(d->PaperWidth()), mm(d->PaperHeight()),
             landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"));
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
    const TplPrintDialogResult c =
        RunPrintDialog(this, PrintDialog1.From, PrintDialog1.To, PrintDialog1.Min, PrintDialog1.Max);
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
    if (CanClose && (d = Doc())) {
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
    case caNone: e->ignore(); return;
    case caMinimize:
        e->ignore();
        showMinimized();
        return;
    case caHide: QDialog::closeEvent(e); return;
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
