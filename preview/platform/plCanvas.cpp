#include "plCanvas.h"

#include "plCanvasBackend.h"
#include "plFontCache.h"
#include "plMetafile.h"

#include <QGuiApplication>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <numbers>

// --- Colours ----------------------------------------------------------------

namespace {

// The classic default system colours, used when no application palette exists
// or the palette has no matching role.
constexpr uint32_t kSystemColors[31] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
    0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969,
    0xE3E3E3, 0x000000, 0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0,
};

QColor FromBgr(uint32_t c)
{
    return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF));
}

QColor SystemColor(int index)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QPalette pal = QGuiApplication::palette();
        switch (index) {
        case 4: return pal.color(QPalette::Window); // menu
        case 5: return pal.color(QPalette::Base);   // window
        case 8: return pal.color(QPalette::Text);   // window text
        case 13: return pal.color(QPalette::Highlight);
        case 14: return pal.color(QPalette::HighlightedText);
        case 15: return pal.color(QPalette::Button); // button face
        case 16: return pal.color(QPalette::Dark);   // button shadow
        case 17: return pal.color(QPalette::Disabled, QPalette::Text);
        case 18: return pal.color(QPalette::ButtonText);
        case 20: return pal.color(QPalette::Light); // button highlight
        case 23: return pal.color(QPalette::ToolTipText);
        case 24: return pal.color(QPalette::ToolTipBase);
        default: break;
        }
    }
    if (index >= 0 && index < int(std::size(kSystemColors)))
        return FromBgr(kSystemColors[index]);
    return QColor(Qt::black);
}

} // namespace

QColor ColorToQColor(TColor c)
{
    if (c == clNone)
        return QColor(Qt::transparent);
    if ((c >> 24) == 0xFF)
        return SystemColor(int(c & 0xFF));
    return FromBgr(c);
}

// --- Canvas -------------------------------------------------------------------

namespace {

QPen ToQPen(const TPen& p)
{
    if (p.Style == psClear)
        return QPen(Qt::NoPen);
    QPen q(ColorToQColor(p.Color));
    q.setWidthF(std::max(0, p.Width)); // width 0: cosmetic, one device pixel
    switch (p.Style) {
    case psDash: q.setStyle(Qt::DashLine); break;
    case psDot: q.setStyle(Qt::DotLine); break;
    case psDashDot: q.setStyle(Qt::DashDotLine); break;
    case psDashDotDot: q.setStyle(Qt::DashDotDotLine); break;
    case psAlternate: q.setDashPattern({1.0, 1.0}); break;
    default: q.setStyle(Qt::SolidLine); break;
    }
    if (q.style() == Qt::SolidLine) {
        q.setCapStyle(Qt::RoundCap);
        q.setJoinStyle(Qt::RoundJoin);
    } else {
        q.setCapStyle(Qt::FlatCap);
    }
    return q;
}

QBrush ToQBrush(const TBrush& b)
{
    const QColor c = ColorToQColor(b.Color);
    switch (b.Style) {
    case bsClear: return QBrush(Qt::NoBrush);
    case bsHorizontal: return QBrush(c, Qt::HorPattern);
    case bsVertical: return QBrush(c, Qt::VerPattern);
    case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
    case bsCross: return QBrush(c, Qt::CrossPattern);
    case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
    default: return QBrush(c, Qt::SolidPattern);
    }
}

QRectF Box(double l, double t, double r, double b)
{
    return QRectF(QPointF(l, t), QPointF(r, b));
}

bool SameMetrics(const TFont& a, const TFont& b)
{
    return a.Name == b.Name && a.Height == b.Height && a.Width == b.Width && a.Style == b.Style
        && a.Charset == b.Charset && a.Quality == b.Quality;
}

constexpr int kSrcCopy = 0x00CC0020;

} // namespace

struct TCanvas::Private {
    // Where drawing goes; none once a recording is closed, or without a painter.
    std::unique_ptr<TCanvasBackend> Out;
    bool Records = false;
    bool Closed = false;

    int DpiX = 96, DpiY = 96, DevW = 0, DevH = 0;
    // Device pixels to painter (or frame) coordinates: Num / Den per axis.
    int64_t NumX = 1, DenX = 1, NumY = 1, DenY = 1;

    int Mode = MM_TEXT;
    QSize WinExt{1, 1}, VpExt{1, 1};
    QPoint WinOrg, VpOrg;
    QTransform L; // logical to painter / frame coordinates
    bool TransformDirty = true;
    std::optional<QRectF> Clip; // painter / frame coordinates

    TFont Font;
    std::shared_ptr<const TFontEntry> Entry;
    TPen Pen;
    TBrush Brush;
    int Bk = OPAQUE;
    TColor BkColor = clWhite;
    int CopyMode = kSrcCopy;
    int TextFlags = 0;
    QPoint PenPos;

    bool PenDirty = true, BrushDirty = true;
    std::optional<std::pair<int, QRgb>> EmittedBk;

    bool Live() const { return Out != nullptr; }

    void UpdateTransform()
    {
        const double wx = WinExt.width() ? WinExt.width() : 1;
        const double wy = WinExt.height() ? WinExt.height() : 1;
        double sx, sy, dx, dy;
        if (Mode == MM_ANISOTROPIC) {
            // Products of integers first, so that a mapping that undoes the
            // device scale gives exactly 1.
            sx = double(int64_t(VpExt.width()) * NumX) / (wx * double(DenX));
            sy = double(int64_t(VpExt.height()) * NumY) / (wy * double(DenY));
            dx = (VpOrg.x() - WinOrg.x() * (VpExt.width() / wx)) * double(NumX) / double(DenX);
            dy = (VpOrg.y() - WinOrg.y() * (VpExt.height() / wy)) * double(NumY) / double(DenY);
        } else {
            sx = double(NumX) / double(DenX);
            sy = double(NumY) / double(DenY);
            dx = (VpOrg.x() - WinOrg.x()) * sx;
            dy = (VpOrg.y() - WinOrg.y()) * sy;
        }
        L = QTransform(sx, 0, 0, sy, dx, dy);
        TransformDirty = true;
    }

    void SyncTransform()
    {
        if (!TransformDirty)
            return;
        TransformDirty = false;
        Out->SetTransform(L);
    }

    void SyncPen()
    {
        if (!PenDirty)
            return;
        PenDirty = false;
        Out->SetPen(ToQPen(Pen));
    }

    void SyncBrush()
    {
        if (!BrushDirty)
            return;
        BrushDirty = false;
        Out->SetBrush(ToQBrush(Brush));
    }

    // The painter's background mode: the canvas's for shapes (gaps of dashed
    // pens and hatches), always transparent for text, whose opaque background
    // the canvas fills itself.
    void SyncBk(bool ForText = false)
    {
        const Qt::BGMode mode = !ForText && Bk == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode;
        const QColor c = ColorToQColor(BkColor);
        const auto state = std::make_pair(int(mode), c.rgba());
        if (EmittedBk == state)
            return;
        EmittedBk = state;
        Out->SetBackground(mode, c);
    }

    void SyncShapeState()
    {
        SyncTransform();
        SyncPen();
        SyncBrush();
        SyncBk();
    }

    void Fill(const QRectF& r, const QBrush& b)
    {
        SyncTransform();
        Out->FillRect(r, b);
    }

    // One text with its cell's top-left corner at (x, y), logical.
    void Run(double x, double y, plmeta::TTextRun&& run, double angle)
    {
        SyncTransform();
        SyncBk(true);
        Out->DrawText(*Entry, ColorToQColor(Font.Color), std::move(run), QPointF(x, y), angle);
    }

    void Background(double x, double y, double w, double h)
    {
        if (Bk == OPAQUE && w > 0)
            Fill(QRectF(x, y, w, h), QBrush(ColorToQColor(BkColor)));
    }

    // Text at a point, one recorded text for the whole string: with dx each
    // character at the given advances, otherwise at its own. Vertical faces
    // turned to run downwards stack their characters upright in a column
    // left of the reference point, each advancing by its advance. Where the
    // face has vertical forms they draw the characters, placed by the face's
    // vertical metrics with the glyph's vertical advance centred on the
    // character's own (a half-width letter sits in the middle of its half
    // of an em); otherwise each character is set as in a line, centred
    // across the column.
    void TextAt(double x, double y, const QString& s, const int* dx)
    {
        const TFontEntry& fe = *Entry;
        const double cell = fe.Ascent + fe.Descent;
        const bool down = fe.Vertical && (Font.Escapement == 2700 || Font.Escapement == -900);
        const double angle = down ? 0 : Font.Escapement / 10.0;
        std::vector<QPointF> at(std::size_t(s.size()));
        std::vector<quint32> glyphs;
        if (down)
            glyphs.resize(std::size_t(s.size()));
        double along = 0;
        for (qsizetype i = 0; i < s.size(); ++i) {
            const bool pair = s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate();
            const qsizetype n = pair ? 2 : 1;
            const double own = fe.Width(s.constData() + i, n);
            double adv = own;
            if (dx) {
                adv = dx[i];
                if (n == 2)
                    adv += dx[i + 1];
            }
            if (!down) {
                at[std::size_t(i)] = QPointF(along, 0);
            } else {
                const char32_t c = pair ? QChar::surrogateToUcs4(s[i], s[i + 1]) : s[i].unicode();
                const TFontEntry::TVerticalGlyph v = fe.VerticalGlyph(c);
                // Positions run from the first baseline, an ascent below y.
                if (v.Index != 0) {
                    glyphs[std::size_t(i)] = v.Index;
                    const double top = along + (own - v.Advance) / 2;
                    at[std::size_t(i)] = QPointF(-cell / 2 + v.Offset.x() * fe.XScale, top + v.Offset.y() - fe.Ascent);
                } else {
                    at[std::size_t(i)] = QPointF(-cell / 2 - own / 2, along);
                }
            }
            along += adv;
            i += n - 1;
        }
        if (!down && angle == 0)
            Background(x, y, along, cell);
        Run(x, y, fe.Layout(s, at, down ? &glyphs : nullptr), angle);
    }

    void SetClipFrame(const std::optional<QRectF>& r)
    {
        Clip = r;
        Out->SetClip(r);
    }
};

TCanvas::TCanvas(QPainter* Painter) : d(std::make_unique<Private>())
{
    if (Painter) {
        d->Out = MakePaintingBackend(*Painter);
        if (QPaintDevice* dev = Painter->device()) {
            d->DpiX = dev->logicalDpiX();
            d->DpiY = dev->logicalDpiY();
            d->DevW = dev->width();
            d->DevH = dev->height();
        }
    }
    d->Entry = RealiseFont(d->Font);
    d->UpdateTransform();
}

TCanvas::TCanvas(TMetafile& Target, int DpiX, int DpiY) : d(std::make_unique<Private>())
{
    d->Out = MakeRecordingBackend(Target.FData);
    d->Records = true;
    d->DpiX = DpiX > 0 ? DpiX : 96;
    d->DpiY = DpiY > 0 ? DpiY : 96;
    Target.FDpiX = d->DpiX;
    Target.FDpiY = d->DpiY;
    d->DevW = Target.DeviceWidth();
    d->DevH = Target.DeviceHeight();
    if (d->DevW > 0 && Target.Width() > 0) {
        d->NumX = Target.Width();
        d->DenX = d->DevW;
    }
    if (d->DevH > 0 && Target.Height() > 0) {
        d->NumY = Target.Height();
        d->DenY = d->DevH;
    }
    d->Entry = RealiseFont(d->Font);
    d->UpdateTransform();
}

TCanvas::~TCanvas()
{
    Close();
}

void TCanvas::Close()
{
    if (d->Out && d->Out->Close()) {
        d->Out.reset();
        d->Closed = true;
    }
}

bool TCanvas::Recording() const
{
    return d->Records && !d->Closed;
}
bool TCanvas::Closed() const
{
    return d->Closed;
}
int TCanvas::DpiX() const
{
    return d->DpiX;
}
int TCanvas::DpiY() const
{
    return d->DpiY;
}
int TCanvas::DeviceWidth() const
{
    return d->DevW;
}
int TCanvas::DeviceHeight() const
{
    return d->DevH;
}

// --- Mapping -----------------------------------------------------------------

int TCanvas::MapMode() const
{
    return d->Mode;
}

void TCanvas::SetMapMode(int Mode)
{
    d->Mode = Mode == MM_ANISOTROPIC ? MM_ANISOTROPIC : MM_TEXT;
    d->UpdateTransform();
}

void TCanvas::SetWindowExt(int Cx, int Cy)
{
    d->WinExt = QSize(Cx, Cy);
    d->UpdateTransform();
}

void TCanvas::SetViewportExt(int Cx, int Cy)
{
    d->VpExt = QSize(Cx, Cy);
    d->UpdateTransform();
}

void TCanvas::SetWindowOrg(int X, int Y)
{
    d->WinOrg = QPoint(X, Y);
    d->UpdateTransform();
}

void TCanvas::SetViewportOrg(int X, int Y)
{
    d->VpOrg = QPoint(X, Y);
    d->UpdateTransform();
}

QSize TCanvas::WindowExt() const
{
    return d->WinExt;
}
QSize TCanvas::ViewportExt() const
{
    return d->VpExt;
}
QPoint TCanvas::WindowOrg() const
{
    return d->WinOrg;
}
QPoint TCanvas::ViewportOrg() const
{
    return d->VpOrg;
}

QPointF TCanvas::LogicalToDevice(const QPointF& p) const
{
    const QPointF f = d->L.map(p);
    return QPointF(f.x() * double(d->DenX) / double(d->NumX), f.y() * double(d->DenY) / double(d->NumY));
}

// --- Clipping -------------------------------------------------------------------

void TCanvas::SetClipRect(const TRect& R)
{
    if (!d->Live())
        return;
    d->SetClipFrame(d->L.mapRect(Box(R.Left, R.Top, R.Right, R.Bottom).normalized()));
}

void TCanvas::ClearClip()
{
    if (!d->Live())
        return;
    d->SetClipFrame(std::nullopt);
}

bool TCanvas::HasClip() const
{
    return d->Clip.has_value();
}

// --- State -----------------------------------------------------------------------

const TFont& TCanvas::Font() const
{
    return d->Font;
}

void TCanvas::SetFont(const TFont& F)
{
    if (!SameMetrics(F, d->Font) || !d->Entry)
        d->Entry = RealiseFont(F);
    d->Font = F;
}

const TPen& TCanvas::Pen() const
{
    return d->Pen;
}

void TCanvas::SetPen(const TPen& P)
{
    if (P == d->Pen)
        return;
    d->Pen = P;
    d->PenDirty = true;
}

const TBrush& TCanvas::Brush() const
{
    return d->Brush;
}

void TCanvas::SetBrush(const TBrush& B)
{
    d->Brush = B;
    d->BrushDirty = true;
    d->Bk = B.Style == bsSolid ? OPAQUE : TRANSPARENT;
    d->BkColor = B.Color;
}

void TCanvas::SetBrushColor(TColor C)
{
    TBrush b = d->Brush;
    b.Color = C;
    if (b.Style == bsClear)
        b.Style = bsSolid;
    SetBrush(b);
}

void TCanvas::SetBrushStyle(TBrushStyle S)
{
    TBrush b = d->Brush;
    b.Style = S;
    if (S == bsClear)
        b.Color = clWhite;
    SetBrush(b);
}

int TCanvas::BkMode() const
{
    return d->Bk;
}

void TCanvas::SetBkMode(int Mode)
{
    d->Bk = Mode == TRANSPARENT ? TRANSPARENT : OPAQUE;
}

TColor TCanvas::BkColor() const
{
    return d->BkColor;
}

void TCanvas::SetBkColor(TColor C)
{
    d->BkColor = C;
}

int TCanvas::CopyMode() const
{
    return d->CopyMode;
}
void TCanvas::SetCopyMode(int Mode)
{
    d->CopyMode = Mode;
}
int TCanvas::TextFlags() const
{
    return d->TextFlags;
}
void TCanvas::SetTextFlags(int Flags)
{
    d->TextFlags = Flags;
}
QPoint TCanvas::PenPos() const
{
    return d->PenPos;
}
void TCanvas::MoveTo(int X, int Y)
{
    d->PenPos = QPoint(X, Y);
}

// --- Text measurement --------------------------------------------------------------

TTextMetric TCanvas::TextMetrics() const
{
    const TFontEntry& fe = *d->Entry;
    TTextMetric tm;
    tm.Height = int(std::lround(fe.Ascent + fe.Descent));
    tm.Ascent = int(std::lround(fe.Ascent));
    tm.Descent = tm.Height - tm.Ascent;
    tm.InternalLeading = std::max(0, tm.Height - int(std::lround(fe.Em)));
    tm.AveCharWidth = int(std::lround(fe.AveCharWidth));
    tm.MaxCharWidth = int(std::lround(fe.MaxCharWidth));
    return tm;
}

int TCanvas::CharWidth(char16_t C) const
{
    return int(std::lround(d->Entry->Advance(C)));
}

double TCanvas::TextWidthF(const QString& Text) const
{
    return d->Entry->Width(Text);
}

QSize TCanvas::TextExtent(const QString& Text) const
{
    const TFontEntry& fe = *d->Entry;
    return QSize(int(std::lround(fe.Width(Text))), int(std::lround(fe.Ascent + fe.Descent)));
}

int TCanvas::TextWidth(const QString& Text) const
{
    return TextExtent(Text).width();
}
int TCanvas::TextHeight(const QString& Text) const
{
    return TextExtent(Text).height();
}

std::vector<TKerningPair> TCanvas::KerningPairs() const
{
    return d->Entry->KerningPairs();
}

// --- Text output --------------------------------------------------------------------

void TCanvas::ExtTextOut(int X, int Y, const QString& Text, const int* Dx)
{
    if (!d->Live() || Text.isEmpty())
        return;
    d->TextAt(X, Y, Text, Dx);
}

void TCanvas::TextOut(int X, int Y, const QString& Text)
{
    ExtTextOut(X, Y, Text);
    d->PenPos = QPoint(X + TextWidth(Text), Y);
}

int TCanvas::DrawText(const QString& Text, const TRect& Box, unsigned Format)
{
    const TFontEntry& fe = *d->Entry;
    const double cell = fe.Ascent + fe.Descent;
    const int height = int(std::lround(cell));
    if (!d->Live() || (Format & DT_CALCRECT))
        return height;

    // Prefix characters: "&x" underlines x, "&&" is one "&".
    QString s = Text;
    std::vector<qsizetype> underlined;
    if (!(Format & DT_NOPREFIX) && Text.contains(u'&')) {
        s.clear();
        s.reserve(Text.size());
        for (qsizetype i = 0; i < Text.size(); ++i) {
            if (Text[i] != u'&') {
                s += Text[i];
            } else if (i + 1 < Text.size()) {
                if (Text[i + 1] != u'&')
                    underlined.push_back(s.size());
                s += Text[++i];
            }
        }
    }

    const double w = fe.Width(s);
    double x = Box.Left;
    if (Format & DT_RIGHT)
        x = Box.Right - w;
    else if (Format & DT_CENTER)
        x = (Box.Left + Box.Right - w) / 2;
    double y = Box.Top;
    if (Format & DT_BOTTOM)
        y = Box.Bottom - cell;
    else if (Format & DT_VCENTER)
        y = (Box.Top + Box.Bottom - cell) / 2;

    // Clip only when ink would reach beyond the box: a clip that cuts nothing
    // costs every device a clip change, and a PDF two of them per text.
    const QRectF box = QRectF(QPointF(Box.Left, Box.Top), QPointF(Box.Right, Box.Bottom)).normalized();
    bool clip = !(Format & DT_NOCLIP);
    if (clip) {
        QRectF reach(x, y, w, cell);
        const bool lines = !underlined.empty() || d->Bk == OPAQUE || d->Font.Style.Contains(fsUnderline)
            || d->Font.Style.Contains(fsStrikeOut);
        if (!lines)
            reach = fe.InkBounds(s).translated(x, y);
        clip = !reach.isEmpty() && !box.contains(reach);
    }
    const std::optional<QRectF> saved = d->Clip;
    if (clip) {
        QRectF r = d->L.mapRect(box);
        if (saved)
            r = r.intersected(*saved);
        d->SetClipFrame(r);
    }

    if (d->Bk == OPAQUE)
        d->Background(x, y, w, cell);
    if (!s.isEmpty())
        d->Run(x, y, fe.Layout(s), 0);
    if (!underlined.empty()) {
        const QBrush brush(ColorToQColor(d->Font.Color));
        const double lw = fe.LineWidth;
        const double uy = y + fe.Ascent + fe.UnderlinePos - lw / 2;
        for (qsizetype i : underlined) {
            const double ux = x + fe.Width(s.constData(), i);
            d->Fill(QRectF(ux, uy, fe.Advance(s[i].unicode()), lw), brush);
        }
    }

    if (clip)
        d->SetClipFrame(saved);
    return height;
}

// --- Shapes ---------------------------------------------------------------------------

void TCanvas::LineTo(int X, int Y)
{
    if (d->Live() && d->Pen.Style != psClear) {
        d->SyncShapeState();
        d->Out->DrawLine(d->PenPos, QPointF(X, Y));
    }
    d->PenPos = QPoint(X, Y);
}

void TCanvas::Polyline(const QPolygon& Points)
{
    if (!d->Live() || Points.size() < 2 || d->Pen.Style == psClear)
        return;
    d->SyncShapeState();
    d->Out->DrawPolyline(QPolygonF(Points));
}

namespace {

// A shape's box with the pen kept inside it for the inside-frame style.
QRectF ShapeBox(const TPen& pen, int l, int t, int r, int b)
{
    QRectF box = Box(l, t, r, b).normalized();
    if (pen.Style == psInsideFrame && pen.Width > 1) {
        const double h = pen.Width / 2.0;
        box.adjust(h, h, -h, -h);
    }
    return box;
}

} // namespace

void TCanvas::Rectangle(int Left, int Top, int Right, int Bottom)
{
    if (!d->Live())
        return;
    d->SyncShapeState();
    d->Out->DrawRect(ShapeBox(d->Pen, Left, Top, Right, Bottom));
}

void TCanvas::Ellipse(int Left, int Top, int Right, int Bottom)
{
    if (!d->Live())
        return;
    d->SyncShapeState();
    d->Out->DrawEllipse(ShapeBox(d->Pen, Left, Top, Right, Bottom));
}

void TCanvas::FillRect(const TRect& R)
{
    if (!d->Live() || d->Brush.Style == bsClear || R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    d->SyncBk();
    d->Fill(Box(R.Left, R.Top, R.Right, R.Bottom), ToQBrush(d->Brush));
}

void TCanvas::FrameRect(const TRect& R)
{
    if (!d->Live() || d->Brush.Style == bsClear || R.Right <= R.Left || R.Bottom <= R.Top)
        return;
    d->SyncBk();
    const QBrush b = ToQBrush(d->Brush);
    const double l = R.Left, t = R.Top, r = R.Right, bt = R.Bottom;
    d->Fill(Box(l, t, r, t + 1), b);
    d->Fill(Box(l, bt - 1, r, bt), b);
    d->Fill(Box(l, t + 1, l + 1, bt - 1), b);
    d->Fill(Box(r - 1, t + 1, r, bt - 1), b);
}

void TCanvas::StretchDraw(const TRect& R, const QImage& Image, bool Lossy)
{
    if (!d->Live() || Image.isNull())
        return;
    d->SyncTransform();
    d->Out->DrawImage(Box(R.Left, R.Top, R.Right, R.Bottom).normalized(), Image, Lossy);
}

void TCanvas::DrawMetafile(const TRect& R, const TMetafile& Picture)
{
    if (!d->Live() || !Picture.FData || Picture.Width() <= 0 || Picture.Height() <= 0)
        return;
    d->SyncTransform();
    const QTransform frame(double(R.Right - R.Left) / Picture.Width(), 0, 0,
                           double(R.Bottom - R.Top) / Picture.Height(), R.Left, R.Top);
    d->Out->DrawPicture(plmeta::TNested{Picture.FData, frame * d->L});
}

void TCanvas::DrawVector(const TRect& R, const QPicture& Picture)
{
    const QRectF frame = Picture.boundingRect();
    if (!d->Live() || frame.isEmpty())
        return;
    d->SyncTransform();
    d->Out->DrawVector(Box(R.Left, R.Top, R.Right, R.Bottom), Picture);
}
