#include "uApplication.h"
#include "uFrmMain.h"
#include "uTheme.h"
#include "uVCLFrmAbout.h"

#include <benchmark/benchmark.h>

#include <QDBusConnection>
#include <QEvent>

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
void StartToMainWindowShown()
{
    int argc = 1;
    auto app = std::make_unique<TApplication>(argc, argv0);
    LightSetting = LightSettingFromColorScheme(ReadColorScheme(QDBusConnection::sessionBus(), 300));
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

void BM_StartToMainWindowShown_Cold(benchmark::State& state)
{
    for (auto _ : state)
        StartToMainWindowShown();
}
BENCHMARK(BM_StartToMainWindowShown_Cold)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_StartToMainWindowShown_Warm(benchmark::State& state)
{
    for (auto _ : state)
        StartToMainWindowShown();
}
BENCHMARK(BM_StartToMainWindowShown_Warm)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
