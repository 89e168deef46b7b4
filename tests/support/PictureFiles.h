#pragma once
// Small picture files for the picture tests, the benchmark and the fuzzers'
// seed corpora: made here from Qt images so that nothing is kept in binary.
#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace PictureFiles {

// Left half red (200, 30, 40), right half blue (20, 40, 210).
QImage Bands(int Width, int Height);
// The image in a Qt image format ("png", "jpg", "bmp", "ico", "tiff").
QByteArray Encode(const QImage& Image, const char* Format, int Quality = 95);
// An SVG document of Width x Height user units: a blue rectangle over all of
// it and a black bar on its left third.
QByteArray Svg(int Width, int Height);
// An enhanced metafile of Width x Height device pixels holding a filled
// rectangle over all of it.
QByteArray Emf(int Width, int Height);
// A JPEG with an EXIF block holding the orientation (1 to 8).
QByteArray WithExifOrientation(const QByteArray& Jpeg, int Orientation);
// Writes Data to Path; returns Path.
QString WriteFile(const QString& Path, const QByteArray& Data);

struct TDamaged {
    QString Name; // file name with the format's extension
    QByteArray Bytes;
};
// For every format: truncated, wrong magic, huge dimensions, zero dimensions
// and an empty file.
std::vector<TDamaged> DamagedFiles();
// One small valid file of each format, by extension ("jpg", "png", ...).
std::vector<TDamaged> ValidFiles();

} // namespace PictureFiles
