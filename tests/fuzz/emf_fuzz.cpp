#include "picture_fuzz.h"

const char* const FuzzSeedFormat = "emf";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    return FuzzOne(Data, Size, [](const QByteArray& b) {
        TPicture().LoadFromData(b, TPictureFormat::Emf, QStringLiteral("fuzz.emf"));
    });
}
