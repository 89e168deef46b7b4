#include "plPrev.h"

#include "plPrinter.h"
#include "plSetPrinter.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace {

QSize ScreenSize()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QSize();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

// Name of the platform's current printer.
QString CurrentPrinterName()
{
    TPrinter& printer = TPrinter::Printer();
    return printer.Printers().value(printer.PrinterIndex());
}

} // namespace

TCustomplPrev::TCustomplPrev(QObject* AOwner) : QObject(AOwner)
{
    FUseOriginPaperSize = false;
    FTempSetPrinter = new TplSetPrinter(this);
    FTempSetPrinter->SetName(QStringLiteral("Default"));
    FNoPrinter = FTempSetPrinter->PrintersCount() == 0;
    if (!FNoPrinter)
        FTempSetPrinter->SetPrinterName(CurrentPrinterName());

    FDrawType = dtNone;
    FPageCount = 1;
    FPageNumber = 1;
    FPrintFromPage = 0;
    FPrintToPage = 0;
    FViewWidth = 0;
    FViewHeight = 0;
    FCursor = Qt::WaitCursor;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QGuiApplication::overrideCursor())
        SaveCursor = QGuiApplication::overrideCursor()->shape();
    FDesignedPaperWidth = 0;
    FDesignedPaperHeight = 0;

    const QSize screen = ScreenSize();
    FormWidth = screen.width() * 2 / 3;
    FormHeight = screen.height() * 2 / 3;
    StatusBarText.clear();

    SetplSetPrinter(nullptr);
}

TCustomplPrev::~TCustomplPrev()
{
    QObject::disconnect(FPrinterLink);
    FCanvas.reset();
    MetaImageList.clear();
    FFormIcon = QIcon();
    RestoreCursor();
}

int TCustomplPrev::Roundoff(double X)
{
    return X >= 0 ? int(std::trunc(X + 0.5)) : int(std::trunc(X - 0.5));
}

// --- Properties with behaviour ----------------------------------------------

void TCustomplPrev::SetplSetPrinter(TplSetPrinter* v)
{
    QObject::disconnect(FPrinterLink);
    if (!v || FNoPrinter) {
        FplSetPrinter = FTempSetPrinter;
    } else {
        FplSetPrinter = v;
        if (v != FTempSetPrinter)
            FPrinterLink = connect(v, &QObject::destroyed, this, [this] { PrinterDestroyed(); });
    }
    FViewWidth = 0;
    FViewHeight = 0;
    UpdatePaperValues();
}

// The linked object is going away: the document's own one takes over.
void TCustomplPrev::PrinterDestroyed()
{
    FplSetPrinter = nullptr;
    SetplSetPrinter(nullptr);
}

void TCustomplPrev::SetViewWidth(int v)
{
    if (v >= 0)
        FViewWidth = v;
}

void TCustomplPrev::SetViewHeight(int v)
{
    if (v >= 0)
        FViewHeight = v;
}

double TCustomplPrev::ViewPaperRatio() const
{
    if (double(FViewWidth) * FViewHeight > 0)
        return double(FViewHeight) / FViewWidth;
    return FPaperWidth != 0 ? double(FPaperHeight) / FPaperWidth : 0.0;
}

void TCustomplPrev::SetPageCount(int v)
{
    if (v > 0 && FDrawType != dtCont)
        FPageCount = v;
}

void TCustomplPrev::SetInversePrint(bool v)
{
    if (v == FInversePrint)
        return;
    FInversePrint = v;
    UpdatePaperValues();
}

void TCustomplPrev::SetMargin(int Index, int Value)
{
    int* field = nullptr;
    switch (Index) {
    case 1: field = &FTopMargin; break;
    case 2: field = &FBottomMargin; break;
    case 3: field = &FLeftMargin; break;
    case 4: field = &FRightMargin; break;
    case 5: field = &FHeaderMargin; break;
    case 6: field = &FFooterMargin; break;
    default: return;
    }
    if (*field != Value)
        *field = Value;
}

bool TCustomplPrev::AcrobatOut() const
{
    return FplSetPrinter && FplSetPrinter->PrinterName().toUpper().contains(QLatin1String("ACROBAT"));
}

bool TCustomplPrev::DoPrepare()
{
    return true;
}

// --- Screen cursor ---------------------------------------------------------------

void TCustomplPrev::ShowWorkCursor()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (FCursorShown) {
        QGuiApplication::changeOverrideCursor(QCursor(FCursor));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(FCursor));
        FCursorShown = true;
    }
}

void TCustomplPrev::RestoreCursor()
{
    if (!FCursorShown)
        return;
    FCursorShown = false;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}
