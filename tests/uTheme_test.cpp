#include "uTheme.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusVariant>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <memory>

namespace {

// What the stand-in settings portal answers for org.freedesktop.appearance
// color-scheme.
enum class Answer { Value, WrongType, NotFound, Silent };

// The portal's Settings interface as desktops of portal version 2 and later
// offer it (ReadOne, and Read for older clients).
class PortalV2 : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    Answer answer = Answer::Value;
    uint value = 0;

public slots:
    QDBusVariant ReadOne(const QString& ns, const QString& key) { return reply(ns, key); }
    QDBusVariant Read(const QString& ns, const QString& key)
    {
        return QDBusVariant(QVariant::fromValue(reply(ns, key)));
    }

private:
    QDBusVariant reply(const QString& ns, const QString& key)
    {
        if (ns != QLatin1String("org.freedesktop.appearance") || key != QLatin1String("color-scheme")
            || answer == Answer::NotFound) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("no such key"));
            return {};
        }
        if (answer == Answer::Silent) {
            setDelayedReply(true);
            return {};
        }
        if (answer == Answer::WrongType)
            return QDBusVariant(QStringLiteral("dark"));
        return QDBusVariant(value);
    }
};

// A portal of version 1: Read only, the value wrapped twice.
class PortalV1 : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint value = 0;

public slots:
    QDBusVariant Read(const QString&, const QString&) { return QDBusVariant(QVariant::fromValue(QDBusVariant(value))); }
};

// A private session bus with a settings portal served from its own thread,
// as a desktop's portal is served from its own process.
class PortalBus : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        daemon_ = new QProcess;
        const QString address = QStringLiteral("unix:path=") + dir_->filePath(QStringLiteral("bus"));
        daemon_->start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                        QStringLiteral("--address=") + address, QStringLiteral("--print-address=1")});
        if (!daemon_->waitForStarted(5000) || !daemon_->waitForReadyRead(5000))
            return;
        address_ = QString::fromUtf8(daemon_->readLine()).trimmed();
    }

    static void TearDownTestSuite()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        daemon_->terminate();
        daemon_->waitForFinished(5000);
        delete daemon_;
        delete dir_;
    }

    void SetUp() override
    {
        ASSERT_FALSE(address_.isEmpty()) << "dbus-daemon did not start";
        thread_.start();
    }

    void TearDown() override
    {
        if (service_) {
            QDBusConnection bus = QDBusConnection(QStringLiteral("portal"));
            bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
            bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
            QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
            service_->deleteLater();
        }
        thread_.quit();
        thread_.wait();
    }

    // Publishes a portal object on the bus under the desktop portal's name.
    void Serve(QObject* portal)
    {
        service_ = portal;
        portal->moveToThread(&thread_);
        QDBusConnection bus = QDBusConnection::connectToBus(address_, QStringLiteral("portal"));
        ASSERT_TRUE(bus.isConnected());
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), portal,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }

    static QDBusConnection Client() { return QDBusConnection::connectToBus(address_, QStringLiteral("client")); }

    QThread thread_;
    QObject* service_ = nullptr;
    static inline QTemporaryDir* dir_ = nullptr;
    static inline QProcess* daemon_ = nullptr;
    static inline QString address_;
};

} // namespace

TEST(Theme, OnlyAnExplicitDarkPreferenceIsDark)
{
    const struct {
        std::optional<uint32_t> scheme;
        bool light;
    } cases[] = {{std::nullopt, true}, {0u, true}, {1u, false}, {2u, true}, {3u, true}};
    for (const auto& c : cases)
        EXPECT_EQ(LightSettingFromColorScheme(c.scheme), c.light) << (c.scheme ? int(*c.scheme) : -1);
}

TEST(Theme, OldSystemsAlwaysGetTheLightLook)
{
    const bool savedWin10 = IsWin10, savedLight = LightSetting;
    const struct {
        bool win10, light, expected;
    } cases[] = {{true, true, true}, {true, false, false}, {false, false, true}, {false, true, true}};
    for (const auto& c : cases) {
        IsWin10 = c.win10;
        LightSetting = c.light;
        EXPECT_EQ(IsLightTheme(), c.expected) << c.win10 << c.light;
        EXPECT_EQ(ThemeStyleName(), c.expected ? StyleNameLight : StyleNameDark);
    }
    IsWin10 = savedWin10;
    LightSetting = savedLight;
}

TEST_F(PortalBus, ReadsTheColorSchemeFromTheSettingsPortal)
{
    auto* portal = new PortalV2;
    Serve(portal);
    for (uint value : {0u, 1u, 2u}) {
        portal->value = value;
        EXPECT_EQ(ReadColorScheme(Client(), 2000), std::optional<uint32_t>(value));
    }
}

TEST_F(PortalBus, FallsBackToReadOnOlderPortals)
{
    auto* portal = new PortalV1;
    portal->value = 1;
    Serve(portal);
    EXPECT_EQ(ReadColorScheme(Client(), 2000), std::optional<uint32_t>(1));
    EXPECT_FALSE(LightSettingFromColorScheme(ReadColorScheme(Client(), 2000)));
}

TEST_F(PortalBus, UnusableAnswersMeanNoSetting)
{
    auto* portal = new PortalV2;
    Serve(portal);
    for (Answer answer : {Answer::NotFound, Answer::WrongType}) {
        portal->answer = answer;
        EXPECT_EQ(ReadColorScheme(Client(), 2000), std::nullopt) << int(answer);
    }
}

TEST_F(PortalBus, AHungPortalIsNotWaitedFor)
{
    auto* portal = new PortalV2;
    portal->answer = Answer::Silent;
    Serve(portal);
    EXPECT_EQ(ReadColorScheme(Client(), 200), std::nullopt);
}

TEST_F(PortalBus, StartUpReadsTheSessionBusOnce)
{
    auto* portal = new PortalV2;
    portal->value = 1;
    Serve(portal);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    ThemeStartup();
    EXPECT_FALSE(LightSetting);
    EXPECT_FALSE(IsLightTheme());
    EXPECT_EQ(ThemeStyleName(), StyleNameDark);
    // A later change of the desktop setting is not seen during the run.
    portal->value = 0;
    ThemeStartup();
    EXPECT_FALSE(LightSetting);
    LightSetting = true;
}

TEST_F(PortalBus, NoPortalOrNoBusMeansNoSetting)
{
    EXPECT_EQ(ReadColorScheme(Client(), 2000), std::nullopt);
    const QDBusConnection none =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none"));
    EXPECT_FALSE(none.isConnected());
    EXPECT_EQ(ReadColorScheme(none, 2000), std::nullopt);
    EXPECT_TRUE(LightSettingFromColorScheme(ReadColorScheme(none, 2000)));
    QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}

namespace {

// A window with a nested child, a child that keeps the plain look with a
// colour of its own, and an owned message box (a window of its own).
struct StyledWindow {
    QWidget window;
    QWidget* group = new QWidget(&window);
    QPushButton* button = new QPushButton(QStringLiteral("OK"), group);
    QLabel* plain = new QLabel(QStringLiteral("link"), &window);
    QMessageBox* box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("t"), QStringLiteral("m"), QMessageBox::Ok, &window);

    StyledWindow()
    {
        EXPECT_TRUE(ApplyStyleName(plain, StyleNamePlain));
        QPalette p = plain->palette();
        p.setColor(QPalette::WindowText, QColor(170, 170, 255));
        plain->setPalette(p);
    }
};

} // namespace

TEST(Theme, AStyleNameGivesTheWindowAndItsControlsTheLook)
{
    const QStyle* appStyle = QApplication::style();
    const QPalette appPalette = QApplication::palette();
    for (const QString& name : {StyleNameDark, StyleNameLight}) {
        StyledWindow w;
        ASSERT_TRUE(ApplyStyleName(&w.window, name));
        const QPalette expected = name == StyleNameDark ? DarkPalette() : LightPalette();
        for (QWidget* styled : {&w.window, w.group, static_cast<QWidget*>(w.button)}) {
            EXPECT_EQ(styled->style()->name(), QStringLiteral("fusion")) << styled->metaObject()->className();
            EXPECT_NE(styled->style(), appStyle);
            EXPECT_EQ(styled->palette().color(QPalette::Window), expected.color(QPalette::Window));
            EXPECT_EQ(styled->palette().color(QPalette::ButtonText), expected.color(QPalette::ButtonText));
            EXPECT_EQ(EffectiveStyleName(styled), name);
        }
        // The plain child keeps the application's look and its own colour.
        EXPECT_EQ(w.plain->style(), appStyle);
        EXPECT_EQ(EffectiveStyleName(w.plain), StyleNamePlain);
        EXPECT_EQ(w.plain->palette().color(QPalette::WindowText), QColor(170, 170, 255));
        EXPECT_EQ(w.plain->palette().color(QPalette::Window), appPalette.color(QPalette::Window));
        // A window of its own carries no name: message boxes stay plain.
        EXPECT_EQ(w.box->style(), appStyle);
        EXPECT_EQ(OwnStyleName(w.box), QString());
        EXPECT_EQ(EffectiveStyleName(w.box), StyleNamePlain);
        w.window.show();
        w.box->show();
        EXPECT_EQ(w.box->style(), appStyle);
        EXPECT_EQ(w.box->palette().color(QPalette::Window), appPalette.color(QPalette::Window));
    }
    // The application's own look never changed.
    EXPECT_EQ(QApplication::style(), appStyle);
    EXPECT_EQ(QApplication::palette(), appPalette);
}

TEST(Theme, ControlsAddedLaterTakeTheLook)
{
    QWidget window;
    ASSERT_TRUE(ApplyStyleName(&window, StyleNameDark));
    window.show();
    auto* later = new QWidget(&window);
    auto* grandChild = new QPushButton(QStringLiteral("x"), later);
    later->show();
    EXPECT_EQ(later->style()->name(), QStringLiteral("fusion"));
    EXPECT_EQ(grandChild->style()->name(), QStringLiteral("fusion"));
    EXPECT_EQ(grandChild->palette().color(QPalette::Window), DarkPalette().color(QPalette::Window));
    EXPECT_NE(grandChild->style(), QApplication::style());
}

TEST(Theme, SwitchingAndClearingTheLook)
{
    StyledWindow w;
    ASSERT_TRUE(ApplyStyleName(&w.window, StyleNameDark));
    // An unknown name is refused and changes nothing.
    EXPECT_FALSE(ApplyStyleName(&w.window, QStringLiteral("Carbon")));
    EXPECT_EQ(OwnStyleName(&w.window), StyleNameDark);
    EXPECT_EQ(w.button->palette().color(QPalette::Window), DarkPalette().color(QPalette::Window));

    ASSERT_TRUE(ApplyStyleName(&w.window, StyleNamePlain));
    EXPECT_EQ(w.button->style(), QApplication::style());
    EXPECT_EQ(w.button->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Window));

    ASSERT_TRUE(ApplyStyleName(&w.window, StyleNameLight));
    ASSERT_TRUE(ApplyStyleName(w.group, StyleNameDark));
    EXPECT_EQ(w.button->palette().color(QPalette::Window), DarkPalette().color(QPalette::Window));
    // Clearing the group's own name makes it follow its window again.
    ASSERT_TRUE(ApplyStyleName(w.group, QString()));
    EXPECT_EQ(EffectiveStyleName(w.button), StyleNameLight);
    EXPECT_EQ(w.button->palette().color(QPalette::Window), LightPalette().color(QPalette::Window));
    EXPECT_EQ(w.plain->palette().color(QPalette::WindowText), QColor(170, 170, 255));
}

TEST(Theme, TheTwoLooksAreDistinctAndReadable)
{
    const QPalette light = LightPalette(), dark = DarkPalette();
    EXPECT_GT(light.color(QPalette::Window).lightness(), 200);
    EXPECT_LT(dark.color(QPalette::Window).lightness(), 60);
    for (const QPalette& p : {light, dark})
        for (auto [fg, bg] : {std::pair{QPalette::WindowText, QPalette::Window},
                              {QPalette::Text, QPalette::Base},
                              {QPalette::ButtonText, QPalette::Button},
                              {QPalette::HighlightedText, QPalette::Highlight}})
            EXPECT_GT(std::abs(p.color(fg).lightness() - p.color(bg).lightness()), 120) << fg << " on " << bg;
}

#include "uTheme_test.moc"
