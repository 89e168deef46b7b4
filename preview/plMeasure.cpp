#include "plMeasure.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QGlyphRun>
#include <QTextLayout>

#include <algorithm>
#include <optional>
#include <vector>

#include <cmath>
#include <limits>

namespace {

struct TEmKey {
    QString Name;
    int Style, Charset;
    bool operator==(const TEmKey&) const = default;
};

size_t qHash(const TEmKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.Name, k.Style, k.Charset);
}

constexpr char16_t kFirstAscii = 0x21;
constexpr char16_t kLastAscii = 0x7F;

} // namespace

TEmFont::TEmFont(const TFont& F)
{
    QString name = F.Name;
    if (name.startsWith(u'@'))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    FFont = QFont(name);
    FFont.setKerning(false);
    FFont.setHintingPreference(QFont::PreferNoHinting);
    FFont.setWeight(F.Style.Contains(fsBold) ? QFont::Bold : QFont::Normal);
    FFont.setItalic(F.Style.Contains(fsItalic));
    FFont.setPixelSize(int(kEmUnits));
    FRaw = QRawFont::fromFont(FFont);
}

double TEmFont::Measure(char16_t C) const
{
    if (QChar::isSurrogate(C))
        return 0;
    // The face's own glyph when it has one, else the font Qt falls back to,
    // as drawing does.
    if (FRaw.isValid() && FRaw.supportsCharacter(QChar(C))) {
        const QList<quint32> glyphs = FRaw.glyphIndexesForString(QString(QChar(C)));
        if (glyphs.size() == 1 && glyphs[0] != 0) {
            const QList<QPointF> adv = FRaw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
            if (adv.size() == 1)
                return adv[0].x();
        }
    }
    return QFontMetricsF(FFont).horizontalAdvance(QChar(C));
}

double TEmFont::CharWidth(char16_t C) const
{
    auto& page = FPages[C >> 8];
    if (!page) {
        page = std::make_unique<std::array<float, 256>>();
        page->fill(std::numeric_limits<float>::quiet_NaN());
    }
    float& v = (*page)[C & 0xFF];
    if (std::isnan(v))
        v = float(Measure(C));
    return v;
}

namespace {

// Pen positions of the glyphs the shaper makes of S, one per character, or
// nothing when the shaper joined characters (a ligature) or split the text
// over fonts.
std::optional<std::vector<double>> PenPositions(const QString& S, const QFont& F)
{
    QTextLayout layout(S, F);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e9);
    layout.endLayout();
    const QList<QGlyphRun> runs = line.glyphRuns();
    if (runs.size() != 1 || runs[0].glyphIndexes().size() != S.size())
        return std::nullopt;
    const QList<QPointF> pos = runs[0].positions();
    std::vector<double> x(size_t(pos.size()) + 1);
    for (qsizetype i = 0; i < pos.size(); ++i)
        x[size_t(i)] = pos[i].x();
    x.back() = line.naturalTextWidth();
    return x;
}

} // namespace

// The pairs as the shaper applies them with kerning on (the face's GPOS
// kerning or its kern table). One layout per first character holds it before
// every second one; the distance to the next pen position less the unkerned
// advance is the pair's amount. A row the shaper joins somewhere (a ligature)
// is measured pair by pair, and a joined pair has no kerning.
void TEmFont::BuildKerning() const
{
    FKerning = std::make_unique<std::array<std::array<int16_t, 128>, 128>>();
    for (auto& row : *FKerning)
        row.fill(0);
    QFont kerned = FFont;
    kerned.setKerning(true);
    auto store = [&](char16_t a, char16_t b, double pairAdvance) {
        const long k = std::lround(pairAdvance - CharWidth(a));
        (*FKerning)[a][b] = int16_t(std::clamp<long>(k, -32768, 32767));
    };
    for (char16_t a = kFirstAscii; a < kLastAscii; ++a) {
        QString s;
        for (char16_t b = kFirstAscii; b < kLastAscii; ++b) {
            s += QChar(a);
            s += QChar(b);
        }
        if (const auto x = PenPositions(s, kerned)) {
            for (char16_t b = kFirstAscii; b < kLastAscii; ++b) {
                const size_t i = size_t(2 * (b - kFirstAscii));
                store(a, b, (*x)[i + 1] - (*x)[i]);
            }
            continue;
        }
        for (char16_t b = kFirstAscii; b < kLastAscii; ++b) {
            const QChar ab[2] = {QChar(a), QChar(b)};
            if (const auto x = PenPositions(QString(ab, 2), kerned))
                store(a, b, (*x)[1] - (*x)[0]);
        }
    }
}

double TEmFont::Kerning(char16_t First, char16_t Second) const
{
    if (First < kFirstAscii || First > kLastAscii || Second < kFirstAscii || Second > kLastAscii)
        return 0;
    if (!FKerning)
        BuildKerning();
    return (*FKerning)[First][Second];
}

const TEmFont& EmFont(const TFont& F)
{
    static QHash<TEmKey, std::shared_ptr<const TEmFont>> cache;
    const TEmKey key{F.Name, int(F.Style.ToInt() & 3), F.Charset};
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return **it;
    auto e = std::make_shared<const TEmFont>(F);
    cache.insert(key, e);
    return *e;
}
