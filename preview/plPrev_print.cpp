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
    try {
        for (int i = first; i <= last; ++i) {
            PrintPage(printer.Canvas(), i);
            QCoreApplication::processEvents();
            if (OnPrint)
                OnPrint(this, i);
            if (i < last)
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
    } catch (...) {
        restore();
        throw;
    }
    restore();
}
