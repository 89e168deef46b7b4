#pragma once

// Width conversion between the narrow (half-width) and wide (full-width)
// forms of characters, as Japanese text mixes them.

#include <QString>

// Full-width digits, Latin letters and the symbols between them
// (U+FF10..U+FF5A) become their ASCII forms; every other character, the
// full-width space and the other full-width symbols included, is copied.
// The result has the length of S.
QString AlpToHank(const QString& S);

// Every character that has a narrow form is turned into it; a voiced
// katakana letter becomes two (letter and sound mark). A failing conversion
// returns S unchanged.
QString ToHankaku(const QString& S);

// Every character that has a wide form is turned into it; a half-width
// letter and its sound mark become one full-width letter. A failing
// conversion returns S unchanged.
QString ToZenkaku(const QString& S);
