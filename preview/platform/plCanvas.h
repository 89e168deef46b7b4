#pragma once

#include "plSet.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPicture;
class TMetafile;

// --- Colours --------------------------------------------------------------
// 32-bit values, red in the lowest byte, then green, then blue. A value with
// 0xFF in the top byte names a system colour by the index in its low byte.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clGray = 0x808080;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor RGBColor(int r, int g, int b)
{
    return TColor(r & 0xFF) | TColor(g & 0xFF) << 8 | TColor(b & 0xFF) << 16;
}
QColor ColorToQColor(TColor c);

// --- Rectangles as the drawing calls take them ----------------------------
// Edges as given: nothing is swapped or normalised.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRect&) const = default;
};
constexpr TRect Rect(int Left, int Top, int Right, int Bottom)
{
    return TRect{Left, Top, Right, Bottom};
}

// --- Fonts ----------------------------------------------------------------
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

// Font quality values of a logical font.
constexpr int DEFAULT_QUALITY = 0;
constexpr int NONANTIALIASED_QUALITY = 3;
constexpr int ANTIALIASED_QUALITY = 4;
constexpr int DEFAULT_CHARSET = 1;
constexpr int SHIFTJIS_CHARSET = 128;

// A logical font. Lengths are logical units of the canvas (paper units on a
// page). Height < 0: the em height (characters without internal leading);
// Height > 0: the cell height (ascent + descent); 0: the engine's 10.5 pt.
// Width 0 keeps the face's natural average character width; any other value
// scales the characters horizontally to that average width.
struct TFont {
    QString Name; // face name; a leading "@" asks for the vertical form
    int Height = -37;
    int Width = 0;
    int Escapement = 0; // tenths of a degree, counter-clockwise
    int Orientation = 0;
    TFontStyles Style;
    int Charset = DEFAULT_CHARSET;
    int Quality = DEFAULT_QUALITY;
    int Pitch = 0;
    TColor Color = clBlack;
    int PixelsPerInch = 96; // the resolution the font was made for (kept, not used for sizes)
    bool operator==(const TFont&) const = default;
};

// Text metrics of the selected font, logical units.
struct TTextMetric {
    int Height = 0; // cell: ascent + descent
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0; // cell height - em height
    int ExternalLeading = 0;
    int AveCharWidth = 0;
    int MaxCharWidth = 0;
};

struct TKerningPair {
    char16_t First = 0;
    char16_t Second = 0;
    int Amount = 0; // logical units, added to the advance of First
};

// --- Pens and brushes ------------------------------------------------------
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame, psUserStyle, psAlternate };
struct TPen {
    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    int Width = 1; // logical units; 0 is one device pixel
    bool operator==(const TPen&) const = default;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    bool operator==(const TBrush&) const = default;
};

// --- Canvas constants -------------------------------------------------------
constexpr int MM_TEXT = 1;
constexpr int MM_ANISOTROPIC = 8;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr unsigned DT_LEFT = 0x00;
constexpr unsigned DT_CENTER = 0x01;
constexpr unsigned DT_RIGHT = 0x02;
constexpr unsigned DT_TOP = 0x00;
constexpr unsigned DT_VCENTER = 0x04;
constexpr unsigned DT_BOTTOM = 0x08;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;

// A drawing surface with the semantics the engine's drawing code expects:
// logical coordinates mapped to device pixels by a mapping mode with window
// and viewport extents and origins, a clip rectangle, a current font, pen,
// brush, background mode and pen position.
//
// A canvas either draws straight onto a QPainter (printer, screen, image;
// device pixels are the painter's coordinates when the canvas is made) or
// records into a TMetafile, measured against a reference device of the given
// resolution whose pixels cover the picture's frame.
//
// Text is measured with unhinted metrics in logical units, so widths measured
// while recording are the widths drawn on every device.
class TCanvas {
public:
    explicit TCanvas(QPainter* Painter);
    TCanvas(TMetafile& Target, int DpiX, int DpiY);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // Ends a recording and hands it to the target picture; later drawing is
    // ignored. Drawing canvases have nothing to close.
    void Close();
    bool Recording() const;
    bool Closed() const;

    // Device: dots per inch and size in device pixels.
    int DpiX() const;
    int DpiY() const;
    int DeviceWidth() const;
    int DeviceHeight() const;

    // --- Mapping ---------------------------------------------------------
    int MapMode() const;
    void SetMapMode(int Mode);
    void SetWindowExt(int Cx, int Cy);
    void SetViewportExt(int Cx, int Cy);
    void SetWindowOrg(int X, int Y);
    void SetViewportOrg(int X, int Y);
    QSize WindowExt() const;
    QSize ViewportExt() const;
    QPoint WindowOrg() const;
    QPoint ViewportOrg() const;
    // Logical point to device pixels.
    QPointF LogicalToDevice(const QPointF& p) const;

    // --- Clipping, logical coordinates ----------------------------------------
    void SetClipRect(const TRect& R);
    void ClearClip();
    bool HasClip() const;

    // --- Drawing state ------------------------------------------------------
    const TFont& Font() const;
    void SetFont(const TFont& F);
    const TPen& Pen() const;
    void SetPen(const TPen& P);
    const TBrush& Brush() const;
    // Sets the whole brush; the background mode follows it (opaque for a
    // solid brush, transparent otherwise) with the brush colour as background.
    void SetBrush(const TBrush& B);
    // The framework's brush rules: a colour makes a clear brush solid; clear
    // makes the colour white.
    void SetBrushColor(TColor C);
    void SetBrushStyle(TBrushStyle S);
    int BkMode() const;
    void SetBkMode(int Mode);
    TColor BkColor() const;
    void SetBkColor(TColor C);
    int CopyMode() const;
    void SetCopyMode(int Mode);
    int TextFlags() const;
    void SetTextFlags(int Flags);
    QPoint PenPos() const;
    void MoveTo(int X, int Y);

    // --- Text measurement (logical units) ----------------------------------
    TTextMetric TextMetrics() const;
    int CharWidth(char16_t C) const;
    double TextWidthF(const QString& Text) const;
    // Width and cell height of Text.
    QSize TextExtent(const QString& Text) const;
    int TextWidth(const QString& Text) const;
    int TextHeight(const QString& Text) const;
    // Kerning pairs of the selected font among printable ASCII characters.
    std::vector<TKerningPair> KerningPairs() const;

    // --- Text output ----------------------------------------------------------
    // Text with the top-left corner of its first character cell at (X, Y);
    // with Dx, character i is drawn Dx[0] + ... + Dx[i-1] to the right of X
    // (Dx holds one advance per UTF-16 code unit). The pen position stays.
    void ExtTextOut(int X, int Y, const QString& Text, const int* Dx = nullptr);
    // ExtTextOut, then the pen position moves to (X + width, Y).
    void TextOut(int X, int Y, const QString& Text);
    // Text on one line in Box (DT_ flags: horizontal and vertical alignment,
    // DT_SINGLELINE, DT_NOCLIP, DT_NOPREFIX, DT_CALCRECT); returns the line
    // height. Without DT_NOPREFIX "&" underlines the next character and "&&"
    // draws one "&". Without DT_NOCLIP nothing is drawn outside Box.
    int DrawText(const QString& Text, const TRect& Box, unsigned Format);

    // --- Shapes ----------------------------------------------------------------
    void LineTo(int X, int Y);
    void Polyline(const QPolygon& Points);
    void Rectangle(int Left, int Top, int Right, int Bottom);
    void Ellipse(int Left, int Top, int Right, int Bottom);
    // Fills with the current brush, no outline; a clear brush paints nothing.
    void FillRect(const TRect& R);
    // A border one logical unit wide, painted with the current brush.
    void FrameRect(const TRect& R);
    // Draws Image stretched into R. Lossy: the pixels came from a lossy file
    // (JPEG), so a device may store them lossily again; every other image is
    // kept exact.
    void StretchDraw(const TRect& R, const QImage& Image, bool Lossy = false);
    // Plays Picture with its frame stretched onto R (a reversed rectangle turns
    // it by 180 degrees), inside the current clip.
    void DrawMetafile(const TRect& R, const TMetafile& Picture);
    // Plays a painter-recorded vector picture with its boundingRect() stretched
    // onto R; recorded as vector operations, never as pixels.
    void DrawVector(const TRect& R, const QPicture& Picture);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
