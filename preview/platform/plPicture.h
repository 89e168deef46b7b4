#pragma once

#include "plMetafile.h"

#include <QByteArray>
#include <QImage>
#include <QPicture>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>

// Pictures read from files: a bitmap, a vector picture or another raster
// image, with the readers behind them. Every reader checks the dimensions a
// file declares against the limits below before it allocates pixels, and
// turns every decoder failure into an EPictureError naming the file.

// A picture that cannot be read: the message names the file and the cause.
class EPictureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Largest decoded picture: no side above MaxPictureSide pixels and no more
// than MaxPicturePixels pixels in all (about 256 MB at four bytes a pixel),
// so a small file declaring a huge image is refused before anything is
// allocated.
constexpr int MaxPictureSide = 32768;
constexpr int64_t MaxPicturePixels = int64_t(64) * 1024 * 1024;

// Throws EPictureError when Width x Height is empty or beyond the limits.
void CheckPictureSize(int64_t Width, int64_t Height, const QString& Name);

enum class TPictureKind { None, Bitmap, Metafile, Image };

// Which reader a file name goes to, by its extension in any letter case.
enum class TPictureFormat { Unknown, Jpeg, Png, Bmp, Ico, Gif, Tiff, Svg, Emf, Wmf };

// The extension: from the last dot after the last path separator, dot
// included, in upper case; empty without one.
QString PictureExtension(const QString& FileName);
// The general loader's reader for a name (".JPG" in any case included).
TPictureFormat PictureFormatOf(const QString& FileName);

// A loaded picture. Width and Height are the picture's own size in pixels
// (upright, after any EXIF orientation) even when fewer pixels were decoded
// because the picture is drawn small. Copies share the decoded data.
class TPicture {
public:
    // Asked once a reader knows the natural size: the smallest pixel size the
    // drawing needs, or an empty size for every pixel.
    using TNeed = std::function<QSize(QSize Natural)>;

    TPictureKind Kind() const { return FKind; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Bitmap and Image kinds.
    const QImage& Image() const { return FImage; }
    // Whether the pixels came from a lossy file (JPEG) and may be stored
    // lossily again; the pixels of every other file are kept exact.
    bool Lossy() const { return FLossy; }
    // Metafile kind: frame Width x Height.
    const TMetafile& Metafile() const { return FMetafile; }

    // The JPEG path: decodes the file as a JPEG whatever its name.
    void LoadJpegFile(const QString& FileName, const TNeed& Need = {});
    // The general loader: picks the reader by the file name's extension.
    void LoadFromFile(const QString& FileName, const TNeed& Need = {});

    // Readers of bytes already in memory (Name only appears in messages).
    void LoadFromData(const QByteArray& Data, TPictureFormat Format, const QString& Name, const TNeed& Need = {});

private:
    void Load(const QString& FileName, TPictureFormat Format, const TNeed& Need);
    TPictureKind FKind = TPictureKind::None;
    int FWidth = 0, FHeight = 0;
    bool FLossy = false;
    QImage FImage;
    TMetafile FMetafile;
};

// Forgets the decoded pictures kept for files drawn again.
void ClearPictureCache();

// --- Readers ---------------------------------------------------------------
// Each throws EPictureError naming Name for damaged data or sizes beyond the
// limits.

// JPEG through libjpeg: greyscale, RGB, CMYK and YCCK; the EXIF orientation
// applied. Need chooses the decoding scale (1/8 to 8/8): the smallest that
// still gives at least the needed pixels. *Natural receives the upright size.
QImage ReadJpeg(const QByteArray& Data, const QString& Name, const TPicture::TNeed& Need = {},
                QSize* Natural = nullptr);
// PNG through libpng: every bit depth, palette, greyscale, interlacing and
// transparency, 8 bits a channel, in the narrowest format that holds it.
QImage ReadPng(const QByteArray& Data, const QString& Name);
// Image (ARGB32 or RGB32) in the narrowest format that holds every pixel
// exactly: greyscale when opaque and grey, a colour table of at most 256
// colours (alpha included), RGB32 when opaque; otherwise unchanged.
QImage NarrowestFormat(const QImage& Image);
// BMP, ICO, GIF, TIFF through Qt's image readers ("bmp", "ico", "gif", "tiff");
// TIFF orientation applied.
QImage ReadQtImage(const QByteArray& Data, const char* Format, const QString& Name);
// SVG as vector operations; its boundingRect() is the document's size.
QPicture ReadSvg(const QByteArray& Data, const QString& Name);
// EMF converted to SVG, then as ReadSvg.
QPicture ReadEmf(const QByteArray& Data, const QString& Name);

// The EXIF orientation (1 to 8) in a JPEG APP1 payload or a TIFF header; 1
// when there is none or it cannot be read.
int ExifOrientation(const unsigned char* Data, std::size_t Size);
