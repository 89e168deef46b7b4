#include "plPaperTable.h"

#include <QRegularExpression>

#include <cstdlib>

namespace PaperTable {

namespace {

struct Paper {
    int number;
    const char* media;
    int width, length; // hundredths of a millimetre
    const char* name;
};

// The platform's standard paper numbers and names. Where two numbers share a
// size, the first listed wins the size match.
const Paper kPapers[] = {
    {1, "na_letter_8.5x11in", 21590, 27940, "Letter"},
    {3, "na_ledger_11x17in", 27940, 43180, "Tabloid"},
    {5, "na_legal_8.5x14in", 21590, 35560, "Legal"},
    {6, "na_invoice_5.5x8.5in", 13970, 21590, "Statement"},
    {7, "na_executive_7.25x10.5in", 18415, 26670, "Executive"},
    {8, "iso_a3_297x420mm", 29700, 42000, "A3"},
    {9, "iso_a4_210x297mm", 21000, 29700, "A4"},
    {11, "iso_a5_148x210mm", 14800, 21000, "A5"},
    {12, "jis_b4_257x364mm", 25700, 36400, "B4 (JIS)"},
    {13, "jis_b5_182x257mm", 18200, 25700, "B5 (JIS)"},
    {14, "na_foolscap_8.5x13in", 21590, 33020, "Folio"},
    {15, "na_quarto_8.5x10.83in", 21590, 27508, "Quarto"},
    {16, "na_10x14_10x14in", 25400, 35560, "10x14"},
    {19, "na_number-9_3.875x8.875in", 9843, 22543, "Envelope #9"},
    {20, "na_number-10_4.125x9.5in", 10478, 24130, "Envelope #10"},
    {21, "na_number-11_4.5x10.375in", 11430, 26353, "Envelope #11"},
    {22, "na_number-12_4.75x11in", 12065, 27940, "Envelope #12"},
    {23, "na_number-14_5x11.5in", 12700, 29210, "Envelope #14"},
    {24, "na_c_17x22in", 43180, 55880, "C size sheet"},
    {25, "na_d_22x34in", 55880, 86360, "D size sheet"},
    {26, "na_e_34x44in", 86360, 111760, "E size sheet"},
    {27, "iso_dl_110x220mm", 11000, 22000, "Envelope DL"},
    {28, "iso_c5_162x229mm", 16200, 22900, "Envelope C5"},
    {29, "iso_c3_324x458mm", 32400, 45800, "Envelope C3"},
    {30, "iso_c4_229x324mm", 22900, 32400, "Envelope C4"},
    {31, "iso_c6_114x162mm", 11400, 16200, "Envelope C6"},
    {32, "iso_c6c5_114x229mm", 11400, 22900, "Envelope C65"},
    {34, "iso_b5_176x250mm", 17600, 25000, "Envelope B5"},
    {35, "iso_b6_125x176mm", 12500, 17600, "Envelope B6"},
    {36, "om_italian_110x230mm", 11000, 23000, "Envelope Italy"},
    {37, "na_monarch_3.875x7.5in", 9843, 19050, "Envelope Monarch"},
    {38, "na_personal_3.625x6.5in", 9208, 16510, "6 3/4 Envelope"},
    {39, "na_fanfold-us_11x14.875in", 27940, 37783, "US Std Fanfold"},
    {40, "na_fanfold-eur_8.5x12in", 21590, 30480, "German Std Fanfold"},
    {42, "iso_b4_250x353mm", 25000, 35300, "B4 (ISO)"},
    {43, "jpn_hagaki_100x148mm", 10000, 14800, "Japanese Postcard"},
    {44, "na_9x11_9x11in", 22860, 27940, "9x11"},
    {45, "na_10x11_10x11in", 25400, 27940, "10x11"},
    {47, "om_invite_220x220mm", 22000, 22000, "Envelope Invite"},
    {50, "na_letter-extra_9.5x12in", 24130, 30480, "Letter Extra"},
    {51, "na_legal-extra_9.5x15in", 24130, 38100, "Legal Extra"},
    {53, "iso_a4-extra_235.5x322.3mm", 23550, 32230, "A4 Extra"},
    {57, "na_super-a_8.94x14in", 22708, 35560, "Super A"},
    {59, "na_letter-plus_8.5x12.69in", 21590, 32233, "Letter Plus"},
    {60, "om_folio_210x330mm", 21000, 33000, "A4 Plus"},
    {63, "iso_a3-extra_322x445mm", 32200, 44500, "A3 Extra"},
    {64, "iso_a5-extra_174x235mm", 17400, 23500, "A5 Extra"},
    {65, "iso_b5-extra_201x276mm", 20100, 27600, "B5 (ISO) Extra"},
    {66, "iso_a2_420x594mm", 42000, 59400, "A2"},
    {69, "jpn_oufuku_148x200mm", 14800, 20000, "Japanese Double Postcard"},
    {70, "iso_a6_105x148mm", 10500, 14800, "A6"},
    {71, "jpn_kaku2_240x332mm", 24000, 33200, "Japanese Envelope Kaku #2"},
    {72, "jpn_kaku3_216x277mm", 21600, 27700, "Japanese Envelope Kaku #3"},
    {73, "jpn_chou3_120x235mm", 12000, 23500, "Japanese Envelope Chou #3"},
    {74, "jpn_chou4_90x205mm", 9000, 20500, "Japanese Envelope Chou #4"},
    {88, "jis_b6_128x182mm", 12800, 18200, "B6 (JIS)"},
    {91, "jpn_you4_105x235mm", 10500, 23500, "Japanese Envelope You #4"},
    {92, "prc_16k_146x215mm", 14600, 21500, "PRC 16K"},
    {93, "prc_32k_97x151mm", 9700, 15100, "PRC 32K"},
};

uint32_t fnv1a(const QString& text)
{
    uint32_t h = 2166136261u;
    for (const char c : text.toUtf8()) {
        h ^= uint8_t(c);
        h *= 16777619u;
    }
    return h;
}

} // namespace

int StandardNumber(const QString& media, int width, int length)
{
    for (const Paper& p : kPapers)
        if (media == QLatin1String(p.media))
            return p.number;
    if (width <= 0 || length <= 0)
        return 0;
    for (const Paper& p : kPapers)
        if (std::abs(p.width - width) <= 50 && std::abs(p.length - length) <= 50)
            return p.number;
    return 0;
}

QString StandardName(int number)
{
    for (const Paper& p : kPapers)
        if (p.number == number)
            return QString::fromLatin1(p.name);
    return {};
}

int StableNumber(const QString& text, int base, int span, const QList<int>& taken)
{
    int n = base + int(fnv1a(text) % uint32_t(span));
    for (int i = 0; i < span && taken.contains(n); ++i)
        n = base + (n - base + 1) % span;
    return n;
}

int OtherNumber(const QString& media, const QList<int>& taken)
{
    return StableNumber(media, 300, 8000, taken);
}

int BinNumber(const QString& keyword, const QList<int>& taken)
{
    static const QList<std::pair<QString, int>> fixed = {
        {QStringLiteral("top"), 1},
        {QStringLiteral("bottom"), 2},
        {QStringLiteral("middle"), 3},
        {QStringLiteral("manual"), 4},
        {QStringLiteral("envelope"), 5},
        {QStringLiteral("auto"), 7},
        {QStringLiteral("large-capacity"), 11},
        {QStringLiteral("main"), 14},
    };
    int n = 0;
    for (const auto& [k, v] : fixed)
        if (k == keyword)
            n = v;
    static const QRegularExpression tray(QStringLiteral("^tray-([1-9][0-9]?)$"));
    if (const QRegularExpressionMatch m = tray.match(keyword); m.hasMatch())
        n = 256 + m.captured(1).toInt();
    if (n == 0 || taken.contains(n))
        n = StableNumber(keyword, 400, 4000, taken);
    return n;
}

QString BinName(const QString& keyword)
{
    static const QList<std::pair<QString, QString>> names = {
        {QStringLiteral("auto"), QStringLiteral("Automatically Select")},
        {QStringLiteral("manual"), QStringLiteral("Manual Feed")},
        {QStringLiteral("top"), QStringLiteral("Upper Tray")},
        {QStringLiteral("middle"), QStringLiteral("Middle Tray")},
        {QStringLiteral("bottom"), QStringLiteral("Lower Tray")},
        {QStringLiteral("envelope"), QStringLiteral("Envelope Feed")},
        {QStringLiteral("large-capacity"), QStringLiteral("Large Capacity")},
        {QStringLiteral("main"), QStringLiteral("Main Tray")},
        {QStringLiteral("by-pass-tray"), QStringLiteral("Bypass Tray")},
    };
    for (const auto& [k, v] : names)
        if (k == keyword)
            return v;
    // "tray-3" -> "Tray 3"
    QString s = keyword;
    s.replace(QLatin1Char('-'), QLatin1Char(' '));
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

QString CustomMedia(int width, int length)
{
    auto mm = [](int hundredths) {
        QString s = QString::number(hundredths / 100.0, 'f', 2);
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
        return s;
    };
    const QString size = QStringLiteral("%1x%2mm").arg(mm(width), mm(length));
    return QStringLiteral("custom_%1_%1").arg(size);
}

} // namespace PaperTable
