#pragma once

// Geometry and state rules of the preview window, free of widgets so that
// they can be checked on their own. All sizes are screen pixels.

#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>

// The page image rectangle a zoom operation computes: left and top relative
// to the scroll area's visible client origin.
struct TplImgRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TplImgRect&) const = default;
};

// Height / width of the page as viewed. A ratio that is not a positive finite
// number (a document without any paper size) is replaced by that of an A4
// portrait sheet, so that the view still shows a page-shaped image.
double SaneViewRatio(double ratio);

// Whole page inside a scroll area of outer size w x h, with a 15-pixel margin
// on the limiting side and the other side centred.
TplImgRect WholePageRect(int w, int h, double ratio);

// Page width for a client width: 15 pixels margin left, right and top.
TplImgRect PageWidthRect(int clientWidth, double ratio);

// One zoom-out step (to 90 %). Keeps the stored origin. Returns false and
// leaves r as it is when the image is 100 pixels wide or less.
bool ZoomOutStep(TplImgRect& r, double ratio);

// One zoom-in step (back by 100/90) from the image's current position.
// Returns false and leaves r unchanged when the image is already at least
// twice the screen width wide or three times the screen height high.
bool ZoomInStep(TplImgRect& r, int currentLeft, int currentTop, double ratio, int screenWidth, int screenHeight);

// New vertical scroll position after a wheel turn: a notch of 120 moves 24
// pixels, a positive delta scrolls up; the division truncates toward zero.
int WheelScrollPosition(int position, int wheelDelta);

// Tool buttons in their order; bit k of a button set is button k.
enum TplPrevButton : int {
    pbPrint,
    pbPrinterSet,
    pbFirstPage,
    pbPriorPage,
    pbNextPage,
    pbLastPage,
    pbZoomDown,
    pbZoomUp,
    pbPageWhole,
    pbPageWidth,
    pbHelp,
    pbInfo,
    pbClose,
    pbCount
};
using TplPrevButtonSet = uint16_t;
constexpr TplPrevButtonSet ButtonBit(int k)
{
    return static_cast<TplPrevButtonSet>(1u << k);
}

// The buttons enabled after a page has been shown: the page and zoom
// commands for any page, the backward pair after page 1, the forward pair
// before the last page, Close always, Help and Info never.
TplPrevButtonSet ButtonsEnabledForPage(int pageNumber, int pageCount);

// Left edges of the tool buttons laid out from firstLeft with a gap of one
// pixel; hidden buttons take no room and get -1. widths are the design
// widths; with a visual style each visible button grows by 3 pixels after its
// place is taken, so that neighbours overlap by 2.
struct TplButtonPlace {
    int Left = -1;
    int Width = 0;
};
void ArrangeButtonPlaces(TplPrevButtonSet visible, const int (&widths)[pbCount], int firstLeft, bool styled,
                         TplButtonPlace (&out)[pbCount]);

// " Page  3/12  A4"
QString PageStatusText(int pageNumber, int pageCount, const QString& paperName);

// Where a window capture is printed on the page: a tenth of the page width
// left and right, half of that at the top, and the height by the capture's
// proportions (halves round to even). pageWidth in device pixels.
// The right and bottom edges are exclusive.
struct TplEdges {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TplEdges&) const = default;
};
TplEdges HardCopyRect(int pageWidth, double captureRatio);

// Proposed window size raised to the 350 x 350 minimum.
QSize MinimumWindowSize(QSize proposed);

// A window's client rectangle brought onto a screen's available area: the
// designed size where it fits, else as large as the area allows (never below
// the minimum); then moved, as little as needed, so that the window with its
// frame lies inside the area, or starts at the area's top-left corner where
// it is larger. An empty area leaves the rectangle as it is.
QRect FitWindowToArea(const QRect& client, const QMargins& frame, const QRect& area, QSize minimum);
