#include "uCommandLine.h"

#include "support/HungServer.h"
#include "support/SpoolerOutput.h"
#include "support/ThemeLocaleSetting.h"
#include "plCupsPrinterService.h"
#include "plMemoryPrinterService.h"
#include "plPrinter.h"
#include "uOpRec.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <set>

namespace {

int Mirvak(QStringList args)
{
    args.prepend(QStringLiteral("mirvak"));
    return RunCommandLine(args);
}

// The answers of the sheets just generated, as the answer pages print them.
std::set<QString> AnswersOfSheet(size_t i)
{
    std::set<QString> out;
    for (int k = 0; k < 100; ++k)
        out.insert(QString::number(OpRecs.at(i).Ans[k]));
    return out;
}

// Every answer of every sheet stands on that sheet's answer page.
void ExpectAnswerPages(const QString& pdf, int sheets)
{
    const auto info = SpoolerOutput::Info(pdf);
    ASSERT_EQ(info.Pages, 3 * sheets);
    for (const QSizeF& s : info.PageSizes) {
        EXPECT_NEAR(s.width(), 595.3, 1.5);
        EXPECT_NEAR(s.height(), 841.9, 1.5);
    }
    const auto words = SpoolerOutput::Words(pdf);
    for (int i = 0; i < sheets; ++i) {
        std::set<QString> onPage;
        for (const auto& w : words)
            if (w.Page == 2 * sheets + 1 + i)
                onPage.insert(w.Text);
        for (const QString& a : AnswersOfSheet(size_t(i)))
            EXPECT_TRUE(onPage.count(a)) << "sheet " << i << " answer " << a.toStdString();
    }
}

} // namespace

// Bad arguments: a clear message, a non-zero exit, and no file written.
TEST(CommandLine, RefusesBadArgumentsAndWritesNothing)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("sheets.pdf"));
    const QStringList cases[] = {
        {"--start", "0", "--end", "3", "--pdf", out},
        {"--start", "1", "--end", "101", "--pdf", out},
        {"--start", "x", "--end", "3", "--pdf", out},
        {"--start", "5", "--end", "3", "--pdf", out},
        {"--start", "1", "--pdf", out},
        {"--start", "1", "--end", "1"},
        {"--start", "1", "--end", "1", "--pdf", out, "--print"},
        {"--start", "1", "--end", "1", "--bogus"},
        {"--start", "1", "--end", "1", "--pdf", dir.filePath(QStringLiteral("missing/dir/x.pdf"))},
        {"--start", "1", "--end", "1", "--pdf", dir.path()},
        {"--start", "1", "--end", "1", "--print", "--printer", "No Such Printer"},
    };
    for (const QStringList& args : cases) {
        EXPECT_NE(Mirvak(args), 0) << args.join(' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(out)) << args.join(' ').toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
    EXPECT_EQ(Mirvak({"--help"}), 0);
    EXPECT_EQ(Mirvak({"--version"}), 0);
}

// Sheets 3 to 5 as one A4 PDF through the printing path of the current printer.
TEST(CommandLine, PdfOfThreeSheets)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("sheets.pdf"));
    ASSERT_EQ(Mirvak({"--start", "3", "--end", "5", "--pdf", out}), 0);
    ExpectAnswerPages(out, 3);
    // Nothing is left beside the file.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{"sheets.pdf"});
}

// With no printer installed the sheets are laid out on the designed A4.
TEST(CommandLine, PdfWithoutPrinterUsesDesignedA4)
{
    TPrinter::Printer().SetService(std::make_shared<TMemoryPrinterService>());
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("one.pdf"));
    const int rc = Mirvak({"--start", "1", "--end", "1", "--pdf", out});
    TPrinter::Printer().SetService(nullptr);
    ASSERT_EQ(rc, 0);
    ExpectAnswerPages(out, 1);
}

// Whatever paper the default printer has, the sheets are laid out on A4
// portrait, and the job and the PDF carry the title in the user's language.
TEST(CommandLine, A4PortraitAndTitleByLanguage)
{
    const struct {
        const char* lang;
        QString title;
    } cases[] = {{"en_US.UTF-8", QStringLiteral("Print Preview")}, {"ja_JP.UTF-8", QStringLiteral("印刷プレビュー")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        const Setting setting(true, c.lang);
        auto service = std::make_shared<TMemoryPrinterService>();
        service->Printers.push_back(
            TMemoryPrinterService::MonoLetter(QStringLiteral("Letter Only"), QStringLiteral("letter")));
        service->Printers.back().Entry.IsDefault = true;
        TPrinter::Printer().SetService(service);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("one.pdf"));
        const int pdfRc = Mirvak({"--start", "1", "--end", "1", "--pdf", out});
        if (pdfRc == 0)
            ExpectAnswerPages(out, 1);
        const int printRc = Mirvak({"--start", "1", "--end", "1", "--print"});
        TPrinter::Printer().SetService(nullptr);
        ASSERT_EQ(pdfRc, 0);
        ASSERT_EQ(printRc, 0);
        EXPECT_EQ(SpoolerOutput::Info(out).Title, c.title);
        ASSERT_EQ(service->Jobs.size(), 1);
        EXPECT_EQ(service->Jobs[0].Options.Title, c.title);
        EXPECT_EQ(service->Jobs[0].Options.Media, QStringLiteral("iso_a4_210x297mm"));
    }
}

// --print hands one job of the same pages to the named printer.
TEST(CommandLine, PrintsToTheNamedPrinter)
{
    const QString outDir = SpoolerOutput::Dir();
    const auto before = QDir(outDir).entryList({"Office_Laser-*.pdf"}, QDir::Files);
    ASSERT_EQ(Mirvak({"--start", "2", "--end", "2", "--print", "--printer", "office"}), 0);
    const int job = TPrinter::Printer().LastJobId();
    ASSERT_GT(job, 0);
    const QString pdf = SpoolerOutput::WaitForJob(QStringLiteral("Office_Laser"), job);
    ASSERT_FALSE(pdf.isEmpty());
    ExpectAnswerPages(pdf, 1);
}

// A print server that accepts connections but never answers: --print gives
// its "no printer" error after one short wait, not after the server's 44 s.
// The bound only tells a hang from a wait; the time itself is benchmarked.
TEST(CommandLine, HungServerGivesNoPrinterErrorSoon)
{
    THungServer hung;
    ASSERT_TRUE(hung.Ok());
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>(hung.Path()));
    QElapsedTimer clock;
    clock.start();
    const int rc = Mirvak({"--start", "1", "--end", "1", "--print"});
    const qint64 ms = clock.elapsed();
    TPrinter::Printer().SetService(nullptr);
    EXPECT_EQ(rc, 1);
    EXPECT_LT(ms, 15000);
}
