#include "plPrev.h"

#include "plSetPrinter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace {

// Pixels to paper units: the product in integers (64-bit, so that no value
// can overflow), the division in double precision.
double ToPaper(int pixels, int dpi)
{
    return double(int64_t(pixels) * 254) / dpi;
}

int Trunc(double v)
{
    return int(std::trunc(v));
}
int Ceil(double v)
{
    return int(std::ceil(v));
}

// Dots per inch of the screen, the reference device without a printer.
QSize ScreenDpi()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* s = QGuiApplication::primaryScreen())
            return QSize(qRound(s->logicalDotsPerInchX()), qRound(s->logicalDotsPerInchY()));
    }
    return QSize(96, 96);
}

} // namespace

TPaperGeometry PaperGeometry(const TPrinterPixels& Px, bool InversePrint, int DesignedWidth, int DesignedHeight)
{
    TPaperGeometry g;
    g.plPaperWidth = Px.PaperWidth;
    g.plPaperHeight = Px.PaperHeight;
    if (!InversePrint) {
        g.PaperLO = Px.LeftOffset;
        g.PaperTO = Px.TopOffset;
        g.PaperRO = g.plPaperWidth - Px.RightOffset;
        g.PaperBO = g.plPaperHeight - Px.BottomOffset;
    } else {
        // Printed turned by 180 degrees: the bands change sides.
        g.PaperLO = g.plPaperWidth - Px.RightOffset;
        g.PaperTO = g.plPaperHeight - Px.BottomOffset;
        g.PaperRO = Px.LeftOffset;
        g.PaperBO = Px.TopOffset;
    }
    g.XResolution = Px.XResolution;
    g.YResolution = Px.YResolution;
    g.plPageWidth = Px.PageWidth;
    g.plPageHeight = Px.PageHeight;

    const int xr = g.XResolution, yr = g.YResolution;
    g.PaperWidth = Trunc(ToPaper(g.plPaperWidth, xr));
    g.PaperHeight = Trunc(ToPaper(g.plPaperHeight, yr));
    g.LeftOffset = Ceil(ToPaper(g.PaperLO, xr));
    g.TopOffset = Ceil(ToPaper(g.PaperTO, yr));
    if (DesignedWidth > 0 && DesignedHeight > 0) {
        g.PaperWidth = Px.Landscape ? DesignedHeight : DesignedWidth;
        g.PaperHeight = Px.Landscape ? DesignedWidth : DesignedHeight;
        g.RightOffset = g.PaperWidth - Trunc(ToPaper(g.PaperRO, xr));
        g.BottomOffset = g.PaperHeight - Trunc(ToPaper(g.PaperBO, yr));
        g.PageWidth = g.RightOffset - g.LeftOffset;
        g.PageHeight = g.BottomOffset - g.TopOffset;
    } else {
        g.PageWidth = Trunc(ToPaper(g.plPageWidth, xr));
        g.PageHeight = Trunc(ToPaper(g.plPageHeight, yr));
        g.RightOffset = g.PaperWidth - Trunc(ToPaper(g.PaperRO, xr));
        g.BottomOffset = g.PaperHeight - Trunc(ToPaper(g.PaperBO, yr));
    }
    return g;
}

void TCustomplPrev::UpdatePaperValues()
{
    TplSetPrinter* S = FplSetPrinter;
    // Without a printer, or with one that reports no resolution, the geometry
    // keeps the values it has (streamed design-time values, or zero).
    if (!FNoPrinter && S && S->XResolution() > 0 && S->YResolution() > 0) {
        TPrinterPixels px;
        px.PaperWidth = S->PaperWidth();
        px.PaperHeight = S->PaperHeight();
        px.PageWidth = S->PageWidth();
        px.PageHeight = S->PageHeight();
        px.LeftOffset = S->LeftOffset();
        px.TopOffset = S->TopOffset();
        px.RightOffset = S->RightOffset();
        px.BottomOffset = S->BottomOffset();
        px.XResolution = S->XResolution();
        px.YResolution = S->YResolution();
        px.Landscape = S->Orientation() == poLandscape;
        const bool designed = FDesignedPaperWidth > 0 && FDesignedPaperHeight > 0 && FDrawType == dtStat;
        const TPaperGeometry g =
            PaperGeometry(px, FInversePrint, designed ? FDesignedPaperWidth : 0, designed ? FDesignedPaperHeight : 0);
        FplPaperWidth = g.plPaperWidth;
        FplPaperHeight = g.plPaperHeight;
        FplPageWidth = g.plPageWidth;
        FplPageHeight = g.plPageHeight;
        PaperLO = g.PaperLO;
        PaperTO = g.PaperTO;
        PaperRO = g.PaperRO;
        PaperBO = g.PaperBO;
        FXResolution = g.XResolution;
        FYResolution = g.YResolution;
        FPaperWidth = g.PaperWidth;
        FPaperHeight = g.PaperHeight;
        FPageWidth = g.PageWidth;
        FPageHeight = g.PageHeight;
        FLeftOffset = g.LeftOffset;
        FTopOffset = g.TopOffset;
        FRightOffset = g.RightOffset;
        FBottomOffset = g.BottomOffset;
    }
    ScaleMode = MM_ANISOTROPIC;
    FPaperRatio = FPaperWidth != 0 ? double(FPaperHeight) / FPaperWidth : 0.0;
}

void TCustomplPrev::NewMetaCanvas(bool Fresh)
{
    FCanvas.reset();
    if (Fresh) {
        FMetaImage = TMetafile();
        if (FViewWidth == 0)
            FViewWidth = FPaperWidth;
        if (FViewHeight == 0)
            FViewHeight = FPaperHeight;
    }
    FViewPaperRatio = ViewPaperRatio();
    FMetaImage.SetSize(FViewWidth, FViewHeight);

    // Text is measured against the printer; the screen stands in without one.
    QSize dpi(FXResolution, FYResolution);
    if (FNoPrinter || dpi.width() <= 0 || dpi.height() <= 0)
        dpi = ScreenDpi();
    {
        TCanvas probe(FMetaImage, dpi.width(), dpi.height());
    }
    MetaW = FMetaImage.DeviceWidth();
    MetaH = FMetaImage.DeviceHeight();

    FCanvas = std::make_unique<TCanvas>(FMetaImage, dpi.width(), dpi.height());
    TFont font = FCanvas->Font();
    font.PixelsPerInch = FXResolution;
    font.Height = -Roundoff(10.5 * 254 / 72);
    FCanvas->SetFont(font);
    FixPageFontWidth();

    QCoreApplication::processEvents();
}

// Gives the page font an explicit average character width.
void TCustomplPrev::FixPageFontWidth()
{
    TFont font = FCanvas->Font();
    if (font.Width != 0)
        return;
    const TTextMetric tm = FCanvas->TextMetrics();
    if (tm.Height == 0)
        return;
    font.Width = -font.Height * tm.AveCharWidth / tm.Height;
    FCanvas->SetFont(font);
}

void TCustomplPrev::SetCanvasMapping(TCanvas* ACanvas, bool Decorate)
{
    if (!ACanvas)
        return;
    ACanvas->SetMapMode(MM_ANISOTROPIC);
    ACanvas->SetWindowExt(FViewWidth, FViewHeight);
    ACanvas->SetViewportExt(MetaW, MetaH);
    if (Decorate)
        DrawPaperBackground(ACanvas, FViewWidth, FViewHeight);
    if (ViewClip)
        ACanvas->SetClipRect(Rect(FLeftOffset, FTopOffset, FRightOffset, FBottomOffset));
    ACanvas->SetBrushStyle(bsClear);
}

void TCustomplPrev::ClearPages()
{
    if (FDrawType == dtCont)
        MetaImageList.clear();
    FCanvas.reset();
    FMetaImage = TMetafile();
}

TMetafile TCustomplPrev::CopyMetafile(const TMetafile& P)
{
    // Recordings are immutable once closed, so sharing one is an independent copy.
    return P;
}

void TCustomplPrev::BeginDoc()
{
    ShowWorkCursor();
    PrepareDocument();
    FBtnOptions.Exclude(boPrinterSetBtn);
    ClearPages();
    FDrawType = dtCont;
    FPageNumber = 1;
    FPageCount = 1;
    FPrintFromPage = 1;
    NewMetaCanvas(true);
    SetCanvasMapping(FCanvas.get(), false);
}

void TCustomplPrev::PrepareDocument()
{
    if (!FNoPrinter) {
        if (FUseOriginPaperSize) {
            FplSetPrinter->SetPaperNumberProp(FPaperNumber);
            FplSetPrinter->SetOrientationProp(FOrientation != 0 ? poLandscape : poPortrait);
        } else if (FplSetPrinter->Name() != QLatin1String("Default")) {
            FplSetPrinter->CallSetting();
        }
        FSavePrinterNameStr = PrinterSettingsToText();
    }
    if (!FSavePrinterNameStr.isEmpty())
        PrinterSettingsFromText(FSavePrinterNameStr);
    UpdatePaperValues();
}

void TCustomplPrev::NewPage()
{
    if (FDrawType != dtCont || !FCanvas)
        return;
    // The drawing state that carries over to the next page.
    const TFont font = FCanvas->Font();
    const TPen pen = FCanvas->Pen();
    const TBrush brush = FCanvas->Brush();
    const int copyMode = FCanvas->CopyMode();
    const int textFlags = FCanvas->TextFlags();

    FCanvas.reset(); // closes the page's recording
    MetaImageList.resize(std::max<std::size_t>(FPageNumber, 1));
    MetaImageList.back() = CopyMetafile(FMetaImage);
    ++FPageNumber;
    NewMetaCanvas(false);

    // Copying the font and setting its height again makes a font without an
    // explicit character width.
    TFont carried = font;
    carried.Width = 0;
    FCanvas->SetFont(carried);
    FCanvas->SetPen(pen);
    FCanvas->SetBrush(brush);
    FCanvas->SetCopyMode(copyMode);
    FCanvas->SetTextFlags(textFlags);
    SetCanvasMapping(FCanvas.get(), false);
}

void TCustomplPrev::EndDoc()
{
    if (FDrawType != dtCont || !FCanvas)
        return;
    FCanvas.reset();
    MetaImageList.resize(std::max<std::size_t>(FPageNumber, 1));
    MetaImageList.back() = CopyMetafile(FMetaImage);
    FPageCount = FPageNumber;
    FPageNumber = 1;
    FPrintToPage = FPageCount;
    RestoreCursor();
}
