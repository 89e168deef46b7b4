// Saves on a file system that is really full (a small tmpfs mounted for the
// test): the save reports failure and the previous file stays as it was.

#include "plCupsPrinterService.h"
#include "plMessageBox.h"
#include "plPrevFrm.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "plUserForms.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
        ASSERT_TRUE(FDir.isValid());
        if (mount("tmpfs", FDir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "mounting a tmpfs needs root";
        FMounted = true;
    }
    void TearDown() override
    {
        if (FMounted)
            umount(FDir.path().toLocal8Bit().constData());
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    // Takes every block that is left, so the next byte written fails.
    void Fill()
    {
        QFile filler(Path("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {}
        ASSERT_NE(filler.error(), QFileDevice::NoError);
    }
    // Only the files the test put there: no temporary file is left behind.
    QStringList Files() const { return QDir(FDir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir FDir;
    bool FMounted = false;
};

} // namespace

TEST_F(FullDiskTest, SettingsFileSurvivesAFailedSave)
{
    TplSetPrinter sp;
    sp.SetName("Default");
    sp.SetPrinterName("Office Laser");
    ASSERT_TRUE(sp.SetOrientation(poLandscape));
    const QString file = Path("settings.prs");
    ASSERT_TRUE(sp.SaveToFile(file));
    const QByteArray good = ReadAll(file);
    ASSERT_FALSE(good.isEmpty());

    Fill();
    ASSERT_TRUE(sp.SetOrientation(poPortrait));
    EXPECT_FALSE(sp.SaveToFile(file));
    EXPECT_EQ(ReadAll(file), good);
    EXPECT_EQ(Files(), (QStringList{"filler", "settings.prs"}));

    // With room again the same object saves its new settings.
    ASSERT_TRUE(QFile::remove(Path("filler")));
    EXPECT_TRUE(sp.SaveToFile(file));
    EXPECT_NE(ReadAll(file), good);
}

TEST_F(FullDiskTest, FormsSurviveAFailedRegistration)
{
    TUserFormStore store(Path("paperforms.json"));
    const TPaperForm card{"Job Card", 100000, 150000};
    ASSERT_TRUE(store.Add("Office Laser", card));
    ASSERT_TRUE(store.Add("Mono Letter", card));
    const QByteArray good = ReadAll(store.Path());

    Fill();
    const TPaperForm big{"Poster Form With A Long Name", 420000, 594000};
    EXPECT_FALSE(store.Add("Office Laser", big));
    EXPECT_FALSE(store.Delete("Mono Letter", card.Name));
    EXPECT_EQ(ReadAll(store.Path()), good);
    EXPECT_EQ(store.Forms("Office Laser").size(), 1);
    EXPECT_EQ(store.Forms("Mono Letter").size(), 1);
    EXPECT_EQ(Files(), (QStringList{"filler", "paperforms.json"}));
}

// Save as PDF from the preview onto a full disk: a warning, and the file of
// the same name that was there keeps its bytes.
TEST_F(FullDiskTest, EarlierPdfSurvivesAFailedSaveAsPdf)
{
    TplPrev doc;
    doc.BeginDoc();
    doc.TextRectCC(200, 1800, 200, 800, QStringLiteral("1"));
    doc.EndDoc();
    TplPrevForm form;
    form.SetplPrev(&doc);
    const QString file = Path("sheet.pdf");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write("earlier"), 7);
    }
    Fill();
    const auto saved = TplPrevForm::ChoosePdfFile;
    TplPrevForm::ChoosePdfFile = [&](QWidget*, const QString&) { return file; };
    TMessageBoxRecorder boxes;
    EXPECT_FALSE(form.SavePdfExecute(nullptr));
    TplPrevForm::ChoosePdfFile = saved;
    EXPECT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(ReadAll(file), QByteArray("earlier"));
    EXPECT_EQ(Files(), (QStringList{"filler", "sheet.pdf"}));
}
