#include "plPrev.h"

#include "plKeyboard.h"
#include "plMessageBox.h"
#include "plPrinter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QWidget>

#include <algorithm>

void TCustomplPrev::SetPrinterMapping(TCanvas* ACanvas)
{
    ACanvas->SetMapMode(MM_ANISOTROPIC);
    ACanvas->SetWindowExt(FPaperWidth, FPaperHeight);
    ACanvas->SetViewportExt(FplPaperWidth, FplPaperHeight);
    if (!FInversePrint) {
        ACanvas->SetWindowOrg(-FPrintOffsetX, -FPrintOffsetY);
        ACanvas->SetViewportOrg(-PaperLO, -PaperTO);
    } else {
        ACanvas->SetWindowOrg(FPrintOffsetX, FPrintOffsetY);
        ACanvas->SetViewportOrg(FplPageWidth + PaperLO - FplPaperWidth, FplPageHeight + PaperTO - FplPaperHeight);
    }
    ACanvas->SetBrushStyle(bsClear);
}

void TCustomplPrev::PrintPage(QPainter* Painter, int Page)
{
    if (!Painter)
        return;
    // The printer's painter is left in device pixels afterwards.
    Painter->save();
    {
        TCanvas canvas(Painter);
        SetPrinterMapping(&canvas);
        if (const TMetafile* picture = GetMetaImage(Page)) {
            const TRect target =
                FInversePrint ? Rect(FViewWidth, FViewHeight, 0, 0) : Rect(0, 0, FViewWidth, FViewHeight);
            canvas.DrawMetafile(target, *picture);
        }
    }
    Painter->restore();
}

void TCustomplPrev::Print()
{
    if (!FForm || !FForm->isVisible())
        DoPrepare();
    if (FDrawType == dtNone) {
        ShowMessageBox(QStringLiteral("Canvasへの描画コードが見つかりません．　　"),
                       QStringLiteral("印刷プレビュー制御コンポーネント"), QMessageBox::Warning);
        return;
    }
    if (FNoPrinter) {
        ShowMessageBox(QStringLiteral("プリンタがインストールされていないので印刷できません．　　"),
                       QStringLiteral(" 印刷"), QMessageBox::Information);
        return;
    }
    UpdatePaperValues();

    int first = std::min(FPrintFromPage, FPrintToPage);
    int last = std::max(FPrintFromPage, FPrintToPage);
    if (first > FPageCount)
        first = FPageCount;
    if (last > FPageCount)
        last = FPageCount;
    if (first <= 0)
        first = 1;
    if (last <= 0)
        last = FPageCount;

    // Printers named like ACROBAT read the Ctrl key as held for the whole job.
    const bool acrobat = AcrobatOut();
    if (acrobat) {
        KeyBoardState = GetKeyboardState();
        DefaultKeyState = KeyBoardState[VK_CONTROL];
        KeyBoardState[VK_CONTROL] = 0x81;
        SetKeyboardState(KeyBoardState);
    }
    const auto restoreKeys = [&] {
        if (acrobat) {
            KeyBoardState[VK_CONTROL] = DefaultKeyState;
            SetKeyboardState(KeyBoardState);
        }
    };

    if (PrintPageOrder(first, last).empty()) {
        // Even pages of a one-page range: there is nothing to send.
        restoreKeys();
        return;
    }
    TPrinter& printer = TPrinter::Printer();
    printer.Title = !FTitle.isEmpty() ? FTitle : QGuiApplication::applicationDisplayName() + QStringLiteral("印刷");
    try {
        printer.BeginDoc();
    } catch (...) {
        restoreKeys();
        throw;
    }
    FPrinting = true;
    ShowWorkCursor();
    const auto restore = [&] {
        FPrinting = false;
        RestoreCursor();
        restoreKeys();
    };
    const auto finish = [&] {
        printer.EndDoc();
        QCoreApplication::processEvents();
    };
    const std::vector<int> pages = PrintPageOrder(first, last);
    const int total = int(pages.size());
    // The job goes to the spooler only when it is complete: a cancel before
    // that leaves nothing there, and one while it is sent withdraws it.
    printer.SendProgress = [this](qint64 sent, qint64 size) {
        return !PrintProgress || PrintProgress(int(size > 0 ? sent * 1000 / size : 1000), 1000, true);
    };
    struct ClearProgress {
        TPrinter& p;
        ~ClearProgress() { p.SendProgress = nullptr; }
    } clearProgress{printer};
    try {
        for (int k = 0; k < total; ++k) {
            PrintPage(printer.Canvas(), pages[std::size_t(k)]);
            QCoreApplication::processEvents();
            if (OnPrint)
                OnPrint(this, pages[std::size_t(k)]);
            if (PrintProgress && !PrintProgress(k + 1, total, false)) {
                printer.Abort();
                QCoreApplication::processEvents();
                restore();
                return;
            }
            if (k + 1 < total)
                printer.NewPage();
        }
    } catch (...) {
        // The job is ended and the state restored; the first failure is the one reported.
        try {
            finish();
        } catch (...) {
        }
        restore();
        throw;
    }
    try {
        finish();
    } catch (const TJobCancelled&) {
        // Withdrawn by the user while it was sent: not a failure.
        restore();
        return;
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

std::vector<int> TCustomplPrev::PrintPageOrder(int First, int Last) const
{
    std::vector<int> pages;
    for (int i = First; i <= Last; ++i)
        if (PrintPageSet == pgAll || (i % 2 == 1) == (PrintPageSet == pgOdd))
            pages.push_back(i);
    if (PrintReverse)
        std::reverse(pages.begin(), pages.end());
    return pages;
}

bool TCustomplPrev::PaperHoldsPages() const
{
    // Pages drawn on demand are drawn for the paper they print on; recorded
    // pages print at their recorded size from the sheet's corner. Half a
    // millimetre covers the rounding of nominal paper sizes.
    constexpr int slack = 5;
    if (FDrawType != dtCont || FPaperWidth <= 0 || FPaperHeight <= 0)
        return true;
    return FViewWidth <= FPaperWidth + slack && FViewHeight <= FPaperHeight + slack;
}
