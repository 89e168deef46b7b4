// The printer-settings object against the private spooler (Office Laser: A4,
// 600 dpi, colour, duplex, trays; Mono Letter: Letter, 300 dpi, monochrome,
// one-sided, no trays) and, for what a spooler cannot be made to do, against
// the in-memory printer service.

#include "plCupsPrinterService.h"
#include "plDevMode.h"
#include "plMemoryPrinterService.h"
#include "plPrinter.h"
#include "plSetPrinter.h"

#include <gtest/gtest.h>

using namespace DevMode;

namespace {

class SetPrinterTest : public ::testing::Test {
protected:
    void SetUp() override { TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>()); }
    void TearDown() override { TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>()); }

    // The block the current printer holds now.
    static QByteArray CurrentBlock()
    {
        QString device, driver, port;
        TDevModeHandle h;
        TPrinter::Printer().GetPrinter(device, driver, port, h);
        return h ? *h : QByteArray();
    }

    static std::shared_ptr<TMemoryPrinterService> UseMemory(QList<TMemoryPrinterService::Printer> printers)
    {
        auto memory = std::make_shared<TMemoryPrinterService>();
        memory->Printers = std::move(printers);
        TPrinter::Printer().SetService(memory);
        return memory;
    }
};

TEST_F(SetPrinterTest, FindsPrintersByPartOfTheirName)
{
    TplSetPrinter sp;
    EXPECT_EQ(sp.FPrintersCount, 2);
    EXPECT_EQ(sp.PrintersCount(), 2);
    EXPECT_EQ(sp.FindPrinterName("laser"), "Office Laser");
    EXPECT_EQ(sp.FindPrinterIndex("LASER"), 1);
    EXPECT_EQ(sp.FindPrinterName("e"), "Mono Letter"); // both contain it; the first listed wins
    EXPECT_EQ(sp.FindPrinterName("toner"), "");
    EXPECT_EQ(sp.FindPrinterIndex(""), -1);

    int changes = 0;
    sp.OnPrinterChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &sp);
        ++changes;
    };
    sp.SetPrinterName("laser");
    EXPECT_EQ(sp.FPrinterName, "Office Laser");
    EXPECT_EQ(sp.PrinterName(), "Office Laser");
    EXPECT_EQ(sp.PrinterNumber(), 1);
    EXPECT_EQ(sp.PaperNumber(), 9);
    sp.SetPrinterName("Office"); // the same printer: no change to report
    EXPECT_EQ(changes, 1);

    // No match: the system's default printer.
    sp.SetPrinterNumber(0);
    EXPECT_EQ(sp.PrinterName(), "Mono Letter");
    sp.SetPrinterName("No such printer");
    EXPECT_EQ(sp.PrinterName(), "Office Laser");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(sp.PrinterList(), (QStringList{"Mono Letter", "Office Laser"}));

    // While loading only the name is taken.
    sp.SetLoading(true);
    sp.SetPrinterName("mono");
    EXPECT_EQ(sp.FPrinterName, "Mono Letter");
    EXPECT_EQ(TPrinter::Printer().Printers().value(TPrinter::Printer().PrinterIndex()), "Office Laser");
    EXPECT_EQ(changes, 3);
}

TEST_F(SetPrinterTest, PaperBinAndOrientationOnTheRealSpooler)
{
    TplSetPrinter sp;
    sp.SetPrinterName("Office Laser");
    EXPECT_EQ(sp.PaperList(), (QStringList{"A4", "Letter", "Legal", "A3", "A5", "B5 (JIS)", "Japanese Postcard"}));
    EXPECT_EQ(sp.BinList(), (QStringList{"Automatic", "Tray 1", "Tray 2", "Manual Feed"}));

    EXPECT_TRUE(sp.SetPaperNumber(11));
    EXPECT_EQ(sp.PaperName(), "A5");
    EXPECT_TRUE(sp.SetPaperNumber(9));
    EXPECT_EQ(sp.PaperName(), "A4");
    EXPECT_FALSE(sp.SetPaperNumber(70)); // A6: not offered, the driver keeps A4
    EXPECT_EQ(sp.PaperNumber(), 9);
    EXPECT_FALSE(sp.SetPaperNumber(0x8009)); // read back signed, never equal
    EXPECT_EQ(sp.PaperNumber(), 9);

    EXPECT_FALSE(sp.SetPaperName("a3")); // names match exactly
    EXPECT_EQ(sp.PaperNumber(), 9);
    EXPECT_TRUE(sp.SetPaperName("A3"));
    EXPECT_EQ(sp.PaperNumber(), 8);
    int number = 0;
    EXPECT_TRUE(sp.FindPaperNumber("Legal", number));
    EXPECT_EQ(number, 5);
    EXPECT_FALSE(sp.FindPaperNumber("legal", number));
    EXPECT_EQ(number, -1);

    EXPECT_EQ(sp.BinName(), "Automatic");
    EXPECT_TRUE(sp.SetBinName("Tray 2"));
    EXPECT_EQ(sp.BinNumber(), 258);
    EXPECT_FALSE(sp.SetBinName("tray 1"));
    EXPECT_EQ(sp.BinNumber(), 258);

    // Landscape is confirmed and swaps the geometry.
    sp.SetPaperNumber(9);
    const int w = sp.PaperWidth(), h = sp.PaperHeight(), pw = sp.PageWidth(), ph = sp.PageHeight();
    EXPECT_EQ(sp.XResolution(), 600);
    EXPECT_EQ(sp.YResolution(), 600);
    EXPECT_EQ(w, 4960);
    EXPECT_EQ(h, 7015);
    EXPECT_EQ(sp.RightOffset(), sp.LeftOffset() + pw);
    EXPECT_EQ(sp.BottomOffset(), sp.TopOffset() + ph);
    EXPECT_TRUE(sp.SetOrientation(poLandscape));
    EXPECT_EQ(sp.Orientation(), poLandscape);
    EXPECT_EQ(sp.PaperWidth(), h);
    EXPECT_EQ(sp.PaperHeight(), w);
    EXPECT_EQ(sp.PageWidth(), ph);
    EXPECT_EQ(sp.PageHeight(), pw);
    EXPECT_TRUE(sp.SetOrientation(poPortrait));
    EXPECT_EQ(sp.PaperWidth(), w);
}

// A change of printer carries orientation, paper number and bin where the
// new printer supports them, and nothing else of the device mode.
TEST_F(SetPrinterTest, SwitchingPrintersCarriesOrientationPaperAndBin)
{
    TplSetPrinter sp;
    sp.SetPrinterName("Office Laser");
    sp.SetOrientation(poLandscape);
    sp.SetPaperNumber(5); // Legal, which both printers offer
    sp.SetBinNumber(258);
    sp.SetDuplex(2);
    sp.SetCopies(3);
    EXPECT_EQ(sp.Duplex(), 2);
    EXPECT_EQ(sp.Copies(), 3);

    sp.SetPrinterName("Mono Letter");
    EXPECT_EQ(sp.dsPrinterName(), "Mono Letter");
    EXPECT_EQ(sp.Orientation(), poLandscape);
    EXPECT_EQ(sp.PaperNumber(), 5);
    EXPECT_EQ(sp.BinNumber(), 7); // no trays to choose from
    EXPECT_EQ(sp.Copies(), 1);
    EXPECT_EQ(sp.XResolution(), 300);
    EXPECT_EQ(sp.PaperHeight(), 2550); // Legal in landscape at 300 dpi
    EXPECT_EQ(sp.PaperWidth(), 4200);

    sp.SetPrinterName("Office Laser");
    EXPECT_EQ(sp.Orientation(), poLandscape);
    EXPECT_EQ(sp.PaperNumber(), 5);
    EXPECT_EQ(sp.BinNumber(), 7); // what Mono Letter had, not tray 2
    EXPECT_EQ(sp.Duplex(), 1);
    EXPECT_EQ(sp.Copies(), 1);
}

TEST_F(SetPrinterTest, CopiesAndCollation)
{
    TplSetPrinter sp;
    sp.SetPrinterName("Office Laser");
    EXPECT_EQ(sp.Copies(), 1);
    EXPECT_EQ(sp.Collate(), 1); // the spooler collates unless told otherwise
    sp.SetCopies(1);
    EXPECT_EQ(sp.Collate(), 0); // one copy clears collation
    sp.SetCollate(1);
    EXPECT_EQ(sp.Collate(), 0); // nothing to collate with one copy
    sp.SetCopies(2);
    sp.SetCollate(1);
    EXPECT_EQ(sp.Collate(), 1);
    sp.SetCopies(3);
    EXPECT_EQ(sp.Collate(), 1);
    EXPECT_EQ(sp.Copies(), 3);
    sp.SetCopies(0); // not a number of copies: the driver's default
    EXPECT_EQ(sp.Copies(), 1);

    EXPECT_EQ(sp.Color(), 2);
    EXPECT_EQ(sp.ColorBit(), 24);
    sp.SetPrinterName("Mono Letter");
    sp.SetColor(2);
    sp.SetDuplex(2);
    EXPECT_EQ(sp.Color(), 1);
    EXPECT_EQ(sp.ColorBit(), 0);
    EXPECT_EQ(sp.Duplex(), 1);
}

// The snapshot holds the whole block: settings without a property of their
// own come back too when the printer's settings are put back.
TEST_F(SetPrinterTest, CallSettingRestoresTheWholeDeviceMode)
{
    TplSetPrinter sp;
    sp.SetPrinterName("Office Laser");
    sp.SetCopies(4);
    QByteArray dm = sp.Settings();
    ASSERT_TRUE(SetPrivateOption(dm, "number-up", "2"));
    sp.ASettings = dm;
    EXPECT_TRUE(sp.RestoreSnapshot());
    EXPECT_EQ(PrivateOption(CurrentBlock(), "number-up"), "2");

    // Someone else puts the printer back to its defaults.
    TPrinter::Printer().SetPrinterIndex(-1);
    EXPECT_EQ(PrivateOption(CurrentBlock(), "number-up"), "1");
    sp.CallSetting();
    EXPECT_EQ(PrivateOption(CurrentBlock(), "number-up"), "2");
    EXPECT_EQ(sp.Copies(), 4);
    EXPECT_EQ(sp.DevSize(), CurrentBlock().size());
    EXPECT_EQ(sp.Settings(), CurrentBlock());
}

// A dialog changed the current printer's settings: the object adopts them.
TEST_F(SetPrinterTest, GetPrinterInfoAdoptsTheCurrentPrinter)
{
    TplSetPrinter sp;
    sp.SetPrinterName("Office Laser");
    sp.SetDuplex(2);

    // Same printer: everything the dialog set stays.
    QString device, driver, port;
    TDevModeHandle h;
    TPrinter::Printer().GetPrinter(device, driver, port, h);
    TView(*h).SetCopies(5);
    TView(*h).SetOrientation(OrientLandscape);
    TPrinter::Printer().SetPrinter(device, driver, port, h);
    sp.GetPrinterInfo(false);
    EXPECT_EQ(sp.Copies(), 5);
    EXPECT_EQ(sp.Orientation(), poLandscape);
    EXPECT_EQ(sp.Duplex(), 2);

    // Another printer: its defaults plus orientation, paper and bin.
    TPrinter::Printer().SetPrinterIndex(0);
    TPrinter::Printer().GetPrinter(device, driver, port, h);
    TView(*h).SetCopies(6);
    TView(*h).SetOrientation(OrientLandscape);
    TPrinter::Printer().SetPrinter(device, driver, port, h);
    sp.GetPrinterInfo(false);
    EXPECT_EQ(sp.PrinterName(), "Mono Letter");
    EXPECT_EQ(sp.Orientation(), poLandscape);
    EXPECT_EQ(sp.Copies(), 1);

    sp.GetPrinterInfo(true); // the printer's own defaults
    EXPECT_EQ(sp.Orientation(), poPortrait);
}

TEST_F(SetPrinterTest, UserPaperFormsAreListedSelectedAndDeleted)
{
    TplSetPrinter sp;
    sp.SetPrinterName("Office Laser");
    for (int orientation : {poPortrait, poLandscape}) {
        SCOPED_TRACE(orientation);
        sp.SetOrientation(orientation);
        ASSERT_TRUE(sp.SetUserPaper("Postcard 100x150", 1000, 1500));
        EXPECT_TRUE(sp.PaperList().contains("Postcard 100x150"));
        EXPECT_EQ(sp.PaperName(), "Postcard 100x150");
        EXPECT_EQ(sp.CustomPaperName(), "Postcard 100x150");
        int sheetW = (sp.PaperWidth() * 254 + 599) / 600, sheetH = (sp.PaperHeight() * 254 + 599) / 600;
        if (orientation == poLandscape)
            std::swap(sheetW, sheetH);
        EXPECT_EQ(sheetW, 1000);
        EXPECT_EQ(sheetH, 1500);
        const int number = sp.PaperNumber();
        EXPECT_GT(number, 256);

        // A second registration under the same name updates the form.
        ASSERT_TRUE(sp.SetUserPaper("Postcard 100x150", 1000, 1500));
        EXPECT_EQ(sp.PaperNumber(), number);
        EXPECT_EQ(sp.PaperList().count("Postcard 100x150"), 1);

        EXPECT_TRUE(sp.DeleteUserPaper("Postcard 100x150"));
        EXPECT_FALSE(sp.PaperList().contains("Postcard 100x150"));
        EXPECT_EQ(sp.CustomPaperName(), "");
        EXPECT_FALSE(sp.DeleteUserPaper("Postcard 100x150"));
    }
    EXPECT_FALSE(sp.DeleteUserPaper("A4")); // a printer's own paper is not a form

    // A printer without custom sizes cannot take the form.
    sp.SetPrinterName("Mono Letter");
    EXPECT_FALSE(sp.SetUserPaper("Postcard 100x150", 1000, 1500));
    EXPECT_EQ(sp.CustomPaperName(), "");
    EXPECT_FALSE(sp.PaperList().contains("Postcard 100x150"));
    EXPECT_EQ(sp.PaperNumber(), 1);
    EXPECT_FALSE(sp.SetUserPaper("A name longer than thirty-one chars", 1000, 1500));
}

// --- Cases the real spooler cannot produce ----------------------------------------

TEST_F(SetPrinterTest, HiddenPrintersAreCountedButNeverFoundOrListed)
{
    UseMemory({TMemoryPrinterService::ColorLaser("Zeta Laser", "zeta"),
               TMemoryPrinterService::ColorLaser("Hidden Laser", "hidden"),
               TMemoryPrinterService::MonoLetter("Alpha Laser", "alpha")});
    auto& printers = static_cast<TMemoryPrinterService&>(TPrinter::Printer().Service()).Printers;
    printers[1].Entry.Hidden = true;
    printers[0].Entry.IsDefault = true;

    TplSetPrinter sp;
    EXPECT_EQ(sp.PrintersCount(), 3);
    EXPECT_EQ(sp.FindPrinterName("laser"), "Zeta Laser"); // first listed, not first alphabetically
    EXPECT_EQ(sp.FindPrinterIndex("alpha"), 2);
    EXPECT_EQ(sp.FindPrinterName("hidden"), "");
    EXPECT_EQ(sp.PrinterList(), (QStringList{"Alpha Laser", "Zeta Laser"}));
    sp.SetPrinterName("Alpha");
    EXPECT_EQ(sp.PrinterNumber(), 2);
    sp.SetPrinterNumber(1); // the hidden one: the default printer instead
    EXPECT_EQ(sp.PrinterName(), "Zeta Laser");
    EXPECT_EQ(sp.PrinterNumber(), 0);
}

// Drivers that replace a value the object asked for: the confirming setter
// says so and the driver's value stays.
TEST_F(SetPrinterTest, ValuesTheDriverReplacesDoNotStick)
{
    TMemoryPrinterService::Printer laser = TMemoryPrinterService::ColorLaser("Laser", "laser");
    laser.AfterPass = [](QByteArray& dm) {
        TView v(dm);
        if (v.PaperSize() == 8) // no A3 in the tray after all
            v.SetPaperSize(9);
        if (v.Duplex() == DuplexHorizontal)
            v.SetDuplex(DuplexVertical);
    };
    TMemoryPrinterService::Printer flat = TMemoryPrinterService::MonoLetter("Flat", "flat");
    flat.Caps.Orientation = false;
    UseMemory({laser, flat});

    TplSetPrinter sp;
    sp.SetPrinterName("Laser");
    EXPECT_FALSE(sp.SetPaperNumber(8));
    EXPECT_EQ(sp.PaperNumber(), 9);
    EXPECT_FALSE(sp.SetPaperName("A3"));
    EXPECT_EQ(sp.PaperName(), "A4");
    EXPECT_TRUE(sp.SetPaperName("A5"));
    sp.SetDuplex(3);
    EXPECT_EQ(sp.Duplex(), 2);

    sp.SetPrinterName("Flat");
    EXPECT_FALSE(sp.SetOrientation(poLandscape));
    EXPECT_EQ(sp.Orientation(), poPortrait);
    EXPECT_EQ(sp.PaperNumber(), 1);
}

TEST_F(SetPrinterTest, SnapshotOfAnotherLengthRestoresOnlyOrientationPaperAndBin)
{
    auto memory = UseMemory({TMemoryPrinterService::ColorLaser("Laser", "laser")});
    TplSetPrinter sp;
    sp.SetPrinterName("Laser");
    sp.SetOrientation(poLandscape);
    sp.SetPaperNumber(11);
    sp.SetBinNumber(258);
    sp.SetDuplex(2);
    sp.SetCopies(3);
    const int oldSize = sp.DevSize();

    // A new driver with one more option: its blocks are longer.
    memory->Printers[0].Caps.Options.append({QStringLiteral("print-scaling"),
                                             QStringLiteral("Scaling"),
                                             {QStringLiteral("auto"), QStringLiteral("none")},
                                             QStringLiteral("auto")});
    TPrinter::Printer().SetPrinterIndex(0);
    EXPECT_FALSE(sp.RestoreSnapshot());
    EXPECT_GT(sp.DevSize(), oldSize);
    EXPECT_EQ(sp.DevSize(), CurrentBlock().size());
    EXPECT_EQ(sp.Orientation(), poLandscape);
    EXPECT_EQ(sp.PaperNumber(), 11);
    EXPECT_EQ(sp.BinNumber(), 258);
    EXPECT_EQ(sp.Duplex(), 1);
    EXPECT_EQ(sp.Copies(), 1);
    EXPECT_TRUE(sp.RestoreSnapshot()); // the new snapshot fits
}

TEST_F(SetPrinterTest, ColorBitAndUnequalResolutions)
{
    TMemoryPrinterService::Printer fine = TMemoryPrinterService::ColorLaser("Fine", "fine");
    fine.Caps.Resolutions = {QPoint(600, 1200)};
    fine.Caps.DefaultResolution = QPoint(600, 1200);
    UseMemory({fine});
    TplSetPrinter sp;
    sp.SetPrinterName("Fine");
    EXPECT_EQ(sp.XResolution(), 600);
    EXPECT_EQ(sp.YResolution(), 1200);
    EXPECT_EQ(sp.ColorBit(), 24);
    sp.SetColor(1);
    EXPECT_EQ(sp.ColorBit(), 0);
    EXPECT_EQ(sp.Color(), 1);
}

// The sheet a printer reports for a user paper is checked within 0.2 mm.
TEST_F(SetPrinterTest, UserPaperIsConfirmedByTheReportedSheet)
{
    struct Case {
        int reportedW, reportedH;
        bool confirmed;
    } cases[] = {{1000, 1500, true}, {1002, 1498, true}, {1003, 1500, false}, {1000, 1497, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.reportedW << "x" << c.reportedH);
        TMemoryPrinterService::Printer laser = TMemoryPrinterService::ColorLaser("Laser", "laser");
        laser.Caps.Resolutions = {QPoint(2540, 2540)}; // one pixel a hundredth of a millimetre
        laser.Caps.DefaultResolution = QPoint(2540, 2540);
        laser.AfterPass = [c](QByteArray& dm) {
            TView v(dm);
            if (v.PaperSize() > 256) { // the form: the driver makes its own size of it
                v.SetPaperSize(PaperUser);
                v.SetPaperWidth(c.reportedW);
                v.SetPaperLength(c.reportedH);
            }
        };
        auto memory = UseMemory({laser});
        TplSetPrinter sp;
        sp.SetPrinterName("Laser");
        EXPECT_EQ(sp.SetUserPaper("Card", 1000, 1500), c.confirmed);
        EXPECT_EQ(sp.CustomPaperName(), c.confirmed ? "Card" : "");
        EXPECT_EQ(memory->Printers[0].Forms.size(), 1); // the form was registered and stays
        if (c.confirmed) {
            EXPECT_EQ(memory->Printers[0].Forms[0].Width, 100000);
        }
    }
}

// A printer removed while the object uses it: the next edit goes to the
// default printer, and without printers the object turns inert; no errors.
TEST_F(SetPrinterTest, PrinterRemovedUnderTheObject)
{
    auto memory = UseMemory(
        {TMemoryPrinterService::ColorLaser("Laser", "laser"), TMemoryPrinterService::MonoLetter("Mono", "mono")});
    memory->Printers[1].Entry.IsDefault = true;
    TplSetPrinter sp;
    sp.SetPrinterName("Laser");
    sp.SetOrientation(poLandscape);
    memory->Printers.removeFirst();
    EXPECT_NO_THROW(sp.SetCopies(3));
    EXPECT_EQ(sp.PrinterName(), "Mono");
    EXPECT_EQ(sp.Orientation(), poLandscape);
    EXPECT_EQ(sp.Copies(), 3);
    memory->Printers.clear();
    EXPECT_NO_THROW(sp.SetCopies(2));
    EXPECT_NO_THROW(sp.SetPaperNumber(9));
    EXPECT_EQ(sp.PrinterName(), "");
    EXPECT_EQ(sp.PaperList(), QStringList());
}

TEST_F(SetPrinterTest, WithoutPrintersTheObjectIsInert)
{
    UseMemory({});
    TplSetPrinter sp;
    EXPECT_EQ(sp.FPrintersCount, 0);
    sp.SetPrinterName("Office Laser");
    sp.SetPaperNumber(9);
    sp.SetCopies(3);
    sp.CallSetting();
    EXPECT_EQ(sp.PrinterName(), "");
    EXPECT_EQ(sp.PaperNumber(), 0);
    EXPECT_EQ(sp.PaperName(), "");
    EXPECT_EQ(sp.BinNumber(), 0);
    EXPECT_EQ(sp.BinName(), "");
    EXPECT_EQ(sp.Orientation(), poPortrait);
    EXPECT_EQ(sp.Copies(), 1);
    EXPECT_EQ(sp.Color(), 1);
    EXPECT_EQ(sp.Duplex(), 1);
    EXPECT_EQ(sp.Collate(), 0);
    EXPECT_EQ(sp.ColorBit(), 0);
    EXPECT_EQ(sp.DriverVersion(), 0);
    EXPECT_EQ(sp.XResolution(), 0);
    EXPECT_EQ(sp.BottomOffset(), 0);
    EXPECT_TRUE(sp.PrinterList().isEmpty());
    EXPECT_TRUE(sp.PaperList().isEmpty());
    EXPECT_TRUE(sp.BinList().isEmpty());
    EXPECT_FALSE(sp.SetUserPaper("Card", 1000, 1500));
    EXPECT_FALSE(sp.DeleteUserPaper("Card"));
    EXPECT_TRUE(sp.RestoreSnapshot());
    EXPECT_EQ(sp.DevSize(), 0);
}

} // namespace
