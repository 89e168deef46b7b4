#pragma once

#include <QImage>
#include <QString>

// True when the language of the character-type locale is exactly "ja".
// Read afresh at every call.
bool IsJapanese();

// Opens an address in the desktop's handler; the result is ignored.
void OpenURL(const QString& Address);

// The program's version, four numbers joined by ".".
QString GetVersionString();
QString FormatVersionString(unsigned major, unsigned minor, unsigned patch, unsigned tweak);

// Decodes the PNG resource ":/rcdata/<Name>" into Target. On any failure
// returns false and leaves Target as it was.
bool LoadPngResource(const QString& Name, QImage& Target);

// Decodes PNG bytes; a null image on bad data.
QImage DecodePng(const QByteArray& data);
// Decodes PNG bytes of any bit depth, palette, greyscale, interlacing or
// transparency into 8-bit ARGB. Refuses, before allocating, an image with a
// side above 32768 pixels or more than MaxPixels pixels. On failure returns a
// null image and, with Error, libpng's or the limit's message.
QImage DecodePng(const QByteArray& data, QString* Error, qint64 MaxPixels);
