#include "plCupsPrinterService.h"
#include "plMessageBox.h"
#include "plPrev.h"
#include "plPrevHost.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "support/plLogDevice.h"

#include <QApplication>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// This suite runs as on a machine without printers: its spooler does not exist.
class TNoSpooler : public ::testing::Environment {
public:
    void SetUp() override
    {
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>("/nonexistent/mirvak/cups.sock"));
    }
};
const auto* const kNoSpooler = ::testing::AddGlobalTestEnvironment(new TNoSpooler);

// A document on a machine without printer that carries the stored geometry
// of an A4 sheet at 600 dpi (as the main window stores it).
std::unique_ptr<TplPrev> StoredA4Document()
{
    auto doc = std::make_unique<TplPrev>();
    doc->SetName("plPrev1");
    doc->FPaperWidth = 2099;
    doc->FPaperHeight = 2969;
    doc->FXResolution = 600;
    doc->FYResolution = 600;
    doc->FLeftOffset = 43;
    doc->FRightOffset = 2057;
    doc->FTopOffset = 43;
    doc->FBottomOffset = 2927;
    return doc;
}

std::vector<TLogItem> PageLog(const TCustomplPrev& doc, int page)
{
    return LogPicture(doc.Pages().at(std::size_t(page) - 1));
}

} // namespace

// A new document: its own printer-settings object, nothing drawn, the stored
// defaults of its settings.
TEST(plPrev, Defaults)
{
    QObject owner;
    auto* doc = new TplPrev(&owner);
    ASSERT_NE(doc->plSetPrinter(), nullptr);
    EXPECT_EQ(doc->plSetPrinter()->Name(), "Default");
    EXPECT_EQ(doc->plSetPrinter()->parent(), doc);
    EXPECT_EQ(doc->DrawType(), dtNone);
    EXPECT_EQ(doc->PageCount(), 1);
    EXPECT_EQ(doc->PageNumber(), 1);
    EXPECT_EQ(doc->PrintFromPage(), 0);
    EXPECT_EQ(doc->PrintToPage(), 0);
    EXPECT_EQ(doc->ViewWidth(), 0);
    EXPECT_EQ(doc->Canvas(), nullptr);
    EXPECT_EQ(doc->GetMetaImage(1), nullptr);
    EXPECT_EQ(doc->BtnOptions().ToInt(), 0x13FDu);
    EXPECT_FALSE(doc->BtnOptions().Contains(boPrinterSetBtn));
    EXPECT_FALSE(doc->BtnOptions().Contains(boHelpBtn));
    EXPECT_FALSE(doc->BtnOptions().Contains(boInfoBtn));
    EXPECT_TRUE(doc->BtnOptions().Contains(boCloseBtn));
    EXPECT_EQ(doc->Title(), u"印刷プレビュー[Vorblin]"_qs);
    EXPECT_EQ(doc->Cursor(), Qt::WaitCursor);
    EXPECT_EQ(doc->FormLeft, 20);
    EXPECT_EQ(doc->FormTop, 20);
    EXPECT_EQ(doc->FormColor, clBtnFace);
    EXPECT_EQ(doc->PaperColor, clWhite);
    EXPECT_TRUE(doc->ViewClip);
    EXPECT_EQ(doc->ZoomType, ztWholePage);
    EXPECT_EQ(doc->FormWindowState, fwNormal);
    EXPECT_EQ(doc->FormBorderIcons, (TBorderIcons{biSystemMenu, biMinimize, biMaximize}));
    EXPECT_TRUE(doc->ImageVisible());
    EXPECT_FALSE(doc->UseOriginPaperSize());
    // The document goes with its owner, its printer-settings object with it.
}

TEST(plPrev, Roundoff)
{
    const struct {
        double X;
        int R;
    } cases[] = {{2.5, 3}, {-2.5, -3}, {2.49, 2}, {-2.49, -2}, {0, 0}, {10.5 * 254 / 72, 37}, {-0.5, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(TCustomplPrev::Roundoff(c.X), c.R) << c.X;
}

// The printer's pixels in paper units, with every rounding rule, the bands
// exchanged for printing upside down and a designed size turned for landscape.
TEST(plPrev, PaperGeometry)
{
    // 4960 x 7014 pixels at 600 dpi with 100 unprintable pixels at each side.
    TPrinterPixels a4;
    a4.PaperWidth = 4960;
    a4.PaperHeight = 7014;
    a4.PageWidth = 4760;
    a4.PageHeight = 6814;
    a4.LeftOffset = 100;
    a4.TopOffset = 100;
    a4.RightOffset = 4860;
    a4.BottomOffset = 6914;
    a4.XResolution = 600;
    a4.YResolution = 600;

    TPaperGeometry g = PaperGeometry(a4, false);
    EXPECT_EQ(g.PaperWidth, 2099); // not 2100
    EXPECT_EQ(g.LeftOffset, 43);   // 42.33 rounded up
    EXPECT_EQ(g.RightOffset, 2057);
    EXPECT_EQ(g.PageWidth, 2015); // one more than the offsets' difference
    EXPECT_EQ(g.PaperHeight, 2969);
    EXPECT_EQ(g.TopOffset, 43);
    EXPECT_EQ(g.BottomOffset, 2927);
    EXPECT_EQ(g.PageHeight, 2884);

    // Unequal bands: left 100, right 200, top 50, bottom 300 pixels.
    TPrinterPixels uneven = a4;
    uneven.PageWidth = 4660;
    uneven.PageHeight = 6664;
    uneven.TopOffset = 50;
    uneven.RightOffset = 4760;
    uneven.BottomOffset = 6714;
    g = PaperGeometry(uneven, false);
    EXPECT_EQ((std::array{g.PaperLO, g.PaperTO, g.PaperRO, g.PaperBO}), (std::array{100, 50, 200, 300}));
    EXPECT_EQ((std::array{g.LeftOffset, g.TopOffset, g.RightOffset, g.BottomOffset}),
              (std::array{43, 22, 2099 - 84, 2969 - 127}));
    g = PaperGeometry(uneven, true);
    EXPECT_EQ((std::array{g.PaperLO, g.PaperTO, g.PaperRO, g.PaperBO}), (std::array{200, 300, 100, 50}));
    EXPECT_EQ((std::array{g.LeftOffset, g.TopOffset, g.RightOffset, g.BottomOffset}),
              (std::array{85, 127, 2099 - 42, 2969 - 21}));

    // A designed size of 2100 x 2970 on a landscape printer.
    TPrinterPixels landscape = a4;
    std::swap(landscape.PaperWidth, landscape.PaperHeight);
    std::swap(landscape.PageWidth, landscape.PageHeight);
    landscape.RightOffset = 6914;
    landscape.BottomOffset = 4860;
    landscape.Landscape = true;
    g = PaperGeometry(landscape, false, 2100, 2970);
    EXPECT_EQ(g.PaperWidth, 2970);
    EXPECT_EQ(g.PaperHeight, 2100);
    EXPECT_EQ(g.RightOffset, 2970 - 42);
    EXPECT_EQ(g.PageWidth, g.RightOffset - g.LeftOffset);
}

// Without a printer the stored geometry stays and pages are still recorded on it.
TEST(plPrev, RecordsWithoutPrinterOnStoredGeometry)
{
    auto doc = StoredA4Document();
    ASSERT_TRUE(doc->NoPrinter());
    doc->BeginDoc();
    EXPECT_EQ(doc->PaperWidth(), 2099);
    EXPECT_EQ(doc->PageWidth(), 0); // not streamed, not computed without printer
    EXPECT_NEAR(doc->PaperRatio(), 2969.0 / 2099.0, 1e-12);
    EXPECT_EQ(doc->ViewWidth(), 2099);
    EXPECT_EQ(doc->ViewHeight(), 2969);
    EXPECT_NE(doc->Canvas(), nullptr);
    doc->Line(100, 200, 50, 50);
    doc->EndDoc();
    ASSERT_EQ(doc->Pages().size(), 1u);
    EXPECT_EQ(doc->Pages()[0].Width(), 2099);
    EXPECT_EQ(doc->Pages()[0].Height(), 2969);
    auto lines = Only(PageLog(*doc, 1), TLogItem::ikLine);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Points[0], QPointF(100, 50)); // horizontal, not from (100, 200)
    EXPECT_EQ(lines[0].Points[1], QPointF(200, 50));
    // Recording clips to the printable area.
    ASSERT_TRUE(lines[0].Clip);
    EXPECT_EQ(*lines[0].Clip, QRectF(QPointF(43, 43), QPointF(2057, 2927)));
}

// The page count, page number, range and store through a document's life.
TEST(plPrev, DocumentLifecycle)
{
    auto doc = StoredA4Document();
    doc->SetBtnOptions(doc->BtnOptions().Include(boPrinterSetBtn));
    doc->BeginDoc();
    EXPECT_FALSE(doc->BtnOptions().Contains(boPrinterSetBtn));
    doc->EndDoc();
    EXPECT_EQ(doc->PageCount(), 1);
    EXPECT_EQ(doc->Pages().size(), 1u);
    EXPECT_TRUE(PageLog(*doc, 1).empty());

    doc->BeginDoc();
    EXPECT_EQ(doc->PrintFromPage(), 1);
    for (int i = 0; i < 3; ++i) {
        doc->TextOut(100, 100, QString::number(i + 1));
        EXPECT_EQ(doc->Pages().size(), std::size_t(doc->PageNumber() - 1));
        doc->NewPage();
    }
    EXPECT_EQ(doc->PageNumber(), 4);
    doc->SetPageCount(9); // ignored while recording
    doc->EndDoc();
    EXPECT_EQ(doc->PageCount(), 4);
    EXPECT_EQ(doc->PageNumber(), 1);
    EXPECT_EQ(doc->PrintToPage(), 4);
    EXPECT_EQ(doc->Canvas(), nullptr);
    ASSERT_EQ(doc->Pages().size(), 4u);
    for (int p = 1; p <= 3; ++p) {
        auto texts = Texts(PageLog(*doc, p));
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].Text, QString::number(p));
    }
    EXPECT_TRUE(Texts(PageLog(*doc, 4)).empty());

    // A new document discards the old pages.
    doc->BeginDoc();
    EXPECT_TRUE(doc->Pages().empty());
    doc->EndDoc();
    EXPECT_EQ(doc->PageCount(), 1);

    doc->SetPageCount(0);
    EXPECT_EQ(doc->PageCount(), 1);
    doc->SetViewWidth(-5);
    EXPECT_EQ(doc->ViewWidth(), 2099);
}

// Font and pen carry over to the next page; the brush starts clear and white.
TEST(plPrev, StateCarriesOverToTheNextPage)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    EXPECT_EQ(doc->Canvas()->Font().Height, -37);
    EXPECT_NE(doc->Canvas()->Font().Width, 0); // the page font's explicit width
    doc->FillRect(100, 200, 100, 200);         // clear brush: nothing
    doc->FontSize(11);
    doc->FontName("Verdana");
    doc->PenColor(clRed);
    doc->PenWidth(5);
    doc->BrushColor(clBlue);
    doc->FillRect(100, 200, 300, 400);
    doc->NewPage();
    EXPECT_EQ(doc->Canvas()->Font().Height, -39);
    EXPECT_EQ(doc->Canvas()->Font().Name, "Verdana");
    EXPECT_EQ(doc->Canvas()->Pen(), (TPen{clRed, psSolid, 5}));
    EXPECT_EQ(doc->Canvas()->Brush(), (TBrush{clWhite, bsClear}));
    doc->FillRect(100, 200, 300, 400);
    doc->Line(0, 100, 500, 500);
    doc->EndDoc();

    auto fills1 = Fills(PageLog(*doc, 1));
    ASSERT_EQ(fills1.size(), 1u);
    EXPECT_EQ(fills1[0].Box, QRectF(100, 300, 100, 100));
    EXPECT_EQ(fills1[0].Brush.color(), QColor(0, 0, 255));
    auto page2 = PageLog(*doc, 2);
    EXPECT_TRUE(Fills(page2).empty());
    auto lines = Only(page2, TLogItem::ikLine);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Pen.color(), QColor(255, 0, 0));
    EXPECT_DOUBLE_EQ(lines[0].PenWidth, 5);
}

// Point sizes become negative heights in paper units.
TEST(plPrev, FontSizes)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    for (auto [pt, height] : {std::pair{11.0, -39}, {10.5, -37}, {12.0, -42}, {16.0, -56}, {21.0, -74}}) {
        doc->FontSize(pt);
        EXPECT_EQ(doc->Canvas()->Font().Height, height) << pt;
        EXPECT_EQ(doc->Canvas()->Font().Width, 0);
    }
    doc->FontHeight(50);
    EXPECT_EQ(doc->Canvas()->Font().Height, 50);
    TFont f;
    f.Name = "DejaVu Serif";
    f.Height = -100;
    f.Style = TFontStyles{fsBold};
    doc->FontAssign(f);
    EXPECT_EQ(doc->Canvas()->Font().Height, -100);
    EXPECT_EQ(doc->Canvas()->Font().Name, "DejaVu Serif");
    EXPECT_TRUE(doc->Canvas()->Font().Style.Contains(fsBold));
    doc->EndDoc();
}

// Dashed and dotted pens one unit wide become one device pixel wide.
TEST(plPrev, DashAndDotWidthRules)
{
    struct Case {
        std::vector<std::pair<char, int>> Steps; // 's': style, 'w': width
        TPenStyle Style;
        int Width;
    };
    const Case cases[] = {
        {{{'s', psDot}, {'w', 1}}, psDot, 0}, {{{'w', 1}, {'s', psDash}}, psDash, 0},
        {{{'s', psDot}, {'w', 2}}, psDot, 2}, {{{'w', 1}, {'s', psDashDot}}, psDashDot, 1},
        {{{'w', 3}, {'w', -1}}, psSolid, 3},
    };
    for (const Case& c : cases) {
        auto doc = StoredA4Document();
        doc->BeginDoc();
        for (auto [what, v] : c.Steps) {
            if (what == 's')
                doc->LineStyle(TPenStyle(v));
            else
                doc->LineWidth(v);
        }
        EXPECT_EQ(doc->Canvas()->Pen().Style, c.Style);
        EXPECT_EQ(doc->Canvas()->Pen().Width, c.Width);
        doc->EndDoc();
    }
}

// Shapes take their box as X1, X2, Y1, Y2.
TEST(plPrev, Shapes)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    doc->BrushColor(clRed);
    doc->RectLine(100, 300, 1000, 1200);
    doc->Rectangle(400, 600, 1000, 1200);
    doc->FrameRect(700, 900, 1000, 1200);
    doc->Circle(1000, 1000, 100);
    doc->Circle(1500, 1500, 5);
    doc->Ellipse(1000, 2000, 100, 51);
    doc->EndDoc();
    auto items = PageLog(*doc, 1);

    auto polys = Only(items, TLogItem::ikPolyline);
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_EQ(polys[0].Points,
              QPolygonF({QPointF(100, 1000), QPointF(300, 1000), QPointF(300, 1200), QPointF(100, 1200),
                         QPointF(100, 1000)}));
    auto rects = Only(items, TLogItem::ikRect);
    auto outlined = std::find_if(rects.begin(), rects.end(), [](const TLogItem& r) { return !r.IsFill(); });
    ASSERT_NE(outlined, rects.end());
    EXPECT_EQ(outlined->Box, QRectF(400, 1000, 200, 200));
    EXPECT_EQ(outlined->Brush.color(), QColor(255, 0, 0));
    EXPECT_EQ(Fills(items).size(), 4u); // the frame's four edges, nothing inside the polyline
    auto ellipses = Only(items, TLogItem::ikEllipse);
    ASSERT_EQ(ellipses.size(), 3u);
    EXPECT_EQ(ellipses[0].Box, QRectF(QPointF(950, 950), QPointF(1050, 1050)));
    EXPECT_EQ(ellipses[1].Box, QRectF(QPointF(1497, 1497), QPointF(1503, 1503))); // odd diameter: one unit more
    EXPECT_EQ(ellipses[2].Box, QRectF(QPointF(950, 1974), QPointF(1050, 2026)));
}

// Text at a point: the anchor table, the "Hg" line height, the clear brush
// and the current position after the text.
TEST(plPrev, TextOutAnchors)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    doc->FontName("DejaVu Sans");
    doc->FontSize(10.5);
    doc->BrushColor(clRed);
    TCanvas* c = doc->Canvas();
    const QString text = "Text 7";
    const int W = c->TextWidth(text);
    const int H = c->TextHeight("Hg");
    const auto up = [](int v) { return (v + 1) / 2; };
    struct Case {
        void (TCustomplPrev::*Op)(int, int, const QString&);
        int Dx, Dy;
    };
    const Case cases[] = {
        {&TCustomplPrev::TextOut, 0, 0},         {&TCustomplPrev::TextOutLT, 0, 0},
        {&TCustomplPrev::TextOutLC, 0, -up(H)},  {&TCustomplPrev::TextOutLB, 0, -H},
        {&TCustomplPrev::TextOutCT, -up(W), 0},  {&TCustomplPrev::TextOutCC, -up(W), -up(H)},
        {&TCustomplPrev::TextOutCB, -up(W), -H}, {&TCustomplPrev::TextOutRT, -W, 0},
        {&TCustomplPrev::TextOutRC, -W, -up(H)}, {&TCustomplPrev::TextOutRB, -W, -H},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        (doc.get()->*cases[i].Op)(1000, 500 + int(i) * 100, text);
        EXPECT_EQ(c->PenPos(), QPoint(1000 + cases[i].Dx + W, 500 + int(i) * 100 + cases[i].Dy)) << i;
    }
    EXPECT_EQ(c->Brush(), (TBrush{clWhite, bsClear}));
    doc->TextOutCC(1500, 2000, "");
    EXPECT_EQ(c->PenPos(), QPoint(1500, 2000 - up(H)));
    doc->EndDoc();

    auto texts = Texts(PageLog(*doc, 1));
    ASSERT_EQ(texts.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_NEAR(texts[i].Box.left(), 1000 + cases[i].Dx, 0.01) << i;
        EXPECT_NEAR(texts[i].Box.top(), 500 + int(i) * 100 + cases[i].Dy, 0.01) << i;
    }
}

// Texts with and without descenders sit on one line.
TEST(plPrev, DigitsAndDescendersShareALine)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    doc->FontSize(21);
    doc->TextOutLC(100, 500, "1234");
    doc->TextOutLC(600, 500, "gjpq");
    doc->TextRectLC(100, 500, 700, 800, "1234");
    doc->TextRectLC(600, 900, 700, 800, "gjpq");
    doc->EndDoc();
    auto texts = Texts(PageLog(*doc, 1));
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_DOUBLE_EQ(texts[0].Origin.y(), texts[1].Origin.y());
    EXPECT_DOUBLE_EQ(texts[2].Origin.y(), texts[3].Origin.y());
}

// Box text: the nine flags, one line, clipped to the box, "&" prefixes.
TEST(plPrev, TextRectBoxes)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    doc->FontName("DejaVu Sans");
    TCanvas* c = doc->Canvas();
    const double w = c->TextWidthF("AB");
    const double wa = c->TextWidthF("A");
    const double cell = c->TextMetrics().Height;
    doc->TextRectLB(100, 900, 200, 300, "A&B");
    doc->TextRectLB(100, 900, 400, 500, "A&&B");
    doc->TextOut(100, 600, "A&B");
    doc->TextRectCC(1000, 1100, 1000, 1100, "much wider than its box");
    doc->TextRectRT(100, 900, 1200, 1300, QString("AB") + QChar(0) + "hidden");
    EXPECT_EQ(c->BkMode(), TRANSPARENT);
    doc->EndDoc();
    auto items = PageLog(*doc, 1);
    auto texts = Texts(items);
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0].Text, "AB");
    EXPECT_NEAR(texts[0].Box.left(), 100, 0.01);
    EXPECT_NEAR(texts[0].Box.top(), 300 - cell, 0.6);
    auto fills = Fills(items);
    ASSERT_EQ(fills.size(), 1u); // B underlined
    EXPECT_NEAR(fills[0].Box.left(), 100 + wa, 0.01);
    EXPECT_EQ(texts[1].Text, "A&B");
    EXPECT_EQ(texts[2].Text, "A&B");
    EXPECT_EQ(texts[3].Text, "much wider than its box");
    ASSERT_TRUE(texts[3].Clip);
    EXPECT_EQ(*texts[3].Clip, QRectF(1000, 1000, 100, 100));
    EXPECT_LT(texts[3].Box.left(), 1000);
    EXPECT_GT(texts[3].Box.right(), 1100);
    EXPECT_EQ(texts[4].Text, "AB");
    EXPECT_NEAR(texts[4].Box.right(), 900, 0.01);
    EXPECT_NEAR(texts[4].Box.width(), w, 0.01);
}

// Composition in recorded mode: page numbers out of range take the nearest
// page; the stored page is drawn on the paper colour inside the printable area.
TEST(plPrev, ComposesRecordedPages)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    doc->TextOut(100, 100, "one");
    doc->NewPage();
    doc->TextOut(100, 100, "two");
    doc->EndDoc();
    int beforeView = 0;
    doc->OnBeforeView = [&](QObject* sender, int page) {
        EXPECT_EQ(sender, doc.get());
        beforeView = page;
    };
    for (auto [asked, text, page] : {std::tuple{0, "one", 1}, {1, "one", 1}, {2, "two", 2}, {7, "two", 2}}) {
        TMetafile* m = doc->GetMetaImage(asked);
        ASSERT_NE(m, nullptr);
        auto items = LogPicture(*m);
        auto texts = Texts(items);
        ASSERT_EQ(texts.size(), 1u) << asked;
        EXPECT_EQ(texts[0].Text, text);
        EXPECT_EQ(beforeView, page);
        ASSERT_FALSE(Fills(items).empty());
        EXPECT_EQ(Fills(items)[0].Box, QRectF(0, 0, 2099, 2969)); // the paper
        EXPECT_EQ(doc->PageNumber(), 1);
        EXPECT_EQ(doc->Canvas(), nullptr);
    }
}

// Printing maps paper unit (0, 0) onto the sheet's corner, shifted by the
// print offsets; upside-down printing turns the page on the sheet.
TEST(plPrev, PrintedPageLandsOnTheSheet)
{
    struct Case {
        bool Inverse;
        int OffX, OffY;
    };
    for (const Case c : {Case{false, 0, 0}, Case{false, 50, -20}, Case{true, 0, 0}, Case{true, 50, -20}}) {
        auto doc = StoredA4Document();
        // The printer as read from a 600 dpi A4 sheet with 100-pixel bands.
        doc->FplPaperWidth = 4960;
        doc->FplPaperHeight = 7014;
        doc->FplPageWidth = 4760;
        doc->FplPageHeight = 6814;
        doc->PaperLO = doc->PaperTO = doc->PaperRO = doc->PaperBO = 100;
        doc->SetInversePrint(c.Inverse);
        doc->SetPrintOffsetX(c.OffX);
        doc->SetPrintOffsetY(c.OffY);
        doc->BeginDoc();
        doc->Line(100, 1000, 200, 200);
        doc->TextOut(100, 300, "first");
        doc->EndDoc();

        doc->FPrinting = true;
        TLogDevice dev(4760, 6814); // the printable area in printer pixels
        {
            QPainter p(&dev);
            doc->PrintPage(&p, 1);
        }
        doc->FPrinting = false;

        // Device pixels back to the sheet's physical pixels.
        const auto sheet = [](QPointF d) { return d + QPointF(100, 100); };
        const double kx = 4960.0 / 2099, ky = 7014.0 / 2969;
        const auto expected = [&](double x, double y) {
            if (!c.Inverse)
                return QPointF((x + c.OffX) * kx, (y + c.OffY) * ky);
            return QPointF((2099 - x - c.OffX) * kx, (2969 - y - c.OffY) * ky);
        };
        EXPECT_TRUE(Fills(dev.Items).empty()); // no paper colour on paper
        auto lines = Only(dev.Items, TLogItem::ikLine);
        ASSERT_EQ(lines.size(), 1u);
        for (int i = 0; i < 2; ++i) {
            const QPointF got = sheet(lines[0].Points[i]);
            const QPointF want = expected(i == 0 ? 100 : 1000, 200);
            EXPECT_NEAR(got.x(), want.x(), 1e-6) << c.Inverse << c.OffX;
            EXPECT_NEAR(got.y(), want.y(), 1e-6) << c.Inverse << c.OffX;
        }
        auto texts = Texts(dev.Items);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_NEAR(std::abs(texts[0].Angle), c.Inverse ? 180 : 0, 1e-9);
        // Everything is clipped to the printable area of the page as drawn.
        ASSERT_TRUE(lines[0].Clip);
    }
}

// On demand: the callback draws the page asked for, clamped, and the number
// is kept; recording calls do nothing in this mode.
TEST(plPrev, DrawsPagesOnDemand)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    doc->TextOut(0, 0, "recorded");
    doc->EndDoc();
    int calls = 0;
    doc->SetProcName([&] {
        ++calls;
        ASSERT_NE(doc->Canvas(), nullptr);
        doc->TextOut(100, 100, QString::number(doc->PageNumber()));
    });
    EXPECT_EQ(doc->DrawType(), dtStat);
    EXPECT_TRUE(doc->Pages().empty()); // the recorded pages are gone
    doc->SetPageCount(3);
    EXPECT_EQ(doc->PageCount(), 3);
    for (auto [asked, page] : {std::pair{0, 1}, {2, 2}, {8, 3}}) {
        TMetafile* m = doc->GetMetaImage(asked);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(doc->PageNumber(), page);
        auto texts = Texts(LogPicture(*m));
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].Text, QString::number(page));
        EXPECT_EQ(doc->Canvas(), nullptr);
    }
    EXPECT_EQ(calls, 3);
    doc->NewPage();
    doc->EndDoc();
    EXPECT_EQ(doc->PageCount(), 3);
    EXPECT_EQ(doc->DrawType(), dtStat);
}

// A tractor-feed paper source shows feed holes and perforations in the
// preview and nothing of them on paper; preview-only drawing likewise.
TEST(plPrev, TractorMarksAndPreviewOnlyDrawing)
{
    for (const QString& bin : {u"ﾄﾗｸﾀｰﾌｨｰﾀﾞ"_qs, u"トラクタ"_qs, u"Tray 1"_qs}) {
        auto doc = StoredA4Document();
        doc->FBinName = bin;
        int noPrint = 0;
        doc->OnNoPrintDraw = [&](QObject*, int page) {
            noPrint = page;
            doc->TextOut(500, 500, "draft");
        };
        doc->BeginDoc();
        doc->NewPage();
        doc->EndDoc();
        const bool tractor = !bin.startsWith("Tray");
        for (bool printing : {false, true}) {
            doc->FPrinting = printing;
            noPrint = 0;
            auto items = LogPicture(*doc->GetMetaImage(2));
            auto ellipses = Only(items, TLogItem::ikEllipse);
            auto lines = Only(items, TLogItem::ikPath); // dotted lines are stroked as paths
            if (printing || !tractor) {
                EXPECT_TRUE(ellipses.empty()) << bin;
                EXPECT_TRUE(lines.empty()) << bin;
            } else {
                ASSERT_EQ(ellipses.size(), 50u) << bin; // rows at 40, 167, ... up to the first at or past 2969
                EXPECT_EQ(ellipses[0].Box, QRectF(40, 40, 40, 40));
                EXPECT_EQ(ellipses[1].Box, QRectF(2019, 40, 40, 40));
                EXPECT_EQ(ellipses.back().Box.top(), 40 + 24 * 127);
                EXPECT_EQ(ellipses[0].PenWidth, 0);
                ASSERT_FALSE(lines.empty());
                EXPECT_EQ(lines.front().Box, QRectF(QPointF(127, 0), QPointF(127, 2969)));
                EXPECT_EQ(lines.back().Box, QRectF(QPointF(2099 - 127, 0), QPointF(2099 - 127, 2969)));
                EXPECT_EQ(lines.back().Pen.style(), Qt::DotLine);
            }
            EXPECT_EQ(noPrint, printing ? 0 : 1) << "raised with the document's page number";
            EXPECT_EQ(Texts(items).size(), printing ? 0u : 1u);
        }
        doc->FPrinting = false;
    }
}

// Printing refuses with a message when nothing was drawn or there is no printer.
TEST(plPrev, PrintRefusesWithoutDrawingOrPrinter)
{
    TMessageBoxRecorder boxes;
    auto doc = StoredA4Document();
    doc->Print();
    doc->BeginDoc();
    doc->EndDoc();
    doc->Print();
    ASSERT_EQ(boxes.Boxes.size(), 2u);
    EXPECT_EQ(boxes.Boxes[0].Text, u"Canvasへの描画コードが見つかりません．　　"_qs);
    EXPECT_EQ(boxes.Boxes[0].Caption, u"印刷プレビュー制御コンポーネント"_qs);
    EXPECT_EQ(boxes.Boxes[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.Boxes[1].Text, u"プリンタがインストールされていないので印刷できません．　　"_qs);
    EXPECT_EQ(boxes.Boxes[1].Caption, u" 印刷"_qs);
    EXPECT_EQ(boxes.Boxes[1].Icon, QMessageBox::Information);
    EXPECT_FALSE(doc->Printing());
}

// This suite links the document without its window: showing shows nothing,
// asks nothing and leaves the document as it was.
TEST(plPrev, WithoutAPreviewWindowShowingShowsNothing)
{
    ASSERT_EQ(PreviewFormFactory(), nullptr);
    TMessageBoxRecorder boxes;
    auto doc = StoredA4Document();
    doc->BeginDoc();
    doc->NewPage();
    doc->EndDoc();
    const auto windows = QApplication::topLevelWidgets().size();
    doc->Show();
    doc->ShowModal();
    doc->SetImageVisible(false);
    EXPECT_FALSE(doc->Display(1));
    doc->Close();
    EXPECT_EQ(doc->Form(), nullptr);
    EXPECT_EQ(doc->FFormName, QString());
    EXPECT_FALSE(doc->FIsPrevFormShow);
    EXPECT_TRUE(doc->fgDisplay);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
    EXPECT_TRUE(boxes.Boxes.empty());
    EXPECT_EQ(doc->PageCount(), 2);
}
