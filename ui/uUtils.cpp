#include "uUtils.h"

#include "Version.h"
#include "plPngReader.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include <cstdlib>
#include <cstring>

bool IsJapanese()
{
    // The character-type locale in the order the C library resolves it:
    // LC_ALL, then LC_CTYPE, then LANG. The interface language (LANGUAGE,
    // LC_MESSAGES) is not what decides.
    const char* name = nullptr;
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            name = v;
            break;
        }
    }
    if (!name)
        return false;
    const size_t len = std::strcspn(name, "_.@");
    return len == 2 && std::strncmp(name, "ja", 2) == 0;
}

void OpenURL(const QString& Address)
{
    QDesktopServices::openUrl(QUrl(Address));
}

QString FormatVersionString(unsigned major, unsigned minor, unsigned patch, unsigned tweak)
{
    return QStringLiteral("%1.%2.%3.%4").arg(major).arg(minor).arg(patch).arg(tweak);
}

QString GetVersionString()
{
    return FormatVersionString(MIRVAK_VERSION_MAJOR + 0, MIRVAK_VERSION_MINOR + 0, MIRVAK_VERSION_PATCH + 0,
                               MIRVAK_VERSION_TWEAK + 0);
}

bool LoadPngResource(const QString& Name, QImage& Target)
{
    QFile file(QStringLiteral(":/rcdata/") + Name);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QImage decoded = DecodePng(file.readAll());
    if (decoded.isNull())
        return false;
    Target = std::move(decoded);
    return true;
}
