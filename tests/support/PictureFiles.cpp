#include "PictureFiles.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>

#include <cstdint>
#include <cstring>

namespace PictureFiles {

namespace {

uint32_t Crc32(const char* p, std::size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= uint8_t(p[i]);
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return c ^ 0xFFFFFFFFu;
}

void Put32LE(QByteArray& b, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * i));
}
void Put32BE(QByteArray& b, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * (3 - i)));
}
void Put16LE(QByteArray& b, qsizetype at, uint16_t v)
{
    b[at] = char(v);
    b[at + 1] = char(v >> 8);
}
void Put16BE(QByteArray& b, qsizetype at, uint16_t v)
{
    b[at] = char(v >> 8);
    b[at + 1] = char(v);
}
void Append32(QByteArray& b, uint32_t v)
{
    b.append(4, 0);
    Put32LE(b, b.size() - 4, v);
}

QByteArray PngSized(QByteArray png, uint32_t w, uint32_t h)
{
    Put32BE(png, 16, w);
    Put32BE(png, 20, h);
    Put32BE(png, 29, Crc32(png.constData() + 12, 17)); // the header chunk's checksum
    return png;
}

QByteArray JpegSized(QByteArray jpg, uint16_t w, uint16_t h)
{
    for (qsizetype i = 2; i + 9 < jpg.size(); ++i) {
        const uint8_t m = uint8_t(jpg[i + 1]);
        if (uint8_t(jpg[i]) == 0xFF && (m == 0xC0 || m == 0xC1 || m == 0xC2)) {
            Put16BE(jpg, i + 5, h);
            Put16BE(jpg, i + 7, w);
            break;
        }
    }
    return jpg;
}

QByteArray BmpSized(QByteArray bmp, qsizetype header, int32_t w, int32_t h)
{
    Put32LE(bmp, header + 4, uint32_t(w));
    Put32LE(bmp, header + 8, uint32_t(h));
    return bmp;
}

QByteArray GifSized(QByteArray gif, uint16_t w, uint16_t h)
{
    Put16LE(gif, 6, w);
    Put16LE(gif, 8, h);
    for (qsizetype i = 13; i + 9 < gif.size(); ++i) // the first image descriptor
        if (gif[i] == ',') {
            Put16LE(gif, i + 5, w);
            Put16LE(gif, i + 7, h);
            break;
        }
    return gif;
}

QByteArray TiffSized(QByteArray tif, uint32_t w, uint32_t h)
{
    // Little-endian as Qt writes it: patch the width and length entries.
    const auto u16 = [&](qsizetype at) { return uint16_t(uint8_t(tif[at]) | uint8_t(tif[at + 1]) << 8); };
    const qsizetype ifd = qsizetype(uint8_t(tif[4]) | uint8_t(tif[5]) << 8 | uint8_t(tif[6]) << 16);
    for (int i = 0; i < u16(ifd); ++i) {
        const qsizetype e = ifd + 2 + i * 12;
        const uint16_t tag = u16(e), type = u16(e + 2);
        if (tag != 0x100 && tag != 0x101)
            continue;
        const uint32_t v = tag == 0x100 ? w : h;
        if (type == 3)
            Put16LE(tif, e + 8, uint16_t(std::min<uint32_t>(v, 65535)));
        else
            Put32LE(tif, e + 8, v);
    }
    return tif;
}

// An enhanced metafile whose header places its description (Count UTF-16
// units) at Offset, wherever that is.
QByteArray EmfDescription(QByteArray emf, uint32_t Offset, uint32_t Count)
{
    Put32LE(emf, 60, Count);
    Put32LE(emf, 64, Offset);
    return emf;
}

QByteArray Truncated(const QByteArray& b)
{
    return b.left(b.size() / 2);
}
QByteArray WrongMagic(QByteArray b)
{
    for (int i = 0; i < 4 && i < b.size(); ++i)
        b[i] = char(b[i] ^ 0x5A);
    return b;
}

} // namespace

QImage Bands(int Width, int Height)
{
    QImage img(Width, Height, QImage::Format_RGB32);
    img.fill(QColor(20, 40, 210));
    QPainter(&img).fillRect(0, 0, Width / 2, Height, QColor(200, 30, 40));
    return img;
}

QByteArray Encode(const QImage& Image, const char* Format, int Quality)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    Image.save(&buffer, Format, Quality);
    return out;
}

QByteArray Svg(int Width, int Height)
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\">"
                          "<rect x=\"0\" y=\"0\" width=\"%1\" height=\"%2\" fill=\"#1428d2\"/>"
                          "<rect x=\"0\" y=\"0\" width=\"%3\" height=\"%2\" fill=\"#000000\"/></svg>")
        .arg(Width)
        .arg(Height)
        .arg(Width / 3)
        .toUtf8();
}

QByteArray Emf(int Width, int Height)
{
    QByteArray b;
    // Header: bounds (pixels), frame (0.01 mm at 96 dpi), signature, version,
    // size, records, handles, description, palette, device size.
    for (uint32_t v : {1u, 88u, 0u, 0u, uint32_t(Width - 1), uint32_t(Height - 1), 0u, 0u, uint32_t(Width * 2540 / 96),
                       uint32_t(Height * 2540 / 96), 0x464D4520u, 0x10000u, 0u, 5u})
        Append32(b, v);
    Append32(b, 2); // two handles, reserved 0
    for (uint32_t v : {0u, 0u, 0u, 1024u, 768u, 271u, 203u})
        Append32(b, v);
    for (uint32_t v : {39u, 24u, 1u, 0u, 0x00D22814u, 0u}) // solid brush, blue
        Append32(b, v);
    for (uint32_t v : {37u, 12u, 1u}) // select it
        Append32(b, v);
    for (uint32_t v : {43u, 24u, 0u, 0u, uint32_t(Width), uint32_t(Height)}) // rectangle
        Append32(b, v);
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) // end of file
        Append32(b, v);
    Put32LE(b, 48, uint32_t(b.size()));
    return b;
}

QByteArray WithExifOrientation(const QByteArray& Jpeg, int Orientation)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff.append("\x01\0", 2);                    // one entry
    tiff.append("\x12\x01\x03\0\x01\0\0\0", 8);  // orientation, SHORT, one value
    tiff.append(char(Orientation)).append(3, 0); // the value, padded
    tiff.append(4, 0);                           // no next directory
    QByteArray app1("\xFF\xE1\0\0Exif\0\0", 10);
    app1.append(tiff);
    Put16BE(app1, 2, uint16_t(app1.size() - 2));
    return Jpeg.left(2) + app1 + Jpeg.mid(2);
}

QString WriteFile(const QString& Path, const QByteArray& Data)
{
    QFile f(Path);
    if (f.open(QIODevice::WriteOnly))
        f.write(Data);
    return Path;
}

std::vector<TDamaged> ValidFiles()
{
    const QImage img = Bands(16, 8);
    return {
        {"jpg", Encode(img, "jpg")},
        {"png", Encode(img, "png")},
        {"bmp", Encode(img, "bmp")},
        {"ico", Encode(img, "ico")},
        {"gif",
         QByteArray::fromBase64("R0lGODlhEAAIAPAAAMgeKBQo0iH5BAAAAAAALAAAAAAQAAgAAAIThG+hq4jM3IFLJhoswNly/XlYAQA7")},
        {"tiff", Encode(img, "tiff")},
        {"svg", Svg(16, 8)},
        {"emf", Emf(16, 8)},
    };
}

std::vector<TDamaged> DamagedFiles()
{
    std::vector<TDamaged> out;
    for (const TDamaged& v : ValidFiles()) {
        const QString ext = v.Name;
        const auto add = [&](const char* what, const QByteArray& bytes) {
            out.push_back({QStringLiteral("%1.%2").arg(QLatin1String(what), ext), bytes});
        };
        add("truncated", Truncated(v.Bytes));
        add("magic", WrongMagic(v.Bytes));
        add("empty", QByteArray());
        if (ext == "jpg") {
            add("huge", JpegSized(v.Bytes, 60000, 60000));
            add("zero", JpegSized(v.Bytes, 0, 8));
        } else if (ext == "png") {
            add("huge", PngSized(v.Bytes, 100000, 100000));
            add("zero", PngSized(v.Bytes, 0, 8));
        } else if (ext == "bmp") {
            add("huge", BmpSized(v.Bytes, 14, 100000, 100000));
            add("zero", BmpSized(v.Bytes, 14, 0, 8));
        } else if (ext == "ico") {
            // An icon directory holds sides of at most 256 pixels: no huge or zero size.
        } else if (ext == "gif") {
            add("huge", GifSized(v.Bytes, 65535, 65535));
            add("zero", GifSized(v.Bytes, 0, 0));
        } else if (ext == "tiff") {
            add("huge", TiffSized(v.Bytes, 100000, 100000));
            add("zero", TiffSized(v.Bytes, 0, 0));
        } else if (ext == "svg") {
            add("huge", Svg(100000, 100000));
            add("zero", Svg(0, 8));
            add("beyond-int", "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 3e9 8\"/>");
        } else if (ext == "emf") {
            add("huge", Emf(100000, 100000));
            add("zero", Emf(0, 0));
            // Descriptions the converter would read past the end of the file.
            add("description-at-end", EmfDescription(v.Bytes, uint32_t(v.Bytes.size()), 0));
            add("description-past-header", EmfDescription(v.Bytes, 80, 40));
            QByteArray wide = v.Bytes; // bounds from the smallest 32-bit value
            Put32LE(wide, 8, 0x80000000u);
            add("beyond-int", wide);
        }
    }
    return out;
}

} // namespace PictureFiles
