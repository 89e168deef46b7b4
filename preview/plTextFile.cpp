#include "plTextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <unicode/ucnv.h>

#include <stdexcept>

namespace {

[[noreturn]] void Fail(const QString& FileName, const QString& Reason)
{
    throw std::runtime_error(
        QStringLiteral("Cannot read the text file \"%1\": %2.").arg(FileName, Reason).toStdString());
}

QString Decode(QStringConverter::Encoding E, QByteArrayView Bytes)
{
    QStringDecoder decoder(E, QStringDecoder::Flag::Stateless);
    return decoder(Bytes);
}

QString DecodeLegacy(QByteArrayView Bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(LegacyCodePage(), &status);
    if (U_FAILURE(status) || !conv)
        return QString::fromLatin1(Bytes.data(), Bytes.size());
    // A byte of a legacy code page gives at most one UTF-16 unit; two to spare.
    QString out(Bytes.size() + 2, Qt::Uninitialized);
    const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), Bytes.data(),
                                    int32_t(Bytes.size()), &status);
    ucnv_close(conv);
    if (U_FAILURE(status))
        return QString::fromLatin1(Bytes.data(), Bytes.size());
    out.truncate(n);
    return out;
}

} // namespace

const char* LegacyCodePage()
{
    QByteArray locale;
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        locale = qgetenv(var);
        if (!locale.isEmpty())
            break;
    }
    return locale.startsWith("ja") ? "windows-31j" : "windows-1252";
}

QString DecodeText(const QByteArray& Bytes)
{
    const QByteArrayView b(Bytes);
    if (b.startsWith("\xEF\xBB\xBF"))
        return Decode(QStringConverter::Utf8, b.sliced(3));
    if (b.startsWith("\xFF\xFE"))
        return Decode(QStringConverter::Utf16LE, b.sliced(2));
    if (b.startsWith("\xFE\xFF"))
        return Decode(QStringConverter::Utf16BE, b.sliced(2));
    QStringDecoder utf8(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(b);
    if (!utf8.hasError())
        return text;
    return DecodeLegacy(b);
}

QStringList SplitLines(const QString& Text)
{
    QStringList lines;
    const QChar* s = Text.constData();
    const qsizetype n = Text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] != u'\r' && s[i] != u'\n')
            continue;
        lines.append(QString(s + start, i - start));
        if (s[i] == u'\r' && i + 1 < n && s[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(QString(s + start, n - start));
    return lines;
}

QStringList ReadTextFileLines(const QString& FileName, qint64 Limit)
{
    const QFileInfo info(FileName);
    if (!info.exists())
        Fail(FileName, QStringLiteral("the file does not exist"));
    if (info.isDir())
        Fail(FileName, QStringLiteral("it is a folder"));
    // A device or a pipe could block or never end: only plain files are read.
    if (!info.isFile())
        Fail(FileName, QStringLiteral("it is not a regular file"));
    if (info.size() > Limit)
        Fail(FileName, QStringLiteral("it is larger than %1 bytes").arg(Limit));
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::PermissionsError)
            Fail(FileName, QStringLiteral("permission denied"));
        Fail(FileName, file.errorString());
    }
    // Read one byte past the limit: a file that grew meanwhile is refused too.
    const QByteArray bytes = file.read(Limit + 1);
    if (file.error() != QFileDevice::NoError)
        Fail(FileName, file.errorString());
    if (bytes.size() > Limit)
        Fail(FileName, QStringLiteral("it is larger than %1 bytes").arg(Limit));
    return SplitLines(DecodeText(bytes));
}
