// The printer service and the current printer, against the private spooler
// (Office Laser: A4, 600 dpi, colour, duplex, four trays; Mono Letter:
// Letter, 300 dpi, monochrome, one-sided, no trays) and, where the spooler
// cannot be made to, against the in-memory service.

#include "plCupsPrinterService.h"
#include "plDevMode.h"
#include "plFileOutputService.h"
#include "plMemoryPrinterService.h"
#include "plPrinter.h"
#include "support/HungServer.h"
#include "support/SpoolerOutput.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QPainter>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

using namespace DevMode;

namespace {

// The current printer is process-wide: every test leaves it on CUPS.
class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override { TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>()); }
    void TearDown() override { TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>()); }

    static TPrinter& P() { return TPrinter::Printer(); }

    // Selects a printer by name with its defaults, then applies edit to its block.
    static void Select(const QString& name, const std::function<void(QByteArray&)>& edit = {})
    {
        const int i = P().Printers().indexOf(name);
        ASSERT_GE(i, 0) << name.toStdString();
        P().SetPrinterIndex(i);
        QString device, driver, port;
        TDevModeHandle h;
        P().GetPrinter(device, driver, port, h);
        if (edit) {
            edit(*h);
            P().Service().DocumentProperties(device, *h);
        }
        P().SetPrinter(device, driver, port, h);
    }

    static int PaperUnits(int pixels, int dpi) { return int(std::lround(pixels * 254.0 / dpi)); }
};

TEST_F(PrinterTest, ListsTheSpoolersPrintersInOrderAndSelectsTheDefault)
{
    EXPECT_EQ(P().Printers(), (QStringList{"Mono Letter", "Office Laser"}));
    const QList<TPrinterEntry> entries = P().Service().Enumerate();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[1].Port, "Office_Laser");
    EXPECT_EQ(entries[1].Driver, "Mirvak Office Laser");
    EXPECT_TRUE(entries[1].IsDefault);
    EXPECT_FALSE(entries[0].Hidden);

    P().SetPrinterIndex(-1);
    EXPECT_EQ(P().PrinterIndex(), 1);
    QString device, driver, port;
    TDevModeHandle h;
    P().GetPrinter(device, driver, port, h);
    EXPECT_EQ(device, "Office Laser");
    EXPECT_EQ(port, "Office_Laser");
    ASSERT_TRUE(h);
    EXPECT_EQ(TConstView(*h).PaperSize(), 9);
    EXPECT_EQ(TConstView(*h).DeviceName(), "Office Laser");
    EXPECT_EQ(TConstView(*h).Size(), 220);
    EXPECT_EQ(TConstView(*h).DriverExtra(), h->size() - 220);

    // An empty handle gives a fresh block with the driver's defaults.
    TView(*h).SetPaperSize(8);
    P().SetPrinter(device, driver, port, nullptr);
    P().GetPrinter(device, driver, port, h);
    EXPECT_EQ(TConstView(*h).PaperSize(), 9);
}

TEST_F(PrinterTest, PaperAndBinTablesComeFromThePrinter)
{
    const auto caps = P().Service().Caps("Office Laser");
    ASSERT_TRUE(caps);
    QList<int> numbers;
    QStringList names;
    for (const TPaperInfo& p : caps->Papers) {
        numbers.append(p.Number);
        names.append(p.Name);
    }
    EXPECT_EQ(numbers, (QList<int>{9, 1, 5, 8, 11, 13, 43}));
    EXPECT_EQ(names, (QStringList{"A4", "Letter", "Legal", "A3", "A5", "B5 (JIS)", "Japanese Postcard"}));
    QList<int> bins;
    QStringList binNames;
    for (const TBinInfo& b : caps->Bins) {
        bins.append(b.Number);
        binNames.append(b.Name);
    }
    EXPECT_EQ(bins, (QList<int>{7, 257, 258, 4}));
    EXPECT_EQ(binNames, (QStringList{"Automatic", "Tray 1", "Tray 2", "Manual Feed"}));
    EXPECT_EQ(caps->DefaultPaper, 9);
    EXPECT_EQ(caps->DefaultBin, 7);
    EXPECT_TRUE(caps->CustomSize);
    EXPECT_EQ(QSize(caps->CustomMinWidth, caps->CustomMinLength), QSize(5080, 5080));
    EXPECT_EQ(QSize(caps->CustomMaxWidth, caps->CustomMaxLength), QSize(29704, 42016));

    const auto mono = P().Service().Caps("Mono_Letter"); // the queue name finds it too
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->Name, "Mono Letter");
    EXPECT_EQ(mono->DefaultPaper, 1);
    EXPECT_TRUE(mono->Bins.isEmpty());
    EXPECT_FALSE(mono->Color);
    EXPECT_FALSE(mono->Duplex());
    EXPECT_EQ(mono->Resolutions, (QList<QPoint>{QPoint(300, 300)}));
    EXPECT_FALSE(P().Service().Caps("No Such Printer"));
}

// The geometry in device pixels and the paper units the document derives.
TEST_F(PrinterTest, GeometryFollowsPaperMarginsResolutionAndOrientation)
{
    struct Case {
        const char* printer;
        bool landscape;
        int dpi, paperW, paperH, offX, offY, horz, vert;
        int puW, puH, puOffX, puOffY, puPageW, puPageH;
    } cases[] = {
        // A4 with 5 mm margins at 600 dpi
        {"Office Laser", false, 600, 4960, 7015, 118, 118, 4724, 6779, 2100, 2970, 50, 50, 2000, 2870},
        {"Office Laser", true, 600, 7015, 4960, 118, 118, 6779, 4724, 2970, 2100, 50, 50, 2870, 2000},
        // Letter with 1/4 inch margins at 300 dpi
        {"Mono Letter", false, 300, 2550, 3300, 75, 75, 2400, 3150, 2159, 2794, 64, 64, 2032, 2667},
        {"Mono Letter", true, 300, 3300, 2550, 75, 75, 3150, 2400, 2794, 2159, 64, 64, 2667, 2032},
    };
    using namespace DevCaps;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.printer) + (c.landscape ? " landscape" : " portrait"));
        Select(c.printer,
               [&](QByteArray& dm) { TView(dm).SetOrientation(c.landscape ? OrientLandscape : OrientPortrait); });
        EXPECT_EQ(P().GetDeviceCaps(LOGPIXELSX), c.dpi);
        EXPECT_EQ(P().GetDeviceCaps(LOGPIXELSY), c.dpi);
        EXPECT_EQ(P().GetDeviceCaps(PHYSICALWIDTH), c.paperW);
        EXPECT_EQ(P().GetDeviceCaps(PHYSICALHEIGHT), c.paperH);
        EXPECT_EQ(P().GetDeviceCaps(PHYSICALOFFSETX), c.offX);
        EXPECT_EQ(P().GetDeviceCaps(PHYSICALOFFSETY), c.offY);
        EXPECT_EQ(P().GetDeviceCaps(HORZRES), c.horz);
        EXPECT_EQ(P().GetDeviceCaps(VERTRES), c.vert);
        EXPECT_EQ(PaperUnits(P().GetDeviceCaps(PHYSICALWIDTH), c.dpi), c.puW);
        EXPECT_EQ(PaperUnits(P().GetDeviceCaps(PHYSICALHEIGHT), c.dpi), c.puH);
        EXPECT_EQ(PaperUnits(P().GetDeviceCaps(PHYSICALOFFSETX), c.dpi), c.puOffX);
        EXPECT_EQ(PaperUnits(P().GetDeviceCaps(PHYSICALOFFSETY), c.dpi), c.puOffY);
        EXPECT_EQ(PaperUnits(P().GetDeviceCaps(HORZRES), c.dpi), c.puPageW);
        EXPECT_EQ(PaperUnits(P().GetDeviceCaps(VERTRES), c.dpi), c.puPageH);
    }
    Select("Office Laser");
    EXPECT_EQ(P().GetDeviceCaps(BITSPIXEL) * P().GetDeviceCaps(PLANES), 24);
    Select("Mono Letter");
    EXPECT_EQ(P().GetDeviceCaps(BITSPIXEL) * P().GetDeviceCaps(PLANES), 1);
}

// What a printer does not offer is replaced by its default and its support
// bit is missing from the result.
TEST_F(PrinterTest, DriverPassReplacesWhatThePrinterDoesNotOffer)
{
    struct Case {
        const char* printer;
        int paper, color, duplex, bin;
        bool colorBit, duplexBit, binBit;
    } cases[] = {
        {"Office Laser", 8, 2, 2, 258, true, true, true},
        {"Mono Letter", 1, 1, 1, 7, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printer);
        QByteArray dm = P().Service().DefaultDevMode(c.printer);
        const int size = dm.size();
        TView v(dm);
        v.SetFields(v.Fields() | DM_PAPERSIZE | DM_COLOR | DM_DUPLEX | DM_DEFAULTSOURCE);
        v.SetPaperSize(8); // A3
        v.SetColor(ColorColor);
        v.SetDuplex(DuplexVertical);
        v.SetDefaultSource(258); // tray 2
        P().Service().DocumentProperties(c.printer, dm);
        EXPECT_EQ(dm.size(), size);
        EXPECT_EQ(v.PaperSize(), c.paper);
        EXPECT_EQ(v.Color(), c.color);
        EXPECT_EQ(v.Duplex(), c.duplex);
        EXPECT_EQ(v.DefaultSource(), c.bin);
        EXPECT_EQ(bool(v.Fields() & DM_COLOR), c.colorBit);
        EXPECT_EQ(bool(v.Fields() & DM_DUPLEX), c.duplexBit);
        EXPECT_EQ(bool(v.Fields() & DM_DEFAULTSOURCE), c.binBit);
        EXPECT_TRUE(v.Fields() & DM_PAPERSIZE);
    }
}

// Options without a public field live in the private bytes and survive a pass
// only with a value the printer offers.
TEST_F(PrinterTest, PrivateOptionsSurviveTheDriverPass)
{
    QByteArray dm = P().Service().DefaultDevMode("Office Laser");
    EXPECT_EQ(PrivateOption(dm, "number-up"), "1");
    ASSERT_TRUE(SetPrivateOption(dm, "number-up", "2"));
    P().Service().DocumentProperties("Office Laser", dm);
    EXPECT_EQ(PrivateOption(dm, "number-up"), "2");
    ASSERT_TRUE(SetPrivateOption(dm, "number-up", "3"));
    P().Service().DocumentProperties("Office Laser", dm);
    EXPECT_EQ(PrivateOption(dm, "number-up"), "1");
    EXPECT_FALSE(SetPrivateOption(dm, "no-such-option", "x"));

    // A block cut short keeps its public part and loses nothing else.
    QByteArray cut = dm.left(230);
    EXPECT_TRUE(PrivateOptions(cut).isEmpty());
    P().Service().DocumentProperties("Office Laser", cut);
    EXPECT_EQ(cut.size(), dm.size());
}

TEST_F(PrinterTest, ThreePageJobReachesTheSpoolerWithTextWhereDrawn)
{
    Select("Office Laser");
    const DevMode::TGeometry g = P().Geometry();
    const int dpi = g.XDpi;
    // Paper units (0.1 mm from the sheet's corner) to canvas pixels.
    auto px = [&](double pu, int offset) { return pu * dpi / 254.0 - offset; };

    P().Title = "Three pages";
    P().BeginDoc();
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            P().NewPage();
        QPainter* c = P().Canvas();
        ASSERT_TRUE(c);
        c->setPen(QPen(Qt::black, 0.5 * dpi / 25.4));
        c->drawLine(QPointF(px(300, g.OffsetX), px(1000, g.OffsetY)),
                    QPointF(px(1500, g.OffsetX), px(1000, g.OffsetY)));
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(int(std::lround(12.0 * dpi / 72)));
        c->setFont(f);
        c->drawText(QPointF(px(400 + 100 * page, g.OffsetX), px(500, g.OffsetY)), QStringLiteral("Page%1").arg(page));
    }
    EXPECT_EQ(P().PageNumber(), 3);
    P().EndDoc();
    EXPECT_FALSE(P().Printing());

    const QString pdf = SpoolerOutput::WaitForJob("Office_Laser", P().LastJobId());
    ASSERT_FALSE(pdf.isEmpty()) << "job " << P().LastJobId() << " did not reach the spooler's output";
    const SpoolerOutput::TPdfInfo info = SpoolerOutput::Info(pdf);
    ASSERT_EQ(info.Pages, 3);
    for (const QSizeF& s : info.PageSizes) {
        EXPECT_NEAR(s.width() * 25.4 / 72, 210, 0.5);
        EXPECT_NEAR(s.height() * 25.4 / 72, 297, 0.5);
    }
    const QList<SpoolerOutput::TWord> words = SpoolerOutput::Words(pdf);
    ASSERT_EQ(words.size(), 3);
    for (const SpoolerOutput::TWord& w : words) {
        SCOPED_TRACE(w.Text.toStdString());
        EXPECT_EQ(w.Text, QStringLiteral("Page%1").arg(w.Page));
        EXPECT_NEAR(w.Box.left() * 25.4 / 72, (400 + 100 * w.Page) / 10.0, 0.5);
        // The baseline lies between the box's top and bottom, nearer the bottom.
        const double baseline = 50.0, top = w.Box.top() * 25.4 / 72, bottom = w.Box.bottom() * 25.4 / 72;
        EXPECT_NEAR(bottom - (bottom - top) * 0.2, baseline, 0.5);
    }
    // The line: dark on it, white a millimetre below it.
    const QImage img = SpoolerOutput::Render(pdf, 2, 254); // 10 pixels a millimetre
    ASSERT_FALSE(img.isNull());
    EXPECT_LT(qGray(img.pixel(900, 1000)), 128);
    EXPECT_GT(qGray(img.pixel(900, 1010)), 200);
    EXPECT_GT(qGray(img.pixel(200, 1000)), 200);

    const QMap<QString, QString> opts = SpoolerOutput::JobOptions("Office_Laser", P().LastJobId());
    EXPECT_EQ(opts.value("title"), "Three pages");
    EXPECT_EQ(opts.value("PageSize"), "A4");
    EXPECT_EQ(opts.value("print-color-mode"), "color");
}

// Tray, sides, colour, copies and collation of the device mode go with the job.
TEST_F(PrinterTest, JobCarriesTheDeviceModesSettings)
{
    Select("Office Laser", [](QByteArray& dm) {
        TView v(dm);
        v.SetPaperSize(11);
        v.SetOrientation(OrientLandscape);
        v.SetDefaultSource(258);
        v.SetDuplex(DuplexHorizontal);
        v.SetColor(ColorMonochrome);
        v.SetCopies(2);
        v.SetCollate(CollateOff);
    });
    P().Title = "Settings";
    P().BeginDoc();
    P().Canvas()->drawText(QPointF(100, 100), QStringLiteral("Landscape"));
    P().EndDoc();
    const QString pdf = SpoolerOutput::WaitForJob("Office_Laser", P().LastJobId());
    ASSERT_FALSE(pdf.isEmpty());
    const SpoolerOutput::TPdfInfo info = SpoolerOutput::Info(pdf);
    ASSERT_EQ(info.PageSizes.size(), 1);
    EXPECT_NEAR(info.PageSizes[0].width() * 25.4 / 72, 210, 0.5); // A5 landscape
    EXPECT_NEAR(info.PageSizes[0].height() * 25.4 / 72, 148, 0.5);
    const QMap<QString, QString> opts = SpoolerOutput::JobOptions("Office_Laser", P().LastJobId());
    EXPECT_EQ(opts.value("PageSize"), "A5");
    EXPECT_EQ(opts.value("InputSlot"), "Tray2");
    EXPECT_EQ(opts.value("sides"), "two-sided-short-edge");
    EXPECT_EQ(opts.value("print-color-mode"), "monochrome");
    EXPECT_EQ(opts.value("copies"), "2");
    EXPECT_EQ(opts.value("multiple-document-handling"), "separate-documents-uncollated-copies");
    EXPECT_EQ(opts.value("orientation-requested"), "4");

    // A portrait job leaves the printer's own orientation alone.
    Select("Office Laser", [](QByteArray& dm) { TView(dm).SetOrientation(OrientPortrait); });
    P().BeginDoc();
    P().Canvas()->drawText(QPointF(100, 100), QStringLiteral("Portrait"));
    P().EndDoc();
    ASSERT_FALSE(SpoolerOutput::WaitForJob("Office_Laser", P().LastJobId()).isEmpty());
    EXPECT_FALSE(SpoolerOutput::JobOptions("Office_Laser", P().LastJobId()).contains("orientation-requested"));
}

// A user paper form is listed under its own number and prints as a custom size.
TEST_F(PrinterTest, UserFormPrintsAsCustomSize)
{
    IPrinterService& service = P().Service();
    const TPaperForm form{"Job Card", 100000, 150000};
    ASSERT_TRUE(service.AddForm("Office Laser", form));
    EXPECT_FALSE(service.AddForm("Office Laser", form)); // exists
    EXPECT_FALSE(service.AddForm("Mono Letter", form));  // no custom sizes there
    const auto caps = service.Caps("Office Laser");
    ASSERT_TRUE(caps);
    const TPaperInfo& paper = caps->Papers.last();
    EXPECT_EQ(paper.Name, "Job Card");
    EXPECT_TRUE(paper.Form);
    EXPECT_GT(paper.Number, 256);

    Select("Office Laser", [&](QByteArray& dm) { TView(dm).SetPaperSize(paper.Number); });
    EXPECT_EQ(P().GetDeviceCaps(DevCaps::PHYSICALWIDTH), 2362); // 100 mm at 600 dpi
    P().Title = "Card";
    P().BeginDoc();
    P().Canvas()->drawText(QPointF(100, 100), QStringLiteral("Card"));
    P().EndDoc();
    EXPECT_TRUE(service.DeleteForm("Office Laser", "Job Card"));
    EXPECT_FALSE(service.DeleteForm("Office Laser", "Job Card"));

    const QString pdf = SpoolerOutput::WaitForJob("Office_Laser", P().LastJobId());
    ASSERT_FALSE(pdf.isEmpty());
    const SpoolerOutput::TPdfInfo info = SpoolerOutput::Info(pdf);
    ASSERT_EQ(info.PageSizes.size(), 1);
    EXPECT_NEAR(info.PageSizes[0].width() * 25.4 / 72, 100, 0.5);
    EXPECT_NEAR(info.PageSizes[0].height() * 25.4 / 72, 150, 0.5);
    const QMap<QString, QString> opts = SpoolerOutput::JobOptions("Office_Laser", P().LastJobId());
    EXPECT_EQ(opts.value("PageSize"), "Custom.283x425"); // points
    EXPECT_FALSE(opts.contains("page-delivery"));        // left to the printer
}

// A service whose printers are the spooler's but whose jobs go nowhere.
class NoSpoolerForJobs : public TCupsPrinterService {
public:
    int SubmitJob(const QString& printer, const QString& pdf, const TJobOptions& o) override
    {
        return TCupsPrinterService("/nonexistent/mirvak/cups.sock").SubmitJob(printer, pdf, o);
    }
};

TEST_F(PrinterTest, FailingSubmissionsRaiseErrors)
{
    // The spooler is gone between BeginDoc and EndDoc.
    P().SetService(std::make_shared<NoSpoolerForJobs>());
    P().SetPrinterIndex(-1);
    P().BeginDoc();
    EXPECT_THROW(P().EndDoc(), std::runtime_error);
    EXPECT_FALSE(P().Printing());

    // The printer is gone.
    P().SetService(std::make_shared<TCupsPrinterService>());
    P().SetPrinter("Gone Printer", "", "Gone_Printer", nullptr);
    EXPECT_EQ(P().GetDeviceCaps(DevCaps::LOGPIXELSX), 0);
    EXPECT_THROW(P().BeginDoc(), std::runtime_error);

    // The printer refuses the job.
    auto memory = std::make_shared<TMemoryPrinterService>();
    memory->Printers = {TMemoryPrinterService::ColorLaser("Laser", "laser")};
    memory->Printers[0].RefuseJobs = true;
    P().SetService(memory);
    P().BeginDoc();
    try {
        P().EndDoc();
        ADD_FAILURE() << "a refused job reported success";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("refused"), std::string::npos) << e.what();
    }
    P().BeginDoc();
    P().Abort();
    EXPECT_TRUE(P().Aborted());
    EXPECT_TRUE(memory->Jobs.isEmpty());
}

TEST_F(PrinterTest, WithoutAServerThereAreNoPrinters)
{
    for (const char* server : {"/nonexistent/mirvak/cups.sock", "127.0.0.1:1"}) {
        SCOPED_TRACE(server);
        auto service = std::make_shared<TCupsPrinterService>(server);
        bool ok = false;
        EXPECT_TRUE(service->Enumerate(&ok).isEmpty());
        EXPECT_TRUE(ok);
        P().SetService(service);
        EXPECT_TRUE(P().Printers().isEmpty());
        EXPECT_EQ(P().PrinterIndex(), -1);
        EXPECT_EQ(P().GetDeviceCaps(DevCaps::PHYSICALWIDTH), 0);
        QString device, driver, port;
        TDevModeHandle h;
        P().GetPrinter(device, driver, port, h);
        EXPECT_TRUE(device.isEmpty());
        EXPECT_FALSE(h);
        EXPECT_THROW(P().BeginDoc(), std::runtime_error);
    }
}

// A server that accepts connections but never answers is waited for once,
// briefly; then it is not asked again for a while, past the list's own
// keeping time, for the list, a printer's capabilities or a job.
TEST_F(PrinterTest, AServerThatNeverAnswersIsWaitedForOnce)
{
    THungServer hung;
    ASSERT_TRUE(hung.Ok());
    auto service = std::make_shared<TCupsPrinterService>(hung.Path());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(service->Enumerate().isEmpty());
    EXPECT_GE(hung.TakeConnections(), 1);
    EXPECT_LT(clock.elapsed(), 15000); // a hang check: not the default client's long wait

    QThread::msleep(1100);
    EXPECT_TRUE(service->Enumerate().isEmpty());
    EXPECT_FALSE(service->Caps("Office Laser"));
    P().SetService(service);
    EXPECT_TRUE(P().Printers().isEmpty());
    EXPECT_THROW(service->SubmitJob("Office Laser", QStringLiteral(MIRVAK_TEST_DATA_DIR "/none.pdf"), {}),
                 std::runtime_error);
    EXPECT_EQ(hung.TakeConnections(), 0);
}

// Printers listed on a worker thread: the list comes in whole and its
// callback has run, on that thread, by the time the list is seen; stopping
// waits for a callback that is running, and keeps one from starting on a
// listing that a server that never answers holds up.
TEST_F(PrinterTest, PrintersListedAsideComeInWholeAndAStopHoldsBackTheCallback)
{
    const auto waitFor = [](const std::function<bool()>& done) {
        for (int i = 0; i < 1000 && !done(); ++i)
            QThread::msleep(10);
        return done();
    };
    {
        TCupsPrinterService service;
        std::atomic<int> calls{0};
        std::atomic<bool> elsewhere{false};
        const std::thread::id here = std::this_thread::get_id();
        ASSERT_TRUE(service.StartListing([&] {
            ++calls;
            elsewhere = std::this_thread::get_id() != here;
        }));
        ASSERT_TRUE(service.WaitForListing(10000));
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(elsewhere);
        EXPECT_FALSE(service.ListingPending());
        QStringList names;
        for (const TPrinterEntry& e : service.Enumerate())
            names.append(e.Name);
        EXPECT_EQ(names, (QStringList{"Mono Letter", "Office Laser"}));
    }
    {
        std::atomic<bool> entered{false}, left{false};
        auto service = std::make_unique<TCupsPrinterService>();
        service->StartListing([&] {
            entered = true;
            QThread::msleep(200);
            left = true;
        });
        ASSERT_TRUE(waitFor([&] { return entered.load(); }));
        service.reset();
        EXPECT_TRUE(left);
    }
    // Asked directly, and through the service that writes jobs to a file
    // (installed while a document is saved as PDF).
    for (const bool wrapped : {false, true}) {
        SCOPED_TRACE(wrapped ? "through the file-output service" : "directly");
        THungServer hung;
        ASSERT_TRUE(hung.Ok());
        std::atomic<int> calls{0};
        auto alive = std::make_shared<int>();
        const std::weak_ptr<int> worker = alive;
        auto cups = std::make_shared<TCupsPrinterService>(hung.Path(), QString(), 120.0);
        QSaveFile target(QDir::temp().filePath(QStringLiteral("mirvak-unused.pdf")));
        TFileOutputService file(cups, target);
        IPrinterService& service = wrapped ? static_cast<IPrinterService&>(file) : *cups;
        EXPECT_TRUE(service.StartListing([&calls, alive] { ++calls; }));
        alive.reset();
        EXPECT_FALSE(service.WaitForListing(200));
        EXPECT_TRUE(service.ListingPending());
        service.StopListing();
        // The worker gives up and ends (its callback goes with it) uncalled.
        EXPECT_TRUE(waitFor([&] { return worker.expired(); }));
        EXPECT_EQ(calls, 0);
    }
}

TEST_F(PrinterTest, HiddenPrintersAreEnumeratedAndTheDefaultIsChosen)
{
    auto memory = std::make_shared<TMemoryPrinterService>();
    memory->Printers = {TMemoryPrinterService::ColorLaser("Zeta Laser", "zeta"),
                        TMemoryPrinterService::MonoLetter("Hidden Mono", "hidden"),
                        TMemoryPrinterService::MonoLetter("Alpha Mono", "alpha")};
    memory->Printers[1].Entry.Hidden = true;
    memory->Printers[2].Entry.IsDefault = true;
    P().SetService(memory);
    EXPECT_EQ(P().Printers(), (QStringList{"Zeta Laser", "Hidden Mono", "Alpha Mono"}));
    EXPECT_EQ(P().PrinterIndex(), 2);
    P().SetPrinterIndex(0);
    EXPECT_EQ(P().GetDeviceCaps(DevCaps::LOGPIXELSX), 600);
}

// A driver at 600 x 1200 dots per inch: the axes keep their own resolution,
// and the canvas draws in pixels of each.
TEST_F(PrinterTest, UnequalResolutionsKeepTheirAxes)
{
    auto memory = std::make_shared<TMemoryPrinterService>();
    TMemoryPrinterService::Printer p = TMemoryPrinterService::ColorLaser("Fine", "fine");
    p.Caps.Resolutions = {QPoint(600, 1200)};
    p.Caps.DefaultResolution = QPoint(600, 1200);
    memory->Printers = {p};
    P().SetService(memory);
    P().SetPrinterIndex(0);
    EXPECT_EQ(P().GetDeviceCaps(DevCaps::LOGPIXELSX), 600);
    EXPECT_EQ(P().GetDeviceCaps(DevCaps::LOGPIXELSY), 1200);
    EXPECT_EQ(P().GetDeviceCaps(DevCaps::PHYSICALHEIGHT), 14031); // 297 mm at 1200 dpi
    P().BeginDoc();
    P().Canvas()->drawText(QPointF(0, 1200), QStringLiteral("Mark")); // 1 inch down
    P().EndDoc();
    ASSERT_EQ(memory->Jobs.size(), 1);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("job.pdf");
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(memory->Jobs[0].Pdf);
    f.close();
    const QList<SpoolerOutput::TWord> words = SpoolerOutput::Words(pdf);
    ASSERT_EQ(words.size(), 1);
    EXPECT_NEAR(words[0].Box.left() * 25.4 / 72, 5, 0.5);
    EXPECT_NEAR(words[0].Box.bottom() * 25.4 / 72, 5 + 25.4, 1.0);
    EXPECT_EQ(memory->Jobs[0].Options.Resolution, "600x1200dpi");
}

} // namespace
