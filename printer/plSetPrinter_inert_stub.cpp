// Stand-in until the printer-settings object lands: no printers, every read
// returns its default.
#include "plSetPrinter.h"

TplSetPrinter::TplSetPrinter(QObject* AOwner) : QObject(AOwner), d(nullptr) {}
TplSetPrinter::~TplSetPrinter() = default;
int TplSetPrinter::PrintersCount() const { return 0; }
QString TplSetPrinter::PrinterName() { return FPrinterName; }
void TplSetPrinter::SetPrinterName(const QString& v) { FPrinterName = v; }
int TplSetPrinter::PaperNumber() const { return FPaperNumber; }
void TplSetPrinter::SetPaperNumberProp(int v) { FPaperNumber = v; }
QString TplSetPrinter::PaperName() { return FPaperName; }
int TplSetPrinter::Orientation() const { return FOrientation; }
void TplSetPrinter::SetOrientationProp(int v) { FOrientation = v; }
QString TplSetPrinter::BinName() { return QString(); }
void TplSetPrinter::CallSetting() {}
int TplSetPrinter::XResolution() const { return 0; }
int TplSetPrinter::YResolution() const { return 0; }
int TplSetPrinter::PaperWidth() const { return 0; }
int TplSetPrinter::PaperHeight() const { return 0; }
int TplSetPrinter::PageWidth() const { return 0; }
int TplSetPrinter::PageHeight() const { return 0; }
int TplSetPrinter::LeftOffset() const { return 0; }
int TplSetPrinter::TopOffset() const { return 0; }
int TplSetPrinter::RightOffset() const { return 0; }
int TplSetPrinter::BottomOffset() const { return 0; }
