#pragma once
// The picture readers' fuzz entry points share this: an application object
// for the painters, then one reader on the bytes; a refused file is fine,
// anything else (a crash, a sanitizer report, a leak) is a finding.
#include "plPicture.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

inline void EnsureGuiApplication()
{
    static int argc = 1;
    static char name[] = "picture_fuzz";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

// The file extension the plain driver's seed is made for.
extern const char* const FuzzSeedFormat;

template <typename F>
int FuzzOne(const uint8_t* Data, size_t Size, F Read)
{
    EnsureGuiApplication();
    const QByteArray bytes(reinterpret_cast<const char*>(Data), qsizetype(Size));
    try {
        Read(bytes);
    } catch (const EPictureError&) {
    }
    return 0;
}
