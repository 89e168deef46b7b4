// Paging through a 300-page document in the preview window at full-HD size,
// whole-page zoom: time from the click on Next to the new page painted.
#include "plPrevFrm.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPicture>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

// Pages like the worksheet's: a grid of 250 centred box texts with frames.
class SheetDoc : public QObject, public TplPrevLink {
public:
    explicit SheetDoc(int pages)
    {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(40);
        for (int n = 0; n < pages; ++n) {
            QPicture pic;
            QPainter p(&pic);
            p.fillRect(QRect(0, 0, 2099, 2969), Qt::white);
            p.setFont(f);
            p.setPen(QPen(Qt::black, 2));
            for (int i = 0; i < 250; ++i) {
                const QRect box(100 + (i % 5) * 380, 150 + (i / 5) * 54, 370, 50);
                p.drawRect(box);
                p.drawText(box, Qt::AlignCenter, QStringLiteral("%1 + %2 =").arg((i * 37 + n) % 90 + 10).arg((i * 53 + n) % 90 + 10));
            }
            p.end();
            Pages.push_back(pic);
        }
    }
    std::vector<QPicture> Pages;
    int Page = 1;
    TplPrevZoomType Zoom = ztWholePage;

    QObject* Component() override { return this; }
    int PageNumber() const override { return Page; }
    void SetPageNumber(int v) override { Page = v; }
    int PageCount() const override { return int(Pages.size()); }
    TplPrevZoomType ZoomType() const override { return Zoom; }
    void SetZoomType(TplPrevZoomType v) override { Zoom = v; }
    double ViewPaperRatio() const override { return 2969.0 / 2099.0; }
    bool ImageVisible() const override { return true; }
    bool ImageShade() const override { return true; }
    bool ImageDrag() const override { return true; }
    uint32_t BtnOptions() const override { return 0x13FD; }
    QString Title() const override { return QStringLiteral("Print Preview"); }
    void SetTitle(const QString&) override {}
    QString StatusBarText() const override { return {}; }
    TplPrevFormSettings FormSettings() const override
    {
        TplPrevFormSettings s;
        s.Left = 0;
        s.Top = 0;
        s.Width = 1920;
        s.Height = 1080;
        return s;
    }
    QString StatusPaperName() override { return QStringLiteral("A4"); }
    bool NoPrinter() const override { return false; }
    TplPagePicture GetMetaImage(int page) override
    {
        if (page < 1 || page > PageCount())
            return {};
        TplPagePicture out;
        out.Frame = QSizeF(2099, 2969);
        out.Play = [pic = Pages[page - 1]](QPainter& p, const QRectF& r) {
            p.save();
            p.translate(r.topLeft());
            p.scale(r.width() / 2099.0, r.height() / 2969.0);
            p.drawPicture(0, 0, pic);
            p.restore();
        };
        return out;
    }
    void SetForm(QWidget*) override {}
    void SetFormName(const QString&) override {}
    bool AutoCreateForm() const override { return false; }
    void SetIsPrevFormShow(bool) override {}
    void DoPrepare() override {}
    void SetPrintRange(int, int) override {}
    void Print() override {}
    bool AcrobatOut() override { return false; }
    void AdoptCurrentPrinter() override {}
    void RestorePrinterSnapshot() override {}
    bool ShowSetupDialog() override { return false; }
    void PrinterSetupDone() override {}
    void ResetViewSize() override {}
    void DoResize(QObject*, int) override {}
    void DoAfterView(QObject*, int) override {}
    void DoFormShow(QObject*) override {}
    void DoFormDestroy(QObject*) override {}
    void DoPrintButtonClick(QObject*, bool&) override {}
    void DoPrinterSetupDialog(QObject*) override {}
    void DoFormCloseQuery(QObject*, bool&) override {}
    void DoFormClose(QObject*, TCloseAction&) override {}
};

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

} // namespace

static void BM_PreviewPageChange(benchmark::State& state)
{
    SheetDoc doc(300);
    TplPrevForm form;
    form.SetplPrev(&doc);
    form.Show();
    QCoreApplication::processEvents();
    PaintCounter counter;
    form.Image1->installEventFilter(&counter);

    std::vector<double> ms;
    int missed = 0;
    for (auto _ : state) {
        if (doc.Page == doc.PageCount())
            form.FirstPageBtnClick(nullptr);
        const int before = counter.Paints;
        QElapsedTimer t;
        t.start();
        form.NextPageBtn->click();
        // The page counts as shown once the image has painted.
        while (counter.Paints == before && t.elapsed() < 1000)
            QCoreApplication::processEvents();
        const double elapsed = t.nsecsElapsed() / 1e6;
        missed += counter.Paints == before;
        ms.push_back(elapsed);
        state.SetIterationTime(elapsed / 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
    state.counters["p95_ms"] = ms.empty() ? 0 : ms[ms.size() * 95 / 100];
    state.counters["not_painted"] = missed;
    state.counters["image_w"] = form.Image1->width();
    state.counters["image_h"] = form.Image1->height();
}
BENCHMARK(BM_PreviewPageChange)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(299);

// The part of a page change spent replaying the page into the image.
static void BM_PreviewPageReplay(benchmark::State& state)
{
    SheetDoc doc(10);
    QImage img(685, 970, QImage::Format_RGB32);
    int n = 0;
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, state.range(0));
        p.setRenderHint(QPainter::TextAntialiasing);
        doc.GetMetaImage(n++ % 10 + 1).Play(p, QRectF(img.rect()));
    }
}
BENCHMARK(BM_PreviewPageReplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Until the printer-settings object is built, its constructor and destructor
// (referenced by its meta-object) are empty here.
#include "plSetPrinter.h"
TplSetPrinter::TplSetPrinter(QObject* AOwner) : QObject(AOwner), d(nullptr) {}
TplSetPrinter::~TplSetPrinter() = default;
