// TplSetPrinter: paper, bin and orientation, the other device-mode fields,
// user paper forms and the printer's geometry.

#include "plSetPrinter.h"

#include "plSetPrinter_p.h"

using namespace DevMode;

namespace {

TPrinter& P()
{
    return TPrinter::Printer();
}

// Paper names come in fields of 64 wide characters, bin names in 24.
constexpr int kPaperNameChars = 63;
constexpr int kBinNameChars = 23;
constexpr int kFormNameChars = 31;

} // namespace

// --- Paper -----------------------------------------------------------------------

int TplSetPrinter::PaperNumber() const
{
    const QByteArray* dm = ReadDevMode();
    return dm ? TConstView(*dm).PaperSize() : 0;
}

void TplSetPrinter::SetPaperNumberProp(int v)
{
    EditDevMode(DM_PAPERSIZE, [&](QByteArray& dm) { TView(dm).SelectPaper(v); });
}

bool TplSetPrinter::SetPaperNumber(uint16_t Index)
{
    SetPaperNumberProp(Index);
    return int(Index) == PaperNumber();
}

QString TplSetPrinter::PaperName()
{
    if (FPrintersCount == 0)
        return {};
    const int n = PaperNumber();
    if (n < 0)
        return FCustomPaperName;
    if (const auto caps = P().Service().Caps(d->ADevice))
        for (const TPaperInfo& p : caps->Papers)
            if ((p.Number & 0xFFFF) == n)
                return p.Name.left(kPaperNameChars);
    return {};
}

bool TplSetPrinter::FindPaperNumber(const QString& name, int& number)
{
    number = -1;
    if (FPrintersCount == 0)
        return false;
    if (d->ADevice.isEmpty())
        d->ReadCurrent();
    if (const auto caps = P().Service().Caps(d->ADevice)) {
        for (const TPaperInfo& p : caps->Papers) {
            if (p.Name.left(kPaperNameChars) == name) {
                number = p.Number & 0xFFFF;
                return true;
            }
        }
    }
    return false;
}

void TplSetPrinter::SetPaperNameProp(const QString& v)
{
    int number = -1;
    if (FPrintersCount != 0 && FindPaperNumber(v, number))
        SetPaperNumberProp(number);
}

bool TplSetPrinter::SetPaperName(const QString& PaperStr)
{
    SetPaperNameProp(PaperStr);
    return PaperName() == PaperStr;
}

// --- Bin ---------------------------------------------------------------------------

int TplSetPrinter::BinNumber() const
{
    const QByteArray* dm = ReadDevMode();
    return dm ? TConstView(*dm).DefaultSource() : 0;
}

void TplSetPrinter::SetBinNumber(int v)
{
    EditDevMode(DM_DEFAULTSOURCE, [&](QByteArray& dm) { TView(dm).SetDefaultSource(v); });
}

QString TplSetPrinter::BinName()
{
    if (FPrintersCount == 0)
        return {};
    const int n = BinNumber();
    if (const auto caps = P().Service().Caps(d->ADevice))
        for (const TBinInfo& b : caps->Bins)
            if (b.Number == n)
                return b.Name.left(kBinNameChars);
    return {};
}

void TplSetPrinter::SetBinNameProp(const QString& v)
{
    if (FPrintersCount == 0)
        return;
    MakeCurrent();
    d->ReadCurrent();
    const auto caps = P().Service().Caps(d->ADevice);
    if (!caps)
        return;
    for (const TBinInfo& b : caps->Bins) {
        if (b.Name.left(kBinNameChars) == v) {
            SetBinNumber(b.Number);
            return;
        }
    }
}

bool TplSetPrinter::SetBinName(const QString& BinStr)
{
    SetBinNameProp(BinStr);
    return BinName() == BinStr;
}

// --- Orientation -------------------------------------------------------------------

int TplSetPrinter::Orientation() const
{
    const QByteArray* dm = ReadDevMode();
    if (!dm)
        return poPortrait;
    return TConstView(*dm).Orientation() == OrientPortrait ? poPortrait : poLandscape;
}

void TplSetPrinter::SetOrientationProp(int v)
{
    EditDevMode(DM_ORIENTATION,
                [&](QByteArray& dm) { TView(dm).SetOrientation(v == poPortrait ? OrientPortrait : OrientLandscape); });
}

bool TplSetPrinter::SetOrientation(int Orient)
{
    SetOrientationProp(Orient);
    return Orientation() == Orient;
}

int TplSetPrinter::DriverVersion() const
{
    const QByteArray* dm = ReadDevMode();
    return dm ? TConstView(*dm).DriverVersion() : 0;
}

// --- Colour, collation, copies, duplex ------------------------------------------------

int TplSetPrinter::Color() const
{
    const QByteArray* dm = ReadDevMode();
    return dm ? TConstView(*dm).Color() : ColorMonochrome;
}

void TplSetPrinter::SetColor(int v)
{
    EditDevMode(DM_COLOR, [&](QByteArray& dm) { TView(dm).SetColor(TColorMode(v)); });
}

int TplSetPrinter::ColorBit() const
{
    if (FPrintersCount == 0 || Color() != ColorColor)
        return 0;
    return P().GetDeviceCaps(DevCaps::BITSPIXEL) * P().GetDeviceCaps(DevCaps::PLANES);
}

int TplSetPrinter::Collate() const
{
    const QByteArray* dm = ReadDevMode();
    return dm ? TConstView(*dm).Collate() : CollateOff;
}

void TplSetPrinter::SetCollate(int v)
{
    EditDevMode(DM_COLLATE, [&](QByteArray& dm) {
        // Collation means nothing with one copy.
        TView view(dm);
        if (view.Copies() >= 2)
            view.SetCollate(TCollate(v));
    });
}

int TplSetPrinter::Copies() const
{
    const QByteArray* dm = ReadDevMode();
    return dm ? TConstView(*dm).Copies() : 1;
}

void TplSetPrinter::SetCopies(int v)
{
    EditDevMode(DM_COPIES, [&](QByteArray& dm) {
        TView view(dm);
        view.SetCopies(v);
        if (v <= 1 && (view.Fields() & DM_COLLATE))
            view.SetCollate(CollateOff);
    });
}

int TplSetPrinter::Duplex() const
{
    const QByteArray* dm = ReadDevMode();
    return dm ? TConstView(*dm).Duplex() : DuplexSimplex;
}

void TplSetPrinter::SetDuplex(int v)
{
    EditDevMode(DM_DUPLEX, [&](QByteArray& dm) { TView(dm).SetDuplex(TDuplex(v)); });
}

// --- User paper forms -------------------------------------------------------------------

bool TplSetPrinter::SetUserPaper(const QString& UserPaperName, int CustomW, int CustomH)
{
    if (FPrintersCount == 0)
        return false;
    // The name must fit the form-name field; a sheet needs a size.
    if (UserPaperName.isEmpty() || UserPaperName.size() > kFormNameChars || CustomW <= 0 || CustomH <= 0
        || CustomW > 32767 || CustomH > 32767)
        return false;
    RegisterUserForm(UserPaperName, CustomW, CustomH);
    const bool result = CheckUserPaperSize(CustomW, CustomH);
    if (!result)
        FCustomPaperName.clear();
    else if (FCustomPaperName.isEmpty())
        FCustomPaperName = UserPaperName;
    return result;
}

bool TplSetPrinter::RegisterUserForm(const QString& name, int w, int h)
{
    d->ReadCurrent();
    int number = -1;
    const bool exists = FindPaperNumber(name, number);
    // Thousandths of a millimetre, printable area the whole sheet.
    const TPaperForm form{name, w * 100, h * 100};
    IPrinterService& service = P().Service();
    if (exists)
        service.SetForm(d->ADevice, form);
    else if (!service.AddForm(d->ADevice, form))
        service.SetForm(d->ADevice, form);

    bool found = false;
    {
        const TDevModeLock lock(*this);
        if (QByteArray* dm = lock.Block()) {
            TView view(*dm);
            view.SetFormName(name);
            found = FindPaperNumber(name, number);
            view.SetPaperSize(found ? number : PaperUser);
            view.SetPaperLength(h);
            view.SetPaperWidth(w);
            FCustomPaperName = name;
            try {
                ApplyDevMode(dm);
            } catch (const std::exception&) {
                found = false;
            }
        }
    }
    PublishDevMode();
    if (!found)
        DeleteUserPaper(name);
    return found;
}

bool TplSetPrinter::CheckUserPaperSize(int w, int h)
{
    const int xres = XResolution(), yres = YResolution();
    if (xres <= 0 || yres <= 0)
        return false;
    // The physical sheet in 0.1 mm, rounded up.
    int pw = (PaperWidth() * 254 + xres - 1) / xres;
    int ph = (PaperHeight() * 254 + yres - 1) / yres;
    if (Orientation() == poLandscape)
        std::swap(pw, ph);
    return w - 2 <= pw && pw <= w + 2 && h - 2 <= ph && ph <= h + 2;
}

bool TplSetPrinter::DeleteUserPaper(const QString& UserPaperName)
{
    if (FPrintersCount == 0)
        return false;
    d->ReadCurrent();
    int number = -1;
    const bool result = FindPaperNumber(UserPaperName, number) && P().Service().DeleteForm(d->ADevice, UserPaperName);
    if (result)
        FCustomPaperName.clear();
    return result;
}

// --- Geometry of the current printer, device pixels ----------------------------------------

namespace {

int caps(int printersCount, int index)
{
    return printersCount <= 0 ? 0 : P().GetDeviceCaps(index);
}

} // namespace

int TplSetPrinter::XResolution() const
{
    return caps(FPrintersCount, DevCaps::LOGPIXELSX);
}

int TplSetPrinter::YResolution() const
{
    return caps(FPrintersCount, DevCaps::LOGPIXELSY);
}

int TplSetPrinter::PaperWidth() const
{
    return caps(FPrintersCount, DevCaps::PHYSICALWIDTH);
}

int TplSetPrinter::PaperHeight() const
{
    return caps(FPrintersCount, DevCaps::PHYSICALHEIGHT);
}

int TplSetPrinter::PageWidth() const
{
    return caps(FPrintersCount, DevCaps::HORZRES);
}

int TplSetPrinter::PageHeight() const
{
    return caps(FPrintersCount, DevCaps::VERTRES);
}

int TplSetPrinter::LeftOffset() const
{
    return caps(FPrintersCount, DevCaps::PHYSICALOFFSETX);
}

int TplSetPrinter::TopOffset() const
{
    return caps(FPrintersCount, DevCaps::PHYSICALOFFSETY);
}

int TplSetPrinter::RightOffset() const
{
    return FPrintersCount <= 0 ? 0 : LeftOffset() + PageWidth();
}

int TplSetPrinter::BottomOffset() const
{
    return FPrintersCount <= 0 ? 0 : TopOffset() + PageHeight();
}
