#include "plPrev.h"

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
    TCanvas canvas(Painter);
    SetPrinterMapping(&canvas);
    const TMetafile* picture = GetMetaImage(Page);
    if (!picture)
        return;
    const TRect target = FInversePrint ? Rect(FViewWidth, FViewHeight, 0, 0) : Rect(0, 0, FViewWidth, FViewHeight);
    canvas.DrawMetafile(target, *picture);
}

void TCustomplPrev::Print() {}
