#include "plLogDevice.h"

#include "plMetafile.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextItem>

#include <cmath>
#include <numbers>

class TLogEngine : public QPaintEngine {
public:
    explicit TLogEngine(TLogDevice* dev) : QPaintEngine(QPaintEngine::AllFeatures), Dev(dev) {}

    bool begin(QPaintDevice*) override
    {
        Clip.reset();
        ClipOn = false;
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& s) override
    {
        const auto flags = s.state();
        if (flags & DirtyTransform)
            T = s.transform();
        if (flags & DirtyPen)
            Pen = s.pen();
        if (flags & DirtyBrush)
            Brush = s.brush();
        if (flags & DirtyClipEnabled)
            ClipOn = s.isClipEnabled();
        if (flags & DirtyClipPath)
            SetClip(s.clipOperation(), s.clipPath().boundingRect());
        if (flags & DirtyClipRegion)
            SetClip(s.clipOperation(), QRectF(s.clipRegion().boundingRect()));
    }

    void drawLines(const QLineF* lines, int n) override
    {
        for (int i = 0; i < n; ++i) {
            TLogItem it = Base(TLogItem::ikLine);
            it.Points << T.map(lines[i].p1()) << T.map(lines[i].p2());
            Dev->Items.push_back(it);
        }
    }
    void drawRects(const QRectF* rects, int n) override
    {
        for (int i = 0; i < n; ++i) {
            TLogItem it = Base(TLogItem::ikRect);
            it.Box = T.mapRect(rects[i]);
            Dev->Items.push_back(it);
        }
    }
    void drawEllipse(const QRectF& r) override
    {
        TLogItem it = Base(TLogItem::ikEllipse);
        it.Box = T.mapRect(r);
        Dev->Items.push_back(it);
    }
    void drawPolygon(const QPointF* pts, int n, PolygonDrawMode mode) override
    {
        TLogItem it = Base(mode == PolylineMode ? TLogItem::ikPolyline : TLogItem::ikPolygon);
        for (int i = 0; i < n; ++i)
            it.Points << T.map(pts[i]);
        Dev->Items.push_back(it);
    }
    void drawPath(const QPainterPath& path) override
    {
        TLogItem it = Base(TLogItem::ikPath);
        it.Box = T.map(path).boundingRect();
        Dev->Items.push_back(it);
    }
    void drawPoints(const QPointF* pts, int n) override
    {
        for (int i = 0; i < n; ++i) {
            TLogItem it = Base(TLogItem::ikPoint);
            it.Points << T.map(pts[i]);
            Dev->Items.push_back(it);
        }
    }
    void drawTextItem(const QPointF& p, const QTextItem& ti) override
    {
        TLogItem it = Base(TLogItem::ikText);
        const double sx = std::hypot(T.m11(), T.m12());
        const double sy = std::hypot(T.m21(), T.m22());
        it.Text = ti.text();
        it.Font = ti.font();
        it.FontPixels = ti.font().pixelSize() * sy;
        it.Origin = T.map(p);
        it.Width = ti.width() * sx;
        it.Angle = -std::atan2(T.m12(), T.m11()) * 180.0 / std::numbers::pi;
        if (std::abs(it.Angle) < 1e-9)
            it.Angle = 0;
        it.XScale = sy > 0 ? sx / sy : 1;
        it.Box = T.mapRect(QRectF(p.x(), p.y() - ti.ascent(), ti.width(), ti.ascent() + ti.descent()));
        Dev->Items.push_back(it);
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override
    {
        TLogItem it = Base(TLogItem::ikImage);
        it.Box = T.mapRect(r);
        Dev->Items.push_back(it);
    }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override
    {
        TLogItem it = Base(TLogItem::ikImage);
        it.Box = T.mapRect(r);
        Dev->Items.push_back(it);
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap&, const QPointF&) override
    {
        TLogItem it = Base(TLogItem::ikImage);
        it.Box = T.mapRect(r);
        Dev->Items.push_back(it);
    }

private:
    TLogDevice* Dev;
    QTransform T;
    QPen Pen;
    QBrush Brush;
    std::optional<QRectF> Clip;
    bool ClipOn = false;

    void SetClip(Qt::ClipOperation op, const QRectF& r)
    {
        const QRectF dev = T.mapRect(r);
        ClipOn = op != Qt::NoClip;
        if (op == Qt::NoClip)
            Clip.reset();
        else if (op == Qt::IntersectClip && Clip)
            Clip = Clip->intersected(dev);
        else
            Clip = dev;
    }

    TLogItem Base(TLogItem::TKind kind) const
    {
        TLogItem it;
        it.Kind = kind;
        it.Pen = Pen;
        it.PenWidth = Pen.isCosmetic() ? Pen.widthF() == 0 ? 0 : Pen.widthF()
                                       : Pen.widthF() * std::sqrt(std::abs(T.determinant()));
        it.Brush = Brush;
        if (ClipOn && Clip)
            it.Clip = Clip;
        return it;
    }
};

TLogDevice::TLogDevice(int Width, int Height)
    : FWidth(Width), FHeight(Height), FEngine(std::make_unique<TLogEngine>(this))
{
}

TLogDevice::~TLogDevice() = default;

QPaintEngine* TLogDevice::paintEngine() const
{
    return FEngine.get();
}

int TLogDevice::metric(PaintDeviceMetric m) const
{
    switch (m) {
    case PdmWidth: return FWidth;
    case PdmHeight: return FHeight;
    case PdmWidthMM: return FWidth / 10;
    case PdmHeightMM: return FHeight / 10;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return 254;
    case PdmDepth: return 32;
    case PdmNumColors: return 0x7fffffff;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
    }
    return 0;
}

std::vector<TLogItem> LogPicture(const TMetafile& Picture)
{
    TLogDevice dev(std::max(1, Picture.Width()), std::max(1, Picture.Height()));
    {
        QPainter p(&dev);
        Picture.Play(p, QRectF(0, 0, Picture.Width(), Picture.Height()));
    }
    return dev.Items;
}

std::vector<TLogItem> Only(const std::vector<TLogItem>& Items, TLogItem::TKind Kind)
{
    std::vector<TLogItem> r;
    for (const TLogItem& it : Items)
        if (it.Kind == Kind)
            r.push_back(it);
    return r;
}

std::vector<TLogItem> Fills(const std::vector<TLogItem>& Items)
{
    std::vector<TLogItem> r;
    for (const TLogItem& it : Items)
        if (it.IsFill())
            r.push_back(it);
    return r;
}

std::vector<TLogItem> Texts(const std::vector<TLogItem>& Items)
{
    return Only(Items, TLogItem::ikText);
}

namespace {

class TOpLog final : public plmeta::TOpVisitor {
public:
    std::vector<TLogOp> Ops;

private:
    TLogOp& Add(plmeta::TOpKind Kind)
    {
        Ops.push_back(TLogOp{});
        Ops.back().Kind = Kind;
        return Ops.back();
    }
    TLogOp& AddBox(plmeta::TOpKind Kind, const QRectF& Box)
    {
        TLogOp& op = Add(Kind);
        op.Box = Box;
        return op;
    }

    void SetTransform(const QTransform& T) override { Add(plmeta::TOpKind::Transform).Transform = T; }
    void SetClip(const QRectF& R) override { AddBox(plmeta::TOpKind::Clip, R); }
    void ClearClip() override { Add(plmeta::TOpKind::NoClip); }
    void SetPen(const QPen& P) override
    {
        TLogOp& op = Add(plmeta::TOpKind::Pen);
        op.Color = P.color();
        op.Style = int(P.style());
    }
    void SetBrush(const QBrush& B) override
    {
        TLogOp& op = Add(plmeta::TOpKind::Brush);
        op.Color = B.color();
        op.Style = int(B.style());
    }
    void SetBackground(Qt::BGMode Mode, const QColor& C) override
    {
        TLogOp& op = Add(plmeta::TOpKind::Background);
        op.Color = C;
        op.Style = int(Mode);
    }
    void SetFont(const plmeta::TTextFont& F) override { Add(plmeta::TOpKind::Font).Color = F.Color; }
    void DrawLine(const QPointF& A, const QPointF& B) override { AddBox(plmeta::TOpKind::Line, QRectF(A, B)); }
    void DrawPolyline(const QPolygonF& P) override { Add(plmeta::TOpKind::Polyline).Points = P; }
    void DrawRect(const QRectF& R) override { AddBox(plmeta::TOpKind::Rect, R); }
    void FillRect(const QRectF& R, const QBrush& B) override
    {
        TLogOp& op = AddBox(plmeta::TOpKind::Fill, R);
        op.Color = B.color();
        op.Style = int(B.style());
    }
    void DrawEllipse(const QRectF& R) override { AddBox(plmeta::TOpKind::Ellipse, R); }
    void DrawText(const plmeta::TTextRun& Run, const QPointF& Cell, double Angle) override
    {
        TLogOp& op = AddBox(plmeta::TOpKind::Text, QRectF(Cell, Cell));
        op.Text = Run.Text;
        op.Angle = Angle;
    }
    void DrawImage(const QRectF& R, const QImage&, bool Lossy) override
    {
        AddBox(plmeta::TOpKind::Image, R).Lossy = Lossy;
    }
    void DrawPicture(const plmeta::TNested& N) override
    {
        TLogOp& op = Add(plmeta::TOpKind::Picture);
        op.Transform = N.Transform;
        op.Size = N.Data ? N.Data->Ops.size() : 0;
    }
    void DrawVector(const QRectF& R, const QPicture& V) override { AddBox(plmeta::TOpKind::Vector, R).Size = V.size(); }
};

} // namespace

std::vector<TLogOp> LogOps(const TMetafile& Picture)
{
    TOpLog log;
    Picture.Visit(log);
    return log.Ops;
}
