// The printer-settings object's stream, settings files and dialogs against
// the private spooler (Office Laser, the default printer: A4, trays, colour,
// duplex; Mono Letter: Letter, one tray).

#include "plCupsPrinterService.h"
#include "plDevMode.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plPrinterStream.h"
#include "plSetPrinter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <random>
#include <stdexcept>

using namespace DevMode;

namespace {

// Acts on the next modal dialog as soon as it is shown.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QDialog*)> act)
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this, act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            FTimer.stop();
            ++Seen;
            act(dialog);
        });
        FTimer.start();
    }
    int Seen = 0;

private:
    QTimer FTimer;
};

void Press(QDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    box->button(which)->click();
}

void Choose(QDialog* dialog, const QString& combo, const QVariant& data)
{
    auto* cb = dialog->findChild<QComboBox*>(combo);
    ASSERT_NE(cb, nullptr) << combo.toStdString();
    const int i = cb->findData(data);
    ASSERT_GE(i, 0) << combo.toStdString() << " has no " << data.toString().toStdString();
    cb->setCurrentIndex(i);
}

QByteArray CurrentBlock()
{
    QString device, driver, port;
    TDevModeHandle h;
    TPrinter::Printer().GetPrinter(device, driver, port, h);
    return h ? *h : QByteArray();
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

class SetPrinterStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
        ASSERT_TRUE(FDir.isValid());
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    // The document's object on Office Laser: landscape, A5, the second tray,
    // and a printer option no property covers.
    void Configure(TplSetPrinter& sp)
    {
        sp.SetName("Default");
        sp.SetPrinterName("Office Laser");
        ASSERT_TRUE(sp.SetOrientation(poLandscape));
        ASSERT_TRUE(sp.SetPaperNumber(11));
        const auto caps = TPrinter::Printer().Service().Caps("Office Laser");
        ASSERT_GE(caps->Bins.size(), 3);
        FBin = caps->Bins[2].Number;
        sp.SetBinNumber(FBin);
        ASSERT_EQ(sp.BinNumber(), FBin);
        QByteArray dm = sp.Settings();
        ASSERT_TRUE(SetPrivateOption(dm, "number-up", "2"));
        sp.ASettings = dm;
        ASSERT_TRUE(sp.RestoreSnapshot());
        ASSERT_EQ(PrivateOption(sp.Settings(), "number-up"), "2");
    }

    // Puts the current printer back to its defaults, as another program would.
    static void ResetCurrentPrinter()
    {
        TPrinter::Printer().SetPrinterIndex(0);
        TPrinter::Printer().SetPrinterIndex(-1);
        ASSERT_EQ(PrivateOption(CurrentBlock(), "number-up"), "1");
    }

    // The stored orientation, paper and bin are in force on Office Laser,
    // and (when the whole block came back) the printer option too.
    void ExpectRestored(TplSetPrinter& sp, bool wholeBlock)
    {
        EXPECT_EQ(sp.PrinterName(), "Office Laser");
        EXPECT_EQ(sp.Orientation(), poLandscape);
        EXPECT_EQ(sp.PaperNumber(), 11);
        EXPECT_EQ(sp.BinNumber(), FBin);
        EXPECT_EQ(PrivateOption(CurrentBlock(), "number-up"), wholeBlock ? "2" : "1");
        EXPECT_EQ(sp.Settings(), CurrentBlock());
        EXPECT_EQ(sp.dsPrinterName(), "Office Laser");
    }

    QTemporaryDir FDir;
    int FBin = 0;
};

} // namespace

// Saved and loaded into a fresh object, the settings come back whole (the
// printer option included) and the object writes the same stream again.
TEST_F(SetPrinterStreamTest, SaveAndLoadRestoreEverySetting)
{
    TplSetPrinter a;
    Configure(a);
    const QString file = Path("office.prs");
    ASSERT_TRUE(a.SaveToFile(file));
    const QByteArray saved = ReadAll(file);
    EXPECT_EQ(saved, a.WriteStream());
    EXPECT_TRUE(saved.startsWith(QByteArray("TPF0\x0DTplSetPrinter\x07"
                                            "Default\x0BPrinterName\x06\x0C"
                                            "Office Laser")));

    ResetCurrentPrinter();
    QObject owner;
    QObject sibling(&owner);
    sibling.setObjectName("Default");
    TplSetPrinter b(&owner);
    ASSERT_TRUE(b.LoadFromFile(file));
    ExpectRestored(b, true);
    EXPECT_EQ(b.Name(), "Default1"); // unique among its owner's components
    b.SetName("Default");
    EXPECT_EQ(b.WriteStream(), saved);

    // The text form carries the same stream.
    ResetCurrentPrinter();
    TplSetPrinter c;
    c.ReadStream(PrinterStreamFromText(PrinterStreamToText(saved)));
    ExpectRestored(c, true);
}

// The document keeps the printer choice of its object as text and puts it
// back whole; text that is not a snapshot changes nothing.
TEST_F(SetPrinterStreamTest, DocumentSnapshotAsText)
{
    TplPrev doc;
    TplSetPrinter& sp = *doc.plSetPrinter();
    ASSERT_EQ(sp.Name(), "Default");
    Configure(sp);
    const QString text = doc.PrinterSettingsToText();
    ASSERT_FALSE(text.isEmpty());
    EXPECT_EQ(PrinterStreamFromText(text), sp.WriteStream());

    sp.SetPrinterName("Mono Letter");
    ResetCurrentPrinter();
    doc.PrinterSettingsFromText(text);
    ExpectRestored(sp, true);
    doc.PrinterSettingsFromText("not a snapshot");
    ExpectRestored(sp, true);
}

// A file naming a printer that is not installed, or whose block no longer
// fits (its length differs from its recorded size, or from what the printer
// uses now), loads onto the default printer's defaults with the stored
// orientation, paper and bin only.
TEST_F(SetPrinterStreamTest, ForeignStreamsRestoreOrientationPaperAndBin)
{
    TplSetPrinter a;
    Configure(a);
    TPrinterStreamValues stored;
    ReadPrinterStream(a.WriteStream(), stored);

    const struct {
        const char* what;
        std::function<void(TPrinterStreamValues&)> change;
    } cases[] = {
        {"printer not installed", [](TPrinterStreamValues& v) { v.PrinterName = v.FPrinterName = "Gone Printer"; }},
        {"size differs from block", [](TPrinterStreamValues& v) { v.DevSize += 1; }},
        {"size of 2 GB", [](TPrinterStreamValues& v) { v.DevSize = 0x7FFFFFFF; }},
        {"block of another driver",
         [](TPrinterStreamValues& v) {
             v.Settings.append(QByteArray(RecordBytes, '\0'));
             v.DevSize = int(v.Settings.size());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TPrinterStreamValues v = stored;
        c.change(v);
        const QString file = Path("foreign.prs");
        ASSERT_TRUE(WriteAll(file, WritePrinterStream(v)));
        ResetCurrentPrinter();
        TplSetPrinter b;
        ASSERT_TRUE(b.LoadFromFile(file));
        ExpectRestored(b, false);
    }
}

// Random bytes in a block of the right length, and random orientation, paper
// and bin, load without harm: the driver keeps what the printer offers and
// the object ends on the printer's device mode.
TEST_F(SetPrinterStreamTest, RandomStoredValuesLoadSafely)
{
    TplSetPrinter a;
    a.SetPrinterName("Office Laser");
    TPrinterStreamValues stored;
    ReadPrinterStream(a.WriteStream(), stored);
    const auto caps = TPrinter::Printer().Service().Caps("Office Laser");
    std::mt19937 rng(20240611);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        TPrinterStreamValues v = stored;
        for (int k = 1 + int(rng() % 48); k > 0; --k) {
            // Half of the changes hit the fixed fields (sizes, field bits, paper, ...).
            const qsizetype at = k % 2 ? 64 + rng() % (PublicSize - 64) : rng() % v.Settings.size();
            v.Settings[at] = char(rng());
        }
        if (i % 2) {
            v.FOrientation = int(rng());
            v.FPaperNumber = int(rng() % 70000) - 1000;
            v.FBinNumber = int(rng() % 70000) - 1000;
        }
        TplSetPrinter b;
        EXPECT_NO_THROW(b.ReadStream(WritePrinterStream(v)));
        EXPECT_EQ(b.PrinterName(), "Office Laser");
        EXPECT_EQ(b.Settings(), CurrentBlock());
        EXPECT_NE(caps->Paper(b.PaperNumber()), nullptr) << b.PaperNumber();
        EXPECT_NE(caps->Bin(b.BinNumber()), nullptr) << b.BinNumber();
        EXPECT_GT(b.PaperWidth(), 0);
    }
}

// Damaged files are refused: LoadFromFile is false, nothing crashes, and the
// object goes on working.
TEST_F(SetPrinterStreamTest, DamagedFilesAreRefused)
{
    TplSetPrinter a;
    Configure(a);
    const QByteArray good = a.WriteStream();
    const QString file = Path("bad.prs");

    // Cut at every byte, except inside the device-mode bytes, where every
    // 61st will do (the reader's own tests cut everywhere).
    const qsizetype blockStart = good.indexOf("ADevData") + 13;
    const qsizetype blockEnd = blockStart + a.DevSize();
    TplSetPrinter b;
    for (qsizetype cut = 0; cut < good.size(); cut += (cut > blockStart && cut < blockEnd - 61) ? 61 : 1) {
        ASSERT_TRUE(WriteAll(file, good.first(cut)));
        EXPECT_FALSE(b.LoadFromFile(file)) << "cut at " << cut;
    }

    QByteArray hugeBlock = good;
    hugeBlock.replace(hugeBlock.indexOf("ADevData") + 9, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));
    QByteArray unknown = good;
    unknown.replace("DesignValue", "DesignValuf");
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"wrong signature", "TPF1" + good.mid(4)},
        {"block of 2 GB", hugeBlock},
        {"unknown property", unknown},
        {"trailing bytes", good + "x"},
        {"empty", QByteArray()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteAll(file, c.data));
        EXPECT_FALSE(b.LoadFromFile(file));
    }
    EXPECT_FALSE(b.LoadFromFile(Path("missing.prs")));
    EXPECT_FALSE(b.LoadFromFile(FDir.path()));
    EXPECT_FALSE(b.Loading());

    // Still usable: a good file loads and the object saves again.
    ResetCurrentPrinter();
    ASSERT_TRUE(WriteAll(file, good));
    ASSERT_TRUE(b.LoadFromFile(file));
    ExpectRestored(b, true);
    EXPECT_TRUE(b.SaveToFile(Path("again.prs")));
    EXPECT_EQ(ReadAll(Path("again.prs")), good);
}

// Saving replaces an existing file whole; a file that cannot be created is an
// error for the caller; without a printer nothing is written or read.
TEST_F(SetPrinterStreamTest, SavingFiles)
{
    TplSetPrinter a;
    Configure(a);
    const QString file = Path("settings.prs");
    ASSERT_TRUE(WriteAll(file, QByteArray(100000, 'x')));
    ASSERT_TRUE(a.SaveToFile(file));
    EXPECT_EQ(ReadAll(file), a.WriteStream());
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), QStringList{"settings.prs"});

    EXPECT_THROW(a.SaveToFile(Path("no/such/folder/settings.prs")), std::runtime_error);
    EXPECT_FALSE(QFile::exists(Path("no/such/folder/settings.prs")));

    TplSetPrinter none;
    none.FPrintersCount = 0;
    EXPECT_FALSE(none.SaveToFile(Path("none.prs")));
    EXPECT_FALSE(QFile::exists(Path("none.prs")));
    EXPECT_FALSE(none.LoadFromFile(file));
    EXPECT_TRUE(none.FPrinterName.isEmpty());
    EXPECT_FALSE(none.ShowDialog());
    EXPECT_FALSE(none.ShowSetupDialog());

    // Without a printer the stream still round-trips through the object.
    const QByteArray stream = a.WriteStream();
    none.ReadStream(stream);
    EXPECT_EQ(none.FPrinterName, "Office Laser");
    EXPECT_EQ(none.ASettings, a.Settings());
}

// The printer's own settings: every option of the destination is offered;
// OK publishes the change and takes it into the snapshot, cancel changes nothing.
TEST_F(SetPrinterStreamTest, DriverDialog)
{
    TplSetPrinter sp;
    sp.SetPrinterName("Office Laser");
    std::vector<int> closes;
    sp.OnDialogClose = [&](QObject* sender, int id) {
        EXPECT_EQ(sender, &sp);
        closes.push_back(id);
    };
    const auto caps = TPrinter::Printer().Service().Caps("Office Laser");

    {
        const QByteArray before = CurrentBlock();
        ModalDriver driver([&](QDialog* d) {
            for (const TPrinterOption& o : caps->Options)
                EXPECT_NE(d->findChild<QComboBox*>("opt:" + o.Keyword), nullptr) << o.Keyword.toStdString();
            Choose(d, "opt:number-up", "4");
            Choose(d, "cbPaper", 11);
            Press(d, QDialogButtonBox::Cancel);
        });
        EXPECT_FALSE(sp.ShowDialog());
        EXPECT_EQ(driver.Seen, 1);
        EXPECT_EQ(CurrentBlock(), before);
        EXPECT_EQ(sp.Settings(), before);
    }
    {
        ModalDriver driver([&](QDialog* d) {
            Choose(d, "opt:number-up", "4");
            Choose(d, "cbPaper", 11);
            Choose(d, "cbDuplex", DuplexVertical);
            Press(d, QDialogButtonBox::Ok);
        });
        EXPECT_TRUE(sp.ShowDialog());
        EXPECT_EQ(driver.Seen, 1);
    }
    EXPECT_EQ(closes, (std::vector<int>{2, 1}));
    EXPECT_EQ(PrivateOption(CurrentBlock(), "number-up"), "4");
    EXPECT_EQ(sp.PaperNumber(), 11);
    EXPECT_EQ(sp.Duplex(), DuplexVertical);
    EXPECT_EQ(sp.Settings(), CurrentBlock());
    EXPECT_EQ(sp.FPaperNumber, 11);

    // What was chosen there survives a settings file.
    ASSERT_TRUE(sp.SaveToFile(Path("dialog.prs")));
    TPrinter::Printer().SetPrinterIndex(0);
    TplSetPrinter b;
    ASSERT_TRUE(b.LoadFromFile(Path("dialog.prs")));
    EXPECT_EQ(PrivateOption(CurrentBlock(), "number-up"), "4");
    EXPECT_EQ(b.Duplex(), DuplexVertical);
}

// The printer setup: another printer with its paper, source and orientation
// on OK, with the show and close events; cancel changes nothing.
TEST_F(SetPrinterStreamTest, SetupDialog)
{
    TplSetPrinter sp;
    sp.SetPrinterName("Office Laser");
    std::vector<std::pair<std::string, QDialog*>> events;
    sp.OnSetupDialogShow = [&](QDialog* d) { events.push_back({"show", d}); };
    sp.OnSetupDialogClose = [&](QDialog* d) { events.push_back({"close", d}); };

    QDialog* seen = nullptr;
    {
        const QByteArray before = sp.Settings();
        ModalDriver driver([&](QDialog* d) {
            seen = d;
            Choose(d, "cbPrinter", 0);
            Press(d, QDialogButtonBox::Cancel);
        });
        EXPECT_FALSE(sp.ShowSetupDialog());
        EXPECT_EQ(sp.FPrinterName, "Office Laser");
        EXPECT_EQ(sp.Settings(), before);
    }
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], std::make_pair(std::string("show"), seen));
    EXPECT_EQ(events[1], std::make_pair(std::string("close"), seen));

    {
        ModalDriver driver([&](QDialog* d) {
            EXPECT_EQ(d->findChild<QComboBox*>("cbPrinter")->currentText(), "Office Laser");
            Choose(d, "cbPrinter", 0); // Mono Letter
            Choose(d, "cbPaper", 5);   // Legal
            d->findChild<QRadioButton*>("rbLandscape")->click();
            Press(d, QDialogButtonBox::Ok);
        });
        EXPECT_TRUE(sp.ShowSetupDialog());
    }
    EXPECT_EQ(events.size(), 4u);
    EXPECT_EQ(sp.FPrinterName, "Mono Letter");
    EXPECT_EQ(sp.dsPrinterName(), "Mono Letter");
    EXPECT_EQ(sp.PrinterNumber(), 0);
    EXPECT_EQ(sp.PaperNumber(), 5);
    EXPECT_EQ(sp.Orientation(), poLandscape);
    EXPECT_EQ(sp.Settings(), CurrentBlock());
}
