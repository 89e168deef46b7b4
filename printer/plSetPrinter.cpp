// TplSetPrinter: creation, printer selection, the snapshot and the edit cycle,
// and the three lists.

#include "plSetPrinter.h"

#include "plSetPrinter_p.h"

#include <QCollator>

#include <algorithm>

using namespace DevMode;

namespace {

TPrinter& P()
{
    return TPrinter::Printer();
}

// Upper-cases ASCII letters only, as the name searches compare.
QString upperAscii(QString s)
{
    for (QChar& c : s)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return s;
}

} // namespace

TplSetPrinter::TplSetPrinter(QObject* AOwner) : QObject(AOwner), d(std::make_unique<Private>())
{
    bool ok = false;
    const QList<TPrinterEntry> list = P().Service().Enumerate(&ok);
    FPrintersCount = ok ? int(list.size()) : 0;
}

TplSetPrinter::~TplSetPrinter() = default;

// --- Printer selection -------------------------------------------------------

int TplSetPrinter::PrintersCount() const
{
    bool ok = false;
    const QList<TPrinterEntry> list = P().Service().Enumerate(&ok);
    return ok ? int(list.size()) : 0;
}

// The first visible printer whose name contains text (ASCII letters compared
// upper-cased), with its position counting hidden printers too.
int TplSetPrinter::FindPrinter(const QString& text, QString* name)
{
    if (text.isEmpty())
        return -1;
    bool ok = false;
    const QList<TPrinterEntry> list = P().Service().Enumerate(&ok);
    if (!ok)
        return -1;
    FPrintersCount = int(list.size());
    int found = -1;
    // A printer's own full name finds that printer even when an earlier one
    // contains it ("Laser" and "Laser Pro").
    for (int i = 0; i < list.size() && found < 0; ++i)
        if (!list[i].Hidden && list[i].Name == text)
            found = i;
    const QString wanted = upperAscii(text);
    for (int i = 0; i < list.size() && found < 0; ++i)
        if (!list[i].Hidden && upperAscii(list[i].Name).contains(wanted))
            found = i;
    if (found >= 0 && name)
        *name = list[found].Name;
    return found;
}

QString TplSetPrinter::FindPrinterName(const QString& text)
{
    QString name;
    FindPrinter(text, &name);
    return name;
}

int TplSetPrinter::FindPrinterIndex(const QString& text)
{
    return FindPrinter(text, nullptr);
}

QString TplSetPrinter::CurrentListEntry()
{
    return P().DeviceName();
}

QString TplSetPrinter::PrinterName()
{
    return FindPrinterName(FPrinterName);
}

void TplSetPrinter::SetPrinterName(const QString& v)
{
    if (FPrintersCount == 0)
        return;
    const QString old = FPrinterName;
    const QString found = FindPrinterName(v);
    if (!found.isEmpty()) {
        FPrinterName = found;
    } else {
        P().SetPrinterIndex(-1);
        FPrinterName = FindPrinterName(CurrentListEntry());
    }
    if (FLoading)
        return;
    SelectPrinter();
    RestoreSnapshot();
    if (!Designing && OnPrinterChange && FPrinterName != old)
        OnPrinterChange(this);
}

void TplSetPrinter::SetPrinterNumber(int v)
{
    if (FPrintersCount == 0)
        return;
    const QString old = FPrinterName;
    if (v < 0 || v >= FPrintersCount) {
        P().SetPrinterIndex(-1);
        FPrinterNumber = P().PrinterIndex();
        FPrinterName = FindPrinterName(CurrentListEntry());
    } else {
        FPrinterNumber = v;
        FPrinterName = FindPrinterName(P().Printers().value(v));
    }
    SelectPrinter();
    RestoreSnapshot();
    if (OnPrinterChange && FPrinterName != old)
        OnPrinterChange(this);
}

void TplSetPrinter::SelectPrinter()
{
    FPrinterNumber = FindPrinterIndex(FPrinterName);
    P().SetPrinterIndex(FPrinterNumber);
    d->ReadCurrent();
    if (!d->ADevice.isEmpty())
        P().SetPrinter(d->ADevice, d->ADriver, d->APort, nullptr);
    if (FPrinterNumber == -1) {
        FPrinterName = FindPrinterName(CurrentListEntry());
        FPrinterNumber = P().PrinterIndex();
    }
    // The printer now has a fresh block; the old one is no longer its.
    d->ReadCurrent();
}

void TplSetPrinter::GetPrinterInfo(bool GetFlag)
{
    if (FPrintersCount == 0)
        return;
    FPrinterName = FindPrinterName(CurrentListEntry());
    if (GetFlag) {
        SelectPrinter();
        return;
    }
    TakeSnapshot();
    if (FPrinterName != FdsPrinterName)
        SelectPrinter();
    RestoreSnapshot();
}

// --- Snapshot and the edit cycle ----------------------------------------------

void TplSetPrinter::TakeSnapshot()
{
    if (FPrintersCount == 0)
        return;
    d->ReadCurrent();
    ASettings.clear();
    FDevSize = 0;
    if (!d->hPrtHandle)
        return;
    const QByteArray& dm = *d->hPrtHandle;
    FDevSize = int(dm.size());
    ASettings = dm;
    const TConstView v(dm);
    FOrientation = v.Orientation() == OrientPortrait ? 0 : 1;
    FPaperNumber = v.PaperSize();
    FBinNumber = v.DefaultSource();
}

bool TplSetPrinter::RestoreSnapshot()
{
    if (FPrintersCount == 0)
        return true;
    bool ok = false;
    if (FdsPrinterName == FPrinterName) {
        {
            const TDevModeLock lock(*this, TDevModeLock::AsIs);
            QByteArray* dm = lock.Block();
            FDevSize = dm ? int(dm->size()) : 0;
            ok = true;
            if (FDevSize > 0 && !ASettings.isEmpty()) {
                if (ASettings.size() == FDevSize)
                    *dm = ASettings;
                else
                    ok = false;
            }
            if (ok && dm) {
                try {
                    ApplyDevMode(dm);
                } catch (const std::exception&) {
                    ok = false;
                }
            }
        }
        PublishDevMode();
    }
    if (!ok) {
        // Another printer, another block size or a driver error: the
        // printer's defaults with the remembered orientation, paper and bin.
        ASettings.clear();
        {
            const TDevModeLock lock(*this, TDevModeLock::AsIs);
            QByteArray* dm = lock.Block();
            FDevSize = dm ? int(dm->size()) : 0;
            if (dm && (TConstView(*dm).Fields() & DM_PAPERSIZE)) {
                const QByteArray before = *dm;
                TView v(*dm);
                if (v.Fields() & DM_ORIENTATION)
                    v.SetOrientation(FOrientation == 0 ? OrientPortrait : OrientLandscape);
                v.SetPaperSize(FPaperNumber);
                if (v.Fields() & DM_DEFAULTSOURCE)
                    v.SetDefaultSource(FBinNumber);
                try {
                    ApplyDevMode(dm);
                } catch (const std::exception&) {
                    // No driver to ask: the printer's block as it was.
                    *dm = before;
                    TakeSnapshot();
                }
            } else {
                TakeSnapshot();
            }
        }
        PublishDevMode();
    }
    FdsPrinterName = FPrinterName;
    return ok;
}

bool TplSetPrinter::LockDevMode()
{
    if (FindPrinterName(CurrentListEntry()) != FPrinterName)
        SelectPrinter();
    RestoreSnapshot();
    d->ReadCurrent();
    d->ADevMode = d->hPrtHandle.get();
    return d->ADevMode != nullptr;
}

void TplSetPrinter::UnlockDevMode()
{
    d->ADevMode = nullptr;
}

void TplSetPrinter::MakeCurrent()
{
    const TDevModeLock lock(*this);
}

void TplSetPrinter::PublishDevMode()
{
    if (!d->ADevice.isEmpty())
        P().SetPrinter(d->ADevice, d->ADriver, d->APort, d->hPrtHandle);
}

void TplSetPrinter::ApplyDevMode(QByteArray* dm)
{
    if (!dm)
        return;
    P().Service().DocumentProperties(d->ADevice, *dm);
    TakeSnapshot();
}

void TplSetPrinter::EditDevMode(uint32_t bit, const std::function<void(QByteArray& dm)>& change)
{
    if (FPrintersCount == 0)
        return;
    {
        const TDevModeLock lock(*this);
        if (QByteArray* dm = lock.Block(); dm && (TConstView(*dm).Fields() & bit)) {
            const QByteArray before = *dm;
            change(*dm);
            try {
                ApplyDevMode(dm);
            } catch (const std::exception&) {
                // The printer went away under us: a value it never saw does not stick.
                *dm = before;
            }
        }
    }
    PublishDevMode();
}

const QByteArray* TplSetPrinter::ReadDevMode() const
{
    if (FPrintersCount == 0)
        return nullptr;
    if (!d->hPrtHandle)
        d->ReadCurrent();
    return d->hPrtHandle && Valid(*d->hPrtHandle) ? d->hPrtHandle.get() : nullptr;
}

void TplSetPrinter::CallSetting()
{
    if (FPrintersCount == 0)
        return;
    SelectPrinter();
    RestoreSnapshot();
}

// --- Lists ----------------------------------------------------------------------

const QStringList& TplSetPrinter::PrinterList()
{
    FPrinterList.clear();
    bool ok = false;
    const QList<TPrinterEntry> list = P().Service().Enumerate(&ok);
    if (ok) {
        FPrintersCount = int(list.size());
        for (const TPrinterEntry& e : list)
            if (!e.Hidden)
                FPrinterList.append(e.Name);
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(FPrinterList.begin(), FPrinterList.end(),
                         [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    }
    return FPrinterList;
}

const QStringList& TplSetPrinter::PaperList()
{
    FPaperList.clear();
    if (FPrintersCount == 0)
        return FPaperList;
    const TDevModeLock lock(*this);
    if (const auto caps = P().Service().Caps(d->ADevice))
        for (const TPaperInfo& p : caps->Papers)
            FPaperList.append(p.Name.left(63));
    return FPaperList;
}

const QStringList& TplSetPrinter::BinList()
{
    FBinList.clear();
    if (FPrintersCount == 0)
        return FBinList;
    const TDevModeLock lock(*this);
    if (const auto caps = P().Service().Caps(d->ADevice))
        for (const TBinInfo& b : caps->Bins)
            FBinList.append(b.Name.left(23));
    return FBinList;
}
