#include "picture_fuzz.h"

const char* const FuzzSeedFormat = "svg";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    return FuzzOne(Data, Size, [](const QByteArray& b) {
        TPicture().LoadFromData(b, TPictureFormat::Svg, QStringLiteral("fuzz.svg"));
    });
}
