#pragma once

// Device-mode paper and bin numbers for the spooler's media and media-source
// keywords.

#include <QList>
#include <QString>

namespace PaperTable {

// The platform's paper number of a PWG media name (matched by name, then by
// size within half a millimetre); 0 when it has none.
int StandardNumber(const QString& media, int width, int length); // hundredths of a mm
// The platform's name of a standard paper number; empty when unknown.
QString StandardName(int number);
// A stable number above 256 for a media the standard table does not know,
// not one of taken.
int OtherNumber(const QString& media, const QList<int>& taken);

// The bin number of a media-source keyword, not one of taken.
int BinNumber(const QString& keyword, const QList<int>& taken);
// An English name for a media-source keyword.
QString BinName(const QString& keyword);

// Formats hundredths of a millimetre as a PWG custom media name.
QString CustomMedia(int width, int length);

// A stable number in [base, base + span) for a text, not one of taken.
int StableNumber(const QString& text, int base, int span, const QList<int>& taken);

} // namespace PaperTable
