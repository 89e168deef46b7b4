#include "plPrev.h"

#include "plPrinterStream.h"
#include "plSetPrinter.h"

#include <stdexcept>

// The printer-settings snapshot in the component stream's text form.

QString TCustomplPrev::PrinterSettingsToText()
{
    if (!FplSetPrinter)
        return QString();
    try {
        return PrinterStreamToText(FplSetPrinter->WriteStream());
    } catch (const std::exception&) {
        return QString();
    }
}

void TCustomplPrev::PrinterSettingsFromText(const QString& T)
{
    if (!FplSetPrinter)
        return;
    try {
        FplSetPrinter->ReadStream(PrinterStreamFromText(T));
    } catch (const std::exception&) {
        // A snapshot that does not read leaves what was read of it.
    }
}

void TCustomplPrev::Loaded()
{
    FSavePrinterNameStr = PrinterSettingsToText();
}
