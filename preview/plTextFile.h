#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text files read into lines as a Linux user expects them.

// Files above this size are refused rather than read into memory.
constexpr qint64 kTextFileLimit = 64 * 1024 * 1024;

// The legacy code page for files that are not UTF-8, from the character-type
// locale (LC_ALL, then LC_CTYPE, then LANG): Shift_JIS (code page 932) for a
// Japanese locale, windows-1252 otherwise. An ICU converter name.
const char* LegacyCodePage();

// Bytes to text: a byte-order mark selects UTF-8, UTF-16 LE or UTF-16 BE;
// without one, valid UTF-8 is read as UTF-8 and anything else in the legacy
// code page.
QString DecodeText(const QByteArray& Bytes);

// Text split into lines at CR, LF and CR LF; a break at the very end makes no
// empty last line.
QStringList SplitLines(const QString& Text);

// Reads FileName into lines. Throws std::runtime_error naming the file and
// the reason when it is missing, a folder, not a regular file, not readable
// or larger than Limit bytes.
QStringList ReadTextFileLines(const QString& FileName, qint64 Limit = kTextFileLimit);
