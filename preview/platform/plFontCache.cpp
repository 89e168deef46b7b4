#include "plFontCache.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct TFontKey {
    QString Name;
    int Height, Width, Style, Charset, Quality;
    bool operator==(const TFontKey&) const = default;
};

size_t qHash(const TFontKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.Name, k.Height, k.Width, k.Style, k.Charset, k.Quality);
}

// Cell height / em height of a face, from a large copy of it.
double CellRatio(QFont f)
{
    f.setPixelSize(1000);
    QFontMetricsF fm(f);
    const double cell = fm.ascent() + fm.descent();
    return cell > 0 ? cell / 1000.0 : 1.0;
}

constexpr int kMaxPixelSize = 32767;
constexpr int kDefaultEm = 37; // 10.5 pt in paper units

} // namespace

double TFontEntry::Measure(char16_t c) const
{
    if (QChar::isSurrogate(c))
        return 0;
    return QFontMetricsF(QtFont).horizontalAdvance(QChar(c));
}

double TFontEntry::NaturalAdvance(char16_t c) const
{
    auto& page = FPages[c >> 8];
    if (!page) {
        page = std::make_unique<std::array<float, 256>>();
        page->fill(std::numeric_limits<float>::quiet_NaN());
    }
    float& v = (*page)[c & 0xFF];
    if (std::isnan(v))
        v = float(Measure(c));
    return v;
}

double TFontEntry::Advance(char16_t c) const
{
    return NaturalAdvance(c) * XScale;
}

double TFontEntry::Width(const QChar* s, qsizetype n) const
{
    double w = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate()) {
            w += QFontMetricsF(QtFont).horizontalAdvance(QString(s + i, 2)) * XScale;
            ++i;
        } else {
            w += Advance(c);
        }
    }
    return w;
}

double TFontEntry::Width(const QString& s) const
{
    return Width(s.constData(), s.size());
}

QRectF TFontEntry::InkBounds(const QString& s) const
{
    QRectF ink;
    double along = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        QRectF glyph;
        double advance;
        if (QChar::isSurrogate(c)) {
            const qsizetype n = (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ? 2 : 1;
            const QString pair = s.mid(i, n);
            const QFontMetricsF fm(QtFont);
            glyph = fm.boundingRect(pair);
            advance = fm.horizontalAdvance(pair);
            i += n - 1;
        } else {
            auto& page = FInkPages[c >> 8];
            if (!page) {
                page = std::make_unique<std::array<QRectF, 256>>();
                page->fill(QRectF(0, 0, -1, -1));
            }
            QRectF& cached = (*page)[c & 0xFF];
            if (cached.width() < 0)
                cached = QFontMetricsF(QtFont).boundingRect(QChar(c));
            glyph = cached;
            advance = NaturalAdvance(c);
        }
        if (!glyph.isEmpty())
            ink |= glyph.translated(along, Ascent);
        along += advance;
    }
    if (ink.isEmpty())
        return ink;
    return QRectF(ink.left() * XScale, ink.top(), ink.width() * XScale, ink.height());
}

const std::vector<TKerningPair>& TFontEntry::KerningPairs() const
{
    if (FKerning)
        return *FKerning;
    // The shaper with kerning on tells the pair adjustments the font carries.
    QFont kerned = QtFont;
    kerned.setKerning(true);
    const QFontMetricsF fm(kerned);
    std::vector<TKerningPair> pairs;
    for (char16_t a = 0x21; a < 0x7F; ++a) {
        for (char16_t b = 0x21; b < 0x7F; ++b) {
            const QChar ab[2] = {QChar(a), QChar(b)};
            const double k = fm.horizontalAdvance(QString(ab, 2)) - fm.horizontalAdvance(QChar(a)) - fm.horizontalAdvance(QChar(b));
            const int amount = int(std::lround(k * XScale));
            if (amount != 0)
                pairs.push_back(TKerningPair{a, b, amount});
        }
    }
    FKerning = std::move(pairs);
    return *FKerning;
}

std::shared_ptr<const TFontEntry> RealiseFont(const TFont& f)
{
    static QHash<TFontKey, std::shared_ptr<const TFontEntry>> cache;
    const TFontKey key{f.Name, f.Height, f.Width, int(f.Style.ToInt()), f.Charset, f.Quality};
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;

    auto e = std::make_shared<TFontEntry>();
    QString name = f.Name;
    if (name.startsWith(u'@')) {
        e->Vertical = true;
        name.remove(0, 1);
    }
    if (name.isEmpty())
        name = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();

    QFont q(name);
    q.setKerning(false);
    q.setHintingPreference(QFont::PreferNoHinting);
    if (f.Quality == NONANTIALIASED_QUALITY)
        q.setStyleStrategy(QFont::NoAntialias);
    q.setWeight(f.Style.Contains(fsBold) ? QFont::Bold : QFont::Normal);
    q.setItalic(f.Style.Contains(fsItalic));
    q.setUnderline(f.Style.Contains(fsUnderline));
    q.setStrikeOut(f.Style.Contains(fsStrikeOut));

    double em = kDefaultEm;
    if (f.Height < 0)
        em = -double(f.Height);
    else if (f.Height > 0)
        em = f.Height / CellRatio(q);
    const int px = int(std::clamp<double>(std::lround(em), 1, kMaxPixelSize));
    q.setPixelSize(px);

    QFontMetricsF fm(q);
    e->QtFont = q;
    e->Em = px;
    e->Ascent = fm.ascent();
    e->Descent = fm.descent();
    const double natural = fm.averageCharWidth();
    if (f.Width != 0 && natural > 0)
        e->XScale = std::abs(f.Width) / natural;
    e->AveCharWidth = natural * e->XScale;
    e->MaxCharWidth = fm.maxWidth() * e->XScale;
    e->UnderlinePos = fm.underlinePos();
    e->LineWidth = std::max(1.0, fm.lineWidth());

    if (cache.size() > 512)
        cache.clear(); // entries in use stay alive through their owners
    cache.insert(key, e);
    return e;
}
