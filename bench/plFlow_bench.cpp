#include "plCupsPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <random>

namespace {

// About 350,000 characters of Japanese prose from a fixed seed: kana and
// kanji with ASCII words, brackets and punctuation, in paragraphs of 100 to
// 900 characters.
const QStringList& Text()
{
    static const QStringList paragraphs = [] {
        std::mt19937 rng(20261210);
        const QString kana = QString::fromUtf8(
            "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
            "アイウエオカキクケコサシスセソタチツテト");
        const QString kanji =
            QString::fromUtf8("日本語文章印刷用紙計算問題東京大阪時間会社学校先生学生電話番号住所名前");
        const QStringList words{"PDF", "Linux", "A4", "2026", "Qt", "page", "print", "text", "CUPS", "mm"};
        const QString closing = QString::fromUtf8("。、」）");
        QStringList out;
        qsizetype total = 0;
        while (total < 350000) {
            QString p;
            const int len = 100 + int(rng() % 800);
            while (p.size() < len) {
                const unsigned r = rng() % 100;
                if (r < 55)
                    p += kana[int(rng() % kana.size())];
                else if (r < 85)
                    p += kanji[int(rng() % kanji.size())];
                else if (r < 90)
                    p += u' ' + words[int(rng() % words.size())] + u' ';
                else if (r < 93)
                    p += QString::fromUtf8(rng() % 2 ? "「" : "（");
                else
                    p += closing[int(rng() % closing.size())];
            }
            total += p.size();
            out << p;
        }
        return out;
    }();
    return paragraphs;
}

constexpr int kXl = 200, kXr = 1899, kTop = 200, kBottom = 2769, kRowH = 50;

// The whole text flowed page after page on A4, justified, two characters
// for each line-break rule, every page recorded.
void BM_FlowJapaneseText(benchmark::State& state)
{
    const QStringList& text = Text();
    qsizetype chars = 0;
    for (const QString& p : text)
        chars += p.size();
    int pages = 0;
    std::size_t heapBytes = 0, storeBytes = 0;
    for (auto _ : state) {
        const std::size_t before = mallinfo2().uordblks;
        TplPrev doc;
        doc.FPaperWidth = 2099;
        doc.FPaperHeight = 2969;
        doc.FXResolution = doc.FYResolution = 600;
        doc.FLeftOffset = doc.FTopOffset = 43;
        doc.FRightOffset = 2057;
        doc.FBottomOffset = 2927;
        doc.BeginDoc();
        doc.FontName("Noto Sans CJK JP");
        doc.FontHeight(-37);
        QStringList sl = text;
        pages = 1;
        for (;;) {
            doc.StringListOut(sl, {foJustify}, kXl, kXr, kTop, kBottom, kRowH, 2);
            if (sl.isEmpty())
                break;
            doc.NewPage();
            ++pages;
        }
        doc.EndDoc();
        state.PauseTiming();
        heapBytes = mallinfo2().uordblks - before;
        storeBytes = 0;
        for (const TMetafile& m : doc.Pages())
            storeBytes += m.ByteSize();
        state.ResumeTiming();
    }
    state.counters["chars"] = double(chars);
    state.counters["pages"] = pages;
    state.counters["store_MB"] = double(storeBytes) / (1024 * 1024);
    state.counters["heap_MB"] = double(heapBytes) / (1024 * 1024);
}
BENCHMARK(BM_FlowJapaneseText)->Unit(benchmark::kMillisecond)->Iterations(5);

// Qt's own paragraph layout of the same text on the same text area and font
// size, one paper unit a pixel.
void BM_QTextDocumentLayout(benchmark::State& state)
{
    const QString plain = Text().join(u'\n');
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(37);
    int pages = 0;
    for (auto _ : state) {
        QTextDocument doc;
        doc.setDefaultFont(font);
        doc.setDocumentMargin(0);
        doc.setPageSize(QSizeF(kXr - kXl, kBottom - kTop));
        doc.setPlainText(plain);
        pages = doc.documentLayout()->pageCount();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_QTextDocumentLayout)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>("/nonexistent/mirvak/cups.sock"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
