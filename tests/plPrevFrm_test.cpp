// The preview window driven as a user drives it: layout, zoom, paging,
// scrolling, panning, resizing, the context menu, commands and closing.
#include "plPrevFrm.h"

#include "plCupsPrinterService.h"
#include "plMemoryPrinterService.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "support/SpoolerOutput.h"
#include "plPrevGlyphs.h"
#include "plMessageBox.h"
#include "uTheme.h"

#include <gtest/gtest.h>

#include <cups/cups.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QCheckBox>
#include <QTabWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPicture>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <bit>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// A recorded document on the current printer: each page carries its number
// in a frame. A ratio gives the view that height-to-width proportion.
std::unique_ptr<TplPrev> MakeDoc(int pages, double ratio = 0)
{
    auto doc = std::make_unique<TplPrev>();
    doc->SetName(QStringLiteral("plPrev1"));
    doc->SetTitle(QStringLiteral("Print Preview"));
    if (pages > 0) {
        doc->BeginDoc();
        for (int n = 1; n <= pages; ++n) {
            if (n > 1)
                doc->NewPage();
            doc->RectLine(200, 1800, 200, 2600);
            doc->FontSize(48);
            doc->TextRectCC(200, 1800, 200, 800, QString::number(n));
        }
        doc->EndDoc();
    }
    if (ratio > 0) {
        doc->SetViewWidth(1000);
        doc->SetViewHeight(int(1000 * ratio));
    }
    return doc;
}

// While alive, the system has no printer at all.
struct NoPrinterInstalled {
    NoPrinterInstalled() { TPrinter::Printer().SetService(std::make_shared<TMemoryPrinterService>()); }
    ~NoPrinterInstalled() { TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>()); }
};

// A document made without a printer, on the paper stored with it.
std::unique_ptr<TplPrev> MakeStoredDoc(int pages)
{
    NoPrinterInstalled none;
    auto doc = std::make_unique<TplPrev>();
    doc->FPaperName = QStringLiteral("A4");
    doc->FPaperWidth = 2099;
    doc->FPaperHeight = 2969;
    doc->FXResolution = doc->FYResolution = 600;
    doc->FLeftOffset = doc->FTopOffset = 43;
    doc->FRightOffset = 2057;
    doc->FBottomOffset = 2927;
    doc->BeginDoc();
    for (int n = 2; n <= pages; ++n)
        doc->NewPage();
    doc->EndDoc();
    return doc;
}

// The window for a document, sized so that the scroll area is w x h.
struct Preview {
    explicit Preview(TCustomplPrev& doc, int w = 800, int h = 600)
    {
        doc.FormWidth = w;
        doc.FormHeight = h + 54 + 26;
        form = new TplPrevForm;
        form->SetplPrev(&doc);
        form->Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
    }
    ~Preview() { delete form.data(); }
    QPointer<TplPrevForm> form;
    QRect Bounds(QWidget* w) const { return form->ScrollBox1->ChildBounds(w); }
};

TplPrevButtonSet EnabledButtons(const TplPrevForm& f)
{
    TplPrevButtonSet s = 0;
    for (int k = 0; k < pbCount; ++k)
        if (f.Button(k)->isEnabled())
            s |= ButtonBit(k);
    return s;
}

using Choice = TplPrintDialogResult;

// Replaces the print dialog for one scope.
struct DialogStandIn {
    explicit DialogStandIn(std::function<Choice(QWidget*, int, int, int, int)> f) : saved(TplPrevForm::RunPrintDialog)
    {
        TplPrevForm::RunPrintDialog = std::move(f);
    }
    ~DialogStandIn() { TplPrevForm::RunPrintDialog = saved; }
    std::function<Choice(QWidget*, int, int, int, int)> saved;
};

// A Japanese system for one scope: the locale, and the texts the windows
// take from it, are put back afterwards.
struct JapaneseSystem {
    JapaneseSystem()
    {
        if (const char* v = std::getenv("LANG"))
            Lang = v;
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        setenv("LANG", "ja_JP.UTF-8", 1);
    }
    ~JapaneseSystem()
    {
        if (Lang)
            setenv("LANG", Lang->c_str(), 1);
        else
            unsetenv("LANG");
        MsgPrintNoPrinter = Print;
        MsgSetupNoPrinter = Setup;
    }
    std::optional<std::string> Lang;
    const QString Print = MsgPrintNoPrinter, Setup = MsgSetupNoPrinter;
};

} // namespace

TEST(PreviewWindow, CreatedWithOnlyCloseEnabledAndButtonsInOrder)
{
    TplPrevForm form;
    const char* names[pbCount] = {"PrintBtn",    "PrinterSetBtn", "FirstPageBtn", "PriorPageBtn", "NextPageBtn",
                                  "LastPageBtn", "ZoomDownBtn",   "ZoomUpBtn",    "PageWholeBtn", "PageWidthBtn",
                                  "HelpBtn",     "InfoBtn",       "CloseBtn"};
    for (int k = 0; k < pbCount; ++k) {
        EXPECT_EQ(form.Button(k)->objectName(), QLatin1String(names[k]));
        EXPECT_EQ(form.Button(k)->isEnabled(), k == pbClose) << names[k];
        EXPECT_EQ(form.Button(k)->height(), 50);
        EXPECT_EQ(form.Button(k)->width(), k < 2 ? 80 : 52) << names[k];
    }
    EXPECT_TRUE(form.Image1->isHidden());
    EXPECT_TRUE(form.Shape1->isHidden());
    EXPECT_TRUE(form.Shape2->isHidden());
    EXPECT_EQ(form.CoolBar1->height(), 54);
    EXPECT_EQ(form.StatusPanel[0]->width(), 300);
    EXPECT_EQ(form.plPrev(), nullptr);
    // Unlinked: the page and zoom commands do nothing.
    form.NextPageBtnClick(nullptr);
    form.PageWholeBtnClick(nullptr);
    EXPECT_EQ(EnabledButtons(form), ButtonBit(pbClose));
}

TEST(PreviewWindow, LinkingAppliesTheDocumentSettings)
{
    auto doc = MakeDoc(3);
    doc->SetTitle(QString());
    doc->SetBtnOptions(TplPrevBtnOptions::FromInt(0x1FFF).Exclude(boPrintBtn).Exclude(boZoomUpBtn));
    doc->FormStatusBar = false;
    doc->FormWidth = 900;
    doc->FormHeight = 200; // below the minimum
    TplPrevForm form;
    form.SetplPrev(doc.get());
    EXPECT_EQ(doc->Form(), &form);
    EXPECT_EQ(doc->Title(), QStringLiteral("印刷プレビュー"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("印刷プレビュー"));
    EXPECT_EQ(form.size(), QSize(900, 350));
    EXPECT_TRUE(form.StatusBar->isHidden());
    EXPECT_FALSE(form.CoolBar1->isHidden());
    // Hidden buttons take no room; visible neighbours overlap by 2.
    EXPECT_TRUE(form.PrintBtn->isHidden());
    EXPECT_EQ(form.PrinterSetBtn->x(), 19);
    EXPECT_EQ(form.PrinterSetBtn->width(), 83);
    EXPECT_EQ(form.FirstPageBtn->x(), 100);
    EXPECT_EQ(form.ZoomDownBtn->x(), 100 + 4 * 53);
    EXPECT_TRUE(form.ZoomUpBtn->isHidden());
    EXPECT_EQ(form.PageWholeBtn->x(), 100 + 5 * 53);
}

TEST(PreviewWindow, AColourOfItsOwnReplacesTheButtonFace)
{
    auto doc = MakeDoc(1);
    doc->FormColor = RGBColor(10, 20, 30);
    TplPrevForm form;
    form.SetplPrev(doc.get());
    EXPECT_EQ(form.ScrollBox1->Background(), QColor(10, 20, 30));
}

TEST(PreviewWindow, WholePageFitsTheScrollArea)
{
    struct Case {
        double ratio;
        QRect image;
    };
    const Case cases[] = {{1.5, QRect(210, 15, 380, 570)}, {0.75, QRect(15, 11, 770, 577)}};
    for (const auto& c : cases) {
        auto doc = MakeDoc(2, c.ratio);
        Preview p(*doc);
        ASSERT_EQ(p.form->ScrollBox1->size(), QSize(800, 600));
        EXPECT_EQ(p.Bounds(p.form->Image1), c.image) << c.ratio;
        const QRect r = c.image;
        EXPECT_EQ(p.Bounds(p.form->Shape2), QRect(r.x() + 2, r.y() + 2, r.width() + 2, r.height() + 2));
        EXPECT_EQ(p.Bounds(p.form->Shape1), QRect(r.x() - 1, r.y() - 1, r.width() + 1, r.height() + 1));
        EXPECT_TRUE(p.form->Shape2->isVisible());
        EXPECT_TRUE(p.form->Shape1->isVisible());
        EXPECT_FALSE(p.form->ScrollBox1->verticalScrollBar()->isVisible());
        EXPECT_EQ(doc->ZoomType, ztWholePage);
    }
}

TEST(PreviewWindow, PageWidthThenZoomOutAndBackIn)
{
    auto doc = MakeDoc(2, 1.5);
    const int bar = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    Preview p(*doc, 1000 + bar, 600);
    p.form->PageWidthBtn->click();
    // The tall page brings up the vertical bar; the width is fitted to what is left.
    EXPECT_TRUE(p.form->ScrollBox1->verticalScrollBar()->isVisible());
    EXPECT_EQ(p.form->ScrollBox1->ClientWidth(), 1000);
    EXPECT_EQ(p.Bounds(p.form->Image1), QRect(15, 15, 970, 1455));
    EXPECT_EQ(doc->ZoomType, ztPageWidth);

    p.form->ZoomDownBtn->click();
    EXPECT_EQ(p.Bounds(p.form->Image1), QRect(15, 15, 873, 1309));
    EXPECT_EQ(doc->ZoomType, ztOther);
    p.form->ZoomUpBtn->click();
    EXPECT_EQ(p.Bounds(p.form->Image1), QRect(15, 15, 970, 1455));

    // Down to the smallest size; then zoom out is refused and disabled.
    for (int i = 0; i < 40 && p.form->ZoomDownBtn->isEnabled(); ++i)
        p.form->ZoomDownBtn->click();
    EXPECT_FALSE(p.form->ZoomDownBtn->isEnabled());
    EXPECT_TRUE(p.form->ZoomUpBtn->isEnabled());
    EXPECT_LE(p.form->Image1->width(), 100);
    EXPECT_GT(p.form->Image1->width(), 90);
    p.form->ZoomUpBtnClick(nullptr);
    EXPECT_TRUE(p.form->ZoomDownBtn->isEnabled());
}

TEST(PreviewWindow, ZoomInStopsAtTwiceTheScreenWidth)
{
    auto doc = MakeDoc(1, 0.2);
    Preview p(*doc);
    const int screenW = p.form->screen()->geometry().width();
    for (int i = 0; i < 100 && p.form->ZoomUpBtn->isEnabled(); ++i)
        p.form->ZoomUpBtn->click();
    EXPECT_FALSE(p.form->ZoomUpBtn->isEnabled());
    EXPECT_GE(p.form->Image1->width(), 2 * screenW);
    EXPECT_LT(p.form->Image1->width(), 2 * screenW * 100 / 90 + 1);
}

TEST(PreviewWindow, ResizeRefitsWholePageAndPageWidthButNotOther)
{
    auto doc = MakeDoc(1, 1.5);
    int resizes = 0;
    doc->OnResize = [&](QObject*, int) { ++resizes; };
    Preview p(*doc);
    const int before = resizes;
    p.form->resize(1000, 680 + 100);
    ASSERT_EQ(p.form->ScrollBox1->size(), QSize(1000, 700));
    EXPECT_EQ(p.Bounds(p.form->Image1), QRect(277, 15, 446, 670));
    EXPECT_GT(resizes, before);
    p.form->ZoomDownBtn->click();
    const QRect fixed = p.Bounds(p.form->Image1);
    p.form->resize(900, 700);
    EXPECT_EQ(p.Bounds(p.form->Image1), fixed);
}

TEST(PreviewWindow, OtherZoomOpensAsWholePageAndPageWidthIsKept)
{
    auto doc = MakeDoc(2, 1.5);
    doc->ZoomType = ztOther;
    {
        Preview p(*doc);
        EXPECT_EQ(doc->ZoomType, ztWholePage);
        EXPECT_EQ(p.Bounds(p.form->Image1), QRect(210, 15, 380, 570));
        p.form->PageWidthBtn->click();
    }
    doc->SetViewWidth(1000);
    doc->SetViewHeight(1500);
    Preview again(*doc);
    EXPECT_EQ(doc->ZoomType, ztPageWidth);
    EXPECT_EQ(again.Bounds(again.form->Image1).top(), 15);
    EXPECT_EQ(again.Bounds(again.form->Image1).width(), again.form->ScrollBox1->ClientWidth() - 30);
}

TEST(PreviewWindow, ButtonsFollowThePagePosition)
{
    const TplPrevButtonSet back = ButtonBit(pbFirstPage) | ButtonBit(pbPriorPage);
    const TplPrevButtonSet fwd = ButtonBit(pbNextPage) | ButtonBit(pbLastPage);
    const TplPrevButtonSet nav = back | fwd;
    {
        auto doc = MakeDoc(5);
        Preview p(*doc);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, fwd);
        p.form->NextPageBtn->click();
        p.form->NextPageBtn->click();
        EXPECT_EQ(doc->PageNumber(), 3);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, nav);
        p.form->LastPageBtn->click();
        EXPECT_EQ(doc->PageNumber(), 5);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, back);
        p.form->NextPageBtnClick(nullptr); // nothing past the end
        EXPECT_EQ(doc->PageNumber(), 5);
        p.form->PriorPageBtn->click();
        EXPECT_EQ(doc->PageNumber(), 4);
        p.form->FirstPageBtn->click();
        EXPECT_EQ(doc->PageNumber(), 1);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, fwd);
        EXPECT_TRUE(p.form->CloseBtn->isEnabled());
    }
    {
        auto doc = MakeDoc(1);
        doc->SetBtnOptions(TplPrevBtnOptions::FromInt(0x1FFF));
        Preview p(*doc);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, 0);
        EXPECT_TRUE(p.form->HelpBtn->isVisible());
        EXPECT_FALSE(p.form->HelpBtn->isEnabled());
        EXPECT_FALSE(p.form->InfoBtn->isEnabled());
        EXPECT_TRUE(p.form->PrintBtn->isEnabled());
    }
}

TEST(PreviewWindow, PageChangeKeepsTheZoomAndShowsTheNewPage)
{
    auto doc = MakeDoc(3, 1.5);
    std::vector<int> viewed;
    doc->OnAfterView = [&](QObject* sender, int page) {
        EXPECT_EQ(sender, doc->Form());
        viewed.push_back(page);
    };
    Preview p(*doc);
    p.form->ZoomDownBtn->click();
    const QRect r = p.Bounds(p.form->Image1);
    const QImage first = p.form->Image1->grab().toImage();
    p.form->NextPageBtn->click();
    EXPECT_EQ(p.Bounds(p.form->Image1), r);
    EXPECT_EQ(doc->ZoomType, ztOther);
    EXPECT_EQ(viewed, (std::vector<int>{1, 2}));
    EXPECT_NE(p.form->Image1->grab().toImage(), first); // another number on the page
}

TEST(PreviewWindow, StatusBarShowsPageCountAndPaper)
{
    auto doc = MakeDoc(12);
    doc->SetPageNumber(3);
    Preview p(*doc);
    const QString paper = doc->plSetPrinter()->PaperName();
    EXPECT_EQ(paper, QStringLiteral("A4"));
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QStringLiteral(" Page  3/12  A4"));
    EXPECT_EQ(p.form->StatusPanel[1]->text(), QString());
    doc->StatusBarText = QStringLiteral("sheet 2");
    p.form->NextPageBtn->click();
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QStringLiteral(" Page  4/12  A4"));
    EXPECT_EQ(p.form->StatusPanel[1]->text(), QStringLiteral("sheet 2"));
    doc->StatusBarText.clear(); // an empty text leaves the panel as it is
    p.form->NextPageBtn->click();
    EXPECT_EQ(p.form->StatusPanel[1]->text(), QStringLiteral("sheet 2"));
}

TEST(PreviewWindow, WithoutPrinterTheStoredPaperNameIsShown)
{
    auto doc = MakeStoredDoc(2);
    ASSERT_TRUE(doc->NoPrinter());
    doc->FPaperName = QStringLiteral("B5 stored");
    Preview p(*doc);
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QStringLiteral(" Page  1/2  B5 stored"));
}

TEST(PreviewWindow, EmptyDocumentShowsNothingButCanClose)
{
    auto doc = MakeDoc(0);
    Preview p(*doc);
    EXPECT_EQ(EnabledButtons(*p.form), ButtonBit(pbClose));
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QString());
    EXPECT_TRUE(p.form->Image1->isHidden());
    p.form->CloseBtn->click();
    EXPECT_FALSE(p.form->isVisible());
}

TEST(PreviewWindow, HiddenImageSkipsDrawingButZoomStillComputes)
{
    auto doc = MakeDoc(3, 1.5);
    doc->FImageVisible = false;
    Preview p(*doc);
    EXPECT_TRUE(p.form->Image1->isHidden());
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QString());
    EXPECT_EQ(p.form->ImageRect(), (TplImgRect{210, 15, 380, 570}));
    EXPECT_FALSE(p.form->ZoomUpBtn->isEnabled());
}

TEST(PreviewWindow, WheelScrollsByDeltaOverFive)
{
    auto doc = MakeDoc(1, 1.5);
    doc->ZoomType = ztPageWidth;
    Preview p(*doc);
    QScrollBar* bar = p.form->ScrollBox1->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 100);
    struct Case {
        int delta, moved;
    };
    const Case cases[] = {{-120, 24}, {-7, 1}, {120, -24}, {-4, 0}};
    for (const auto& c : cases) {
        bar->setValue(50);
        QWidget* vp = p.form->ScrollBox1->viewport();
        QWheelEvent e(QPointF(100, 100), vp->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, c.delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
        EXPECT_EQ(bar->value(), 50 + c.moved) << c.delta;
    }
}

TEST(PreviewWindow, DraggingThePageMovesImageFrameAndShadow)
{
    auto doc = MakeDoc(1, 1.5);
    Preview p(*doc);
    const QRect img = p.Bounds(p.form->Image1);
    const QRect frame = p.Bounds(p.form->Shape1);
    const QRect shadow = p.Bounds(p.form->Shape2);
    QWidget* image = p.form->Image1;
    QTest::mousePress(image, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_TRUE(p.form->Dragging());
    QMouseEvent move(QEvent::MouseMove, QPointF(130, 90), image->mapToGlobal(QPointF(130, 90)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(image, &move);
    EXPECT_EQ(p.Bounds(image), img.translated(30, -10));
    // The grabbed point follows the pointer: the release comes at the new place.
    QTest::mouseRelease(image, Qt::LeftButton, Qt::NoModifier, QPoint(110, 105));
    EXPECT_FALSE(p.form->Dragging());
    EXPECT_EQ(p.Bounds(image), img.translated(40, -5));
    EXPECT_EQ(p.Bounds(p.form->Shape1), frame.translated(40, -5));
    EXPECT_EQ(p.Bounds(p.form->Shape2), shadow.translated(40, -5));
    EXPECT_EQ(p.form->ImageRect(), (TplImgRect{img.x(), img.y(), img.width(), img.height()}));

    // Zoom in starts from where the page was dragged to.
    p.form->ZoomUpBtn->click();
    EXPECT_EQ(p.Bounds(image).topLeft(), img.topLeft() + QPoint(40, -5));

    doc->ImageDrag = false;
    QTest::mousePress(image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(p.form->Dragging());
    QTest::mouseRelease(image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
}

TEST(PreviewWindow, WindowSizeRules)
{
    auto doc = MakeDoc(1);
    Preview p(*doc);
    p.form->resize(100, 100);
    EXPECT_EQ(p.form->size(), QSize(350, 350));
    EXPECT_TRUE(p.form->StatusBar->isSizeGripEnabled());

    auto fixed = MakeDoc(1);
    fixed->FormCanResize = false;
    Preview q(*fixed);
    const QSize s = q.form->size();
    q.form->resize(s + QSize(100, 100));
    EXPECT_EQ(q.form->size(), s);
    EXPECT_FALSE(q.form->StatusBar->isSizeGripEnabled());
}

TEST(PreviewWindow, AWindowThatMayNotMoveStaysPut)
{
    auto doc = MakeDoc(1);
    doc->FormCanMove = false;
    Preview p(*doc);
    const QPoint at = p.form->pos();
    p.form->move(at + QPoint(50, 40));
    QTRY_COMPARE(p.form->pos(), at);

    auto free = MakeDoc(1);
    Preview q(*free);
    const QPoint from = q.form->pos();
    q.form->move(from + QPoint(50, 40));
    QTRY_COMPARE(q.form->pos(), from + QPoint(50, 40));
}

TEST(PreviewWindow, ContextMenuOffersFourItems)
{
    for (bool noPrinter : {false, true}) {
        auto doc = noPrinter ? MakeStoredDoc(1) : MakeDoc(1);
        Preview p(*doc);
        QTest::mousePress(p.form->Image1, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
        QTRY_VERIFY(p.form->PopupMenu1->isVisible());
        const auto actions = p.form->PopupMenu1->actions();
        ASSERT_EQ(actions.size(), 5);
        EXPECT_EQ(actions[0]->text(), QStringLiteral("現在の頁をコピー"));
        EXPECT_EQ(actions[1]->text(), QStringLiteral("画面をコピー"));
        EXPECT_EQ(actions[2]->text(), QStringLiteral("画面ハードコピー"));
        EXPECT_EQ(actions[3], p.form->N5); // Save as PDF, before Cancel
        EXPECT_EQ(actions[4]->text(), QStringLiteral("キャンセル"));
        EXPECT_TRUE(actions[0]->isEnabled());
        EXPECT_EQ(actions[1]->isEnabled(), !noPrinter);
        EXPECT_EQ(actions[2]->isEnabled(), !noPrinter);
        EXPECT_FALSE(p.form->Dragging());
        // Cancel only closes the menu.
        p.form->N4->trigger();
        p.form->PopupMenu1->hide();
        EXPECT_TRUE(p.form->isVisible());
        QTest::mouseRelease(p.form->Image1, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    }
}

TEST(PreviewWindow, CopiedPageIsAVectorPictureWithABitmapBeside)
{
    auto doc = MakeDoc(2);
    doc->SetPageNumber(2);
    Preview p(*doc);
    p.form->N1->trigger();
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(m->hasFormat(QStringLiteral("image/svg+xml")));
    const QByteArray svg = m->data(QStringLiteral("image/svg+xml"));
    QSvgRenderer r(svg);
    ASSERT_TRUE(r.isValid());
    const QSizeF paper(doc->PaperWidth(), doc->PaperHeight());
    EXPECT_EQ(r.viewBoxF(), QRectF(QPointF(0, 0), paper));
    // Real size in millimetres: paper units are tenths of one.
    EXPECT_TRUE(svg.contains(QStringLiteral("%1mm").arg(paper.width() / 10.0).toUtf8())
                || svg.contains(QStringLiteral("%1mm").arg(qRound(paper.width() / 10.0)).toUtf8()))
        << svg.left(400).constData();
    EXPECT_TRUE(svg.contains(">2<")) << "the page number is text in the picture";
    const QImage img = qvariant_cast<QImage>(m->imageData());
    ASSERT_FALSE(img.isNull());
    EXPECT_NEAR(double(img.height()) / img.width(), paper.height() / paper.width(), 0.01);
}

TEST(PreviewWindow, CopyingTheWindowPutsItsPictureOnTheClipboard)
{
    auto doc = MakeDoc(1);
    Preview p(*doc);
    p.form->activateWindow();
    QGuiApplication::clipboard()->clear();
    p.form->N2->trigger();
    const QImage img = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size() / img.devicePixelRatio(), p.form->size());
}

TEST(PreviewWindow, PrintProposesTheCurrentPageAndPrintsTheChosenRange)
{
    struct Seen {
        int from, to, min, max;
    } seen{};
    struct Case {
        Choice choice;
        int wantFrom, wantTo, pages;
    };
    const Case cases[] = {
        {{true, Choice::AllPages, 0, 0}, 1, 10, 10},
        {{true, Choice::PageNums, 2, 6}, 2, 6, 5},
        {{false, Choice::AllPages, 0, 0}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        auto doc = MakeDoc(10);
        doc->SetPageNumber(4);
        Preview p(*doc);
        std::vector<int> printed;
        doc->OnPrint = [&](QObject*, int page) { printed.push_back(page); };
        DialogStandIn dialog([&](QWidget*, int from, int to, int min, int max) {
            seen = {from, to, min, max};
            doc->SetPageNumber(9); // someone pages on while the dialog is open
            Choice r = c.choice;
            if (r.Kind == Choice::AllPages) {
                r.FromPage = min;
                r.ToPage = max;
            }
            return r;
        });
        TMessageBoxRecorder boxes;
        const int before = TPrinter::Printer().LastJobId();
        p.form->PrintBtn->click();
        EXPECT_EQ(seen.from, 4);
        EXPECT_EQ(seen.to, 4);
        EXPECT_EQ(seen.min, 1);
        EXPECT_EQ(seen.max, 10);
        EXPECT_EQ(doc->PrintFromPage(), c.wantFrom);
        EXPECT_EQ(doc->PrintToPage(), c.wantTo);
        EXPECT_EQ(int(printed.size()), c.pages);
        if (c.pages > 0) {
            EXPECT_EQ(printed.front(), c.wantFrom);
            const int job = TPrinter::Printer().LastJobId();
            ASSERT_NE(job, before);
            const QString pdf = SpoolerOutput::WaitForJob(QStringLiteral("Office_Laser"), job);
            ASSERT_FALSE(pdf.isEmpty());
            EXPECT_EQ(SpoolerOutput::Info(pdf).Pages, c.pages);
            // The page numbers drawn on the pages are the chosen ones.
            const auto words = SpoolerOutput::Words(pdf);
            ASSERT_FALSE(words.isEmpty());
            EXPECT_EQ(words.front().Text, QString::number(c.wantFrom));
        } else {
            EXPECT_EQ(TPrinter::Printer().LastJobId(), before);
        }
        // The page shown before, again.
        EXPECT_EQ(doc->PageNumber(), 4);
        EXPECT_EQ(p.form->StatusPanel[0]->text(), QStringLiteral(" Page  4/10  A4"));
        EXPECT_TRUE(p.form->PrintBtn->isEnabled());
        EXPECT_TRUE(boxes.Boxes.empty());
    }
}

TEST(PreviewWindow, APrintFailureIsReportedAndTheViewRestored)
{
    auto memory = std::make_shared<TMemoryPrinterService>();
    auto laser = TMemoryPrinterService::ColorLaser(QStringLiteral("Office Laser"), QStringLiteral("laser"));
    laser.RefuseJobs = true;
    memory->Printers.append(laser);
    TPrinter::Printer().SetService(memory);
    struct BackToCups {
        ~BackToCups() { TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>()); }
    } cleanup;
    auto doc = MakeDoc(3);
    doc->SetPageNumber(2);
    Preview p(*doc);
    DialogStandIn dialog([](QWidget*, int, int, int, int) { return Choice{true, Choice::AllPages, 1, 3}; });
    TMessageBoxRecorder boxes;
    p.form->PrintBtn->click();
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(boxes.Boxes[0].Caption, QStringLiteral("　印刷"));
    EXPECT_FALSE(boxes.Boxes[0].Text.isEmpty());
    EXPECT_EQ(doc->PageNumber(), 2);
    EXPECT_TRUE(p.form->PrintBtn->isEnabled());
    EXPECT_FALSE(doc->Printing());
}

TEST(PreviewWindow, AltPStartsThePrintCommand)
{
    auto doc = MakeDoc(2);
    Preview p(*doc);
    int dialogs = 0;
    DialogStandIn dialog([&](QWidget*, int, int, int, int) {
        ++dialogs;
        return Choice{};
    });
    p.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p.form));
    EXPECT_EQ(p.form->PrintBtn->shortcut(), QKeySequence(Qt::ALT | Qt::Key_P));
    QTest::keyClick(p.form, Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(dialogs, 1); // the button animates its click first
}

// Save as PDF writes the pages through the printing path to the chosen
// file, never to the spooler; a failed write keeps the earlier file and
// leaves nothing beside it.
TEST(PreviewWindow, SaveAsPdfWritesTheFileWhole)
{
    QTemporaryDir dir;
    const QString earlier = dir.filePath(QStringLiteral("earlier.pdf"));
    {
        QFile f(earlier);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("earlier");
    }
    const struct {
        const char* answer; // the file chosen; empty cancels
        bool failOnPage2;
        bool wantOk;
        const char* wantFile;
    } cases[] = {
        {"sheet", false, true, "sheet.pdf"},
        {"earlier.pdf", true, false, "earlier.pdf"},
        {"", false, false, nullptr},
    };
    auto saved = TplPrevForm::ChoosePdfFile;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        auto doc = MakeDoc(3);
        doc->SetPageNumber(2);
        if (c.failOnPage2)
            doc->OnPrint = [](QObject*, int page) {
                if (page == 2)
                    throw std::runtime_error("the disk is full");
            };
        Preview p(*doc);
        TplPrevForm::ChoosePdfFile = [&](QWidget*, const QString&) {
            return *c.answer ? dir.filePath(QLatin1String(c.answer)) : QString();
        };
        TMessageBoxRecorder boxes;
        const QStringList spooled = QDir(SpoolerOutput::Dir()).entryList(QDir::Files);
        EXPECT_EQ(p.form->SavePdfExecute(p.form->N5), c.wantOk);
        EXPECT_EQ(QDir(SpoolerOutput::Dir()).entryList(QDir::Files), spooled); // nothing spooled
        EXPECT_EQ(doc->PageNumber(), 2);
        EXPECT_EQ(boxes.Boxes.size(), c.failOnPage2 ? 1u : 0u);
        if (c.wantOk) {
            EXPECT_EQ(SpoolerOutput::Info(dir.filePath(QLatin1String(c.wantFile))).Pages, 3);
        }
        if (c.failOnPage2) {
            QFile f(earlier);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), QByteArray("earlier"));
            EXPECT_TRUE(boxes.Boxes[0].Text.contains(QStringLiteral("the disk is full")));
        }
    }
    TplPrevForm::ChoosePdfFile = saved;
    QStringList left = QDir(dir.path()).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, (QStringList{QStringLiteral("earlier.pdf"), QStringLiteral("sheet.pdf")}));
}

// The page box shows "n / N" and goes to a typed page on Return; the zoom
// box shows the zoom the buttons chose and takes a typed percentage.
TEST(PreviewWindow, PageAndZoomBoxesFollowAndSteerTheView)
{
    auto doc = MakeDoc(5);
    Preview p(*doc, 1100, 500);
    p.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p.form));
    ASSERT_TRUE(p.form->PageNumberBox->isVisible());
    ASSERT_TRUE(p.form->ZoomBox->isVisible());
    EXPECT_GT(p.form->PageNumberBox->x(), p.form->CloseBtn->geometry().right()); // after the buttons
    EXPECT_EQ(p.form->PageNumberBox->text(), QStringLiteral("1 / 5"));
    const struct {
        const char* typed;
        int wantPage;
    } pages[] = {{"4", 4}, {"9", 4}, {"x", 4}, {"2 / 5", 2}, {"0", 2}};
    for (const auto& c : pages) {
        p.form->PageNumberBox->setFocus();
        p.form->PageNumberBox->selectAll();
        QTest::keyClicks(p.form->PageNumberBox, QLatin1String(c.typed));
        QTest::keyClick(p.form->PageNumberBox, Qt::Key_Return);
        EXPECT_EQ(doc->PageNumber(), c.wantPage) << c.typed;
        EXPECT_EQ(p.form->PageNumberBox->text(), QStringLiteral("%1 / 5").arg(c.wantPage)) << c.typed;
    }
    p.form->NextPageBtn->click();
    EXPECT_EQ(p.form->PageNumberBox->text(), QStringLiteral("3 / 5"));

    // 100 % is the paper's own size on the screen.
    const double full = doc->PaperWidth() / 254.0 * p.form->logicalDpiX();
    const auto percent = [&] { return p.form->ZoomBox->currentText(); };
    const auto shownPercent = [&] { return qRound(p.form->Image1->width() * 100.0 / full); };
    EXPECT_EQ(percent(), QStringLiteral("%1%").arg(shownPercent()));
    for (const char* typed : {"100", "50%", "150"}) {
        p.form->ZoomBox->lineEdit()->setFocus();
        p.form->ZoomBox->lineEdit()->selectAll();
        QTest::keyClicks(p.form->ZoomBox->lineEdit(), QLatin1String(typed));
        QTest::keyClick(p.form->ZoomBox->lineEdit(), Qt::Key_Return);
        const int want = QString::fromLatin1(typed).remove(u'%').trimmed().toInt();
        EXPECT_EQ(shownPercent(), want) << typed;
        EXPECT_EQ(percent(), QStringLiteral("%1%").arg(want)) << typed;
        EXPECT_EQ(doc->ZoomType, ztOther);
    }
    p.form->ZoomBox->setCurrentIndex(p.form->ZoomBox->findText(QStringLiteral("75%")));
    emit p.form->ZoomBox->textActivated(QStringLiteral("75%"));
    EXPECT_EQ(shownPercent(), 75);
    for (QToolButton* b : {p.form->PageWholeBtn, p.form->ZoomUpBtn, p.form->PageWidthBtn}) {
        b->click();
        EXPECT_EQ(percent(), QStringLiteral("%1%").arg(shownPercent())) << b->objectName().toStdString();
    }
}

// Keys and the wheel act as the buttons do: paging, zooming, printing, and
// the wheel scrolls across with Shift or a sideways wheel.
TEST(PreviewWindow, KeysAndWheelPageZoomAndPrint)
{
    auto doc = MakeDoc(5);
    Preview p(*doc);
    int dialogs = 0;
    DialogStandIn dialog([&](QWidget*, int, int, int, int) {
        ++dialogs;
        return Choice{};
    });
    p.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p.form));
    p.form->ScrollBox1->setFocus();
    const struct {
        Qt::Key key;
        int wantPage;
    } paging[] = {{Qt::Key_End, 5}, {Qt::Key_PageUp, 4}, {Qt::Key_Home, 1}, {Qt::Key_PageUp, 1}, {Qt::Key_PageDown, 2}};
    for (const auto& c : paging) {
        QTest::keyClick(p.form->ScrollBox1, c.key);
        QTRY_COMPARE(doc->PageNumber(), c.wantPage);
    }
    const int whole = p.form->Image1->width();
    QTest::keyClick(p.form->ScrollBox1, Qt::Key_Plus);
    QTRY_VERIFY(p.form->Image1->width() > whole);
    const int zoomed = p.form->Image1->width();
    QTest::keyClick(p.form->ScrollBox1, Qt::Key_Minus);
    QTRY_VERIFY(p.form->Image1->width() < zoomed);

    QWidget* view = p.form->ScrollBox1->viewport();
    const auto wheel = [&](QPoint delta, Qt::KeyboardModifiers mods) {
        QWheelEvent e(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), delta, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
    };
    wheel({0, 120}, Qt::ControlModifier);
    QTRY_VERIFY(p.form->Image1->width() > whole);
    p.form->PageWidthBtn->click();
    p.form->ZoomUpBtn->click();
    QScrollBar* across = p.form->ScrollBox1->horizontalScrollBar();
    ASSERT_GT(across->maximum(), 0);
    across->setValue(across->maximum() / 2);
    const int before = across->value();
    wheel({0, -120}, Qt::ShiftModifier);
    EXPECT_GT(across->value(), before);
    wheel({120, 0}, Qt::NoModifier);
    EXPECT_EQ(across->value(), before);

    QTest::keyClick(p.form->ScrollBox1, Qt::Key_P, Qt::ControlModifier);
    QTRY_COMPARE(dialogs, 1);

    // Tab reaches the tool buttons.
    p.form->ScrollBox1->setFocus();
    bool reached = false;
    for (int i = 0; i < 20 && !reached; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached = QApplication::focusWidget() == p.form->NextPageBtn;
    }
    EXPECT_TRUE(reached);
}

TEST(PreviewWindow, PrintRefusedByTheHandlerOrWithoutPrinter)
{
    int dialogs = 0;
    DialogStandIn dialog([&](QWidget*, int, int, int, int) {
        ++dialogs;
        return Choice{};
    });
    {
        auto doc = MakeDoc(3);
        doc->OnPrintButtonClick = [](QObject*, bool& can) { can = false; };
        Preview p(*doc);
        TMessageBoxRecorder boxes;
        p.form->PrintBtn->click();
        EXPECT_EQ(dialogs, 0);
        EXPECT_TRUE(boxes.Boxes.empty());
        EXPECT_EQ(doc->PrintToPage(), 3); // as the recording left it
    }
    // Without a printer: the message shows unless a handler refused the print.
    enum class Handler { None, SaysYes, SaysNo };
    for (Handler h : {Handler::None, Handler::SaysYes, Handler::SaysNo}) {
        auto doc = MakeStoredDoc(3);
        if (h != Handler::None)
            doc->OnPrintButtonClick = [h](QObject*, bool& can) {
                EXPECT_FALSE(can);
                can = h == Handler::SaysYes;
            };
        Preview p(*doc);
        TMessageBoxRecorder boxes;
        p.form->PrintBtn->click();
        EXPECT_EQ(dialogs, 0);
        ASSERT_EQ(boxes.Boxes.size(), h == Handler::SaysNo ? 0u : 1u) << int(h);
        if (h != Handler::SaysNo) {
            EXPECT_EQ(boxes.Boxes[0].Text, MsgPrintNoPrinter);
            EXPECT_EQ(boxes.Boxes[0].Caption, QStringLiteral("　印刷"));
            EXPECT_EQ(boxes.Boxes[0].Icon, QMessageBox::Information);
        }
    }
}

TEST(PreviewWindow, PrinterSetupWithoutPrinterOnlyTellsSo)
{
    auto doc = MakeStoredDoc(3);
    doc->SetBtnOptions(TplPrevBtnOptions::FromInt(0x1FFF));
    int setups = 0;
    doc->OnPrinterSetupDialog = [&](QObject*) { ++setups; };
    Preview p(*doc);
    TMessageBoxRecorder boxes;
    p.form->PrinterSetBtn->click();
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, MsgSetupNoPrinter);
    EXPECT_EQ(boxes.Boxes[0].Caption, QStringLiteral("　プリンタと用紙の設定"));
    EXPECT_EQ(setups, 0);
}

TEST(PreviewWindow, PrinterSetupWithoutDialogTakesThePrinterAndShowsTheWholePage)
{
    auto doc = MakeDoc(3);
    doc->SetBtnOptions(TplPrevBtnOptions::FromInt(0x1FFF));
    int setups = 0;
    doc->OnPrinterSetupDialog = [&](QObject*) { ++setups; };
    Preview p(*doc);
    p.form->ZoomDownBtn->click();
    // The printer is turned to landscape behind the document's back; the
    // setup command without a dialog adopts it.
    doc->plSetPrinter()->SetOrientation(poLandscape);
    p.form->PrinterSetBtnClick(nullptr);
    EXPECT_EQ(setups, 1);
    EXPECT_EQ(doc->ZoomType, ztWholePage);
    EXPECT_GT(doc->PaperWidth(), doc->PaperHeight());
    EXPECT_EQ(doc->ViewWidth(), doc->PaperWidth());
    EXPECT_EQ(doc->ViewHeight(), doc->PaperHeight());
    const QRect r = p.Bounds(p.form->Image1);
    EXPECT_GT(r.width(), r.height());
    EXPECT_TRUE(p.form->PrinterSetBtn->isEnabled());
    EXPECT_TRUE(p.form->updatesEnabled());
    doc->plSetPrinter()->SetOrientation(poPortrait);
}

TEST(PreviewWindow, CloseQueryAndClose)
{
    auto doc = MakeDoc(2);
    bool allow = false;
    doc->OnFormCloseQuery = [&](QObject*, bool& can) { can = allow; };
    Preview p(*doc);
    doc->FIsPrevFormShow = true;
    const int viewW = doc->ViewWidth();
    ASSERT_GT(viewW, 0);
    p.form->CloseBtn->click();
    EXPECT_TRUE(p.form->isVisible());
    EXPECT_EQ(doc->ViewWidth(), viewW);
    EXPECT_TRUE(doc->FIsPrevFormShow);

    allow = true;
    p.form->CloseBtn->click();
    EXPECT_FALSE(p.form->isVisible());
    EXPECT_EQ(doc->ViewWidth(), 0);
    EXPECT_EQ(doc->ViewHeight(), 0);
    EXPECT_FALSE(doc->FIsPrevFormShow);
    EXPECT_FALSE(p.form->Image1->HasPicture());
    EXPECT_TRUE(p.form->Shape1->isHidden());
    EXPECT_EQ(doc->Form(), p.form.data()); // a window the document did not create stays linked
}

// A window the document made is freed when it closes. A resize the window
// system reports just after the close still reaches it, and refitting the
// page processes pending events: the deletion must wait until that handler
// has returned, or it returns into a deleted window.
TEST(PreviewWindow, AWindowFreedOnCloseOutlivesItsRunningHandler)
{
    auto doc = MakeDoc(2);
    doc->ZoomType = ztWholePage;
    doc->Show();
    QPointer<TplPrevForm> form = qobject_cast<TplPrevForm*>(doc->Form());
    ASSERT_TRUE(form);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));

    bool inHandler = false, freedInHandler = false;
    QObject::connect(form, &QObject::destroyed, [&] { freedInHandler = inHandler; });
    form->close();
    ASSERT_TRUE(form) << "freed later, not at once";
    inHandler = true;
    QResizeEvent late(form->size() - QSize(40, 30), form->size());
    QCoreApplication::sendEvent(form, &late);
    inHandler = false;
    EXPECT_FALSE(freedInHandler);

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull()) << "freed once the handler has returned";
    EXPECT_EQ(doc->Form(), nullptr);
}

TEST(PreviewWindow, JapaneseCaptionsOnAJapaneseSystem)
{
    {
        JapaneseSystem japanese;
        TplPrevForm form;
        const char* want[pbCount] = {"印刷 (&P)", "設定", "先頭頁", "前頁",   "次頁", "最終頁", "縮小",
                                     "拡大",      "全体", "頁幅",   "ヘルプ", "情報", "閉じる"};
        for (int k = 0; k < pbCount; ++k)
            EXPECT_EQ(form.Button(k)->text(), QString::fromUtf8(want[k]));
        EXPECT_EQ(form.Button(pbPageWidth)->property("plHint").toString(), QStringLiteral("横幅基準表示"));
        EXPECT_EQ(MsgPrintNoPrinter, QStringLiteral("プリンタがインストールされていないので印刷できません．　　"));
        EXPECT_EQ(MsgSetupNoPrinter, QStringLiteral("プリンタがインストールされていないので設定できません．　　"));
        EXPECT_EQ(form.N1->text(), QStringLiteral("現在の頁をコピー"));
    }
    TplPrevForm en;
    EXPECT_EQ(en.PrintBtn->text(), QStringLiteral("&Print"));
    EXPECT_EQ(en.InfoBtn->property("plHint").toString(), QStringLiteral("Version Infomation"));
    EXPECT_EQ(MsgPrintNoPrinter, QStringLiteral("Printing is not possible because the printer is not installed.    "));
}

// The glyphs follow the look the window has, whatever the desktop says
// meanwhile: dark glyphs on a dark bar would lose their outlines.
TEST(PreviewWindow, GlyphsMatchTheWindowsLook)
{
    auto doc = MakeDoc(1);
    Preview p(*doc);
    QImage lightGlyph;
    for (const QString& style : {StyleNameLight, StyleNameDark, StyleNameLight}) {
        const bool dark = style == StyleNameDark;
        p.form->SetStyleName(style);
        p.form->repaint();
        EXPECT_EQ(p.form->DarkGlyphs(), dark) << style.toStdString();
        const QImage glyph = p.form->PrintBtn->icon().pixmap(24).toImage();
        if (lightGlyph.isNull())
            lightGlyph = glyph;
        EXPECT_EQ(glyph == lightGlyph, !dark) << style.toStdString();
    }
}

TEST(PreviewGlyphs, EveryGlyphDrawsInBothListsAndBothStates)
{
    for (const TplGlyphList* list : {&TplGlyphList::Light(), &TplGlyphList::DarkList()}) {
        for (int i = 0; i < TplGlyphList::Count; ++i) {
            for (qreal dpr : {1.0, 2.0}) {
                const QImage img = list->Pixmap(i, 24, dpr).toImage();
                ASSERT_EQ(img.size(), QSize(24, 24) * dpr);
                int opaque = 0;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        opaque += qAlpha(img.pixel(x, y)) > 128;
                // Something is drawn, and it does not fill the square.
                EXPECT_GT(opaque, img.width() * img.height() / 20) << i << " dark " << list->Dark();
                EXPECT_LT(opaque, img.width() * img.height() * 9 / 10) << i;
            }
        }
        // The disabled glyph differs from the enabled one.
        EXPECT_NE(list->Pixmap(0).toImage(), list->Pixmap(1).toImage());
        // The menu's glyphs (Save as PDF's on its button too) draw as well.
        for (auto item :
             {TplGlyphMenu::PageCopy, TplGlyphMenu::ScreenCopy, TplGlyphMenu::HardCopy, TplGlyphMenu::SavePdf}) {
            const QImage img = list->MenuIcon(item).pixmap(QSize(24, 24), 1.0).toImage();
            int opaque = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    opaque += qAlpha(img.pixel(x, y)) > 128;
            EXPECT_GT(opaque, 24 * 24 / 20) << int(item) << " dark " << list->Dark();
        }
    }
    EXPECT_NE(TplGlyphList::Light().Pixmap(0).toImage(), TplGlyphList::DarkList().Pixmap(0).toImage());
}

namespace {

// Works the system print dialog once it is open: checks what it proposes,
// picks a printer, a range, odd or even pages, the order and, in the
// printer properties, a paper and its orientation, and confirms.
struct PrintDialogUser {
    QString Printer;    // queue to pick, or empty
    bool Range = false; // pages from..to instead of all
    int From = 0, To = 0;
    // What the dialog showed.
    int ShownFrom = -1, ShownTo = -1, Min = -1, Max = -1;
    bool AllChecked = false, PagesListVisible = true;
    QStringList DroppedControlsShown = {}; // controls whose choice the job would not carry
    // More choices: page set index (0 all, 1 odd, 2 even), last page first,
    // and a paper (by its name in the properties) with its orientation.
    int PageSet = 0;
    bool Reverse = false;
    QString Paper = {};
    bool Landscape = false;
    // What the dialog and its printer properties showed.
    QStringList OfferedControlsShown = {};
    QString ProposedPaper = {};
    QStringList PropertiesShown = {}; // tabs and controls that are not carried
    int Runs = 0;

    void Arm()
    {
        QTimer::singleShot(50, [this] { Work(); });
    }
    void Work()
    {
        auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        if (!dlg) {
            QTimer::singleShot(50, [this] { Work(); });
            return;
        }
        ++Runs;
        auto* from = dlg->findChild<QSpinBox*>(QStringLiteral("from"));
        auto* to = dlg->findChild<QSpinBox*>(QStringLiteral("to"));
        ShownFrom = from->value();
        ShownTo = to->value();
        Min = from->minimum();
        Max = to->maximum();
        AllChecked = dlg->findChild<QRadioButton*>(QStringLiteral("printAll"))->isChecked();
        PagesListVisible = dlg->findChild<QWidget*>(QStringLiteral("pagesRadioButton"))->isVisibleTo(dlg);
        // Hidden in itself: a tab that is not the current one hides its page.
        DroppedControlsShown.clear();
        OfferedControlsShown.clear();
        for (const char* name : {"pagesPerSheetButtonGroup"})
            if (QWidget* w = dlg->findChild<QWidget*>(QLatin1String(name)); w && !w->isHidden())
                DroppedControlsShown << QLatin1String(name);
        for (const char* name : {"pageSetCombo", "reverse", "properties"})
            if (QWidget* w = dlg->findChild<QWidget*>(QLatin1String(name)); w && !w->isHidden())
                OfferedControlsShown << QLatin1String(name);
        if (!Printer.isEmpty()) {
            auto* printers = dlg->findChild<QComboBox*>(QStringLiteral("printers"));
            printers->setCurrentIndex(printers->findText(Printer));
        }
        if (Range) {
            dlg->findChild<QRadioButton*>(QStringLiteral("printRange"))->setChecked(true);
            from->setValue(From);
            to->setValue(To);
        }
        dlg->findChild<QComboBox*>(QStringLiteral("pageSetCombo"))->setCurrentIndex(PageSet);
        dlg->findChild<QCheckBox*>(QStringLiteral("reverse"))->setChecked(Reverse);
        if (!Paper.isEmpty()) {
            QTimer::singleShot(0, [this] { WorkProperties(); });
            dlg->findChild<QPushButton*>(QStringLiteral("properties"))->click();
        }
        dlg->accept();
    }
    void WorkProperties()
    {
        QWidget* props = QApplication::activeModalWidget();
        if (!props || !props->inherits("QPrintPropertiesDialog")) {
            QTimer::singleShot(20, [this] { WorkProperties(); });
            return;
        }
        auto* sizes = props->findChild<QComboBox*>(QStringLiteral("pageSizeCombo"));
        ProposedPaper = sizes->currentText();
        PropertiesShown.clear();
        auto* tabs = props->findChild<QTabWidget*>(QStringLiteral("tabs"));
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->isTabVisible(i))
                PropertiesShown << tabs->widget(i)->objectName();
        for (const char* name : {"topMargin", "pagesPerSheetCombo"})
            if (props->findChild<QWidget*>(QLatin1String(name))->isVisibleTo(props))
                PropertiesShown << QLatin1String(name);
        if (sizes->findData(QVariant()) >= 0)
            PropertiesShown << QStringLiteral("Custom");
        sizes->setCurrentIndex(sizes->findText(Paper));
        props->findChild<QRadioButton*>(Landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"))->click();
        QMetaObject::invokeMethod(props, "accept");
    }
};

// The number each page of a printed job carries, in the job's order.
QList<int> PrintedNumbers(const QString& pdf)
{
    QList<int> numbers;
    const int pages = SpoolerOutput::Info(pdf).Pages;
    for (int k = 1; k <= pages; ++k)
        numbers << SpoolerOutput::PageText(pdf, k).trimmed().toInt();
    return numbers;
}

QString CurrentPrinterName()
{
    QString device, driver, port;
    TDevModeHandle h;
    TPrinter::Printer().GetPrinter(device, driver, port, h);
    return device;
}

} // namespace

TEST(PreviewWindow, TheSystemPrintDialogServesThisPrintOnly)
{
    auto doc = MakeDoc(10);
    doc->SetPageNumber(4);
    Preview p(*doc);
    const QString before = CurrentPrinterName();
    ASSERT_EQ(before, QStringLiteral("Office Laser"));
    struct BackToDefault {
        ~BackToDefault() { TPrinter::Printer().SetPrinterIndex(-1); }
    } cleanup;

    struct Case {
        QString printer;
        bool range;
        int from, to;
        int wantFrom, wantTo;
        QString during;
    };
    const Case cases[] = {
        {QStringLiteral("Mono_Letter"), false, 0, 0, 1, 10, QStringLiteral("Mono Letter")},
        {QString(), true, 2, 6, 2, 6, QStringLiteral("Office Laser")},
    };
    for (const auto& c : cases) {
        PrintDialogUser user{c.printer, c.range, c.from, c.to};
        QString during;
        DialogStandIn dialog([&](QWidget* parent, int from, int to, int min, int max) {
            user.Arm();
            const Choice r = ExecutePrintDialog(parent, from, to, min, max);
            during = CurrentPrinterName();
            return r;
        });
        p.form->PrintBtn->click();
        EXPECT_EQ(user.ShownFrom, 4);
        EXPECT_EQ(user.ShownTo, 4);
        EXPECT_EQ(user.Min, 1);
        EXPECT_EQ(user.Max, 10);
        EXPECT_TRUE(user.AllChecked);
        EXPECT_FALSE(user.PagesListVisible);
        EXPECT_TRUE(user.DroppedControlsShown.isEmpty()) << user.DroppedControlsShown.join(u',').toStdString();
        EXPECT_EQ(user.OfferedControlsShown.size(), 3) << user.OfferedControlsShown.join(u',').toStdString();
        EXPECT_EQ(doc->PrintFromPage(), c.wantFrom);
        EXPECT_EQ(doc->PrintToPage(), c.wantTo);
        EXPECT_EQ(during, c.during);
        EXPECT_EQ(doc->PageNumber(), 4);
        ASSERT_FALSE(doc->FSavePrinterNameStr.isEmpty());
        // Afterwards the document's own printer again.
        EXPECT_EQ(CurrentPrinterName(), before);
        EXPECT_EQ(doc->plSetPrinter()->PrinterName(), before);
    }
}

// Odd or even pages and the reverse order chosen in the print dialog reach
// the spooler as the job's pages, on any printer.
TEST(PreviewWindow, OddEvenAndReverseFromThePrintDialogShapeTheJob)
{
    auto doc = MakeDoc(7);
    Preview p(*doc);
    struct Case {
        bool range;
        int from, to;
        int pageSet;
        bool reverse;
        QList<int> printed;
    };
    const Case cases[] = {
        {false, 0, 0, 1, true, {7, 5, 3, 1}},
        {true, 2, 6, 2, false, {2, 4, 6}},
        {true, 2, 6, 1, false, {3, 5}},
        {true, 3, 5, 0, true, {5, 4, 3}},
    };
    for (const auto& c : cases) {
        PrintDialogUser user{QString(), c.range, c.from, c.to};
        user.PageSet = c.pageSet;
        user.Reverse = c.reverse;
        DialogStandIn dialog([&](QWidget* parent, int from, int to, int min, int max) {
            user.Arm();
            return ExecutePrintDialog(parent, from, to, min, max);
        });
        const int before = TPrinter::Printer().LastJobId();
        p.form->PrintBtn->click();
        const int job = TPrinter::Printer().LastJobId();
        ASSERT_NE(job, before);
        const QString pdf = SpoolerOutput::WaitForJob(QStringLiteral("Office_Laser"), job);
        ASSERT_FALSE(pdf.isEmpty());
        EXPECT_EQ(PrintedNumbers(pdf), c.printed) << c.from << "-" << c.to << " set " << c.pageSet;
        // The choice served this print only.
        EXPECT_EQ(doc->PrintPageSet, pgAll);
        EXPECT_FALSE(doc->PrintReverse);
    }
}

// The paper and orientation confirmed in the printer properties print the
// job; one that would cut the recorded pages off is named in a warning
// first, from which the user goes back to the dialog, prints anyway or
// stops.
TEST(PreviewWindow, PaperAndOrientationFromThePrinterPropertiesAreAdoptedOrWarnedOf)
{
    auto doc = MakeDoc(2);
    Preview p(*doc);
    const QString snapshot = doc->FSavePrinterNameStr;
    const int paperWidth = doc->PaperWidth();
    struct Case {
        QString paper;
        bool landscape;
        QMessageBox::StandardButton answer; // to the warning; NoButton: none expected
        QSizeF printed;                     // points; empty: nothing printed
    };
    const Case cases[] = {
        {QStringLiteral("A3"), false, QMessageBox::NoButton, QSizeF(841.89, 1190.55)},
        {QStringLiteral("A5"), false, QMessageBox::Cancel, QSizeF()},
        {QStringLiteral("A4"), true, QMessageBox::Ignore, QSizeF(841.89, 595.28)},
        {QStringLiteral("A5"), false, QMessageBox::Retry, QSizeF(595.28, 841.89)},
    };
    for (const auto& c : cases) {
        PrintDialogUser user;
        user.Paper = c.paper;
        user.Landscape = c.landscape;
        DialogStandIn dialog([&](QWidget* parent, int from, int to, int min, int max) {
            // Back from the warning, the user takes A4 portrait instead.
            if (user.Runs == 1) {
                user.Paper = QStringLiteral("A4");
                user.Landscape = false;
            }
            user.Arm();
            return ExecutePrintDialog(parent, from, to, min, max);
        });
        TMessageBoxRecorder boxes(c.answer == QMessageBox::NoButton ? QMessageBox::Ok : c.answer);
        const int before = TPrinter::Printer().LastJobId();
        p.form->PrintBtn->click();
        // The properties offer the document's paper first, and only what the job carries.
        // Back from the warning, the dialog opens on the choice just made.
        EXPECT_EQ(user.ProposedPaper, c.answer == QMessageBox::Retry ? QStringLiteral("A5") : QStringLiteral("A4"));
        EXPECT_EQ(user.PropertiesShown, QStringList{QStringLiteral("tabPage")});
        ASSERT_EQ(boxes.Boxes.size(), c.answer == QMessageBox::NoButton ? 0u : 1u) << c.paper.toStdString();
        if (!boxes.Boxes.empty()) {
            const TMessageBoxRequest& box = boxes.Boxes.front();
            EXPECT_EQ(box.Icon, QMessageBox::Warning);
            EXPECT_EQ(box.Caption, QStringLiteral("　印刷"));
            EXPECT_TRUE(box.Text.contains(QStringLiteral("cannot hold them"))) << box.Text.toStdString();
            EXPECT_TRUE(box.Text.contains(c.landscape ? QStringLiteral("landscape") : QStringLiteral("portrait")));
            EXPECT_EQ(box.Buttons, QMessageBox::Retry | QMessageBox::Ignore | QMessageBox::Cancel);
            EXPECT_EQ(user.Runs, c.answer == QMessageBox::Retry ? 2 : 1);
        }
        const int job = TPrinter::Printer().LastJobId();
        if (c.printed.isEmpty()) {
            EXPECT_EQ(job, before);
        } else {
            ASSERT_NE(job, before) << c.paper.toStdString();
            const QString pdf = SpoolerOutput::WaitForJob(QStringLiteral("Office_Laser"), job);
            ASSERT_FALSE(pdf.isEmpty());
            const SpoolerOutput::TPdfInfo info = SpoolerOutput::Info(pdf);
            ASSERT_EQ(info.PageSizes.size(), 2);
            EXPECT_NEAR(info.PageSizes[0].width(), c.printed.width(), 1) << c.paper.toStdString();
            EXPECT_NEAR(info.PageSizes[0].height(), c.printed.height(), 1) << c.paper.toStdString();
        }
        // Afterwards the document's own paper again.
        EXPECT_EQ(doc->FSavePrinterNameStr, snapshot);
        EXPECT_EQ(doc->plSetPrinter()->PaperNumber(), 9);
        EXPECT_EQ(doc->plSetPrinter()->Orientation(), int(poPortrait));
        EXPECT_EQ(doc->PaperWidth(), paperWidth);
        EXPECT_TRUE(p.form->PrintBtn->isEnabled());
    }
}

namespace {

// The print's progress while it is shown.
QProgressDialog* ShownProgress()
{
    for (QWidget* w : QApplication::allWidgets())
        if (auto* bar = qobject_cast<QProgressDialog*>(w); bar && bar->isVisible())
            return bar;
    return nullptr;
}

// Presses the Cancel button of the print's progress once it shows the
// page, or the sending, it waits for.
struct ProgressCanceller {
    explicit ProgressCanceller(int atPage) : AtPage(atPage) {}
    int AtPage = 0; // 0: when the job is being sent
    QString LastLabel;
    bool Pressed = false;
    QTimer Timer;

    void Arm()
    {
        Timer.setInterval(0);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            QProgressDialog* bar = ShownProgress();
            if (!bar || Pressed)
                return;
            LastLabel = bar->labelText();
            const bool sending = LastLabel.startsWith(QStringLiteral("Sending"));
            if ((AtPage == 0 && sending) || (AtPage > 0 && !sending && bar->value() >= AtPage)) {
                Pressed = true;
                auto* cancel = bar->findChild<QPushButton*>();
                QTest::mouseClick(cancel, Qt::LeftButton);
            }
        });
        Timer.start();
    }
};

} // namespace

// A long print shows its progress page by page; Cancel stops it, leaves
// nothing queued on the spooler (a job being sent is withdrawn there), and
// the window is as before the print.
TEST(PreviewWindow, ALongPrintShowsItsProgressAndCancelsOnTheSpoolerToo)
{
    auto doc = MakeDoc(40);
    doc->SetPageNumber(3);
    Preview p(*doc);
    const QString snapshot = doc->FSavePrinterNameStr;
    const QString queue = QStringLiteral("Office_Laser");
    for (int atPage : {5, 0}) {
        DialogStandIn dialog([](QWidget*, int, int, int, int) { return Choice{true, Choice::AllPages, 1, 40}; });
        ProgressCanceller canceller(atPage);
        canceller.Arm();
        const QMap<int, int> jobsBefore = SpoolerOutput::JobStates(queue);
        const int before = TPrinter::Printer().LastJobId();
        bool printingSeen = false;
        doc->OnPrint = [&](QObject*, int) { printingSeen = printingSeen || doc->Printing(); };
        p.form->PrintBtn->click();
        canceller.Timer.stop();
        doc->OnPrint = nullptr;
        ASSERT_TRUE(canceller.Pressed) << atPage << " " << canceller.LastLabel.toStdString();
        EXPECT_TRUE(printingSeen);
        if (atPage > 0) {
            EXPECT_TRUE(canceller.LastLabel.startsWith(QStringLiteral("Printing page %1 of 40").arg(atPage + 1)))
                << canceller.LastLabel.toStdString();
        }
        EXPECT_EQ(TPrinter::Printer().LastJobId(), before);
        // Nothing waits or prints on the spooler; a job that had reached it
        // is there as cancelled.
        const QMap<int, int> jobs = SpoolerOutput::JobStates(queue);
        QList<int> added;
        for (auto it = jobs.begin(); it != jobs.end(); ++it)
            if (!jobsBefore.contains(it.key()))
                added << it.key();
        EXPECT_EQ(added.size(), atPage > 0 ? 0 : 1);
        for (int id : added) {
            EXPECT_EQ(jobs.value(id), int(IPP_JSTATE_CANCELED));
            EXPECT_FALSE(QFileInfo::exists(SpoolerOutput::Dir() + QStringLiteral("/%1-%2.pdf").arg(queue).arg(id)));
        }
        // The window as before.
        EXPECT_FALSE(doc->Printing());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(doc->FSavePrinterNameStr, snapshot);
        EXPECT_EQ(doc->PageNumber(), 3);
        EXPECT_TRUE(p.form->PrintBtn->isEnabled());
        EXPECT_EQ(p.form->findChildren<QProgressDialog*>().size(), 0);
    }
    // A short print shows no progress, and printing still works.
    DialogStandIn dialog([](QWidget*, int, int, int, int) { return Choice{true, Choice::PageNums, 1, 3}; });
    ProgressCanceller watcher(1);
    watcher.Arm();
    const int before = TPrinter::Printer().LastJobId();
    p.form->PrintBtn->click();
    watcher.Timer.stop();
    EXPECT_TRUE(watcher.LastLabel.isEmpty());
    EXPECT_NE(TPrinter::Printer().LastJobId(), before);
}

// On a Japanese system the warning about a paper too small and the print's
// progress speak Japanese.
TEST(PreviewWindow, PrintWarningAndProgressInJapanese)
{
    {
        JapaneseSystem japanese;
        auto doc = MakeDoc(6);
        Preview p(*doc);
        PrintDialogUser user;
        user.Paper = QStringLiteral("A5");
        DialogStandIn dialog([&](QWidget* parent, int from, int to, int min, int max) {
            user.Arm();
            return ExecutePrintDialog(parent, from, to, min, max);
        });
        TMessageBoxRecorder boxes(QMessageBox::Cancel);
        p.form->PrintBtn->click();
        ASSERT_EQ(boxes.Boxes.size(), 1u);
        EXPECT_TRUE(boxes.Boxes.front().Text.contains(QStringLiteral("選んだ用紙 A5（148 × 210 mm、縦）には収まらず")))
            << boxes.Boxes.front().Text.toStdString();

        DialogStandIn all([](QWidget*, int, int, int, int) { return Choice{true, Choice::AllPages, 1, 6}; });
        ProgressCanceller canceller(2);
        canceller.Arm();
        p.form->PrintBtn->click();
        canceller.Timer.stop();
        EXPECT_TRUE(canceller.Pressed);
        EXPECT_EQ(canceller.LastLabel, QStringLiteral("6 頁中 3 頁目を印刷しています"));
    }
}

// The spooler goes away while a long job is sent, or before Print: an error
// box says so, nothing hangs, the window is as before, and once the spooler
// is back a print reaches it. A spooler of this test's own, so that the
// run's spooler keeps serving the other tests.
TEST(PreviewWindow, TheSpoolerGoingAwayEndsThePrintWithAnErrorAndALaterPrintWorks)
{
    SpoolerOutput::TOwnSpooler spooler;
    ASSERT_TRUE(spooler.Start());
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>(spooler.Socket()));
    struct BackToTheRunsSpooler {
        ~BackToTheRunsSpooler() { TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>()); }
    } back;

    auto doc = MakeDoc(300);
    ASSERT_FALSE(doc->NoPrinter());
    Preview p(*doc);
    const QString snapshot = doc->FSavePrinterNameStr;
    DialogStandIn dialog([](QWidget*, int, int, int, int) { return Choice{true, Choice::AllPages, 1, 300}; });

    for (bool whileSending : {true, false}) {
        QTimer stopper;
        bool stopped = false;
        if (whileSending) {
            stopper.setInterval(0);
            QObject::connect(&stopper, &QTimer::timeout, [&] {
                QProgressDialog* bar = ShownProgress();
                if (!stopped && bar && bar->labelText().startsWith(QStringLiteral("Sending"))) {
                    stopped = true;
                    EXPECT_TRUE(spooler.Stop());
                }
            });
            stopper.start();
        } else {
            ASSERT_TRUE(spooler.Stop());
            stopped = true;
        }
        TMessageBoxRecorder boxes;
        const int before = TPrinter::Printer().LastJobId();
        p.form->PrintBtn->click();
        stopper.stop();
        ASSERT_TRUE(stopped);
        ASSERT_EQ(boxes.Boxes.size(), 1u) << whileSending;
        const TMessageBoxRequest& box = boxes.Boxes.front();
        EXPECT_EQ(box.Icon, QMessageBox::Warning);
        EXPECT_TRUE(box.Text.startsWith(QStringLiteral("The pages could not be printed."))) << box.Text.toStdString();
        EXPECT_EQ(TPrinter::Printer().LastJobId(), before);
        EXPECT_FALSE(doc->Printing());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(doc->FSavePrinterNameStr, snapshot);
        EXPECT_TRUE(p.form->PrintBtn->isEnabled());
        EXPECT_FALSE(TPrinter::Printer().Printing());
        ASSERT_TRUE(spooler.Start());
    }
    // Back again: the next print reaches it whole.
    TMessageBoxRecorder boxes;
    p.form->PrintBtn->click();
    EXPECT_TRUE(boxes.Boxes.empty()) << (boxes.Boxes.empty() ? "" : boxes.Boxes.front().Text.toStdString());
    const int job = TPrinter::Printer().LastJobId();
    const QString pdf = QStringLiteral("%1/Office_Laser-%2.pdf").arg(spooler.Out()).arg(job);
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(pdf) && t.elapsed() < 60000)
        QTest::qWait(100);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    EXPECT_EQ(SpoolerOutput::Info(pdf).Pages, 300);
}

TEST(PreviewWindow, HardCopyPrintsTheWindowAcrossThePageWidth)
{
    auto doc = MakeDoc(2);
    Preview p(*doc);
    p.form->activateWindow();
    DialogStandIn dialog([](QWidget*, int, int, int, int) { return Choice{true, Choice::AllPages, 1, 2}; });
    const int before = TPrinter::Printer().LastJobId();
    const int pageWidth = TPrinter::Printer().GetDeviceCaps(DevCaps::HORZRES);
    p.form->N3->trigger();
    const int job = TPrinter::Printer().LastJobId();
    ASSERT_NE(job, before);
    const QString pdf = SpoolerOutput::WaitForJob(QStringLiteral("Office_Laser"), job);
    ASSERT_FALSE(pdf.isEmpty());
    ASSERT_EQ(SpoolerOutput::Info(pdf).Pages, 1);
    // The capture is kept without loss: no JPEG in the job.
    const QStringList encodings = SpoolerOutput::ImageEncodings(pdf);
    ASSERT_FALSE(encodings.isEmpty());
    EXPECT_FALSE(encodings.contains(QStringLiteral("jpeg"))) << encodings.join(u' ').toStdString();

    // Where the capture landed: a tenth of the printable width in from each
    // side, half of that from the top, as high as its proportions ask.
    const int dpi = 60;
    const QImage page = SpoolerOutput::Render(pdf, 1, dpi);
    QRect ink;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 250)
                ink |= QRect(x, y, 1, 1);
    const double scale = double(dpi) / TPrinter::Printer().GetDeviceCaps(DevCaps::LOGPIXELSX);
    const int offX = TPrinter::Printer().GetDeviceCaps(DevCaps::PHYSICALOFFSETX);
    const int offY = TPrinter::Printer().GetDeviceCaps(DevCaps::PHYSICALOFFSETY);
    const QSize shot = p.form->size();
    const TplEdges e = HardCopyRect(pageWidth, double(shot.height()) / shot.width());
    EXPECT_NEAR(ink.left(), (offX + e.Left) * scale, 2);
    EXPECT_NEAR(ink.right(), (offX + e.Right) * scale, 2);
    EXPECT_NEAR(ink.top(), (offY + e.Top) * scale, 2);
    EXPECT_NEAR(ink.bottom(), (offY + e.Bottom) * scale, 2);
    EXPECT_EQ(doc->PageNumber(), 1);
}

TEST(PreviewWindow, PrinterSetupWithAnotherPaperShowsTheWholeNewPage)
{
    struct BackToDefault {
        ~BackToDefault() { TPrinter::Printer().SetPrinterIndex(-1); }
    } cleanup;
    for (bool confirm : {false, true}) {
        auto doc = MakeDoc(3);
        doc->SetBtnOptions(doc->BtnOptions().Include(boPrinterSetBtn));
        int setups = 0;
        doc->OnPrinterSetupDialog = [&](QObject*) { ++setups; };
        Preview p(*doc);
        p.form->ZoomDownBtn->click();
        const QString snapshot = doc->FSavePrinterNameStr;
        QTimer::singleShot(50, [confirm] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(dlg->objectName(), QStringLiteral("plSetupDialog"));
            dlg->findChild<QRadioButton*>(QStringLiteral("rbLandscape"))->setChecked(true);
            auto* paper = dlg->findChild<QComboBox*>(QStringLiteral("cbPaper"));
            const int letter = paper->findText(QStringLiteral("Letter"), Qt::MatchStartsWith);
            ASSERT_GE(letter, 0);
            paper->setCurrentIndex(letter);
            if (confirm)
                dlg->accept();
            else
                dlg->reject();
        });
        p.form->PrinterSetBtn->click();
        EXPECT_EQ(setups, confirm ? 1 : 0);
        EXPECT_EQ(doc->ZoomType, confirm ? ztWholePage : ztOther);
        EXPECT_EQ(doc->FSavePrinterNameStr != snapshot, confirm);
        const QRect r = p.Bounds(p.form->Image1);
        EXPECT_EQ(r.width() > r.height(), confirm);
        EXPECT_EQ(p.form->StatusPanel[0]->text().startsWith(QStringLiteral(" Page  1/3  Letter")), confirm)
            << p.form->StatusPanel[0]->text().toStdString();
        if (confirm) {
            EXPECT_GT(doc->PaperWidth(), doc->PaperHeight());
            EXPECT_EQ(doc->PaperWidth(), 2794); // US Letter across
            EXPECT_EQ(doc->ViewWidth(), doc->PaperWidth());
            EXPECT_EQ(doc->ViewHeight(), doc->PaperHeight());
            // Later prints go back to the new choice, not to the old one.
            DialogStandIn dialog([](QWidget*, int, int, int, int) { return Choice{}; });
            p.form->PrintBtn->click();
            EXPECT_EQ(doc->plSetPrinter()->Orientation(), int(poLandscape));
        }
        EXPECT_TRUE(p.form->PrinterSetBtn->isEnabled());
        EXPECT_TRUE(p.form->updatesEnabled());
    }
}

TEST(PreviewWindow, OpeningStatesCoverTheScreenAsAsked)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        TplPrevFormWindowState state;
        Qt::WindowState qt;
        QRect bounds;
    };
    const Case cases[] = {
        {fwNormal, Qt::WindowNoState, QRect(30, 40, 700, 500)},
        {fwMaximized, Qt::WindowMaximized, QRect()},
        {fwMinimized, Qt::WindowMinimized, QRect()},
        {fwWorkArea, Qt::WindowNoState, work},
        {fwFullScreen, Qt::WindowNoState, screen},
    };
    for (const auto& c : cases) {
        auto doc = MakeDoc(1);
        doc->FormLeft = 30;
        doc->FormTop = 40;
        doc->FormWidth = 700;
        doc->FormHeight = 500;
        doc->FormPosition = poDesigned;
        doc->FormWindowState = c.state;
        TplPrevForm form;
        form.SetplPrev(doc.get());
        EXPECT_TRUE(form.windowState() & c.qt || c.qt == Qt::WindowNoState) << c.state;
        if (!c.bounds.isNull()) {
            EXPECT_EQ(form.geometry(), c.bounds) << c.state;
        }
    }
}

// A window designed larger than this screen opens inside its work area,
// maximised or not, and is restored from maximised inside it; one that fits
// keeps its designed bounds.
TEST(PreviewWindow, DesignedBoundsAreBroughtOntoASmallerScreen)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        TplPrevFormWindowState state;
        QRect designed;
    } cases[] = {
        {fwNormal, QRect(work.topLeft() + QPoint(20, 20), work.size() + QSize(340, 192))},
        {fwMaximized, QRect(work.topLeft() + QPoint(20, 20), work.size() + QSize(340, 192))},
        {fwNormal, QRect(work.right() - 300, work.bottom() - 200, 700, 500)},
        {fwNormal, QRect(work.topLeft() + QPoint(30, 40), QSize(700, 500))},
    };
    for (const auto& c : cases) {
        auto doc = MakeDoc(1);
        doc->FormLeft = c.designed.left();
        doc->FormTop = c.designed.top();
        doc->FormWidth = c.designed.width();
        doc->FormHeight = c.designed.height();
        doc->FormPosition = poDesigned;
        doc->FormWindowState = c.state;
        TplPrevForm form;
        form.SetplPrev(doc.get());
        const QRect restored = form.normalGeometry().isValid() ? form.normalGeometry() : form.geometry();
        EXPECT_TRUE(work.contains(restored)) << c.designed.x() << "," << c.designed.y();
        EXPECT_EQ(restored.size(), c.designed.size().boundedTo(work.size()));
        if (work.contains(c.designed)) {
            EXPECT_EQ(restored, c.designed);
        }
        form.Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        EXPECT_TRUE(work.contains(form.frameGeometry()) || c.state == fwMaximized) << c.designed.x();
        // The tool bar is reachable whatever size the window took.
        EXPECT_TRUE(form.CloseBtn->isVisible() || form.OverflowBtn->isVisible());
    }
}

// At the minimum width the buttons that do not fit wait behind the
// overflow button at the bar's end and still work from its menu.
TEST(PreviewWindow, NarrowToolBarKeepsEveryCommandReachable)
{
    auto doc = MakeDoc(3);
    Preview p(*doc);
    p.form->resize(350, 350);
    QTRY_COMPARE(p.form->width(), 350);
    QStringList inBar;
    for (QToolButton* b : p.form->CoolBar1->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
        if (b->isVisible() && b != p.form->OverflowBtn) {
            EXPECT_LE(b->geometry().right(), p.form->OverflowBtn->geometry().left()) << b->objectName().toStdString();
            inBar << b->text();
        }
    ASSERT_TRUE(p.form->OverflowBtn->isVisible());
    EXPECT_LE(p.form->OverflowBtn->geometry().right(), 349);
    QMenu* menu = p.form->OverflowBtn->menu();
    emit menu->aboutToShow();
    QStringList behind;
    QAction* last = nullptr;
    for (QAction* a : menu->actions()) {
        behind << a->text();
        if (a->text() == p.form->PageWidthBtn->text())
            last = a;
    }
    const int shown = std::popcount(unsigned(doc->BtnOptions().ToInt() & 0x1FFF)) + 1; // and Save as PDF
    EXPECT_EQ(inBar.size() + behind.size(), shown) << (inBar + behind).join(u',').toStdString();
    EXPECT_FALSE(behind.isEmpty());
    ASSERT_NE(last, nullptr);
    last->trigger();
    EXPECT_EQ(doc->ZoomType, ztPageWidth);
    // Wide again: everything back in the bar.
    p.form->resize(900, 600);
    QTRY_VERIFY(!p.form->OverflowBtn->isVisible());
    EXPECT_TRUE(p.form->CloseBtn->isVisible());
}

TEST(PreviewWindow, EmbeddedInAParentItFillsIt)
{
    QWidget host;
    host.resize(900, 700);
    host.show();
    auto doc = MakeDoc(2);
    doc->SetFormParent(&host);
    TplPrevForm* form = new TplPrevForm;
    form->SetplPrev(doc.get());
    form->Show();
    EXPECT_EQ(form->parentWidget(), &host);
    EXPECT_FALSE(form->isWindow());
    EXPECT_EQ(form->geometry(), host.rect());
    host.resize(1000, 760);
    QTRY_COMPARE(form->geometry(), host.rect());
    EXPECT_TRUE(form->NextPageBtn->isEnabled());
    delete form;
}
