#include "plStreamValues.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

QByteArray Bytes(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(char(b));
    return out;
}

TDesignPaperValue MainWindowPaper()
{
    TDesignPaperValue v;
    v.FPrinterName = "Office Laser";
    v.FPaperName = "A4";
    v.FBinName = QString::fromUtf8("自動選択");
    v.FPaperWidth = 2099;
    v.FPaperHeight = 2969;
    v.FXResolution = 600;
    v.FYResolution = 600;
    v.FOrientation = 0;
    v.FLeftOffset = 43;
    v.FRightOffset = 2057;
    v.FTopOffset = 43;
    v.FBottomOffset = 2927;
    v.FPaperNumber = 9;
    return v;
}

QByteArray MainWindowPaperBytes(int orientation)
{
    return Bytes({0x01, 0x06, 12}) + "Office Laser" + Bytes({0x06, 2}) + "A4"
        + Bytes({0x12, 4, 0, 0, 0, 0xEA, 0x81, 0xD5, 0x52, 0x78, 0x90, 0x9E, 0x62})
        + Bytes({0x03, 0x33, 0x08, 0x03, 0x99, 0x0B, 0x03, 0x58, 0x02, 0x03, 0x58, 0x02, 0x02, orientation,
                 0x02, 43,   0x03, 0x09, 0x08, 0x02, 43,   0x03, 0x6F, 0x0B, 0x02, 9,    0x00});
}

void ExpectSame(const TDesignPaperValue& a, const TDesignPaperValue& b)
{
    EXPECT_EQ(a.FPrinterName, b.FPrinterName);
    EXPECT_EQ(a.FPaperName, b.FPaperName);
    EXPECT_EQ(a.FBinName, b.FBinName);
    EXPECT_EQ(a.FPaperWidth, b.FPaperWidth);
    EXPECT_EQ(a.FPaperHeight, b.FPaperHeight);
    EXPECT_EQ(a.FXResolution, b.FXResolution);
    EXPECT_EQ(a.FYResolution, b.FYResolution);
    EXPECT_EQ(a.FOrientation, b.FOrientation);
    EXPECT_EQ(a.FLeftOffset, b.FLeftOffset);
    EXPECT_EQ(a.FRightOffset, b.FRightOffset);
    EXPECT_EQ(a.FTopOffset, b.FTopOffset);
    EXPECT_EQ(a.FBottomOffset, b.FBottomOffset);
    EXPECT_EQ(a.FPaperNumber, b.FPaperNumber);
}

} // namespace

// The main window's stored paper geometry: exact bytes, and back again.
TEST(DesignPaperValue, MainWindowListWrittenAndReadBack)
{
    const TDesignPaperValue v = MainWindowPaper();
    QByteArray out;
    TStreamWriter w(out);
    WriteDesignPaperValue(w, v, 0);
    EXPECT_EQ(out.toHex(' '), MainWindowPaperBytes(0).toHex(' '));

    TStreamReader r(out);
    TDesignPaperValue back;
    ASSERT_TRUE(ReadDesignPaperValue(r, back));
    EXPECT_TRUE(r.AtEnd());
    ExpectSame(back, v);
}

// The caller's orientation goes into the list; the field it came with is not used.
TEST(DesignPaperValue, WritesTheGivenOrientation)
{
    const TDesignPaperValue v = MainWindowPaper(); // FOrientation 0
    QByteArray out;
    TStreamWriter w(out);
    WriteDesignPaperValue(w, v, 1);
    EXPECT_EQ(out.toHex(' '), MainWindowPaperBytes(1).toHex(' '));
    EXPECT_EQ(v.FOrientation, 0);
}

// A list cut anywhere: the values before the cut are taken, the rest keep
// their old contents, and nothing is read past the end.
TEST(DesignPaperValue, TruncatedListKeepsWhatWasRead)
{
    const QByteArray full = MainWindowPaperBytes(0);
    const TDesignPaperValue want = MainWindowPaper();

    // Offsets at which each of the thirteen values ends.
    std::vector<qsizetype> ends;
    {
        TStreamReader r(full);
        r.ReadListBegin();
        for (int i = 0; i < 13; ++i) {
            r.SkipValue();
            ends.push_back(r.Position());
        }
    }

    TDesignPaperValue old;
    old.FPrinterName = old.FPaperName = old.FBinName = "old";
    for (int* f : {&old.FPaperWidth, &old.FPaperHeight, &old.FXResolution, &old.FYResolution, &old.FOrientation,
                   &old.FLeftOffset, &old.FRightOffset, &old.FTopOffset, &old.FBottomOffset, &old.FPaperNumber})
        *f = -7;

    for (qsizetype cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        TDesignPaperValue v = old;
        TStreamReader r(QByteArrayView(full).first(cut));
        EXPECT_FALSE(ReadDesignPaperValue(r, v));
        auto pick = [&](int index, auto good, auto bad) { return ends[index] <= cut ? good : bad; };
        EXPECT_EQ(v.FPrinterName, pick(0, want.FPrinterName, old.FPrinterName));
        EXPECT_EQ(v.FPaperName, pick(1, want.FPaperName, old.FPaperName));
        EXPECT_EQ(v.FBinName, pick(2, want.FBinName, old.FBinName));
        EXPECT_EQ(v.FPaperWidth, pick(3, want.FPaperWidth, -7));
        EXPECT_EQ(v.FPaperHeight, pick(4, want.FPaperHeight, -7));
        EXPECT_EQ(v.FOrientation, pick(7, want.FOrientation, -7));
        EXPECT_EQ(v.FBottomOffset, pick(11, want.FBottomOffset, -7));
        EXPECT_EQ(v.FPaperNumber, pick(12, want.FPaperNumber, -7));
    }

    // A value of the wrong kind stops the list in the same way.
    QByteArray wrong = full;
    wrong[ends[3]] = char(vaString); // paper height's kind byte
    TDesignPaperValue v = old;
    TStreamReader r(wrong);
    EXPECT_FALSE(ReadDesignPaperValue(r, v));
    EXPECT_EQ(v.FPaperWidth, 2099);
    EXPECT_EQ(v.FPaperHeight, -7);
}

// Each string goes out in the kind the rule picks, with its length field,
// and reads back unchanged.
TEST(StreamValues, StringKindsByRule)
{
    const struct {
        QString text;
        TValueType kind;
        QByteArray head; // kind byte and length field
    } cases[] = {
        {"", vaWString, Bytes({0x12, 0, 0, 0, 0})},
        {"A4", vaString, Bytes({0x06, 2})},
        {QString(255, 'x'), vaString, Bytes({0x06, 255})},
        {QString(300, 'x'), vaLString, Bytes({0x0C, 0x2C, 0x01, 0, 0})},
        {QString::fromUtf8("Café Crème"), vaUTF8String, Bytes({0x14, 12, 0, 0, 0})},
        {QString::fromUtf8("自動選択"), vaWString, Bytes({0x12, 4, 0, 0, 0})},
        // Two ASCII letters do not make two Japanese ones shorter in UTF-8.
        {QString::fromUtf8("ab自動"), vaWString, Bytes({0x12, 4, 0, 0, 0})},
        {QString::fromUtf8("abcd自動"), vaUTF8String, Bytes({0x14, 10, 0, 0, 0})},
        {QString::fromUtf8("😀"), vaWString, Bytes({0x12, 2, 0, 0, 0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(StringKindFor(c.text), c.kind);
        QByteArray out;
        TStreamWriter(out).WriteString(c.text);
        EXPECT_EQ(out.first(c.head.size()).toHex(' '), c.head.toHex(' '));
        const qsizetype payload = c.kind == vaWString ? 2 * c.text.size() : c.text.toUtf8().size();
        EXPECT_EQ(out.size(), c.head.size() + payload);
        TStreamReader r(out);
        EXPECT_EQ(r.ReadString(), c.text);
        EXPECT_TRUE(r.AtEnd());
    }
}

// Integers take the smallest width that holds them, little-endian and signed.
TEST(StreamValues, IntegerWidths)
{
    const struct {
        int32_t value;
        QByteArray bytes;
    } cases[] = {
        {0, Bytes({0x02, 0x00})},
        {100, Bytes({0x02, 0x64})},
        {127, Bytes({0x02, 0x7F})},
        {-128, Bytes({0x02, 0x80})},
        {128, Bytes({0x03, 0x80, 0x00})},
        {-129, Bytes({0x03, 0x7F, 0xFF})},
        {3408, Bytes({0x03, 0x50, 0x0D})},
        {32767, Bytes({0x03, 0xFF, 0x7F})},
        {-32768, Bytes({0x03, 0x00, 0x80})},
        {32768, Bytes({0x04, 0x00, 0x80, 0x00, 0x00})},
        {40000, Bytes({0x04, 0x40, 0x9C, 0x00, 0x00})},
        {-32769, Bytes({0x04, 0xFF, 0x7F, 0xFF, 0xFF})},
        {INT_MAX, Bytes({0x04, 0xFF, 0xFF, 0xFF, 0x7F})},
        {INT_MIN, Bytes({0x04, 0x00, 0x00, 0x00, 0x80})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        QByteArray out;
        TStreamWriter(out).WriteInteger(c.value);
        EXPECT_EQ(out.toHex(' '), c.bytes.toHex(' '));
        TStreamReader r(out);
        EXPECT_EQ(r.ReadInteger(), c.value);
        EXPECT_TRUE(r.AtEnd());
    }
}

// Reading takes every width and string kind, not only the one the writer picks.
TEST(StreamValues, ReaderAcceptsWiderForms)
{
    const QByteArray data = Bytes({0x04, 5, 0, 0, 0, 0x03, 0xFE, 0xFF}) + Bytes({0x0C, 2, 0, 0, 0}) + "A4"
        + Bytes({0x14, 2, 0, 0, 0}) + "A5" + Bytes({0x06, 1, 0xE9});
    TStreamReader r(data);
    EXPECT_EQ(r.ReadInteger(), 5);
    EXPECT_EQ(r.ReadInteger(), -2);
    EXPECT_EQ(r.ReadString(), "A4");
    EXPECT_EQ(r.ReadString(), "A5");
    EXPECT_EQ(r.ReadString(), QString(QChar(0xE9)));
    EXPECT_TRUE(r.AtEnd());
}

// Lengths that point past the end, wrong kinds and runaway nesting are
// errors, never allocations or crashes.
TEST(StreamValues, HostileInputIsAnError)
{
    const struct {
        const char* what;
        QByteArray data;
        void (*read)(TStreamReader&);
    } cases[] = {
        {"block of 2 GB", Bytes({0x0A, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3}), [](TStreamReader& r) { r.ReadBinary(); }},
        {"block of 4 GB", Bytes({0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 1}), [](TStreamReader& r) { r.ReadBinary(); }},
        {"block one byte short", Bytes({0x0A, 4, 0, 0, 0, 1, 2, 3}), [](TStreamReader& r) { r.ReadBinary(); }},
        {"wide string of 2^31 units", Bytes({0x12, 0, 0, 0, 0x80, 0x41, 0}), [](TStreamReader& r) { r.ReadString(); }},
        {"wide string, odd bytes", Bytes({0x12, 2, 0, 0, 0, 0x41, 0, 0x42}), [](TStreamReader& r) { r.ReadString(); }},
        {"long string of 4 GB", Bytes({0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 0x41}), [](TStreamReader& r) { r.ReadString(); }},
        {"short string past the end", Bytes({0x06, 9, 0x41}), [](TStreamReader& r) { r.ReadString(); }},
        {"name past the end", Bytes({11, 'D', 'e', 'v'}), [](TStreamReader& r) { r.ReadName(); }},
        {"integer cut", Bytes({0x04, 1, 2}), [](TStreamReader& r) { r.ReadInteger(); }},
        {"string as integer", Bytes({0x06, 1, 0x41}), [](TStreamReader& r) { r.ReadInteger(); }},
        {"integer as string", Bytes({0x02, 1}), [](TStreamReader& r) { r.ReadString(); }},
        {"empty input", QByteArray(), [](TStreamReader& r) { r.ReadByte(); }},
        {"unknown kind", Bytes({0x07, 0}), [](TStreamReader& r) { r.SkipValue(); }},
        {"list never closed", QByteArray(100000, char(vaList)), [](TStreamReader& r) { r.SkipValue(); }},
        {"list end where a value belongs", Bytes({0x00}), [](TStreamReader& r) { r.SkipValue(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TStreamReader r(c.data);
        EXPECT_THROW(c.read(r), TStreamError);
    }

    // Deep but complete nesting is skipped without recursion.
    QByteArray deep = QByteArray(100000, char(vaList)) + QByteArray(100000, char(vaNull));
    TStreamReader r(deep);
    EXPECT_NO_THROW(r.SkipValue());
    EXPECT_TRUE(r.AtEnd());
}

// Names carry one length byte: long names are cut to 255 bytes at a
// character boundary.
TEST(StreamValues, NamesAreCutAtCharacterBoundary)
{
    const struct {
        QString name;
        qsizetype bytes;
    } cases[] = {
        {"Default", 7},
        {"", 0},
        {QString(300, 'n'), 255},
        {"a" + QString(100, QChar(0x3042)), 253}, // 1 + 84 three-byte characters
    };
    for (const auto& c : cases) {
        QByteArray out;
        TStreamWriter(out).WriteName(c.name);
        ASSERT_EQ(out.size(), 1 + c.bytes);
        EXPECT_EQ(uint8_t(out[0]), c.bytes);
        TStreamReader r(out);
        const QString back = r.ReadName();
        EXPECT_TRUE(c.name.startsWith(back));
        EXPECT_EQ(back.toUtf8().size(), c.bytes);
    }
}
