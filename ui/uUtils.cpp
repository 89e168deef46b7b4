#include "uUtils.h"

#include "Version.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include <png.h>

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
    return FormatVersionString(MIRVAK_VERSION_MAJOR + 0, MIRVAK_VERSION_MINOR + 0,
                               MIRVAK_VERSION_PATCH + 0, MIRVAK_VERSION_TWEAK + 0);
}

QImage DecodePng(const QByteArray& data)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.constData(), static_cast<size_t>(data.size())))
        return {};
    image.format = PNG_FORMAT_BGRA; // QImage::Format_ARGB32 on little-endian machines
    if (image.width == 0 || image.height == 0 || image.width > 32768 || image.height > 32768) {
        png_image_free(&image);
        return {};
    }
    QImage out(static_cast<int>(image.width), static_cast<int>(image.height), QImage::Format_ARGB32);
    if (out.isNull()) {
        png_image_free(&image);
        return {};
    }
    if (!png_image_finish_read(&image, nullptr, out.bits(), static_cast<png_int_32>(out.bytesPerLine()), nullptr)) {
        png_image_free(&image);
        return {};
    }
    return out;
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
