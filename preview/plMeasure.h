#pragma once

#include "TextUtils.h"
#include "plCanvas.h"

#include <QFont>
#include <QRawFont>

#include <array>
#include <memory>
#include <optional>

// The measuring context of the line fitting: a logical font realised with a
// character height of 4096 pixels, its width left natural and hinting off, so
// that widths are the face's design widths at 4096 units per em.
class TEmFont final : public TEmMetrics {
public:
    explicit TEmFont(const TFont& F);

    // Qt keeps glyph advances as designed; synthesised bold does not widen
    // them, so nothing is taken off.
    double Overhang() const override { return 0; }
    // Measured once per character and kept.
    double CharWidth(char16_t C) const override;
    // Built once for the font, on first use.
    double Kerning(char16_t First, char16_t Second) const override;

private:
    double Measure(char16_t C) const;
    void BuildKerning() const;

    QFont FFont;
    QRawFont FRaw; // the file Qt resolved for the face
    mutable std::array<std::unique_ptr<std::array<float, 256>>, 256> FPages;
    mutable std::unique_ptr<std::array<std::array<int16_t, 128>, 128>> FKerning;
};

// The measuring context of a logical font; only its face, style and
// character set matter. Shared and kept for the program's life.
const TEmFont& EmFont(const TFont& F);
