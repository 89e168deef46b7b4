#include "plPrev.h"

#include "plTextFile.h"

#include <algorithm>
#include <cstdlib>

// Paragraphs of text flowed row by row: lines fitted by TextUtils, then the
// Japanese line-break rules, then each row drawn with its advances.

const std::array<char16_t, 8> TCustomplPrev::NoLineEndChars = {
    u'(', u'[', u'{', 0xFF62, 0xFF08, 0xFF3B, 0xFF5B, 0x300C,
};

const std::array<char16_t, 14> TCustomplPrev::NoLineStartChars = {
    u')', u']', u'}', u'.', u',', 0xFF63, 0xFF09, 0xFF3D, 0xFF5D, 0xFF0E, 0xFF0C, 0x300D, 0x3002, 0x3001,
};

namespace {

template <size_t N>
bool In(const std::array<char16_t, N>& Table, QChar C)
{
    return std::find(Table.begin(), Table.end(), C.unicode()) != Table.end();
}

constexpr int kDefaultEm = 37; // the engine's 10.5 pt in paper units

} // namespace

QString TCustomplPrev::KinsokuPushOut(const QString& S, int& P, int Cnt)
{
    if (S.isEmpty() || Cnt <= 0)
        return QString();
    int taken = 0;
    for (int pos = std::min<int>(P, int(S.size())); pos >= 1 && taken < Cnt && In(NoLineEndChars, S[pos - 1]); --pos)
        ++taken;
    const int first = std::min<int>(P, int(S.size())) - taken;
    P -= taken;
    return S.mid(first, taken);
}

QString TCustomplPrev::KinsokuPullIn(const QString& S, int& P, int Cnt)
{
    if (S.isEmpty() || Cnt <= 0)
        return QString();
    int taken = 0;
    while (taken < Cnt && taken < S.size() && In(NoLineStartChars, S[taken]))
        ++taken;
    P += taken;
    return S.left(taken);
}

int32_t TCustomplPrev::StringListOut(QStringList& SL, TFormatOptions Options, int Xl, int Xr, int Yt, int Yb, int RowH,
                                     int KinsokuCnt)
{
    if (SL.isEmpty() || !FCanvas)
        return Yt;

    // Paper units stand in for device pixels: the resolution cancels inside
    // the line fitting, and offsets and advances come back in paper units.
    const int res = FXResolution > 0 ? FXResolution : 254;
    const int height = FCanvas->Font().Height != 0 ? FCanvas->Font().Height : -kDefaultEm;
    const double fontHeight = double(height) * 1440 / res;
    const double lineWidth = double(std::abs(Xr - Xl)) * 1440 / res;
    const long long avail = std::abs(qint64(Yb) - Yt);
    int rows = 0;
    auto full = [&] { return qint64(rows) * RowH > avail; };

    FCanvas->SetBkMode(TRANSPARENT);
    const qsizetype entries = SL.size();
    for (qsizetype e = 0; e < entries && !SL.isEmpty(); ++e) {
        QString para = SL.first();
        if (para.isEmpty()) {
            if (full())
                break; // the empty entry stays
            ++rows;
        }
        while (!para.isEmpty()) {
            if (full()) {
                SL.first() = para;
                return Yt + rows * RowH;
            }
            int offset = 0, count = 0;
            TDXArray dx;
            QString rest = FormatLine(para, fontHeight, FCanvas->Font(), lineWidth, res, Options, offset, count, dx);

            int J = 0, I = 0;
            // A row keeps at least one character of its own, so that every
            // row makes progress.
            const QString pushed = KinsokuPushOut(para, count, std::min(KinsokuCnt, count - 1));
            if (!pushed.isEmpty()) {
                rest.prepend(pushed);
                J = FCanvas->TextWidth(pushed);
            } else {
                const int own = count;
                const QString pulled = KinsokuPullIn(rest, count, KinsokuCnt);
                I = int(pulled.size());
                if (I >= 1) {
                    rest.remove(0, I);
                    J = -FCanvas->TextWidth(pulled);
                    dx.resize(size_t(count), 0);
                    for (int c = own; c < count - 1; ++c)
                        dx[size_t(c)] = std::abs(J / I);
                }
            }
            // The row's own gaps absorb what it lost or gained, the remainder
            // one unit at a time from the left. A row of one character of its
            // own has no gap: pulled punctuation then hangs past the limit.
            const int K = count - I - 1;
            if (count >= 2 && J != 0 && K >= 1) {
                const int each = J / K;
                const int spare = std::abs(J % K);
                const int unit = J > 0 ? 1 : -1;
                for (int c = 0; c < K; ++c)
                    dx[size_t(c)] += each + (c < spare ? unit : 0);
            }

            FCanvas->ExtTextOut(Xl + offset, Yt + rows * RowH, para.left(count), dx.data());
            ++rows;
            para = std::move(rest);
        }
        SL.removeFirst();
    }
    return Yt + rows * RowH;
}

int32_t TCustomplPrev::TextOutFile(int Yt, int Xl, int Xr, int RowH, const QString& FileName)
{
    // Read in full before anything is drawn: a file that cannot be read
    // leaves the page as it was.
    QStringList lines = ReadTextFileLines(FileName);
    if (lines.isEmpty())
        return Yt;
    return StringListOut(lines, {foJustify}, Xl, Xr, Yt, FPaperHeight - FBottomMargin, RowH, 2);
}
