// The preview window driven as a user drives it: layout, zoom, paging,
// scrolling, panning, resizing, the context menu, commands and closing.
#include "plPrevFrm.h"
#include "plPrevGlyphs.h"
#include "plMessageBox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPicture>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QSvgRenderer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// A document of numbered pages, each a sheet with a frame and its number.
class PageDoc : public QObject, public TplPrevLink {
public:
    explicit PageDoc(int pages, double ratio = 297.0 / 210.0) : Pages(pages), Ratio(ratio) {}

    int Pages;
    double Ratio;
    int Page = 1;
    TplPrevZoomType Zoom = ztWholePage;
    bool Visible = true, Shade = true, Drag = true, NoPrinterFlag = false, AutoForm = false;
    uint32_t Buttons = 0x13FD;
    QString TitleText = QStringLiteral("Print Preview");
    QString Extra;
    QString Paper = QStringLiteral("A4");
    TplPrevFormSettings Settings;
    QWidget* Form = nullptr;
    QString FormName;
    bool IsPrevFormShow = true;
    int ViewW = 2100, ViewH = 2970;
    int FromPage = -1, ToPage = -1;
    int Printed = 0, Adopted = 0, Restored = 0, SetupDone = 0, Composed = 0;
    bool SetupAnswer = true;
    std::optional<bool> CanPrintAnswer, CanCloseAnswer;
    bool PrintThrows = false;
    int AfterViews = 0, Resizes = 0, Shows = 0, Destroys = 0;

    QObject* Component() override { return this; }
    int PageNumber() const override { return Page; }
    void SetPageNumber(int v) override { Page = v; }
    int PageCount() const override { return Pages; }
    TplPrevZoomType ZoomType() const override { return Zoom; }
    void SetZoomType(TplPrevZoomType v) override { Zoom = v; }
    double ViewPaperRatio() const override { return Ratio; }
    bool ImageVisible() const override { return Visible; }
    bool ImageShade() const override { return Shade; }
    bool ImageDrag() const override { return Drag; }
    uint32_t BtnOptions() const override { return Buttons; }
    QString Title() const override { return TitleText; }
    void SetTitle(const QString& v) override { TitleText = v; }
    QString StatusBarText() const override { return Extra; }
    TplPrevFormSettings FormSettings() const override { return Settings; }
    QString StatusPaperName() override { return Paper; }
    bool NoPrinter() const override { return NoPrinterFlag; }
    TplPagePicture GetMetaImage(int page) override
    {
        if (page < 1 || page > Pages)
            return {};
        ++Composed;
        QPicture pic;
        {
            QPainter p(&pic);
            p.fillRect(QRect(0, 0, 2100, 2970), Qt::white);
            p.setPen(QPen(Qt::black, 5));
            p.drawRect(QRect(100, 100, 1900, 2770));
            QFont f(QStringLiteral("DejaVu Sans"));
            f.setPixelSize(200);
            p.setFont(f);
            p.drawText(QRect(100, 100, 1900, 600), Qt::AlignCenter, QString::number(page));
        }
        TplPagePicture out;
        out.Frame = QSizeF(2100, 2970);
        out.Play = [pic](QPainter& p, const QRectF& r) {
            p.save();
            p.translate(r.topLeft());
            p.scale(r.width() / 2100.0, r.height() / 2970.0);
            p.drawPicture(0, 0, pic);
            p.restore();
        };
        return out;
    }
    void SetForm(QWidget* f) override { Form = f; }
    void SetFormName(const QString& n) override { FormName = n; }
    bool AutoCreateForm() const override { return AutoForm; }
    void SetIsPrevFormShow(bool v) override { IsPrevFormShow = v; }
    void DoPrepare() override {}
    void SetPrintRange(int f, int t) override
    {
        FromPage = f;
        ToPage = t;
    }
    void Print() override
    {
        ++Printed;
        if (PrintThrows)
            throw std::runtime_error("the spooler refused the job");
    }
    bool AcrobatOut() override { return false; }
    void AdoptCurrentPrinter() override { ++Adopted; }
    void RestorePrinterSnapshot() override { ++Restored; }
    bool ShowSetupDialog() override { return SetupAnswer; }
    void PrinterSetupDone() override { ++SetupDone; }
    void ResetViewSize() override { ViewW = ViewH = 0; }
    void DoResize(QObject*, int) override { ++Resizes; }
    void DoAfterView(QObject*, int) override { ++AfterViews; }
    void DoFormShow(QObject*) override { ++Shows; }
    void DoFormDestroy(QObject*) override { ++Destroys; }
    void DoPrintButtonClick(QObject*, bool& can) override
    {
        if (CanPrintAnswer)
            can = *CanPrintAnswer;
    }
    void DoPrinterSetupDialog(QObject*) override {}
    void DoFormCloseQuery(QObject*, bool& can) override
    {
        if (CanCloseAnswer)
            can = *CanCloseAnswer;
    }
    void DoFormClose(QObject*, TCloseAction&) override {}
};

// The window for a document, sized so that the scroll area is w x h.
struct Preview {
    explicit Preview(PageDoc& doc, int w = 800, int h = 600)
    {
        doc.Settings.Width = w;
        doc.Settings.Height = h + 54 + 26;
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

} // namespace

TEST(PreviewWindow, CreatedWithOnlyCloseEnabledAndButtonsInOrder)
{
    TplPrevForm form;
    const char* names[pbCount] = {"PrintBtn", "PrinterSetBtn", "FirstPageBtn", "PriorPageBtn", "NextPageBtn",
                                  "LastPageBtn", "ZoomDownBtn", "ZoomUpBtn", "PageWholeBtn", "PageWidthBtn",
                                  "HelpBtn", "InfoBtn", "CloseBtn"};
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
    // Unlinked: the page and zoom buttons do nothing.
    form.NextPageBtnClick(nullptr);
    form.PageWholeBtnClick(nullptr);
    EXPECT_EQ(EnabledButtons(form), ButtonBit(pbClose));
}

TEST(PreviewWindow, LinkingAppliesTheDocumentSettings)
{
    PageDoc doc(3);
    doc.TitleText.clear();
    doc.Buttons = 0x1FFF & ~ButtonBit(pbPrint) & ~ButtonBit(pbZoomUp);
    doc.Settings.StatusBar = false;
    doc.Settings.Width = 900;
    doc.Settings.Height = 200; // below the minimum
    TplPrevForm form;
    form.SetplPrev(&doc);
    EXPECT_EQ(doc.Form, &form);
    EXPECT_EQ(doc.TitleText, QStringLiteral("印刷プレビュー"));
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

TEST(PreviewWindow, WholePageFitsTheScrollArea)
{
    struct Case { double ratio; QRect image; };
    const Case cases[] = {{1.5, QRect(210, 15, 380, 570)}, {0.75, QRect(15, 11, 770, 577)}};
    for (const auto& c : cases) {
        PageDoc doc(2, c.ratio);
        Preview p(doc);
        ASSERT_EQ(p.form->ScrollBox1->size(), QSize(800, 600));
        EXPECT_EQ(p.Bounds(p.form->Image1), c.image) << c.ratio;
        const QRect r = c.image;
        EXPECT_EQ(p.Bounds(p.form->Shape2), QRect(r.x() + 2, r.y() + 2, r.width() + 2, r.height() + 2));
        EXPECT_EQ(p.Bounds(p.form->Shape1), QRect(r.x() - 1, r.y() - 1, r.width() + 1, r.height() + 1));
        EXPECT_TRUE(p.form->Shape2->isVisible());
        EXPECT_TRUE(p.form->Shape1->isVisible());
        EXPECT_EQ(p.form->ScrollBox1->verticalScrollBar()->isVisible(), false);
        EXPECT_EQ(doc.Zoom, ztWholePage);
    }
}

TEST(PreviewWindow, PageWidthThenZoomOutAndBackIn)
{
    PageDoc doc(2, 1.5);
    const int bar = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    Preview p(doc, 1000 + bar, 600);
    p.form->PageWidthBtn->click();
    // The tall page brings up the vertical bar; the width is fitted to what is left.
    EXPECT_TRUE(p.form->ScrollBox1->verticalScrollBar()->isVisible());
    EXPECT_EQ(p.form->ScrollBox1->ClientWidth(), 1000);
    EXPECT_EQ(p.Bounds(p.form->Image1), QRect(15, 15, 970, 1455));
    EXPECT_EQ(doc.Zoom, ztPageWidth);

    p.form->ZoomDownBtn->click();
    EXPECT_EQ(p.Bounds(p.form->Image1), QRect(15, 15, 873, 1309));
    EXPECT_EQ(doc.Zoom, ztOther);
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
    PageDoc doc(1, 0.2);
    Preview p(doc);
    const int screenW = p.form->screen()->geometry().width();
    for (int i = 0; i < 100 && p.form->ZoomUpBtn->isEnabled(); ++i)
        p.form->ZoomUpBtn->click();
    EXPECT_FALSE(p.form->ZoomUpBtn->isEnabled());
    EXPECT_GE(p.form->Image1->width(), 2 * screenW);
    EXPECT_LT(p.form->Image1->width(), 2 * screenW * 100 / 90 + 1);
}

TEST(PreviewWindow, ResizeRefitsWholePageAndPageWidthButNotOther)
{
    PageDoc doc(1, 1.5);
    Preview p(doc);
    p.form->resize(1000, 680 + 100);
    ASSERT_EQ(p.form->ScrollBox1->size(), QSize(1000, 700));
    EXPECT_EQ(p.Bounds(p.form->Image1), QRect(277, 15, 446, 670));
    p.form->ZoomDownBtn->click();
    const QRect fixed = p.Bounds(p.form->Image1);
    p.form->resize(900, 700);
    EXPECT_EQ(p.Bounds(p.form->Image1), fixed);
}

TEST(PreviewWindow, OtherZoomOpensAsWholePage)
{
    PageDoc doc(2, 1.5);
    doc.Zoom = ztOther;
    Preview p(doc);
    EXPECT_EQ(doc.Zoom, ztWholePage);
    EXPECT_EQ(p.Bounds(p.form->Image1), QRect(210, 15, 380, 570));
}

TEST(PreviewWindow, PageWidthIsKeptForTheNextShow)
{
    PageDoc doc(2, 1.5);
    doc.Zoom = ztPageWidth;
    Preview p(doc);
    EXPECT_EQ(p.Bounds(p.form->Image1).top(), 15);
    EXPECT_EQ(p.Bounds(p.form->Image1).width(), p.form->ScrollBox1->ClientWidth() - 30);
}

TEST(PreviewWindow, ButtonsFollowThePagePosition)
{
    const TplPrevButtonSet back = ButtonBit(pbFirstPage) | ButtonBit(pbPriorPage);
    const TplPrevButtonSet fwd = ButtonBit(pbNextPage) | ButtonBit(pbLastPage);
    const TplPrevButtonSet nav = back | fwd;
    {
        PageDoc doc(5);
        Preview p(doc);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, fwd);
        p.form->NextPageBtn->click();
        p.form->NextPageBtn->click();
        EXPECT_EQ(doc.Page, 3);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, nav);
        p.form->LastPageBtn->click();
        EXPECT_EQ(doc.Page, 5);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, back);
        p.form->NextPageBtnClick(nullptr); // nothing past the end
        EXPECT_EQ(doc.Page, 5);
        p.form->PriorPageBtn->click();
        EXPECT_EQ(doc.Page, 4);
        p.form->FirstPageBtn->click();
        EXPECT_EQ(doc.Page, 1);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, fwd);
        EXPECT_FALSE(p.form->HelpBtn->isEnabled());
        EXPECT_FALSE(p.form->InfoBtn->isEnabled());
        EXPECT_TRUE(p.form->CloseBtn->isEnabled());
    }
    {
        PageDoc doc(1);
        doc.Buttons = 0x1FFF;
        Preview p(doc);
        EXPECT_EQ(EnabledButtons(*p.form) & nav, 0);
        EXPECT_FALSE(p.form->HelpBtn->isEnabled());
        EXPECT_FALSE(p.form->InfoBtn->isEnabled());
        EXPECT_TRUE(p.form->PrintBtn->isEnabled());
    }
}

TEST(PreviewWindow, PageChangeKeepsTheZoomAndRedrawsThePage)
{
    PageDoc doc(3, 1.5);
    Preview p(doc);
    p.form->ZoomDownBtn->click();
    const QRect r = p.Bounds(p.form->Image1);
    const int composed = doc.Composed;
    const int views = doc.AfterViews;
    p.form->NextPageBtn->click();
    EXPECT_EQ(p.Bounds(p.form->Image1), r);
    EXPECT_EQ(doc.Zoom, ztOther);
    EXPECT_EQ(doc.Composed, composed + 1);
    EXPECT_EQ(doc.AfterViews, views + 1);
}

TEST(PreviewWindow, StatusBarShowsPageCountAndPaper)
{
    PageDoc doc(12);
    doc.Page = 3;
    Preview p(doc);
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QStringLiteral(" Page  3/12  A4"));
    EXPECT_EQ(p.form->StatusPanel[1]->text(), QString());
    doc.Extra = QStringLiteral("sheet 2");
    p.form->NextPageBtn->click();
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QStringLiteral(" Page  4/12  A4"));
    EXPECT_EQ(p.form->StatusPanel[1]->text(), QStringLiteral("sheet 2"));
    doc.Extra.clear(); // an empty text leaves the panel as it is
    p.form->NextPageBtn->click();
    EXPECT_EQ(p.form->StatusPanel[1]->text(), QStringLiteral("sheet 2"));
}

TEST(PreviewWindow, EmptyDocumentShowsNothingButCanClose)
{
    PageDoc doc(0);
    Preview p(doc);
    EXPECT_EQ(EnabledButtons(*p.form), ButtonBit(pbClose));
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QString());
    p.form->CloseBtn->click();
    EXPECT_FALSE(p.form->isVisible());
}

TEST(PreviewWindow, HiddenImageSkipsDrawingButZoomStillComputes)
{
    PageDoc doc(3, 1.5);
    doc.Visible = false;
    Preview p(doc);
    EXPECT_TRUE(p.form->Image1->isHidden());
    EXPECT_EQ(p.form->StatusPanel[0]->text(), QString());
    EXPECT_EQ(p.form->ImageRect(), (TplImgRect{210, 15, 380, 570}));
    EXPECT_FALSE(p.form->ZoomUpBtn->isEnabled());
}

TEST(PreviewWindow, WheelScrollsByDeltaOverFive)
{
    PageDoc doc(1, 1.5);
    doc.Zoom = ztPageWidth;
    Preview p(doc);
    QScrollBar* bar = p.form->ScrollBox1->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 100);
    struct Case { int delta, moved; };
    const Case cases[] = {{-120, 24}, {-7, 1}, {120, -24}, {-4, 0}};
    for (const auto& c : cases) {
        bar->setValue(50);
        QWidget* vp = p.form->ScrollBox1->viewport();
        QWheelEvent e(QPointF(100, 100), vp->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, c.delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
        EXPECT_EQ(bar->value(), 50 + c.moved) << c.delta;
    }
}

TEST(PreviewWindow, DraggingThePageMovesImageFrameAndShadow)
{
    PageDoc doc(1, 1.5);
    Preview p(doc);
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

    doc.Drag = false;
    QTest::mousePress(image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(p.form->Dragging());
    QTest::mouseRelease(image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
}

TEST(PreviewWindow, WindowSizeRules)
{
    PageDoc doc(1);
    Preview p(doc);
    p.form->resize(100, 100);
    EXPECT_EQ(p.form->size(), QSize(350, 350));
    EXPECT_TRUE(p.form->StatusBar->isSizeGripEnabled());

    PageDoc fixed(1);
    fixed.Settings.CanResize = false;
    Preview q(fixed);
    const QSize s = q.form->size();
    q.form->resize(s + QSize(100, 100));
    EXPECT_EQ(q.form->size(), s);
    EXPECT_FALSE(q.form->StatusBar->isSizeGripEnabled());
}

TEST(PreviewWindow, AWindowThatMayNotMoveStaysPut)
{
    PageDoc doc(1);
    doc.Settings.CanMove = false;
    Preview p(doc);
    const QPoint at = p.form->pos();
    p.form->move(at + QPoint(50, 40));
    QTRY_COMPARE(p.form->pos(), at);

    PageDoc free(1);
    Preview q(free);
    const QPoint from = q.form->pos();
    q.form->move(from + QPoint(50, 40));
    QTRY_COMPARE(q.form->pos(), from + QPoint(50, 40));
}

TEST(PreviewWindow, ContextMenuOffersFourItems)
{
    for (bool noPrinter : {false, true}) {
        PageDoc doc(1);
        doc.NoPrinterFlag = noPrinter;
        Preview p(doc);
        QTest::mousePress(p.form->Image1, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
        QTRY_VERIFY(p.form->PopupMenu1->isVisible());
        const auto actions = p.form->PopupMenu1->actions();
        ASSERT_EQ(actions.size(), 4);
        EXPECT_EQ(actions[0]->text(), QStringLiteral("現在の頁をコピー"));
        EXPECT_EQ(actions[1]->text(), QStringLiteral("画面をコピー"));
        EXPECT_EQ(actions[2]->text(), QStringLiteral("画面ハードコピー"));
        EXPECT_EQ(actions[3]->text(), QStringLiteral("キャンセル"));
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
    PageDoc doc(2);
    doc.Page = 2;
    Preview p(doc);
    p.form->N1->trigger();
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(m->hasFormat(QStringLiteral("image/svg+xml")));
    const QByteArray svg = m->data(QStringLiteral("image/svg+xml"));
    QSvgRenderer r(svg);
    ASSERT_TRUE(r.isValid());
    EXPECT_EQ(r.viewBoxF(), QRectF(0, 0, 2100, 2970));
    EXPECT_TRUE(svg.contains("210mm")) << svg.left(400).constData();
    EXPECT_TRUE(svg.contains(">2<") || svg.contains(">2 <")) << "page number as text";
    const QImage img = qvariant_cast<QImage>(m->imageData());
    ASSERT_FALSE(img.isNull());
    EXPECT_NEAR(double(img.height()) / img.width(), 2970.0 / 2100.0, 0.01);
}

TEST(PreviewWindow, CopyingTheWindowPutsItsPictureOnTheClipboard)
{
    PageDoc doc(1);
    Preview p(doc);
    p.form->activateWindow();
    QGuiApplication::clipboard()->clear();
    p.form->N2->trigger();
    const QImage img = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size() / img.devicePixelRatio(), p.form->size());
}

TEST(PreviewWindow, PrintProposesTheCurrentPageAndRestoresAfterwards)
{
    auto saved = TplPrevForm::RunPrintDialog;
    struct Seen { int from, to, min, max; } seen{};
    using Choice = TplPrevForm::PrintChoice;
    struct Case { Choice choice; int wantFrom, wantTo; bool throws; };
    const Case cases[] = {
        {{true, Choice::AllPages, 0, 0}, 1, 10, false},
        {{true, Choice::PageNums, 2, 6}, 2, 6, false},
        {{false, Choice::AllPages, 0, 0}, 0, 0, false},
        {{true, Choice::AllPages, 0, 0}, 1, 10, true},
    };
    for (const auto& c : cases) {
        PageDoc doc(10);
        doc.Page = 4;
        doc.PrintThrows = c.throws;
        Preview p(doc);
        TplPrevForm::RunPrintDialog = [&](QWidget*, int from, int to, int min, int max) {
            seen = {from, to, min, max};
            // Someone pages on while the dialog is open.
            doc.Page = 9;
            Choice r = c.choice;
            if (r.Kind == Choice::AllPages) {
                r.FromPage = min;
                r.ToPage = max;
            }
            return r;
        };
        TMessageBoxRecorder boxes;
        p.form->PrintBtn->click();
        EXPECT_EQ(seen.from, 4);
        EXPECT_EQ(seen.to, 4);
        EXPECT_EQ(seen.min, 1);
        EXPECT_EQ(seen.max, 10);
        EXPECT_EQ(doc.FromPage, c.wantFrom);
        EXPECT_EQ(doc.ToPage, c.wantTo);
        EXPECT_EQ(doc.Printed, c.choice.Accepted ? 1 : 0);
        EXPECT_EQ(doc.Adopted, c.choice.Accepted ? 1 : 0);
        EXPECT_EQ(doc.Restored, 1);
        EXPECT_EQ(doc.Page, 4);
        EXPECT_EQ(p.form->StatusPanel[0]->text(), QStringLiteral(" Page  4/10  A4"));
        EXPECT_TRUE(p.form->PrintBtn->isEnabled());
        ASSERT_EQ(boxes.Boxes.size(), c.throws ? 1u : 0u);
        if (c.throws) {
            EXPECT_EQ(boxes.Boxes[0].Text, QStringLiteral("the spooler refused the job"));
            EXPECT_EQ(boxes.Boxes[0].Icon, QMessageBox::Warning);
        }
    }
    TplPrevForm::RunPrintDialog = saved;
}

TEST(PreviewWindow, PrintRefusedByTheHandlerOrWithoutPrinter)
{
    auto saved = TplPrevForm::RunPrintDialog;
    int dialogs = 0;
    TplPrevForm::RunPrintDialog = [&](QWidget*, int, int, int, int) {
        ++dialogs;
        return TplPrevForm::PrintChoice{};
    };
    {
        PageDoc doc(3);
        doc.CanPrintAnswer = false;
        Preview p(doc);
        p.form->PrintBtn->click();
        EXPECT_EQ(dialogs, 0);
        EXPECT_EQ(doc.Printed, 0);
        EXPECT_EQ(doc.FromPage, -1);
    }
    for (bool handlerSaysYes : {false, true}) {
        PageDoc doc(3);
        doc.NoPrinterFlag = true;
        if (handlerSaysYes)
            doc.CanPrintAnswer = true;
        Preview p(doc);
        TMessageBoxRecorder boxes;
        p.form->PrintBtn->click();
        EXPECT_EQ(dialogs, 0);
        EXPECT_EQ(doc.Printed, 0);
        ASSERT_EQ(boxes.Boxes.size(), handlerSaysYes ? 1u : 0u);
        if (handlerSaysYes) {
            EXPECT_EQ(boxes.Boxes[0].Text, MsgPrintNoPrinter);
            EXPECT_EQ(boxes.Boxes[0].Caption, QStringLiteral("　印刷"));
            EXPECT_EQ(boxes.Boxes[0].Icon, QMessageBox::Information);
        }
    }
    TplPrevForm::RunPrintDialog = saved;
}

TEST(PreviewWindow, PrinterSetupWithoutPrinterOnlyTellsSo)
{
    PageDoc doc(3);
    doc.NoPrinterFlag = true;
    doc.Buttons = 0x1FFF;
    Preview p(doc);
    TMessageBoxRecorder boxes;
    p.form->PrinterSetBtn->click();
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, MsgSetupNoPrinter);
    EXPECT_EQ(boxes.Boxes[0].Caption, QStringLiteral("　プリンタと用紙の設定"));
    EXPECT_EQ(doc.SetupDone, 0);
}

TEST(PreviewWindow, PrinterSetupReturnsToTheWholePage)
{
    for (bool confirmed : {true, false}) {
        PageDoc doc(3, 1.5);
        doc.Buttons = 0x1FFF;
        doc.SetupAnswer = confirmed;
        Preview p(doc);
        p.form->ZoomDownBtn->click();
        doc.Ratio = 0.75; // the new paper is landscape
        p.form->PrinterSetBtn->click();
        EXPECT_EQ(doc.SetupDone, confirmed ? 1 : 0);
        EXPECT_EQ(doc.Zoom, confirmed ? ztWholePage : ztOther);
        if (confirmed) {
            EXPECT_EQ(p.Bounds(p.form->Image1), QRect(15, 11, 770, 577));
        }
        EXPECT_TRUE(p.form->PrinterSetBtn->isEnabled());
        EXPECT_TRUE(p.form->updatesEnabled());
    }
    // Without a sender the dialog is skipped.
    PageDoc doc(3);
    doc.SetupAnswer = false;
    Preview p(doc);
    p.form->PrinterSetBtnClick(nullptr);
    EXPECT_EQ(doc.SetupDone, 1);
}

TEST(PreviewWindow, CloseQueryAndClose)
{
    PageDoc doc(2);
    doc.CanCloseAnswer = false;
    Preview p(doc);
    p.form->CloseBtn->click();
    EXPECT_TRUE(p.form->isVisible());
    EXPECT_EQ(doc.ViewW, 2100);
    EXPECT_TRUE(doc.IsPrevFormShow);

    doc.CanCloseAnswer.reset();
    p.form->CloseBtn->click();
    EXPECT_FALSE(p.form->isVisible());
    EXPECT_EQ(doc.ViewW, 0);
    EXPECT_EQ(doc.ViewH, 0);
    EXPECT_FALSE(doc.IsPrevFormShow);
    EXPECT_FALSE(p.form->Image1->HasPicture());
    EXPECT_TRUE(p.form->Shape1->isHidden());
    EXPECT_EQ(doc.Form, p.form.data()); // a window the document did not create stays linked
}

TEST(PreviewWindow, AWindowTheDocumentCreatedIsFreedOnClose)
{
    PageDoc doc(2);
    doc.AutoForm = true;
    doc.FormName = QStringLiteral("plPrevForm__plPrev1");
    QPointer<TplPrevForm> form = new TplPrevForm;
    form->SetplPrev(&doc);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    EXPECT_EQ(doc.Shows, 1);
    form->CloseBtn->click();
    EXPECT_EQ(doc.Form, nullptr);
    EXPECT_EQ(doc.FormName, QString());
    QTRY_VERIFY(form.isNull());
    EXPECT_EQ(doc.Destroys, 1);
}

TEST(PreviewWindow, ModalShowReturnsWhenClosed)
{
    PageDoc doc(2);
    TplPrevForm form;
    form.SetplPrev(&doc);
    QTimer::singleShot(0, [&] { QTimer::singleShot(50, [&] { form.CloseBtn->click(); }); });
    form.ShowModal();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(doc.Shows, 1);
}

TEST(PreviewWindow, JapaneseCaptionsOnAJapaneseSystem)
{
    const char* old = std::getenv("LANG");
    const std::string keep = old ? old : "";
    const QString enPrint = MsgPrintNoPrinter, enSetup = MsgSetupNoPrinter;
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    setenv("LANG", "ja_JP.UTF-8", 1);
    {
        TplPrevForm form;
        const char* want[pbCount] = {"印刷 (&P)", "設定", "先頭頁", "前頁", "次頁", "最終頁", "縮小",
                                     "拡大", "全体", "頁幅", "ヘルプ", "情報", "閉じる"};
        for (int k = 0; k < pbCount; ++k)
            EXPECT_EQ(form.Button(k)->text(), QString::fromUtf8(want[k]));
        EXPECT_EQ(form.Button(pbPageWidth)->property("plHint").toString(), QStringLiteral("横幅基準表示"));
        EXPECT_EQ(MsgPrintNoPrinter, QStringLiteral("プリンタがインストールされていないので印刷できません．　　"));
        EXPECT_EQ(MsgSetupNoPrinter, QStringLiteral("プリンタがインストールされていないので設定できません．　　"));
        EXPECT_EQ(form.N1->text(), QStringLiteral("現在の頁をコピー"));
    }
    if (old)
        setenv("LANG", keep.c_str(), 1);
    else
        unsetenv("LANG");
    MsgPrintNoPrinter = enPrint;
    MsgSetupNoPrinter = enSetup;
    TplPrevForm en;
    EXPECT_EQ(en.PrintBtn->text(), QStringLiteral("&Print"));
    EXPECT_EQ(en.InfoBtn->property("plHint").toString(), QStringLiteral("Version Infomation"));
    EXPECT_EQ(MsgPrintNoPrinter, QStringLiteral("Printing is not possible because the printer is not installed.    "));
}

TEST(PreviewWindow, GlyphsFollowTheDesktopSettingAtEveryPaint)
{
    auto saved = TplPrevForm::IsAppsLightTheme;
    bool light = true;
    TplPrevForm::IsAppsLightTheme = [&] { return light; };
    PageDoc doc(1);
    Preview p(doc);
    p.form->repaint();
    EXPECT_FALSE(p.form->DarkGlyphs());
    const QImage lightGlyph = p.form->PrintBtn->icon().pixmap(24).toImage();
    light = false;
    p.form->repaint();
    EXPECT_TRUE(p.form->DarkGlyphs());
    EXPECT_NE(p.form->PrintBtn->icon().pixmap(24).toImage(), lightGlyph);
    TplPrevForm::IsAppsLightTheme = saved;
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
    }
    EXPECT_NE(TplGlyphList::Light().Pixmap(0).toImage(), TplGlyphList::DarkList().Pixmap(0).toImage());
}

// Until the printer-settings object is built, its constructor and destructor
// (referenced by its meta-object) are empty here.
#include "plSetPrinter.h"
TplSetPrinter::TplSetPrinter(QObject* AOwner) : QObject(AOwner), d(nullptr) {}
TplSetPrinter::~TplSetPrinter() = default;
