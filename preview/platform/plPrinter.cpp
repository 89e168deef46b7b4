#include "plPrinter.h"

#include "plCupsPrinterService.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <stdexcept>

// A job keeps its own capabilities and device mode: choosing another printer
// or settings while it runs affects the next job only.
struct TPrinter::Job {
    QTemporaryFile file{QDir::tempPath() + QStringLiteral("/mirvak-job-XXXXXX.pdf")};
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    std::shared_ptr<const TPrinterCaps> caps;
    QByteArray devMode;
};

TPrinter::TPrinter() = default;
TPrinter::~TPrinter() = default;

TPrinter& TPrinter::Printer()
{
    static TPrinter printer;
    return printer;
}

void TPrinter::SetService(std::shared_ptr<IPrinterService> s)
{
    if (FPrinting)
        Abort();
    FService = std::move(s);
    FSelected = false;
    FIndex = -1;
    FDevice.clear();
    FDriver.clear();
    FPort.clear();
    FDevMode.reset();
    FDcValid = false;
}

IPrinterService& TPrinter::Service()
{
    if (!FService)
        FService = std::make_shared<TCupsPrinterService>();
    return *FService;
}

std::shared_ptr<IPrinterService> TPrinter::ServicePtr()
{
    Service();
    return FService;
}

QStringList TPrinter::Printers()
{
    QStringList names;
    for (const TPrinterEntry& e : Service().Enumerate())
        names.append(e.Name);
    return names;
}

bool TPrinter::EnsureSelected()
{
    if (!FSelected)
        SetPrinterIndex(-1);
    return FSelected;
}

int TPrinter::PrinterIndex()
{
    return EnsureSelected() ? FIndex : -1;
}

void TPrinter::SetPrinterIndex(int i)
{
    const QList<TPrinterEntry> list = Service().Enumerate();
    FDcValid = false;
    if (list.isEmpty()) {
        FSelected = false;
        FIndex = -1;
        FDevice.clear();
        FDriver.clear();
        FPort.clear();
        FDevMode.reset();
        return;
    }
    if (i < 0 || i >= list.size()) {
        // The system's default printer; without one the first that is offered.
        i = -1;
        for (int k = 0; k < list.size() && i < 0; ++k)
            if (list[k].IsDefault)
                i = k;
        for (int k = 0; k < list.size() && i < 0; ++k)
            if (!list[k].Hidden)
                i = k;
        if (i < 0)
            i = 0;
    }
    FSelected = true;
    FIndex = i;
    FDevice = list[i].Name;
    FDriver = list[i].Driver;
    FPort = list[i].Port;
    FDevMode = std::make_shared<QByteArray>(Service().DefaultDevMode(FDevice));
}

void TPrinter::GetPrinter(QString& device, QString& driver, QString& port, TDevModeHandle& h)
{
    if (!EnsureSelected()) {
        device.clear();
        driver.clear();
        port.clear();
        h.reset();
        return;
    }
    if (!FDevMode)
        FDevMode = std::make_shared<QByteArray>(Service().DefaultDevMode(FDevice));
    device = FDevice;
    driver = FDriver;
    port = FPort;
    h = FDevMode;
}

void TPrinter::SetPrinter(const QString& device, const QString& driver, const QString& port, TDevModeHandle h)
{
    if (FSelected && device == FDevice && port == FPort) {
        // The same printer with another block: its place in the list stays.
        FDriver = driver;
        FDevMode = h ? std::move(h) : std::make_shared<QByteArray>(Service().DefaultDevMode(FDevice));
        FDcValid = false;
        return;
    }
    const QList<TPrinterEntry> list = Service().Enumerate();
    int index = -1;
    for (int k = 0; k < list.size() && index < 0; ++k)
        if (list[k].Name == device)
            index = k;
    for (int k = 0; k < list.size() && index < 0 && !port.isEmpty(); ++k)
        if (list[k].Port == port)
            index = k;
    FSelected = true;
    FIndex = index;
    FDevice = index >= 0 ? list[index].Name : device;
    FDriver = driver;
    FPort = port;
    FDevMode = h ? std::move(h) : std::make_shared<QByteArray>(Service().DefaultDevMode(FDevice));
    FDcValid = false;
}

QString TPrinter::DeviceName()
{
    return EnsureSelected() && FIndex >= 0 ? FDevice : QString();
}

void TPrinter::UpdateDc()
{
    if (!EnsureSelected()) {
        FDcValid = false;
        FDcCaps.reset();
        FDc = {};
        return;
    }
    if (!FDevMode)
        FDevMode = std::make_shared<QByteArray>(Service().DefaultDevMode(FDevice));
    if (FDcValid && FDcDevice == FDevice && FDcBlock == *FDevMode)
        return;
    FDcCaps = Service().Caps(FDevice);
    FDc = FDcCaps ? DevMode::Geometry(*FDcCaps, *FDevMode) : DevMode::TGeometry();
    FDcDevice = FDevice;
    FDcBlock = *FDevMode;
    FDcValid = true;
}

std::shared_ptr<const TPrinterCaps> TPrinter::Caps()
{
    UpdateDc();
    return FDcCaps;
}

DevMode::TGeometry TPrinter::Geometry()
{
    UpdateDc();
    return FDcCaps ? FDc : DevMode::TGeometry();
}

int TPrinter::GetDeviceCaps(int index)
{
    UpdateDc();
    if (!FDcCaps)
        return 0;
    using namespace DevCaps;
    switch (index) {
    case TECHNOLOGY: return DT_RASPRINTER;
    case HORZSIZE: return int(qint64(FDc.HorzRes) * 254 / (FDc.XDpi * 10));
    case VERTSIZE: return int(qint64(FDc.VertRes) * 254 / (FDc.YDpi * 10));
    case HORZRES: return FDc.HorzRes;
    case VERTRES: return FDc.VertRes;
    case BITSPIXEL: return FDc.BitsPixel;
    case PLANES: return FDc.Planes;
    case LOGPIXELSX: return FDc.XDpi;
    case LOGPIXELSY: return FDc.YDpi;
    case PHYSICALWIDTH: return FDc.PaperWidth;
    case PHYSICALHEIGHT: return FDc.PaperHeight;
    case PHYSICALOFFSETX: return FDc.OffsetX;
    case PHYSICALOFFSETY: return FDc.OffsetY;
    default: return 0;
    }
}

void TPrinter::BeginDoc()
{
    if (FPrinting)
        throw std::runtime_error("A print job is already in progress.");
    UpdateDc();
    if (!FSelected)
        throw std::runtime_error("There is no printer: the print spooler cannot be reached, or it lists none.");
    if (!FDcCaps)
        throw std::runtime_error(QStringLiteral("The printer \"%1\" does not exist.").arg(FDevice).toStdString());

    auto job = std::make_unique<Job>();
    job->caps = FDcCaps;
    job->devMode = *FDevMode;
    if (!job->file.open())
        throw std::runtime_error("Cannot create a temporary file for the print job.");
    const DevMode::TGeometry& g = FDc;
    job->writer = std::make_unique<QPdfWriter>(&job->file);
    job->writer->setResolution(g.XDpi);
    job->writer->setTitle(Title);
    job->writer->setCreator(QStringLiteral("Mirvak"));
    const QPageSize size(QSizeF(g.SheetWidth / 100.0, g.SheetLength / 100.0), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    // Margins in points, so that the device origin falls on the printable
    // area's corner to the pixel.
    const QMarginsF margins(g.OffsetX * 72.0 / g.XDpi, g.OffsetY * 72.0 / g.YDpi,
                            (g.PaperWidth - g.OffsetX - g.HorzRes) * 72.0 / g.XDpi,
                            (g.PaperHeight - g.OffsetY - g.VertRes) * 72.0 / g.YDpi);
    const QPageLayout layout(size, g.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins,
                             QPageLayout::Point);
    if (!job->writer->setPageLayout(layout))
        throw std::runtime_error("The printer's page layout is not valid.");
    if (!job->painter.begin(job->writer.get()))
        throw std::runtime_error("Cannot start the print job's page.");
    if (g.YDpi != g.XDpi)
        job->painter.scale(1.0, double(g.XDpi) / g.YDpi);
    FJob = std::move(job);
    FPrinting = true;
    FAborted = false;
    FPageNumber = 1;
}

void TPrinter::NewPage()
{
    if (!FPrinting)
        throw std::runtime_error("No print job is in progress.");
    FJob->writer->newPage();
    ++FPageNumber;
}

void TPrinter::EndJob()
{
    if (FJob && FJob->painter.isActive())
        FJob->painter.end();
    FJob.reset();
    FPrinting = false;
}

void TPrinter::EndDoc()
{
    if (!FPrinting)
        throw std::runtime_error("No print job is in progress.");
    FJob->painter.end();
    FJob->writer.reset(); // writes the rest of the file
    FJob->file.flush();
    TJobOptions options = DevMode::JobOptions(*FJob->caps, FJob->devMode);
    options.Title = Title;
    options.Progress = SendProgress;
    const QString device = FJob->caps->Name;
    const QString file = FJob->file.fileName();
    try {
        FLastJobId = Service().SubmitJob(device, file, options);
    } catch (...) {
        EndJob();
        throw;
    }
    EndJob();
}

void TPrinter::Abort()
{
    if (!FPrinting)
        return;
    EndJob();
    FAborted = true;
}

QPainter* TPrinter::Canvas()
{
    return FPrinting ? &FJob->painter : nullptr;
}
