#include "plCupsPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

// The worksheet's load: 300 pages of 250 centred box texts, recorded on the
// stored A4 geometry. Reports the page store's size.
void BM_Record300Pages(benchmark::State& state)
{
    QStringList texts;
    for (int i = 0; i < 250; ++i)
        texts << QString::number(10 + (i * 37) % 90);
    std::size_t storeBytes = 0, heapBytes = 0;
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
        for (int page = 0; page < 300; ++page) {
            if (page > 0)
                doc.NewPage();
            doc.FontSize(21);
            for (int i = 0; i < 250; ++i) {
                doc.FontName(i % 2 ? "Times New Roman" : "Verdana");
                const int x = 100 + (i % 10) * 190, y = 100 + (i / 10) * 110;
                doc.TextRectCC(x, x + 180, y, y + 100, texts[i]);
            }
        }
        doc.EndDoc();
        state.PauseTiming();
        heapBytes = mallinfo2().uordblks - before;
        storeBytes = 0;
        for (const TMetafile& m : doc.Pages())
            storeBytes += m.ByteSize();
        state.ResumeTiming();
    }
    state.counters["store_MB"] = double(storeBytes) / (1024 * 1024);
    state.counters["heap_MB"] = double(heapBytes) / (1024 * 1024);
}
BENCHMARK(BM_Record300Pages)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The engine alone: no spooler to ask (pages are recorded on the stored geometry).
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>("/nonexistent/mirvak/cups.sock"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
