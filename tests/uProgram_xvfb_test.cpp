// The program on a real X server (a private Xvfb): the built program driven
// with real input events through to the private spooler, and the windows as
// the X server shows them in both looks and both languages.

#include "plPrev.h"
#include "plPrevFrm.h"
#include "plPrinter.h"
#include "uApplication.h"
#include "uFrmMain.h"
#include "uSheets.h"
#include "uTheme.h"
#include "uVCLFrmAbout.h"

#include "support/SpoolerOutput.h"
#include "support/ThemeLocaleSetting.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>

namespace {

// A private X server for the whole run; the display number is the one it
// found free. Screen 0 is a 1366 x 768 laptop screen; screen 1 has the same
// size at twice the pixel density, for the run at scale 2.
class TXServer {
public:
    bool Start()
    {
        const QString numberFile = Dir.filePath(QStringLiteral("display"));
        Server.setProgram(QStringLiteral("bash"));
        Server.setArguments({QStringLiteral("-c"),
                             QStringLiteral("exec Xvfb -displayfd 3 -screen 0 1366x768x24 -screen 1 2732x1536x24 "
                                            "-nolisten tcp 3>\"$0\""),
                             numberFile});
        Server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        Server.start();
        if (!Server.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 15000 && Server.state() == QProcess::Running) {
            QFile f(numberFile);
            if (f.open(QIODevice::ReadOnly)) {
                const QByteArray n = f.readAll().trimmed();
                if (!n.isEmpty()) {
                    Display = QStringLiteral(":") + QString::fromLatin1(n);
                    return true;
                }
            }
            QThread::msleep(20);
        }
        return false;
    }
    ~TXServer()
    {
        Server.terminate();
        Server.waitForFinished(5000);
    }
    QString Display;

private:
    QTemporaryDir Dir;
    QProcess Server;
};

TXServer* g_x = nullptr;

// Runs an X client tool on the private display; its output, or nothing when
// it fails or takes longer than the timeout.
std::optional<QString> X(const QString& tool, const QStringList& args, int timeoutMs = 15000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), g_x->Display);
    p.setProcessEnvironment(env);
    p.start(tool, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The visible window with exactly that title, once it is mapped.
QString WaitForWindow(const QString& title)
{
    const auto out = X(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--name"), QStringLiteral("^%1$").arg(QRegularExpression::escape(title))});
    return out ? out->split(QLatin1Char('\n')).value(0).trimmed() : QString();
}

bool Key(const QString& window, const QString& key)
{
    return X(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}).has_value()
        && X(QStringLiteral("xdotool"), {QStringLiteral("key"), key}).has_value();
}

bool Click(const QString& window, QPoint at)
{
    return X(QStringLiteral("xdotool"),
             {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(at.x()),
              QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")})
        .has_value();
}

// A click at a point of a widget given in the toolkit's pixels; the X
// server counts device pixels, from the top-level window's corner.
bool ClickOn(const QWidget* w, QPoint at)
{
    const QWidget* top = w->window();
    const QPoint p = w->mapTo(top, at) * top->devicePixelRatioF();
    return Click(QString::number(top->winId()), p);
}

// The spooler's next output file that is not in before, once complete.
QString WaitForNewJob(const QStringList& before, int timeoutMs = 60000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        const QStringList now = QDir(SpoolerOutput::Dir()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        for (const QString& name : now) {
            static const QRegularExpression job(QStringLiteral("^(.+)-(\\d+)\\.pdf$"));
            const auto m = job.match(name);
            if (!before.contains(name) && m.hasMatch())
                return SpoolerOutput::WaitForJob(m.captured(1), m.captured(2).toInt());
        }
        QThread::msleep(100);
    }
    return {};
}

// Where the screenshots are kept for a person to look at; those taken at a
// higher density are marked with its scale.
QString ShotPath(const QString& name)
{
    const QString dir = QStringLiteral(MIRVAK_BINARY_DIR "/tests/screenshots");
    QDir().mkpath(dir);
    const qreal dpr = QGuiApplication::primaryScreen()->devicePixelRatio();
    const QString scale = dpr > 1 ? QStringLiteral("-x%1").arg(dpr) : QString();
    return dir + QLatin1Char('/') + name + scale + QStringLiteral(".png");
}

// Mean width, in pixels, of the edges between ink and paper along the rows
// of an image: each step from a dark pixel to a light one (or back) counts
// its grey pixels plus one.
double MeanEdgeWidth(const QImage& image)
{
    long steps = 0, width = 0;
    for (int y = 0; y < image.height(); ++y) {
        int lastSide = 0, lastX = 0; // -1 ink, +1 paper
        for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(image.pixel(x, y));
            const int side = g < 80 ? -1 : g > 175 ? 1 : 0;
            if (side == 0)
                continue;
            if (lastSide != 0 && side != lastSide) {
                ++steps;
                width += x - lastX;
            }
            lastSide = side;
            lastX = x;
        }
    }
    return steps ? double(width) / steps : 0;
}

// What the X server shows of a window.
QImage Shot(const QWidget* w)
{
    const QRect r = w->frameGeometry();
    return QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
}

double MeanLightness(const QImage& image)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2, ++n)
            sum += qGray(image.pixel(x, y));
    return n ? sum / n / 255.0 : 0;
}

} // namespace

// The built program on the X server: Print in the main window opens the
// preview, its Print key and the print dialog's default send all pages to
// the current printer, and the spooler receives sheet 1: two problem pages
// whose hundred sums the answer page answers.
TEST(Program, PrintsSheetOneThroughTheSpoolerWithRealInput)
{
    const QStringList before = QDir(SpoolerOutput::Dir()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), g_x->Display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_CTYPE"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(MIRVAK_BINARY_DIR "/mirvak"), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    struct Stop {
        QProcess& p;
        ~Stop()
        {
            p.terminate();
            if (!p.waitForFinished(5000))
                p.kill();
            p.waitForFinished();
        }
    } stop{program};

    const QString main = WaitForWindow(QStringLiteral("Mirvak"));
    ASSERT_FALSE(main.isEmpty()) << "the main window did not appear";
    ASSERT_TRUE(Click(main, QPoint(207 + 229 / 2, 32 + 60 / 2))); // the Print button
    const QString preview = WaitForWindow(QStringLiteral("Print Preview"));
    ASSERT_FALSE(preview.isEmpty()) << "the preview did not open";

    ASSERT_TRUE(Key(preview, QStringLiteral("alt+p")));
    const QString dialog = WaitForWindow(QStringLiteral("Print"));
    ASSERT_FALSE(dialog.isEmpty()) << "the print dialog did not open";
    ASSERT_TRUE(Key(dialog, QStringLiteral("Return")));

    const QString pdf = WaitForNewJob(before);
    ASSERT_FALSE(pdf.isEmpty()) << "no job reached the spooler";
    EXPECT_EQ(SpoolerOutput::Info(pdf).Pages, 3);

    // Problems of pages 1 and 2 with their results, and the answer page.
    static const QRegularExpression problem(QStringLiteral("\\((\\d+)\\)\\s*(\\d+)\\s*([+-])\\s*(\\d+)\\s*="));
    static const QRegularExpression answer(QStringLiteral("\\((\\d+)\\)\\s+(\\d+)"));
    std::map<int, int> results, answers;
    for (int page : {1, 2}) {
        const QString text = SpoolerOutput::PageText(pdf, page);
        EXPECT_EQ(text.contains(QStringLiteral("Subtraction[1]")), page == 1) << page;
        for (auto it = problem.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            const int a = m.captured(2).toInt(), b = m.captured(4).toInt();
            results[m.captured(1).toInt()] = m.captured(3) == QLatin1String("+") ? a + b : a - b;
        }
    }
    const QString answerPage = SpoolerOutput::PageText(pdf, 3);
    EXPECT_TRUE(answerPage.contains(QStringLiteral("Subtraction[1]")));
    for (auto it = answer.globalMatch(answerPage); it.hasNext();) {
        const auto m = it.next();
        answers[m.captured(1).toInt()] = m.captured(2).toInt();
    }
    ASSERT_EQ(results.size(), 100u);
    EXPECT_EQ(results.begin()->first, 1);
    EXPECT_EQ(results.rbegin()->first, 100);
    EXPECT_EQ(answers, results);
}

// Inside the program on the X server: the preview opens on page 1 of 3 for
// sheet 1; the main window, the preview and the about box look light or
// dark as the desktop asks, in English and Japanese. The pictures are kept
// in the build folder's tests/screenshots.
TEST(Program, WindowsOnTheXServerInBothLooksAndLanguages)
{
    const struct {
        bool light;
        const char* lang;
        const char* name;
    } cases[] = {
        {true, "en_US.UTF-8", "light-en"},
        {false, "en_US.UTF-8", "dark-en"},
        {true, "ja_JP.UTF-8", "light-ja"},
        {false, "ja_JP.UTF-8", "dark-ja"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Setting setting(c.light, c.lang);
        TFrmMain w;
        TVCLFrmAbout* about = new TVCLFrmAbout(&w);
        VCLFrmAbout = about;
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(100);
        const bool ja = QLatin1String(c.lang).startsWith(QLatin1String("ja"));
        // The title as the window manager gets it: the caption and nothing more.
        const auto XTitle = [](const QWidget* win) {
            return X(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(win->winId())})
                .value_or(QString())
                .trimmed();
        };
        EXPECT_EQ(XTitle(&w), ja ? QStringLiteral("ミルヴァク") : QStringLiteral("Mirvak"));
        const QImage mainShot = Shot(&w);
        mainShot.save(ShotPath(QStringLiteral("main-%1").arg(QLatin1String(c.name))));
        if (c.light)
            EXPECT_GT(MeanLightness(mainShot), 0.7);
        else
            EXPECT_LT(MeanLightness(mainShot), 0.35);

        // The preview, once its first page is painted; then closed.
        bool viewed = false;
        QString status;
        int pageNumber = 0, pageCount = 0;
        QString previewTitle;
        bool insideScreen = false;
        TplPrevZoomType overflowZoom = ztWholePage;
        w.plPrev1->OnAfterView = [&](QObject*, int) { viewed = true; };
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* form = QApplication::activeModalWidget();
            if (!form || !viewed || !form->isVisible())
                return;
            poll.stop();
            QTest::qWait(300);
            if (auto* bar = form->findChild<QStatusBar*>(QStringLiteral("StatusBar")))
                if (auto* label = bar->findChild<QLabel*>())
                    status = label->text();
            pageNumber = w.plPrev1->PageNumber();
            pageCount = w.plPrev1->PageCount();
            previewTitle = XTitle(form);
            const QImage shot = Shot(form);
            shot.save(ShotPath(QStringLiteral("preview-%1").arg(QLatin1String(c.name))));
            // Opened maximised on this small screen: the window, and the size
            // it is restored to, lie inside the screen's work area.
            const QRect work = form->screen()->availableGeometry();
            insideScreen = work.contains(form->frameGeometry()) && work.contains(form->normalGeometry());
            if (!insideScreen)
                ADD_FAILURE() << "work area " << work.width() << "x" << work.height() << ", window "
                              << form->frameGeometry().width() << "x" << form->frameGeometry().height() << " at "
                              << form->frameGeometry().x() << "," << form->frameGeometry().y();

            // At the 350 x 350 minimum the buttons that do not fit are in the
            // overflow menu, and a real click on one of its items works.
            auto* pf = qobject_cast<TplPrevForm*>(form);
            pf->resize(350, 350);
            for (int i = 0; i < 100 && (pf->width() != 350 || !pf->OverflowBtn->isVisible()); ++i)
                QTest::qWait(20);
            QMenu* menu = pf->OverflowBtn->menu();
            const QString item = pf->PageWidthBtn->text();
            QTimer pick;
            pick.setInterval(50);
            QObject::connect(&pick, &QTimer::timeout, [&] {
                if (!menu->isVisible())
                    return;
                pick.stop();
                const QRect both = pf->frameGeometry().united(menu->geometry());
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, both.x(), both.y(), both.width(), both.height())
                    .toImage()
                    .save(ShotPath(QStringLiteral("preview-narrow-%1").arg(QLatin1String(c.name))));
                for (QAction* a : menu->actions())
                    if (a->text() == item)
                        ClickOn(menu, menu->actionGeometry(a).center());
            });
            pick.start();
            if (pf->OverflowBtn->isVisible())
                ClickOn(pf->OverflowBtn, pf->OverflowBtn->rect().center());
            for (int i = 0; i < 250 && w.plPrev1->ZoomType != ztPageWidth; ++i)
                QTest::qWait(20);
            pick.stop();
            overflowZoom = w.plPrev1->ZoomType;
            form->close();
        });
        poll.start();
        QTest::mouseClick(w.bbPrint, Qt::LeftButton);
        EXPECT_TRUE(viewed);
        EXPECT_EQ(pageNumber, 1);
        EXPECT_EQ(pageCount, 3);
        EXPECT_EQ(status, QStringLiteral(" Page  1/3  A4"));
        EXPECT_EQ(previewTitle, ja ? QStringLiteral("印刷プレビュー") : QStringLiteral("Print Preview"));
        EXPECT_TRUE(insideScreen);
        EXPECT_EQ(overflowZoom, ztPageWidth) << "the overflow menu's page-width item did not act";
        w.plPrev1->ZoomType = ztWholePage;

        // The about box: the same in both languages, in the window's look.
        QTimer::singleShot(0, about, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(about));
            QTest::qWait(200);
            const QImage shot = Shot(about);
            shot.save(ShotPath(QStringLiteral("about-%1").arg(QLatin1String(c.name))));
            if (c.light)
                EXPECT_GT(MeanLightness(shot), 0.7);
            else
                EXPECT_LT(MeanLightness(shot), 0.35);
            EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
            EXPECT_EQ(XTitle(about), QStringLiteral("About"));
            about->btOK->click();
        });
        QTest::mouseClick(w.bbInfo, Qt::LeftButton);
        EXPECT_FALSE(about->isVisible());
    }
}

// The page image is painted at the screen's pixel density: as many image
// pixels per page pixel as the screen has, with edges between ink and paper
// as narrow, in device pixels, as the page drawn at scale 1.
TEST(Program, PageIsPaintedAtTheScreensPixelDensity)
{
    TplPrev doc;
    ApplyMainDocumentDesign(doc);
    doc.FormLeft = doc.FormTop = 0;
    doc.FormWidth = 900;
    doc.FormHeight = 700;
    doc.FormWindowState = fwNormal;
    doc.FormPosition = poDesigned;
    DrawWorksheets(doc, 1, 1);
    TplPrevForm form;
    form.SetplPrev(&doc);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(300);
    const qreal dpr = QGuiApplication::primaryScreen()->devicePixelRatio();
    const QSize logical = form.Image1->size();
    const QPoint at = form.Image1->mapToGlobal(QPoint(0, 0));
    const QImage shot =
        QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), logical.width(), logical.height()).toImage();
    shot.save(ShotPath(QStringLiteral("page-image")));
    EXPECT_EQ(shot.size(), logical * dpr);

    QImage reference(logical, QImage::Format_RGB32);
    reference.fill(Qt::white);
    {
        QPainter p(&reference);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        doc.GetMetaImage(1)->Play(p, QRectF(reference.rect()));
    }
    // Without the frame drawn over the page's last column and row.
    const int inset = 4;
    const double sharp =
        MeanEdgeWidth(shot.copy(0, 0, shot.width() - qRound(inset * dpr), shot.height() - qRound(inset * dpr)));
    const double atScaleOne = MeanEdgeWidth(reference.copy(0, 0, logical.width() - inset, logical.height() - inset));
    EXPECT_GT(sharp, 0);
    // Drawn at scale 1 and enlarged, the edges would be about a third wider.
    EXPECT_LE(sharp, atScaleOne * 1.15) << "edges " << sharp << " device pixels wide, " << atScaleOne << " at scale 1";
}

// The windows once more on a screen of twice the pixel density, the
// program at scale 2: this test program again, on screen 1.
TEST(Program, WindowsAtScaleTwo)
{
    if (QGuiApplication::primaryScreen()->devicePixelRatio() > 1)
        GTEST_SKIP() << "this is the run at scale 2";
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MIRVAK_TEST_DISPLAY"),
               g_x->Display.section(QLatin1Char('.'), 0, 0) + QStringLiteral(".1"));
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=Program.WindowsOnTheXServerInBothLooksAndLanguages:"
                              "Program.PageIsPaintedAtTheScreensPixelDensity")});
    ASSERT_TRUE(run.waitForStarted(10000));
    ASSERT_TRUE(run.waitForFinished(300000)) << "the run at scale 2 did not end";
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 0);
}

// Twenty sheets printed from the preview: the progress shows page by page,
// a real click on its Cancel button stops the print, nothing reaches or
// stays on the spooler, and the preview is as before the print.
TEST(Program, ALongPrintIsCancelledWithARealClick)
{
    TFrmMain w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.NumberBox2->setValue(20);
    const auto savedDialog = TplPrevForm::RunPrintDialog;
    TplPrevForm::RunPrintDialog = [](QWidget*, int, int, int, int) {
        return TplPrintDialogResult{true, TplPrintDialogResult::AllPages, 1, 60};
    };
    struct Restore {
        std::function<TplPrintDialogResult(QWidget*, int, int, int, int)> dialog;
        ~Restore() { TplPrevForm::RunPrintDialog = dialog; }
    } restore{savedDialog};

    const QMap<int, int> jobsBefore = SpoolerOutput::JobStates(QStringLiteral("Office_Laser"));
    const int lastJob = TPrinter::Printer().LastJobId();
    bool clicked = false, printed = false;
    QString label;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TplPrevForm*>(QApplication::activeModalWidget());
        if (form && !printed && form->isVisible() && form->PrintBtn->isEnabled()) {
            printed = true;
            // After the print: the preview as before it, then closed.
            QTimer::singleShot(0, form, [&, form] {
                form->PrintBtn->click();
                EXPECT_TRUE(form->PrintBtn->isEnabled());
                EXPECT_EQ(w.plPrev1->PageNumber(), 1);
                EXPECT_FALSE(w.plPrev1->Printing());
                EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
                form->close();
            });
            return;
        }
        QProgressDialog* bar = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(t); p && p->isVisible())
                bar = p;
        if (!bar || clicked || bar->value() < 3)
            return;
        clicked = true;
        label = bar->labelText();
        Shot(bar).save(ShotPath(QStringLiteral("print-progress")));
        auto* cancel = bar->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_TRUE(Click(QString::number(bar->winId()), cancel->mapTo(bar, cancel->rect().center())));
    });
    poll.start();
    QTest::mouseClick(w.bbPrint, Qt::LeftButton);
    poll.stop();
    ASSERT_TRUE(clicked) << "no progress was shown";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Printing page \\d+ of 60$")).match(label).hasMatch())
        << label.toStdString();
    EXPECT_EQ(TPrinter::Printer().LastJobId(), lastJob);
    const QMap<int, int> jobs = SpoolerOutput::JobStates(QStringLiteral("Office_Laser"));
    for (auto it = jobs.begin(); it != jobs.end(); ++it)
        EXPECT_TRUE(jobsBefore.contains(it.key())) << "a new job " << it.key() << " in state " << it.value();
}

// The X server first (or the one a parent run hands over), then the
// program's own application object on it.
int main(int argc, char** argv)
{
    TXServer x;
    g_x = &x;
    const QString given = qEnvironmentVariable("MIRVAK_TEST_DISPLAY");
    if (!given.isEmpty()) {
        x.Display = given;
    } else if (!x.Start()) {
        fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    qputenv("DISPLAY", x.Display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    int rc;
    {
        TApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    return rc;
}
