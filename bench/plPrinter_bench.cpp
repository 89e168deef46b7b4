// Costs of the printer service: enumeration and capabilities on a CUPS
// server (the one CUPS_SERVER names; run it against the test spooler with
// `bash tests/cups/cupsd.sh start DIR` and CUPS_SERVER=DIR/cups.sock), the
// pure driver pass, one edit of the printer-settings object, and the answer
// when no server is reachable (goal: under two seconds, never a hang).

#include "plCupsPrinterService.h"
#include "plDevMode.h"
#include "plMemoryPrinterService.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "../tests/support/HungServer.h"

#include <QCoreApplication>
#include <QThread>

#include <benchmark/benchmark.h>

namespace {

QString firstPrinter(TCupsPrinterService& s)
{
    const QList<TPrinterEntry> list = s.Enumerate();
    return list.isEmpty() ? QString() : list.first().Name;
}

void BM_CupsEnumerate(benchmark::State& state)
{
    TCupsPrinterService s;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.Enumerate());
}
BENCHMARK(BM_CupsEnumerate)->Unit(benchmark::kMillisecond);

void BM_CupsCaps(benchmark::State& state)
{
    TCupsPrinterService s;
    const QString name = firstPrinter(s);
    if (name.isEmpty()) {
        state.SkipWithError("no printer on the CUPS server");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(s.Caps(name));
}
BENCHMARK(BM_CupsCaps)->Unit(benchmark::kMillisecond);

void BM_DriverPass(benchmark::State& state)
{
    const TPrinterCaps caps = TMemoryPrinterService::ColorLaser("Laser", "laser").Caps;
    QByteArray dm = DevMode::Defaults(caps);
    for (auto _ : state) {
        DevMode::DriverPass(caps, dm);
        benchmark::DoNotOptimize(dm.data());
    }
}
BENCHMARK(BM_DriverPass)->Unit(benchmark::kMicrosecond);

// One property write of the printer-settings object on the CUPS server: the
// whole edit cycle with its two driver passes.
void BM_SetCopiesOnCups(benchmark::State& state)
{
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
    TplSetPrinter sp;
    if (sp.FPrintersCount == 0) {
        state.SkipWithError("no printer on the CUPS server");
        return;
    }
    sp.SetPrinterNumber(0);
    int copies = 1;
    for (auto _ : state)
        sp.SetCopies(copies = copies % 5 + 1);
}
BENCHMARK(BM_SetCopiesOnCups)->Unit(benchmark::kMillisecond);

void BM_EnumerateWithoutServer(benchmark::State& state)
{
    const char* server = state.range(0) == 0 ? "/nonexistent/mirvak/cups.sock" : "10.255.255.1:631";
    TCupsPrinterService s(server);
    for (auto _ : state)
        benchmark::DoNotOptimize(s.Enumerate());
}
BENCHMARK(BM_EnumerateWithoutServer)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

// A server that accepts connections but never answers: the first list waits
// it out briefly, the later ones (past the list's keeping time) ask nothing.
void BM_EnumerateHungServer(benchmark::State& state)
{
    THungServer hung;
    TCupsPrinterService s(hung.Path());
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.Enumerate());
        state.PauseTiming();
        QThread::msleep(1100);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EnumerateHungServer)->Unit(benchmark::kMillisecond)->Iterations(3);

// The first printer list of a fresh service (as at start-up): asked on this
// thread (arg 0), or listed on a worker thread and waited for (arg 1).
void BM_FirstListFreshService(benchmark::State& state)
{
    for (auto _ : state) {
        TCupsPrinterService s;
        if (state.range(0) == 1) {
            s.StartListing({});
            s.WaitForListing(5000);
        }
        benchmark::DoNotOptimize(s.Enumerate());
    }
}
BENCHMARK(BM_FirstListFreshService)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Creating a printer-settings object (one enumeration and the default
// printer's capabilities) on the server CUPS_SERVER names.
void BM_CreateSetPrinter(benchmark::State& state)
{
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
    for (auto _ : state) {
        TplSetPrinter sp;
        benchmark::DoNotOptimize(sp.FPrintersCount);
    }
}
BENCHMARK(BM_CreateSetPrinter)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
