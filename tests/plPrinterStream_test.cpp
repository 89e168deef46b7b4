#include "plPrinterStream.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

QByteArray Bytes(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes)
        out.append(char(b));
    return out;
}

QByteArray Block(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char(i * 7 + 3);
    return b;
}

const QString kPrinter = "Office-Laser-Floor2-A4xx"; // 24 characters

// The document's own object on a 24-character printer name, portrait,
// paper 9, bin 7, with a 3408-byte device-mode block.
TPrinterStreamValues DocumentObject()
{
    TPrinterStreamValues v;
    v.Name = "Default";
    v.PrinterName = kPrinter;
    v.DevSize = 3408;
    v.Settings = Block(3408);
    v.FPrinterName = kPrinter;
    v.FOrientation = 0;
    v.FPaperNumber = 9;
    v.FBinNumber = 7;
    return v;
}

QByteArray DocumentObjectBytes()
{
    return QByteArray("TPF0") + Bytes({0x0D}) + "TplSetPrinter" + Bytes({0x07}) + "Default" + Bytes({0x0B})
        + "PrinterName" + Bytes({0x06, 0x18}) + kPrinter.toLatin1() + Bytes({0x0B}) + "DevDataSize"
        + Bytes({0x03, 0x50, 0x0D}) + Bytes({0x08}) + "ADevData" + Bytes({0x0A, 0x50, 0x0D, 0x00, 0x00}) + Block(3408)
        + Bytes({0x0B}) + "DesignValue" + Bytes({0x01, 0x06, 0x18}) + kPrinter.toLatin1()
        + Bytes({0x02, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x02, 0x09, 0x02, 0x07, 0x02, 0x00, 0x00})
        + Bytes({0x00, 0x00});
}

// Bytes that follow a property's name in a stream.
QByteArray AfterName(const QByteArray& stream, const char* name, int count)
{
    const QByteArray key = char(qstrlen(name)) + QByteArray(name);
    const qsizetype at = stream.indexOf(key);
    return at < 0 ? QByteArray() : stream.mid(at + key.size(), count);
}

void ExpectSame(const TPrinterStreamValues& a, const TPrinterStreamValues& b)
{
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.PrinterName, b.PrinterName);
    EXPECT_EQ(a.DevSize, b.DevSize);
    EXPECT_EQ(a.Settings, b.Settings);
    EXPECT_EQ(a.FPrinterName, b.FPrinterName);
    EXPECT_EQ(a.FOrientation, b.FOrientation);
    EXPECT_EQ(a.FPaperName, b.FPaperName);
    EXPECT_EQ(a.FPaperNumber, b.FPaperNumber);
    EXPECT_EQ(a.FBinNumber, b.FBinNumber);
    EXPECT_EQ(a.FDriverVersion, b.FDriverVersion);
}

} // namespace

// The document's object is written byte for byte as the stored format has it
// (3556 bytes with a 3408-byte block) and reads back to the same values.
TEST(PrinterStream, DocumentObjectByteForByte)
{
    const QByteArray stream = WritePrinterStream(DocumentObject());
    EXPECT_EQ(stream.size(), 3556);
    EXPECT_EQ(stream, DocumentObjectBytes());

    TPrinterStreamValues back;
    ReadPrinterStream(stream, back);
    ExpectSame(back, DocumentObject());
    EXPECT_EQ(back.FdsPrinterName, kPrinter);
    EXPECT_EQ(WritePrinterStream(back), stream);
}

// DevDataSize takes the smallest integer width; the block length field is
// always 32 bits.
TEST(PrinterStream, DevDataSizeWidths)
{
    const struct {
        int size;
        QByteArray devDataSize;
        QByteArray blockHead;
    } cases[] = {
        {3408, Bytes({0x03, 0x50, 0x0D}), Bytes({0x0A, 0x50, 0x0D, 0, 0})},
        {100, Bytes({0x02, 0x64}), Bytes({0x0A, 0x64, 0, 0, 0})},
        {40000, Bytes({0x04, 0x40, 0x9C, 0, 0}), Bytes({0x0A, 0x40, 0x9C, 0, 0})},
        {0, Bytes({0x02, 0x00}), Bytes({0x0A, 0, 0, 0, 0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        TPrinterStreamValues v = DocumentObject();
        v.DevSize = c.size;
        v.Settings = Block(c.size);
        const QByteArray stream = WritePrinterStream(v);
        EXPECT_EQ(AfterName(stream, "DevDataSize", c.devDataSize.size()).toHex(' '), c.devDataSize.toHex(' '));
        EXPECT_EQ(AfterName(stream, "ADevData", 5).toHex(' '), c.blockHead.toHex(' '));
        TPrinterStreamValues back;
        ReadPrinterStream(stream, back);
        EXPECT_EQ(back.Settings, v.Settings);
    }
}

// The printer name picks its string kind by the rule, in the property and in
// the design values; an empty name leaves the property out.
TEST(PrinterStream, PrinterNameKinds)
{
    const struct {
        QString name;
        int kind;
    } cases[] = {
        {QString::fromUtf8("経理部プリンタ"), 0x12},
        {QString(300, 'P'), 0x0C},
        {QString::fromUtf8("Imprimante Générale"), 0x14},
        {"PDF", 0x06},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        TPrinterStreamValues v = DocumentObject();
        v.PrinterName = v.FPrinterName = c.name;
        const QByteArray stream = WritePrinterStream(v);
        EXPECT_EQ(uint8_t(AfterName(stream, "PrinterName", 1).at(0)), c.kind);
        EXPECT_EQ(uint8_t(AfterName(stream, "DesignValue", 2).at(1)), c.kind);
        TPrinterStreamValues back;
        ReadPrinterStream(stream, back);
        EXPECT_EQ(back.PrinterName, c.name);
        EXPECT_EQ(back.FPrinterName, c.name);
    }

    TPrinterStreamValues v = DocumentObject();
    v.PrinterName.clear();
    v.Name.clear();
    const QByteArray stream = WritePrinterStream(v);
    EXPECT_FALSE(stream.contains("PrinterName"));
    EXPECT_EQ(stream.mid(4, 15), Bytes({0x0D}) + "TplSetPrinter" + Bytes({0x00}));
    TPrinterStreamValues back;
    back.PrinterName = "unchanged";
    ReadPrinterStream(stream, back);
    EXPECT_EQ(back.PrinterName, "unchanged");
    EXPECT_EQ(back.FPrinterName, kPrinter);
}

// Reading follows the stored rules: the PrinterName write goes through the
// object, the design values' name replaces it, a block whose length is not
// DevDataSize leaves no snapshot, and faulty values are passed over.
TEST(PrinterStream, ReaderRules)
{
    const QByteArray good = WritePrinterStream(DocumentObject());
    const auto patched = [&](const char* name, const QByteArray& value, qsizetype oldSize) {
        QByteArray s = good;
        const QByteArray key = char(qstrlen(name)) + QByteArray(name);
        s.replace(s.indexOf(key) + key.size(), oldSize, value);
        return s;
    };

    { // PrinterName passes through the object's write; DesignValue then rules.
        TPrinterStreamValues v;
        QString seen;
        ReadPrinterStream(good, v, [&](const QString& s) {
            seen = s;
            return QString("resolved");
        });
        EXPECT_EQ(seen, kPrinter);
        EXPECT_EQ(v.FPrinterName, kPrinter);
        EXPECT_EQ(v.FdsPrinterName, kPrinter);
    }
    { // Block length differs from DevDataSize: no snapshot, size 0.
        TPrinterStreamValues v;
        v.Settings = "old";
        v.DevSize = 3;
        ReadPrinterStream(patched("DevDataSize", Bytes({0x03, 0x51, 0x0D}), 3), v);
        EXPECT_TRUE(v.Settings.isEmpty());
        EXPECT_EQ(v.DevSize, 0);
        EXPECT_EQ(v.FPaperNumber, 9);
        EXPECT_EQ(v.FBinNumber, 7);
    }
    { // A DevDataSize of 2 GB against a 3408-byte block: ignored, no allocation.
        TPrinterStreamValues v;
        ReadPrinterStream(patched("DevDataSize", Bytes({0x04, 0xFF, 0xFF, 0xFF, 0x7F}), 3), v);
        EXPECT_TRUE(v.Settings.isEmpty());
        EXPECT_EQ(v.DevSize, 0);
    }
    { // DevDataSize that is not an integer reads as 0, and the block no longer matches.
        TPrinterStreamValues v;
        ReadPrinterStream(patched("DevDataSize", Bytes({0x06, 0x01, 'x'}), 3), v);
        EXPECT_EQ(v.DevSize, 0);
        EXPECT_TRUE(v.Settings.isEmpty());
    }
    { // A design-value list one item short: values before stay, orientation
        // and the snapshot's printer are not set, the stream still loads.
        QByteArray s = good;
        s.remove(s.size() - 5, 2); // driver version 0x02 0x00
        TPrinterStreamValues v;
        v.FOrientation = 1;
        v.FdsPrinterName = "before";
        ReadPrinterStream(s, v);
        EXPECT_EQ(v.FPrinterName, kPrinter);
        EXPECT_EQ(v.FBinNumber, 7);
        EXPECT_EQ(v.FOrientation, 1);
        EXPECT_EQ(v.FdsPrinterName, "before");
        EXPECT_EQ(v.Settings, Block(3408));
    }
    { // One item too many: the same, and the extra item is passed over.
        QByteArray s = good;
        s.insert(s.size() - 3, Bytes({0x02, 0x05}));
        TPrinterStreamValues v;
        ReadPrinterStream(s, v);
        EXPECT_EQ(v.FDriverVersion, 0);
        EXPECT_TRUE(v.FdsPrinterName.isEmpty());
    }
    { // Orientation keeps its low byte.
        QByteArray s = good;
        const qsizetype at = s.indexOf("DesignValue") + 11 + 1 + 2 + 24;
        s.replace(at, 2, Bytes({0x03, 0x01, 0x01}));
        TPrinterStreamValues v;
        ReadPrinterStream(s, v);
        EXPECT_EQ(v.FOrientation, 1);
    }
}

// Malformed streams are errors that keep the values read before them.
TEST(PrinterStream, MalformedStreamsAreErrors)
{
    const QByteArray good = WritePrinterStream(DocumentObject());
    QByteArray unknown = good;
    unknown.replace("DevDataSize", "DevDataSizf");
    QByteArray hugeBlock = good;
    hugeBlock.replace(hugeBlock.indexOf("ADevData") + 9, 4, Bytes({0xFF, 0xFF, 0xFF, 0x7F}));
    const struct {
        const char* what;
        QByteArray data;
        int devSizeAfter;
    } cases[] = {
        {"wrong signature", "TPF1" + good.mid(4), -1},
        {"empty", QByteArray(), -1},
        {"unknown property", unknown, -1},
        {"block of 2 GB", hugeBlock, 3408},
        {"trailing bytes", good + Bytes({0x00}), 3408},
        {"child component", good.first(good.size() - 1) + Bytes({0x01}), 3408},
        {"properties never end", good.first(good.size() - 2), 3408},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TPrinterStreamValues v;
        v.DevSize = -1;
        EXPECT_THROW(ReadPrinterStream(c.data, v), TStreamError);
        EXPECT_EQ(v.DevSize, c.devSizeAfter);
    }
}

// A stream cut after any byte is an error, never a crash or a read past the end.
TEST(PrinterStream, TruncatedAtEveryByte)
{
    TPrinterStreamValues small = DocumentObject();
    small.DevSize = 40;
    small.Settings = Block(40);
    small.FPaperName = QString::fromUtf8("Ａ４");
    const QByteArray stream = WritePrinterStream(small);
    for (qsizetype cut = 0; cut < stream.size(); ++cut) {
        // A copy of exactly the cut length, so that the sanitizers see any overread.
        const QByteArray part = stream.first(cut);
        TPrinterStreamValues v;
        EXPECT_THROW(ReadPrinterStream(part, v), TStreamError) << "cut at " << cut;
    }
}

// The text form keeps every byte and rejects what is not one.
TEST(PrinterStream, TextFormRoundTrip)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    for (const QByteArray& data : {WritePrinterStream(DocumentObject()), all, QByteArray()}) {
        const QString text = PrinterStreamToText(data);
        EXPECT_EQ(PrinterStreamFromText(text), data);
    }
    EXPECT_TRUE(PrinterStreamFromText("not base64!").isEmpty());
    EXPECT_TRUE(PrinterStreamFromText(QString::fromUtf8("VFBGMA==é")).isEmpty());
}
