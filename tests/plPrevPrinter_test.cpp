// The document engine on the private spooler's printers (Office Laser: A4,
// 600 dpi, 5 mm margins; Mono Letter: Letter, 300 dpi).
#include "plCupsPrinterService.h"
#include "plKeyboard.h"
#include "plMemoryPrinterService.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "support/SpoolerDocument.h"
#include "support/SpoolerOutput.h"
#include "support/plLogDevice.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

using PrevPrinterTest = TSpoolerDocumentTest;

constexpr double kMmPerPt = 25.4 / 72;

} // namespace

// The printer's sheet and printable area in paper units, as the document
// reads them in both orientations.
TEST_F(PrevPrinterTest, GeometryOfTheA4Printer)
{
    struct Case {
        int Orientation;
        int PaperW, PaperH, Left, Top, Right, Bottom, PageW, PageH;
    };
    const Case cases[] = {
        // 4960 x 7015 pixels with 118-pixel bands at 600 dpi.
        {poPortrait, 2099, 2969, 50, 50, 2050, 2920, 1999, 2869},
        {poLandscape, 2969, 2099, 50, 50, 2920, 2050, 2869, 1999},
    };
    for (const Case& c : cases) {
        auto doc = Document(c.Orientation);
        ASSERT_FALSE(doc->NoPrinter());
        EXPECT_EQ(doc->plSetPrinter()->Name(), "Default");
        EXPECT_EQ(doc->plSetPrinter()->PrinterName(), "Office Laser");
        EXPECT_EQ(doc->XResolution(), 600);
        EXPECT_EQ((std::array{doc->PaperWidth(), doc->PaperHeight(), doc->LeftOffset(), doc->TopOffset(),
                              doc->RightOffset(), doc->BottomOffset(), doc->PageWidth(), doc->PageHeight()}),
                  (std::array{c.PaperW, c.PaperH, c.Left, c.Top, c.Right, c.Bottom, c.PageW, c.PageH}))
            << c.Orientation;
        EXPECT_NEAR(doc->PaperRatio(), double(c.PaperH) / c.PaperW, 1e-12);

        // Pages are recorded against the printer: the frame in its pixels.
        doc->BeginDoc();
        EXPECT_EQ(doc->MetaW, TCustomplPrev::Roundoff(c.PaperW * 600 / 254.0));
        doc->Line(100, 200, 50, 50);
        doc->EndDoc();
        auto lines = Only(LogPicture(doc->Pages()[0]), TLogItem::ikLine);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].Points[1], QPointF(200, 50));
        ASSERT_TRUE(lines[0].Clip);
        EXPECT_EQ(*lines[0].Clip, QRectF(QPointF(c.Left, c.Top), QPointF(c.Right, c.Bottom)));
    }
}

// The reference device does not change a page: recorded against the printer
// or, without one, against the screen, the same drawing logs the same.
TEST_F(PrevPrinterTest, PagesDoNotDependOnTheReferenceDevice)
{
    const auto record = [](TCustomplPrev& doc) {
        doc.BeginDoc();
        doc.FontSize(21);
        doc.FontName("Times New Roman");
        doc.TextRectCC(200, 1000, 500, 700, "12 + 34 =");
        doc.TextOutRB(1500, 800, "gjpq");
        doc.LineWidth(3);
        doc.Circle(1000, 1000, 101);
        doc.EndDoc();
        return LogPicture(doc.Pages()[0]);
    };
    auto onPrinter = Document();
    const auto a = record(*onPrinter);

    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>("/nonexistent/mirvak/cups.sock"));
    TplPrev noPrinter;
    ASSERT_TRUE(noPrinter.NoPrinter());
    noPrinter.FPaperWidth = onPrinter->PaperWidth();
    noPrinter.FPaperHeight = onPrinter->PaperHeight();
    noPrinter.FLeftOffset = onPrinter->LeftOffset();
    noPrinter.FTopOffset = onPrinter->TopOffset();
    noPrinter.FRightOffset = onPrinter->RightOffset();
    noPrinter.FBottomOffset = onPrinter->BottomOffset();
    const auto b = record(noPrinter);
    EXPECT_NE(onPrinter->MetaW, noPrinter.MetaW);

    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].Kind, b[i].Kind) << i;
        EXPECT_EQ(a[i].Box, b[i].Box) << i;
        EXPECT_EQ(a[i].Points, b[i].Points) << i;
        EXPECT_EQ(a[i].Text, b[i].Text) << i;
        EXPECT_EQ(a[i].Width, b[i].Width) << i;
        EXPECT_EQ(a[i].Clip, b[i].Clip) << i;
    }
}

// A designed size takes the place of the printer's paper for pages drawn on
// demand, turned for a landscape printer; recorded documents ignore it.
TEST_F(PrevPrinterTest, DesignedPaperSizeOnDemand)
{
    auto doc = Document(poLandscape);
    doc->DesignedPaperSize(2100, 0); // ignored
    doc->DesignedPaperSize(2100, 2970);
    doc->BeginDoc();
    EXPECT_EQ(doc->PaperWidth(), 2969);
    doc->EndDoc();
    int drawn = 0;
    doc->SetProcName([&] { drawn = doc->PageNumber(); });
    doc->SetPageCount(2);
    ASSERT_NE(doc->GetMetaImage(2), nullptr); // reads the geometry in on-demand mode
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(doc->PaperWidth(), 2970);
    EXPECT_EQ(doc->PaperHeight(), 2100);
    EXPECT_EQ(doc->RightOffset(), 2970 - 49);
    EXPECT_EQ(doc->PageWidth(), doc->RightOffset() - doc->LeftOffset());
}

// A linked printer-settings object is used until it is destroyed; then the
// document's own one takes over.
TEST_F(PrevPrinterTest, LinkedSettingsAndFallback)
{
    auto doc = Document();
    TplSetPrinter* own = doc->plSetPrinter();
    auto* other = new TplSetPrinter(&Form);
    other->SetName("plSetPrinter1");
    other->SetPrinterName("Mono Letter");
    doc->SetplSetPrinter(other);
    EXPECT_EQ(doc->plSetPrinter(), other);
    EXPECT_EQ(doc->PaperWidth(), 2159); // Letter, 215.9 mm
    EXPECT_EQ(doc->XResolution(), 300);
    doc->BeginDoc(); // an external object applies its settings at every start
    EXPECT_EQ(doc->PaperWidth(), 2159);
    doc->EndDoc();
    delete other;
    EXPECT_EQ(doc->plSetPrinter(), own);
    EXPECT_EQ(doc->ViewWidth(), 0);
    doc->SetplSetPrinter(nullptr);
    EXPECT_EQ(doc->plSetPrinter(), own);
}

// A page with a centred box text, printed through the spooler, has the text
// centred in its box on paper; every page is printed once, in order.
TEST_F(PrevPrinterTest, PrintedBoxTextIsCentredOnPaper)
{
    auto doc = Document();
    doc->BeginDoc();
    doc->FontSize(21);
    doc->FontName("Times New Roman");
    doc->RectLine(200, 1000, 500, 700);
    doc->TextRectCC(200, 1000, 500, 700, "12345");
    doc->NewPage();
    doc->FontName("Verdana");
    doc->TextRectCC(1000, 1800, 1500, 1700, "Wxyz");
    doc->EndDoc();
    doc->SetTitle("Centred");
    std::vector<int> printed;
    doc->OnPrint = [&](QObject* sender, int page) {
        EXPECT_EQ(sender, doc.get());
        EXPECT_TRUE(doc->Printing());
        printed.push_back(page);
    };
    doc->Print();
    EXPECT_FALSE(doc->Printing());
    EXPECT_EQ(printed, (std::vector<int>{1, 2}));

    const QString pdf = SpoolerOutput::WaitForJob("Office_Laser", TPrinter::Printer().LastJobId());
    ASSERT_FALSE(pdf.isEmpty());
    const SpoolerOutput::TPdfInfo info = SpoolerOutput::Info(pdf);
    ASSERT_EQ(info.Pages, 2);
    EXPECT_NEAR(info.PageSizes[0].width() * kMmPerPt, 210, 0.5);
    EXPECT_NEAR(info.PageSizes[0].height() * kMmPerPt, 297, 0.5);
    EXPECT_EQ(SpoolerOutput::JobOptions("Office_Laser", TPrinter::Printer().LastJobId()).value("title"), "Centred");
    const QList<SpoolerOutput::TWord> words = SpoolerOutput::Words(pdf);
    ASSERT_EQ(words.size(), 2);
    struct Want {
        QString Text;
        int Page;
        double X, Y; // centre of the box, mm
    };
    const Want want[] = {{"12345", 1, 60, 60}, {"Wxyz", 2, 140, 160}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(words[i].Text, want[i].Text);
        EXPECT_EQ(words[i].Page, want[i].Page);
        EXPECT_NEAR(words[i].Box.center().x() * kMmPerPt, want[i].X, 0.5) << want[i].Text;
        EXPECT_NEAR(words[i].Box.center().y() * kMmPerPt, want[i].Y, 0.5) << want[i].Text;
    }
}

// Upside-down printing puts the page's first line at the bottom of the
// sheet; the print offset shifts everything printed.
TEST_F(PrevPrinterTest, InverseAndOffsetPrinting)
{
    struct Case {
        bool Inverse;
        int OffX;
        double X, Y; // expected centre of the word on the sheet, mm
    };
    // The word is centred on (60 mm, 20 mm) of the page.
    const Case cases[] = {{false, 50, 65, 20}, {true, 0, 210 - 60 + 0.1, 297 - 20 - 0.1}};
    for (const Case& c : cases) {
        auto doc = Document();
        doc->SetInversePrint(c.Inverse);
        doc->SetPrintOffsetX(c.OffX);
        doc->BeginDoc();
        doc->FontSize(16);
        doc->TextRectCC(200, 1000, 100, 300, "First");
        doc->EndDoc();
        doc->Print();
        const QString pdf = SpoolerOutput::WaitForJob("Office_Laser", TPrinter::Printer().LastJobId());
        ASSERT_FALSE(pdf.isEmpty());
        const QList<SpoolerOutput::TWord> words = SpoolerOutput::Words(pdf);
        ASSERT_EQ(words.size(), 1);
        EXPECT_NEAR(words[0].Box.center().x() * kMmPerPt, c.X, 0.5) << c.Inverse;
        EXPECT_NEAR(words[0].Box.center().y() * kMmPerPt, c.Y, 0.5) << c.Inverse;
    }
}

// The page range is put in order and clamped to the document's pages.
TEST_F(PrevPrinterTest, PageRange)
{
    // A deterministic printer: four jobs on the spooler would only cost time.
    auto service = std::make_shared<TMemoryPrinterService>();
    service->Printers.append(TMemoryPrinterService::ColorLaser("Laser", "laser"));
    TPrinter::Printer().SetService(service);
    auto doc = std::make_unique<TplPrev>(&Form);
    doc->BeginDoc();
    for (int i = 0; i < 3; ++i)
        doc->NewPage();
    doc->EndDoc();
    struct Case {
        int From, To;
        std::vector<int> Pages;
    };
    const Case cases[] = {
        {0, 0, {1, 2, 3, 4}},
        {3, 1, {1, 2, 3}},
        {5, 9, {4}},
        {-2, 2, {1, 2}},
    };
    for (const Case& c : cases) {
        std::vector<int> printed;
        doc->OnPrint = [&](QObject*, int page) { printed.push_back(page); };
        doc->SetPrintFromPage(c.From);
        doc->SetPrintToPage(c.To);
        doc->Print();
        EXPECT_EQ(printed, c.Pages) << c.From << ".." << c.To;
        EXPECT_EQ(doc->PrintFromPage(), c.From); // the range itself stays
    }
    EXPECT_EQ(service->Jobs.size(), std::size(cases));
}

// While a printer whose name contains "acrobat" prints, the Ctrl key reads as
// held; afterwards it is as before. The job is named after the application
// when the title is empty.
TEST_F(PrevPrinterTest, AcrobatPrinterHoldsCtrl)
{
    auto service = std::make_shared<TMemoryPrinterService>();
    service->Printers.append(TMemoryPrinterService::ColorLaser("Adobe AcroBat PDF", "acrobat"));
    TPrinter::Printer().SetService(service);
    TKeyboardState keys{};
    keys[VK_CONTROL] = 0x01;
    SetKeyboardState(keys);
    auto doc = std::make_unique<TplPrev>(&Form);
    EXPECT_TRUE(doc->AcrobatOut());
    doc->SetTitle("");
    doc->BeginDoc();
    doc->EndDoc();
    uint8_t during = 0;
    doc->OnPrint = [&](QObject*, int) { during = GetKeyboardState()[VK_CONTROL]; };
    doc->Print();
    EXPECT_EQ(during, 0x81);
    EXPECT_EQ(GetKeyboardState()[VK_CONTROL], 0x01);
    ASSERT_EQ(service->Jobs.size(), 1);
    EXPECT_EQ(service->Jobs[0].Options.Title, QGuiApplication::applicationDisplayName() + u"印刷"_qs);
}
