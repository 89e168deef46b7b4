// Writes the seed corpus of every reader for libFuzzer runs: one small valid
// file per format in DIR/<extension>/.
//
//   fuzz_seeds DIR
#include "support/PictureFiles.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the seeds are painted
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (const PictureFiles::TDamaged& v : PictureFiles::ValidFiles()) {
        QDir().mkpath(dir + "/" + v.Name);
        PictureFiles::WriteFile(dir + "/" + v.Name + "/seed", v.Bytes);
    }
    return 0;
}
