#include "plPrev.h"
#include "plWidthConv.h"

#include <gtest/gtest.h>

namespace {

QString U(std::initializer_list<char16_t> units)
{
    QString s;
    for (char16_t u : units)
        s.append(QChar(u));
    return s;
}

} // namespace

// The fixed rule: only U+FF10..U+FF5A move down by 0xFEE0, one for one.
TEST(WidthConv, AlpToHankFixedRange)
{
    const struct {
        char16_t in, out;
    } cases[] = {
        {0xFF21, 0x0041}, // Ａ
        {0xFF5A, 0x007A}, // ｚ
        {0xFF10, 0x0030}, // ０
        {0xFF20, 0x0040}, // ＠
        {0xFF1A, 0x003A}, // ：
        {0xFF3B, 0x005B}, // ［
        {0xFF40, 0x0060}, // ｀
        {0xFF01, 0xFF01}, // ！ stays
        {0xFF0F, 0xFF0F}, // ／ stays
        {0xFF5B, 0xFF5B}, // ｛ stays
        {0xFF5E, 0xFF5E}, // ～ stays
        {0x3000, 0x3000}, // ideographic space stays
        {0xFF76, 0xFF76}, // half-width katakana stays
        {0x0041, 0x0041},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.in));
        EXPECT_EQ(AlpToHank(U({c.in})), U({c.out}));
    }
    const QString mixed = QString::fromUtf8("〒１２３－４５６７　ＡＢＣ！");
    const QString got = AlpToHank(mixed);
    EXPECT_EQ(got.size(), mixed.size());
    EXPECT_EQ(got, QString::fromUtf8("〒123－4567　ABC！"));
}

// The locale-style mappings in both directions, with the cases callers rely
// on: full-width digits for postal codes, half-width katakana in paper-source
// names, and the voiced pair that changes the length.
TEST(WidthConv, NarrowAndWideForms)
{
    const struct {
        const char* in;
        const char* hankaku;
        const char* zenkaku;
    } cases[] = {
        {"", "", ""},
        {"１２３－４５６７", "123-4567", "１２３－４５６７"},
        {"ﾄﾗｸﾀ", "ﾄﾗｸﾀ", "トラクタ"},
        {"ｶﾞ", "ｶﾞ", "ガ"},
        {"ガパ", "ｶﾞﾊﾟ", "ガパ"},
        {"A4 ﾄﾗｸﾀ", "A4 ﾄﾗｸﾀ", "Ａ４　トラクタ"},
        {"自動選択", "自動選択", "自動選択"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        const QString in = QString::fromUtf8(c.in);
        EXPECT_EQ(ToHankaku(in), QString::fromUtf8(c.hankaku));
        EXPECT_EQ(ToZenkaku(in), QString::fromUtf8(c.zenkaku));
    }
    // One voiced letter becomes letter and sound mark, and back.
    EXPECT_EQ(ToHankaku(U({0x30AC})), U({0xFF76, 0xFF9E}));
    EXPECT_EQ(ToZenkaku(U({0xFF76, 0xFF9E})), U({0x30AC}));
    EXPECT_TRUE(ToZenkaku(QString::fromUtf8("ﾄﾗｸﾀﾌｨｰﾀﾞ")).contains(QString::fromUtf8("トラクタ")));
}

// The document offers the three conversions as its own, usable at any time
// (here on a document that has drawn nothing and without an instance too).
TEST(WidthConv, DocumentMembers)
{
    TplPrev doc;
    EXPECT_EQ(doc.AlpToHank(QString::fromUtf8("ＡＢ１！")), QString::fromUtf8("AB1！"));
    EXPECT_EQ(doc.ToHankaku(QString::fromUtf8("〒１２３－４５６７")), QString::fromUtf8("〒123-4567"));
    EXPECT_EQ(doc.ToHankaku(U({0x30AC})), U({0xFF76, 0xFF9E}));
    EXPECT_EQ(doc.ToZenkaku(QString::fromUtf8("ﾄﾗｸﾀ")), QString::fromUtf8("トラクタ"));
    EXPECT_EQ(TCustomplPrev::ToHankaku(QString()), QString());
}
