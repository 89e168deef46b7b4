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

// Byte offsets of the public fields.
enum : int {
    oDeviceName = 0,  // WCHAR[32]
    oSpecVersion = 64,
    oDriverVersion = 66,
    oSize = 68,
    oDriverExtra = 70,
    oFields = 72,  // DWORD
    oOrientation = 76,
    oPaperSize = 78,
    oPaperLength = 80,
    oPaperWidth = 82,
    oScale = 84,
    oCopies = 86,
    oDefaultSource = 88,
    oPrintQuality = 90,
    oColor = 92,
    oDuplex = 94,
    oYResolution = 96,
    oTTOption = 98,
    oCollate = 100,
    oFormName = 102,  // WCHAR[32]
    oLogPixels = 166,
    oBitsPerPel = 168,
    oPelsWidth = 172,
    oPelsHeight = 176,
    oNup = 180,
    oDisplayFrequency = 184,
    oICMMethod = 188,
    oICMIntent = 192,
    oMediaType = 196,
    oDitherType = 200,
    oReserved1 = 204,
    oReserved2 = 208,
    oPanningWidth = 212,
    oPanningHeight = 216,
    PublicSize = 220,
};

constexpr int SpecVersion = 0x0401;
constexpr int PaperUser = 256;  // a size given by dmPaperLength and dmPaperWidth
constexpr int OrientPortrait = 1, OrientLandscape = 2;
constexpr int ColorMonochrome = 1, ColorColor = 2;
constexpr int DuplexSimplex = 1, DuplexVertical = 2, DuplexHorizontal = 3;
constexpr int BinAuto = 7;

// Private part: magic, layout version, record count, then the records.
constexpr char PrivateMagic[4] = {'M', 'V', 'K', 'P'};
constexpr int PrivateHeader = 8;
constexpr int KeywordBytes = 40;
constexpr int ValueBytes = 56;
constexpr int RecordBytes = KeywordBytes + ValueBytes;

// Little-endian field access; reads outside the block give 0 and writes
// outside it do nothing.
int16_t Short(const QByteArray& dm, int offset);
uint16_t Word(const QByteArray& dm, int offset);
uint32_t DWord(const QByteArray& dm, int offset);
void SetShort(QByteArray& dm, int offset, int value);  // low 16 bits
void SetWord(QByteArray& dm, int offset, unsigned value);
void SetDWord(QByteArray& dm, int offset, uint32_t value);
QString WideString(const QByteArray& dm, int offset);  // WCHAR[32], to the first NUL
void SetWideString(QByteArray& dm, int offset, const QString& s);  // at most 31 characters

inline uint32_t Fields(const QByteArray& dm) { return DWord(dm, oFields); }
// True when the block is long enough for its public part.
inline bool Valid(const QByteArray& dm) { return dm.size() >= PublicSize; }

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
    int PaperWidth = 0, PaperHeight = 0;  // device pixels, oriented
    int OffsetX = 0, OffsetY = 0;         // sheet edge to printable area
    int HorzRes = 0, VertRes = 0;         // printable area
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

}  // namespace DevMode
