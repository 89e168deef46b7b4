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
    void ReadCurrent()
    {
        TPrinter::Printer().GetPrinter(ADevice, ADriver, APort, hPrtHandle);
    }
};
