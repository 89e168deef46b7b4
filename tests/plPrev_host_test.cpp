// How the document finds, shows, redraws and closes its preview window.
#include "plPrev.h"
#include "plPrevFrm.h"

#include "plCupsPrinterService.h"
#include "plMemoryPrinterService.h"
#include "plMessageBox.h"
#include "plPrinter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

std::unique_ptr<TplPrev> MakeDoc(int pages)
{
    auto doc = std::make_unique<TplPrev>();
    doc->SetName(QStringLiteral("plPrev1"));
    doc->BeginDoc();
    for (int n = 2; n <= pages; ++n)
        doc->NewPage();
    doc->EndDoc();
    doc->FormWidth = 700;
    doc->FormHeight = 500;
    return doc;
}

// Runs f inside the modal loop that the next call opens.
void WhileModal(std::function<void()> f)
{
    QTimer::singleShot(0, [f] { QTimer::singleShot(20, f); });
}

TplPrevForm* PreviewOf(TCustomplPrev& doc)
{
    return qobject_cast<TplPrevForm*>(doc.Form());
}

} // namespace

TEST(PreviewHosting, ModalShowCreatesAFreshNamedWindowAndFreesIt)
{
    auto doc = MakeDoc(3);
    for (int round = 0; round < 2; ++round) {
        QPointer<TplPrevForm> seen;
        QString nameWhileOpen;
        bool displayWhileOpen = true;
        WhileModal([&] {
            seen = PreviewOf(*doc);
            ASSERT_TRUE(seen);
            nameWhileOpen = seen->objectName();
            EXPECT_EQ(doc->FFormName, QStringLiteral("plPrevForm__plPrev1"));
            EXPECT_TRUE(doc->FIsPrevFormShow);
            EXPECT_TRUE(seen->isModal());
            displayWhileOpen = doc->Display(2); // the show itself holds the guard
            seen->CloseBtn->click();
        });
        doc->ShowModal();
        EXPECT_EQ(nameWhileOpen, QStringLiteral("plPrevForm__plPrev1"));
        EXPECT_FALSE(displayWhileOpen);
        EXPECT_TRUE(seen.isNull()) << "round " << round;
        EXPECT_EQ(doc->Form(), nullptr);
        EXPECT_EQ(doc->FFormName, QString());
        EXPECT_FALSE(doc->FIsPrevFormShow);
        EXPECT_EQ(doc->ViewWidth(), 0);
        EXPECT_TRUE(doc->fgDisplay);
    }
}

TEST(PreviewHosting, ModelessShowDisplaysPagesAndCloses)
{
    auto doc = MakeDoc(4);
    int prepared = 0;
    doc->OnFormShow = [&](QObject*) { ++prepared; };
    doc->Show();
    QPointer<TplPrevForm> f = PreviewOf(*doc);
    ASSERT_TRUE(f);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    EXPECT_EQ(prepared, 1);
    EXPECT_TRUE(doc->FIsPrevFormShow);

    struct Case {
        int page;
        bool shown;
        int after;
    };
    const Case cases[] = {{0, false, 1}, {5, false, 1}, {3, true, 3}, {4, true, 4}, {-1, false, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(doc->Display(c.page), c.shown) << c.page;
        EXPECT_EQ(doc->PageNumber(), c.after) << c.page;
    }
    EXPECT_EQ(f->StatusPanel[0]->text().left(12), QStringLiteral(" Page  4/4  "));

    // A second Show brings the open window up instead of making another.
    doc->Show();
    EXPECT_EQ(PreviewOf(*doc), f.data());

    // A modal show while it is open is refused with a warning.
    {
        TMessageBoxRecorder boxes;
        doc->ShowModal();
        ASSERT_EQ(boxes.Boxes.size(), 1u);
        EXPECT_EQ(boxes.Boxes[0].Text,
                  QStringLiteral("表示中のフォームをモーダル表示で開くことはできません(矛盾)．　　"));
        EXPECT_EQ(boxes.Boxes[0].Caption, QStringLiteral("印刷プレビュー制御コンポーネント"));
        EXPECT_EQ(boxes.Boxes[0].Icon, QMessageBox::Warning);
    }

    doc->Close();
    EXPECT_FALSE(doc->FIsPrevFormShow);
    EXPECT_EQ(doc->Form(), nullptr);
    QTRY_VERIFY(f.isNull()); // a window the document made goes when it closes
    EXPECT_FALSE(doc->Display(1));
}

TEST(PreviewHosting, ImageVisibleHidesAndRedisplays)
{
    auto doc = MakeDoc(2);
    doc->SetImageVisible(false); // no window: only the value changes
    EXPECT_FALSE(doc->ImageVisible());
    doc->SetImageVisible(true);

    doc->Show();
    QPointer<TplPrevForm> f = PreviewOf(*doc);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    int views = 0;
    doc->OnAfterView = [&](QObject*, int) { ++views; };
    doc->SetImageVisible(false);
    EXPECT_TRUE(f->Image1->isHidden());
    EXPECT_TRUE(f->Shape1->isHidden());
    EXPECT_TRUE(f->Shape2->isHidden());
    doc->SetImageVisible(true);
    EXPECT_TRUE(f->Image1->isVisible());
    EXPECT_TRUE(f->Shape2->isVisible());
    EXPECT_EQ(views, 1);
    doc->Close();
}

TEST(PreviewHosting, AWindowNamedInAnyCaseIsLinkedAndKept)
{
    auto doc = MakeDoc(2);
    auto* own = new TplPrevForm;
    own->setObjectName(QStringLiteral("MyPreview"));
    QPointer<TplPrevForm> keep(own);
    doc->FFormName = QStringLiteral("mypreview");
    WhileModal([&] {
        EXPECT_EQ(doc->Form(), own);
        EXPECT_EQ(own->plPrev(), doc.get());
        own->CloseBtn->click();
    });
    doc->ShowModal();
    EXPECT_FALSE(keep.isNull());
    EXPECT_EQ(doc->Form(), own);
    EXPECT_FALSE(doc->FIsPrevFormShow);
    delete own;
}

TEST(PreviewHosting, AnApplicationWindowThatIsNotAPreviewIsShownModally)
{
    auto doc = MakeDoc(1);
    QWidget other;
    other.setObjectName(QStringLiteral("OtherWindow"));
    doc->FFormName = QStringLiteral("OtherWindow");
    doc->SetViewWidth(1234);
    bool wasModal = false;
    WhileModal([&] {
        wasModal = other.isVisible() && other.isModal();
        EXPECT_TRUE(doc->FIsPrevFormShow);
        other.close();
    });
    doc->ShowModal();
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(doc->Form(), &other);
    EXPECT_EQ(doc->ViewWidth(), 0);
    EXPECT_FALSE(doc->FIsPrevFormShow);

    // A name that matches nothing shows nothing.
    auto lost = MakeDoc(1);
    lost->FFormName = QStringLiteral("NoSuchWindow");
    lost->ShowModal();
    lost->Show();
    EXPECT_EQ(lost->Form(), nullptr);
    EXPECT_FALSE(lost->FIsPrevFormShow);
}

TEST(PreviewHosting, ADocumentOnTheWindowIsLinkedWhenShown)
{
    auto* form = new TplPrevForm;
    auto* doc = new TplPrev(form);
    doc->BeginDoc();
    doc->NewPage();
    doc->EndDoc();
    doc->FormWidth = 600;
    doc->FormHeight = 500;
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    EXPECT_EQ(form->plPrev(), doc);
    EXPECT_EQ(doc->Form(), form);
    EXPECT_EQ(doc->FFormName, QStringLiteral("plPrevForm"));
    EXPECT_TRUE(form->NextPageBtn->isEnabled());
    delete form; // takes the document with it
}

TEST(PreviewHosting, AWindowLeftOpenGoesWithItsDocument)
{
    auto doc = MakeDoc(2);
    doc->Show();
    QPointer<TplPrevForm> f = PreviewOf(*doc);
    ASSERT_TRUE(f);
    int destroyed = 0;
    doc->OnFormDestroy = [&](QObject*) { ++destroyed; };
    doc.reset();
    EXPECT_TRUE(f.isNull());
    EXPECT_EQ(destroyed, 0); // the document is gone before its window
}

TEST(PreviewHosting, APrinterNamedAcrobatPrintsInsteadOfShowing)
{
    auto memory = std::make_shared<TMemoryPrinterService>();
    memory->Printers.append(
        TMemoryPrinterService::ColorLaser(QStringLiteral("Adobe Acrobat PDF"), QStringLiteral("acro")));
    TPrinter::Printer().SetService(memory);
    {
        auto doc = MakeDoc(2);
        ASSERT_TRUE(doc->AcrobatOut());
        doc->ShowModal();
        doc->Show();
        doc->Close();
        EXPECT_EQ(doc->Form(), nullptr);
        EXPECT_FALSE(doc->FIsPrevFormShow);
    }
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>());
}

TEST(PreviewHosting, ClosedWhileItsFirstPageIsBeingShown)
{
    // The first page's events are processed while the window opens; a close
    // arriving then ends the modal show and frees the window safely.
    auto doc = MakeDoc(2);
    QPointer<TplPrevForm> seen;
    doc->OnAfterView = [&](QObject* sender, int) {
        seen = qobject_cast<TplPrevForm*>(sender);
        doc->Close();
    };
    doc->ShowModal();
    EXPECT_TRUE(seen.isNull());
    EXPECT_EQ(doc->Form(), nullptr);
    EXPECT_FALSE(doc->FIsPrevFormShow);

    doc->Show();
    QTRY_VERIFY(seen.isNull());
    EXPECT_EQ(doc->Form(), nullptr);
    EXPECT_FALSE(doc->FIsPrevFormShow); // so the next show is not refused
    doc->OnAfterView = nullptr;
    WhileModal([&] { doc->Close(); });
    TMessageBoxRecorder boxes;
    doc->ShowModal();
    EXPECT_TRUE(boxes.Boxes.empty());
}
