#include "plPrev.h"

#include <cmath>
#include <vector>

// Text set with a temporary font derived from the current one: justified
// across or down a box, one character per cell, and turned at a point. The
// current font is back on the canvas when each call ends, however it ends.

namespace {

// Rounds to the nearest integer, ties to even.
int RoundEven(double v)
{
    return int(std::nearbyint(v));
}

// Selects a font into a canvas for the life of the object.
class TFontScope {
public:
    TFontScope(TCanvas& C, const TFont& F) : FCanvas(C), FSaved(C.Font()) { FCanvas.SetFont(F); }
    ~TFontScope() { FCanvas.SetFont(FSaved); }
    TFontScope(const TFontScope&) = delete;
    TFontScope& operator=(const TFontScope&) = delete;

private:
    TCanvas& FCanvas;
    const TFont FSaved;
};

// The temporary font: the current font with the height it holds, an
// explicit average width of Ratio percent, antialiased.
TFont TemporaryFont(const TCanvas& C, int Ratio)
{
    TFont f = C.Font();
    f.Width = TCustomplPrev::Roundoff(C.TextMetrics().AveCharWidth * Ratio / 100.0);
    f.Quality = ANTIALIASED_QUALITY;
    return f;
}

// The advances that spread Text over Length units: each character's own
// width plus the gap, the first |rem| gaps one unit wider (or narrower).
std::vector<int> JustifiedAdvances(const TCanvas& C, const QString& Text, int Length)
{
    const int n = int(Text.size());
    const int t = C.TextWidth(Text);
    const int gap = (Length - t) / (n - 1); // truncates towards zero
    int rem = (Length - t) % (n - 1);       // with the sign of Length - t
    std::vector<int> dx(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        int a = C.TextWidth(Text.mid(i, 1)) + gap;
        if (rem > 0) {
            ++a;
            --rem;
        } else if (rem < 0) {
            --a;
            ++rem;
        }
        dx[std::size_t(i)] = a;
    }
    return dx;
}

} // namespace

void TCustomplPrev::TextRectJust(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    if (!FCanvas)
        return;
    if (Text.size() <= 1) {
        TextRectCC(X1, X2, Y1, Y2, Text);
        return;
    }
    const QSize ext = FCanvas->TextExtent(Text);
    const int cx = ext.width(), cy = ext.height();
    const int y = Roundoff(std::abs(Y1 + Y2) / 2.0 - cy / 2.0);
    const int w0 = std::abs(X2 - X1);
    int ratio = 100;
    if (cx > 0 && w0 < RoundEven(cx * 0.85))
        ratio = Roundoff(double(w0) / cx * 100);
    const TFontScope scope(*FCanvas, TemporaryFont(*FCanvas, ratio));
    if (X1 > X2)
        std::swap(X1, X2);
    const std::vector<int> dx = JustifiedAdvances(*FCanvas, Text, X2 - X1);
    FCanvas->SetBkMode(TRANSPARENT);
    FCanvas->ExtTextOut(X1, y, Text, dx.data());
}

void TCustomplPrev::TextRectJustTate(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    if (!FCanvas)
        return;
    if (Text.size() <= 1) {
        TextRectCC(X1, X2, Y1, Y2, Text);
        return;
    }
    const QSize ext = FCanvas->TextExtent(Text);
    const int cx = ext.width(), cy = ext.height();
    const int x = Roundoff(std::abs(X1 + X2) / 2.0 + cy / 2.0);
    const int h0 = std::abs(Y2 - Y1);
    int ratio = 100;
    if (cx > 0 && h0 - RoundEven(cx * 0.85) < 0)
        ratio = int(std::ceil(double(h0) / cx * 100));
    TFont f = TemporaryFont(*FCanvas, ratio);
    f.Escapement = 2700;
    f.Name = u'@' + f.Name;
    const TFontScope scope(*FCanvas, f);
    const std::vector<int> dx = JustifiedAdvances(*FCanvas, Text, std::abs(Y1 - Y2));
    FCanvas->SetBkMode(TRANSPARENT);
    FCanvas->ExtTextOut(x, Y1, Text, dx.data()); // downwards from Y1, whichever edge it is
}

void TCustomplPrev::TextRectFit(int X1, int X2, int Y1, int Y2, int Cnt, const QString& Text)
{
    if (!FCanvas || Cnt < 1)
        return;
    const int cell = RoundEven(std::abs(X2 - X1) / double(Cnt));
    const int shift = std::max(0, Cnt - int(Text.size()));
    const int x0 = X1 + Roundoff(cell / 2.0);
    const int yc = Roundoff((Y1 + Y2) / 2.0);
    for (int i = 0; i < int(Text.size()); ++i)
        TextOutCC(x0 + (shift + i) * cell, yc, Text.mid(i, 1));
}

void TCustomplPrev::TextSpecial(int X, int Y, int R, int V, const QString& Text)
{
    if (!FCanvas)
        return;
    TFont f = TemporaryFont(*FCanvas, V);
    f.Escapement = R * 10;
    const TFontScope scope(*FCanvas, f);
    BrushStyle(bsClear);
    FCanvas->TextOut(X, Y, Text);
}

void TCustomplPrev::TextRectLCEx(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    if (!FCanvas)
        return;
    if (FCanvas->TextWidth(Text) < std::abs(X2 - X1))
        TextRectLC(X1, X2, Y1, Y2, Text);
    else
        TextRectJust(X1, X2, Y1, Y2, Text);
}

void TCustomplPrev::TextRectCCEx(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    if (!FCanvas)
        return;
    if (FCanvas->TextWidth(Text) < std::abs(X2 - X1))
        TextRectCC(X1, X2, Y1, Y2, Text);
    else
        TextRectJust(X1, X2, Y1, Y2, Text);
}
