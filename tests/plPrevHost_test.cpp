// A program that links the engine but never names the preview window still
// gets it: the window's library registers itself with the document.
#include "plPrev.h"
#include "plPrevHost.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>
#include <QWidget>

TEST(PreviewHost, TheEngineBringsItsWindowIntoAProgramThatNeverNamesIt)
{
    ASSERT_NE(PreviewFormFactory(), nullptr);
    TplPrev doc;
    doc.SetName(QStringLiteral("plPrev1"));
    doc.BeginDoc();
    doc.NewPage();
    doc.EndDoc();
    doc.FormWidth = 700;
    doc.FormHeight = 500;

    doc.Show();
    QPointer<QWidget> w = doc.Form();
    ASSERT_TRUE(w);
    EXPECT_NE(qobject_cast<TplPrevHost*>(w.data()), nullptr);
    EXPECT_STREQ(w->metaObject()->className(), "TplPrevForm");
    EXPECT_EQ(doc.FFormName, QStringLiteral("plPrevForm__plPrev1"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_TRUE(doc.FIsPrevFormShow);
    EXPECT_TRUE(doc.Display(2));

    doc.Close();
    EXPECT_FALSE(doc.FIsPrevFormShow);
    EXPECT_EQ(doc.Form(), nullptr);
    QTRY_VERIFY(w.isNull());
}
