// Pictures: a 12-megapixel photograph stretched into a 100 x 75 mm box
// (recorded, then written to PDF), and 300 pages carrying the same logo
// against the same pages without it. Peak memory: run one benchmark per
// process (--benchmark_filter) and read the peak_RSS_MB counter.
#include "plMemoryPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

QTemporaryDir& Dir()
{
    static QTemporaryDir dir;
    return dir;
}

double PeakRssMB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

// A 4000 x 3000 photograph-like JPEG (smooth gradients and detail), written
// a row at a time so that making it does not raise the peak memory the
// benchmarks report.
QString PhotoFile()
{
    static const QString path = [] {
        const QString p = Dir().path() + "/photo.jpg";
        FILE* out = std::fopen(QFile::encodeName(p).constData(), "wb");
        if (!out)
            return p;
        jpeg_compress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        jpeg_stdio_dest(&c, out);
        c.image_width = 4000;
        c.image_height = 3000;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 90, TRUE);
        jpeg_start_compress(&c, TRUE);
        std::vector<JSAMPLE> row(std::size_t(c.image_width) * 3);
        for (unsigned y = 0; y < c.image_height; ++y) {
            for (unsigned x = 0; x < c.image_width; ++x) {
                row[x * 3] = JSAMPLE((x / 16 + (x * y) % 23) & 0xFF);
                row[x * 3 + 1] = JSAMPLE((y / 12) & 0xFF);
                row[x * 3 + 2] = JSAMPLE(int(128 + 100 * std::sin(x * 0.01 + y * 0.02)));
            }
            JSAMPROW rows[] = {row.data()};
            jpeg_write_scanlines(&c, rows, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        std::fclose(out);
        return p;
    }();
    return path;
}

// A 600 x 300 logo as a designer would export it: flat colours with
// antialiased edges on a transparent ground (a disc mark, a wordmark and a
// tagline), saved as an RGBA PNG.
QString LogoFile()
{
    static const QString path = [] {
        QImage img(600, 300, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 90, 200));
        p.drawEllipse(QRectF(10, 40, 220, 220));
        p.setBrush(QColor(240, 150, 30));
        p.drawEllipse(QRectF(70, 100, 100, 100));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(120, 70), QPointF(175, 200), QPointF(65, 200)}));
        p.setPen(QColor(30, 40, 60));
        p.setFont(QFont("DejaVu Sans", 60, QFont::Bold));
        p.drawText(QRectF(240, 60, 360, 140), Qt::AlignLeft | Qt::AlignVCenter, "Mirvak");
        p.setPen(QColor(20, 90, 200));
        p.setFont(QFont("DejaVu Sans", 22));
        p.drawText(QRectF(245, 190, 360, 60), Qt::AlignLeft | Qt::AlignTop, "arithmetic drills");
        p.end();
        const QString file = Dir().path() + "/logo.png";
        img.save(file, "png");
        return file;
    }();
    return path;
}

// Bytes of the image objects (their dictionaries and streams) in a PDF.
qint64 ImageObjectBytes(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray pdf = f.readAll();
    qint64 bytes = 0;
    for (qsizetype at = pdf.indexOf(" obj\n"); at >= 0; at = pdf.indexOf(" obj\n", at + 1)) {
        const qsizetype end = pdf.indexOf("endobj", at);
        const qsizetype dict = pdf.indexOf("/Subtype /Image", at);
        if (end > 0 && dict > 0 && dict < end)
            bytes += end - at;
    }
    return bytes;
}

void StoredA4(TplPrev& doc)
{
    doc.FPaperWidth = 2099;
    doc.FPaperHeight = 2969;
    doc.FXResolution = doc.FYResolution = 600;
    doc.FLeftOffset = doc.FTopOffset = 43;
    doc.FRightOffset = 2057;
    doc.FBottomOffset = 2927;
}

// Every page through the printing step into a PDF; the file's size.
qint64 WritePdf(TplPrev& doc, const QString& file)
{
    {
        QPdfWriter pdf(file);
        pdf.setResolution(600);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF());
        QPainter painter(&pdf);
        for (int i = 1; i <= doc.PageCount(); ++i) {
            if (i > 1)
                pdf.newPage();
            doc.PrintPage(&painter, i);
        }
    }
    return QFileInfo(file).size();
}

void BM_PhotoIntoBox(benchmark::State& state)
{
    const QString photo = PhotoFile();
    for (auto _ : state) {
        ClearPictureCache(); // every round decodes the file
        TplPrev doc;
        StoredA4(doc);
        doc.BeginDoc();
        doc.StretchDrawPict(200, 1200, 300, 1050, false, photo);
        doc.EndDoc();
        benchmark::DoNotOptimize(doc.Pages().size());
    }
    state.counters["peak_RSS_MB"] = PeakRssMB();
}
BENCHMARK(BM_PhotoIntoBox)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PhotoPageToPdf(benchmark::State& state)
{
    TplPrev doc;
    StoredA4(doc);
    doc.BeginDoc();
    doc.StretchDrawPict(200, 1200, 300, 1050, false, PhotoFile());
    doc.EndDoc();
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = WritePdf(doc, Dir().path() + "/photo.pdf");
    state.counters["pdf_KB"] = bytes / 1024.0;
    state.counters["peak_RSS_MB"] = PeakRssMB();
}
BENCHMARK(BM_PhotoPageToPdf)->Unit(benchmark::kMillisecond)->Iterations(5);

// 300 pages of a little text, with or without the logo on each.
void BM_Logo300Pages(benchmark::State& state)
{
    const bool logo = state.range(0) != 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        ClearPictureCache();
        TplPrev doc;
        StoredA4(doc);
        doc.BeginDoc();
        for (int page = 1; page <= 300; ++page) {
            if (page > 1)
                doc.NewPage();
            if (logo)
                doc.StretchDrawPict(100, 700, 100, 400, false, LogoFile());
            doc.TextOut(100, 500, QString("Sheet %1").arg(page));
        }
        doc.EndDoc();
        bytes = WritePdf(doc, Dir().path() + (logo ? "/logo.pdf" : "/plain.pdf"));
    }
    state.counters["pdf_KB"] = bytes / 1024.0;
    state.counters["logo_file_KB"] = QFileInfo(LogoFile()).size() / 1024.0;
    // What the logo's pixels take in the PDF, against the file: the rest of
    // the difference is each page's reference to the one image.
    state.counters["images_in_pdf_KB"] = ImageObjectBytes(Dir().path() + (logo ? "/logo.pdf" : "/plain.pdf")) / 1024.0;
    state.counters["peak_RSS_MB"] = PeakRssMB();
}
BENCHMARK(BM_Logo300Pages)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // A 600 dpi A4 printer held in memory: pages are recorded against it, so
    // a picture is decoded at the pixels that printer needs.
    auto memory = std::make_shared<TMemoryPrinterService>();
    memory->Printers.append(TMemoryPrinterService::ColorLaser(QStringLiteral("Office Laser"), QStringLiteral("laser")));
    TPrinter::Printer().SetService(memory);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
