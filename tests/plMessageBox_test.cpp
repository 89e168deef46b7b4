#include "plMessageBox.h"
#include "uApplication.h"

#include "support/ThemeLocaleSetting.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

// A recorder sees every box with its text, caption, icon and buttons, answers
// it, and puts the previous hook back when it goes (recorders nest).
TEST(MessageBox, RecorderSeesAndAnswersBoxes)
{
    TMessageBoxRecorder outer;
    {
        TMessageBoxRecorder inner(QMessageBox::No);
        EXPECT_EQ(ShowMessageBox(QString::fromUtf8("印刷するページがありません"), "Print", QMessageBox::Warning,
                                 QMessageBox::Yes | QMessageBox::No),
                  QMessageBox::No);
        ASSERT_EQ(inner.Boxes.size(), 1u);
        EXPECT_EQ(inner.Boxes[0].Text, QString::fromUtf8("印刷するページがありません"));
        EXPECT_EQ(inner.Boxes[0].Caption, "Print");
        EXPECT_EQ(inner.Boxes[0].Icon, QMessageBox::Warning);
        EXPECT_EQ(inner.Boxes[0].Buttons, QMessageBox::Yes | QMessageBox::No);
    }
    // Without an answer the default button, else the first button, is pressed.
    EXPECT_EQ(ShowMessageBox("a", "b", QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
              QMessageBox::No);
    EXPECT_EQ(ShowMessageBox("c", "d", QMessageBox::Critical, QMessageBox::Ok | QMessageBox::Cancel), QMessageBox::Ok);
    ASSERT_EQ(outer.Boxes.size(), 2u);
    EXPECT_EQ(outer.Boxes[1].Icon, QMessageBox::Critical);
}

// Without a hook a real modal box appears with the given text, caption and
// icon, and the button pressed in it is returned.
TEST(MessageBox, RealBoxReturnsThePressedButton)
{
    QString seenText, seenCaption;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        seenText = box->text();
        seenCaption = box->windowTitle();
        seenIcon = box->icon();
        box->button(QMessageBox::Cancel)->click();
    });
    poll.start();
    const auto pressed = ShowMessageBox("Nothing to print.", "Mirvak", QMessageBox::Warning,
                                        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    EXPECT_EQ(pressed, QMessageBox::Cancel);
    EXPECT_EQ(seenText, "Nothing to print.");
    EXPECT_EQ(seenCaption, "Mirvak");
    EXPECT_EQ(seenIcon, QMessageBox::Warning);
}

// The toolkit's own texts (standard buttons, the print dialog) follow the
// program's language: Japanese with the Japanese locale, English otherwise.
TEST(MessageBox, ToolkitTextsFollowTheProgramLanguage)
{
    const struct {
        const char* lang;
        const char* cancel;
        const char* print;
    } cases[] = {
        {"ja_JP.UTF-8", "キャンセル", "印刷"},
        {"en_US.UTF-8", "Cancel", "Print"},
    };
    for (const auto& c : cases) {
        Setting setting(true, c.lang);
        TApplication::LoadToolkitTranslations();
        QMessageBox box(QMessageBox::Information, "a", "b", QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8(c.cancel)) << c.lang;
        EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), QString::fromUtf8(c.print)) << c.lang;
    }
}
