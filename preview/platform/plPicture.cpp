#include "plPicture.h"

#include "plCanvas.h"
#include "plPngReader.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>
#include <QPainter>
#include <QSvgRenderer>

#include <emf2svg.h>

#include <algorithm>
#include <cstdlib>
#include <list>

// The general picture loader: the reader by extension, the size limits, and
// a small cache so that a file drawn on many pages is decoded once and every
// page shares the same pixels (and a PDF holds them once).

void CheckPictureSize(int64_t Width, int64_t Height, const QString& Name)
{
    if (Width <= 0 || Height <= 0)
        throw EPictureError(QStringLiteral("The picture \"%1\" has no pixels.").arg(Name).toStdString());
    if (Width > MaxPictureSide || Height > MaxPictureSide || Width * Height > MaxPicturePixels)
        throw EPictureError(QStringLiteral("The picture \"%1\" is too large: %2 x %3 pixels.")
                                .arg(Name)
                                .arg(Width)
                                .arg(Height)
                                .toStdString());
}

QString PictureExtension(const QString& FileName)
{
    const qsizetype slash = FileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = FileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash)
        return {};
    return FileName.mid(dot).toUpper();
}

TPictureFormat PictureFormatOf(const QString& FileName)
{
    const QString ext = PictureExtension(FileName);
    static const struct {
        const char* Ext;
        TPictureFormat Format;
    } table[] = {
        {".JPG", TPictureFormat::Jpeg}, {".JPEG", TPictureFormat::Jpeg}, {".PNG", TPictureFormat::Png},
        {".BMP", TPictureFormat::Bmp},  {".ICO", TPictureFormat::Ico},   {".GIF", TPictureFormat::Gif},
        {".TIF", TPictureFormat::Tiff}, {".TIFF", TPictureFormat::Tiff}, {".SVG", TPictureFormat::Svg},
        {".EMF", TPictureFormat::Emf},  {".WMF", TPictureFormat::Wmf},
    };
    for (const auto& e : table)
        if (ext == QLatin1String(e.Ext))
            return e.Format;
    return TPictureFormat::Unknown;
}

QImage NarrowestFormat(const QImage& Image)
{
    if (Image.format() != QImage::Format_ARGB32 && Image.format() != QImage::Format_RGB32)
        return Image;
    const QRgb alphaBits = Image.format() == QImage::Format_RGB32 ? 0xFF000000u : 0;
    bool opaque = true, grey = true, counting = true;
    QList<QRgb> colours; // the distinct colours while there are at most 256, sorted
    for (int y = 0; y < Image.height() && (opaque || grey || counting); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(Image.constScanLine(y));
        for (int x = 0; x < Image.width(); ++x) {
            const QRgb c = row[x] | alphaBits;
            opaque = opaque && qAlpha(c) == 255;
            grey = grey && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
            if (!counting)
                continue;
            const auto at = std::lower_bound(colours.begin(), colours.end(), c);
            if (at != colours.end() && *at == c)
                continue;
            if (colours.size() == 256) {
                counting = false;
                colours.clear();
            } else {
                colours.insert(at, c);
            }
        }
    }
    if (opaque && grey)
        return Image.convertToFormat(QImage::Format_Grayscale8);
    if (counting)
        return Image.convertToFormat(QImage::Format_Indexed8, colours, Qt::ThresholdDither | Qt::AvoidDither);
    if (opaque && !alphaBits)
        return Image.convertToFormat(QImage::Format_RGB32);
    return Image;
}

QImage ReadPng(const QByteArray& Data, const QString& Name)
{
    QString why;
    QImage image = DecodePng(Data, &why, MaxPicturePixels);
    if (image.isNull())
        throw EPictureError(QStringLiteral("Cannot read the PNG picture \"%1\": %2.").arg(Name, why).toStdString());
    return NarrowestFormat(image);
}

QImage ReadQtImage(const QByteArray& Data, const char* Format, const QString& Name)
{
    QBuffer buffer;
    buffer.setData(Data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, Format);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(MaxPicturePixels * 4 / (1024 * 1024)));
    const auto fail = [&](const QString& why) {
        return EPictureError(QStringLiteral("Cannot read the %1 picture \"%2\": %3.")
                                 .arg(QString::fromLatin1(Format).toUpper(), Name, why)
                                 .toStdString());
    };
    // The format's signature first: Qt's readers given a format by name
    // accept some files that do not start as that format does.
    const QByteArray f(Format);
    const bool signature = f == "bmp" ? Data.startsWith("BM")
        : f == "ico"                  ? Data.startsWith(QByteArray("\0\0\1\0", 4))
        : f == "gif"                  ? Data.startsWith("GIF87a") || Data.startsWith("GIF89a")
        : f == "tiff" ? Data.startsWith(QByteArray("II*\0", 4)) || Data.startsWith(QByteArray("MM\0*", 4))
                      : true;
    if (!signature || !reader.canRead())
        throw fail(QStringLiteral("not a picture of this kind"));
    // An uncompressed bitmap shorter than its header says is cut off: Qt
    // would fill the missing rows.
    if (f == "bmp" && Data.size() >= 6) {
        const auto* b = reinterpret_cast<const unsigned char*>(Data.constData());
        const uint32_t declared = uint32_t(b[2]) | uint32_t(b[3]) << 8 | uint32_t(b[4]) << 16 | uint32_t(b[5]) << 24;
        if (declared > uint32_t(Data.size()))
            throw fail(QStringLiteral("the file is cut off"));
    }
    const QSize declared = reader.size();
    if (declared.isValid())
        CheckPictureSize(declared.width(), declared.height(), Name);
    QImage image = reader.read();
    if (image.isNull())
        throw fail(reader.errorString());
    CheckPictureSize(image.width(), image.height(), Name);
    return image;
}

namespace {

// Records the document drawn into its own size, or into Size (from its
// origin) when given.
QPicture RecordSvg(QSvgRenderer& Renderer, const QString& Name, const char* Kind, QSizeF Size = {})
{
    if (!Renderer.isValid())
        throw EPictureError(QStringLiteral("Cannot read the %1 picture \"%2\": damaged data.")
                                .arg(QLatin1String(Kind), Name)
                                .toStdString());
    QSizeF size = Size;
    if (!size.isEmpty())
        Renderer.setViewBox(QRectF(QPointF(0, 0), size));
    else
        size = Renderer.defaultSize();
    if (size.isEmpty())
        size = Renderer.viewBoxF().size();
    // Sizes far beyond the limit (or not numbers) are refused before rounding.
    const auto side = [](double v) {
        return v < 0 ? int64_t(0) : v <= MaxPictureSide ? int64_t(qRound64(v)) : int64_t(MaxPictureSide) + 1;
    };
    CheckPictureSize(side(size.width()), side(size.height()), Name);
    const int w = int(side(size.width())), h = int(side(size.height()));
    QPicture picture;
    {
        QPainter painter(&picture);
        Renderer.render(&painter, QRectF(0, 0, w, h));
    }
    picture.setBoundingRect(QRect(0, 0, w, h));
    return picture;
}

// The record list of an enhanced metafile, walked before the converter sees
// it: a header record with the signature first, then records whose sizes are
// multiples of four within the file, ending with EMR_EOF.
bool PlausibleEmf(const QByteArray& Data)
{
    const auto* p = reinterpret_cast<const unsigned char*>(Data.constData());
    const std::size_t n = std::size_t(Data.size());
    const auto u32 = [&](std::size_t at) {
        return uint32_t(p[at]) | uint32_t(p[at + 1]) << 8 | uint32_t(p[at + 2]) << 16 | uint32_t(p[at + 3]) << 24;
    };
    if (n < 88 || u32(0) != 1 || u32(40) != 0x464D4520) // EMR_HEADER, " EMF"
        return false;
    // Bounds and frame (inclusive rectangles) with something inside.
    const auto s32 = [&](std::size_t at) { return int64_t(int32_t(u32(at))); };
    if (s32(16) < s32(8) || s32(20) < s32(12) || s32(32) <= s32(24) || s32(36) <= s32(28))
        return false;
    // What the header points at lies inside it: the description (UTF-16,
    // read up to a terminator when its length is 0) and the pixel format.
    const uint64_t header = u32(4);
    if (header < 88 || header > n)
        return false;
    const uint64_t descriptionLength = u32(60), descriptionAt = u32(64);
    if (descriptionAt != 0) {
        if (descriptionAt < 88 || descriptionAt + 2 * descriptionLength > header)
            return false;
        if (descriptionLength == 0) {
            uint64_t at = descriptionAt;
            while (at + 2 <= n && (p[at] | p[at + 1]) != 0)
                at += 2;
            if (at + 2 > n)
                return false;
        }
    }
    if (header >= 100) {
        const uint64_t formatSize = u32(88), formatAt = u32(92);
        if (formatSize != 0 && (formatAt < 88 || formatAt + formatSize > header))
            return false;
    }
    std::size_t at = 0;
    while (at + 8 <= n) {
        const uint32_t type = u32(at), size = u32(at + 4);
        if (size < 8 || size % 4 != 0 || size > n - at)
            return false;
        if (type == 14) // EMR_EOF
            return true;
        at += size;
    }
    return false;
}

} // namespace

QPicture ReadSvg(const QByteArray& Data, const QString& Name)
{
    QSvgRenderer renderer(Data);
    return RecordSvg(renderer, Name, "SVG");
}

QPicture ReadEmf(const QByteArray& Data, const QString& Name)
{
    if (!PlausibleEmf(Data))
        throw EPictureError(
            QStringLiteral("Cannot read the EMF picture \"%1\": damaged data.").arg(Name).toStdString());
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("svg");
    options.svgDelimiter = true;
    options.emfplus = true;
    char* out = nullptr;
    size_t length = 0;
    QByteArray copy = Data; // the converter takes a writable buffer
    const int ok = emf2svg(copy.data(), std::size_t(copy.size()), &out, &length, &options);
    const QByteArray svg = out ? QByteArray(out, qsizetype(length)) : QByteArray();
    std::free(out);
    if (!ok || svg.isEmpty())
        throw EPictureError(
            QStringLiteral("Cannot read the EMF picture \"%1\": damaged data.").arg(Name).toStdString());
    // The converter sizes its document right - left of the header's bounds,
    // but the bounds include both edges: a picture of 16 pixels would come out
    // 15 wide with its last column outside the frame.
    const auto* h = reinterpret_cast<const unsigned char*>(Data.constData());
    const auto s32 = [&](int at) {
        return int64_t(int32_t(uint32_t(h[at]) | uint32_t(h[at + 1]) << 8 | uint32_t(h[at + 2]) << 16
                               | uint32_t(h[at + 3]) << 24));
    };
    QSvgRenderer renderer(svg);
    return RecordSvg(renderer, Name, "EMF", QSizeF(double(s32(16) - s32(8) + 1), double(s32(20) - s32(12) + 1)));
}

// --- Loading ---------------------------------------------------------------

namespace {

struct TCached {
    QString Key;
    TPicture Picture;
    std::size_t Bytes = 0;
};

// Pictures kept after loading, most recent first, up to kCacheBytes of pixels.
constexpr std::size_t kCacheBytes = std::size_t(256) * 1024 * 1024;
QMutex CacheLock;
std::list<TCached> Cache;

QString CacheKey(const QFileInfo& Info, bool JpegPath)
{
    return QStringLiteral("%1|%2|%3|%4")
        .arg(Info.canonicalFilePath())
        .arg(Info.size())
        .arg(Info.lastModified().toMSecsSinceEpoch())
        .arg(JpegPath ? 1 : 0);
}

// Whether a cached picture has every pixel the drawing needs.
bool Enough(const TPicture& P, const TPicture::TNeed& Need)
{
    if (P.Kind() == TPictureKind::Metafile || P.Image().size() == QSize(P.Width(), P.Height()))
        return true;
    if (!Need)
        return false;
    const QSize need = Need(QSize(P.Width(), P.Height()));
    return P.Image().width() >= need.width() && P.Image().height() >= need.height();
}

} // namespace

void ClearPictureCache()
{
    QMutexLocker lock(&CacheLock);
    Cache.clear();
}

void TPicture::LoadJpegFile(const QString& FileName, const TNeed& Need)
{
    Load(FileName, TPictureFormat::Jpeg, Need);
}

void TPicture::LoadFromFile(const QString& FileName, const TNeed& Need)
{
    Load(FileName, PictureFormatOf(FileName), Need);
}

void TPicture::Load(const QString& FileName, TPictureFormat Format, const TNeed& Need)
{
    *this = TPicture();
    if (Format == TPictureFormat::Unknown)
        throw EPictureError(QStringLiteral("unsupported picture format: \"%1\".").arg(FileName).toStdString());
    if (Format == TPictureFormat::Wmf)
        throw EPictureError(QStringLiteral("unsupported picture format: \"%1\" (classic metafiles are not read).")
                                .arg(FileName)
                                .toStdString());
    QFile file(FileName);
    const QFileInfo info(FileName);
    const QString key = CacheKey(info, Format == TPictureFormat::Jpeg);
    {
        QMutexLocker lock(&CacheLock);
        for (auto it = Cache.begin(); it != Cache.end(); ++it) {
            if (it->Key == key && Enough(it->Picture, Need)) {
                Cache.splice(Cache.begin(), Cache, it);
                *this = Cache.front().Picture;
                return;
            }
        }
    }
    if (!file.open(QIODevice::ReadOnly))
        throw EPictureError(
            QStringLiteral("Cannot open the picture \"%1\": %2.").arg(FileName, file.errorString()).toStdString());
    const QByteArray data = file.readAll();
    file.close();
    LoadFromData(data, Format, FileName, Need);

    QMutexLocker lock(&CacheLock);
    Cache.remove_if([&](const TCached& c) { return c.Key == key; });
    const std::size_t bytes = std::size_t(FImage.sizeInBytes()) + FMetafile.ByteSize();
    Cache.push_front(TCached{key, *this, bytes});
    std::size_t total = 0;
    for (auto it = Cache.begin(); it != Cache.end();) {
        total += it->Bytes;
        if (total > kCacheBytes && it != Cache.begin())
            it = Cache.erase(it);
        else
            ++it;
    }
}

void TPicture::LoadFromData(const QByteArray& Data, TPictureFormat Format, const QString& Name, const TNeed& Need)
{
    *this = TPicture();
    if (Data.isEmpty())
        throw EPictureError(QStringLiteral("The picture \"%1\" is empty.").arg(Name).toStdString());
    TPicture p;
    switch (Format) {
    case TPictureFormat::Jpeg: {
        QSize natural;
        p.FImage = ReadJpeg(Data, Name, Need, &natural);
        p.FKind = TPictureKind::Image;
        p.FLossy = true;
        p.FWidth = natural.width();
        p.FHeight = natural.height();
        break;
    }
    case TPictureFormat::Png:
        p.FImage = ReadPng(Data, Name);
        p.FKind = TPictureKind::Image;
        break;
    case TPictureFormat::Bmp:
        p.FImage = ReadQtImage(Data, "bmp", Name);
        p.FKind = TPictureKind::Bitmap;
        break;
    case TPictureFormat::Ico:
        p.FImage = ReadQtImage(Data, "ico", Name);
        p.FKind = TPictureKind::Image;
        break;
    case TPictureFormat::Gif:
        p.FImage = ReadQtImage(Data, "gif", Name);
        p.FKind = TPictureKind::Image;
        break;
    case TPictureFormat::Tiff:
        p.FImage = ReadQtImage(Data, "tiff", Name);
        p.FKind = TPictureKind::Image;
        break;
    case TPictureFormat::Svg:
    case TPictureFormat::Emf: {
        const QPicture vector = Format == TPictureFormat::Svg ? ReadSvg(Data, Name) : ReadEmf(Data, Name);
        const QRect frame = vector.boundingRect();
        p.FWidth = frame.width();
        p.FHeight = frame.height();
        p.FMetafile.SetSize(p.FWidth, p.FHeight);
        TCanvas canvas(p.FMetafile, 254, 254); // one logical unit per frame unit
        canvas.DrawVector(Rect(0, 0, p.FWidth, p.FHeight), vector);
        canvas.Close();
        p.FKind = TPictureKind::Metafile;
        break;
    }
    default: throw EPictureError(QStringLiteral("unsupported picture format: \"%1\".").arg(Name).toStdString());
    }
    if (p.FKind != TPictureKind::Metafile && p.FWidth == 0) {
        p.FWidth = p.FImage.width();
        p.FHeight = p.FImage.height();
    }
    *this = std::move(p);
}
