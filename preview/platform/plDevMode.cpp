#include "plDevMode.h"

#include "plPaperTable.h"

#include <QtEndian>

#include <algorithm>

namespace DevMode {

namespace {

// Byte offsets of the public fields.
enum : int {
    oDeviceName = 0, // WCHAR[32]
    oSpecVersion = 64,
    oDriverVersion = 66,
    oSize = 68,
    oDriverExtra = 70,
    oFields = 72, // DWORD
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
    oFormName = 102, // WCHAR[32]
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
};
static_assert(oPanningHeight + 4 == PublicSize);

// Private part: magic, layout version, record count, then the records.
constexpr char PrivateMagic[4] = {'M', 'V', 'K', 'P'};
constexpr int PrivateHeader = 8;

bool fits(const QByteArray& dm, int offset, int bytes)
{
    return offset >= 0 && bytes >= 0 && offset <= dm.size() - bytes;
}

const uchar* at(const QByteArray& dm, int offset)
{
    return reinterpret_cast<const uchar*>(dm.constData()) + offset;
}

uchar* at(QByteArray& dm, int offset)
{
    return reinterpret_cast<uchar*>(dm.data()) + offset;
}

// Little-endian field access; reads outside the block give 0 and writes
// outside it do nothing.
int16_t Short(const QByteArray& dm, int offset)
{
    return fits(dm, offset, 2) ? qFromLittleEndian<qint16>(at(dm, offset)) : 0;
}

uint16_t Word(const QByteArray& dm, int offset)
{
    return fits(dm, offset, 2) ? qFromLittleEndian<quint16>(at(dm, offset)) : 0;
}

uint32_t DWord(const QByteArray& dm, int offset)
{
    return fits(dm, offset, 4) ? qFromLittleEndian<quint32>(at(dm, offset)) : 0;
}

void SetShort(QByteArray& dm, int offset, int value)
{
    if (fits(dm, offset, 2))
        qToLittleEndian<quint16>(quint16(value & 0xFFFF), at(dm, offset));
}

void SetWord(QByteArray& dm, int offset, unsigned value)
{
    if (fits(dm, offset, 2))
        qToLittleEndian<quint16>(quint16(value & 0xFFFF), at(dm, offset));
}

void SetDWord(QByteArray& dm, int offset, uint32_t value)
{
    if (fits(dm, offset, 4))
        qToLittleEndian<quint32>(value, at(dm, offset));
}

QString WideString(const QByteArray& dm, int offset)
{
    QString s;
    for (int i = 0; i < 32 && fits(dm, offset + 2 * i, 2); ++i) {
        const char16_t c = Word(dm, offset + 2 * i);
        if (c == 0)
            break;
        s.append(QChar(c));
    }
    return s;
}

void SetWideString(QByteArray& dm, int offset, const QString& s)
{
    if (!fits(dm, offset, 64))
        return;
    std::fill_n(dm.data() + offset, 64, '\0');
    const QString t = s.left(31);
    for (int i = 0; i < t.size(); ++i)
        SetWord(dm, offset + 2 * i, t.at(i).unicode());
}

uint32_t Fields(const QByteArray& dm)
{
    return DWord(dm, oFields);
}

// ASCII text in a fixed field, NUL-padded.
QString fixedAscii(const QByteArray& dm, int offset, int bytes)
{
    if (!fits(dm, offset, bytes))
        return {};
    const char* p = dm.constData() + offset;
    int n = 0;
    while (n < bytes && p[n] != '\0')
        ++n;
    return QString::fromLatin1(p, n);
}

void setFixedAscii(QByteArray& dm, int offset, int bytes, const QString& s)
{
    if (!fits(dm, offset, bytes))
        return;
    QByteArray a = s.toLatin1().left(bytes - 1);
    std::fill_n(dm.data() + offset, bytes, '\0');
    std::copy(a.cbegin(), a.cend(), dm.data() + offset);
}

// Options whose keyword and every value fit their fixed fields.
QList<const TPrinterOption*> storedOptions(const TPrinterCaps& caps)
{
    QList<const TPrinterOption*> list;
    for (const TPrinterOption& o : caps.Options) {
        if (o.Keyword.isEmpty() || o.Keyword.size() >= KeywordBytes || o.Default.size() >= ValueBytes)
            continue;
        list.append(&o);
    }
    return list;
}

int privateCount(const QByteArray& dm)
{
    const int extra = Word(dm, oDriverExtra);
    if (!Valid(dm) || extra < PrivateHeader || dm.size() < PublicSize + extra)
        return 0;
    if (!std::equal(PrivateMagic, PrivateMagic + 4, dm.constData() + PublicSize))
        return 0;
    const int count = Word(dm, PublicSize + 6);
    // Never trust the count beyond the bytes that are there.
    return std::min(count, (extra - PrivateHeader) / RecordBytes);
}

int recordOffset(int i)
{
    return PublicSize + PrivateHeader + i * RecordBytes;
}

void setPaper(QByteArray& dm, const TPaperInfo& p)
{
    SetShort(dm, oPaperSize, p.Number);
    SetShort(dm, oPaperLength, p.Length / 10);
    SetShort(dm, oPaperWidth, p.Width / 10);
    SetWideString(dm, oFormName, p.Name);
}

const TPaperInfo* paperByName(const TPrinterCaps& caps, const QString& name)
{
    for (const TPaperInfo& p : caps.Papers)
        if (p.Name.left(31) == name)
            return &p;
    return nullptr;
}

QPoint chooseResolution(const TPrinterCaps& caps, int x, int y, bool haveY)
{
    if (x > 0) {
        if (!haveY || y <= 0) {
            for (QPoint r : caps.Resolutions)
                if (r.x() == x)
                    return r;
        } else if (caps.HasResolution(QPoint(x, y))) {
            return QPoint(x, y);
        }
        return caps.DefaultResolution;
    }
    // Negative values ask for a quality: draft (-1), low (-2), medium (-3), high (-4).
    if (x < 0 && x >= -4 && !caps.Resolutions.isEmpty()) {
        auto area = [](QPoint r) { return qint64(r.x()) * r.y(); };
        auto [lo, hi] = std::minmax_element(caps.Resolutions.cbegin(), caps.Resolutions.cend(),
                                            [&](QPoint a, QPoint b) { return area(a) < area(b); });
        if (x == -4)
            return *hi;
        if (x == -3)
            return caps.DefaultResolution;
        return *lo;
    }
    return caps.DefaultResolution;
}

} // namespace

// --- Typed view ------------------------------------------------------------------

QString TConstView::DeviceName() const
{
    return WideString(*FBlock, oDeviceName);
}
int TConstView::SpecVersion() const
{
    return Word(*FBlock, oSpecVersion);
}
int TConstView::DriverVersion() const
{
    return Word(*FBlock, oDriverVersion);
}
int TConstView::Size() const
{
    return Word(*FBlock, oSize);
}
int TConstView::DriverExtra() const
{
    return Word(*FBlock, oDriverExtra);
}
uint32_t TConstView::Fields() const
{
    return DWord(*FBlock, oFields);
}
TOrientation TConstView::Orientation() const
{
    return TOrientation(Short(*FBlock, oOrientation));
}
int TConstView::PaperSize() const
{
    return Short(*FBlock, oPaperSize);
}
int TConstView::PaperLength() const
{
    return Short(*FBlock, oPaperLength);
}
int TConstView::PaperWidth() const
{
    return Short(*FBlock, oPaperWidth);
}
int TConstView::Scale() const
{
    return Short(*FBlock, oScale);
}
int TConstView::Copies() const
{
    return Short(*FBlock, oCopies);
}
int TConstView::DefaultSource() const
{
    return Short(*FBlock, oDefaultSource);
}
int TConstView::PrintQuality() const
{
    return Short(*FBlock, oPrintQuality);
}
TColorMode TConstView::Color() const
{
    return TColorMode(Short(*FBlock, oColor));
}
TDuplex TConstView::Duplex() const
{
    return TDuplex(Short(*FBlock, oDuplex));
}
int TConstView::YResolution() const
{
    return Short(*FBlock, oYResolution);
}
TCollate TConstView::Collate() const
{
    return TCollate(Short(*FBlock, oCollate));
}
QString TConstView::FormName() const
{
    return WideString(*FBlock, oFormName);
}

void TView::SetDeviceName(const QString& v)
{
    SetWideString(*FEdit, oDeviceName, v);
}
void TView::SetSpecVersion(int v)
{
    SetWord(*FEdit, oSpecVersion, unsigned(v));
}
void TView::SetDriverVersion(int v)
{
    SetWord(*FEdit, oDriverVersion, unsigned(v));
}
void TView::SetSize(int v)
{
    SetWord(*FEdit, oSize, unsigned(v));
}
void TView::SetDriverExtra(int v)
{
    SetWord(*FEdit, oDriverExtra, unsigned(v));
}
void TView::SetFields(uint32_t v)
{
    SetDWord(*FEdit, oFields, v);
}
void TView::SetOrientation(TOrientation v)
{
    SetShort(*FEdit, oOrientation, v);
}
void TView::SetPaperSize(int v)
{
    SetShort(*FEdit, oPaperSize, v);
}
void TView::SetPaperLength(int v)
{
    SetShort(*FEdit, oPaperLength, v);
}
void TView::SetPaperWidth(int v)
{
    SetShort(*FEdit, oPaperWidth, v);
}
void TView::SetScale(int v)
{
    SetShort(*FEdit, oScale, v);
}
void TView::SetCopies(int v)
{
    SetShort(*FEdit, oCopies, v);
}
void TView::SetDefaultSource(int v)
{
    SetShort(*FEdit, oDefaultSource, v);
}
void TView::SetPrintQuality(int v)
{
    SetShort(*FEdit, oPrintQuality, v);
}
void TView::SetColor(TColorMode v)
{
    SetShort(*FEdit, oColor, v);
}
void TView::SetDuplex(TDuplex v)
{
    SetShort(*FEdit, oDuplex, v);
}
void TView::SetYResolution(int v)
{
    SetShort(*FEdit, oYResolution, v);
}
void TView::SetCollate(TCollate v)
{
    SetShort(*FEdit, oCollate, v);
}
void TView::SetFormName(const QString& v)
{
    SetWideString(*FEdit, oFormName, v);
}

void TView::SelectPaper(int v)
{
    SetPaperSize(v);
    SetFields(Fields() & ~uint32_t(DM_PAPERLENGTH | DM_PAPERWIDTH));
}

// --- Private options --------------------------------------------------------------

QList<std::pair<QString, QString>> PrivateOptions(const QByteArray& dm)
{
    QList<std::pair<QString, QString>> list;
    const int n = privateCount(dm);
    for (int i = 0; i < n; ++i) {
        const int o = recordOffset(i);
        list.append({fixedAscii(dm, o, KeywordBytes), fixedAscii(dm, o + KeywordBytes, ValueBytes)});
    }
    return list;
}

QString PrivateOption(const QByteArray& dm, const QString& keyword)
{
    const int n = privateCount(dm);
    for (int i = 0; i < n; ++i)
        if (fixedAscii(dm, recordOffset(i), KeywordBytes) == keyword)
            return fixedAscii(dm, recordOffset(i) + KeywordBytes, ValueBytes);
    return {};
}

bool SetPrivateOption(QByteArray& dm, const QString& keyword, const QString& value)
{
    if (value.size() >= ValueBytes)
        return false;
    const int n = privateCount(dm);
    for (int i = 0; i < n; ++i) {
        if (fixedAscii(dm, recordOffset(i), KeywordBytes) == keyword) {
            setFixedAscii(dm, recordOffset(i) + KeywordBytes, ValueBytes, value);
            return true;
        }
    }
    return false;
}

int BlockSize(const TPrinterCaps& caps)
{
    return PublicSize + PrivateHeader + int(storedOptions(caps).size()) * RecordBytes;
}

uint32_t SupportedFields(const TPrinterCaps& caps)
{
    uint32_t f = 0;
    if (caps.Orientation)
        f |= DM_ORIENTATION;
    if (!caps.Papers.isEmpty())
        f |= DM_PAPERSIZE | DM_FORMNAME;
    if (caps.CustomSize)
        f |= DM_PAPERLENGTH | DM_PAPERWIDTH;
    if (caps.MaxCopies > 1)
        f |= DM_COPIES;
    if (!caps.Bins.isEmpty())
        f |= DM_DEFAULTSOURCE;
    if (!caps.Resolutions.isEmpty())
        f |= DM_PRINTQUALITY | DM_YRESOLUTION;
    if (caps.Color)
        f |= DM_COLOR;
    if (caps.Duplex())
        f |= DM_DUPLEX;
    if (caps.Collate)
        f |= DM_COLLATE;
    return f;
}

QByteArray Defaults(const TPrinterCaps& caps)
{
    QByteArray dm(BlockSize(caps), '\0');
    SetWideString(dm, oDeviceName, caps.Name);
    SetWord(dm, oSpecVersion, SpecVersion);
    SetWord(dm, oDriverVersion, caps.DriverVersion);
    SetWord(dm, oSize, PublicSize);
    SetWord(dm, oDriverExtra, dm.size() - PublicSize);
    SetDWord(dm, oFields, SupportedFields(caps));
    SetShort(dm, oOrientation, OrientPortrait);
    if (const TPaperInfo* p = caps.Paper(caps.DefaultPaper))
        setPaper(dm, *p);
    else if (!caps.Papers.isEmpty())
        setPaper(dm, caps.Papers.first());
    SetShort(dm, oScale, 100);
    SetShort(dm, oCopies, 1);
    int bin = BinAuto;
    if (!caps.Bins.isEmpty())
        bin = caps.Bin(caps.DefaultBin) ? caps.DefaultBin : caps.Bins.first().Number;
    SetShort(dm, oDefaultSource, bin);
    SetShort(dm, oPrintQuality, caps.DefaultResolution.x());
    SetShort(dm, oYResolution, caps.DefaultResolution.y());
    SetShort(dm, oColor, caps.Color && caps.ColorDefault ? ColorColor : ColorMonochrome);
    int duplex = caps.DefaultDuplex;
    if (!(duplex == DuplexVertical && caps.DuplexLong) && !(duplex == DuplexHorizontal && caps.DuplexShort))
        duplex = DuplexSimplex;
    SetShort(dm, oDuplex, duplex);
    SetShort(dm, oCollate, caps.Collate && caps.CollateDefault ? 1 : 0);

    const QList<const TPrinterOption*> options = storedOptions(caps);
    std::copy(PrivateMagic, PrivateMagic + 4, dm.data() + PublicSize);
    SetWord(dm, PublicSize + 4, 1);
    SetWord(dm, PublicSize + 6, options.size());
    for (int i = 0; i < options.size(); ++i) {
        setFixedAscii(dm, recordOffset(i), KeywordBytes, options[i]->Keyword);
        setFixedAscii(dm, recordOffset(i) + KeywordBytes, ValueBytes, options[i]->Default);
    }
    return dm;
}

void DriverPass(const TPrinterCaps& caps, QByteArray& dm)
{
    QByteArray out = Defaults(caps);
    if (!Valid(dm)) {
        dm = out;
        return;
    }
    const uint32_t f = Fields(dm);

    if ((f & DM_ORIENTATION) && caps.Orientation) {
        const int o = Short(dm, oOrientation);
        if (o == OrientPortrait || o == OrientLandscape)
            SetShort(out, oOrientation, o);
    }

    // Paper: a number from the table wins; a user size needs custom-size
    // support; without a paper number the form name may choose.
    bool paperSet = false;
    const int n = Short(dm, oPaperSize);
    if (f & DM_PAPERSIZE) {
        if (const TPaperInfo* p = caps.Paper(n)) {
            setPaper(out, *p);
            paperSet = true;
        }
    } else if (f & DM_FORMNAME) {
        if (const TPaperInfo* p = paperByName(caps, WideString(dm, oFormName))) {
            setPaper(out, *p);
            paperSet = true;
        }
    }
    if (!paperSet && caps.CustomSize && (f & DM_PAPERLENGTH) && (f & DM_PAPERWIDTH)
        && (!(f & DM_PAPERSIZE) || n == PaperUser)) {
        const int length = Short(dm, oPaperLength), width = Short(dm, oPaperWidth);
        if (caps.CustomFits(width * 10, length * 10)) {
            SetShort(out, oPaperSize, PaperUser);
            SetShort(out, oPaperLength, length);
            SetShort(out, oPaperWidth, width);
            SetWideString(out, oFormName, WideString(dm, oFormName));
        }
    }

    if ((f & DM_COPIES) && caps.MaxCopies > 1) {
        const int copies = Short(dm, oCopies);
        if (copies >= 1)
            SetShort(out, oCopies, std::min(copies, caps.MaxCopies));
    }
    if ((f & DM_DEFAULTSOURCE) && caps.Bin(Short(dm, oDefaultSource)))
        SetShort(out, oDefaultSource, Short(dm, oDefaultSource));
    if ((f & DM_PRINTQUALITY) && !caps.Resolutions.isEmpty()) {
        const QPoint r = chooseResolution(caps, Short(dm, oPrintQuality), Short(dm, oYResolution), f & DM_YRESOLUTION);
        SetShort(out, oPrintQuality, r.x());
        SetShort(out, oYResolution, r.y());
    }
    if ((f & DM_COLOR) && caps.Color) {
        const int c = Short(dm, oColor);
        if (c == ColorMonochrome || c == ColorColor)
            SetShort(out, oColor, c);
    }
    if ((f & DM_DUPLEX) && caps.Duplex()) {
        const int d = Short(dm, oDuplex);
        if (d == DuplexSimplex || (d == DuplexVertical && caps.DuplexLong)
            || (d == DuplexHorizontal && caps.DuplexShort))
            SetShort(out, oDuplex, d);
    }
    if ((f & DM_COLLATE) && caps.Collate) {
        const int c = Short(dm, oCollate);
        if (c == 0 || c == 1)
            SetShort(out, oCollate, c);
    }

    // Private options are merged by keyword, so a block of another layout
    // still gives what this printer can take.
    const QList<std::pair<QString, QString>> given = PrivateOptions(dm);
    for (const TPrinterOption* o : storedOptions(caps)) {
        for (const auto& [key, value] : given) {
            if (key == o->Keyword && o->Choices.contains(value)) {
                SetPrivateOption(out, key, value);
                break;
            }
        }
    }
    dm = out;
}

TGeometry Geometry(const TPrinterCaps& caps, const QByteArray& dm)
{
    QByteArray v = dm;
    DriverPass(caps, v);
    TGeometry g;
    g.XDpi = Short(v, oPrintQuality) > 0 ? Short(v, oPrintQuality) : caps.DefaultResolution.x();
    g.YDpi = Short(v, oYResolution) > 0 ? Short(v, oYResolution) : caps.DefaultResolution.y();
    if (g.XDpi <= 0 || g.YDpi <= 0)
        g.XDpi = g.YDpi = 300;

    const int n = Short(v, oPaperSize);
    if (const TPaperInfo* p = caps.Paper(n)) {
        g.SheetWidth = p->Width;
        g.SheetLength = p->Length;
        g.MarginLeft = p->Left;
        g.MarginBottom = p->Bottom;
        g.MarginRight = p->Right;
        g.MarginTop = p->Top;
        g.Media = p->Media;
    } else if (n == PaperUser) {
        g.SheetWidth = Short(v, oPaperWidth) * 10;
        g.SheetLength = Short(v, oPaperLength) * 10;
        g.MarginLeft = caps.CustomLeft;
        g.MarginBottom = caps.CustomBottom;
        g.MarginRight = caps.CustomRight;
        g.MarginTop = caps.CustomTop;
        g.Media = PaperTable::CustomMedia(g.SheetWidth, g.SheetLength);
    } else {
        // A printer without a paper table: an A4 sheet without margins.
        g.SheetWidth = 21000;
        g.SheetLength = 29700;
        g.Media = QStringLiteral("iso_a4_210x297mm");
    }

    g.Landscape = Short(v, oOrientation) == OrientLandscape;
    int w = g.SheetWidth, h = g.SheetLength;
    int left = g.MarginLeft, top = g.MarginTop, right = g.MarginRight, bottom = g.MarginBottom;
    if (g.Landscape) {
        // Landscape turns the page a quarter counter-clockwise on the sheet:
        // its top edge lies along the sheet's left edge.
        std::swap(w, h);
        left = g.MarginBottom;
        top = g.MarginLeft;
        right = g.MarginTop;
        bottom = g.MarginRight;
    }
    auto px = [](int hundredths, int dpi) { return int(qint64(hundredths) * dpi / 2540); };
    g.PaperWidth = px(w, g.XDpi);
    g.PaperHeight = px(h, g.YDpi);
    g.OffsetX = px(left, g.XDpi);
    g.OffsetY = px(top, g.YDpi);
    g.HorzRes = px(std::max(0, w - left - right), g.XDpi);
    g.VertRes = px(std::max(0, h - top - bottom), g.YDpi);
    g.BitsPixel = caps.BitsPerPixel;
    g.Planes = 1;
    return g;
}

TJobOptions JobOptions(const TPrinterCaps& caps, const QByteArray& dm)
{
    QByteArray v = dm;
    DriverPass(caps, v);
    const TGeometry g = Geometry(caps, v);
    TJobOptions o;
    o.Media = g.Media;
    o.Landscape = g.Landscape;
    if (const TBinInfo* b = caps.Bin(Short(v, oDefaultSource)))
        o.MediaSource = b->Keyword;
    if (caps.Duplex()) {
        switch (Short(v, oDuplex)) {
        case DuplexVertical: o.Sides = QStringLiteral("two-sided-long-edge"); break;
        case DuplexHorizontal: o.Sides = QStringLiteral("two-sided-short-edge"); break;
        default: o.Sides = QStringLiteral("one-sided"); break;
        }
    }
    if (caps.Color)
        o.ColorMode = Short(v, oColor) == ColorColor ? QStringLiteral("color") : QStringLiteral("monochrome");
    o.Copies = std::max<int>(1, Short(v, oCopies));
    if (o.Copies > 1 && caps.Collate)
        o.Collation = Short(v, oCollate) ? QStringLiteral("separate-documents-collated-copies")
                                         : QStringLiteral("separate-documents-uncollated-copies");
    if (!caps.Resolutions.isEmpty())
        o.Resolution =
            g.XDpi == g.YDpi ? QStringLiteral("%1dpi").arg(g.XDpi) : QStringLiteral("%1x%2dpi").arg(g.XDpi).arg(g.YDpi);
    // Only what differs from the printer's own default, so that a later
    // change of that default still reaches jobs that never chose otherwise.
    for (const auto& [key, value] : PrivateOptions(v)) {
        const auto it = std::find_if(caps.Options.cbegin(), caps.Options.cend(),
                                     [&k = key](const TPrinterOption& opt) { return opt.Keyword == k; });
        if (!value.isEmpty() && it != caps.Options.cend() && value != it->Default)
            o.Other.append({key, value});
    }
    return o;
}

} // namespace DevMode
