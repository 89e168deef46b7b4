#pragma once

#include "plMetafile.h"

#include <QBrush>
#include <QFont>
#include <QPaintDevice>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <memory>
#include <ostream>
#include <optional>
#include <vector>

class TLogEngine;

// One thing drawn, in the device's units (paper units when a page is logged
// with LogPicture).
struct TLogItem {
    enum TKind { ikLine, ikRect, ikEllipse, ikPolyline, ikPolygon, ikPath, ikText, ikImage, ikPoint };
    TKind Kind = ikLine;
    QRectF Box;       // Rect, Ellipse, Image, Path: bounds; Text: the character cell of the run
    QPolygonF Points; // Line: its two ends; Polyline, Polygon: the points
    QString Text;
    QFont Font;
    double FontPixels = 0; // em height of the text
    QPointF Origin;        // text: start of the baseline
    double Width = 0;      // text: advance of the run
    double Angle = 0;      // text: degrees, counter-clockwise
    double XScale = 1;     // text: horizontal over vertical scale
    QPen Pen;
    double PenWidth = 0; // 0 for a cosmetic (one device pixel) pen
    QBrush Brush;
    std::optional<QRectF> Clip;

    // A filled rectangle without outline (what fillRect draws).
    bool IsFill() const { return Kind == ikRect && Pen.style() == Qt::NoPen; }
};

// A paint device that draws nothing and logs every primitive with its
// coordinates mapped to device units. Its resolution is 254 dots per inch,
// so one device unit is one paper unit.
class TLogDevice : public QPaintDevice {
public:
    TLogDevice(int Width, int Height);
    ~TLogDevice() override;
    QPaintEngine* paintEngine() const override;

    std::vector<TLogItem> Items;

protected:
    int metric(PaintDeviceMetric m) const override;

private:
    int FWidth, FHeight;
    std::unique_ptr<TLogEngine> FEngine;
};

// Replays Picture onto its own frame in a logging device.
std::vector<TLogItem> LogPicture(const TMetafile& Picture);

// One recorded operation as replay gets it, in the picture's frame units
// under the transform last set (unmapped).
struct TLogOp {
    plmeta::TOpKind Kind = plmeta::TOpKind::Line;
    QRectF Box;           // clip, shapes, image and vector targets; line: from its start to its end
    QPolygonF Points;     // polyline
    QColor Color;         // pen, brush, fill, background, font
    int Style = 0;        // pen: Qt::PenStyle; brush, fill: Qt::BrushStyle; background: Qt::BGMode
    QString Text;         // text
    double Angle = 0;     // text
    bool Lossy = false;   // image
    QTransform Transform; // transform; picture: its frame to this one's
    std::size_t Size = 0; // picture: its operations; vector: its bytes
};

// The operations recorded in Picture, in order, through the replay visitor.
std::vector<TLogOp> LogOps(const TMetafile& Picture);
// The items of one kind; Fills: the filled rectangles without outline.
std::vector<TLogItem> Only(const std::vector<TLogItem>& Items, TLogItem::TKind Kind);
std::vector<TLogItem> Fills(const std::vector<TLogItem>& Items);
std::vector<TLogItem> Texts(const std::vector<TLogItem>& Items);

// Readable values in test messages.
inline std::ostream& operator<<(std::ostream& os, const QString& s)
{
    return os << s.toStdString();
}
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QPointF& p, std::ostream* os)
{
    *os << '(' << p.x() << ", " << p.y() << ')';
}
inline void PrintTo(const QRectF& r, std::ostream* os)
{
    *os << '(' << r.left() << ", " << r.top() << ")-(" << r.right() << ", " << r.bottom() << ')';
}
