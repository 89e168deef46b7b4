#include "uTheme.h"
#include "uUtils.h"
#include "uVCLFrmAbout.h"

#include "support/ThemeLocaleSetting.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace {

// Receives the addresses the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// Runs Execute; while the box is up, calls whileShown, then ends the box the
// way `close` says. Returns Execute's result.
int ExecuteWith(TVCLFrmAbout& box, const std::function<void()>& whileShown, const std::function<void()>& close = {})
{
    bool ran = false;
    QTimer::singleShot(0, &box, [&] {
        EXPECT_TRUE(box.isVisible());
        EXPECT_TRUE(box.isModal());
        whileShown();
        ran = true;
        if (close)
            close();
        else
            QTest::mouseClick(box.btOK, Qt::LeftButton);
    });
    const int result = box.Execute();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(box.isVisible());
    return result;
}

} // namespace

TEST(AboutBox, ShowsIconNameVersionAndTheLinkByThemeAndLanguage)
{
    const struct {
        bool light;
        const char* lang;
        QString style;
        QColor link;
        QString url;
    } cases[] = {
        {true, "en_US.UTF-8", StyleNameLight, QColor(0, 0, 255), TVCLFrmAbout::URLEnglish},
        {false, "en_US.UTF-8", StyleNameDark, QColor(170, 170, 255), TVCLFrmAbout::URLEnglish},
        {true, "ja_JP.UTF-8", StyleNameLight, QColor(0, 0, 255), TVCLFrmAbout::URLJapanese},
        {false, "ja_JP.UTF-8", StyleNameDark, QColor(170, 170, 255), TVCLFrmAbout::URLJapanese},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + (c.light ? " light" : " dark"));
        Setting setting(c.light, c.lang);
        QWidget owner;
        TVCLFrmAbout box(&owner);
        EXPECT_FALSE(box.isVisible());
        const int result = ExecuteWith(box, [&] {
            EXPECT_EQ(box.Image1->pixmap().size(), QSize(60, 60));
            EXPECT_EQ(OwnStyleName(&box), c.style);
            EXPECT_EQ(EffectiveStyleName(box.btOK), c.style);
            // The link keeps the plain look and shows its own colour.
            EXPECT_EQ(EffectiveStyleName(box.lbURL), StyleNamePlain);
            EXPECT_EQ(box.lbURL->style(), QApplication::style());
            EXPECT_EQ(box.lbURL->palette().color(QPalette::WindowText), c.link);
            EXPECT_EQ(box.lbURL->text(), c.url);
            EXPECT_GE(box.lbURL->width(), box.lbURL->fontMetrics().horizontalAdvance(c.url));
            EXPECT_EQ(box.lbAppName->text(), QStringLiteral("Mirvak Ver.") + GetVersionString());
            EXPECT_TRUE(box.lbAppName->font().bold());
            // The rest is the same in both languages.
            EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
            EXPECT_EQ(box.btOK->text(), QStringLiteral("OK"));
            EXPECT_EQ(box.lbMaker->text(), QStringLiteral("Tessvale Works"));
            EXPECT_EQ(box.size(), QSize(354, 188));
            EXPECT_EQ(box.btOK->geometry(), QRect(0, 158, 354, 30));
            // The name line is readable on its band in either look.
            const int text = box.lbAppName->palette().color(QPalette::WindowText).lightness();
            const int band = box.Panel1->palette().color(QPalette::Window).lightness();
            EXPECT_GT(std::abs(text - band), 120);
        });
        EXPECT_EQ(result, QDialog::Accepted);
    }
}

TEST(AboutBox, LooksTheSameEveryTimeItIsShown)
{
    Setting setting(false, "en_US.UTF-8");
    TVCLFrmAbout box;
    QImage first, second;
    ExecuteWith(box, [&] { first = box.grab().toImage(); });
    ExecuteWith(box, [&] { second = box.grab().toImage(); });
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first, second);
}

TEST(AboutBox, TheLinkOpensTheAddressShownAndTheBoxStaysOpen)
{
    Setting setting(true, "ja_JP.UTF-8");
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    TVCLFrmAbout box;
    const int result = ExecuteWith(
        box,
        [&] {
            QTest::mouseClick(box.lbURL, Qt::LeftButton);
            EXPECT_TRUE(box.isVisible());
            // A click on the name line opens nothing.
            QTest::mouseClick(box.lbAppName, Qt::LeftButton);
        },
        [&] { box.close(); });
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.first(), QUrl(TVCLFrmAbout::URLJapanese));
    // Closed with the window's close box rather than OK.
    EXPECT_EQ(result, QDialog::Rejected);
}

#include "uVCLFrmAbout_test.moc"
