// Pictures on the page: the readers behind the file operations, where the
// operations place a picture, damaged files, and pictures printed to PDF.
#include "plCupsPrinterService.h"
#include "plPicture.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "support/SpoolerOutput.h"
#include "support/plLogDevice.h"
#include "support/PictureFiles.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace PictureFiles;

namespace {

// A document on a stored A4 geometry at 600 dpi, no spooler needed.
std::unique_ptr<TplPrev> StoredA4Document()
{
    auto doc = std::make_unique<TplPrev>();
    doc->SetName("plPrev1");
    doc->FPaperWidth = 2099;
    doc->FPaperHeight = 2969;
    doc->FXResolution = 600;
    doc->FYResolution = 600;
    doc->FLeftOffset = 43;
    doc->FRightOffset = 2057;
    doc->FTopOffset = 43;
    doc->FBottomOffset = 2927;
    return doc;
}

// What a page shows of pictures: the raster images, and the bounds of
// everything else (a vector picture's shapes).
struct TPageView {
    std::vector<QRectF> Images;
    QRectF Vector;
};

TPageView View(const TCustomplPrev& Doc, int Page = 1)
{
    TPageView v;
    for (const TLogItem& i : LogPicture(Doc.Pages().at(std::size_t(Page) - 1))) {
        if (i.Kind == TLogItem::ikImage)
            v.Images.push_back(i.Box);
        else if (i.Kind == TLogItem::ikRect || i.Kind == TLogItem::ikPath || i.Kind == TLogItem::ikPolygon)
            v.Vector |= i.Box;
    }
    return v;
}

class Pictures : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearPictureCache();
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>("/nonexistent/mirvak/cups.sock"));
    }
    QString Put(const QString& Name, const QByteArray& Data) { return WriteFile(Dir.path() + "/" + Name, Data); }
    QTemporaryDir Dir;
};

bool Near(QRgb a, QColor b, int tol)
{
    return std::abs(qRed(a) - b.red()) <= tol && std::abs(qGreen(a) - b.green()) <= tol
        && std::abs(qBlue(a) - b.blue()) <= tol;
}

} // namespace

// ".JPG" in any case is decoded as a JPEG whatever the file holds; ".jpeg"
// and other names go to the general loader by extension.
TEST_F(Pictures, ExtensionDecidesTheReader)
{
    const struct {
        const char* Name;
        const char* Extension;
        TPictureFormat Format;
    } names[] = {
        {"a.jpg", ".JPG", TPictureFormat::Jpeg},      {"dir/a.Jpg", ".JPG", TPictureFormat::Jpeg},
        {"a.jpeg", ".JPEG", TPictureFormat::Jpeg},    {"a.b.PNG", ".PNG", TPictureFormat::Png},
        {"a.tif", ".TIF", TPictureFormat::Tiff},      {"a.Tiff", ".TIFF", TPictureFormat::Tiff},
        {"a.emf", ".EMF", TPictureFormat::Emf},       {"a.wmf", ".WMF", TPictureFormat::Wmf},
        {"dir.v2/file", "", TPictureFormat::Unknown}, {"a.txt", ".TXT", TPictureFormat::Unknown},
    };
    for (const auto& n : names) {
        EXPECT_EQ(PictureExtension(n.Name), n.Extension) << n.Name;
        EXPECT_EQ(PictureFormatOf(n.Name), n.Format) << n.Name;
    }

    auto doc = StoredA4Document();
    doc->BeginDoc();
    const QByteArray png = Encode(Bands(40, 20), "png");
    for (const char* name : {"p.jpg", "p.JPG", "p.Jpg"}) {
        try {
            doc->DrawPict(0, 0, Put(name, png));
            ADD_FAILURE() << name << " was not read as a JPEG";
        } catch (const EPictureError& e) {
            EXPECT_NE(QString(e.what()).indexOf("JPEG"), -1) << e.what();
        }
    }
    doc->DrawPict(0, 0, Put("p.png", png));
    doc->DrawPict(100, 0, Put("j.jpeg", Encode(Bands(40, 20), "jpg")));
    doc->EndDoc();
    EXPECT_EQ(View(*doc).Images, (std::vector<QRectF>{QRectF(0, 0, 40, 20), QRectF(100, 0, 40, 20)}));
}

// A raster picture and the vector pictures (SVG, EMF) of 400 x 300 land in
// the same rectangle: filled, kept in proportion and centred, or nowhere for
// an empty box.
TEST_F(Pictures, StretchDrawPictTargets)
{
    const QString raster = Put("r.png", Encode(Bands(400, 300), "png"));
    const QString vector = Put("v.svg", Svg(400, 300));
    const QString metafile = Put("m.emf", Emf(400, 300));
    const struct {
        int X1, X2, Y1, Y2;
        bool IsFit;
        QRectF Expected; // empty: nothing drawn
    } cases[] = {
        {0, 1000, 0, 1000, false, QRectF(QPointF(0, 125), QPointF(1000, 875))},
        {0, 1000, 0, 500, false, QRectF(QPointF(167, 0), QPointF(834, 500))},
        {0, 1000, 0, 500, true, QRectF(QPointF(0, 0), QPointF(1000, 500))},
        {100, 100, 0, 500, false, QRectF()},
        {0, 1000, 300, 300, true, QRectF()},
    };
    for (const auto& c : cases) {
        auto doc = StoredA4Document();
        doc->BeginDoc();
        doc->StretchDrawPict(c.X1, c.X2, c.Y1, c.Y2, c.IsFit, raster);
        doc->NewPage();
        doc->StretchDrawPict(c.X1, c.X2, c.Y1, c.Y2, c.IsFit, vector);
        doc->NewPage();
        doc->StretchDrawPict(c.X1, c.X2, c.Y1, c.Y2, c.IsFit, metafile);
        doc->EndDoc();
        const TPageView r = View(*doc, 1);
        if (c.Expected.isEmpty()) {
            EXPECT_TRUE(r.Images.empty());
            EXPECT_TRUE(View(*doc, 2).Vector.isEmpty());
            EXPECT_TRUE(View(*doc, 3).Vector.isEmpty());
            continue;
        }
        ASSERT_EQ(r.Images.size(), 1u);
        EXPECT_EQ(r.Images[0], c.Expected);
        for (int page : {2, 3}) {
            SCOPED_TRACE(page == 2 ? "SVG" : "EMF");
            const TPageView v = View(*doc, page);
            EXPECT_TRUE(v.Images.empty()) << "a vector picture is never pixels";
            EXPECT_NEAR(v.Vector.left(), c.Expected.left(), 0.01);
            EXPECT_NEAR(v.Vector.top(), c.Expected.top(), 0.01);
            EXPECT_NEAR(v.Vector.right(), c.Expected.right(), 0.01);
            EXPECT_NEAR(v.Vector.bottom(), c.Expected.bottom(), 0.01);
        }
    }
}

// Natural size: one paper unit a pixel from the given corner; bitmaps and
// vector pictures in a rectangle; none draws nothing.
TEST_F(Pictures, NaturalSizeAndRectangles)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    doc->DrawPict(50, 60, Put("b.bmp", Encode(Bands(200, 100), "bmp")));
    doc->DrawPict(500, 60, Put("s.svg", Svg(200, 100)));
    const QImage bitmap = Bands(10, 10);
    doc->StretchDrawBitmap(Rect(1000, 1000, 1300, 1100), &bitmap);
    doc->StretchDrawBitmap(Rect(0, 0, 10, 10), nullptr);
    doc->StretchDrawMetaFile(Rect(0, 0, 10, 10), nullptr);
    doc->EndDoc();
    const TPageView v = View(*doc);
    EXPECT_EQ(v.Images,
              (std::vector<QRectF>{QRectF(QPointF(50, 60), QPointF(250, 160)),
                                   QRectF(QPointF(1000, 1000), QPointF(1300, 1100))}));
    EXPECT_EQ(v.Vector, QRectF(QPointF(500, 60), QPointF(700, 160)));
}

// Every variant of every raster format decodes to the colours it holds.
TEST_F(Pictures, ReadersDecodeEveryVariant)
{
    const QColor red(200, 30, 40), blue(20, 40, 210);
    const QImage bands = Bands(40, 20);
    QImage alpha = bands.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            alpha.setPixel(x, y, qRgba(0, 0, 0, 0));
    const QString data = QStringLiteral(MIRVAK_TEST_DATA_DIR "/pictures/");
    const struct {
        QString File;
        QByteArray Bytes; // empty: the file as it is
        int Tolerance;
        bool LeftTransparent = false;
    } cases[] = {
        {"rgb.png", Encode(bands, "png"), 0},
        {"deep.png", Encode(bands.convertToFormat(QImage::Format_RGBA64), "png"), 1},
        {"palette.png", Encode(bands.convertToFormat(QImage::Format_Indexed8), "png"), 0},
        {"grey.png", Encode(bands.convertToFormat(QImage::Format_Grayscale8), "png"), 0},
        {"alpha.png", Encode(alpha, "png"), 0, true},
        {data + "red_blue_interlaced.png", {}, 0},
        {"rgb.jpg", Encode(bands, "jpg"), 12},
        {"grey.JPG", Encode(bands.convertToFormat(QImage::Format_Grayscale8), "jpg"), 12},
        {data + "red_blue_cmyk.jpg", {}, 16},
        {"b.bmp", Encode(bands, "bmp"), 0},
        {"i.ico", Encode(bands, "ico"), 0},
        {data + "red_blue.gif", {}, 0},
        {"t.tiff", Encode(bands, "tiff"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File.toStdString());
        const QString file = c.Bytes.isEmpty() ? c.File : Put(c.File, c.Bytes);
        TPicture p;
        ASSERT_NO_THROW(PictureExtension(file) == ".JPG" ? p.LoadJpegFile(file) : p.LoadFromFile(file));
        ASSERT_EQ(QSize(p.Width(), p.Height()), QSize(40, 20));
        const QImage img = p.Image().convertToFormat(QImage::Format_ARGB32);
        const bool grey = c.File.startsWith("grey");
        // Grey files hold Qt's grey of the bands.
        const QImage greyBands = bands.convertToFormat(QImage::Format_Grayscale8);
        const auto expect = [&](QColor col) { return grey ? QColor(greyBands.pixel(col == red ? 5 : 34, 10)) : col; };
        if (c.LeftTransparent)
            EXPECT_EQ(qAlpha(img.pixel(5, 10)), 0);
        else
            EXPECT_TRUE(Near(img.pixel(5, 10), expect(red), c.Tolerance)) << std::hex << img.pixel(5, 10);
        EXPECT_TRUE(Near(img.pixel(34, 10), expect(blue), c.Tolerance)) << std::hex << img.pixel(34, 10);
        EXPECT_EQ(qAlpha(img.pixel(34, 10)), 255);
    }
}

// Decoded pixels are kept in the narrowest format that holds every one of
// them exactly.
TEST_F(Pictures, DecodedPixelsKeptInTheNarrowestExactFormat)
{
    const auto fill = [](QRgb (*colour)(int x, int y)) {
        QImage img(300, 20, QImage::Format_ARGB32);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                img.setPixel(x, y, colour(x, y));
        return img;
    };
    const struct {
        const char* Name;
        QImage Source;
        QImage::Format Expected;
    } cases[] = {
        {"grey ramp", fill([](int x, int) { return qRgb(x % 256, x % 256, x % 256); }), QImage::Format_Grayscale8},
        {"256 colours with soft edges",
         fill([](int x, int y) { return qRgba(x % 16 * 16, y % 16 * 16, 7, x % 16 * 17); }), QImage::Format_Indexed8},
        {"257 opaque colours", fill([](int x, int) { return qRgb(x % 257, 255 - x % 257 / 2, 40); }),
         QImage::Format_RGB32},
        {"grey, 300 colours with alpha",
         fill([](int x, int) { return qRgba(90 + x / 256, 90 + x / 256, 90 + x / 256, x % 256); }),
         QImage::Format_ARGB32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const QImage narrow = ReadPng(Encode(c.Source, "png"), "n.png");
        EXPECT_EQ(narrow.format(), c.Expected);
        EXPECT_EQ(narrow.convertToFormat(QImage::Format_ARGB32), c.Source);
    }
}

// A JPEG taken with the camera turned is drawn upright: orientation 6 turns
// the stored image a quarter to the right, so its left (red) half is on top.
TEST_F(Pictures, ExifOrientationDrawsUpright)
{
    TPicture p;
    p.LoadFromFile(Put("turned.jpg", WithExifOrientation(Encode(Bands(40, 20), "jpg"), 6)));
    ASSERT_EQ(QSize(p.Width(), p.Height()), QSize(20, 40));
    EXPECT_TRUE(Near(p.Image().pixel(10, 5), QColor(200, 30, 40), 12));
    EXPECT_TRUE(Near(p.Image().pixel(10, 34), QColor(20, 40, 210), 12));
}

// A JPEG far larger than its box is decoded at the smallest scale that still
// covers the box's pixels; the picture keeps its own size for the fit.
TEST_F(Pictures, LargeJpegDecodedAtTheNeededScale)
{
    const QString file = Put("big.jpg", Encode(Bands(2000, 1500), "jpg"));
    const struct {
        QSize Need;
        int DecodedWidth;
    } cases[] = {{QSize(237, 178), 250}, {QSize(300, 100), 500}, {QSize(1900, 10), 2000}, {QSize(), 2000}};
    for (const auto& c : cases) {
        ClearPictureCache();
        TPicture p;
        p.LoadJpegFile(file, [&](QSize natural) {
            EXPECT_EQ(natural, QSize(2000, 1500));
            return c.Need;
        });
        EXPECT_EQ(QSize(p.Width(), p.Height()), QSize(2000, 1500));
        EXPECT_EQ(p.Image().width(), c.DecodedWidth) << c.Need.width();
    }
}

// Damaged and hostile files of every format: a clear error naming the file,
// nothing drawn, and the document goes on working.
TEST_F(Pictures, DamagedFilesAreRefused)
{
    auto doc = StoredA4Document();
    doc->BeginDoc();
    int refused = 0;
    for (const TDamaged& d : DamagedFiles()) {
        SCOPED_TRACE(d.Name.toStdString());
        const QString file = Put(d.Name, d.Bytes);
        try {
            doc->StretchDrawPict(0, 1000, 0, 1000, false, file);
            ADD_FAILURE() << "accepted";
        } catch (const EPictureError& e) {
            EXPECT_NE(QString::fromUtf8(e.what()).indexOf(file), -1) << e.what();
            ++refused;
        }
    }
    EXPECT_GE(refused, 30);
    for (const QString& name : {Dir.path() + "/missing.png", Put("x.wmf", "\xD7\xCD\xC6\x9A"), Put("x.txt", "text")}) {
        try {
            doc->DrawPict(0, 0, name);
            ADD_FAILURE() << name.toStdString();
        } catch (const EPictureError& e) {
            EXPECT_NE(QString::fromUtf8(e.what()).indexOf(name), -1) << e.what();
        }
    }
    doc->DrawPict(5, 5, Put("ok.png", Encode(Bands(4, 4), "png")));
    doc->EndDoc();
    const TPageView v = View(*doc);
    EXPECT_EQ(v.Images, std::vector<QRectF>{QRectF(5, 5, 4, 4)});
    EXPECT_TRUE(v.Vector.isEmpty());
}

// The same file drawn again is decoded once: every page holds the same pixels.
TEST_F(Pictures, RepeatedFileSharesOneDecodedImage)
{
    const QString file = Put("logo.png", Encode(Bands(64, 64), "png"));
    TPicture a, b;
    a.LoadFromFile(file);
    b.LoadFromFile(file);
    EXPECT_EQ(a.Image().cacheKey(), b.Image().cacheKey());
    EXPECT_EQ(a.Image().constBits(), b.Image().constBits());
}

namespace {

// Pictures printed through the private spooler's Office Laser (A4, 600 dpi).
class PrintedPictures : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearPictureCache();
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
        TPrinter::Printer().SetPrinterIndex(-1);
        Doc = std::make_unique<TplPrev>(&Form);
        Doc->SetName("plPrev1");
        Doc->plSetPrinter()->SetPaperNumber(9);
        Doc->UpdatePaperValues();
    }
    QString Put(const QString& Name, const QByteArray& Data) { return WriteFile(Dir.path() + "/" + Name, Data); }
    QString PrintAll()
    {
        Doc->Print();
        return SpoolerOutput::WaitForJob("Office_Laser", TPrinter::Printer().LastJobId());
    }
    QObject Form;
    std::unique_ptr<TplPrev> Doc;
    QTemporaryDir Dir;
};

// Image occurrences in a PDF as pdfimages lists them: page, object number
// and how the pixels are stored ("image" flate-compressed, "jpeg").
struct TPdfImage {
    int Page = 0, Object = 0;
    QString Encoding;
};
std::vector<TPdfImage> PdfImages(const QString& Pdf)
{
    QProcess p;
    p.start("pdfimages", {"-list", Pdf});
    p.waitForFinished(60000);
    std::vector<TPdfImage> out;
    const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList f = lines[i].simplified().split(' ');
        if (f.size() > 11 && f[2] == "image")
            out.push_back(TPdfImage{f[0].toInt(), f[10].toInt(), f[8]});
    }
    return out;
}

// The first image of a PDF's first page, as stored (pdfimages -png).
QImage FirstPdfImage(const QString& Pdf, const QString& Dir)
{
    QProcess p;
    p.start("pdfimages", {"-png", "-f", "1", "-l", "1", Pdf, Dir + "/extracted"});
    p.waitForFinished(60000);
    return QImage(Dir + "/extracted-000.png");
}

// A smooth "photograph": colour gradients with a soft disc.
QImage Photo(int W, int H)
{
    QImage img(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double d = std::hypot(x - W * 0.6, y - H * 0.4) / W;
            img.setPixel(x, y, qRgb(40 + 180 * x / W, 60 + 150 * y / H, int(230 * std::max(0.0, 1 - 2.5 * d))));
        }
    return img;
}

} // namespace

// While printing, a bitmap goes onto the printer's page and the recorded page
// stays as it was.
TEST_F(PrintedPictures, BitmapWhilePrintingGoesToThePrinter)
{
    Doc->BeginDoc();
    Doc->Rectangle(100, 200, 100, 200);
    Doc->EndDoc();
    const std::size_t recorded = LogPicture(Doc->Pages().at(0)).size();
    const QImage bitmap = Bands(40, 20);
    Doc->OnPrint = [&](QObject*, int) {
        ASSERT_TRUE(Doc->Printing());
        Doc->StretchDrawBitmap(Rect(500, 500, 900, 700), &bitmap);
    };
    const QString pdf = PrintAll();
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_EQ(LogPicture(Doc->Pages().at(0)).size(), recorded);
    EXPECT_EQ(PdfImages(pdf).size(), 1u);
    // The printed bitmap: red at 55 mm, blue at 85 mm, 60 mm down.
    const QImage page = SpoolerOutput::Render(pdf, 1, 100);
    const auto px = [&](double mmX, double mmY) { return page.pixel(int(mmX / 25.4 * 100), int(mmY / 25.4 * 100)); };
    EXPECT_TRUE(Near(px(55, 60), QColor(200, 30, 40), 8)) << std::hex << px(55, 60);
    EXPECT_TRUE(Near(px(85, 60), QColor(20, 40, 210), 8)) << std::hex << px(85, 60);
}

// A photograph and a vector picture on a real PDF page: the photograph matches
// its source within a small error, the vector picture's edge is sharp at
// 600 dpi, and the photograph is embedded once.
TEST_F(PrintedPictures, PhotographAndVectorOnAPdfPage)
{
    const QImage photo = Photo(400, 300);
    Doc->BeginDoc();
    Doc->StretchDrawPict(200, 1200, 300, 1050, false, Put("photo.jpg", Encode(photo, "jpg", 92)));
    Doc->StretchDrawPict(200, 1200, 1300, 2050, true, Put("art.svg", Svg(400, 300)));
    Doc->EndDoc();
    const QString pdf = PrintAll();
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_EQ(PdfImages(pdf).size(), 1u) << "the vector picture is not pixels";

    // 100 dpi: the 100 x 75 mm photograph is about 394 x 295 pixels.
    const QImage page = SpoolerOutput::Render(pdf, 1, 100);
    const QImage source =
        photo.scaled(int(100 / 25.4 * 100), int(75 / 25.4 * 100), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int ox = int(std::lround(20 / 25.4 * 100)), oy = int(std::lround(30 / 25.4 * 100));
    double error = 0;
    int n = 0;
    for (int y = 4; y < source.height() - 4; y += 3)
        for (int x = 4; x < source.width() - 4; x += 3) {
            const QRgb a = source.pixel(x, y), b = page.pixel(ox + x, oy + y);
            error += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            n += 3;
        }
    EXPECT_LT(error / n, 6.0) << "mean error per channel";

    // 600 dpi, across the black bar's right edge at 20 + 100 / 3 mm, 170 mm down.
    const QImage fine = SpoolerOutput::Render(pdf, 1, 600);
    const int y = int(170 / 25.4 * 600), edge = int(std::lround((20 + 100.0 / 3) / 25.4 * 600));
    int blend = 0, firstBlue = -1;
    for (int x = edge - 40; x < edge + 40; ++x) {
        const QRgb c = fine.pixel(x, y);
        if (Near(c, QColor(20, 40, 210), 10)) {
            if (firstBlue < 0)
                firstBlue = x;
        } else if (!Near(c, Qt::black, 10)) {
            ++blend;
        }
    }
    EXPECT_LE(blend, 2) << "a sharp edge";
    EXPECT_NEAR(firstBlue, edge, 3);
}

// One logo on many pages is held once in the PDF.
TEST_F(PrintedPictures, RepeatedLogoEmbeddedOnce)
{
    const QString logo = Put("logo.png", Encode(Bands(120, 60), "png"));
    Doc->BeginDoc();
    for (int page = 1; page <= 30; ++page) {
        if (page > 1)
            Doc->NewPage();
        Doc->DrawPict(100, 100, logo);
    }
    Doc->EndDoc();
    const QString pdf = PrintAll();
    ASSERT_FALSE(pdf.isEmpty());
    const auto images = PdfImages(pdf);
    ASSERT_EQ(images.size(), 30u);
    for (const TPdfImage& i : images)
        EXPECT_EQ(i.Object, images.front().Object) << "page " << i.Page;
}

// A lossless picture keeps its exact pixels and alpha in the PDF; a JPEG
// stays a JPEG there.
TEST_F(PrintedPictures, LosslessPicturesStayExactInThePdf)
{
    QImage logo(160, 80, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    {
        QPainter p(&logo);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 90, 200));
        p.drawEllipse(QRectF(4, 4, 72, 72));
        p.setBrush(QColor(240, 150, 30));
        p.drawRoundedRect(QRectF(84, 10, 70, 60), 12, 12);
    }
    Doc->BeginDoc();
    Doc->DrawPict(100, 100, Put("logo.png", Encode(logo, "png")));
    Doc->NewPage();
    Doc->StretchDrawPict(100, 900, 100, 700, false, Put("photo.jpg", Encode(Photo(160, 120), "jpg", 92)));
    Doc->EndDoc();
    const QString pdf = PrintAll();
    ASSERT_FALSE(pdf.isEmpty());
    const auto images = PdfImages(pdf);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].Encoding, "image");
    EXPECT_EQ(images[1].Encoding, "jpeg");

    const QImage stored = FirstPdfImage(pdf, Dir.path()).convertToFormat(QImage::Format_RGB32);
    const QImage alpha = QImage(Dir.path() + "/extracted-001.png").convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(stored.size(), logo.size());
    ASSERT_EQ(alpha.size(), logo.size());
    int wrong = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x) {
            const QRgb want = logo.pixel(x, y);
            wrong += qAlpha(want) != qGray(alpha.pixel(x, y));
            wrong += qAlpha(want) == 255 && (want & 0xFFFFFF) != (stored.pixel(x, y) & 0xFFFFFF);
        }
    EXPECT_EQ(wrong, 0);
}

// One page with a picture of every format: the six raster ones embedded as
// images, the SVG and EMF as vector drawing.
TEST_F(PrintedPictures, EveryFormatOnOnePage)
{
    Doc->BeginDoc();
    int x = 100;
    for (const TDamaged& f : ValidFiles()) {
        Doc->StretchDrawPict(x, x + 200, 200, 300, true, Put("every." + f.Name, f.Bytes));
        Doc->TextOut(x, 320, f.Name);
        x += 230;
    }
    Doc->EndDoc();
    const QString pdf = PrintAll();
    ASSERT_FALSE(pdf.isEmpty());
    EXPECT_EQ(PdfImages(pdf).size(), 6u);
    // The EMF's blue rectangle (the eighth box) is drawn.
    const QImage page = SpoolerOutput::Render(pdf, 1, 100);
    const int px = int((100 + 7 * 230 + 100) / 254.0 * 100), py = int(250 / 254.0 * 100);
    EXPECT_TRUE(Near(page.pixel(px, py), QColor(20, 40, 210), 10)) << std::hex << page.pixel(px, py);
}

// Every variant of every format printed side by side, each filling its box:
// the rendered page shows each one's colours where the file has them, the
// turned JPEG upright, the transparent half of a PNG as paper, and a
// black-and-white bitmap in black and white whatever the pen.
TEST_F(PrintedPictures, EveryVariantPrintsItsColours)
{
    const QColor red(200, 30, 40), blue(20, 40, 210), white(Qt::white), black(Qt::black);
    const QImage bands = Bands(40, 20);
    QImage halfClear = bands.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            halfClear.setPixel(x, y, qRgba(0, 0, 0, 0));
    QImage inkRight(40, 20, QImage::Format_Mono);
    inkRight.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            inkRight.setPixel(x, y, x < 20 ? 1 : 0);
    const QString data = QStringLiteral(MIRVAK_TEST_DATA_DIR "/pictures/");
    const auto file = [&](const QString& name) {
        QFile f(data + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QColor grey1 = QColor(qGray(red.rgb()), qGray(red.rgb()), qGray(red.rgb()));
    const QColor grey2 = QColor(qGray(blue.rgb()), qGray(blue.rgb()), qGray(blue.rgb()));
    const struct {
        QString Name;
        QByteArray Bytes;
        QColor First, Second; // left and right halves; top and bottom when Upright
        bool Upright = false;
    } cases[] = {
        {"photo.jpg", Encode(bands, "jpg"), red, blue},
        {"turned.jpg", WithExifOrientation(Encode(bands, "jpg"), 6), red, blue, true},
        {"cmyk.jpg", file("red_blue_cmyk.jpg"), red, blue},
        {"grey.jpg", Encode(bands.convertToFormat(QImage::Format_Grayscale8), "jpg"), grey1, grey2},
        {"deep.png", Encode(bands.convertToFormat(QImage::Format_RGBA64), "png"), red, blue},
        {"palette.png", Encode(bands.convertToFormat(QImage::Format_Indexed8), "png"), red, blue},
        {"interlaced.png", file("red_blue_interlaced.png"), red, blue},
        {"clear.png", Encode(halfClear, "png"), white, blue},
        {"b.bmp", Encode(bands, "bmp"), red, blue},
        {"mono.bmp", Encode(inkRight, "bmp"), white, black},
        {"i.ico", Encode(bands, "ico"), red, blue},
        {"g.gif", file("red_blue.gif"), red, blue},
        {"t.tiff", Encode(bands, "tiff"), red, blue},
        {"art.svg", Svg(40, 20), black, blue},
        {"shape.emf", Emf(40, 20), blue, blue},
    };
    const auto box = [](int i) {
        return Rect(150 + i % 4 * 480, 200 + i / 4 * 400, 150 + i % 4 * 480 + 400, 400 + i / 4 * 400);
    };
    Doc->BeginDoc();
    Doc->LineColor(0x0000FF); // a red pen must not colour any picture
    Doc->FontSize(9);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const TRect r = box(int(i));
        Doc->StretchDrawPict(r.Left, r.Right, r.Top, r.Bottom, true, Put(cases[i].Name, cases[i].Bytes));
        Doc->TextOut(r.Left, r.Bottom + 20, cases[i].Name);
    }
    Doc->EndDoc();
    const QString pdf = PrintAll();
    ASSERT_FALSE(pdf.isEmpty());
    const QImage page = SpoolerOutput::Render(pdf, 1, 100);
    const auto px = [&](double x, double y) { return page.pixel(int(x / 254 * 100), int(y / 254 * 100)); };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.Name.toStdString());
        const TRect r = box(int(i));
        const double cx = (r.Left + r.Right) / 2.0, cy = (r.Top + r.Bottom) / 2.0;
        const QRgb first = c.Upright ? px(cx, r.Top + 40) : px(r.Left + 60, cy);
        const QRgb second = c.Upright ? px(cx, r.Bottom - 40) : px(r.Right - 60, cy);
        EXPECT_TRUE(Near(first, c.First, 18)) << std::hex << first;
        EXPECT_TRUE(Near(second, c.Second, 18)) << std::hex << second;
    }
}
