// Justified, vertical, fitted and turned text and the postal-code boxes,
// read back through the logging device.
#include "plCupsPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "support/plLogDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class TextEx : public ::testing::Test {
protected:
    void SetUp() override
    {
        // No printer: pages of 2100 x 2970 units, portrait.
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>("/nonexistent/mirvak/cups.sock"));
        doc = std::make_unique<TplPrev>();
        doc->FPaperWidth = 2100;
        doc->FPaperHeight = 2970;
        doc->FXResolution = 600;
        doc->FYResolution = 600;
        doc->FRightOffset = 2100;
        doc->FBottomOffset = 2970;
        doc->BeginDoc();
    }
    void TearDown() override { TPrinter::Printer().SetService(nullptr); }

    // A monospaced font whose characters are all Width units wide.
    void Mono(int Width)
    {
        TFont f = doc->Canvas()->Font();
        f.Name = "DejaVu Sans Mono";
        f.Height = -50;
        f.Width = Width;
        doc->FontAssign(f);
    }
    std::vector<TLogItem> Log()
    {
        doc->EndDoc();
        return LogPicture(doc->Pages().at(0));
    }
    // The texts whose cell starts on row Top.
    static std::vector<TLogItem> Row(const std::vector<TLogItem>& items, double Top)
    {
        std::vector<TLogItem> out;
        for (const TLogItem& t : Texts(items))
            if (std::abs(t.Box.top() - Top) < 1.5)
                out.push_back(t);
        return out;
    }
    // Where each character of a row starts.
    static std::vector<double> Starts(const std::vector<TLogItem>& row)
    {
        std::vector<double> out;
        for (const TLogItem& t : row) {
            const double each = t.Width / t.Text.size();
            for (qsizetype i = 0; i < t.Text.size(); ++i)
                out.push_back(t.Box.left() + i * each);
        }
        return out;
    }

    std::unique_ptr<TplPrev> doc;
};

void ExpectStarts(const std::vector<double>& actual, const std::vector<double>& expected, const char* what)
{
    ASSERT_EQ(actual.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 0.02) << what << " character " << i;

}

} // namespace

// Justification: the gaps, the ±1 spread of the remainder, reversed edges,
// and the font state untouched afterwards.
TEST_F(TextEx, JustifiedGapsAndRemainder)
{
    Mono(30);
    const TFont before = doc->Canvas()->Font();
    struct Case {
        int X1, X2, Top;
        QString Text;
        std::vector<double> Starts;
    };
    const Case cases[] = {
        {0, 1000, 100, "MM", {0, 970}},
        {1000, 0, 200, "MM", {0, 970}},               // reversed edges
        {0, 191, 300, "MMM", {0, 81, 161}},           // w - T = 101: gaps 51, 50
        {0, 113, 400, "MMMM", {0, 27, 55, 83}},       // w - T = -7: gaps -3, -2, -2
    };
    const int cy = doc->Canvas()->TextMetrics().Height;
    for (const Case& c : cases)
        doc->TextRectJust(c.X1, c.X2, c.Top, c.Top + 2 * cy, c.Text);
    EXPECT_EQ(doc->Canvas()->Font(), before);
    const auto items = Log();
    for (const Case& c : cases) {
        const double top = TCustomplPrev::Roundoff(c.Top + cy - cy / 2.0);
        ExpectStarts(Starts(Row(items, top)), c.Starts, qPrintable(c.Text));
    }
}

// The font narrows below 85 % of the natural width only: ratio 80 for 800 of
// 1000, 100 for 850; down a box the ratio is the ceiling, 81 for 801.
TEST_F(TextEx, NarrowingRatios)
{
    Mono(100);
    const QString ten = "MMMMMMMMMM"; // 1000 units, up to the face's rounding
    ASSERT_NEAR(doc->Canvas()->TextWidth(ten), 1000, 1);
    doc->TextOut(0, 100, "M"); // the current font's scale
    doc->TextRectJust(0, 800, 200, 300, ten);
    doc->TextRectJust(0, 850, 400, 500, ten);
    doc->TextRectJustTate(1000, 1200, 1000, 1801, ten);
    doc->TextRectJustTate(1400, 1600, 1000, 1900, ten);
    const auto items = Log();
    const auto texts = Texts(items);
    const double natural = texts.at(0).XScale;
    auto ratioOfRow = [&](double top) { return Row(items, top).at(0).XScale / natural; };
    const double cy = texts.at(0).Box.height();
    EXPECT_NEAR(ratioOfRow(TCustomplPrev::Roundoff(250 - cy / 2)), 0.80, 1e-3);
    EXPECT_NEAR(ratioOfRow(TCustomplPrev::Roundoff(450 - cy / 2)), 1.00, 1e-3);
    std::vector<TLogItem> column81, column100;
    for (const TLogItem& t : texts) {
        if (t.Box.left() > 900 && t.Box.left() < 1300)
            column81.push_back(t);
        if (t.Box.left() > 1300)
            column100.push_back(t);
    }
    ASSERT_EQ(column81.size(), 10u);
    ASSERT_EQ(column100.size(), 10u);
    EXPECT_NEAR(column81[0].XScale / natural, 0.81, 1e-3);
    EXPECT_NEAR(column100[0].XScale / natural, 1.00, 1e-3);
    // One column read top to bottom, first cell at Y1, last ending at Y2.
    for (std::size_t i = 1; i < column81.size(); ++i) {
        EXPECT_NEAR(column81[i].Box.center().x(), column81[0].Box.center().x(), 0.01);
        EXPECT_GT(column81[i].Box.top(), column81[i - 1].Box.top());
    }
    EXPECT_NEAR(column81[0].Box.top(), 1000, 0.01);
    EXPECT_NEAR(column81.back().Box.top() + column81.back().Width, 1801, 1);
    // The column is centred on the box: the cells lie left of x.
    const int x = TCustomplPrev::Roundoff(1100 + cy / 2);
    EXPECT_NEAR(column81[0].Box.center().x(), x - cy / 2, 1);
}

// One character per cell, aligned to the last cell; a longer text runs on.
TEST_F(TextEx, FittedCells)
{
    Mono(30);
    doc->TextRectFit(100, 800, 100, 200, 7, "123");
    doc->TextRectFit(100, 400, 300, 400, 3, "12345");
    doc->TextRectFit(100, 400, 500, 600, 0, "1"); // no cells: nothing
    const auto texts = Texts(Log());
    ASSERT_EQ(texts.size(), 8u);
    const double centres[] = {450, 550, 650, 50, 150, 250, 350, 450};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_NEAR(texts[i].Box.center().x(), 100 + centres[i], 1) << i;
}

// Box alignment while the text fits, justification from an equal width on.
TEST_F(TextEx, AlignedOrJustified)
{
    doc->FontName("DejaVu Sans");
    doc->FontHeight(-50);
    TCanvas* c = doc->Canvas();
    const QString text = "Wide";
    const int w = c->TextWidth(text);
    doc->TextRectCCEx(100, 100 + w + 1, 100, 200, text);
    doc->TextRectCCEx(100, 100 + w, 300, 400, text);
    doc->TextRectLCEx(100, 100 + w + 1, 500, 600, text);
    const int narrowRight = 1000 + w * 7 / 10;
    doc->TextRectLCEx(1000, narrowRight, 700, 800, text);
    doc->TextRectCCEx(100, 110, 900, 1000, "W"); // one character: centred and clipped
    const auto items = Log();
    const auto texts = Texts(items);
    auto inBand = [&](double lo, double hi) {
        std::vector<TLogItem> out;
        for (const TLogItem& t : texts)
            if (t.Box.center().y() > lo && t.Box.center().y() < hi)
                out.push_back(t);
        return out;
    };
    const auto fits = inBand(100, 200), equal = inBand(300, 400), left = inBand(500, 600), narrow = inBand(700, 800);
    ASSERT_EQ(fits.size(), 1u);
    EXPECT_EQ(fits[0].Text, text);
    EXPECT_DOUBLE_EQ(fits[0].XScale, 1);
    ASSERT_FALSE(equal.empty());
    EXPECT_NE(equal[0].XScale, 1); // the temporary font's explicit width
    EXPECT_NEAR(equal[0].Box.left(), 100, 0.01);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NEAR(left[0].Box.left(), 100, 0.01);
    ASSERT_FALSE(narrow.empty());
    EXPECT_NEAR(narrow[0].Box.left(), 1000, 0.01);
    EXPECT_NEAR(narrow.back().Box.right(), narrowRight, 2);
    const auto one = inBand(900, 1000);
    ASSERT_EQ(one.size(), 1u);
    ASSERT_TRUE(one[0].Clip);
    EXPECT_EQ(*one[0].Clip, QRectF(100, 900, 10, 100));
}

// Turned text at a point with a chosen width; the brush ends clear.
TEST_F(TextEx, TurnedText)
{
    Mono(30);
    doc->BrushColor(clRed);
    doc->TextSpecial(500, 500, 0, 100, "AB");
    doc->TextSpecial(1000, 500, 270, 50, "AB");
    EXPECT_EQ(doc->Canvas()->Brush(), (TBrush{clWhite, bsClear}));
    EXPECT_EQ(doc->Canvas()->Font().Escapement, 0);
    const auto texts = Texts(Log());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NEAR(texts[0].Box.left(), 500, 0.01);
    EXPECT_NEAR(texts[0].Width, 60, 0.05);
    EXPECT_NEAR(std::fmod(texts[1].Angle + 360, 360), 270, 1e-9);
    EXPECT_NEAR(texts[1].Width, 30, 0.05); // half width
    EXPECT_NEAR(texts[1].Box.right(), 1000, 0.01); // cells left of the point, running down
    EXPECT_NEAR(texts[1].Box.top(), 500, 0.01);
    EXPECT_NEAR(texts[1].Box.bottom(), 530, 0.05);
}

// Postal-code boxes on A4 portrait without a printer.
TEST_F(TextEx, ZipBoxesPortrait)
{
    doc->FontName("DejaVu Sans");
    struct Case {
        bool Ex;
        QString Zip;
        bool PrtOut, Printing;
        QString Digits;
        double First, Last; // left edge of the first box, right edge of the last
    };
    const Case cases[] = {
        {false, "1234567", false, false, "1234567", 1548, 2034},
        {false, QString::fromUtf8("１２３－４５６７"), true, false, "1234567", 1548, 2034},
        {false, "12a3-45", false, false, "12345", 1548, 2034},
        {true, "123456789", false, false, "1234567", 1093, 1928},
        {false, "1234567", false, true, "1234567", 0, 0}, // printing without PrtOut: digits only, moved
        {false, "1234567", true, true, "1234567", 1548 + 11, 2034 + 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Zip.toStdString() + (c.Ex ? " Ex" : "") + (c.Printing ? " printing" : ""));
        SetUp();
        doc->FontName("DejaVu Sans");
        doc->FPrinting = c.Printing;
        (doc.get()->*(c.Ex ? &TCustomplPrev::ZipOutEx : &TCustomplPrev::ZipOut))(c.Zip, 11, 22, c.PrtOut, 30);
        doc->FPrinting = false;
        const auto items = Log();
        const auto boxes = Only(items, TLogItem::ikPolyline);
        const auto dash = Only(items, TLogItem::ikLine);
        const auto texts = Texts(items);
        const int dx = c.Printing ? 11 : 0, dy = (c.Printing ? 22 : 0) + 30;
        const int top = (c.Ex ? 185 : 120) + dy;
        if (c.Printing && !c.PrtOut) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_TRUE(dash.empty());
        } else {
            ASSERT_EQ(boxes.size(), 7u);
            ASSERT_EQ(dash.size(), 1u);
            EXPECT_EQ(boxes.front().Points.boundingRect().left(), c.First);
            EXPECT_EQ(boxes.back().Points.boundingRect().right(), c.Last);
            EXPECT_EQ(boxes.front().Points.boundingRect().top(), top);
            EXPECT_EQ(boxes.front().Points.boundingRect().height(), c.Ex ? 138 : 85);
            const QColor colour = c.PrtOut ? QColor(255, 0, 0) : QColor(255, 170, 170);
            for (std::size_t i = 0; i < 7; ++i) {
                EXPECT_EQ(boxes[i].Pen.color(), colour) << i;
                EXPECT_EQ(boxes[i].PenWidth, i < 3 ? (c.Ex ? 7 : 5) : (c.Ex ? 3 : 2)) << i;
            }
            const int left = int(c.First);
            EXPECT_EQ(dash[0].Points, QPolygonF({QPointF(left + (c.Ex ? 345 : 200), top + (c.Ex ? 65 : 40)),
                                                 QPointF(left + (c.Ex ? 368 : 214), top + (c.Ex ? 65 : 40))}));
            EXPECT_EQ(dash[0].PenWidth, c.Ex ? 7 : 5);
        }
        ASSERT_EQ(texts.size(), std::size_t(c.Digits.size()));
        const int left = 2100 - (c.Ex ? 1007 : 552) + dx;
        const int pitch = c.Ex ? 120 : 70, second = c.Ex ? 370 : 216, w = c.Ex ? 105 : 60, h = c.Ex ? 138 : 85;
        for (qsizetype i = 0; i < c.Digits.size(); ++i) {
            const int bx = left + (i < 3 ? i * pitch : second + (i - 3) * pitch);
            const int by = top + (c.Ex ? 2 : 0);
            EXPECT_EQ(texts[std::size_t(i)].Text, c.Digits.mid(i, 1));
            EXPECT_NEAR(texts[std::size_t(i)].Box.center().x(), bx + w / 2.0, 1) << i;
            EXPECT_NEAR(texts[std::size_t(i)].Box.center().y(), by + h / 2.0, 1) << i;
        }
    }
}

// On landscape paper the row is a column down the right edge and the digits
// are turned to read from top to bottom.
TEST(TextExPrinter, ZipBoxesLandscape)
{
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
    TPrinter::Printer().SetPrinterIndex(-1);
    QObject form;
    auto doc = std::make_unique<TplPrev>(&form);
    doc->plSetPrinter()->SetPaperNumber(9);
    doc->plSetPrinter()->SetOrientation(poLandscape);
    doc->UpdatePaperValues();
    ASSERT_FALSE(doc->NoPrinter());
    doc->BeginDoc();
    ASSERT_EQ(doc->ViewWidth(), 2969);
    ASSERT_EQ(doc->ViewHeight(), 2099);
    doc->FontName("DejaVu Sans");
    const QSize zero = doc->Canvas()->TextExtent("0");
    doc->ZipOut("123-4567", 0, 0, true, 10);
    doc->EndDoc();
    const auto items = LogPicture(doc->Pages().at(0));
    TPrinter::Printer().SetService(nullptr);

    const auto boxes = Only(items, TLogItem::ikPolyline);
    const auto dash = Only(items, TLogItem::ikLine);
    const auto texts = Texts(items);
    const int left = 2969 - 85 - 120 + 10, top = 2099 - 552;
    ASSERT_EQ(boxes.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        const int t = top + (i < 3 ? i * 70 : 216 + (i - 3) * 70);
        EXPECT_EQ(boxes[std::size_t(i)].Points.boundingRect(), QRectF(left, t, 85, 60)) << i;
    }
    ASSERT_EQ(dash.size(), 1u);
    EXPECT_EQ(dash[0].Points, QPolygonF({QPointF(left + 40, top + 200), QPointF(left + 40, top + 215)}));
    ASSERT_EQ(texts.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        const TLogItem& d = texts[std::size_t(i)];
        const int t = top + (i < 3 ? i * 70 : 216 + (i - 3) * 70);
        EXPECT_EQ(d.Text, QString::number(i + 1));
        EXPECT_NEAR(std::fmod(d.Angle + 360, 360), 270, 1e-9);
        EXPECT_NEAR(d.Box.right(), left + int(85 / 2.0 + zero.height() / 2.0) + 3, 0.01) << i;
        EXPECT_NEAR(d.Box.top(), t + int(60 / 2.0 - zero.width() / 2.0), 0.01) << i;
    }
}
