// Justified, vertical, fitted and turned text and the postal-code boxes,
// read back through the logging device and from printed PDFs.
#include "plCupsPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "support/SpoolerDocument.h"
#include "support/SpoolerOutput.h"
#include "support/plLogDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        {1000, 0, 200, "MM", {0, 970}},         // reversed edges
        {0, 191, 300, "MMM", {0, 81, 161}},     // w - T = 101: gaps 51, 50
        {0, 113, 400, "MMMM", {0, 27, 55, 83}}, // w - T = -7: gaps -3, -2, -2
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
    EXPECT_NEAR(texts[1].Width, 30, 0.05);         // half width
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
            EXPECT_EQ(dash[0].Points,
                      QPolygonF({QPointF(left + (c.Ex ? 345 : 200), top + (c.Ex ? 65 : 40)),
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

namespace {

// Pages printed through the private spooler's Office Laser (A4, 600 dpi) and
// read back from the PDF it writes. Lengths in the PDF are points.
class PrintedTextEx : public TSpoolerDocumentTest {
protected:
    void TearDown() override { TPrinter::Printer().SetService(nullptr); }

    static QString Print(TplPrev& Doc, const QString& Title)
    {
        Doc.SetTitle(Title);
        Doc.Print();
        return SpoolerOutput::WaitForJob("Office_Laser", TPrinter::Printer().LastJobId());
    }
};

constexpr double kUnitsPerPt = 254.0 / 72;

// The words of page 1 whose middle lies in the band of paper units.
QList<SpoolerOutput::TWord> WordsIn(const QList<SpoolerOutput::TWord>& Words, const QRectF& Band)
{
    QList<SpoolerOutput::TWord> out;
    for (const SpoolerOutput::TWord& w : Words) {
        const QPointF mid = w.Box.center() * kUnitsPerPt;
        if (w.Page == 1 && Band.contains(mid))
            out.append(w);
    }
    return out;
}

// Words from the top of the page down.
QList<SpoolerOutput::TWord> Downwards(QList<SpoolerOutput::TWord> Words)
{
    std::sort(Words.begin(), Words.end(), [](const auto& a, const auto& b) { return a.Box.top() < b.Box.top(); });
    return Words;
}

// Rectangle the dark pixels of Image cover inside Area (paper units; the
// image at Dpi dots per inch).
QRectF InkIn(const QImage& Image, int Dpi, const QRectF& Area)
{
    const double px = Dpi / 254.0;
    int l = INT_MAX, t = INT_MAX, r = -1, b = -1;
    for (int y = int(Area.top() * px); y < int(Area.bottom() * px); ++y)
        for (int x = int(Area.left() * px); x < int(Area.right() * px); ++x)
            if (qGray(Image.pixel(x, y)) < 128) {
                l = std::min(l, x);
                t = std::min(t, y);
                r = std::max(r, x + 1);
                b = std::max(b, y + 1);
            }
    if (r < 0)
        return QRectF();
    return QRectF(QPointF(l / px, t / px), QPointF(r / px, b / px));
}

// Every new text operation once, Japanese and Latin, with the boxes drawn.
void DrawSpecimen(TplPrev& Doc, bool Portrait)
{
    auto boxed = [&](int X1, int X2, int Y1, int Y2) {
        Doc.PenColor(clSilver);
        Doc.PenWidth(1);
        Doc.RectLine(X1, X2, Y1, Y2);
    };
    auto label = [&](int X, int Y, const QString& Text) {
        Doc.FontSize(8);
        Doc.TextOut(X, Y, Text);
        Doc.FontSize(14);
    };
    Doc.FontName("IPAGothic");
    Doc.FontSize(14);
    if (Portrait) {
        label(200, 230, "TextRectJust");
        boxed(200, 1000, 300, 400);
        Doc.TextRectJust(200, 1000, 300, 400, "Justified");
        boxed(1100, 1900, 300, 400);
        Doc.TextRectJust(1100, 1900, 300, 400, QString::fromUtf8("両端揃えの文"));
        boxed(200, 700, 450, 550);
        Doc.TextRectJust(200, 700, 450, 550, "A line much wider than its box");
        boxed(750, 1000, 450, 550);
        Doc.TextRectJust(750, 1000, 450, 550, QString::fromUtf8("ーー"));
        label(200, 600, "TextRectJustTate");
        boxed(200, 400, 650, 1650);
        Doc.TextRectJustTate(200, 400, 650, 1650, QString::fromUtf8("「縦書き」テキスト、ーっ。"));
        boxed(450, 650, 650, 1650);
        Doc.TextRectJustTate(450, 650, 650, 1650, "Latin 123");
        boxed(700, 750, 650, 850);
        Doc.TextRectJustTate(700, 750, 650, 850, QString::fromUtf8("ーー"));
        boxed(700, 750, 900, 1200);
        Doc.TextRectJustTate(700, 750, 900, 1200, QString::fromUtf8("長い縦書きの文章（狭い）"));
        label(850, 600, "TextRectFit");
        boxed(850, 1550, 650, 750);
        Doc.TextRectFit(850, 1550, 650, 750, 7, "1234");
        boxed(850, 1150, 800, 900);
        Doc.TextRectFit(850, 1150, 800, 900, 3, QString::fromUtf8("一二三四五"));
        label(850, 950, "TextSpecial");
        Doc.TextSpecial(850, 1050, 0, 100, "Angle 0");
        Doc.TextSpecial(1000, 1600, 90, 100, QString::fromUtf8("上へ Up 90"));
        Doc.TextSpecial(1850, 1050, 270, 50, QString::fromUtf8("下へ Down 270"));
        Doc.TextSpecial(1250, 1500, 45, 150, "Wide 45");
        Doc.FontSize(16);
        label(200, 1700, "TextRectLCEx / TextRectCCEx");
        boxed(200, 1100, 1750, 1850);
        Doc.TextRectLCEx(200, 1100, 1750, 1850, "Fits: left, centred");
        boxed(200, 1100, 1900, 2000);
        Doc.TextRectLCEx(200, 1100, 1900, 2000, QString::fromUtf8("[ 　　　月 　　　日] （ 　　　分 　　　秒)"));
        boxed(1200, 1900, 1750, 1850);
        Doc.TextRectCCEx(1200, 1900, 1750, 1850, QString::fromUtf8("中央 centred"));
        boxed(1200, 1600, 1900, 2000);
        Doc.TextRectCCEx(1200, 1600, 1900, 2000, "Centred but far too long");
        Doc.FontSize(14);
        Doc.ZipOut("123-4567", 0, 0, true, 0);
        Doc.ZipOutEx(QString::fromUtf8("９８７－６５４３"), 0, 0, false, 2200);
    } else {
        Doc.ZipOut(QString::fromUtf8("１２３－４５６７"), 0, 0, true, 0);
        Doc.ZipOutEx("9876543", 0, 0, false, -500);
        label(200, 230, "TextRectJustTate, TextSpecial");
        boxed(200, 400, 300, 1500);
        Doc.TextRectJustTate(200, 400, 300, 1500, QString::fromUtf8("横置きの縦書き、ー。"));
        Doc.TextSpecial(800, 400, 270, 100, QString::fromUtf8("下向き Down"));
        boxed(1000, 1800, 300, 400);
        Doc.TextRectJust(1000, 1800, 300, 400, QString::fromUtf8("横置き Landscape"));
    }
}

} // namespace

// Justified text spans its box from edge to edge; vertical text is one
// column that reads from top to bottom, drawn in the face's vertical forms.
TEST_F(PrintedTextEx, JustifiedAndVerticalText)
{
    auto doc = Document(poPortrait);
    doc->BeginDoc();
    DrawSpecimen(*doc, true);
    doc->EndDoc();
    const QString pdf = Print(*doc, "Text specimen");
    ASSERT_FALSE(pdf.isEmpty());
    const auto words = SpoolerOutput::Words(pdf);

    struct Row {
        QRectF Box; // paper units
        QString Text;
    };
    const Row rows[] = {
        {QRectF(QPointF(200, 300), QPointF(1000, 400)), "Justified"},
        {QRectF(QPointF(1100, 300), QPointF(1900, 400)), QString::fromUtf8("両端揃えの文")},
        {QRectF(QPointF(200, 450), QPointF(700, 550)), "Alinemuchwiderthanitsbox"},
        {QRectF(QPointF(200, 1900), QPointF(1100, 2000)), QString::fromUtf8("[月日]（分秒)")},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Text.toStdString());
        auto row = WordsIn(words, r.Box.adjusted(-50, 0, 50, 0));
        ASSERT_FALSE(row.isEmpty());
        std::sort(row.begin(), row.end(), [](const auto& a, const auto& b) { return a.Box.left() < b.Box.left(); });
        QString text;
        for (const auto& w : row)
            text += w.Text;
        EXPECT_EQ(text, r.Text);
        EXPECT_NEAR(row.front().Box.left() * kUnitsPerPt, r.Box.left(), 3);
        EXPECT_NEAR(row.back().Box.right() * kUnitsPerPt, r.Box.right(), 3);
    }

    // The column: every character centred on the box's middle, read from
    // the top of the box to its bottom.
    const QString tate = QString::fromUtf8("「縦書き」テキスト、ーっ。");
    const auto column = Downwards(WordsIn(words, QRectF(QPointF(150, 640), QPointF(450, 1700))));
    QString read;
    for (const auto& w : column) {
        read += w.Text;
        EXPECT_NEAR(w.Box.center().x() * kUnitsPerPt, 300, 2) << w.Text;
    }
    EXPECT_EQ(read, tate);
    ASSERT_FALSE(column.isEmpty());
    EXPECT_NEAR(column.front().Box.top() * kUnitsPerPt, 650, 5);
    EXPECT_NEAR(column.back().Box.bottom() * kUnitsPerPt, 1650, 12);

    // "ー" down a column is the upright bar of vertical writing, not the
    // dash of a line: its ink is taller than wide where the line's is wider.
    const int dpi = 300;
    const QImage page = SpoolerOutput::Render(pdf, 1, dpi);
    ASSERT_FALSE(page.isNull());
    const double em = 14 * 254 / 72.0;
    const QRectF down = InkIn(page, dpi, QRectF(690, 650, 70, em));
    const QRectF across = InkIn(page, dpi, QRectF(750, 450, em, 100));
    ASSERT_FALSE(down.isEmpty());
    ASSERT_FALSE(across.isEmpty());
    EXPECT_GT(down.height(), 3 * down.width());
    EXPECT_GT(across.width(), 3 * across.height());
}

// On landscape paper the postal code's digits read down the right edge, and
// vertical text stays a column read from top to bottom.
TEST_F(PrintedTextEx, LandscapeDigitsAndColumn)
{
    auto doc = Document(poLandscape);
    doc->BeginDoc();
    ASSERT_EQ(doc->ViewWidth(), 2969);
    DrawSpecimen(*doc, false);
    doc->EndDoc();
    const QString pdf = Print(*doc, "Landscape specimen");
    ASSERT_FALSE(pdf.isEmpty());
    const auto words = SpoolerOutput::Words(pdf);

    const int left = 2969 - 85 - 120;
    QString zip;
    for (const auto& w : Downwards(WordsIn(words, QRectF(QPointF(left, 2099 - 552), QPointF(left + 85, 2099))))) {
        zip += w.Text;
        EXPECT_GT(w.Box.width(), w.Box.height()) << w.Text; // turned: the cell's height lies across
    }
    EXPECT_EQ(zip, "1234567");

    QString read;
    for (const auto& w : Downwards(WordsIn(words, QRectF(QPointF(150, 250), QPointF(450, 1550)))))
        read += w.Text;
    EXPECT_EQ(read, QString::fromUtf8("横置きの縦書き、ー。"));
}
