#pragma once

// The process-wide current printer: the spooler's printer list, the selected
// printer with its device-mode block, the device context's values in that
// device mode, and print jobs on it. Printing, the print dialogs and the
// printer-settings object all share this one object.

#include "plDevMode.h"
#include "plPrinterService.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QPainter;

// The device-mode block (the DEVMODEW public part followed by the printer's
// private bytes).
using TDevModeHandle = std::shared_ptr<QByteArray>;

// Indices for TPrinter::GetDeviceCaps.
namespace DevCaps {
enum : int {
    TECHNOLOGY = 2,
    HORZSIZE = 4, // printable width in millimetres
    VERTSIZE = 6,
    HORZRES = 8, // printable area in device pixels
    VERTRES = 10,
    BITSPIXEL = 12,
    PLANES = 14,
    LOGPIXELSX = 88, // dots per inch
    LOGPIXELSY = 90,
    PHYSICALWIDTH = 110, // whole sheet in device pixels
    PHYSICALHEIGHT = 111,
    PHYSICALOFFSETX = 112, // sheet edge to the printable area
    PHYSICALOFFSETY = 113,
};
constexpr int DT_RASPRINTER = 2;
} // namespace DevCaps

class TPrinter {
public:
    static TPrinter& Printer(); // the process-wide current printer
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // Tests swap in the deterministic service; the default is CUPS. Swapping
    // drops the current selection.
    void SetService(std::shared_ptr<IPrinterService> s);
    IPrinterService& Service();
    // The service in use, shared (made on first use like Service()).
    std::shared_ptr<IPrinterService> ServicePtr();

    QStringList Printers();      // names in enumeration order, hidden ones included
    int PrinterIndex();          // current index; selects the default printer first when none is selected
    void SetPrinterIndex(int i); // -1 (or any index out of range): the system's default printer
    void GetPrinter(QString& device, QString& driver, QString& port, TDevModeHandle& h);
    // An empty h makes a fresh block with the driver's defaults; a given h is
    // taken over.
    void SetPrinter(const QString& device, const QString& driver, const QString& port, TDevModeHandle h);
    // Of the current printer in its current device mode; 0 with no printer.
    int GetDeviceCaps(int index);
    // The current printer's name: its entry in Printers() at PrinterIndex(),
    // empty with no printer.
    QString DeviceName();

    // The current printer's capabilities (null with no printer) and its
    // device context's values.
    std::shared_ptr<const TPrinterCaps> Caps();
    DevMode::TGeometry Geometry();

    // Print jobs on the current printer. BeginDoc throws std::runtime_error
    // with no printer; EndDoc throws when the spooler refuses the job.
    QString Title;
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    // Passed with the job at EndDoc: see TJobOptions::Progress.
    std::function<bool(qint64 sent, qint64 size)> SendProgress;
    bool Printing() const { return FPrinting; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }
    int LastJobId() const { return FLastJobId; }
    // Valid between BeginDoc and EndDoc: device pixels at the printer's
    // resolution, origin at the printable area's top-left corner, page size
    // the selected sheet in the current orientation.
    QPainter* Canvas();

private:
    TPrinter();
    bool EnsureSelected();
    void UpdateDc();
    void EndJob();

    std::shared_ptr<IPrinterService> FService;
    bool FSelected = false;
    int FIndex = -1;
    QString FDevice, FDriver, FPort;
    TDevModeHandle FDevMode;

    // The device context: valid while the printer and the block it was made
    // from stay the same.
    bool FDcValid = false;
    QString FDcDevice;
    QByteArray FDcBlock;
    std::shared_ptr<const TPrinterCaps> FDcCaps;
    DevMode::TGeometry FDc;

    struct Job;
    std::unique_ptr<Job> FJob;
    bool FPrinting = false;
    bool FAborted = false;
    int FPageNumber = 0;
    int FLastJobId = 0;
};
