#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPicture>
#include <QPolygonF>
#include <QRawFont>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QVarLengthArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

// The recorded drawing of one page: a display list of painter operations in
// the picture's own coordinates (paper units of its frame). Only TCanvas
// writes it; TMetafile shares it read-only.
namespace plmeta {

enum class TOpKind : uint8_t {
    Transform, // Index: transforms; logical to frame coordinates from here on
    Clip,      // X1..Y2: clip rectangle in frame coordinates
    NoClip,
    Pen,        // Index: pens
    Brush,      // Index: brushes
    Background, // Flags: Qt::BGMode; Index: colour (QRgb)
    Font,       // Index: fonts
    Line,       // (X1, Y1)-(X2, Y2), current pen
    Polyline,   // Index: polygons, current pen
    Rect,       // X1..Y2, current pen and brush
    Fill,       // X1..Y2 filled with brushes[Index], no pen
    Ellipse,    // X1..Y2 box, current pen and brush
    Text,       // Index: texts (positioned glyphs); cell top-left (X1, Y1); X2: angle in degrees, counter-clockwise
    Image,      // Index: images; X1..Y2 target; Flags: ImageLossy
    Picture,    // Index: pictures
    Vector,     // Index: vectors; X1..Y2 target of the vector picture's frame
};

// Image flag: the pixels came from a lossy file and may be stored lossily.
constexpr uint8_t ImageLossy = 1;

struct TOp {
    TOpKind Kind;
    uint8_t Flags = 0;
    int32_t Index = 0;
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// A font as drawn: the realised Qt font (pixel size in logical units), the
// horizontal scale that realises an explicit average character width, the
// ascent that puts the cell's top on the reference point, and the colour.
struct TTextFont {
    QFont Font;
    double XScale = 1;
    double Ascent = 0;
    QColor Color;
};

// One text as drawn: the glyphs of its characters at the places measured
// when it was recorded, so every device draws exactly the advances the
// measurement used. Places are relative to the start of the baseline, in the
// font's own units (before its horizontal scale). Blanks and control
// characters have no glyph; they only move the characters after them.
struct TPlacedGlyph {
    quint32 Index = 0;
    uint16_t Face = 0; // in the text's faces
    // Drawn invisibly and onto a PDF only: the ordinary glyph of a character
    // drawn in a form a reader cannot map back to it (a vertical form), so
    // that the file's text still reads as the characters.
    bool Hidden = false;
    QPointF At;
};
// A stretch of the text whose characters follow each other by their natural
// advances: what devices that keep text rather than glyphs are given.
struct TTextPiece {
    qsizetype From = 0, Length = 0;
    QPointF Origin; // start of the stretch's baseline, as glyph places
};
struct TTextRun {
    QString Text;
    QVarLengthArray<QRawFont, 1> Faces; // the font's own face, then any fallbacks used
    std::vector<TPlacedGlyph> Glyphs;
    QVarLengthArray<TTextPiece, 1> Pieces;
};

// Draws Run in Font with its cell's top-left corner at Cell (the painter's
// world coordinates), turned by Angle degrees counter-clockwise, with the
// painter's current pen. Devices that draw glyphs get the recorded glyphs;
// devices that keep text (pictures, logs) get each piece as a text placed
// where its glyphs are.
void DrawTextRun(QPainter& Painter, const TTextFont& Font, const TTextRun& Run, const QPointF& Cell, double Angle);

struct TMetaData;

struct TNested {
    std::shared_ptr<const TMetaData> Data;
    QTransform Transform; // nested frame to this picture's frame
};

struct TMetaData {
    std::vector<TOp> Ops;
    std::vector<QTransform> Transforms;
    std::vector<QPen> Pens;
    std::vector<QBrush> Brushes;
    std::vector<TTextFont> Fonts;
    std::deque<TTextRun> Texts; // never moved once recorded
    std::vector<QPolygonF> Polygons;
    std::vector<QImage> Images;
    std::vector<TNested> Pictures;
    // Vector pictures drawn through a painter (SVG, converted EMF); each
    // one's boundingRect() is its frame.
    std::vector<QPicture> Vectors;

    std::size_t ByteSize() const;
};

// The operations of a recording in their order, each with what it refers to
// looked up: one call per kind of operation. Replay onto a painter is one
// visitor; whatever else reads a recording is another. A new kind of
// operation is a new call here.
class TOpVisitor {
public:
    virtual ~TOpVisitor() = default;
    virtual void SetTransform(const QTransform& LogicalToFrame) = 0;
    virtual void SetClip(const QRectF& Frame) = 0; // as recorded, not normalised
    virtual void ClearClip() = 0;
    virtual void SetPen(const QPen& Pen) = 0;
    virtual void SetBrush(const QBrush& Brush) = 0;
    virtual void SetBackground(Qt::BGMode Mode, const QColor& Color) = 0;
    virtual void SetFont(const TTextFont& Font) = 0;
    virtual void DrawLine(const QPointF& From, const QPointF& To) = 0;
    virtual void DrawPolyline(const QPolygonF& Points) = 0;
    virtual void DrawRect(const QRectF& Box) = 0;
    virtual void FillRect(const QRectF& Box, const QBrush& Brush) = 0;
    virtual void DrawEllipse(const QRectF& Box) = 0;
    // Cell: top-left corner of the first character cell; Angle in degrees,
    // counter-clockwise; drawn in the font last set.
    virtual void DrawText(const TTextRun& Run, const QPointF& Cell, double Angle) = 0;
    virtual void DrawImage(const QRectF& Box, const QImage& Image, bool Lossy) = 0;
    virtual void DrawPicture(const TNested& Picture) = 0;
    virtual void DrawVector(const QRectF& Box, const QPicture& Picture) = 0;
};

// Calls Visitor once for each operation of Data, in order.
void Visit(const TMetaData& Data, TOpVisitor& Visitor);

// Draws Image into Box. Devices that store images (PDF) keep the pixels
// exact unless Lossy: a lossless picture is never turned into a JPEG. The
// painter's lossless-image hint is left as this image needed it.
void DrawImage(QPainter& Painter, const QRectF& Box, const QImage& Image, bool Lossy);

// Plays a painter-recorded vector picture with its boundingRect() stretched
// onto Box, Box being in the coordinates World maps to the painter's device.
// The painter's state is restored afterwards. False, drawing nothing, for a
// picture with an empty frame.
bool DrawVectorPicture(QPainter& Painter, const QRectF& Box, const QPicture& Picture, const QTransform& World);

// Replays Data onto Painter; Base maps the picture's frame onto the painter's
// coordinates with an identity world transform; OuterClip, in the same
// coordinates, limits everything drawn.
void Play(QPainter& Painter, const TMetaData& Data, const QTransform& Base, const std::optional<QRectF>& OuterClip);

// Whether replay onto a PDF gathers plain texts into glyph runs (on by
// default). Off, every recorded text is one text item on every device.
void SetGatherTextRuns(bool On);

} // namespace plmeta

// A page picture: a recording in paper units (0.1 mm) with its frame in paper
// units and the resolution of the reference device it was measured against.
// Copies are cheap and independent: recording again never changes a copy.
class TMetafile {
public:
    TMetafile() = default;

    // Frame, paper units.
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetSize(int Width, int Height);
    // Frame in hundredths of a millimetre.
    int MMWidth() const { return FWidth * 10; }
    int MMHeight() const { return FHeight * 10; }

    // Reference device, dots per inch, and the frame in its pixels.
    int DpiX() const { return FDpiX; }
    int DpiY() const { return FDpiY; }
    int DeviceWidth() const;
    int DeviceHeight() const;

    bool Empty() const { return !FData || FData->Ops.empty(); }
    // Forgets the recording; the frame stays.
    void Clear() { FData.reset(); }

    // Draws the picture with its frame stretched onto Target, given in the
    // painter's current coordinates. A reversed rectangle (right < left and
    // bottom < top) turns the page by 180 degrees.
    void Play(QPainter& Painter, const QRectF& Target) const;

    // Heap bytes held by the recording (shared data counted once per call).
    std::size_t ByteSize() const { return FData ? FData->ByteSize() : 0; }
    bool SharesRecordingWith(const TMetafile& Other) const { return FData && FData == Other.FData; }
    // Hands the recorded operations in order to Visitor.
    void Visit(plmeta::TOpVisitor& Visitor) const
    {
        if (FData)
            plmeta::Visit(*FData, Visitor);
    }
    // Recorded operations of one kind.
    std::size_t OpCount(plmeta::TOpKind Kind) const
    {
        if (!FData)
            return 0;
        return std::size_t(std::count_if(FData->Ops.begin(), FData->Ops.end(),
                                         [Kind](const plmeta::TOp& Op) { return Op.Kind == Kind; }));
    }

private:
    friend class TCanvas;
    int FWidth = 0, FHeight = 0;
    int FDpiX = 96, FDpiY = 96;
    std::shared_ptr<const plmeta::TMetaData> FData;
};
