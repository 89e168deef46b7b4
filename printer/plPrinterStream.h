#pragma once

// The "TPF0" component stream of a printer-settings object as plain values:
// signature, class name "TplSetPrinter", component name, the published
// PrinterName (only when not empty), DevDataSize, ADevData (the device-mode
// snapshot) and DesignValue (printer name, orientation, paper name, paper
// number, bin number, driver version), then the two end bytes.

#include "plStreamValues.h"

#include <QByteArray>
#include <QString>

#include <functional>

struct TPrinterStreamValues {
    QString Name;        // component name
    QString PrinterName; // the published PrinterName; not written when empty
    int DevSize = 0;     // DevDataSize
    QByteArray Settings; // ADevData
    // DesignValue
    QString FPrinterName;
    int FOrientation = 0; // 0 portrait, 1 landscape
    QString FPaperName;
    int FPaperNumber = 0;
    int FBinNumber = 0;
    int FDriverVersion = 0;
    // Set by reading a complete DesignValue: the printer the snapshot belongs to.
    QString FdsPrinterName;
};

QByteArray WritePrinterStream(const TPrinterStreamValues& v);

// Receives the value of a PrinterName property while a stream is read and
// returns the object's printer name after taking it.
using TPrinterNameWrite = std::function<QString(const QString& value)>;

// Reads a stream into v, property by property in stream order:
// - PrinterName: v.PrinterName := the value, v.FPrinterName := what
//   writePrinterName returns (the value itself when it is empty).
// - DevDataSize: v.DevSize := the integer, 0 when it is not an integer.
// - ADevData: the old snapshot is dropped; the block becomes the snapshot
//   only when its length equals v.DevSize, otherwise DevSize becomes 0.
// - DesignValue: the six values; orientation (its low byte) and
//   FdsPrinterName := FPrinterName only when the whole list was read. A
//   faulty list keeps the values read before the fault and is passed over.
// Throws TStreamError for a wrong signature, an unknown property, a length
// beyond the bytes left, anything else malformed, or bytes after the end.
// The values read before the error stay in v.
void ReadPrinterStream(QByteArrayView data, TPrinterStreamValues& v, const TPrinterNameWrite& writePrinterName = {});

// Lossless text form of a stream (base64), for keeping it in a string.
QString PrinterStreamToText(const QByteArray& stream);
// The stream back from its text form; empty when the text is not one.
QByteArray PrinterStreamFromText(const QString& text);
