#include "TextUtils.h"
#include "plCanvas.h"
#include "plMeasure.h"

#include <gtest/gtest.h>

namespace {

// A face of known widths: ASCII 100 units, "W" 900, everything from U+0100
// on 200; "A" before "V" kerns by -50.
class TFixedMetrics : public TEmMetrics {
public:
    double Overhang() const override { return FOverhang; }
    double CharWidth(char16_t C) const override
    {
        if (C == u'W')
            return 900 + FOverhang;
        return (C >= 0x100 ? 200 : C == u'i' ? 101 : 100) + FOverhang;
    }
    double Kerning(char16_t A, char16_t B) const override { return A == u'A' && B == u'V' ? -50 : 0; }
    double FOverhang = 0;
};

struct TLine {
    QString Text;
    int Offset;
    TDXArray Dx;
};

// Sets the whole paragraph; a font 4096 twips high on a 1440 dpi target
// makes one em unit one target unit.
std::vector<TLine> Flow(const TEmMetrics& M, QString S, double Width, TFormatOptions O, int Resolution = 1440)
{
    std::vector<TLine> lines;
    while (!S.isEmpty() && lines.size() < 100) {
        int offset = -1, count = -1;
        TDXArray dx;
        const QString rest = FormatLine(S, -4096, M, Width, Resolution, O, offset, count, dx);
        EXPECT_LT(rest.size(), S.size()) << "no progress";
        EXPECT_EQ(dx.size(), size_t(count));
        lines.push_back({S.left(count), offset, dx});
        S = rest;
    }
    return lines;
}

QString Q(const char* s)
{
    return QString::fromUtf8(s);
}

} // namespace

TEST(TextUtils, SpaceAndBreakCharacters)
{
    EXPECT_TRUE(IsSpaceChar(QChar(0x20)));
    EXPECT_TRUE(IsSpaceChar(QChar(0x3000)));
    EXPECT_FALSE(IsSpaceChar(QChar(0xA0)));
    EXPECT_FALSE(IsSpaceChar(QChar(0x09)));
    EXPECT_TRUE(IsBreakChar(QChar(0x20)));
    EXPECT_TRUE(IsBreakChar(QChar(0x100)));
    EXPECT_TRUE(IsBreakChar(QChar(0x3042)));
    EXPECT_FALSE(IsBreakChar(QChar(0xFF)));
    EXPECT_FALSE(IsBreakChar(QChar(u'-')));
    EXPECT_EQ(TFormatOptions{foJustify}.ToInt(), 1u);
    EXPECT_EQ(TFormatOptions{foEven}.ToInt(), 2u);
    EXPECT_EQ(TFormatOptions{foRight}.ToInt(), 4u);
    EXPECT_EQ(TFormatOptions{foCenter}.ToInt(), 8u);
    EXPECT_EQ(TFormatOptions{foKerning}.ToInt(), 16u);
}

// Where lines break, what they hold and where they stand, on the face of
// known widths.
TEST(TextUtils, FormatLineTable)
{
    const TFixedMetrics m;
    const struct {
        const char* name;
        const char* text;
        double width;
        TFormatOptions options;
        std::vector<TLine> lines;
    } cases[] = {
        {"space consumed, not drawn", "abc def", 600, {}, {{"abc", 0, {100, 100, 100}}, {"def", 0, {100, 100, 100}}}},
        {"Japanese breaks after any character",
         "あいうえおかきく",
         600,
         {},
         {{"あいう", 0, {200, 200, 200}}, {"えおか", 0, {200, 200, 200}}, {"きく", 0, {200, 200}}}},
        {"leading spaces are no break",
         "  abcdefgh",
         500,
         {},
         {{"  abc", 0, {100, 100, 100, 100, 100}}, {"defgh", 0, {100, 100, 100, 100, 100}}}},
        {"a space may hang past the limit",
         "abcdef gh",
         600,
         {},
         {{"abcdef", 0, {100, 100, 100, 100, 100, 100}}, {"gh", 0, {100, 100}}}},
        {"a character wider than the line", "aWb", 600, {}, {{"a", 0, {100}}, {"W", 0, {0}}, {"b", 0, {100}}}},
        {"justify stretches all but the last line",
         "ab cd ef gh",
         700,
         {foJustify},
         {{"ab cd", 0, {100, 300, 100, 100, 100}}, {"ef gh", 0, {100, 100, 100, 100, 100}}}},
        {"justify on Japanese widens before each break",
         "あいうえ",
         700,
         {foJustify},
         {{"あいう", 0, {250, 250, 200}}, {"え", 0, {200}}}},
        {"even spreads the last line too", "abc", 600, {foEven}, {{"abc", 0, {250, 250, 100}}}},
        {"right", "abc", 651, {foRight}, {{"abc", 351, {100, 100, 100}}}},
        {"centre halves towards zero", "abc", 651, {foCenter}, {{"abc", 175, {100, 100, 100}}}},
        {"centre wins over right", "abc", 651, {foRight, foCenter}, {{"abc", 175, {100, 100, 100}}}},
        {"kerning narrows the pair", "AV", 600, {foKerning}, {{"AV", 0, {50, 100}}}},
        {"no kerning unless asked", "AV", 600, {}, {{"AV", 0, {100, 100}}}},
        {"kerning lets a line hold more", "AVA", 250, {foKerning}, {{"AVA", 0, {50, 100, 100}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = Flow(m, Q(c.text), c.width, c.options);
        ASSERT_EQ(got.size(), c.lines.size());
        for (size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(got[i].Text, Q(c.lines[i].Text.toUtf8().constData()));
            EXPECT_EQ(got[i].Offset, c.lines[i].Offset);
            EXPECT_EQ(got[i].Dx, c.lines[i].Dx);
        }
    }
}

// The overhang is taken off each width; an empty text gives an empty line.
TEST(TextUtils, OverhangAndEmptyText)
{
    TFixedMetrics m;
    m.FOverhang = 30;
    const auto got = Flow(m, Q("abc def"), 600, {});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].Dx, (TDXArray{100, 100, 100}));

    int offset = -1, count = -1;
    TDXArray dx{1, 2};
    EXPECT_EQ(FormatLine(QString(), -4096, m, 600, 1440, {foJustify, foCenter}, offset, count, dx), QString());
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(dx.empty());
    // A font without height neither divides by zero nor stalls.
    EXPECT_EQ(FormatLine(Q("ab"), 0, m, 600, 1440, {foCenter}, offset, count, dx), Q("b"));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(dx, TDXArray{0});
}

// Advances are rounded from the running sum, halves to even, so that the
// line ends exactly where its width does: 50.5 units each give 50, 51, 50, 51.
TEST(TextUtils, RunningRoundingTiesToEven)
{
    const TFixedMetrics m;
    const auto got = Flow(m, Q("iiii"), 4096, {}, 720);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].Dx, (TDXArray{50, 51, 50, 51}));
    // A long line keeps its end where the sum of its widths is.
    QString long_(500, u'i');
    const auto one = Flow(m, long_, 1e6, {}, 720);
    ASSERT_EQ(one.size(), 1u);
    long long sum = 0;
    for (int d : one[0].Dx)
        sum += d;
    EXPECT_EQ(sum, 25250); // 500 x 50.5
}

// The real measuring context: widths of an unhinted 4096-unit face, and the
// kerning pair the face carries for "AV".
TEST(TextUtils, MeasuringContextOnARealFace)
{
    TFont f;
    f.Name = QStringLiteral("DejaVu Sans");
    const TEmFont& em = EmFont(f);
    EXPECT_EQ(&em, &EmFont(f)) << "one context per face";
    // DejaVu Sans is 2048 units per em: "A" is 1401 of them.
    EXPECT_NEAR(em.CharWidth(u'A'), 1401.0 * 2, 1.0);
    EXPECT_NEAR(em.CharWidth(u' '), 651.0 * 2, 1.0);
    EXPECT_GT(em.CharWidth(0x3042), 3000) << "a Japanese character from the fallback face";
    EXPECT_LT(em.Kerning(u'A', u'V'), -50);
    EXPECT_EQ(em.Kerning(u'A', 0x3042), 0);
    EXPECT_EQ(em.Kerning(u'o', u'o'), 0);

    int offset, countOn, countOff;
    TDXArray on, off;
    FormatLine(Q("AV"), -1440, f, 1440 * 10, 254, {foKerning}, offset, countOn, on);
    FormatLine(Q("AV"), -1440, f, 1440 * 10, 254, {}, offset, countOff, off);
    ASSERT_EQ(on.size(), 2u);
    ASSERT_EQ(off.size(), 2u);
    EXPECT_LT(on[0], off[0]);
    EXPECT_EQ(off[0], 174); // 2802 / 4096 x 254 paper units
}
