#include "plPrev.h"

#include "plSetPrinter.h"
#include "plWidthConv.h"

#include <cmath>

// Postal-code digit boxes: three boxes, a dash and four boxes near the
// top-right corner of the page (turned a quarter for landscape paper), with
// the code's digits in them.

namespace {

struct TZipGeometry {
    int Pitch, Second; // box to box; start of the second group
    int BoxW, BoxH;    // portrait box; landscape boxes are turned
    int Pen1, Pen2;    // first group and dash; second group
    int Left, Top;     // portrait: from the right edge; from the top
    int DashFrom, DashTo, DashAt;
    int DigitShift;        // portrait digits moved down
    int LandLeft, LandTop; // landscape: from the right edge; from the bottom
    int LDashFrom, LDashTo, LDashAt;
};

constexpr TZipGeometry kZip{70, 216, 60, 85, 5, 2, 552, 120, 200, 214, 40, 0, 85 + 120, 552, 200, 215, 40};
constexpr TZipGeometry kZipEx{120, 370, 105, 138, 7, 3, 1007, 185, 345, 368, 65, 2, 138 + 185, 1007, 345, 367, 65};

constexpr TColor kPrintedBoxes = 0x0000FF; // red
constexpr TColor kPreviewBoxes = 0xAAAAFF; // light red

} // namespace

void TCustomplPrev::ZipOut(const QString& Zip, int OffsetX, int OffsetY, bool PrtOut, int DispOffsetY)
{
    ZipBoxes(Zip, OffsetX, OffsetY, PrtOut, DispOffsetY, false);
}

void TCustomplPrev::ZipOutEx(const QString& Zip, int OffsetX, int OffsetY, bool PrtOut, int DispOffsetY)
{
    ZipBoxes(Zip, OffsetX, OffsetY, PrtOut, DispOffsetY, true);
}

void TCustomplPrev::ZipBoxes(const QString& Zip, int OffsetX, int OffsetY, bool PrtOut, int DispOffsetY, bool Large)
{
    if (!FCanvas)
        return;
    const TZipGeometry& g = Large ? kZipEx : kZip;
    PenColor(PrtOut ? kPrintedBoxes : kPreviewBoxes);
    PenStyle(psSolid);
    PenWidth(g.Pen1);
    const int dx = Printing() ? OffsetX : 0;
    const int dy = Printing() ? OffsetY : 0;
    const bool landscape = !FNoPrinter && FplSetPrinter && FplSetPrinter->Orientation() == poLandscape;
    // Where box i (0 to 6) starts along the row, from the row's start.
    auto along = [&](int i) { return i < 3 ? i * g.Pitch : g.Second + (i - 3) * g.Pitch; };

    QString digits;
    for (QChar c : ToHankaku(Zip)) {
        if (c >= u'0' && c <= u'9' && digits.size() < 7)
            digits += c;
    }

    if (!landscape) {
        const int left = ViewWidth() - g.Left + dx;
        const int top = g.Top + dy + DispOffsetY;
        if (PrtOut || !Printing()) {
            for (int i = 0; i < 7; ++i) {
                if (i == 3) {
                    Line(left + g.DashFrom, left + g.DashTo, top + g.DashAt, top + g.DashAt);
                    PenWidth(g.Pen2);
                }
                RectLine(left + along(i), left + along(i) + g.BoxW, top, top + g.BoxH);
            }
        }
        for (int i = 0; i < int(digits.size()); ++i) {
            const int l = left + along(i), t = top + g.DigitShift;
            TextRectCC(l, l + g.BoxW, t, t + g.BoxH, digits.mid(i, 1));
        }
        return;
    }

    const int w = g.BoxH, h = g.BoxW; // turned boxes
    const int left = ViewWidth() - g.LandLeft + dx + DispOffsetY;
    const int top = ViewHeight() - g.LandTop + dy;
    if (PrtOut || !Printing()) {
        for (int i = 0; i < 7; ++i) {
            if (i == 3) {
                Line(left + g.LDashAt, left + g.LDashAt, top + g.LDashFrom, top + g.LDashTo);
                PenWidth(g.Pen2);
            }
            RectLine(left, left + w, top + along(i), top + along(i) + h);
        }
    }
    const QSize zero = FCanvas->TextExtent(QStringLiteral("0"));
    for (int i = 0; i < int(digits.size()); ++i) {
        const int x = left + int(std::trunc(w / 2.0 + zero.height() / 2.0)) + 3;
        const int y = top + along(i) + int(std::trunc(h / 2.0 - zero.width() / 2.0));
        TextSpecial(x, y, 270, 100, digits.mid(i, 1));
    }
}
