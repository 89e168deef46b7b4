// Zoom, paging, status and layout rules of the preview window, on their own.
#include "plPrevFrmCalc.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

static void PrintTo(const TplImgRect& r, std::ostream* os)
{
    *os << "{" << r.Left << ", " << r.Top << ", " << r.Width << ", " << r.Height << "}";
}
static void PrintTo(const TplEdges& e, std::ostream* os)
{
    *os << "{" << e.Left << ", " << e.Top << ", " << e.Right << ", " << e.Bottom << "}";
}

TEST(PreviewZoom, WholePageFitsTheLimitingSide)
{
    struct Case {
        int w, h;
        double ratio;
        TplImgRect want;
    };
    const Case cases[] = {
        {800, 600, 1.5, {210, 15, 380, 570}}, // taller than the area: height limits
        {800, 600, 0.75, {15, 11, 770, 577}}, // equal aspect takes the width branch
        {800, 600, 0.5, {15, 107, 770, 385}},
        {1920, 1000, 297.0 / 210.0, {617, 15, 685, 970}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WholePageRect(c.w, c.h, c.ratio), c.want) << c.w << "x" << c.h << " ratio " << c.ratio;
}

TEST(PreviewZoom, PageWidthUsesTheClientWidth)
{
    EXPECT_EQ(PageWidthRect(1000, 1.5), (TplImgRect{15, 15, 970, 1455}));
    EXPECT_EQ(PageWidthRect(20, 1.5), (TplImgRect{15, 15, 0, 0}));
}

TEST(PreviewZoom, StepsOutAndBackIn)
{
    TplImgRect r{15, 15, 970, 1455};
    ASSERT_TRUE(ZoomOutStep(r, 1.5));
    EXPECT_EQ(r, (TplImgRect{15, 15, 873, 1309}));
    // Zoom in adopts the position the image has now (it may have been dragged).
    ASSERT_TRUE(ZoomInStep(r, -40, 7, 1.5, 1920, 1080));
    EXPECT_EQ(r, (TplImgRect{-40, 7, 970, 1455}));
}

TEST(PreviewZoom, LimitsRefuseAndLeaveTheRectangle)
{
    TplImgRect r{15, 15, 101, 151};
    ASSERT_TRUE(ZoomOutStep(r, 1.5));
    EXPECT_EQ(r.Width, 90);
    EXPECT_EQ(r.Height, 135);
    const TplImgRect small = r;
    EXPECT_FALSE(ZoomOutStep(r, 1.5));
    EXPECT_EQ(r, small);

    struct Case {
        int width, height;
        bool grows;
    };
    const Case cases[] = {
        {3839, 1000, true},
        {3840, 1000, false},
        {1000, 3239, true},
        {1000, 3240, false},
    };
    for (const auto& c : cases) {
        TplImgRect z{5, 6, c.width, c.height};
        EXPECT_EQ(ZoomInStep(z, 0, 0, 1.0, 1920, 1080), c.grows) << c.width << "x" << c.height;
        if (!c.grows) {
            EXPECT_EQ(z, (TplImgRect{5, 6, c.width, c.height}));
        }
    }
}

TEST(PreviewZoom, UnusableRatioStillGivesAPage)
{
    for (double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        const TplImgRect r = WholePageRect(800, 600, bad);
        EXPECT_GT(r.Width, 0);
        EXPECT_GT(r.Height, r.Width);
        EXPECT_LE(r.Height, 570);
    }
    // A needle-thin page clamps instead of overflowing.
    EXPECT_LE(PageWidthRect(1000, 1e300).Height, 16777215);
}

TEST(PreviewScroll, WheelDeltaOverFiveTruncatesTowardZero)
{
    struct Case {
        int pos, delta, want;
    };
    const Case cases[] = {{0, -120, 24}, {100, 120, 76}, {10, -7, 11}, {10, 7, 9}, {10, 4, 10}, {0, -240, 48}};
    for (const auto& c : cases)
        EXPECT_EQ(WheelScrollPosition(c.pos, c.delta), c.want) << c.pos << " " << c.delta;
}

TEST(PreviewButtons, EnabledByPagePosition)
{
    const TplPrevButtonSet always = ButtonBit(pbPrint) | ButtonBit(pbPrinterSet) | ButtonBit(pbPageWhole)
        | ButtonBit(pbPageWidth) | ButtonBit(pbZoomDown) | ButtonBit(pbZoomUp) | ButtonBit(pbClose);
    const TplPrevButtonSet back = ButtonBit(pbFirstPage) | ButtonBit(pbPriorPage);
    const TplPrevButtonSet fwd = ButtonBit(pbNextPage) | ButtonBit(pbLastPage);
    struct Case {
        int page, count;
        TplPrevButtonSet want;
    };
    const Case cases[] = {
        {1, 5, TplPrevButtonSet(always | fwd)},
        {3, 5, TplPrevButtonSet(always | back | fwd)},
        {5, 5, TplPrevButtonSet(always | back)},
        {1, 1, always},
        {0, 0, ButtonBit(pbClose)},
    };
    for (const auto& c : cases) {
        const TplPrevButtonSet got = ButtonsEnabledForPage(c.page, c.count);
        EXPECT_EQ(got, c.want) << "page " << c.page << " of " << c.count;
        EXPECT_FALSE(got & (ButtonBit(pbHelp) | ButtonBit(pbInfo)));
    }
}

TEST(PreviewButtons, ArrangedLeftToRightSkippingHiddenOnes)
{
    const int widths[pbCount] = {80, 80, 52, 52, 52, 52, 52, 52, 52, 52, 52, 52, 52};
    TplButtonPlace out[pbCount];
    const TplPrevButtonSet defaults = 0x13FD; // no printer setup, help or info
    ArrangeButtonPlaces(defaults, widths, 19, true, out);
    const int wantLeft[pbCount] = {19, -1, 100, 153, 206, 259, 312, 365, 418, 471, -1, -1, 524};
    for (int k = 0; k < pbCount; ++k) {
        EXPECT_EQ(out[k].Left, wantLeft[k]) << "button " << k;
        EXPECT_EQ(out[k].Width, wantLeft[k] < 0 ? widths[k] : widths[k] + 3) << "button " << k;
    }
    ArrangeButtonPlaces(0x1FFF, widths, 19, false, out);
    EXPECT_EQ(out[1].Left, 100);
    EXPECT_EQ(out[12].Left, 19 + 81 + 81 + 10 * 53);
    EXPECT_EQ(out[12].Width, 52);
}

TEST(PreviewStatus, PageAndPaperText)
{
    EXPECT_EQ(PageStatusText(3, 12, QStringLiteral("A4")), QStringLiteral(" Page  3/12  A4"));
    EXPECT_EQ(PageStatusText(1, 1, QString()), QStringLiteral(" Page  1/1  "));
}

TEST(PreviewHardCopy, CaptureRectangleOnThePage)
{
    struct Case {
        int pageWidth;
        double ratio;
        TplEdges want;
    };
    const Case cases[] = {
        {4960, 1080.0 / 1920.0, {496, 248, 4464, 2480}},
        {100, 0.53125, {10, 5, 90, 5 + 42}}, // 42.5 rounds to even
        {100, 0.54375, {10, 5, 90, 5 + 44}}, // 43.5 rounds to even
        {0, 0.5, {0, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HardCopyRect(c.pageWidth, c.ratio), c.want) << c.pageWidth << " " << c.ratio;
}

TEST(PreviewResize, NeverBelowMinimum)
{
    EXPECT_EQ(MinimumWindowSize({100, 900}), QSize(350, 900));
    EXPECT_EQ(MinimumWindowSize({900, 349}), QSize(900, 350));
    EXPECT_EQ(MinimumWindowSize({351, 351}), QSize(351, 351));
}

// A designed window larger than the screen (1706 x 960 on 1366 x 768 less a
// 32-pixel panel) shrinks to the available area; one that fits keeps its
// size and only moves as far as needed; a frame counts as part of the window.
TEST(PreviewResize, DesignedWindowIsBroughtOntoTheScreen)
{
    const QRect laptop(0, 0, 1366, 736);
    const QSize minimum(350, 350);
    const struct {
        QRect client;
        QMargins frame;
        QRect area;
        QRect want;
    } cases[] = {
        {{20, 20, 1706, 960}, {}, laptop, {0, 0, 1366, 736}},
        {{20, 20, 1706, 960}, {1, 30, 1, 1}, laptop, {1, 30, 1364, 705}},
        {{20, 20, 800, 600}, {}, laptop, {20, 20, 800, 600}},
        {{900, 400, 800, 600}, {}, laptop, {566, 136, 800, 600}},
        {{-50, -10, 800, 600}, {4, 24, 4, 4}, laptop, {4, 24, 800, 600}},
        {{20, 20, 800, 600}, {}, {1366, 0, 1920, 1050}, {1366, 20, 800, 600}}, // second monitor
        {{20, 20, 800, 600}, {}, {0, 0, 300, 200}, {0, 0, 350, 350}},          // never below the minimum
        {{20, 20, 1706, 960}, {}, QRect(), {20, 20, 1706, 960}},               // no screen known
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitWindowToArea(c.client, c.frame, c.area, minimum), c.want) << c.client.x() << "," << c.client.y();
}
