#include "uSheets.h"

#include "support/plLogDevice.h"
#include "plMemoryPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "uOpRec.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <tuple>
#include <memory>

namespace {

// A worksheet document with no printer installed: it lays out on the A4
// paper it was designed on.
class Worksheets : public ::testing::Test {
protected:
    void SetUp() override
    {
        TPrinter::Printer().SetService(std::make_shared<TMemoryPrinterService>());
        doc = std::make_unique<TplPrev>();
        doc->SetName("plPrev1");
        ApplyMainDocumentDesign(*doc);
        savedLang = std::getenv("LANG") ? std::getenv("LANG") : "";
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        setenv("LANG", "en_US.UTF-8", 1);
    }
    void TearDown() override
    {
        doc.reset();
        TPrinter::Printer().SetService(nullptr);
        setenv("LANG", savedLang.c_str(), 1);
    }

    std::vector<TLogItem> Page(int n) const { return LogPicture(doc->Pages().at(std::size_t(n) - 1)); }

    // The texts of a page in drawing order. A text set in more than one face
    // (a full-width colon falls back to a Japanese face) arrives as several
    // runs that touch on one line; they are joined again.
    static std::vector<QString> TextsOf(const std::vector<TLogItem>& items)
    {
        std::vector<QString> out;
        QRectF last;
        for (const auto& t : Texts(items)) {
            if (!out.empty() && qAbs(t.Box.left() - last.right()) < 0.5 && qAbs(t.Box.top() - last.top()) < 20) {
                out.back() += t.Text;
                last = last.united(t.Box);
            } else {
                out.push_back(t.Text);
                last = t.Box;
            }
        }
        return out;
    }

    static bool HasText(const std::vector<TLogItem>& items, const QString& text)
    {
        for (const auto& t : TextsOf(items))
            if (t == text)
                return true;
        return false;
    }

    std::unique_ptr<TplPrev> doc;
    std::string savedLang;
};

// Centre of a text run, in paper units.
QPointF CentreOf(const TLogItem& t)
{
    return t.Box.center();
}

} // namespace

TEST(SheetGeometry, WorkedA4ExampleAndWideBorders)
{
    const TSheetGeometry g = ComputeSheetGeometry(2099, 2969, 43, 43, 2057, 2927);
    EXPECT_EQ((std::array{g.MX, g.MY, g.L, g.M, g.R, g.Q, g.Q3, g.T, g.TH, g.TB, g.G, g.B, g.RowH}),
              (std::array{150, 150, 150, 1049, 1949, 599, 1498, 150, 225, 300, 350, 2819, 99}));
    EXPECT_EQ(g.G + 25 * g.RowH, 2825);

    // A printer whose right border is 20 mm: that border becomes the margin on
    // both sides; a 18 mm bottom border likewise at top and bottom.
    const TSheetGeometry w = ComputeSheetGeometry(2099, 2969, 43, 43, 2099 - 200, 2969 - 180);
    EXPECT_EQ(w.MX, 200);
    EXPECT_EQ(w.MY, 180);
    EXPECT_EQ(w.L, 200);
    EXPECT_EQ(w.R, 1899);
    EXPECT_EQ(w.Q, 200 + (1049 - 200) / 2);
    EXPECT_EQ(w.T, 180);
    EXPECT_EQ(w.G, 380);
    EXPECT_EQ(w.B, 2789);
    EXPECT_EQ(w.RowH, 96); // 2409 / 25 = 96.36
    // A large left offset wins over the right one.
    EXPECT_EQ(ComputeSheetGeometry(2099, 2969, 250, 43, 2057, 2927).MX, 250);
}

TEST(SheetTexts, BothLanguagesToTheCharacter)
{
    const char* saved = std::getenv("LANG");
    const std::string keep = saved ? saved : "";
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");

    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(SheetTitle(7), QStringLiteral("Addition and Subtraction[7]"));
    EXPECT_EQ(SheetNameLine(),
              QString::fromUtf8(" Class\xEF\xBC\x9A"
                                "             Name:"));
    EXPECT_EQ(SheetDateLine(), QStringLiteral(" Date:       /        Time:       :       "));

    setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_EQ(SheetTitle(100), QString::fromUtf8("足し算・引き算の計算100問[100]"));
    EXPECT_EQ(SheetNameLine(), QString::fromUtf8("　　　組　　　番 氏名"));
    EXPECT_EQ(SheetDateLine(), QString::fromUtf8("[ 　　　月 　　　日] （ 　　　分 　　　秒)"));
    const QString date = SheetDateLine();
    EXPECT_EQ(date.count(QChar(0x3000)), 12);
    EXPECT_EQ(date.count(QChar(0xFF08)), 1);
    EXPECT_TRUE(date.endsWith(QLatin1Char(')')));

    setenv("LANG", keep.c_str(), 1);
}

// One sheet: problem page 1 with the title band, problem page 2 without, the
// answer page; boxes where the A4 layout puts them.
TEST_F(Worksheets, OneSheetGivesThreePagesInOrder)
{
    DrawWorksheets(*doc, 1, 1);
    ASSERT_EQ(doc->PageCount(), 3);
    ASSERT_EQ(OpRecs.size(), 1u);
    const TOpRec& rec = OpRecs[0];

    const auto p1 = Page(1);
    const auto fills = Fills(p1);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].Box.toRect(), QRect(QPoint(150, 150), QPoint(1048, 299)));
    EXPECT_EQ(fills[0].Brush.color(), QColor(0xEE, 0xEE, 0xEE));
    EXPECT_TRUE(HasText(p1, QStringLiteral("Addition and Subtraction[1]")));
    EXPECT_TRUE(HasText(p1, SheetNameLine()));
    EXPECT_TRUE(HasText(p1, SheetDateLine()));
    EXPECT_TRUE(HasText(p1, QStringLiteral("(1)")));
    EXPECT_TRUE(HasText(p1, QStringLiteral("(50)")));
    EXPECT_FALSE(HasText(p1, QStringLiteral("(51)")));

    // Lines of page 1: two rules of width 4, the divider of width 9.
    const auto lines = Only(p1, TLogItem::ikLine);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Points, QPolygonF({QPointF(1049, 225), QPointF(1949, 225)}));
    EXPECT_EQ(lines[0].PenWidth, 4);
    EXPECT_EQ(lines[1].Points, QPolygonF({QPointF(1049, 300), QPointF(1949, 300)}));
    EXPECT_EQ(lines[2].Points, QPolygonF({QPointF(1049, 350), QPointF(1049, 2819)}));
    EXPECT_EQ(lines[2].PenWidth, 9);

    // Row 0 and row 24 of the grid: problem 1 centred in 150..330 x 350..449,
    // problem 25 in 150..330 x 2726..2825.
    std::map<QString, QPointF> centres;
    for (const auto& t : Texts(p1))
        centres[t.Text] = CentreOf(t);
    EXPECT_NEAR(centres[QStringLiteral("(1)")].x(), 240, 2);
    EXPECT_NEAR(centres[QStringLiteral("(1)")].y(), 399.5, 6);
    EXPECT_NEAR(centres[QStringLiteral("(25)")].y(), 2775.5, 6);
    EXPECT_NEAR(centres[QStringLiteral("(26)")].x(), 1049 + 90, 2);

    const auto p2 = Page(2);
    EXPECT_TRUE(Fills(p2).empty());
    EXPECT_FALSE(HasText(p2, QStringLiteral("Addition and Subtraction[1]")));
    EXPECT_TRUE(HasText(p2, QStringLiteral("(51)")));
    EXPECT_TRUE(HasText(p2, QStringLiteral("(100)")));
    ASSERT_EQ(Only(p2, TLogItem::ikLine).size(), 1u);

    // Operators and operands of page 2 in drawing order: number, first,
    // operator, second, "=".
    const auto t2 = TextsOf(p2);
    ASSERT_EQ(t2.size(), 250u);
    for (int r = 0; r < 25; ++r)
        for (int half = 0; half < 2; ++half) {
            const int k = 50 + r + 25 * half;
            const size_t at = size_t(r * 10 + half * 5);
            EXPECT_EQ(t2[at], QStringLiteral("(%1)").arg(k + 1));
            EXPECT_EQ(t2[at + 1].toStdString(), rec.Nums[2 * k].ToString());
            EXPECT_EQ(t2[at + 2], rec.Ops[k] >= 2 ? QStringLiteral("-") : QStringLiteral("+"));
            EXPECT_EQ(t2[at + 3].toStdString(), rec.Nums[2 * k + 1].ToString());
            EXPECT_EQ(t2[at + 4], QStringLiteral("="));
        }

    // Answer page: title, three lines, 100 numbers and 100 answers " dd".
    const auto p3 = Page(3);
    EXPECT_TRUE(HasText(p3, QStringLiteral("Addition and Subtraction[1]")));
    EXPECT_FALSE(HasText(p3, SheetNameLine()));
    const auto l3 = Only(p3, TLogItem::ikLine);
    ASSERT_EQ(l3.size(), 3u);
    EXPECT_EQ(l3[0].Points, QPolygonF({QPointF(599, 350), QPointF(599, 2819)}));
    EXPECT_EQ(l3[1].Points, QPolygonF({QPointF(1049, 300), QPointF(1049, 2819)}));
    EXPECT_EQ(l3[2].Points, QPolygonF({QPointF(1498, 350), QPointF(1498, 2819)}));
    const auto t3 = TextsOf(p3);
    ASSERT_EQ(t3.size(), 201u);
    const QRegularExpression answer(QStringLiteral("^ \\d\\d$"));
    for (int r = 0; r < 25; ++r)
        for (int c = 0; c < 4; ++c) {
            const int k = r + 25 * c;
            const size_t at = 1 + size_t(r * 8 + c * 2);
            EXPECT_EQ(t3[at], QStringLiteral("(%1)").arg(k + 1));
            EXPECT_TRUE(answer.match(t3[at + 1]).hasMatch()) << t3[at + 1].toStdString();
            EXPECT_EQ(t3[at + 1], QLatin1Char(' ') + QString::number(rec.Ans[k]));
        }
}

// Sheets 3 to 5: all problem pages first, then the answer pages, titles on the
// first problem page and the answer page of each sheet only.
TEST_F(Worksheets, RangeOrdersProblemPagesBeforeAnswers)
{
    DrawWorksheets(*doc, 3, 5);
    ASSERT_EQ(doc->PageCount(), 9);
    const int titled[9] = {3, 0, 4, 0, 5, 0, 3, 4, 5};
    for (int p = 1; p <= 9; ++p) {
        const auto items = Page(p);
        for (int n = 3; n <= 5; ++n)
            EXPECT_EQ(HasText(items, SheetTitle(n)), titled[p - 1] == n) << "page " << p << " sheet " << n;
        const bool answerPage = p >= 7;
        EXPECT_EQ(TextsOf(items).size(), answerPage ? 201u : (p % 2 == 1 ? 253u : 250u)) << "page " << p;
    }
}

TEST_F(Worksheets, JapaneseTitlesFollowTheLocale)
{
    setenv("LANG", "ja_JP.UTF-8", 1);
    DrawWorksheets(*doc, 2, 2);
    EXPECT_TRUE(HasText(Page(1), QString::fromUtf8("足し算・引き算の計算100問[2]")));
    EXPECT_TRUE(HasText(Page(1), QString::fromUtf8("　　　組　　　番 氏名")));
    EXPECT_TRUE(HasText(Page(3), QString::fromUtf8("足し算・引き算の計算100問[2]")));
}

TEST_F(Worksheets, FullRangeGivesThreeHundredPages)
{
    DrawWorksheets(*doc, 1, 100);
    EXPECT_EQ(doc->PageCount(), 300);
    EXPECT_EQ(OpRecs.size(), 100u);
}

// The name and date lines stay inside their 900-unit box in both languages:
// the Japanese date line, wider than the box at its natural width, is
// narrowed and spread from edge to edge instead of being cut off.
TEST_F(Worksheets, NameAndDateLinesFitTheirBox)
{
    for (const char* lang : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(lang);
        setenv("LANG", lang, 1);
        DrawWorksheets(*doc, 1, 1);
        const auto p1 = Page(1);
        for (const auto& [top, bottom, line] :
             {std::tuple{150, 225, SheetNameLine()}, std::tuple{225, 300, SheetDateLine()}}) {
            QString joined;
            double left = 1e9, right = -1e9;
            for (const auto& t : Texts(p1)) {
                const double mid = t.Box.center().y();
                if (mid > top && mid < bottom && t.Box.left() >= 1040) {
                    joined += t.Text;
                    left = std::min(left, t.Box.left());
                    right = std::max(right, t.Box.right());
                    EXPECT_FALSE(t.Clip && t.Clip->right() < t.Box.right() - 0.5) << t.Text; // nothing cut off
                }
            }
            EXPECT_EQ(joined, line);
            EXPECT_NEAR(left, 1049, 0.5);
            EXPECT_LE(right, 1949 + 1);
            if (line == SheetDateLine() && QString(lang).startsWith("ja")) {
                EXPECT_GT(right, 1949 - 25); // spread to the edge, up to the rounding of single widths
            }
        }
    }
}
