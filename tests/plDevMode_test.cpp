// The device-mode block on its own: its typed fields against the documented
// layout, blocks too short for a field, and the driver pass on printers built
// by hand (no spooler involved).

#include "plDevMode.h"

#include <gtest/gtest.h>

#include <QtEndian>

using namespace DevMode;

namespace {

// --- Typed fields ----------------------------------------------------------------

// Every numeric field: where the documented layout has it, how wide it is,
// and a value that shows its sign and both bytes.
struct TNumericField {
    const char* name;
    int offset, bytes;
    void (*set)(TView&, qint64);
    qint64 (*get)(const TConstView&);
    qint64 value;
};

template <typename TSetter>
struct TSetterArg;
template <typename TArg>
struct TSetterArg<void (TView::*)(TArg)> {
    using type = TArg;
};

template <auto Get, auto Set>
TNumericField Field(const char* name, int offset, int bytes, qint64 value)
{
    using TArg = typename TSetterArg<decltype(Set)>::type;
    return {name,
            offset,
            bytes,
            [](TView& v, qint64 x) { (v.*Set)(TArg(x)); },
            [](const TConstView& v) -> qint64 { return (v.*Get)(); },
            value};
}

const TNumericField kFields[] = {
    Field<&TConstView::SpecVersion, &TView::SetSpecVersion>("SpecVersion", 64, 2, 0xFE01),
    Field<&TConstView::DriverVersion, &TView::SetDriverVersion>("DriverVersion", 66, 2, 0x0302),
    Field<&TConstView::Size, &TView::SetSize>("Size", 68, 2, 220),
    Field<&TConstView::DriverExtra, &TView::SetDriverExtra>("DriverExtra", 70, 2, 0x8004),
    Field<&TConstView::Fields, &TView::SetFields>("Fields", 72, 4, 0x8001F00F),
    Field<&TConstView::Orientation, &TView::SetOrientation>("Orientation", 76, 2, OrientLandscape),
    Field<&TConstView::PaperSize, &TView::SetPaperSize>("PaperSize", 78, 2, 0x0123),
    Field<&TConstView::PaperLength, &TView::SetPaperLength>("PaperLength", 80, 2, 2970),
    Field<&TConstView::PaperWidth, &TView::SetPaperWidth>("PaperWidth", 82, 2, 2100),
    Field<&TConstView::Scale, &TView::SetScale>("Scale", 84, 2, 0x0164),
    Field<&TConstView::Copies, &TView::SetCopies>("Copies", 86, 2, 0x03E7),
    Field<&TConstView::DefaultSource, &TView::SetDefaultSource>("DefaultSource", 88, 2, 258),
    Field<&TConstView::PrintQuality, &TView::SetPrintQuality>("PrintQuality", 90, 2, -4),
    Field<&TConstView::Color, &TView::SetColor>("Color", 92, 2, ColorColor),
    Field<&TConstView::Duplex, &TView::SetDuplex>("Duplex", 94, 2, DuplexHorizontal),
    Field<&TConstView::YResolution, &TView::SetYResolution>("YResolution", 96, 2, 0x04B0),
    Field<&TConstView::Collate, &TView::SetCollate>("Collate", 100, 2, CollateOn),
};

qint64 LittleEndian(const QByteArray& dm, int offset, int bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(dm.constData()) + offset;
    return bytes == 4 ? qint64(qFromLittleEndian<quint32>(p)) : qint64(qFromLittleEndian<quint16>(p));
}

// All fields set side by side: each reads back, lies where the documented
// layout puts it, and leaves its neighbours alone.
TEST(DevModeFields, EveryFieldRoundTripsAtItsDocumentedPlace)
{
    QByteArray dm(PublicSize, '\0');
    TView v(dm);
    for (const TNumericField& f : kFields)
        f.set(v, f.value);
    v.SetDeviceName(QStringLiteral("事務所 Laser 4200"));
    v.SetFormName(QStringLiteral("A4"));

    for (const TNumericField& f : kFields) {
        SCOPED_TRACE(f.name);
        const qint64 mask = f.bytes == 4 ? 0xFFFFFFFF : 0xFFFF;
        EXPECT_EQ(f.get(v), f.value);
        EXPECT_EQ(LittleEndian(dm, f.offset, f.bytes), f.value & mask);
    }
    EXPECT_EQ(v.DeviceName(), QStringLiteral("事務所 Laser 4200"));
    EXPECT_EQ(v.FormName(), QStringLiteral("A4"));
    EXPECT_EQ(LittleEndian(dm, 0, 2), 0x4E8B); // 事
    EXPECT_EQ(LittleEndian(dm, 102, 2), 'A');
    EXPECT_EQ(LittleEndian(dm, 104, 2), '4');
}

// A number keeps its low 16 bits; a name at most 31 characters and its NUL.
TEST(DevModeFields, WritesKeepWhatTheFieldHolds)
{
    QByteArray dm(PublicSize, '\x5A');
    TView v(dm);
    v.SetCopies(0x12345);
    EXPECT_EQ(v.Copies(), 0x2345);
    v.SetPaperSize(40000);
    EXPECT_EQ(v.PaperSize(), 40000 - 65536);
    v.SetColor(TColorMode(70000)); // what the settings object passes on
    EXPECT_EQ(v.Color(), 70000 - 65536);

    const QString longName(40, QLatin1Char('x'));
    v.SetDeviceName(longName);
    v.SetFormName(longName);
    EXPECT_EQ(v.DeviceName(), longName.left(31));
    EXPECT_EQ(v.FormName(), longName.left(31));
    EXPECT_EQ(LittleEndian(dm, 62, 2), 0);      // the name's last character is its end
    EXPECT_EQ(LittleEndian(dm, 64, 2), 0x5A5A); // and the next field is untouched
    v.SetFormName(QStringLiteral("B5"));
    EXPECT_EQ(v.FormName(), QStringLiteral("B5")); // no rest of the longer name
}

// A block too short for a field: the read gives 0 and the write changes
// nothing; one byte more and the field works.
TEST(DevModeFields, ABlockTooShortForAFieldReadsZeroAndIgnoresWrites)
{
    for (const TNumericField& f : kFields) {
        SCOPED_TRACE(f.name);
        QByteArray cut(f.offset + f.bytes - 1, '\x5A');
        const QByteArray before = cut;
        TView v(cut);
        EXPECT_EQ(f.get(v), 0);
        f.set(v, f.value);
        EXPECT_EQ(cut, before);

        QByteArray exact(f.offset + f.bytes, '\0');
        TView w(exact);
        f.set(w, f.value);
        EXPECT_EQ(f.get(w), f.value);
    }
    QByteArray cut(100, '\0');
    TView v(cut);
    v.SetFormName(QStringLiteral("A4"));
    v.SetDeviceName(QStringLiteral("Laser"));
    EXPECT_EQ(v.FormName(), QString());
    EXPECT_EQ(v.DeviceName(), QStringLiteral("Laser"));
    QByteArray empty;
    TView e(empty);
    e.SetDeviceName(QStringLiteral("Laser"));
    e.SelectPaper(9);
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(e.DeviceName(), QString());
    EXPECT_FALSE(Valid(QByteArray(PublicSize - 1, '\0')));
    EXPECT_TRUE(Valid(QByteArray(PublicSize, '\0')));
}

TEST(DevModeFields, SelectingAPaperDropsTheExplicitSizeMarksOnly)
{
    QByteArray dm(PublicSize, '\0');
    TView v(dm);
    v.SetFields(DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME);
    v.SetPaperLength(1500);
    v.SelectPaper(9);
    EXPECT_EQ(v.PaperSize(), 9);
    EXPECT_EQ(v.Fields(), uint32_t(DM_ORIENTATION | DM_PAPERSIZE | DM_FORMNAME));
    EXPECT_EQ(v.PaperLength(), 1500);
}

// --- The driver pass on printers built by hand -------------------------------------

TPaperInfo Paper(int number, const char* name, int width, int length)
{
    TPaperInfo p;
    p.Number = number;
    p.Name = QString::fromUtf8(name);
    p.Width = width;
    p.Length = length;
    p.Left = p.Bottom = p.Right = p.Top = 500;
    return p;
}

TPrinterOption Option(const char* keyword, QStringList choices, const char* value)
{
    return {QString::fromUtf8(keyword), QString(), std::move(choices), QString::fromUtf8(value)};
}

// A4 colour laser: three papers and custom sizes, three trays, long-edge
// duplex only, 99 copies, three resolutions, two options of its own.
TPrinterCaps Laser()
{
    TPrinterCaps c;
    c.Name = QStringLiteral("Laser");
    c.DriverVersion = 3;
    c.Papers = {Paper(9, "A4", 21000, 29700), Paper(1, "Letter", 21590, 27940), Paper(8, "A3", 29700, 42000)};
    c.DefaultPaper = 9;
    c.Bins = {{7, QStringLiteral("Auto"), QStringLiteral("auto")},
              {257, QStringLiteral("Tray 1"), QStringLiteral("tray-1")},
              {258, QStringLiteral("Tray 2"), QStringLiteral("tray-2")}};
    c.DefaultBin = 7;
    c.Color = c.ColorDefault = true;
    c.DuplexLong = true;
    c.MaxCopies = 99;
    c.Collate = c.CollateDefault = true;
    c.Resolutions = {QPoint(300, 300), QPoint(600, 600), QPoint(1200, 600)};
    c.DefaultResolution = QPoint(600, 600);
    c.CustomSize = true;
    c.CustomMinWidth = c.CustomMinLength = 5000;
    c.CustomMaxWidth = 29700;
    c.CustomMaxLength = 42000;
    c.Options = {Option("print-quality", {"3", "4", "5"}, "4"),
                 Option("output-bin", {"face-down", "face-up"}, "face-down")};
    return c;
}

// A printer that offers nothing but one paper.
TPrinterCaps Plain()
{
    TPrinterCaps c;
    c.Name = QStringLiteral("Plain");
    c.Papers = {Paper(1, "Letter", 21590, 27940)};
    c.DefaultPaper = 1;
    c.Orientation = false;
    return c;
}

constexpr uint32_t kEveryField = 0x1FFFF;

TEST(DevModeDriverPass, ABlockWithoutItsPublicPartBecomesThePrintersDefaults)
{
    const TPrinterCaps caps = Laser();
    for (const int size : {0, 100, PublicSize - 1}) {
        SCOPED_TRACE(size);
        QByteArray dm(size, '\x11');
        DriverPass(caps, dm);
        EXPECT_EQ(dm, Defaults(caps));
    }
    const QByteArray dm = Defaults(caps);
    const TConstView v(dm);
    EXPECT_EQ(v.DeviceName(), QStringLiteral("Laser"));
    EXPECT_EQ(v.SpecVersion(), SpecVersion);
    EXPECT_EQ(v.DriverVersion(), 3);
    EXPECT_EQ(v.Size(), PublicSize);
    EXPECT_EQ(v.DriverExtra(), dm.size() - PublicSize);
    EXPECT_EQ(v.Fields(), SupportedFields(caps));
    EXPECT_EQ(v.Orientation(), OrientPortrait);
    EXPECT_EQ(v.PaperSize(), 9);
    EXPECT_EQ(v.PaperWidth(), 2100);
    EXPECT_EQ(v.PaperLength(), 2970);
    EXPECT_EQ(v.FormName(), QStringLiteral("A4"));
    EXPECT_EQ(v.Scale(), 100);
    EXPECT_EQ(v.Copies(), 1);
    EXPECT_EQ(v.DefaultSource(), 7);
    EXPECT_EQ(QPoint(v.PrintQuality(), v.YResolution()), QPoint(600, 600));
    EXPECT_EQ(v.Color(), ColorColor);
    EXPECT_EQ(v.Duplex(), DuplexSimplex);
    EXPECT_EQ(v.Collate(), CollateOn);
    EXPECT_EQ(PrivateOptions(dm),
              (QList<std::pair<QString, QString>>{{"print-quality", "4"}, {"output-bin", "face-down"}}));
}

// The fields a printer supports, and so the marks every passed block carries.
TEST(DevModeDriverPass, TheResultMarksWhatThePrinterSupports)
{
    EXPECT_EQ(SupportedFields(Laser()),
              uint32_t(DM_ORIENTATION | DM_PAPERSIZE | DM_FORMNAME | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES
                       | DM_DEFAULTSOURCE | DM_PRINTQUALITY | DM_YRESOLUTION | DM_COLOR | DM_DUPLEX | DM_COLLATE));
    EXPECT_EQ(SupportedFields(Plain()), uint32_t(DM_PAPERSIZE | DM_FORMNAME));
    for (const TPrinterCaps& caps : {Laser(), Plain()}) {
        SCOPED_TRACE(caps.Name.toStdString());
        for (const uint32_t marks : {0u, kEveryField, uint32_t(DM_COLOR)}) {
            QByteArray dm = Defaults(caps);
            TView(dm).SetFields(marks);
            DriverPass(caps, dm);
            EXPECT_EQ(TConstView(dm).Fields(), SupportedFields(caps));
        }
    }
}

// One field changed in a block with every field marked (unless the case
// takes the mark off): the printer's value where it offers the one asked for,
// its default where it does not.
TEST(DevModeDriverPass, KeepsMarkedFieldsThePrinterOffersAndReplacesTheRest)
{
    struct Case {
        const char* what;
        TPrinterCaps (*caps)();
        void (*edit)(TView&);
        int (*read)(const TConstView&);
        int expected;
    };
    auto orientation = [](const TConstView& v) -> int { return v.Orientation(); };
    auto paper = [](const TConstView& v) { return v.PaperSize(); };
    auto resolution = [](const TConstView& v) { return v.PrintQuality() * 10000 + v.YResolution(); };
    const Case cases[] = {
        {"landscape", Laser, [](TView& v) { v.SetOrientation(OrientLandscape); }, orientation, OrientLandscape},
        {"unknown orientation", Laser, [](TView& v) { v.SetOrientation(TOrientation(3)); }, orientation,
         OrientPortrait},
        {"orientation not marked", Laser,
         [](TView& v) {
             v.SetFields(v.Fields() & ~uint32_t(DM_ORIENTATION));
             v.SetOrientation(OrientLandscape);
         },
         orientation, OrientPortrait},
        {"no orientation on the printer", Plain, [](TView& v) { v.SetOrientation(OrientLandscape); }, orientation,
         OrientPortrait},
        {"paper in the table", Laser, [](TView& v) { v.SetPaperSize(8); }, paper, 8},
        {"its size comes from the table", Laser, [](TView& v) { v.SetPaperSize(8); },
         [](const TConstView& v) { return v.PaperLength(); }, 4200},
        {"paper not in the table", Laser, [](TView& v) { v.SetPaperSize(11); }, paper, 9},
        {"form name without a paper number", Laser,
         [](TView& v) {
             v.SetFields(v.Fields() & ~uint32_t(DM_PAPERSIZE));
             v.SetFormName(QStringLiteral("A3"));
         },
         paper, 8},
        {"user size within the limits", Laser,
         [](TView& v) {
             v.SetPaperSize(PaperUser);
             v.SetPaperWidth(1000);
             v.SetPaperLength(1500);
         },
         [](const TConstView& v) { return v.PaperSize() * 10000 + v.PaperLength(); }, PaperUser * 10000 + 1500},
        {"user size beyond the limits", Laser,
         [](TView& v) {
             v.SetPaperSize(PaperUser);
             v.SetPaperWidth(3500);
             v.SetPaperLength(1500);
         },
         paper, 9},
        {"user size on a printer without custom sizes", Plain,
         [](TView& v) {
             v.SetPaperSize(PaperUser);
             v.SetPaperWidth(1000);
             v.SetPaperLength(1500);
         },
         paper, 1},
        {"copies", Laser, [](TView& v) { v.SetCopies(5); }, [](const TConstView& v) { return v.Copies(); }, 5},
        {"more copies than offered", Laser, [](TView& v) { v.SetCopies(500); },
         [](const TConstView& v) { return v.Copies(); }, 99},
        {"no copies", Laser, [](TView& v) { v.SetCopies(0); }, [](const TConstView& v) { return v.Copies(); }, 1},
        {"copies on a one-copy printer", Plain, [](TView& v) { v.SetCopies(5); },
         [](const TConstView& v) { return v.Copies(); }, 1},
        {"tray offered", Laser, [](TView& v) { v.SetDefaultSource(258); },
         [](const TConstView& v) { return v.DefaultSource(); }, 258},
        {"tray not offered", Laser, [](TView& v) { v.SetDefaultSource(4); },
         [](const TConstView& v) { return v.DefaultSource(); }, 7},
        {"resolution offered", Laser,
         [](TView& v) {
             v.SetPrintQuality(1200);
             v.SetYResolution(600);
         },
         resolution, 1200 * 10000 + 600},
        {"resolution not offered", Laser,
         [](TView& v) {
             v.SetPrintQuality(720);
             v.SetYResolution(720);
         },
         resolution, 600 * 10000 + 600},
        {"x resolution only", Laser,
         [](TView& v) {
             v.SetFields(v.Fields() & ~uint32_t(DM_YRESOLUTION));
             v.SetPrintQuality(1200);
         },
         resolution, 1200 * 10000 + 600},
        {"high quality", Laser, [](TView& v) { v.SetPrintQuality(-4); }, resolution, 1200 * 10000 + 600},
        {"draft quality", Laser, [](TView& v) { v.SetPrintQuality(-1); }, resolution, 300 * 10000 + 300},
        {"monochrome", Laser, [](TView& v) { v.SetColor(ColorMonochrome); },
         [](const TConstView& v) -> int { return v.Color(); }, ColorMonochrome},
        {"unknown colour mode", Laser, [](TView& v) { v.SetColor(TColorMode(7)); },
         [](const TConstView& v) -> int { return v.Color(); }, ColorColor},
        {"colour on a monochrome printer", Plain, [](TView& v) { v.SetColor(ColorColor); },
         [](const TConstView& v) -> int { return v.Color(); }, ColorMonochrome},
        {"long-edge duplex", Laser, [](TView& v) { v.SetDuplex(DuplexVertical); },
         [](const TConstView& v) -> int { return v.Duplex(); }, DuplexVertical},
        {"short-edge duplex not offered", Laser, [](TView& v) { v.SetDuplex(DuplexHorizontal); },
         [](const TConstView& v) -> int { return v.Duplex(); }, DuplexSimplex},
        {"uncollated", Laser, [](TView& v) { v.SetCollate(CollateOff); },
         [](const TConstView& v) -> int { return v.Collate(); }, CollateOff},
        {"unknown collation", Laser, [](TView& v) { v.SetCollate(TCollate(2)); },
         [](const TConstView& v) -> int { return v.Collate(); }, CollateOn},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TPrinterCaps caps = c.caps();
        QByteArray dm = Defaults(caps);
        TView v(dm);
        v.SetFields(kEveryField);
        c.edit(v);
        DriverPass(caps, dm);
        EXPECT_EQ(c.read(TConstView(dm)), c.expected);
    }
}

// Private options travel by keyword, with values the printer offers, in a
// block the size of the printer's own option set.
TEST(DevModeDriverPass, PrivateOptionsAreCarriedByKeywordInThePrintersBlockSize)
{
    const TPrinterCaps laser = Laser();
    EXPECT_EQ(BlockSize(laser), PublicSize + 8 + 2 * RecordBytes);
    EXPECT_EQ(BlockSize(Plain()), PublicSize + 8);

    QByteArray dm = Defaults(laser);
    ASSERT_TRUE(SetPrivateOption(dm, "output-bin", "face-up"));
    ASSERT_TRUE(SetPrivateOption(dm, "print-quality", "9")); // not offered
    EXPECT_FALSE(SetPrivateOption(dm, "staple", "yes"));
    DriverPass(laser, dm);
    EXPECT_EQ(PrivateOption(dm, "output-bin"), "face-up");
    EXPECT_EQ(PrivateOption(dm, "print-quality"), "4");

    // A block of another option set: its options in another order, one this
    // printer lacks, and an option too long to store that the printer leaves out.
    TPrinterCaps other = Laser();
    other.Options = {Option("staple", {"none", "top-left"}, "none"),
                     Option("output-bin", {"face-down", "face-up"}, "face-down"),
                     Option("print-quality", {"3", "4", "5"}, "4")};
    QByteArray foreign = Defaults(other);
    ASSERT_TRUE(SetPrivateOption(foreign, "staple", "top-left"));
    ASSERT_TRUE(SetPrivateOption(foreign, "print-quality", "5"));
    ASSERT_TRUE(SetPrivateOption(foreign, "output-bin", "face-up"));
    TPrinterCaps roomy = Laser();
    roomy.Options.append(Option("media-type", {"stationery"}, "stationery"));
    roomy.Options.append(Option(QByteArray(KeywordBytes, 'k').constData(), {"x"}, "x"));
    EXPECT_EQ(BlockSize(roomy), PublicSize + 8 + 3 * RecordBytes);
    DriverPass(roomy, foreign);
    EXPECT_EQ(foreign.size(), BlockSize(roomy));
    EXPECT_EQ(TConstView(foreign).DriverExtra(), BlockSize(roomy) - PublicSize);
    EXPECT_EQ(PrivateOptions(foreign),
              (QList<std::pair<QString, QString>>{
                  {"print-quality", "5"}, {"output-bin", "face-up"}, {"media-type", "stationery"}}));

    // Onto a printer without options: its block size, no records, its paper.
    DriverPass(Plain(), foreign);
    EXPECT_EQ(foreign.size(), PublicSize + 8);
    EXPECT_TRUE(PrivateOptions(foreign).isEmpty());
    EXPECT_EQ(TConstView(foreign).PaperSize(), 1);
}

} // namespace
