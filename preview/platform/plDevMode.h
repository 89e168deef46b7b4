#pragma once

// The device-mode block: a public part with the documented DEVMODEW layout
// (220 bytes, little-endian) followed by printer-private bytes that carry the
// printer's other options, so that a saved block restores settings no public
// field has. The private part holds one fixed-size record per option the
// printer offers, so its size follows the printer's option set, not the
// values.

#include "plPrinterService.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace DevMode {

// dmFields bits
enum : uint32_t {
    DM_ORIENTATION = 0x1,
    DM_PAPERSIZE = 0x2,
    DM_PAPERLENGTH = 0x4,
    DM_PAPERWIDTH = 0x8,
    DM_SCALE = 0x10,
    DM_COPIES = 0x100,
    DM_DEFAULTSOURCE = 0x200,
    DM_PRINTQUALITY = 0x400,
    DM_COLOR = 0x800,
    DM_DUPLEX = 0x1000,
    DM_YRESOLUTION = 0x2000,
    DM_TTOPTION = 0x4000,
    DM_COLLATE = 0x8000,
    DM_FORMNAME = 0x10000,
};

// The size of the public part.
constexpr int PublicSize = 220;

constexpr int SpecVersion = 0x0401;
constexpr int PaperUser = 256; // a size given by dmPaperLength and dmPaperWidth
constexpr int BinAuto = 7;

// The enumerated fields. Their values are the documented ones, which the
// printer-settings object also gives as plain numbers, so they convert to int;
// a block may hold any other value, which the driver pass replaces.
enum TOrientation : int16_t { OrientPortrait = 1, OrientLandscape = 2 };
enum TColorMode : int16_t { ColorMonochrome = 1, ColorColor = 2 };
enum TDuplex : int16_t { DuplexSimplex = 1, DuplexVertical = 2, DuplexHorizontal = 3 };
enum TCollate : int16_t { CollateOff = 0, CollateOn = 1 };

// An option record of the private part: keyword and value, each NUL-padded.
constexpr int KeywordBytes = 40;
constexpr int ValueBytes = 56;
constexpr int RecordBytes = KeywordBytes + ValueBytes;

// True when the block is long enough for its public part.
inline bool Valid(const QByteArray& dm)
{
    return dm.size() >= PublicSize;
}

// A typed view of the public fields of a block, which must outlive it. Reads
// of a field the block is too short for give 0 (an empty text), and writes to
// it do nothing. The numbers are 16 bits wide (versions and sizes unsigned,
// the rest signed); a write keeps the low 16 bits of the number.
class TConstView {
public:
    explicit TConstView(const QByteArray& dm) : FBlock(&dm) {}
    explicit TConstView(const QByteArray&& dm) = delete; // would outlive a temporary

    QString DeviceName() const; // at most 31 characters
    int SpecVersion() const;
    int DriverVersion() const;
    int Size() const;        // of the public part
    int DriverExtra() const; // bytes after the public part
    uint32_t Fields() const; // DM_* bits: the fields that are set
    TOrientation Orientation() const;
    int PaperSize() const;   // paper number; PaperUser for an explicit size
    int PaperLength() const; // tenths of a millimetre
    int PaperWidth() const;
    int Scale() const; // percent
    int Copies() const;
    int DefaultSource() const; // bin number
    int PrintQuality() const;  // x dots per inch, or a negative quality
    TColorMode Color() const;
    TDuplex Duplex() const;
    int YResolution() const; // y dots per inch
    TCollate Collate() const;
    QString FormName() const; // at most 31 characters

private:
    const QByteArray* FBlock;
};

// The same view for changing the block. Names are cut to 31 characters.
class TView : public TConstView {
public:
    explicit TView(QByteArray& dm) : TConstView(dm), FEdit(&dm) {}

    void SetDeviceName(const QString& v);
    void SetSpecVersion(int v);
    void SetDriverVersion(int v);
    void SetSize(int v);
    void SetDriverExtra(int v);
    void SetFields(uint32_t v);
    void SetOrientation(TOrientation v);
    void SetPaperSize(int v);
    void SetPaperLength(int v);
    void SetPaperWidth(int v);
    void SetScale(int v);
    void SetCopies(int v);
    void SetDefaultSource(int v);
    void SetPrintQuality(int v);
    void SetColor(TColorMode v);
    void SetDuplex(TDuplex v);
    void SetYResolution(int v);
    void SetCollate(TCollate v);
    void SetFormName(const QString& v);

    // Paper number v with the size that belongs to it: the marks of an
    // explicit length and width are taken off.
    void SelectPaper(int v);

private:
    QByteArray* FEdit;
};

// The private option records of a block, in block order.
QList<std::pair<QString, QString>> PrivateOptions(const QByteArray& dm);
QString PrivateOption(const QByteArray& dm, const QString& keyword);
// Sets a private option present in the block; false when it has no such record.
bool SetPrivateOption(QByteArray& dm, const QString& keyword, const QString& value);

// Size of a printer's block.
int BlockSize(const TPrinterCaps& caps);
// dmFields of a printer: the fields it supports.
uint32_t SupportedFields(const TPrinterCaps& caps);
// A block with the printer's defaults.
QByteArray Defaults(const TPrinterCaps& caps);
// The driver pass (merge and validate, mode 10): the printer's defaults with
// the marked fields and the private options of dm where the printer offers
// them; the result is written back into dm, in the printer's block size.
void DriverPass(const TPrinterCaps& caps, QByteArray& dm);

// The device context's values for a printer in a device mode (the block is
// validated on a copy first).
struct TGeometry {
    int XDpi = 0, YDpi = 0;
    int PaperWidth = 0, PaperHeight = 0; // device pixels, oriented
    int OffsetX = 0, OffsetY = 0;        // sheet edge to printable area
    int HorzRes = 0, VertRes = 0;        // printable area
    int BitsPixel = 1, Planes = 1;
    bool Landscape = false;
    // The selected sheet in hundredths of a millimetre, portrait, and its margins.
    int SheetWidth = 0, SheetLength = 0;
    int MarginLeft = 0, MarginBottom = 0, MarginRight = 0, MarginTop = 0;
    QString Media;
};
TGeometry Geometry(const TPrinterCaps& caps, const QByteArray& dm);

// What a print job in this device mode asks of the spooler.
TJobOptions JobOptions(const TPrinterCaps& caps, const QByteArray& dm);

} // namespace DevMode
