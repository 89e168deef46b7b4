#include "plMetafile.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace plmeta {

std::size_t TMetaData::ByteSize() const
{
    std::size_t n = sizeof(*this);
    n += Ops.capacity() * sizeof(TOp);
    n += Transforms.capacity() * sizeof(QTransform);
    n += Pens.capacity() * sizeof(QPen) + Brushes.capacity() * sizeof(QBrush);
    n += Fonts.capacity() * sizeof(TTextFont);
    n += Texts.size() * sizeof(TTextRun);
    for (const TTextRun& r : Texts) {
        n += 32 + std::size_t(r.Text.capacity()) * sizeof(QChar); // header and characters
        n += r.Glyphs.capacity() * sizeof(TPlacedGlyph);
        if (r.Faces.capacity() > 1)
            n += std::size_t(r.Faces.capacity()) * sizeof(QRawFont);
        if (r.Pieces.capacity() > 1)
            n += std::size_t(r.Pieces.capacity()) * sizeof(TTextPiece);
    }
    n += Polygons.capacity() * sizeof(QPolygonF);
    for (const QPolygonF& p : Polygons)
        n += std::size_t(p.capacity()) * sizeof(QPointF);
    n += Images.capacity() * sizeof(QImage);
    for (const QImage& i : Images)
        n += std::size_t(i.sizeInBytes());
    n += Pictures.capacity() * sizeof(TNested);
    n += Vectors.capacity() * sizeof(QPicture);
    for (const QPicture& v : Vectors)
        n += v.size();
    return n;
}

namespace {

// Devices that keep what they are given rather than rasterising it take
// text; every other device takes glyphs.
bool TakesGlyphs(const QPainter& p)
{
    const QPaintEngine* e = p.paintEngine();
    if (!e)
        return false;
    const QPaintEngine::Type t = e->type();
    return t != QPaintEngine::Picture && t != QPaintEngine::SVG && t < QPaintEngine::User;
}

// The glyphs of Run in its face Face (hidden ones or the others), placed
// from Base.
QGlyphRun ToGlyphRun(const TTextRun& Run, int Face, bool Hidden, const QFont& f, const QPointF& Base)
{
    QList<quint32> glyphs;
    QList<QPointF> at;
    glyphs.reserve(qsizetype(Run.Glyphs.size()));
    at.reserve(qsizetype(Run.Glyphs.size()));
    for (const TPlacedGlyph& g : Run.Glyphs) {
        if (g.Face == Face && g.Hidden == Hidden) {
            glyphs.push_back(g.Index);
            at.push_back(g.At + Base);
        }
    }
    QGlyphRun run;
    run.setRawFont(Run.Faces[Face]);
    run.setGlyphIndexes(glyphs);
    run.setPositions(at);
    run.setUnderline(f.underline());
    run.setStrikeOut(f.strikeOut());
    run.setOverline(f.overline());
    return run;
}

bool HasHidden(const TTextRun& Run)
{
    return std::any_of(Run.Glyphs.begin(), Run.Glyphs.end(), [](const TPlacedGlyph& g) { return g.Hidden; });
}

} // namespace

void DrawTextRun(QPainter& P, const TTextFont& F, const TTextRun& R, const QPointF& Cell, double Angle)
{
    const bool moved = Angle != 0 || F.XScale != 1;
    const QTransform world = P.worldTransform();
    QPointF base = Cell + QPointF(0, F.Ascent);
    if (moved) {
        QTransform t = QTransform::fromTranslate(Cell.x(), Cell.y());
        t.rotate(-Angle);
        t.scale(F.XScale, 1);
        P.setWorldTransform(t * world);
        base = QPointF(0, F.Ascent);
    }
    if (TakesGlyphs(P)) {
        auto draw = [&](bool hidden) {
            for (int face = 0; face < R.Faces.size(); ++face) {
                const QGlyphRun run = ToGlyphRun(R, face, hidden, F.Font, base);
                if (!run.glyphIndexes().isEmpty())
                    P.drawGlyphRun(QPointF(), run);
            }
        };
        draw(false);
        if (P.paintEngine()->type() == QPaintEngine::Pdf && HasHidden(R)) {
            const QPen pen = P.pen();
            P.setPen(QColor(0, 0, 0, 0));
            draw(true);
            P.setPen(pen);
        }
    } else {
        P.setFont(F.Font);
        for (const TTextPiece& piece : R.Pieces)
            P.drawText(base + piece.Origin, R.Text.mid(piece.From, piece.Length));
    }
    if (moved)
        P.setWorldTransform(world);
}

static std::atomic<bool> GatherTextRuns{true};

void SetGatherTextRuns(bool On)
{
    GatherTextRuns.store(On, std::memory_order_relaxed);
}

void Visit(const TMetaData& D, TOpVisitor& V)
{
    const auto box = [](const TOp& op) { return QRectF(QPointF(op.X1, op.Y1), QPointF(op.X2, op.Y2)); };
    for (const TOp& op : D.Ops) {
        switch (op.Kind) {
        case TOpKind::Transform: V.SetTransform(D.Transforms[op.Index]); break;
        case TOpKind::Clip: V.SetClip(box(op)); break;
        case TOpKind::NoClip: V.ClearClip(); break;
        case TOpKind::Pen: V.SetPen(D.Pens[op.Index]); break;
        case TOpKind::Brush: V.SetBrush(D.Brushes[op.Index]); break;
        case TOpKind::Background:
            V.SetBackground(Qt::BGMode(op.Flags), QColor::fromRgb(QRgb(uint32_t(op.Index))));
            break;
        case TOpKind::Font: V.SetFont(D.Fonts[op.Index]); break;
        case TOpKind::Line: V.DrawLine(QPointF(op.X1, op.Y1), QPointF(op.X2, op.Y2)); break;
        case TOpKind::Polyline: V.DrawPolyline(D.Polygons[op.Index]); break;
        case TOpKind::Rect: V.DrawRect(box(op)); break;
        case TOpKind::Fill: V.FillRect(box(op), D.Brushes[op.Index]); break;
        case TOpKind::Ellipse: V.DrawEllipse(box(op)); break;
        case TOpKind::Text: V.DrawText(D.Texts[op.Index], QPointF(op.X1, op.Y1), op.X2); break;
        case TOpKind::Image: V.DrawImage(box(op), D.Images[op.Index], op.Flags & ImageLossy); break;
        case TOpKind::Picture: V.DrawPicture(D.Pictures[op.Index]); break;
        case TOpKind::Vector: V.DrawVector(box(op), D.Vectors[op.Index]); break;
        }
    }
}

namespace {

// Replay state of one picture level: the visitor that paints a recording.
class TPlayer final : public TOpVisitor {
public:
    TPlayer(QPainter& p, const QTransform& base, const std::optional<QRectF>& outer)
        : P(p), Base(base), Outer(outer), Cur(base)
    {
    }

    void Run(const TMetaData& d)
    {
        P.setWorldTransform(Cur);
        ApplyClip(Outer);
        Visit(d, *this);
        FlushRuns();
    }

private:
    QPainter& P;
    const QTransform Base;
    const std::optional<QRectF> Outer;
    QTransform Cur;
    std::optional<QRectF> CurClip; // in identity-world coordinates
    QPen LinePen;
    bool PenIsLinePen = true;
    // Text needs no brush; a PDF writer restates a set brush after every
    // text item, so text is drawn with none and shapes get theirs back.
    QBrush ShapeBrush;
    bool BrushIsShapeBrush = true;
    const TTextFont* TextFont = nullptr;

    // On a PDF, upright texts in one colour are gathered into one glyph run
    // per face until something else is drawn: the writer then sets up text
    // once, not once per number (it restates its whole text state for each
    // item, which made a page of sums twice as large). Other devices draw
    // each text as it comes. Every operation but a text or a font ends the
    // gathering first.
    struct TRun {
        QRawFont Raw;
        QList<quint32> Glyphs;
        QList<QPointF> Positions;
    };
    const bool GatherRuns = GatherTextRuns.load(std::memory_order_relaxed) && P.paintEngine()
        && P.paintEngine()->type() == QPaintEngine::Pdf;
    std::vector<TRun> Runs;
    QColor RunColor;

    bool Gather(const TTextRun& text, const QPointF& cell, double angle)
    {
        const QFont& f = TextFont->Font;
        if (!GatherRuns || angle != 0 || TextFont->XScale != 1 || P.backgroundMode() != Qt::TransparentMode
            || f.underline() || f.strikeOut() || f.overline())
            return false;
        if (HasHidden(text))
            return false;
        RunColor = TextFont->Color;
        const QPointF base(cell.x(), cell.y() + TextFont->Ascent);
        QVarLengthArray<std::size_t, 4> runOfFace;
        for (const QRawFont& raw : text.Faces) {
            auto it = std::find_if(Runs.begin(), Runs.end(), [&](const TRun& r) { return r.Raw == raw; });
            if (it == Runs.end()) {
                Runs.push_back(TRun{raw, {}, {}});
                it = Runs.end() - 1;
            }
            runOfFace.append(std::size_t(it - Runs.begin()));
        }
        for (const TPlacedGlyph& g : text.Glyphs) {
            TRun& run = Runs[runOfFace[g.Face]];
            run.Glyphs.push_back(g.Index);
            run.Positions.push_back(g.At + base);
        }
        return true;
    }

    void FlushRuns()
    {
        for (const TRun& r : Runs) {
            QGlyphRun run;
            run.setRawFont(r.Raw);
            run.setGlyphIndexes(r.Glyphs);
            run.setPositions(r.Positions);
            P.drawGlyphRun(QPointF(), run);
        }
        Runs.clear();
    }

    void ApplyClip(const std::optional<QRectF>& r)
    {
        CurClip = r;
        if (!r) {
            P.setClipping(false);
            return;
        }
        P.setWorldTransform(QTransform());
        P.setClipRect(*r, Qt::ReplaceClip);
        P.setWorldTransform(Cur);
    }

    // Before a line: gathered texts drawn, the line pen back on the painter.
    void BeginLine()
    {
        FlushRuns();
        if (!PenIsLinePen) {
            P.setPen(LinePen);
            PenIsLinePen = true;
        }
    }

    // Before an outlined, filled shape: the shape brush back too.
    void BeginShape()
    {
        BeginLine();
        if (!BrushIsShapeBrush) {
            P.setBrush(ShapeBrush);
            BrushIsShapeBrush = true;
        }
    }

    void SetTransform(const QTransform& t) override
    {
        FlushRuns();
        Cur = t * Base;
        P.setWorldTransform(Cur);
    }

    void SetClip(const QRectF& frame) override
    {
        FlushRuns();
        QRectF r = Base.mapRect(frame.normalized());
        if (Outer)
            r = r.intersected(*Outer);
        ApplyClip(r);
    }

    void ClearClip() override
    {
        FlushRuns();
        ApplyClip(Outer);
    }

    void SetPen(const QPen& pen) override
    {
        FlushRuns();
        LinePen = pen;
        P.setPen(LinePen);
        PenIsLinePen = true;
    }

    void SetBrush(const QBrush& brush) override
    {
        FlushRuns();
        ShapeBrush = brush;
        P.setBrush(ShapeBrush);
        BrushIsShapeBrush = true;
    }

    void SetBackground(Qt::BGMode mode, const QColor& color) override
    {
        FlushRuns();
        P.setBackgroundMode(mode);
        P.setBackground(color);
    }

    void SetFont(const TTextFont& font) override
    {
        TextFont = &font; // set on the painter only where text is drawn as text
    }

    void DrawLine(const QPointF& from, const QPointF& to) override
    {
        BeginLine();
        P.drawLine(from, to);
    }

    void DrawPolyline(const QPolygonF& points) override
    {
        BeginLine();
        P.drawPolyline(points);
    }

    void DrawRect(const QRectF& box) override
    {
        BeginShape();
        P.drawRect(box);
    }

    void FillRect(const QRectF& box, const QBrush& brush) override
    {
        FlushRuns();
        P.fillRect(box, brush);
    }

    void DrawEllipse(const QRectF& box) override
    {
        BeginShape();
        P.drawEllipse(box);
    }

    void DrawText(const TTextRun& text, const QPointF& cell, double angle) override
    {
        if (!TextFont)
            return;
        if (!Runs.empty() && RunColor != TextFont->Color)
            FlushRuns(); // with the pen of their own colour
        if (PenIsLinePen || P.pen().color() != TextFont->Color) {
            P.setPen(QPen(TextFont->Color));
            PenIsLinePen = false;
        }
        if (BrushIsShapeBrush && ShapeBrush.style() != Qt::NoBrush) {
            P.setBrush(Qt::NoBrush);
            BrushIsShapeBrush = false;
        }
        if (Gather(text, cell, angle))
            return;
        FlushRuns();
        DrawTextRun(P, *TextFont, text, cell, angle);
    }

    void DrawImage(const QRectF& box, const QImage& image, bool lossy) override
    {
        FlushRuns();
        plmeta::DrawImage(P, box, image, lossy);
    }

    void DrawPicture(const TNested& n) override
    {
        FlushRuns();
        if (!n.Data)
            return;
        P.save();
        TPlayer inner(P, n.Transform * Cur, CurClip);
        // The painter's pen and brush carry over into the picture.
        inner.LinePen = LinePen;
        inner.PenIsLinePen = PenIsLinePen;
        inner.ShapeBrush = ShapeBrush;
        inner.BrushIsShapeBrush = BrushIsShapeBrush;
        inner.Run(*n.Data);
        P.restore();
    }

    void DrawVector(const QRectF& box, const QPicture& v) override
    {
        FlushRuns();
        // The picture leaves its own pen and brush behind.
        if (DrawVectorPicture(P, box, v, Cur))
            PenIsLinePen = BrushIsShapeBrush = false;
    }
};

} // namespace

bool DrawVectorPicture(QPainter& P, const QRectF& Box, const QPicture& V, const QTransform& World)
{
    const QRectF frame = V.boundingRect();
    if (frame.isEmpty())
        return false;
    P.save();
    P.setWorldTransform(QTransform(Box.width() / frame.width(), 0, 0, Box.height() / frame.height(),
                                   Box.left() - frame.left() * Box.width() / frame.width(),
                                   Box.top() - frame.top() * Box.height() / frame.height())
                        * World);
    // Replay scales a picture from its resolution to the device's: undone.
    P.scale(double(V.logicalDpiX()) / P.device()->logicalDpiX(), double(V.logicalDpiY()) / P.device()->logicalDpiY());
    P.drawPicture(QPointF(0, 0), V);
    P.restore();
    return true;
}

void DrawImage(QPainter& Painter, const QRectF& Box, const QImage& Image, bool Lossy)
{
    // Without the hint Qt's PDF writer stores every image as a JPEG: larger
    // than the flate-compressed pixels for drawings, and never exact. The
    // hint stays as set, so a run of pictures of one kind changes the
    // painter's state once.
    if (Painter.testRenderHint(QPainter::LosslessImageRendering) == Lossy)
        Painter.setRenderHint(QPainter::LosslessImageRendering, !Lossy);
    Painter.drawImage(Box, Image);
}

void Play(QPainter& Painter, const TMetaData& Data, const QTransform& Base, const std::optional<QRectF>& OuterClip)
{
    TPlayer(Painter, Base, OuterClip).Run(Data);
}

} // namespace plmeta

void TMetafile::SetSize(int Width, int Height)
{
    FWidth = Width;
    FHeight = Height;
}

int TMetafile::DeviceWidth() const
{
    return int(std::lround(double(FWidth) * FDpiX / 254.0));
}

int TMetafile::DeviceHeight() const
{
    return int(std::lround(double(FHeight) * FDpiY / 254.0));
}

void TMetafile::Play(QPainter& Painter, const QRectF& Target) const
{
    if (!FData || FWidth <= 0 || FHeight <= 0)
        return;
    Painter.save();
    const QTransform world = Painter.worldTransform();
    std::optional<QRectF> outer;
    if (Painter.hasClipping())
        outer = world.mapRect(Painter.clipBoundingRect());
    const QTransform frame(Target.width() / FWidth, 0, 0, Target.height() / FHeight, Target.left(), Target.top());
    plmeta::Play(Painter, *FData, frame * world, outer);
    Painter.restore();
}
