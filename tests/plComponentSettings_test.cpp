// Stored component settings: the container, and the document's settings,
// DesignPaperValue and PrinterData on it. Against an in-memory spooler so
// that the printer-settings values are known.

#include "plComponentSettings.h"
#include "plMemoryPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plPrinterStream.h"
#include "plSetPrinter.h"
#include "uSheets.h"

#include <gtest/gtest.h>

#include <QVariant>

#include <memory>

namespace {

class ComponentSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        service = std::make_shared<TMemoryPrinterService>();
        service->Printers = {TMemoryPrinterService::ColorLaser(QStringLiteral("Laser"), QStringLiteral("laser")),
                             TMemoryPrinterService::MonoLetter(QStringLiteral("Mono"), QStringLiteral("mono"))};
        service->Printers[0].Entry.IsDefault = true;
        TPrinter::Printer().SetService(service);
    }
    void TearDown() override { TPrinter::Printer().SetService(nullptr); }

    static std::unique_ptr<TplPrev> Doc()
    {
        auto doc = std::make_unique<TplPrev>();
        doc->SetName(QStringLiteral("plPrev1"));
        return doc;
    }

    std::shared_ptr<TMemoryPrinterService> service;
};

// A document whose every stored setting differs from its default.
void SetEverySetting(TCustomplPrev& d)
{
    d.SetLeftMargin(11);
    d.SetTopMargin(12);
    d.SetRightMargin(13);
    d.SetBottomMargin(14);
    d.SetHeaderMargin(5);
    d.SetFooterMargin(6);
    d.SetPageCount(4);
    d.SetBtnOptions(TplPrevBtnOptions{boPrintBtn, boHelpBtn, boCloseBtn});
    d.SetTitle(QStringLiteral("見本 — Sample"));
    d.SetCursor(Qt::BusyCursor);
    d.FormLeft = -30;
    d.FormTop = 40;
    d.FormWidth = 70000;
    d.FormHeight = 600;
    d.FFormName = QStringLiteral("MyPreview");
    d.FormIconBar = false;
    d.FormBorderIcons = TBorderIcons{biSystemMenu, biHelp};
    d.FormBorderStyle = bsDialog;
    d.FormPosition = poScreenCenter;
    d.FormCanMove = false;
    d.FormCanResize = false;
    d.FormWindowState = fwWorkArea;
    d.FormStatusBar = false;
    d.StatusBarText = QStringLiteral("status");
    d.FormColor = 0xFF00000F;
    d.PaperColor = 0x00E0F0FF;
    d.ViewClip = false;
    d.SetPrintOffsetX(-7);
    d.SetPrintOffsetY(300);
    d.ZoomType = ztPageWidth;
    d.SetInversePrint(true);
    d.ImageDrag = false;
    d.ImageShade = false;
}

// The thirteen design paper values, in their stored order.
QList<QVariant> DesignPaper(const TCustomplPrev& d)
{
    return {d.FPrinterName, d.FPaperName,    d.FBinName,     d.FPaperWidth, d.FPaperHeight,
            d.FXResolution, d.FYResolution,  d.FOrientation, d.FLeftOffset, d.FRightOffset,
            d.FTopOffset,   d.FBottomOffset, d.FPaperNumber};
}

} // namespace

TEST_F(ComponentSettings, RoundTripKeepsEverySettingAndThePrinterSettings)
{
    auto a = Doc();
    SetEverySetting(*a);
    a->plSetPrinter()->SetPrinterName(QStringLiteral("Mono"));
    a->plSetPrinter()->SetPaperNumberProp(5); // legal
    a->plSetPrinter()->SetOrientationProp(1);
    a->FOrientation = 0;
    a->UpdatePaperValues(); // the geometry of that paper, as the reader will find it
    const QByteArray stored = a->WriteSettings();

    // Writing refreshed the names and paper number from the printer settings
    // and stored the landscape orientation; the field itself stays portrait.
    EXPECT_EQ(a->FPrinterName, QStringLiteral("Mono"));
    EXPECT_EQ(a->FPaperName, a->plSetPrinter()->PaperName());
    EXPECT_FALSE(a->FPaperName.isEmpty());
    EXPECT_EQ(a->FBinName, a->plSetPrinter()->BinName());
    EXPECT_EQ(a->FPaperNumber, 5);
    EXPECT_EQ(a->FOrientation, 0);

    auto b = Doc();
    b->SetName(QStringLiteral("other"));
    const TComponentSettingsResult r = b->ReadSettings(stored);
    EXPECT_EQ(r.ClassName, QStringLiteral("TplPrev"));
    EXPECT_EQ(r.Malformed, 0);
    EXPECT_EQ(r.Unknown, 0);
    EXPECT_EQ(b->Name(), QStringLiteral("plPrev1"));
    EXPECT_EQ(b->FOrientation, 1);
    EXPECT_EQ(b->FPaperNumber, 5);
    EXPECT_EQ(b->Title(), a->Title());
    EXPECT_EQ(b->BtnOptions().ToInt(), a->BtnOptions().ToInt());
    EXPECT_EQ(b->FormColor, 0xFF00000Fu);
    EXPECT_TRUE(b->InversePrint());
    // Every stored value comes back: the second document writes the same.
    EXPECT_EQ(b->EncodeSettings(1, a->plSetPrinter()->WriteStream()),
              a->EncodeSettings(1, a->plSetPrinter()->WriteStream()));
    // The own printer-settings object came back from PrinterData.
    EXPECT_EQ(b->plSetPrinter()->Name(), QStringLiteral("Default"));
    EXPECT_EQ(b->plSetPrinter()->FPrinterName, QStringLiteral("Mono"));
    EXPECT_EQ(b->plSetPrinter()->PaperNumber(), 5);
    EXPECT_EQ(b->plSetPrinter()->Orientation(), 1);
    EXPECT_EQ(b->plSetPrinter()->Settings(), a->plSetPrinter()->Settings());
}

TEST_F(ComponentSettings, EveryTruncationOfTheMainWindowsSettingsIsAnErrorThatKeepsWhatWasRead)
{
    // No printer: the design paper stays as read.
    service->Printers.clear();
    TPrinter::Printer().SetService(service);
    const QByteArray stored = MainDocumentSettings();
    ASSERT_GT(stored.size(), 3556);
    const QString defaultTitle = TplPrev().Title();
    auto whole = Doc();
    whole->ReadSettings(stored);
    const QList<QVariant> designPaper = DesignPaper(*whole);

    int titled = 0, papered = 0;
    for (qsizetype n = 0; n < stored.size(); ++n) {
        auto d = Doc();
        const QList<QVariant> before = DesignPaper(*d);
        try {
            d->ReadSettings(QByteArrayView(stored).first(n));
            ADD_FAILURE() << "a cut at " << n << " of " << stored.size() << " bytes was read as whole";
        } catch (const TStreamError& e) {
            EXPECT_NE(std::string(e.what()), "") << n;
        }
        // A setting is either read whole or not at all.
        const QString title = d->Title();
        EXPECT_TRUE(title == whole->Title() || title == defaultTitle) << n;
        titled += title == whole->Title();
        const QList<QVariant> paper = DesignPaper(*d);
        EXPECT_TRUE(paper == designPaper || paper == before) << n;
        papered += paper == designPaper;
    }
    // Settings before the cut were kept: the later the cut, the more.
    EXPECT_GT(titled, stored.size() / 2);
    EXPECT_GT(papered, 3500);
}

TEST_F(ComponentSettings, AMalformedValueIsIgnoredAndReadingGoesOn)
{
    const auto before = Doc();
    const struct {
        const char* what;
        std::function<void(TComponentSettingsWriter&)> bad;
        std::function<void(const TCustomplPrev&)> check;
    } cases[] = {
        {"title as an integer", [](auto& w) { w.WriteInteger(QStringLiteral("Title"), 5); },
         [&](const TCustomplPrev& d) { EXPECT_EQ(d.Title(), before->Title()); }},
        {"cursor out of range", [](auto& w) { w.WriteInteger(QStringLiteral("Cursor"), 999); },
         [&](const TCustomplPrev& d) { EXPECT_EQ(d.Cursor(), before->Cursor()); }},
        {"a boolean of 2", [](auto& w) { w.WriteInteger(QStringLiteral("ViewClip"), 2); },
         [&](const TCustomplPrev& d) { EXPECT_EQ(d.ViewClip, before->ViewClip); }},
        {"two values in one",
         [](auto& w) {
             w.Write(QStringLiteral("FormWidth"), [](TStreamWriter& v) {
                 v.WriteInteger(1);
                 v.WriteInteger(2);
             });
         },
         [&](const TCustomplPrev& d) { EXPECT_EQ(d.FormWidth, before->FormWidth); }},
        {"design paper with a string for its orientation",
         [](auto& w) {
             w.Write(QStringLiteral("DesignPaperValue"), [](TStreamWriter& v) {
                 v.WriteListBegin();
                 for (const char* s : {"P", "A4", "Auto"})
                     v.WriteString(QLatin1String(s));
                 for (int i : {2099, 2969, 600, 600})
                     v.WriteInteger(i);
                 v.WriteString(QStringLiteral("landscape"));
                 for (int i : {43, 2057, 43, 2927, 9})
                     v.WriteInteger(i);
                 v.WriteListEnd();
             });
         },
         [&](const TCustomplPrev& d) {
             // The values before the fault are taken, the rest stay.
             EXPECT_EQ(d.FPrinterName, QStringLiteral("P"));
             EXPECT_EQ(d.FBinName, QStringLiteral("Auto"));
             EXPECT_EQ(d.FOrientation, before->FOrientation);
             EXPECT_EQ(d.FPaperNumber, before->FPaperNumber);
         }},
        {"printer data cut inside its design values",
         [](auto& w) {
             TPrinterStreamValues v;
             v.Name = QStringLiteral("Default");
             v.PrinterName = QStringLiteral("Mono");
             v.DevSize = 4;
             v.Settings = QByteArray("abcd");
             v.FPrinterName = QStringLiteral("Mono");
             v.FPaperNumber = 5;
             const QByteArray stream = WritePrinterStream(v);
             const qsizetype cut = stream.indexOf("DesignValue") + 3;
             w.WriteBinary(QStringLiteral("PrinterData"), QByteArrayView(stream).first(cut));
         },
         [&](const TCustomplPrev& d) {
             // Printer name and snapshot were read; the cut design values were not.
             EXPECT_EQ(d.plSetPrinter()->Settings(), QByteArray("abcd"));
             EXPECT_NE(d.plSetPrinter()->FPaperNumber, 5);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TComponentSettingsWriter w(QStringLiteral("TplPrev"), QStringLiteral("plPrev1"));
        w.WriteInteger(QStringLiteral("LeftMargin"), 7);
        c.bad(w);
        w.WriteInteger(QStringLiteral("TopMargin"), 9);
        auto d = Doc();
        const TComponentSettingsResult r = d->ReadSettings(w.Finish());
        EXPECT_EQ(r.Records, 3);
        EXPECT_EQ(r.Malformed, 1);
        EXPECT_EQ(d->LeftMargin(), 7);
        EXPECT_EQ(d->TopMargin(), 9);
        c.check(*d);
    }
}

TEST_F(ComponentSettings, ContainerFaultsAreClearErrors)
{
    TComponentSettingsWriter w(QStringLiteral("TplPrev"), QStringLiteral("plPrev1"));
    w.WriteInteger(QStringLiteral("LeftMargin"), 7);
    w.WriteString(QStringLiteral("SomethingNewer"), QStringLiteral("x"));
    w.WriteInteger(QStringLiteral("TopMargin"), 9);
    const QByteArray good = w.Finish();
    {
        auto d = Doc();
        const TComponentSettingsResult r = d->ReadSettings(good);
        EXPECT_EQ(r.Unknown, 1);
        EXPECT_EQ(r.Malformed, 0);
        EXPECT_EQ(d->TopMargin(), 9);
    }
    const auto patched = [&](qsizetype at, char byte) {
        QByteArray b = good;
        b[at] = byte;
        return b;
    };
    const qsizetype firstLength = 4 + 1 + 1 + 7 + 1 + 7 + 1 + 10; // header, then the first record's name
    const struct {
        const char* what;
        QByteArray data;
        const char* message;
    } cases[] = {
        {"no signature", patched(0, 'X'), "signature"},
        {"a newer version", patched(4, 2), "version 2"},
        {"another class",
         [] {
             TComponentSettingsWriter o(QStringLiteral("TplSetPrinter"), QString());
             return o.Finish();
         }(),
         "TplSetPrinter"},
        {"a length past the end", patched(firstLength + 2, 0x40), "left"},
        {"a length of zero", patched(firstLength, 0), "value of 0 bytes"},
        {"bytes after the end", good + QByteArray(3, '\0'), "after the end"},
        {"over the limit", QByteArray(kMaxComponentSettings + 1, 'M'), "limit"},
        {"empty", QByteArray(), "signature"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto d = Doc();
        try {
            d->ReadSettings(c.data);
            ADD_FAILURE() << "read without an error";
        } catch (const TStreamError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}
