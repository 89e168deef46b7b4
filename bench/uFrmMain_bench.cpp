#include "plCupsPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "uApplication.h"
#include "uFrmMain.h"
#include "uTheme.h"
#include "uVCLFrmAbout.h"

#include "../tests/support/HungServer.h"

#include <benchmark/benchmark.h>

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QEvent>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace {

// Notes the first paint of a window.
class PaintSpy : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

char arg0[] = "mirvak";
char* argv0[] = {arg0, nullptr};

// The program's start as the entry runs it, from the application object to
// the main window painted: the desktop setting, the main window, the hidden
// about box. The first run in a process is the cold start (fonts, styles and
// plug-ins are loaded then); later runs show what a warm start costs.
// aside: the printers are listed on a worker thread and waited for at most
// kPrinterListWaitMs, as the entry does; otherwise they are listed on this
// thread when the main window's document is made (the start before).
void StartToMainWindowShown(bool aside)
{
    int argc = 1;
    auto app = std::make_unique<TApplication>(argc, argv0);
    if (aside)
        StartPrinterListing();
    LightSetting = LightSettingFromColorScheme(ReadColorScheme(QDBusConnection::sessionBus(), 300));
    if (aside)
        WaitForPrinterList(kPrinterListWaitMs);
    FrmMain = new TFrmMain;
    VCLFrmAbout = new TVCLFrmAbout(FrmMain);
    PaintSpy spy;
    FrmMain->installEventFilter(&spy);
    FrmMain->show();
    while (!spy.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    delete FrmMain;
    app.reset();
}

// A fresh printer service for every start, as a new process has.
void FreshService(const QString& server = QString())
{
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>(server));
}

void BM_StartToMainWindowShown_Cold(benchmark::State& state)
{
    for (auto _ : state)
        StartToMainWindowShown(true);
}
BENCHMARK(BM_StartToMainWindowShown_Cold)->Iterations(1)->Unit(benchmark::kMillisecond);

// Arg 0: printers listed on the user-interface thread; 1: listed aside.
// Against the print server CUPS_SERVER names.
void BM_StartToMainWindowShown_Warm(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        FreshService();
        state.ResumeTiming();
        StartToMainWindowShown(state.range(0) == 1);
    }
    TPrinter::Printer().SetService(nullptr);
}
BENCHMARK(BM_StartToMainWindowShown_Warm)->Arg(0)->Arg(1)->Iterations(20)->Unit(benchmark::kMillisecond);

// The same against a print server that accepts connections but never
// answers (goal with the printers listed aside: the window within 0.5 s).
void BM_StartToMainWindowShown_HungServer(benchmark::State& state)
{
    THungServer hung;
    for (auto _ : state) {
        state.PauseTiming();
        FreshService(hung.Path());
        state.ResumeTiming();
        StartToMainWindowShown(state.range(0) == 1);
        state.PauseTiming();
        TPrinter::Printer().SetService(nullptr); // stops a listing under way
        hung.TakeConnections();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToMainWindowShown_HungServer)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

// Print of sheets 1..100 in the main window until the preview has painted its
// first page: generation, 300 pages recorded, the preview window created,
// the first page composed and painted. Runs against the current printer
// (CUPS_SERVER) or, without one, the designed A4 paper.
void BM_PrintHundredSheetsToFirstPagePainted(benchmark::State& state)
{
    int argc = 1;
    TApplication app(argc, argv0);
    TFrmMain w;
    w.show();
    w.NumberBox1->setValue(1);
    w.NumberBox2->setValue(100);
    for (auto _ : state) {
        QElapsedTimer clock;
        bool viewed = false;
        qint64 painted = -1;
        w.plPrev1->OnAfterView = [&](QObject*, int) { viewed = true; };
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* preview = QApplication::activeModalWidget();
            if (!preview || !viewed)
                return;
            preview->repaint();
            painted = clock.nsecsElapsed();
            poll.stop();
            // Closed once the window has settled, as a user would.
            QTimer::singleShot(300, preview, [preview] { preview->close(); });
        });
        poll.start();
        clock.start();
        w.bbPrint->click();
        state.SetIterationTime(painted / 1e9);
        if (painted < 0)
            state.SkipWithError("the preview did not show a page");
    }
    state.counters["pages"] = w.plPrev1->PageCount();
}
BENCHMARK(BM_PrintHundredSheetsToFirstPagePainted)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
