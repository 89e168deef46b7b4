#include "picture_fuzz.h"

const char* const FuzzSeedFormat = "jpg";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    return FuzzOne(Data, Size,
                   [](const QByteArray& b) { ReadJpeg(b, QStringLiteral("fuzz.jpg"), [](QSize s) { return s / 3; }); });
}
