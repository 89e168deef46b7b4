#pragma once

#include "plMetafile.h"

#include <QHash>
#include <QPair>

#include <memory>
#include <optional>

class QPainter;
class TMetafile;
struct TFontEntry;

// Where a canvas's drawing goes. The canvas keeps the drawing state and the
// mapping, decides what is drawn, and hands each primitive to its backend
// once: shape coordinates are logical units under the last transform set,
// clips are frame coordinates (the painter's when the canvas was made).
// One backend records a page, the other paints onto a painter; a new drawing
// operation is one call here and one implementation in each.
class TCanvasBackend {
public:
    virtual ~TCanvasBackend() = default;

    // Ends the output: a recording hands its picture over and returns true
    // (nothing more is drawn); painting has nothing to end.
    virtual bool Close() = 0;

    virtual void SetTransform(const QTransform& LogicalToFrame) = 0;
    virtual void SetClip(const std::optional<QRectF>& Frame) = 0;
    virtual void SetPen(const QPen& Pen) = 0;
    virtual void SetBrush(const QBrush& Brush) = 0;
    virtual void SetBackground(Qt::BGMode Mode, const QColor& Color) = 0;
    virtual void DrawLine(const QPointF& From, const QPointF& To) = 0;
    virtual void DrawPolyline(const QPolygonF& Points) = 0;
    virtual void DrawRect(const QRectF& Box) = 0;
    virtual void FillRect(const QRectF& Box, const QBrush& Brush) = 0;
    virtual void DrawEllipse(const QRectF& Box) = 0;
    // One text in the realised font Font and Color, its cell's top-left
    // corner at Cell, turned by Angle degrees counter-clockwise.
    virtual void DrawText(const TFontEntry& Font, const QColor& Color, plmeta::TTextRun&& Run, const QPointF& Cell,
                          double Angle) = 0;
    virtual void DrawImage(const QRectF& Box, const QImage& Image, bool Lossy) = 0;
    // Picture.Transform maps the picture's frame to logical units.
    virtual void DrawPicture(const plmeta::TNested& Picture) = 0;
    virtual void DrawVector(const QRectF& Box, const QPicture& Picture) = 0;
};

// Records into a display list that becomes Target's recording on Close.
class TRecordingBackend final : public TCanvasBackend {
public:
    explicit TRecordingBackend(TMetafile& Target);

    bool Close() override;
    void SetTransform(const QTransform& LogicalToFrame) override;
    void SetClip(const std::optional<QRectF>& Frame) override;
    void SetPen(const QPen& Pen) override;
    void SetBrush(const QBrush& Brush) override;
    void SetBackground(Qt::BGMode Mode, const QColor& Color) override;
    void DrawLine(const QPointF& From, const QPointF& To) override;
    void DrawPolyline(const QPolygonF& Points) override;
    void DrawRect(const QRectF& Box) override;
    void FillRect(const QRectF& Box, const QBrush& Brush) override;
    void DrawEllipse(const QRectF& Box) override;
    void DrawText(const TFontEntry& Font, const QColor& Color, plmeta::TTextRun&& Run, const QPointF& Cell,
                  double Angle) override;
    void DrawImage(const QRectF& Box, const QImage& Image, bool Lossy) override;
    void DrawPicture(const plmeta::TNested& Picture) override;
    void DrawVector(const QRectF& Box, const QPicture& Picture) override;

private:
    void Emit(plmeta::TOpKind Kind, double X1 = 0, double Y1 = 0, double X2 = 0, double Y2 = 0, int Index = 0,
              uint8_t Flags = 0)
    {
        Data->Ops.push_back(plmeta::TOp{Kind, Flags, Index, float(X1), float(Y1), float(X2), float(Y2)});
    }
    void Emit(plmeta::TOpKind Kind, const QRectF& Box, int Index = 0, uint8_t Flags = 0)
    {
        Emit(Kind, Box.left(), Box.top(), Box.right(), Box.bottom(), Index, Flags);
    }
    template <class T> static int Last(const T& Table) { return int(Table.size() - 1); }

    TMetafile& Target;
    std::unique_ptr<plmeta::TMetaData> Data;
    // Interned fonts by realised font and colour; the font record last emitted.
    QHash<QPair<quintptr, QRgb>, int> FontIndex;
    int EmittedFont = -1;
};

// Paints onto a painter whose world transform, when the backend is made,
// maps frame coordinates to the device.
class TPaintingBackend final : public TCanvasBackend {
public:
    explicit TPaintingBackend(QPainter& Painter);

    bool Close() override { return false; }
    void SetTransform(const QTransform& LogicalToFrame) override;
    void SetClip(const std::optional<QRectF>& Frame) override;
    void SetPen(const QPen& Pen) override;
    void SetBrush(const QBrush& Brush) override;
    void SetBackground(Qt::BGMode Mode, const QColor& Color) override;
    void DrawLine(const QPointF& From, const QPointF& To) override;
    void DrawPolyline(const QPolygonF& Points) override;
    void DrawRect(const QRectF& Box) override;
    void FillRect(const QRectF& Box, const QBrush& Brush) override;
    void DrawEllipse(const QRectF& Box) override;
    void DrawText(const TFontEntry& Font, const QColor& Color, plmeta::TTextRun&& Run, const QPointF& Cell,
                  double Angle) override;
    void DrawImage(const QRectF& Box, const QImage& Image, bool Lossy) override;
    void DrawPicture(const plmeta::TNested& Picture) override;
    void DrawVector(const QRectF& Box, const QPicture& Picture) override;

private:
    // Text is drawn with a pen of its colour; shapes get the line pen back.
    void UseLinePen();

    QPainter& P;
    const QTransform W0; // frame to device: the painter's world transform when the backend was made
    QTransform World;    // logical to device, as last set
    std::optional<QRectF> Clip; // frame coordinates
    QPen LinePen;
    bool PenIsText = false;
};
