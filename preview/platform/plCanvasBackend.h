#pragma once

#include "plMetafile.h"

#include <memory>
#include <optional>

class QPainter;
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
    // Picture.Transform maps the picture's frame to frame coordinates.
    virtual void DrawPicture(const plmeta::TNested& Picture) = 0;
    virtual void DrawVector(const QRectF& Box, const QPicture& Picture) = 0;
};

// Records into a display list that is stored in Result on Close.
std::unique_ptr<TCanvasBackend> MakeRecordingBackend(std::shared_ptr<const plmeta::TMetaData>& Result);

// Paints onto Painter, whose world transform when the backend is made maps
// frame coordinates to the device.
std::unique_ptr<TCanvasBackend> MakePaintingBackend(QPainter& Painter);
