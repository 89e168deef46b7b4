#include "plWidthConv.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <limits>
#include <memory>

namespace {

// One transliterator of each direction per thread, made on first use; a
// null pointer when ICU cannot provide it.
const icu::Transliterator* Transliterator(const char* id)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(
        icu::Transliterator::createInstance(icu::UnicodeString(id), UTRANS_FORWARD, status));
    if (U_FAILURE(status))
        t.reset();
    return t.release();
}

const icu::Transliterator* Halfwidth()
{
    thread_local std::unique_ptr<const icu::Transliterator> t(Transliterator("Fullwidth-Halfwidth"));
    return t.get();
}

const icu::Transliterator* Fullwidth()
{
    thread_local std::unique_ptr<const icu::Transliterator> t(Transliterator("Halfwidth-Fullwidth"));
    return t.get();
}

QString Transliterate(const icu::Transliterator* t, const QString& S)
{
    if (!t || S.isEmpty() || S.size() > std::numeric_limits<int32_t>::max())
        return S;
    icu::UnicodeString u(reinterpret_cast<const UChar*>(S.utf16()), int32_t(S.size()));
    t->transliterate(u);
    if (u.isBogus() || u.length() <= 0)
        return S;
    return QString(reinterpret_cast<const QChar*>(u.getBuffer()), u.length());
}

} // namespace

QString AlpToHank(const QString& S)
{
    QString result = S;
    for (QChar& c : result) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF5A)
            c = QChar(char16_t(u - 0xFEE0));
    }
    return result;
}

QString ToHankaku(const QString& S)
{
    return Transliterate(Halfwidth(), S);
}

QString ToZenkaku(const QString& S)
{
    return Transliterate(Fullwidth(), S);
}
