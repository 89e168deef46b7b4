// Paging through the 300 pages of 100 worksheets in the preview window at full-HD size,
// whole-page zoom: time from the click on Next to the new page painted; and Save as
// PDF of those 300 pages.
//
// The offscreen screen is 3840 x 2160, so that the full-HD window fits at scale 1 and,
// run with QT_SCALE_FACTOR=2, on a high-density screen (the page then has four times
// the pixels).
#include "plPrevFrm.h"

#include "plCupsPrinterService.h"
#include "plMemoryPrinterService.h"
#include "plPrinter.h"
#include "uSheets.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

namespace {

// The worksheet's largest document: sheets 1 to 100, 300 pages.
std::unique_ptr<TplPrev> SheetDoc(int sheets)
{
    auto doc = std::make_unique<TplPrev>();
    doc->SetName(QStringLiteral("plPrev1"));
    ApplyMainDocumentDesign(*doc);
    doc->FormLeft = 0;
    doc->FormTop = 0;
    doc->FormWidth = 1920;
    doc->FormHeight = 1080;
    doc->FormWindowState = fwNormal;
    DrawWorksheets(*doc, 1, sheets);
    return doc;
}

double ProcessCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

// An A4 laser held in memory as the only printer: only the window and the
// engine are timed.
void UseMemoryLaser()
{
    auto memory = std::make_shared<TMemoryPrinterService>();
    memory->Printers.append(TMemoryPrinterService::ColorLaser(QStringLiteral("Office Laser"), QStringLiteral("laser")));
    TPrinter::Printer().SetService(memory);
}

} // namespace

// Arg 0: an A4 printer held in memory, so that only the window and the
// engine are timed; arg 1: the printer of the CUPS server in CUPS_SERVER.
static void BM_PreviewPageChange(benchmark::State& state)
{
    if (state.range(0) == 0)
        UseMemoryLaser();
    else
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
    auto doc = SheetDoc(100);
    TplPrevForm form;
    form.SetplPrev(doc.get());
    form.Show();
    QCoreApplication::processEvents();
    PaintCounter counter;
    form.Image1->installEventFilter(&counter);

    std::vector<double> ms, cpu;
    int missed = 0;
    for (auto _ : state) {
        if (doc->PageNumber() == doc->PageCount())
            form.FirstPageBtnClick(nullptr);
        const int before = counter.Paints;
        const double cpuBefore = ProcessCpuMs();
        QElapsedTimer t;
        t.start();
        form.NextPageBtn->click();
        // The page counts as shown once the image has painted.
        while (counter.Paints == before && t.elapsed() < 1000)
            QCoreApplication::processEvents();
        const double elapsed = t.nsecsElapsed() / 1e6;
        missed += counter.Paints == before;
        ms.push_back(elapsed);
        cpu.push_back(ProcessCpuMs() - cpuBefore);
        state.SetIterationTime(elapsed / 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    state.counters["median_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
    // Processor time of every thread (painting uses helper threads for
    // large images): what a change costs when no other program competes.
    state.counters["median_cpu_ms"] = cpu.empty() ? 0 : cpu[cpu.size() / 2];
    state.counters["p95_ms"] = ms.empty() ? 0 : ms[ms.size() * 95 / 100];
    state.counters["not_painted"] = missed;
    state.counters["image_w"] = form.Image1->width();
    state.counters["image_h"] = form.Image1->height();
    state.counters["dpr"] = form.Image1->devicePixelRatioF();
}
BENCHMARK(BM_PreviewPageChange)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(299);

// The part of a page change spent replaying the composed page into the
// image (arg: antialiasing of lines off or on).
static void BM_PreviewPageReplay(benchmark::State& state)
{
    UseMemoryLaser();
    auto doc = SheetDoc(4);
    std::vector<TMetafile> pages;
    for (int n = 1; n <= 10; ++n)
        pages.push_back(*doc->GetMetaImage(n));
    QImage img(685, 970, QImage::Format_RGB32);
    int n = 0;
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, state.range(0));
        p.setRenderHint(QPainter::TextAntialiasing);
        pages[n++ % 10].Play(p, QRectF(img.rect()));
    }
}
BENCHMARK(BM_PreviewPageReplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Save as PDF from the preview of the 300 pages, through the printing path
// to a file: time per save and the file's size.
static void BM_PreviewSavePdf(benchmark::State& state)
{
    UseMemoryLaser();
    auto doc = SheetDoc(100);
    TplPrevForm form;
    form.SetplPrev(doc.get());
    form.Show();
    QCoreApplication::processEvents();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sheets.pdf"));
    const auto saved = TplPrevForm::ChoosePdfFile;
    TplPrevForm::ChoosePdfFile = [&](QWidget*, const QString&) { return file; };
    int failed = 0;
    for (auto _ : state)
        failed += !form.SavePdfExecute(nullptr);
    TplPrevForm::ChoosePdfFile = saved;
    state.counters["pages"] = doc->PageCount();
    state.counters["size_kb"] = QFileInfo(file).size() / 1024.0;
    state.counters["failed"] = failed;
}
BENCHMARK(BM_PreviewSavePdf)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    QTemporaryDir screenDir;
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty()) {
        const QString config = screenDir.filePath(QStringLiteral("screen.json"));
        QFile f(config);
        if (f.open(QIODevice::WriteOnly))
            f.write(R"({"screens": [{"name": "uhd", "x": 0, "y": 0, "width": 3840, "height": 2160,
                        "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        f.close();
        platform = "offscreen:configfile=" + config.toLocal8Bit();
        qputenv("QT_QPA_PLATFORM", platform);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
