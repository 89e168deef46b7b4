#include "plCanvas.h"
#include "plMetafile.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

// One worksheet-like page: 250 numbers centred in their boxes, A4 in paper
// units against a 600 dpi reference device.
void RecordPage(TMetafile& meta, const QStringList& texts)
{
    meta.SetSize(2100, 2970);
    TCanvas c(meta, 600, 600);
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExt(2100, 2970);
    c.SetViewportExt(meta.DeviceWidth(), meta.DeviceHeight());
    c.SetBkMode(TRANSPARENT);
    TFont f;
    f.Name = "Times New Roman";
    f.Height = -74;
    c.SetFont(f);
    for (int i = 0; i < 250; ++i) {
        const int x = 100 + (i % 10) * 190, y = 100 + (i / 10) * 110;
        c.DrawText(texts[i], Rect(x, y, x + 180, y + 100), DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
}

QStringList Texts()
{
    QStringList t;
    for (int i = 0; i < 250; ++i)
        t << QString::number(10 + (i * 37) % 90);
    return t;
}

void BM_RecordPage(benchmark::State& state)
{
    const QStringList texts = Texts();
    for (auto _ : state) {
        TMetafile meta;
        RecordPage(meta, texts);
        benchmark::DoNotOptimize(meta);
    }
}
BENCHMARK(BM_RecordPage)->Unit(benchmark::kMicrosecond);

void BM_ReplayPage(benchmark::State& state)
{
    TMetafile meta;
    RecordPage(meta, Texts());
    QImage img(1000, 1414, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        meta.Play(p, QRectF(0, 0, 1000, 1414));
    }
}
BENCHMARK(BM_ReplayPage)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
