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
