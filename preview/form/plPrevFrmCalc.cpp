#include "plPrevFrmCalc.h"

#include <algorithm>
#include <cmath>

namespace {

// Trunc of a pixel length, kept inside what a widget can take so that
// absurd ratios never overflow the integer.
int TruncPx(double v)
{
    constexpr double limit = 16777215.0; // largest widget extent
    if (!(v == v))
        return 0;
    return static_cast<int>(std::trunc(std::clamp(v, -limit, limit)));
}

} // namespace

double SaneViewRatio(double ratio)
{
    if (std::isfinite(ratio) && ratio > 0.0)
        return ratio;
    return 2970.0 / 2100.0;
}

TplImgRect WholePageRect(int w, int h, double ratio)
{
    ratio = SaneViewRatio(ratio);
    TplImgRect r;
    const double a = w > 0 ? static_cast<double>(h) / w : ratio;
    if (ratio > a) {
        r.Top = 15;
        r.Height = std::max(0, h - 30);
        r.Width = TruncPx(r.Height / ratio);
        r.Left = TruncPx((w - r.Width) / 2.0);
    } else {
        r.Left = 15;
        r.Width = std::max(0, w - 30);
        r.Height = TruncPx(r.Width * ratio);
        r.Top = TruncPx((h - r.Height) / 2.0);
    }
    return r;
}

TplImgRect PageWidthRect(int clientWidth, double ratio)
{
    ratio = SaneViewRatio(ratio);
    TplImgRect r;
    r.Left = 15;
    r.Top = 15;
    r.Width = std::max(0, clientWidth - 30);
    r.Height = TruncPx(r.Width * ratio);
    return r;
}

bool ZoomOutStep(TplImgRect& r, double ratio)
{
    if (r.Width <= 100)
        return false;
    ratio = SaneViewRatio(ratio);
    r.Width = TruncPx(r.Width * 90 / 100.0);
    r.Height = TruncPx(r.Width * ratio);
    return true;
}

bool ZoomInStep(TplImgRect& r, int currentLeft, int currentTop, double ratio, int screenWidth, int screenHeight)
{
    if (!(r.Width < 2 * screenWidth && r.Height < 3 * screenHeight))
        return false;
    ratio = SaneViewRatio(ratio);
    r.Left = currentLeft;
    r.Top = currentTop;
    r.Width = TruncPx(r.Width * 100 / 90.0);
    r.Height = TruncPx(r.Width * ratio);
    return true;
}

int WheelScrollPosition(int position, int wheelDelta)
{
    return position - wheelDelta / 5;
}

TplPrevButtonSet ButtonsEnabledForPage(int pageNumber, int pageCount)
{
    TplPrevButtonSet on = ButtonBit(pbClose);
    if (pageNumber > 0)
        on |= ButtonBit(pbPrint) | ButtonBit(pbPrinterSet) | ButtonBit(pbPageWhole) | ButtonBit(pbPageWidth)
            | ButtonBit(pbZoomDown) | ButtonBit(pbZoomUp);
    if (pageNumber > 1)
        on |= ButtonBit(pbFirstPage) | ButtonBit(pbPriorPage);
    if (pageNumber < pageCount)
        on |= ButtonBit(pbNextPage) | ButtonBit(pbLastPage);
    return on;
}

void ArrangeButtonPlaces(TplPrevButtonSet visible, const int (&widths)[pbCount], int firstLeft, bool styled,
                         TplButtonPlace (&out)[pbCount])
{
    int x = firstLeft;
    for (int k = 0; k < pbCount; ++k) {
        out[k].Width = widths[k];
        if (!(visible & ButtonBit(k))) {
            out[k].Left = -1;
            continue;
        }
        out[k].Left = x;
        x = out[k].Left + out[k].Width + 1;
        if (styled)
            out[k].Width += 3;
    }
}

QString PageStatusText(int pageNumber, int pageCount, const QString& paperName)
{
    return QStringLiteral(" Page  %1/%2  %3").arg(pageNumber).arg(pageCount).arg(paperName);
}

TplEdges HardCopyRect(int pageWidth, double captureRatio)
{
    TplEdges e;
    e.Left = pageWidth / 10;
    e.Top = e.Left / 2;
    e.Right = pageWidth - e.Left;
    const double h = (e.Right - e.Left) * (std::isfinite(captureRatio) && captureRatio > 0 ? captureRatio : 0.0);
    e.Bottom = e.Top + TruncPx(std::nearbyint(h)); // default rounding mode: halves to even
    return e;
}

QSize MinimumWindowSize(QSize proposed)
{
    return {std::max(proposed.width(), 350), std::max(proposed.height(), 350)};
}

QRect FitWindowToArea(const QRect& client, const QMargins& frame, const QRect& area, QSize minimum)
{
    if (area.isEmpty())
        return client;
    const int frameW = frame.left() + frame.right(), frameH = frame.top() + frame.bottom();
    const int w = std::max(std::min(client.width(), area.width() - frameW), minimum.width());
    const int h = std::max(std::min(client.height(), area.height() - frameH), minimum.height());
    // Outer (framed) left and top, kept inside the area; the far edge first,
    // so that a window larger than the area starts at its near edge.
    int left = client.left() - frame.left(), top = client.top() - frame.top();
    left = std::max(std::min(left, area.right() + 1 - (w + frameW)), area.left());
    top = std::max(std::min(top, area.bottom() + 1 - (h + frameH)), area.top());
    return QRect(left + frame.left(), top + frame.top(), w, h);
}
