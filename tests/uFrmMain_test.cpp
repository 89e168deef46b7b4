#include "plCupsPrinterService.h"
#include "plMemoryPrinterService.h"
#include "plMessageBox.h"
#include "plPrev.h"
#include "plPrinter.h"
#include "plSetPrinter.h"
#include "uApplication.h"
#include "uFrmMain.h"
#include "uOpRec.h"
#include "uTheme.h"
#include "uUtils.h"
#include "uVCLFrmAbout.h"

#include "support/HungServer.h"
#include "support/ThemeLocaleSetting.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <string>

// Memory exhaustion on demand: while armed, the first allocation larger than
// the limit fails, as it would on a machine that has run out of memory. Only
// on the thread that armed it: the toolkit's own worker threads do not
// expect it, and a failure there would end the whole test program.
namespace {
thread_local std::size_t g_failAbove = 0;
}

void* operator new(std::size_t size)
{
    if (g_failAbove != 0 && size > g_failAbove) {
        g_failAbove = 0;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
// What the library allocates without exceptions is freed by the delete
// above, so it comes from the same heap.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace {

// Answers every message box that comes up while it lives and keeps its text.
class BoxWatcher {
public:
    BoxWatcher()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.append(box->text());
                box->accept();
            }
        });
        timer_.start();
    }
    QStringList texts;

private:
    QTimer timer_;
};

// The icon a button shows, at the list's size and the given display scale.
QImage ShownImage(const TImageButton* button, qreal scale = 1.0)
{
    return button->icon().pixmap(button->iconSize(), scale).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage Resource(const QString& name)
{
    QImage image;
    EXPECT_TRUE(LoadPngResource(name, image)) << name.toStdString();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Replaces a box's text by typing, as a user does, and ends the edit.
void Type(TNumberBox* box, const char* keys)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::fromLatin1(keys));
}

void Enter(TNumberBox* box)
{
    QTest::keyClick(box, Qt::Key_Return);
}

QString Text(TNumberBox* box)
{
    return box->findChild<QLineEdit*>()->text();
}

} // namespace

TEST(MainWindow, OpensWithBothBoxesAtOneInTheDesignedLayout)
{
    Setting setting(true, "en_US.UTF-8");
    TFrmMain w;
    EXPECT_EQ(w.NumberBox1->value(), 1);
    EXPECT_EQ(w.NumberBox2->value(), 1);
    for (TNumberBox* box : {w.NumberBox1, w.NumberBox2}) {
        EXPECT_EQ(box->minimum(), 1);
        EXPECT_EQ(box->maximum(), 100);
        EXPECT_EQ(box->MaxLength(), 3);
    }
    EXPECT_EQ(w.NumberBox1->geometry(), QRect(142, 28, 39, 23));
    EXPECT_EQ(w.NumberBox2->geometry(), QRect(142, 70, 39, 23));
    EXPECT_EQ(w.bbPrint->geometry(), QRect(207, 32, 229, 60));
    EXPECT_EQ(w.bbInfo->geometry(), QRect(567, 8, 25, 25));
    EXPECT_EQ(w.Label1->pos(), QPoint(49, 31));
    EXPECT_EQ(w.Label2->pos(), QPoint(49, 73));
    EXPECT_TRUE(w.bbInfo->text().isEmpty());
    EXPECT_EQ(w.bbPrint->iconSize(), QSize(20, 20));
    EXPECT_EQ(w.font().pixelSize(), 12);

    // Designed 600 x 200, then 60 shorter; fixed, with a close button only.
    EXPECT_EQ(w.size(), QSize(600, 140));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    const Qt::WindowFlags flags = w.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    // Tab order: start box, Print, end box, Info.
    const QList<QWidget*> order{w.NumberBox1, w.bbPrint, w.NumberBox2, w.bbInfo};
    QList<QWidget*> chain;
    QWidget* next = w.NumberBox1;
    do {
        if (order.contains(next) && !chain.contains(next))
            chain.append(next);
        next = next->nextInFocusChain();
    } while (next != w.NumberBox1);
    EXPECT_EQ(chain, order);

    // The document prints on A4 portrait, with the designed preview.
    TplPrev* doc = w.plPrev1;
    EXPECT_EQ(doc->parent(), &w);
    EXPECT_EQ(doc->plSetPrinter()->PaperNumber(), 9);
    EXPECT_EQ(doc->plSetPrinter()->Orientation(), 0);
    EXPECT_EQ(QList<int>({doc->LeftMargin(), doc->TopMargin(), doc->RightMargin(), doc->BottomMargin(),
                          doc->HeaderMargin(), doc->FooterMargin()}),
              QList<int>({43, 43, 42, 42, 0, 0}));
    EXPECT_EQ(doc->BtnOptions().ToInt(), 0x13FDu);
    EXPECT_EQ(doc->Title(), QStringLiteral("Print Preview"));
    EXPECT_EQ(doc->FormWindowState, fwMaximized);
    EXPECT_EQ(QList<int>({doc->FormLeft, doc->FormTop, doc->FormWidth, doc->FormHeight}),
              QList<int>({20, 20, 1706, 960}));
    EXPECT_EQ(doc->ZoomType, ztWholePage);
    EXPECT_EQ(doc->FormPosition, poDefault);
    EXPECT_EQ(doc->FPaperNumber, 9);
    EXPECT_EQ(doc->FPaperName, QStringLiteral("A4"));
}

namespace {

// Closes the preview, as a user would, once it shows its first page; counts
// the previews shown.
struct PreviewCloser {
    explicit PreviewCloser(TplPrev* doc)
    {
        doc->OnFormShow = [this](QObject*) {
            ++shown;
            viewed = false;
        };
        doc->OnAfterView = [this](QObject*, int) { viewed = true; };
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget(); modal && viewed)
                modal->close();
        });
        timer.start();
    }
    int shown = 0;
    bool viewed = false;
    QTimer timer;
};

} // namespace

TEST(MainWindow, PrintRecordsThreePagesPerSheetAndOpensThePreviewCentred)
{
    Setting setting(true, "en_US.UTF-8");
    TFrmMain w;
    w.show();
    PreviewCloser preview(w.plPrev1);
    const struct {
        int start, end, pages;
    } cases[] = {{1, 1, 3}, {1, 100, 300}, {42, 43, 6}};
    int previews = 0;
    for (const auto& c : cases) {
        w.NumberBox1->setValue(c.start);
        w.NumberBox2->setValue(c.end);
        w.plPrev1->FormPosition = poDefault;
        TMessageBoxRecorder boxes;
        QTest::mouseClick(w.bbPrint, Qt::LeftButton);
        EXPECT_TRUE(boxes.Boxes.empty()) << c.start << ".." << c.end;
        EXPECT_EQ(w.plPrev1->PageCount(), c.pages) << c.start << ".." << c.end;
        EXPECT_EQ(w.plPrev1->FormPosition, poScreenCenter);
        // The preview was shown modally and is gone again.
        EXPECT_EQ(preview.shown, ++previews);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(w.isEnabled());
    }
}

TEST(MainWindow, APrintServerThatNeverAnswersDoesNotHoldUpTheWindow)
{
    Setting setting(true, "en_US.UTF-8");
    THungServer hung;
    ASSERT_TRUE(hung.Ok());
    // Silent far longer than the test takes: whatever waited for the server
    // on this thread would show as a hang.
    TPrinter::Printer().SetService(std::make_shared<TCupsPrinterService>(hung.Path(), QString(), 120.0));
    QElapsedTimer clock;
    clock.start();
    StartPrinterListing();
    WaitForPrinterList(kPrinterListWaitMs);
    {
        TFrmMain w;
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        // Usable meanwhile: the boxes respond, and Print draws on the design
        // paper and shows the preview.
        w.NumberBox1->setValue(3);
        EXPECT_EQ(w.NumberBox2->value(), 3);
        PreviewCloser preview(w.plPrev1);
        TMessageBoxRecorder boxes;
        QTest::mouseClick(w.bbPrint, Qt::LeftButton);
        EXPECT_TRUE(boxes.Boxes.empty());
        EXPECT_EQ(w.plPrev1->PageCount(), 3);
        EXPECT_EQ(preview.shown, 1);
        EXPECT_EQ(w.plPrev1->PaperWidth(), 2099);
        // All of it while the server was still being waited for, elsewhere.
        EXPECT_TRUE(TPrinter::Printer().Service().ListingPending());
    }
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_EQ(hung.TakeConnections(), 1);    // the listing's own, and no other
    TPrinter::Printer().SetService(nullptr); // stops the listing
}

TEST(MainWindow, APrinterListThatComesInLateFillsInTheDocument)
{
    Setting setting(true, "en_US.UTF-8");
    auto service = std::make_shared<TMemoryPrinterService>();
    TPrinter::Printer().SetService(service);
    for (const bool drawn : {false, true}) {
        SCOPED_TRACE(drawn ? "pages drawn before the list came in" : "nothing drawn yet");
        service->Printers.clear();
        TFrmMain w;
        ASSERT_TRUE(w.plPrev1->NoPrinter());
        TplPrev* before = w.plPrev1;
        if (drawn) {
            before->BeginDoc();
            before->EndDoc();
        }
        service->Printers = {TMemoryPrinterService::MonoLetter(QStringLiteral("Mono"), QStringLiteral("mono"))};
        w.PrintersListed();
        TplPrev* d = w.plPrev1;
        if (drawn) {
            // The pages stay with the document they were drawn in, until the
            // next Print draws them again on a document that has the printer.
            EXPECT_EQ(d, before);
            EXPECT_TRUE(d->NoPrinter());
            QTimer closer;
            int ticks = 0;
            QObject::connect(&closer, &QTimer::timeout, [&] {
                if (QWidget* modal = QApplication::activeModalWidget(); modal && ++ticks > 5)
                    modal->close();
            });
            closer.start(20);
            w.bbPrintClick();
            EXPECT_GT(ticks, 5); // the preview was shown
            EXPECT_FALSE(w.plPrev1->NoPrinter());
            EXPECT_EQ(w.plPrev1->plSetPrinter()->PrinterName(), QStringLiteral("Mono"));
            EXPECT_EQ(w.plPrev1->PageCount(), 3);
            continue;
        }
        EXPECT_FALSE(d->NoPrinter());
        EXPECT_EQ(d->parent(), &w);
        EXPECT_EQ(d->Title(), QStringLiteral("Print Preview"));
        EXPECT_EQ(d->FormWidth, 1706);
        // Set up as the window sets it up: A4 portrait on the printer now there.
        EXPECT_EQ(d->plSetPrinter()->PrinterName(), QStringLiteral("Mono"));
        EXPECT_EQ(d->plSetPrinter()->PaperNumber(), 9);
        EXPECT_EQ(d->plSetPrinter()->Orientation(), 0);
        EXPECT_NEAR(d->PaperWidth(), 2100, 1);
    }
    {
        SCOPED_TRACE("memory runs out as the document is made again");
        service->Printers.clear();
        TFrmMain w;
        const QPointer<TplPrev> before = w.plPrev1;
        service->Printers = {TMemoryPrinterService::MonoLetter(QStringLiteral("Mono"), QStringLiteral("mono"))};
        g_failAbove = sizeof(TplPrev) - 1;
        EXPECT_THROW(w.PrintersListed(), std::bad_alloc);
        g_failAbove = 0;
        // The document there stays in place, and the next Print tries again.
        ASSERT_TRUE(before);
        EXPECT_EQ(w.plPrev1, before.data());
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(100);
        w.bbPrintClick();
        EXPECT_FALSE(w.plPrev1->NoPrinter());
    }
    TPrinter::Printer().SetService(nullptr);
}

TEST(MainWindow, CaptionsFollowTheLanguageAndImagesAndStyleTheTheme)
{
    const struct {
        bool light;
        const char* lang;
        QString caption, print, label1, label2, title;
    } cases[] = {
        {true, "en_US.UTF-8", "Mirvak", "Print", "start number:", "end number:", "Print Preview"},
        {false, "en_US.UTF-8", "Mirvak", "Print", "start number:", "end number:", "Print Preview"},
        {true, "ja_JP.UTF-8", "ミルヴァク", "プリントを印刷", "開始回:", "終了回:", "印刷プレビュー"},
        {false, "ja_JP.UTF-8", "ミルヴァク", "プリントを印刷", "開始回:", "終了回:", "印刷プレビュー"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + (c.light ? " light" : " dark"));
        Setting setting(c.light, c.lang);
        TFrmMain w;
        EXPECT_EQ(w.windowTitle(), c.caption);
        EXPECT_EQ(w.bbPrint->text(), c.print);
        EXPECT_EQ(w.Label1->text(), c.label1);
        EXPECT_EQ(w.Label2->text(), c.label2);
        EXPECT_EQ(w.plPrev1->Title(), c.title);
        EXPECT_GE(w.Label1->width(), w.Label1->fontMetrics().horizontalAdvance(c.label1));

        const QString style = c.light ? StyleNameLight : StyleNameDark;
        const QString suffix = c.light ? "L" : "D";
        EXPECT_EQ(OwnStyleName(&w), style);
        EXPECT_EQ(EffectiveStyleName(w.NumberBox2), style);
        EXPECT_EQ(w.plPrev1->FormStyleName, style);
        EXPECT_EQ(w.palette().color(QPalette::Window),
                  (c.light ? LightPalette() : DarkPalette()).color(QPalette::Window));
        EXPECT_EQ(w.bbPrint->ImageName(), "Printer" + suffix);
        EXPECT_EQ(w.bbInfo->ImageName(), "Info" + suffix);
        // The held picture for the display's scale is what the buttons show.
        EXPECT_EQ(ShownImage(w.bbPrint), Resource("Printer" + suffix + "_20"));
        EXPECT_EQ(ShownImage(w.bbInfo, 1.5), Resource("Info" + suffix + "_30"));
        EXPECT_EQ(ShownImage(w.bbPrint, 1.25), Resource("Printer" + suffix + "_25"));

        // The about box is the same in both languages.
        TVCLFrmAbout* about = new TVCLFrmAbout(&w);
        VCLFrmAbout = about;
        QString aboutTitle, okText;
        QTimer::singleShot(0, about, [&] {
            aboutTitle = about->windowTitle();
            okText = about->btOK->text();
            EXPECT_EQ(EffectiveStyleName(about->btOK), style);
            about->btOK->click();
        });
        QTest::mouseClick(w.bbInfo, Qt::LeftButton);
        EXPECT_EQ(aboutTitle, QStringLiteral("About"));
        EXPECT_EQ(okText, QStringLiteral("OK"));
        EXPECT_FALSE(about->isVisible());
        EXPECT_EQ(VCLFrmAbout, about);
    }
    EXPECT_EQ(VCLFrmAbout, nullptr);
}

TEST(MainWindow, TheEndBoxNeverHoldsLessThanTheStartBox)
{
    Setting setting(true, "en_US.UTF-8");
    TFrmMain w;
    w.NumberBox2->setValue(10);
    w.NumberBox1->setValue(30);
    EXPECT_EQ(w.NumberBox2->value(), 30);
    EXPECT_EQ(w.NumberBox2->minimum(), 30);
    w.NumberBox1->setValue(5);
    EXPECT_EQ(w.NumberBox2->minimum(), 5);
    EXPECT_EQ(w.NumberBox2->value(), 30);
    // Changing the end box leaves the start box alone.
    w.NumberBox2->setValue(7);
    EXPECT_EQ(w.NumberBox1->value(), 5);
    EXPECT_EQ(w.NumberBox1->minimum(), 1);

    // The same by typing.
    w.show();
    Type(w.NumberBox2, "10");
    Enter(w.NumberBox2);
    Type(w.NumberBox1, "30");
    Enter(w.NumberBox1);
    EXPECT_EQ(w.NumberBox2->value(), 30);
    EXPECT_EQ(w.NumberBox2->minimum(), 30);
    // The end box cannot be typed below the start box.
    Type(w.NumberBox2, "5");
    Enter(w.NumberBox2);
    EXPECT_EQ(w.NumberBox2->value(), 30);
    Type(w.NumberBox1, "5");
    Enter(w.NumberBox1);
    EXPECT_EQ(w.NumberBox2->minimum(), 5);
    EXPECT_EQ(w.NumberBox2->value(), 30);
}

TEST(MainWindow, BoxesTakeOnlyOneToHundredInAtMostThreeCharacters)
{
    Setting setting(true, "en_US.UTF-8");
    TFrmMain w;
    w.show();
    const struct {
        const char* keys;
        const char* shown; // the text after the keys
        int value;         // the value once the edit ends
    } cases[] = {
        {"0", "0", 1},       {"101", "10", 10}, {"1000", "100", 100}, {"0042", "004", 4},
        {"100", "100", 100}, {"-5", "5", 5},    {"7x", "7", 7},       {"abc", "7", 7},
    };
    for (TNumberBox* box : {w.NumberBox1, w.NumberBox2}) {
        w.NumberBox1->setValue(1);
        box->setValue(1);
        for (const auto& c : cases) {
            Type(box, c.keys);
            EXPECT_EQ(Text(box), QString::fromLatin1(c.shown)) << c.keys;
            Enter(box);
            EXPECT_EQ(box->value(), c.value) << c.keys;
            EXPECT_GE(box->value(), 1);
            EXPECT_LE(box->value(), 100);
        }
    }
}

TEST(MainWindow, AnErrorWhilePrintingShowsOneBoxAndTheWindowStaysUsable)
{
    Setting setting(true, "en_US.UTF-8");
    TFrmMain w;
    w.show();
    PreviewCloser preview(w.plPrev1);
    w.NumberBox2->setValue(100);
    {
        TMessageBoxRecorder boxes;
        TOpRecs().swap(OpRecs);   // nothing kept from an earlier Print
        g_failAbove = 100 * 1024; // the hundred sheets' problems do not fit
        QTest::mouseClick(w.bbPrint, Qt::LeftButton);
        g_failAbove = 0;
        ASSERT_EQ(boxes.Boxes.size(), 1u);
        EXPECT_EQ(boxes.Boxes[0].Text, QStringLiteral("Out of memory."));
        EXPECT_EQ(boxes.Boxes[0].Caption, QStringLiteral("Mirvak"));
        EXPECT_EQ(boxes.Boxes[0].Icon, QMessageBox::Critical);
    }
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(preview.shown, 0);
    w.NumberBox1->setValue(40);
    EXPECT_EQ(w.NumberBox2->minimum(), 40);
    EXPECT_EQ(w.NumberBox2->value(), 100);
    // The next Print works.
    w.NumberBox2->setValue(40);
    TMessageBoxRecorder boxes;
    QTest::mouseClick(w.bbPrint, Qt::LeftButton);
    EXPECT_TRUE(boxes.Boxes.empty());
    EXPECT_EQ(w.plPrev1->PageCount(), 3);
}

namespace {

// Throws from its event handler for the first event, counts the others.
class Faulty : public QObject {
public:
    int handled = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        if (++handled == 1)
            throw std::runtime_error("Cannot open the printer");
        return true;
    }
};

} // namespace

TEST(Application, AnErrorReachingTheEventLoopIsShownAndTheLoopGoesOn)
{
    Faulty faulty;
    BoxWatcher boxes;
    QCoreApplication::postEvent(&faulty, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&faulty, new QEvent(QEvent::User));
    QTRY_COMPARE(faulty.handled, 2);
    EXPECT_EQ(boxes.texts, QStringList{QStringLiteral("Cannot open the printer")});
}

TEST(Application, ErrorTextsForTheReport)
{
    const struct {
        std::function<void()> raise;
        QString text;
    } cases[] = {
        {[] { throw std::runtime_error("Printer not ready"); }, "Printer not ready"},
        {[] { throw std::bad_alloc(); }, "Out of memory."},
        {[] { throw std::runtime_error(""); }, "An error occurred."},
        {[] { throw 42; }, "An unknown error occurred."},
    };
    for (const auto& c : cases) {
        try {
            c.raise();
        } catch (...) {
            EXPECT_EQ(TApplication::ExceptionMessage(std::current_exception()), c.text);
        }
    }
}

// The program's own application object, so that errors reach its report.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
