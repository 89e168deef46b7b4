#pragma once

#include "plSet.h"

#include <QString>

#include <cstdint>
#include <vector>

struct TFont;

// Line fitting for flowed text. Knows nothing of the document: it measures
// with a large unhinted copy of a font and hands back where a line ends and
// the advance of every character in the target's units.

enum TFormatOption {
    foJustify, // bit value 1: lines of a paragraph but its last fill the width at their breaks
    foEven,    // 2: every line, the last one too, spread over all its gaps
    foRight,   // 4: the line ends at the right limit
    foCenter,  // 8: the line is centred; wins over foRight
    foKerning, // 16: kerning pairs between printable ASCII characters
};
using TFormatOptions = TSet<TFormatOption>;

// One advance per drawn character, target units: origin to the next origin.
using TDXArray = std::vector<int32_t>;

// U+0020 or the ideographic space U+3000.
bool IsSpaceChar(QChar C);
// A space, or any character from U+0100 on: a line may end there.
bool IsBreakChar(QChar C);

// Widths of one font with a character height of 4096 units ("em units").
class TEmMetrics {
public:
    virtual ~TEmMetrics() = default;
    // Added to every glyph by synthesised emboldening; taken off each width.
    virtual double Overhang() const = 0;
    virtual double CharWidth(char16_t C) const = 0;
    // Kerning between two characters in U+0021..U+007F, em units; else 0.
    virtual double Kerning(char16_t First, char16_t Second) const = 0;
};

constexpr double kEmUnits = 4096;

// Fits the start of S onto one line of Width twips for a font FontHeight
// twips high (its sign is ignored), on a target of Resolution dots per inch.
// Offset: shift of the line from the left limit; Count: characters to draw
// from the start of S; Dx: their advances. Returns S without the consumed
// characters; a non-empty S always loses at least one.
QString FormatLine(const QString& S, double FontHeight, const TFont& Font, double Width, int Resolution,
                   TFormatOptions Options, int& Offset, int& Count, TDXArray& Dx);
// The same with the widths of Metrics.
QString FormatLine(const QString& S, double FontHeight, const TEmMetrics& Metrics, double Width, int Resolution,
                   TFormatOptions Options, int& Offset, int& Count, TDXArray& Dx);
