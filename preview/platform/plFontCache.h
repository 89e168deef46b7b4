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

// A logical font realised as a Qt font with unhinted metrics, in logical units.
struct TFontEntry {
    QFont QtFont;         // pixel size = em height, kerning off, no hinting
    double XScale = 1;    // horizontal scale realising an explicit average width
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
    // follows the one before by its advance.
    plmeta::TTextRun Layout(const QString& s, const std::vector<QPointF>& At) const;
    plmeta::TTextRun Layout(const QString& s) const;

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
    mutable QHash<char32_t, TGlyph> FGlyphs;

    double Measure(char16_t c) const;
    // Advance of one UTF-16 code unit before XScale, measured once.
    double NaturalAdvance(char16_t c) const;
    mutable std::array<std::unique_ptr<std::array<float, 256>>, 256> FPages;
    mutable std::array<std::unique_ptr<std::array<QRectF, 256>>, 256> FInkPages;
    mutable std::optional<std::vector<TKerningPair>> FKerning;
};

// Realised fonts are shared: the same logical font gives the same entry.
std::shared_ptr<const TFontEntry> RealiseFont(const TFont& f);
