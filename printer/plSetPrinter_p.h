#pragma once

// Private state of TplSetPrinter, shared by the files that implement it.

#include "plSetPrinter.h"

#include "plPrinter.h"

struct TplSetPrinter::Private {
    // Device, driver and port of the current printer as last read from it,
    // and its device-mode block (owned by the current printer).
    QString ADevice, ADriver, APort;
    TDevModeHandle hPrtHandle;
    // The block while it is locked for reading or editing.
    QByteArray* ADevMode = nullptr;

    // Reads device, driver, port and handle from the current printer.
    void ReadCurrent() { TPrinter::Printer().GetPrinter(ADevice, ADriver, APort, hPrtHandle); }
};

// The device-mode block locked into ADevMode for the lifetime of the object.
class TplSetPrinter::TDevModeLock {
public:
    // After LockDevMode: the object's printer and settings made current first.
    explicit TDevModeLock(TplSetPrinter& owner) : FOwner(owner) { FOwner.LockDevMode(); }
    // The current printer's block as it is.
    enum TAsIs { AsIs };
    TDevModeLock(TplSetPrinter& owner, TAsIs) : FOwner(owner)
    {
        FOwner.d->ReadCurrent();
        FOwner.d->ADevMode = FOwner.d->hPrtHandle.get();
    }
    ~TDevModeLock() { FOwner.UnlockDevMode(); }
    TDevModeLock(const TDevModeLock&) = delete;
    TDevModeLock& operator=(const TDevModeLock&) = delete;

    // The locked block; null with no printer.
    QByteArray* Block() const { return FOwner.d->ADevMode; }

private:
    TplSetPrinter& FOwner;
};
