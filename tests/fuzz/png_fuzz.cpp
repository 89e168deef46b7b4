#include "picture_fuzz.h"

const char* const FuzzSeedFormat = "png";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    return FuzzOne(Data, Size, [](const QByteArray& b) { ReadPng(b, QStringLiteral("fuzz.png")); });
}
