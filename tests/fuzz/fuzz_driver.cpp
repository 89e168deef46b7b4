// Runs a fuzz entry point without libFuzzer: replays the seed made for its
// format and every file given, then feeds it random mutations of them for a
// bounded time. The random sequence depends only on --seed, so a finding is
// replayed by running again with the same seed.
//
//   <name>_fuzz [--seconds N] [--seed S] [--write-seeds DIR] [FILE|DIR]...
#include "picture_fuzz.h"
#include "support/PictureFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {

void Run(const QByteArray& b)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()));
}

QByteArray Mutate(QByteArray b, std::mt19937& rng)
{
    static const uint8_t interesting[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xFE};
    const int steps = 1 + int(rng() % 6);
    for (int s = 0; s < steps; ++s) {
        const qsizetype n = b.size();
        const qsizetype at = n > 0 ? qsizetype(rng() % uint32_t(n)) : 0;
        switch (rng() % 7) {
        case 0:
            if (n)
                b[at] = char(b[at] ^ (1 << (rng() % 8)));
            break;
        case 1:
            if (n)
                b[at] = char(interesting[rng() % sizeof interesting]);
            break;
        case 2:
            if (n)
                b[at] = char(rng());
            break;
        case 3: b.insert(at, char(rng())); break;
        case 4:
            if (n)
                b.remove(at, qsizetype(1 + rng() % 16));
            break;
        case 5:
            if (n)
                b.insert(at, b.mid(qsizetype(rng() % uint32_t(n)), qsizetype(1 + rng() % 32)));
            break;
        case 6:
            if (n)
                b.truncate(at);
            break;
        }
    }
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 3;
    unsigned seed = 1;
    QString writeSeeds;
    std::vector<QByteArray> corpus;
    for (const PictureFiles::TDamaged& v : PictureFiles::ValidFiles())
        if (v.Name == QLatin1String(FuzzSeedFormat))
            corpus.push_back(v.Bytes);
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (a == "--seed" && i + 1 < argc)
            seed = unsigned(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--write-seeds" && i + 1 < argc)
            writeSeeds = QString::fromLocal8Bit(argv[++i]);
        else {
            const QFileInfo info(a);
            const QStringList files = info.isDir() ? QDir(a).entryList(QDir::Files) : QStringList{a};
            for (const QString& f : files) {
                QFile file(info.isDir() ? a + "/" + f : f);
                if (file.open(QIODevice::ReadOnly))
                    corpus.push_back(file.readAll());
            }
        }
    }
    if (!writeSeeds.isEmpty()) {
        QDir().mkpath(writeSeeds);
        for (std::size_t i = 0; i < corpus.size(); ++i)
            PictureFiles::WriteFile(QStringLiteral("%1/seed%2").arg(writeSeeds).arg(i), corpus[i]);
        return 0;
    }
    for (const QByteArray& b : corpus)
        Run(b);
    std::mt19937 rng(seed);
    QElapsedTimer timer;
    timer.start();
    long long runs = 0;
    while (!corpus.empty() && timer.elapsed() < seconds * 1000) {
        QByteArray m = Mutate(corpus[rng() % corpus.size()], rng);
        Run(m);
        ++runs;
        // Keep some mutants as parents: deeper damage than one step reaches.
        if (rng() % 64 == 0 && corpus.size() < 256)
            corpus.push_back(std::move(m));
    }
    std::printf("%s: %lld mutated inputs in %.1f s (seed %u), no finding\n", FuzzSeedFormat, runs,
                timer.elapsed() / 1000.0, seed);
    return 0;
}
