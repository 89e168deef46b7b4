#include "plCanvasBackend.h"

#include "plFontCache.h"

#include <QHash>
#include <QPainter>
#include <QPair>

namespace {

class TRecordingBackend final : public TCanvasBackend {
public:
    explicit TRecordingBackend(std::shared_ptr<const plmeta::TMetaData>& Result)
        : Result(Result), Data(std::make_unique<plmeta::TMetaData>())
    {
        Data->Ops.reserve(64);
    }

private:
    std::shared_ptr<const plmeta::TMetaData>& Result;
    std::unique_ptr<plmeta::TMetaData> Data;
    // Interned fonts by realised font and colour; the font record last emitted.
    QHash<QPair<quintptr, QRgb>, int> FontIndex;
    int EmittedFont = -1;

    void Emit(plmeta::TOpKind Kind, double X1 = 0, double Y1 = 0, double X2 = 0, double Y2 = 0, int Index = 0,
              uint8_t Flags = 0)
    {
        Data->Ops.push_back(plmeta::TOp{Kind, Flags, Index, float(X1), float(Y1), float(X2), float(Y2)});
    }
    void Emit(plmeta::TOpKind Kind, const QRectF& Box, int Index = 0, uint8_t Flags = 0)
    {
        Emit(Kind, Box.left(), Box.top(), Box.right(), Box.bottom(), Index, Flags);
    }
    // Appends Value to Table and records Kind referring to it.
    template <class T, class Item>
    void EmitItem(plmeta::TOpKind Kind, T& Table, const Item& Value)
    {
        Table.push_back(Value);
        Emit(Kind, 0, 0, 0, 0, Last(Table));
    }
    template <class T>
    static int Last(const T& Table)
    {
        return int(Table.size() - 1);
    }

    bool Close() override
    {
        Result = std::shared_ptr<const plmeta::TMetaData>(Data.release());
        return true;
    }

    void SetTransform(const QTransform& L) override { EmitItem(plmeta::TOpKind::Transform, Data->Transforms, L); }

    void SetClip(const std::optional<QRectF>& Frame) override
    {
        if (Frame)
            Emit(plmeta::TOpKind::Clip, *Frame);
        else
            Emit(plmeta::TOpKind::NoClip);
    }

    void SetPen(const QPen& Pen) override { EmitItem(plmeta::TOpKind::Pen, Data->Pens, Pen); }
    void SetBrush(const QBrush& Brush) override { EmitItem(plmeta::TOpKind::Brush, Data->Brushes, Brush); }

    void SetBackground(Qt::BGMode Mode, const QColor& Color) override
    {
        Emit(plmeta::TOpKind::Background, 0, 0, 0, 0, int(Color.rgba()), uint8_t(Mode));
    }

    void DrawLine(const QPointF& From, const QPointF& To) override
    {
        Emit(plmeta::TOpKind::Line, From.x(), From.y(), To.x(), To.y());
    }

    void DrawPolyline(const QPolygonF& Points) override { EmitItem(plmeta::TOpKind::Polyline, Data->Polygons, Points); }
    void DrawRect(const QRectF& Box) override { Emit(plmeta::TOpKind::Rect, Box); }

    void FillRect(const QRectF& Box, const QBrush& Brush) override
    {
        if (Data->Brushes.empty() || Data->Brushes.back() != Brush)
            Data->Brushes.push_back(Brush);
        Emit(plmeta::TOpKind::Fill, Box, Last(Data->Brushes));
    }

    void DrawEllipse(const QRectF& Box) override { Emit(plmeta::TOpKind::Ellipse, Box); }

    void DrawText(const TFontEntry& Font, const QColor& Color, plmeta::TTextRun&& Run, const QPointF& Cell,
                  double Angle) override
    {
        const auto key = qMakePair(quintptr(&Font), Color.rgba());
        auto it = FontIndex.constFind(key);
        int index;
        if (it == FontIndex.constEnd()) {
            Data->Fonts.push_back(plmeta::TTextFont{Font.QtFont, Font.XScale, Font.Ascent, Color});
            index = Last(Data->Fonts);
            FontIndex.insert(key, index);
        } else {
            index = *it;
        }
        if (index != EmittedFont) {
            Emit(plmeta::TOpKind::Font, 0, 0, 0, 0, index);
            EmittedFont = index;
        }
        Data->Texts.push_back(std::move(Run));
        Emit(plmeta::TOpKind::Text, Cell.x(), Cell.y(), Angle, 0, Last(Data->Texts));
    }

    void DrawImage(const QRectF& Box, const QImage& Image, bool Lossy) override
    {
        Data->Images.push_back(Image);
        Emit(plmeta::TOpKind::Image, Box, Last(Data->Images), Lossy ? plmeta::ImageLossy : 0);
    }

    void DrawPicture(const plmeta::TNested& Picture) override
    {
        EmitItem(plmeta::TOpKind::Picture, Data->Pictures, Picture);
    }

    void DrawVector(const QRectF& Box, const QPicture& Picture) override
    {
        Data->Vectors.push_back(Picture);
        Emit(plmeta::TOpKind::Vector, Box, Last(Data->Vectors));
    }
};

class TPaintingBackend final : public TCanvasBackend {
public:
    explicit TPaintingBackend(QPainter& Painter) : P(Painter), W0(Painter.worldTransform()), World(W0) {}

private:
    QPainter& P;
    const QTransform W0;        // frame to device: the painter's world transform when the backend was made
    QTransform World;           // logical to device, as last set
    std::optional<QRectF> Clip; // frame coordinates
    // Text is drawn with a pen of its colour; shapes get the line pen back.
    QPen LinePen;
    bool PenIsText = false;

    void UseLinePen()
    {
        if (PenIsText) {
            P.setPen(LinePen);
            PenIsText = false;
        }
    }

    bool Close() override { return false; }

    void SetTransform(const QTransform& L) override
    {
        World = L * W0;
        P.setWorldTransform(World);
    }

    void SetClip(const std::optional<QRectF>& Frame) override
    {
        Clip = Frame;
        if (!Frame) {
            P.setClipping(false);
            return;
        }
        P.setWorldTransform(W0);
        P.setClipRect(*Frame, Qt::ReplaceClip);
        P.setWorldTransform(World);
    }

    void SetPen(const QPen& Pen) override
    {
        LinePen = Pen;
        PenIsText = false;
        P.setPen(Pen);
    }

    void SetBrush(const QBrush& Brush) override { P.setBrush(Brush); }

    void SetBackground(Qt::BGMode Mode, const QColor& Color) override
    {
        P.setBackgroundMode(Mode);
        P.setBackground(Color);
    }

    void DrawLine(const QPointF& From, const QPointF& To) override
    {
        UseLinePen();
        P.drawLine(From, To);
    }

    void DrawPolyline(const QPolygonF& Points) override
    {
        UseLinePen();
        P.drawPolyline(Points);
    }

    void DrawRect(const QRectF& Box) override
    {
        UseLinePen();
        P.drawRect(Box);
    }

    void FillRect(const QRectF& Box, const QBrush& Brush) override { P.fillRect(Box, Brush); }

    void DrawEllipse(const QRectF& Box) override
    {
        UseLinePen();
        P.drawEllipse(Box);
    }

    void DrawText(const TFontEntry& Font, const QColor& Color, plmeta::TTextRun&& Run, const QPointF& Cell,
                  double Angle) override
    {
        if (!PenIsText || P.pen().color() != Color) {
            P.setPen(QPen(Color));
            PenIsText = true;
        }
        plmeta::DrawTextRun(P, plmeta::TTextFont{Font.QtFont, Font.XScale, Font.Ascent, Color}, Run, Cell, Angle);
    }

    void DrawImage(const QRectF& Box, const QImage& Image, bool Lossy) override
    {
        plmeta::DrawImage(P, Box, Image, Lossy);
    }

    void DrawPicture(const plmeta::TNested& Picture) override
    {
        std::optional<QRectF> clip;
        if (Clip)
            clip = W0.mapRect(*Clip);
        P.save();
        plmeta::Play(P, *Picture.Data, Picture.Transform * W0, clip);
        P.restore();
    }

    void DrawVector(const QRectF& Box, const QPicture& Picture) override
    {
        plmeta::DrawVectorPicture(P, Box, Picture, P.worldTransform());
    }
};

} // namespace

std::unique_ptr<TCanvasBackend> MakeRecordingBackend(std::shared_ptr<const plmeta::TMetaData>& Result)
{
    return std::make_unique<TRecordingBackend>(Result);
}

std::unique_ptr<TCanvasBackend> MakePaintingBackend(QPainter& Painter)
{
    return std::make_unique<TPaintingBackend>(Painter);
}
