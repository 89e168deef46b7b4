#include "TextUtils.h"

#include "plMeasure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Nearest integer, halves to the even neighbour.
int RoundEven(double X)
{
    const double r = std::nearbyint(X); // the default rounding mode: ties to even
    return int(r);
}

} // namespace

bool IsSpaceChar(QChar C)
{
    return C.unicode() == 0x0020 || C.unicode() == 0x3000;
}

bool IsBreakChar(QChar C)
{
    return IsSpaceChar(C) || C.unicode() >= 0x0100;
}

QString FormatLine(const QString& S, double FontHeight, const TFont& Font, double Width, int Resolution,
                   TFormatOptions Options, int& Offset, int& Count, TDXArray& Dx)
{
    return FormatLine(S, FontHeight, EmFont(Font), Width, Resolution, Options, Offset, Count, Dx);
}

QString FormatLine(const QString& S, double FontHeight, const TEmMetrics& Metrics, double Width, int Resolution,
                   TFormatOptions Options, int& Offset, int& Count, TDXArray& Dx)
{
    Offset = 0;
    Count = 0;
    Dx.clear();
    const qsizetype n = S.size();
    if (n == 0)
        return S;

    const double height = std::abs(FontHeight);
    // Em units to target units; a font without height draws nothing wide.
    const double toTarget = height / kEmUnits * Resolution / 1440.0;
    const double limit = height > 0 ? Width * kEmUnits / height : 0;
    const double overhang = Metrics.Overhang();
    const bool kerning = Options.Contains(foKerning);

    // Sized as the walk goes: it stops at the end of the line, not of S.
    std::vector<double> widths;
    std::vector<char> flags;
    widths.reserve(size_t(std::min<qsizetype>(n, 256)));
    flags.reserve(size_t(std::min<qsizetype>(n, 256)));
    const QChar* s = S.constData();

    // The walk: lastBreak counts the characters up to and including the last
    // break character seen after something other than spaces.
    double acc = 0;
    qsizetype lastBreak = 0;
    bool seenNonSpace = false;
    qsizetype held = n, consumed = n;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        widths.push_back(0);
        flags.push_back(0);
        const double w = Metrics.CharWidth(c.unicode()) - overhang;
        double k = 0;
        if (kerning && i > 0 && s[i - 1].unicode() < 0x80 && c.unicode() < 0x80)
            k = Metrics.Kerning(s[i - 1].unicode(), c.unicode());
        if (acc + w + k > limit && !IsSpaceChar(c)) {
            if (lastBreak == 0) {
                held = consumed = i;
            } else {
                consumed = lastBreak;
                qsizetype j = lastBreak;
                // Spaces at the break are consumed but not drawn.
                while (j > 0 && flags[size_t(j - 1)] && IsSpaceChar(s[j - 1]))
                    --j;
                held = j;
            }
            break;
        }
        // It fits, or it is a space, which may hang past the limit.
        acc += k + w;
        widths[size_t(i)] = w;
        if (i > 0)
            widths[size_t(i - 1)] += k;
        if (IsBreakChar(c) && i > 0 && seenNonSpace) {
            flags[size_t(i)] = 1;
            lastBreak = i + 1;
        } else {
            flags[size_t(i)] = 0;
        }
        if (!IsSpaceChar(c))
            seenNonSpace = true;
    }

    // Progress on every call: a character wider than the line gets a row of
    // its own with no advance.
    if (held == 0)
        held = 1;
    if (consumed == 0)
        consumed = 1;
    Count = int(held);

    auto sum = [&] {
        double t = 0;
        for (qsizetype c = 0; c < held; ++c)
            t += widths[size_t(c)];
        return t;
    };

    const bool even = Options.Contains(foEven);
    if ((Options.Contains(foJustify) && held < n) || even) {
        qsizetype gaps = 0;
        if (even) {
            for (qsizetype c = 1; c < held; ++c)
                flags[size_t(c)] = 1;
            gaps = held - 1;
        } else {
            for (qsizetype c = 0; c < held; ++c)
                gaps += flags[size_t(c)];
        }
        if (gaps >= 1) {
            // The widened advances lie before each break character.
            const double extra = (limit - sum()) / double(gaps);
            for (qsizetype c = 1; c < held; ++c)
                if (flags[size_t(c)])
                    widths[size_t(c - 1)] += extra;
        }
    }

    if (Options.Contains(foRight) || Options.Contains(foCenter)) {
        Offset = RoundEven((limit - sum()) * toTarget);
        if (Options.Contains(foCenter))
            Offset /= 2; // towards zero
    }

    // Running rounding: each advance makes up for the error of those before.
    Dx.resize(size_t(held));
    double total = 0;
    long long drawn = 0;
    for (qsizetype c = 0; c < held; ++c) {
        total += widths[size_t(c)];
        const int d = RoundEven(total * toTarget - double(drawn));
        Dx[size_t(c)] = d;
        drawn += d;
    }
    return S.mid(consumed);
}
