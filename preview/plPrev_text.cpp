#include "plPrev.h"

#include "plWidthConv.h"

// Single-line text at a point (anchored by a corner, an edge's middle or the
// centre of its line box) and in a box.

namespace {

enum { kLeft = 0, kCentre = 1, kRight = 2 };
enum { kTop = 0, kMiddle = 1, kBottom = 2 };

// The line height: the same for every text, descenders or not.
const QString kMeasure = QStringLiteral("Hg");

int HalfUp(int v)
{
    return v / 2 + v % 2;
} // ceiling of v / 2 for v >= 0

} // namespace

void TCustomplPrev::TextOutAt(int X1, int Y1, const QString& Text, int Horz, int Vert)
{
    if (!FCanvas)
        return;
    const int W = Horz != kLeft ? FCanvas->TextWidth(Text) : 0;
    const int H = Vert != kTop ? FCanvas->TextHeight(kMeasure) : 0;
    const int x = X1 - (Horz == kCentre ? HalfUp(W) : Horz == kRight ? W : 0);
    const int y = Y1 - (Vert == kMiddle ? HalfUp(H) : Vert == kBottom ? H : 0);
    FCanvas->SetBrushStyle(bsClear);
    FCanvas->TextOut(x, y, Text); // leaves the position at the end of the text
}

void TCustomplPrev::TextOut(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kLeft, kTop);
}
void TCustomplPrev::TextOutLT(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kLeft, kTop);
}
void TCustomplPrev::TextOutLC(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kLeft, kMiddle);
}
void TCustomplPrev::TextOutLB(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kLeft, kBottom);
}
void TCustomplPrev::TextOutCT(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kCentre, kTop);
}
void TCustomplPrev::TextOutCC(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kCentre, kMiddle);
}
void TCustomplPrev::TextOutCB(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kCentre, kBottom);
}
void TCustomplPrev::TextOutRT(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kRight, kTop);
}
void TCustomplPrev::TextOutRC(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kRight, kMiddle);
}
void TCustomplPrev::TextOutRB(int X1, int Y1, const QString& Text)
{
    TextOutAt(X1, Y1, Text, kRight, kBottom);
}

void TCustomplPrev::TextRect(int X1, int X2, int Y1, int Y2, const QString& Text, unsigned Format)
{
    if (!FCanvas)
        return;
    FCanvas->SetBkMode(TRANSPARENT);
    // The text ends at its first NUL character, as a terminated string would.
    const qsizetype nul = Text.indexOf(QChar(0));
    FCanvas->DrawText(nul < 0 ? Text : Text.left(nul), Rect(X1, Y1, X2, Y2), Format);
}

void TCustomplPrev::TextRectLT(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_LEFT | DT_TOP);
}
void TCustomplPrev::TextRectCT(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_CENTER | DT_TOP);
}
void TCustomplPrev::TextRectRT(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_RIGHT | DT_TOP);
}
void TCustomplPrev::TextRectLC(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
}
void TCustomplPrev::TextRectCC(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}
void TCustomplPrev::TextRectRC(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
}
void TCustomplPrev::TextRectLB(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_LEFT | DT_BOTTOM);
}
void TCustomplPrev::TextRectCB(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
}
void TCustomplPrev::TextRectRB(int X1, int X2, int Y1, int Y2, const QString& Text)
{
    TextRect(X1, X2, Y1, Y2, Text, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
}

QString TCustomplPrev::AlpToHank(const QString& S)
{
    return ::AlpToHank(S);
}
QString TCustomplPrev::ToHankaku(const QString& S)
{
    return ::ToHankaku(S);
}
QString TCustomplPrev::ToZenkaku(const QString& S)
{
    return ::ToZenkaku(S);
}
