#include "plCanvasBackend.h"

#include "plFontCache.h"

#include <QPainter>

// --- Recording ------------------------------------------------------------------

TRecordingBackend::TRecordingBackend(TMetafile& Target)
    : Target(Target), Data(std::make_unique<plmeta::TMetaData>())
{
    Data->Ops.reserve(64);
}

bool TRecordingBackend::Close()
{
    Target.FData = std::shared_ptr<const plmeta::TMetaData>(Data.release());
    return true;
}

void TRecordingBackend::SetTransform(const QTransform& LogicalToFrame)
{
    Data->Transforms.push_back(LogicalToFrame);
    Emit(plmeta::TOpKind::Transform, 0, 0, 0, 0, Last(Data->Transforms));
}

void TRecordingBackend::SetClip(const std::optional<QRectF>& Frame)
{
    if (Frame)
        Emit(plmeta::TOpKind::Clip, *Frame);
    else
        Emit(plmeta::TOpKind::NoClip);
}

void TRecordingBackend::SetPen(const QPen& Pen)
{
    Data->Pens.push_back(Pen);
    Emit(plmeta::TOpKind::Pen, 0, 0, 0, 0, Last(Data->Pens));
}

void TRecordingBackend::SetBrush(const QBrush& Brush)
{
    Data->Brushes.push_back(Brush);
    Emit(plmeta::TOpKind::Brush, 0, 0, 0, 0, Last(Data->Brushes));
}

void TRecordingBackend::SetBackground(Qt::BGMode Mode, const QColor& Color)
{
    Emit(plmeta::TOpKind::Background, 0, 0, 0, 0, int(Color.rgba()), uint8_t(Mode));
}

void TRecordingBackend::DrawLine(const QPointF& From, const QPointF& To)
{
    Emit(plmeta::TOpKind::Line, From.x(), From.y(), To.x(), To.y());
}

void TRecordingBackend::DrawPolyline(const QPolygonF& Points)
{
    Data->Polygons.push_back(Points);
    Emit(plmeta::TOpKind::Polyline, 0, 0, 0, 0, Last(Data->Polygons));
}

void TRecordingBackend::DrawRect(const QRectF& Box) { Emit(plmeta::TOpKind::Rect, Box); }

void TRecordingBackend::FillRect(const QRectF& Box, const QBrush& Brush)
{
    if (Data->Brushes.empty() || Data->Brushes.back() != Brush)
        Data->Brushes.push_back(Brush);
    Emit(plmeta::TOpKind::Fill, Box, Last(Data->Brushes));
}

void TRecordingBackend::DrawEllipse(const QRectF& Box) { Emit(plmeta::TOpKind::Ellipse, Box); }

void TRecordingBackend::DrawText(const TFontEntry& Font, const QColor& Color, plmeta::TTextRun&& Run,
                                 const QPointF& Cell, double Angle)
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

void TRecordingBackend::DrawImage(const QRectF& Box, const QImage& Image, bool Lossy)
{
    Data->Images.push_back(Image);
    Emit(plmeta::TOpKind::Image, Box, Last(Data->Images), Lossy ? plmeta::ImageLossy : 0);
}

void TRecordingBackend::DrawPicture(const plmeta::TNested& Picture)
{
    Data->Pictures.push_back(Picture);
    Emit(plmeta::TOpKind::Picture, 0, 0, 0, 0, Last(Data->Pictures));
}

void TRecordingBackend::DrawVector(const QRectF& Box, const QPicture& Picture)
{
    Data->Vectors.push_back(Picture);
    Emit(plmeta::TOpKind::Vector, Box, Last(Data->Vectors));
}

// --- Painting -------------------------------------------------------------------

TPaintingBackend::TPaintingBackend(QPainter& Painter)
    : P(Painter), W0(Painter.worldTransform()), World(W0)
{
}

void TPaintingBackend::SetTransform(const QTransform& LogicalToFrame)
{
    World = LogicalToFrame * W0;
    P.setWorldTransform(World);
}

void TPaintingBackend::SetClip(const std::optional<QRectF>& Frame)
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

void TPaintingBackend::SetPen(const QPen& Pen)
{
    LinePen = Pen;
    PenIsText = false;
    P.setPen(Pen);
}

void TPaintingBackend::UseLinePen()
{
    if (PenIsText) {
        P.setPen(LinePen);
        PenIsText = false;
    }
}

void TPaintingBackend::SetBrush(const QBrush& Brush) { P.setBrush(Brush); }

void TPaintingBackend::SetBackground(Qt::BGMode Mode, const QColor& Color)
{
    P.setBackgroundMode(Mode);
    P.setBackground(Color);
}

void TPaintingBackend::DrawLine(const QPointF& From, const QPointF& To)
{
    UseLinePen();
    P.drawLine(From, To);
}

void TPaintingBackend::DrawPolyline(const QPolygonF& Points)
{
    UseLinePen();
    P.drawPolyline(Points);
}

void TPaintingBackend::DrawRect(const QRectF& Box)
{
    UseLinePen();
    P.drawRect(Box);
}

void TPaintingBackend::FillRect(const QRectF& Box, const QBrush& Brush) { P.fillRect(Box, Brush); }

void TPaintingBackend::DrawEllipse(const QRectF& Box)
{
    UseLinePen();
    P.drawEllipse(Box);
}

void TPaintingBackend::DrawText(const TFontEntry& Font, const QColor& Color, plmeta::TTextRun&& Run,
                                const QPointF& Cell, double Angle)
{
    if (!PenIsText || P.pen().color() != Color) {
        P.setPen(QPen(Color));
        PenIsText = true;
    }
    plmeta::DrawTextRun(P, plmeta::TTextFont{Font.QtFont, Font.XScale, Font.Ascent, Color}, Run, Cell, Angle);
}

void TPaintingBackend::DrawImage(const QRectF& Box, const QImage& Image, bool Lossy)
{
    plmeta::DrawImage(P, Box, Image, Lossy);
}

void TPaintingBackend::DrawPicture(const plmeta::TNested& Picture)
{
    std::optional<QRectF> clip;
    if (Clip)
        clip = W0.mapRect(*Clip);
    P.save();
    plmeta::Play(P, *Picture.Data, Picture.Transform * W0, clip);
    P.restore();
}

void TPaintingBackend::DrawVector(const QRectF& Box, const QPicture& Picture)
{
    plmeta::DrawVectorPicture(P, Box, Picture, P.worldTransform());
}
