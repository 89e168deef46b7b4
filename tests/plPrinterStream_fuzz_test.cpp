// Random mutations of valid printer-settings streams fed to the reader for a
// bounded time. MIRVAK_FUZZ_SECONDS sets the time (default 30),
// MIRVAK_FUZZ_SEED replays a run (the seed is printed at the start).

#include "plPrinterStream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <vector>

namespace {

std::vector<QByteArray> Seeds()
{
    std::vector<QByteArray> seeds;
    TPrinterStreamValues v;
    v.Name = "Default";
    v.PrinterName = v.FPrinterName = "Office Laser";
    v.DevSize = 64;
    v.Settings = QByteArray(64, 'd');
    v.FPaperNumber = 9;
    v.FBinNumber = 7;
    seeds.push_back(WritePrinterStream(v));
    v.PrinterName = v.FPrinterName = QString::fromUtf8("経理部のプリンタ");
    v.FPaperName = QString::fromUtf8("Café A4");
    v.FOrientation = 1;
    v.DevSize = 300;
    v.Settings = QByteArray(300, '\x80');
    seeds.push_back(WritePrinterStream(v));
    v.PrinterName.clear();
    v.Name.clear();
    v.FPrinterName = QString(300, 'p');
    v.DevSize = 0;
    v.Settings.clear();
    v.FDriverVersion = 0x40000;
    seeds.push_back(WritePrinterStream(v));
    return seeds;
}

uint32_t Interesting(std::mt19937_64& rng)
{
    static const uint32_t values[] = {0,      1,      2,          0x7F,       0x80,       0xFF, 0x100, 0x7FFF,
                                      0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 3408, 64,    300};
    return values[rng() % std::size(values)];
}

QByteArray Mutate(QByteArray s, const std::vector<QByteArray>& seeds, std::mt19937_64& rng)
{
    const int rounds = 1 + int(rng() % 4);
    for (int i = 0; i < rounds; ++i) {
        const qsizetype at = s.isEmpty() ? 0 : qsizetype(rng() % uint64_t(s.size()));
        switch (rng() % 8) {
        case 0: // flip a bit
            if (!s.isEmpty())
                s[at] = char(s[at] ^ (1 << (rng() % 8)));
            break;
        case 1: // an interesting byte
            if (!s.isEmpty())
                s[at] = char(Interesting(rng));
            break;
        case 2: { // an interesting 32-bit value (length fields)
            const uint32_t v = Interesting(rng);
            for (int k = 0; k < 4 && at + k < s.size(); ++k)
                s[at + k] = char(v >> (8 * k));
            break;
        }
        case 3: // truncate
            s.truncate(at);
            break;
        case 4: // delete a run
            s.remove(at, qsizetype(1 + rng() % 16));
            break;
        case 5: // insert random bytes
            for (int k = int(rng() % 8); k >= 0; --k)
                s.insert(at, char(rng()));
            break;
        case 6: { // splice in a piece of another seed
            const QByteArray& other = seeds[rng() % seeds.size()];
            const qsizetype from = qsizetype(rng() % uint64_t(other.size()));
            s.insert(at, other.mid(from, qsizetype(1 + rng() % 64)));
            break;
        }
        case 7: // duplicate a run
            s.insert(at, s.mid(at, qsizetype(1 + rng() % 32)));
            break;
        }
    }
    return s;
}

} // namespace

// Every mutated stream is either read or refused with a stream error; what is
// read writes out again as a stream that reads back to the same values
// (a snapshot whose size does not match its block comes back empty).
TEST(PrinterStreamFuzz, MutatedStreams)
{
    const char* secondsEnv = std::getenv("MIRVAK_FUZZ_SECONDS");
    const char* seedEnv = std::getenv("MIRVAK_FUZZ_SEED");
    const double seconds = secondsEnv ? std::atof(secondsEnv) : 30.0;
    const uint64_t seed = seedEnv ? std::strtoull(seedEnv, nullptr, 10) : std::random_device()();
    std::cout << "fuzz seed " << seed << ", " << seconds << " s" << std::endl;
    std::mt19937_64 rng(seed);

    const std::vector<QByteArray> seeds = Seeds();
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = 0, read = 0;
    while (std::chrono::steady_clock::now() < until) {
        for (int batch = 0; batch < 256; ++batch, ++runs) {
            const QByteArray input = Mutate(seeds[rng() % seeds.size()], seeds, rng);
            TPrinterStreamValues v;
            try {
                ReadPrinterStream(input, v);
            } catch (const TStreamError&) {
                continue;
            }
            ++read;
            const QByteArray again = WritePrinterStream(v);
            TPrinterStreamValues w;
            ASSERT_NO_THROW(ReadPrinterStream(again, w)) << "input " << input.toHex().constData();
            if (v.Settings.size() == v.DevSize) {
                ASSERT_EQ(WritePrinterStream(w), again) << "input " << input.toHex().constData();
            } else {
                // A size without its block (or a repeated size) does not survive.
                ASSERT_TRUE(w.Settings.isEmpty());
                ASSERT_EQ(w.DevSize, 0);
            }
        }
    }
    std::cout << runs << " streams, " << read << " read" << std::endl;
    EXPECT_GT(read, 0);
}
