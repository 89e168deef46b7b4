#include "plPrev.h"

// The printer-settings snapshot in the component stream's text form.

QString TCustomplPrev::PrinterSettingsToText()
{
    return QString();
}

void TCustomplPrev::PrinterSettingsFromText(const QString&) {}

void TCustomplPrev::Loaded()
{
    FSavePrinterNameStr = PrinterSettingsToText();
}
