#include "picture_fuzz.h"

const char* const FuzzSeedFormat = "gif";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    return FuzzOne(Data, Size, [](const QByteArray& b) { ReadQtImage(b, "gif", QStringLiteral("fuzz.gif")); });
}
