#include "plMetafile.h"

#include <QPainter>

#include <cmath>

namespace plmeta {

std::size_t TMetaData::ByteSize() const
{
    std::size_t n = sizeof(*this);
    n += Ops.capacity() * sizeof(TOp);
    n += Transforms.capacity() * sizeof(QTransform);
    n += Pens.capacity() * sizeof(QPen) + Brushes.capacity() * sizeof(QBrush);
    n += Fonts.capacity() * sizeof(TTextFont);
    n += Texts.capacity() * sizeof(QString);
    for (const QString& s : Texts)
        n += 32 + std::size_t(s.capacity()) * sizeof(QChar); // header and characters
    n += Polygons.capacity() * sizeof(QPolygonF);
    for (const QPolygonF& p : Polygons)
        n += std::size_t(p.capacity()) * sizeof(QPointF);
    n += Images.capacity() * sizeof(QImage);
    for (const QImage& i : Images)
        n += std::size_t(i.sizeInBytes());
    n += Pictures.capacity() * sizeof(TNested);
    return n;
}

namespace {

// Replay state of one picture level.
class TPlayer {
public:
    TPlayer(QPainter& p, const TMetaData& d, const QTransform& base, const std::optional<QRectF>& outer)
        : P(p), D(d), Base(base), Outer(outer), Cur(base)
    {
    }

    void Run()
    {
        P.setWorldTransform(Cur);
        ApplyClip(Outer);
        for (const TOp& op : D.Ops)
            Exec(op);
    }

private:
    QPainter& P;
    const TMetaData& D;
    const QTransform Base;
    const std::optional<QRectF> Outer;
    QTransform Cur;
    std::optional<QRectF> Clip; // in identity-world coordinates
    QPen LinePen;
    bool PenIsLinePen = true;
    const TTextFont* TextFont = nullptr;

    static QRectF Box(const TOp& op) { return QRectF(QPointF(op.X1, op.Y1), QPointF(op.X2, op.Y2)); }

    void ApplyClip(const std::optional<QRectF>& r)
    {
        Clip = r;
        if (!r) {
            P.setClipping(false);
            return;
        }
        P.setWorldTransform(QTransform());
        P.setClipRect(*r, Qt::ReplaceClip);
        P.setWorldTransform(Cur);
    }

    void UseLinePen()
    {
        if (!PenIsLinePen) {
            P.setPen(LinePen);
            PenIsLinePen = true;
        }
    }

    void Exec(const TOp& op)
    {
        switch (op.Kind) {
        case TOpKind::Transform:
            Cur = D.Transforms[op.Index] * Base;
            P.setWorldTransform(Cur);
            break;
        case TOpKind::Clip: {
            QRectF r = Base.mapRect(Box(op).normalized());
            if (Outer)
                r = r.intersected(*Outer);
            ApplyClip(r);
            break;
        }
        case TOpKind::NoClip:
            ApplyClip(Outer);
            break;
        case TOpKind::Pen:
            LinePen = D.Pens[op.Index];
            P.setPen(LinePen);
            PenIsLinePen = true;
            break;
        case TOpKind::Brush:
            P.setBrush(D.Brushes[op.Index]);
            break;
        case TOpKind::Background:
            P.setBackgroundMode(Qt::BGMode(op.Flags));
            P.setBackground(QColor::fromRgb(QRgb(uint32_t(op.Index))));
            break;
        case TOpKind::Font:
            TextFont = &D.Fonts[op.Index];
            P.setFont(TextFont->Font);
            break;
        case TOpKind::Line:
            UseLinePen();
            P.drawLine(QPointF(op.X1, op.Y1), QPointF(op.X2, op.Y2));
            break;
        case TOpKind::Polyline:
            UseLinePen();
            P.drawPolyline(D.Polygons[op.Index]);
            break;
        case TOpKind::Rect:
            UseLinePen();
            P.drawRect(Box(op));
            break;
        case TOpKind::Fill:
            P.fillRect(Box(op), D.Brushes[op.Index]);
            break;
        case TOpKind::Ellipse:
            UseLinePen();
            P.drawEllipse(Box(op));
            break;
        case TOpKind::Text:
            DrawText(op);
            break;
        case TOpKind::Image:
            P.drawImage(Box(op), D.Images[op.Index]);
            break;
        case TOpKind::Picture: {
            const TNested& n = D.Pictures[op.Index];
            if (!n.Data)
                break;
            P.save();
            TPlayer inner(P, *n.Data, n.Transform * Cur, Clip);
            inner.Run();
            P.restore();
            break;
        }
        }
    }

    void DrawText(const TOp& op)
    {
        if (!TextFont)
            return;
        const QString& text = D.Texts[op.Index];
        if (PenIsLinePen || P.pen().color() != TextFont->Color) {
            P.setPen(QPen(TextFont->Color));
            PenIsLinePen = false;
        }
        if (op.X2 == 0 && TextFont->XScale == 1) {
            P.drawText(QPointF(op.X1, op.Y1 + TextFont->Ascent), text);
            return;
        }
        QTransform t = QTransform::fromTranslate(op.X1, op.Y1);
        t.rotate(-op.X2);
        t.scale(TextFont->XScale, 1);
        P.setWorldTransform(t * Cur);
        P.drawText(QPointF(0, TextFont->Ascent), text);
        P.setWorldTransform(Cur);
    }
};

} // namespace

void Play(QPainter& Painter, const TMetaData& Data, const QTransform& Base, const std::optional<QRectF>& OuterClip)
{
    TPlayer(Painter, Data, Base, OuterClip).Run();
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
