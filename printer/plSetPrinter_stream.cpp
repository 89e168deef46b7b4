// The printer-settings object's component stream and its settings files.

#include "plSetPrinter.h"

#include "plPrinterStream.h"
#include "plSaveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace {

// A settings file holds one stream: a device mode and a few names. Anything
// far larger is not one, and is refused before it is read into memory.
constexpr qint64 kMaxSettingsFile = 64 * 1024 * 1024;

// The name, made unique among the owner's other children ("Default1", ...).
QString UniqueName(const QObject* self, const QString& name)
{
    const QObject* owner = self->parent();
    if (!owner)
        return name;
    const auto taken = [&](const QString& candidate) {
        for (const QObject* sibling : owner->children())
            if (sibling != self && sibling->objectName() == candidate)
                return true;
        return false;
    };
    QString unique = name;
    for (int i = 1; taken(unique); ++i)
        unique = name + QString::number(i);
    return unique;
}

} // namespace

QByteArray TplSetPrinter::WriteStream()
{
    TPrinterStreamValues v;
    v.Name = Name();
    v.PrinterName = PrinterName();
    v.DevSize = FDevSize;
    v.Settings = ASettings;
    v.FPrinterName = FPrinterName;
    v.FOrientation = FOrientation;
    v.FPaperName = FPaperName;
    v.FPaperNumber = FPaperNumber;
    v.FBinNumber = FBinNumber;
    v.FDriverVersion = FDriverVersion;
    return WritePrinterStream(v);
}

void TplSetPrinter::ReadStream(const QByteArray& data)
{
    TPrinterStreamValues v;
    v.Name = Name();
    v.DevSize = FDevSize;
    v.Settings = ASettings;
    v.FPrinterName = FPrinterName;
    v.FdsPrinterName = FdsPrinterName;
    v.FOrientation = FOrientation;
    v.FPaperName = FPaperName;
    v.FPaperNumber = FPaperNumber;
    v.FBinNumber = FBinNumber;
    v.FDriverVersion = FDriverVersion;

    // Whatever was read before an error stays with the object.
    const auto take = [&] {
        if (!v.Name.isEmpty() && v.Name != Name())
            SetName(UniqueName(this, v.Name));
        FDevSize = v.DevSize;
        ASettings = v.Settings;
        FPrinterName = v.FPrinterName;
        FdsPrinterName = v.FdsPrinterName;
        FOrientation = v.FOrientation;
        FPaperName = v.FPaperName;
        FPaperNumber = v.FPaperNumber;
        FBinNumber = v.FBinNumber;
        FDriverVersion = v.FDriverVersion;
    };

    const bool wasLoading = FLoading;
    FLoading = true;
    try {
        ReadPrinterStream(data, v, [this](const QString& name) {
            SetPrinterName(name); // only sets the name while loading
            return FPrinterName;
        });
    } catch (...) {
        take();
        FLoading = wasLoading;
        throw;
    }
    take();
    FLoading = wasLoading;
    Loaded();
}

void TplSetPrinter::Loaded()
{
    if (FPrintersCount == 0)
        return;
    // A stream without a usable snapshot leaves one that belongs to no
    // printer, so that the stored orientation, paper and bin are put onto the
    // printer's defaults instead of being lost to them.
    if (ASettings.isEmpty())
        FdsPrinterName.clear();
    SelectPrinter();
    RestoreSnapshot();
}

bool TplSetPrinter::SaveToFile(const QString& AFile)
{
    if (FPrintersCount == 0)
        return false;
    // Written beside the target and renamed over it only when complete, so a
    // failure never leaves a half-written file where a good one stood.
    QSaveFile file(AFile);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(
            QStringLiteral("Cannot create \"%1\": %2").arg(AFile, file.errorString()).toStdString());
    QByteArray stream;
    try {
        stream = WriteStream();
    } catch (const std::exception&) {
        file.cancelWriting();
        return false;
    }
    if (file.write(stream) != stream.size()) {
        file.cancelWriting();
        return false;
    }
    return CommitComplete(file);
}

bool TplSetPrinter::LoadFromFile(const QString& AFile)
{
    if (FPrintersCount == 0)
        return false;
    const QFileInfo info(AFile);
    if (!info.exists() || !info.isFile() || info.size() > kMaxSettingsFile)
        return false;
    QFile file(AFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Read in pieces, so that a file that grows while it is read is still
    // held to the limit and nothing is allocated ahead of the bytes.
    QByteArray data;
    data.reserve(info.size());
    char piece[65536];
    qint64 n;
    while ((n = file.read(piece, sizeof piece)) > 0) {
        if (data.size() + n > kMaxSettingsFile)
            return false;
        data.append(piece, n);
    }
    file.close();
    if (n < 0)
        return false;
    try {
        ReadStream(data);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
