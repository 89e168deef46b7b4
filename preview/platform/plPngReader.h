#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// PNG through libpng, with an error handler that returns instead of ending
// the process.

// Decodes PNG bytes; a null image on bad data.
QImage DecodePng(const QByteArray& data);
// Decodes PNG bytes of any bit depth, palette, greyscale, interlacing or
// transparency into 8-bit ARGB. Refuses, before allocating, an image with a
// side above 32768 pixels or more than MaxPixels pixels. On failure returns a
// null image and, with Error, libpng's or the limit's message.
QImage DecodePng(const QByteArray& data, QString* Error, qint64 MaxPixels);
