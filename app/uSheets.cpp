#include "uSheets.h"

#include "plComponentSettings.h"
#include "plPrev.h"
#include "uOpRec.h"
#include "uUtils.h"

#include <QFile>

#include <algorithm>
#include <cmath>

// Resources of a static library are registered by hand, once.
static void InitMainWindowResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(uFrmMain);
        return true;
    }();
    (void)done;
}

TSheetGeometry ComputeSheetGeometry(int PaperWidth, int PaperHeight, int LeftOffset, int TopOffset, int RightOffset,
                                    int BottomOffset)
{
    TSheetGeometry g{};
    g.MX = std::max({150, LeftOffset, PaperWidth - RightOffset});
    g.MY = std::max({150, TopOffset, PaperHeight - BottomOffset});
    g.L = g.MX;
    g.M = PaperWidth / 2;
    g.R = PaperWidth - g.MX;
    g.Q = g.L + (g.M - g.L) / 2;
    g.Q3 = g.Q + (g.M - g.L);
    g.T = g.MY;
    g.TH = g.T + 75;
    g.TB = g.T + 150;
    g.G = g.T + 200;
    g.B = PaperHeight - g.MY;
    // Banker's rounding: halves go to the even number.
    g.RowH = static_cast<int>(std::nearbyint((g.B - g.G) / 25.0));
    return g;
}

QString SheetTitle(int n)
{
    return (IsJapanese() ? QStringLiteral("足し算・引き算の計算100問[") : QStringLiteral("Addition and Subtraction["))
        + QString::number(n) + QLatin1Char(']');
}

QString SheetNameLine()
{
    return IsJapanese() ? QStringLiteral("\u3000\u3000\u3000組\u3000\u3000\u3000番 氏名")
                        : QStringLiteral(" Class\uFF1A             Name:");
}

QString SheetDateLine()
{
    return IsJapanese() ? QStringLiteral(
               "[ \u3000\u3000\u3000月 \u3000\u3000\u3000日] \uFF08 \u3000\u3000\u3000分 \u3000\u3000\u3000秒)")
                        : QStringLiteral(" Date:       /        Time:       :       ");
}

namespace {

constexpr TColor kTitleBand = 0xEEEEEE;

QString ProblemNumber(int k)
{
    return QLatin1Char('(') + QString::number(k + 1) + QLatin1Char(')');
}

void DrawProblemRows(TCustomplPrev& Doc, const TSheetGeometry& g, const TOpRec& rec, int firstK)
{
    for (int r = 0; r < 25; ++r) {
        const int top = g.G + r * g.RowH;
        const int bottom = g.G + (r + 1) * g.RowH;
        for (int half = 0; half < 2; ++half) {
            const int k = firstK + r + 25 * half;
            const int X = half == 0 ? g.L : g.M;
            Doc.FontName(QStringLiteral("Times New Roman"));
            Doc.TextRectCC(X, X + 180, top, bottom, ProblemNumber(k));
            Doc.FontName(QStringLiteral("Verdana"));
            Doc.TextRectCC(X + 180, X + 300, top, bottom, QString::fromStdString(rec.Nums[2 * k].ToString()));
            Doc.TextRectCC(X + 300, X + 360, top, bottom, rec.Ops[k] >= 2 ? QStringLiteral("-") : QStringLiteral("+"));
            Doc.TextRectCC(X + 360, X + 480, top, bottom, QString::fromStdString(rec.Nums[2 * k + 1].ToString()));
            Doc.TextRectCC(X + 480, X + 540, top, bottom, QStringLiteral("="));
        }
    }
}

void DrawProblemPage1(TCustomplPrev& Doc, const TSheetGeometry& g, const TOpRec& rec, int n)
{
    Doc.BrushColor(kTitleBand);
    Doc.FillRect(g.L, g.M, g.T, g.TB);
    Doc.FontSize(16);
    Doc.FontName(QStringLiteral("Segoe UI"));
    Doc.TextRectCC(g.L, g.M, g.T, g.TB, SheetTitle(n));
    // A line wider than its box (the Japanese date line on A4) is narrowed
    // and spread to fit rather than cut off.
    Doc.TextRectLCEx(g.M, g.R, g.T, g.TH, SheetNameLine());
    Doc.TextRectLCEx(g.M, g.R, g.TH, g.TB, SheetDateLine());
    Doc.LineColor(clBlack);
    Doc.LineWidth(4);
    Doc.Line(g.M, g.R, g.TH, g.TH);
    Doc.Line(g.M, g.R, g.TB, g.TB);
    Doc.LineWidth(9);
    Doc.Line(g.M, g.M, g.G, g.B);
    Doc.FontSize(21);
    DrawProblemRows(Doc, g, rec, 0);
}

void DrawProblemPage2(TCustomplPrev& Doc, const TSheetGeometry& g, const TOpRec& rec)
{
    Doc.LineWidth(9);
    Doc.Line(g.M, g.M, g.G, g.B);
    Doc.FontSize(21);
    DrawProblemRows(Doc, g, rec, 50);
}

void DrawAnswerPage(TCustomplPrev& Doc, const TSheetGeometry& g, const TOpRec& rec, int n)
{
    Doc.FontSize(16);
    Doc.FontName(QStringLiteral("Segoe UI"));
    Doc.TextRectCC(g.L, g.M, g.T, g.TB, SheetTitle(n));
    Doc.LineWidth(4);
    Doc.Line(g.Q, g.Q, g.G, g.B);
    Doc.LineWidth(9);
    Doc.Line(g.M, g.M, g.TB, g.B);
    Doc.LineWidth(4);
    Doc.Line(g.Q3, g.Q3, g.G, g.B);
    Doc.FontSize(21);
    // Number box and answer box of each of the four columns.
    const int columns[4][3] = {
        {g.L, g.Q, 0},
        {g.Q, g.R, 25},
        {g.M, g.Q3, 50},
        {g.Q3, g.R, 75},
    };
    for (int r = 0; r < 25; ++r) {
        const int top = g.G + r * g.RowH;
        const int bottom = g.G + (r + 1) * g.RowH;
        for (const auto& c : columns) {
            const int k = r + c[2];
            Doc.FontName(QStringLiteral("Times New Roman"));
            Doc.TextRectCC(c[0], c[0] + 180, top, bottom, ProblemNumber(k));
            Doc.FontName(QStringLiteral("Verdana"));
            Doc.TextRectLC(c[0] + 180, c[1], top, bottom, QLatin1Char(' ') + QString::number(rec.Ans[k]));
        }
    }
}

} // namespace

void DrawWorksheets(TCustomplPrev& Doc, int Start, int End)
{
    const int N = End - Start + 1;
    MakeOpRecs(N);
    Doc.BeginDoc();
    try {
        const TSheetGeometry g = ComputeSheetGeometry(Doc.PaperWidth(), Doc.PaperHeight(), Doc.LeftOffset(),
                                                      Doc.TopOffset(), Doc.RightOffset(), Doc.BottomOffset());
        for (int i = 0; i < N; ++i) {
            const TOpRec& rec = OpRecs[static_cast<size_t>(i)];
            DrawProblemPage1(Doc, g, rec, Start + i);
            Doc.NewPage();
            DrawProblemPage2(Doc, g, rec);
            Doc.NewPage();
        }
        for (int i = 0; i < N; ++i) {
            DrawAnswerPage(Doc, g, OpRecs[static_cast<size_t>(i)], Start + i);
            if (i < N - 1)
                Doc.NewPage();
        }
    } catch (...) {
        Doc.EndDoc();
        throw;
    }
    Doc.EndDoc();
}

QByteArray MainDocumentSettings()
{
    InitMainWindowResources();
    QFile file(QStringLiteral(":/FrmMain/plPrev1"));
    if (!file.open(QIODevice::ReadOnly))
        throw TStreamError("the main window's stored document settings are missing");
    return file.readAll();
}

void ReadMainDocumentSettings(TCustomplPrev& Doc)
{
    Doc.ReadSettings(MainDocumentSettings());
}

void ApplyMainDocumentDesign(TCustomplPrev& Doc)
{
    ReadMainDocumentSettings(Doc);
    // Settings restored: the document takes its printer-settings snapshot.
    Doc.Loaded();
}
