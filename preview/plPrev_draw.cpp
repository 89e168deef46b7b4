#include "plPrev.h"

// Drawing state and shapes of the page being recorded. Without a recording
// canvas every operation does nothing.

void TCustomplPrev::FontSize(double S)
{
    FontHeight(-Roundoff(S * 254 / 72));
}

void TCustomplPrev::FontHeight(int V)
{
    if (!FCanvas)
        return;
    TFont f = FCanvas->Font();
    f.Height = V;
    f.Width = 0;
    FCanvas->SetFont(f);
}

void TCustomplPrev::FontName(const QString& V)
{
    if (!FCanvas)
        return;
    TFont f = FCanvas->Font();
    f.Name = V;
    f.Width = 0;
    FCanvas->SetFont(f);
}

void TCustomplPrev::FontColor(TColor V)
{
    if (!FCanvas)
        return;
    TFont f = FCanvas->Font();
    f.Color = V;
    FCanvas->SetFont(f);
}

void TCustomplPrev::FontStyle(TFontStyles V)
{
    if (!FCanvas)
        return;
    TFont f = FCanvas->Font();
    f.Style = V;
    f.Width = 0;
    FCanvas->SetFont(f);
}

void TCustomplPrev::FontCharset(int V)
{
    if (!FCanvas)
        return;
    TFont f = FCanvas->Font();
    f.Charset = V;
    f.Width = 0;
    FCanvas->SetFont(f);
}

void TCustomplPrev::FontAssign(const TFont& V)
{
    if (!FCanvas)
        return;
    // Every attribute, and the height as a number in paper units.
    TFont f = V;
    f.Height = V.Height;
    FCanvas->SetFont(f);
}

void TCustomplPrev::PenColor(TColor V)
{
    if (!FCanvas)
        return;
    TPen p = FCanvas->Pen();
    p.Color = V;
    FCanvas->SetPen(p);
}

void TCustomplPrev::PenStyle(TPenStyle V)
{
    if (!FCanvas)
        return;
    TPen p = FCanvas->Pen();
    if ((V == psDash || V == psDot) && p.Width == 1)
        p.Width = 0;
    p.Style = V;
    FCanvas->SetPen(p);
}

void TCustomplPrev::PenWidth(int V)
{
    if (!FCanvas)
        return;
    TPen p = FCanvas->Pen();
    if (V == 1 && (p.Style == psDash || p.Style == psDot))
        V = 0;
    if (V < 0)
        return;
    p.Width = V;
    FCanvas->SetPen(p);
}

void TCustomplPrev::BrushColor(TColor V)
{
    if (FCanvas)
        FCanvas->SetBrushColor(V);
}

void TCustomplPrev::BrushStyle(TBrushStyle V)
{
    if (FCanvas)
        FCanvas->SetBrushStyle(V);
}

void TCustomplPrev::MoveTo(int X, int Y)
{
    if (FCanvas)
        FCanvas->MoveTo(X, Y);
}

void TCustomplPrev::LineTo(int X, int Y)
{
    if (FCanvas)
        FCanvas->LineTo(X, Y);
}

void TCustomplPrev::Line(int X1, int X2, int Y1, int Y2)
{
    MoveTo(X1, Y1);
    LineTo(X2, Y2);
}

void TCustomplPrev::Rectangle(int X1, int X2, int Y1, int Y2)
{
    if (FCanvas)
        FCanvas->Rectangle(X1, Y1, X2, Y2);
}

void TCustomplPrev::FillRect(int X1, int X2, int Y1, int Y2)
{
    if (FCanvas)
        FCanvas->FillRect(Rect(X1, Y1, X2, Y2));
}

void TCustomplPrev::RectLine(int X1, int X2, int Y1, int Y2)
{
    if (FCanvas)
        FCanvas->Polyline(QPolygon({QPoint(X1, Y1), QPoint(X2, Y1), QPoint(X2, Y2), QPoint(X1, Y2), QPoint(X1, Y1)}));
}

void TCustomplPrev::FrameRect(int X1, int X2, int Y1, int Y2)
{
    if (FCanvas)
        FCanvas->FrameRect(Rect(X1, Y1, X2, Y2));
}

void TCustomplPrev::Circle(int X, int Y, int D)
{
    if (!FCanvas)
        return;
    const int r = Roundoff(D / 2.0);
    FCanvas->SetBkMode(TRANSPARENT);
    FCanvas->Ellipse(X - r, Y - r, X + r, Y + r);
}

void TCustomplPrev::Ellipse(int X, int Y, int DX, int DY)
{
    if (!FCanvas)
        return;
    const int a = Roundoff(DX / 2.0);
    const int b = Roundoff(DY / 2.0);
    FCanvas->SetBkMode(TRANSPARENT);
    FCanvas->Ellipse(X - a, Y - b, X + a, Y + b);
}
