#include "plPrev.h"

#include "plSetPrinter.h"

#include <QCoreApplication>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

// Half-width characters in their full-width forms.
QString FullWidth(const QString& s)
{
    static std::unique_ptr<icu::Transliterator> tr = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> t(
            icu::Transliterator::createInstance("Halfwidth-Fullwidth", UTRANS_FORWARD, status));
        return U_SUCCESS(status) ? std::move(t) : nullptr;
    }();
    if (!tr || s.isEmpty())
        return s;
    icu::UnicodeString u(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
    tr->transliterate(u);
    return QString(reinterpret_cast<const QChar*>(u.getBuffer()), u.length());
}

int ClampPage(int Page, int Count)
{
    if (Page <= 0)
        return 1;
    if (Page >= Count)
        return Count;
    return Page;
}

} // namespace

void TCustomplPrev::DrawPaperBackground(TCanvas* ACanvas, int W, int H)
{
    if (FPrinting || !ACanvas)
        return;
    ACanvas->SetBrushColor(PaperColor);
    ACanvas->FillRect(Rect(0, 0, W, H));
    if (OnNoPrintDraw)
        OnNoPrintDraw(this, FPageNumber);
    if (!FNoPrinter && FplSetPrinter)
        FBinName = FplSetPrinter->BinName();
    if (!FullWidth(FBinName).contains(QStringLiteral("トラクタ")))
        return;

    // Tractor-feed holes every 12.7 mm and the perforations inside them.
    TPen pen = ACanvas->Pen();
    pen.Width = 0;
    pen.Color = RGBColor(192, 192, 192);
    ACanvas->SetPen(pen);
    for (int y = 40;; y += 127) {
        ACanvas->SetBrushColor(clBtnFace);
        ACanvas->Ellipse(40, y, 80, y + 40);
        ACanvas->Ellipse(W - 40, y, W - 80, y + 40);
        if (y >= H)
            break;
    }
    pen.Style = psDot;
    ACanvas->SetPen(pen);
    ACanvas->MoveTo(127, 0);
    ACanvas->LineTo(127, H);
    ACanvas->MoveTo(W - 127, 0);
    ACanvas->LineTo(W - 127, H);
    ACanvas->SetBrushColor(PaperColor);
}

TMetafile* TCustomplPrev::GetMetaImage(int Page)
{
    if (FDrawType == dtCont) {
        const int p = ClampPage(Page, FPageCount);
        NewMetaCanvas(false);
        SetCanvasMapping(FCanvas.get(), !FPrinting);
        try {
            if (p >= 1 && std::size_t(p) <= MetaImageList.size())
                FCanvas->DrawMetafile(Rect(0, 0, FViewWidth, FViewHeight), MetaImageList[std::size_t(p) - 1]);
            if (OnBeforeView)
                OnBeforeView(this, p);
        } catch (...) {
            FCanvas.reset();
            throw;
        }
        FCanvas.reset();
        return &FMetaImage;
    }
    if (FDrawType == dtStat) {
        FPageNumber = ClampPage(Page, FPageCount);
        FCanvas.reset();
        ShowWorkCursor();
        try {
            UpdatePaperValues();
            NewMetaCanvas(false);
            SetCanvasMapping(FCanvas.get(), true);
            QCoreApplication::processEvents();
            if (FProcName)
                FProcName();
        } catch (...) {
            FCanvas.reset();
            RestoreCursor();
            throw;
        }
        FCanvas.reset();
        RestoreCursor();
        return &FMetaImage;
    }
    return nullptr;
}

void TCustomplPrev::DesignedPaperSize(int W, int H)
{
    if (int64_t(W) * H != 0) {
        FDesignedPaperWidth = W;
        FDesignedPaperHeight = H;
    }
}

void TCustomplPrev::SetProcName(const TPrevProc& v)
{
    FProcName = v;
    if (!v)
        return;
    PrepareDocument();
    ClearPages();
    FDrawType = dtStat;
    NewMetaCanvas(true);
    SetCanvasMapping(FCanvas.get(), true);
}
