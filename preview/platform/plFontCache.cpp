#include "plFontCache.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>
#include <QVarLengthArray>

#include <hb-ot.h>
#include <hb.h>

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
                cached = Invisible(c) ? QRectF() : QFontMetricsF(QtFont).boundingRect(QChar(c));
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

bool TFontEntry::Invisible(char32_t c)
{
    if (c >= 0x20 && c < 0x7F)
        return false;
    const QChar::Category cat = QChar::category(c);
    return cat == QChar::Other_Control || cat == QChar::Other_Format || cat == QChar::Other_Surrogate;
}

TFontEntry::TGlyph TFontEntry::GlyphFor(char32_t c) const
{
    if (auto it = FGlyphs.constFind(c); it != FGlyphs.constEnd())
        return *it;
    if (FFaces.empty())
        FFaces.push_back(QRawFont::fromFont(QtFont));
    TGlyph g;
    const QString s = QString::fromUcs4(&c, 1);
    quint32 index = 0;
    int n = 1;
    if (FFaces[0].isValid() && FFaces[0].glyphIndexesForChars(s.constData(), int(s.size()), &index, &n) && n == 1)
        g.Index = index;
    if (g.Index == 0) {
        // Not in the font's own face: the face the measurement fell back to.
        QTextLayout layout(s, QtFont);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QList<quint32> ids = run.glyphIndexes();
            if (ids.size() != 1 || ids[0] == 0)
                continue;
            const QRawFont raw = run.rawFont();
            auto at = std::find(FFaces.begin(), FFaces.end(), raw);
            if (at == FFaces.end())
                at = FFaces.insert(FFaces.end(), raw);
            g.Face = int(at - FFaces.begin());
            g.Index = ids[0];
            break;
        }
    }
    FGlyphs.insert(c, g);
    return g;
}

plmeta::TTextRun TFontEntry::Layout(const QString& s, const std::vector<QPointF>* At,
                                    const std::vector<quint32>* Glyphs) const
{
    plmeta::TTextRun r;
    r.Text = s;
    r.Glyphs.reserve(std::size_t(s.size()));
    const double sx = XScale > 0 ? XScale : 1;
    QVarLengthArray<int, 8> faceOf; // the entry's faces in the run's
    plmeta::TTextPiece* piece = nullptr;
    QPointF next;
    double along = 0; // natural places, before XScale
    auto add = [&](const TGlyph& g, bool hide, const QPointF& at) {
        while (faceOf.size() <= g.Face)
            faceOf.append(-1);
        int& face = faceOf[g.Face];
        if (face < 0) {
            face = int(r.Faces.size());
            r.Faces.append(FFaces[std::size_t(g.Face)]);
        }
        r.Glyphs.push_back(plmeta::TPlacedGlyph{g.Index, uint16_t(face), hide, at});
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        const bool pair = s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate();
        const qsizetype n = pair ? 2 : 1;
        const char32_t c = pair ? QChar::surrogateToUcs4(s[i], s[i + 1]) : s[i].unicode();
        const QPointF at = At ? QPointF((*At)[std::size_t(i)].x() / sx, (*At)[std::size_t(i)].y()) : QPointF(along, 0);
        const double advance = pair ? Width(s.constData() + i, n) / sx : NaturalAdvance(char16_t(c));
        along += advance;
        const qsizetype from = i;
        i += n - 1;
        if (Invisible(c)) {
            piece = nullptr;
            continue;
        }
        if (!piece || std::abs(at.x() - next.x()) > 1e-6 || std::abs(at.y() - next.y()) > 1e-6) {
            r.Pieces.append(plmeta::TTextPiece{from, 0, at});
            piece = &r.Pieces.back();
        }
        piece->Length += n;
        next = at + QPointF(advance, 0);
        if (QChar::isSpace(c))
            continue; // no ink: a glyph would only add a blank to the text layer
        const TGlyph g = GlyphFor(c);
        if (Glyphs && (*Glyphs)[std::size_t(from)] != 0 && (*Glyphs)[std::size_t(from)] != g.Index) {
            // Another glyph of the font's own face draws it; the ordinary one
            // still carries the character's text.
            add(g, true, at);
            add(TGlyph{0, (*Glyphs)[std::size_t(from)]}, false, at);
        } else {
            add(g, false, at);
        }
    }
    return r;
}

plmeta::TTextRun TFontEntry::Layout(const QString& s, const std::vector<QPointF>& At,
                                    const std::vector<quint32>* Glyphs) const
{
    return Layout(s, &At, Glyphs);
}

plmeta::TTextRun TFontEntry::Layout(const QString& s) const
{
    return Layout(s, nullptr, nullptr);
}

namespace {

// HarfBuzz reads the face's tables from the very face Qt resolved (the
// same file, and the same face of a collection), so glyph indexes agree.
hb_blob_t* FaceTable(hb_face_t*, hb_tag_t Tag, void* User)
{
    const char name[4] = {char(Tag >> 24), char(Tag >> 16), char(Tag >> 8), char(Tag)};
    auto* data = new QByteArray(static_cast<const QRawFont*>(User)->fontTable(name));
    if (data->isEmpty()) {
        delete data;
        return nullptr;
    }
    return hb_blob_create(data->constData(), unsigned(data->size()), HB_MEMORY_MODE_READONLY, data,
                          [](void* p) { delete static_cast<QByteArray*>(p); });
}

bool HasFeature(hb_face_t* Face, hb_tag_t Table, hb_tag_t Feature)
{
    hb_tag_t tags[64];
    unsigned start = 0, n;
    do {
        n = 64;
        hb_ot_layout_table_get_feature_tags(Face, Table, start, &n, tags);
        if (std::find(tags, tags + n, Feature) != tags + n)
            return true;
        start += n;
    } while (n == 64);
    return false;
}

} // namespace

hb_font_t* TFontEntry::VerticalShaper() const
{
    if (FVerticalShaper)
        return FVerticalShaper->get();
    FVerticalShaper.emplace();
    if (FFaces.empty())
        FFaces.push_back(QRawFont::fromFont(QtFont));
    if (!FFaces[0].isValid())
        return nullptr;
    hb_face_t* face = hb_face_create_for_tables(FaceTable, new QRawFont(FFaces[0]),
                                                [](void* p) { delete static_cast<QRawFont*>(p); });
    if (HasFeature(face, HB_OT_TAG_GSUB, HB_TAG('v', 'e', 'r', 't')))
        FVerticalShaper->reset(hb_font_create(face), hb_font_destroy);
    hb_face_destroy(face);
    return FVerticalShaper->get();
}

TFontEntry::TVerticalGlyph TFontEntry::VerticalGlyph(char32_t c) const
{
    if (auto it = FVerticalGlyphs.constFind(c); it != FVerticalGlyphs.constEnd())
        return *it;
    TVerticalGlyph v;
    if (hb_font_t* font = VerticalShaper()) {
        // Shaped downwards, the face's vertical alternates apply (its
        // proportional rotated forms do not: letters and digits stay upright).
        hb_buffer_t* buffer = hb_buffer_create();
        const uint32_t text[1] = {uint32_t(c)};
        hb_buffer_add_utf32(buffer, text, 1, 0, 1);
        hb_buffer_guess_segment_properties(buffer);
        hb_buffer_set_direction(buffer, HB_DIRECTION_TTB);
        hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
        hb_shape(font, buffer, nullptr, 0);
        unsigned n = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &n);
        const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, nullptr);
        if (n == 1 && info[0].codepoint != 0) {
            // Offsets run from the top centre of the glyph's place, y upwards.
            const double k = Em / hb_face_get_upem(hb_font_get_face(font));
            v.Index = info[0].codepoint;
            v.Offset = QPointF(pos[0].x_offset * k, -pos[0].y_offset * k);
            v.Advance = std::abs(pos[0].y_advance) * k;
        }
        hb_buffer_destroy(buffer);
    }
    FVerticalGlyphs.insert(c, v);
    return v;
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
            const double k =
                fm.horizontalAdvance(QString(ab, 2)) - fm.horizontalAdvance(QChar(a)) - fm.horizontalAdvance(QChar(b));
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
