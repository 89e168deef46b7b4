#pragma once

#include "plCanvas.h"
#include "plMetafile.h"

#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QRectF>

#include <array>
#include <memory>
#include <optional>
#include <vector>

struct hb_font_t;

// A logical font realised as a Qt font with unhinted metrics, in logical units.
struct TFontEntry {
    QFont QtFont;      // pixel size = em height, kerning off, no hinting
    double XScale = 1; // horizontal scale realising an explicit average width
    double Em = 0;
    double Ascent = 0;
    double Descent = 0;
    double AveCharWidth = 0; // after XScale
    double MaxCharWidth = 0; // after XScale
    double UnderlinePos = 0; // below the baseline
    double LineWidth = 1;    // of underline and strike-out
    bool Vertical = false;   // face name began with "@"

    // Advance of one UTF-16 code unit, after XScale.
    double Advance(char16_t c) const;
    // Width of a string: the sum of its advances (no kerning), after XScale.
    double Width(const QString& s) const;
    double Width(const QChar* s, qsizetype n) const;
    // Rectangle the glyphs of s cover when its cell's top-left is at the
    // origin, after XScale; underline and strike-out lines are left out.
    QRectF InkBounds(const QString& s) const;
    // Kerning pairs among printable ASCII characters, logical units.
    const std::vector<TKerningPair>& KerningPairs() const;

    // The glyphs of s, character i with its baseline starting at At[i]
    // (logical units after XScale, relative to the start of the text; the
    // entries of low surrogates are not used). Without At each character
    // follows the one before by its advance. A non-zero Glyphs[i] is the
    // glyph of the font's own face that draws character i.
    plmeta::TTextRun Layout(const QString& s, const std::vector<QPointF>& At,
                            const std::vector<quint32>* Glyphs = nullptr) const;
    plmeta::TTextRun Layout(const QString& s) const;

    // A character set in a vertical column of this face: its glyph in the
    // font's own face, in the face's vertical form where it has one (the
    // OpenType vertical alternates: brackets turned, small kana and
    // punctuation moved, the long vowel mark upright); where the glyph's
    // baseline starts relative to the top centre of its vertical advance,
    // and that advance, by the face's vertical metrics (logical units before
    // XScale). Index 0: the face has no vertical forms, or the character no
    // glyph in it; such characters are set as in horizontal text.
    struct TVerticalGlyph {
        quint32 Index = 0;
        QPointF Offset;
        double Advance = 0;
    };
    TVerticalGlyph VerticalGlyph(char32_t c) const;

    // Characters drawn as nothing: control and format characters. They keep
    // the advance they are measured with.
    static bool Invisible(char32_t c);

private:
    struct TGlyph {
        int Face = 0;
        quint32 Index = 0;
    };
    // The face and glyph that draw c: the font's own face, or the face the
    // font falls back to for it.
    TGlyph GlyphFor(char32_t c) const;
    mutable std::vector<QRawFont> FFaces;
    // Both layouts: At null places each character after the one before.
    plmeta::TTextRun Layout(const QString& s, const std::vector<QPointF>* At, const std::vector<quint32>* Glyphs) const;
    mutable QHash<char32_t, TGlyph> FGlyphs;

    double Measure(char16_t c) const;
    // Advance of one UTF-16 code unit before XScale, measured once.
    double NaturalAdvance(char16_t c) const;
    mutable std::array<std::unique_ptr<std::array<float, 256>>, 256> FPages;
    mutable std::array<std::unique_ptr<std::array<QRectF, 256>>, 256> FInkPages;
    mutable std::optional<std::vector<TKerningPair>> FKerning;

    // The shaper of vertical text on the font's own face; null when the
    // face has no vertical forms.
    hb_font_t* VerticalShaper() const;
    mutable std::optional<std::shared_ptr<hb_font_t>> FVerticalShaper;
    mutable QHash<char32_t, TVerticalGlyph> FVerticalGlyphs;
};

// Realised fonts are shared: the same logical font gives the same entry.
std::shared_ptr<const TFontEntry> RealiseFont(const TFont& f);
