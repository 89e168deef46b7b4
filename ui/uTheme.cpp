#include "uTheme.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QEvent>
#include <QFont>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

bool IsWin10 = true;
bool LightSetting = true;

namespace {

// Start-up must never wait for a slow or hung portal.
constexpr int kPortalTimeoutMs = 300;

const char* const kStyleNameProperty = "mirvakStyleName";

bool g_themeRead = false;

// Reply of Settings.Read/ReadOne: a variant, for Read nested one level deeper.
std::optional<uint32_t> SchemeFromReply(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    QVariant v = reply.arguments().constFirst();
    for (int depth = 0; depth < 3 && v.userType() == qMetaTypeId<QDBusVariant>(); ++depth)
        v = v.value<QDBusVariant>().variant();
    switch (v.userType()) {
    case QMetaType::UInt: return v.toUInt();
    case QMetaType::Int:
        return v.toInt() < 0 ? std::nullopt : std::optional<uint32_t>(static_cast<uint32_t>(v.toInt()));
    default: return std::nullopt;
    }
}

QStyle* ModernStyle()
{
    // One Fusion instance serves both looks (they differ in palette only). It
    // belongs to the application so that it outlives every window.
    static QPointer<QStyle> style;
    if (!style && qApp) {
        style = QStyleFactory::create(QStringLiteral("Fusion"));
        if (style)
            style->setParent(qApp);
    }
    return style;
}

bool IsModernName(const QString& name)
{
    return name == StyleNameLight || name == StyleNameDark;
}

// Realises one look's style on one widget. Palettes are set only where a name
// is given (ApplyStyleName): children inherit them, which keeps any colour a
// child set for itself.
void StyleOne(QWidget* w, const QString& name)
{
    QStyle* wanted = IsModernName(name) ? ModernStyle() : nullptr;
    if (wanted) {
        if (w->style() != wanted)
            w->setStyle(wanted);
    } else if (w->testAttribute(Qt::WA_SetStyle)) {
        w->setStyle(nullptr);
    }
}

// The application's palette with every colour marked as set, so that it holds
// against a styled parent's palette.
QPalette PlainPalette()
{
    const QPalette app = QApplication::palette();
    QPalette p;
    for (int g = 0; g < QPalette::NColorGroups; ++g)
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto group = static_cast<QPalette::ColorGroup>(g);
            const auto role = static_cast<QPalette::ColorRole>(r);
            p.setBrush(group, role, app.brush(group, role));
        }
    return p;
}

void SetOwnPalette(QWidget* w, const QString& name)
{
    if (name == StyleNameLight)
        w->setPalette(LightPalette());
    else if (name == StyleNameDark)
        w->setPalette(DarkPalette());
    else if (name == StyleNamePlain)
        w->setPalette(PlainPalette());
    else if (w->testAttribute(Qt::WA_SetPalette))
        w->setPalette(QPalette()); // inherit again
}

void StyleTree(QWidget* w, const QString& inherited);

// Watches styled widgets for children added after the look was applied.
class StyleKeeper : public QObject {
public:
    static StyleKeeper* instance()
    {
        static QPointer<StyleKeeper> keeper;
        if (!keeper && qApp) {
            keeper = new StyleKeeper;
            keeper->setParent(qApp);
        }
        return keeper;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A child is styled when it is first polished: at ChildAdded it may
        // still be under construction.
        if (event->type() == QEvent::ChildPolished) {
            auto* parent = qobject_cast<QWidget*>(watched);
            auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
            if (parent && child && !child->isWindow())
                StyleTree(child, EffectiveStyleName(parent));
        }
        return false;
    }
};

void StyleTree(QWidget* w, const QString& inherited)
{
    const QString own = OwnStyleName(w);
    const QString name = own.isEmpty() ? inherited : own;
    StyleOne(w, name);
    if (StyleKeeper* keeper = StyleKeeper::instance())
        w->installEventFilter(keeper);
    const QObjectList children = w->children();
    for (QObject* o : children) {
        auto* child = qobject_cast<QWidget*>(o);
        if (child && !child->isWindow())
            StyleTree(child, name);
    }
}

} // namespace

bool IsLightTheme()
{
    return LightSetting || !IsWin10;
}

bool LightSettingFromColorScheme(std::optional<uint32_t> colorScheme)
{
    return !(colorScheme && *colorScheme == 1);
}

std::optional<uint32_t> ReadColorScheme(const QDBusConnection& bus, int timeoutMs)
{
    if (!bus.isConnected())
        return std::nullopt;
    const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    const QString iface = QStringLiteral("org.freedesktop.portal.Settings");
    const QVariantList args{QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme")};

    QDBusConnection conn(bus);
    QDBusMessage readOne = QDBusMessage::createMethodCall(service, path, iface, QStringLiteral("ReadOne"));
    readOne.setArguments(args);
    const QDBusMessage reply = conn.call(readOne, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return SchemeFromReply(reply);
    // Portals older than version 2 have only Read.
    if (reply.errorName() != QLatin1String("org.freedesktop.DBus.Error.UnknownMethod"))
        return std::nullopt;
    QDBusMessage read = QDBusMessage::createMethodCall(service, path, iface, QStringLiteral("Read"));
    read.setArguments(args);
    return SchemeFromReply(conn.call(read, QDBus::Block, timeoutMs));
}

void ThemeStartup()
{
    if (g_themeRead)
        return;
    g_themeRead = true;
    IsWin10 = true;
    LightSetting = LightSettingFromColorScheme(ReadColorScheme(QDBusConnection::sessionBus(), kPortalTimeoutMs));
}

QString ThemeStyleName()
{
    return IsLightTheme() ? StyleNameLight : StyleNameDark;
}

bool IsStyleAvailable(const QString& Name)
{
    if (Name == StyleNamePlain || Name.isEmpty())
        return true;
    return IsModernName(Name) && ModernStyle() != nullptr;
}

bool ApplyStyleName(QWidget* Target, const QString& Name)
{
    if (!Target || !IsStyleAvailable(Name))
        return false;
    Target->setProperty(kStyleNameProperty, Name.isEmpty() ? QVariant() : QVariant(Name));
    SetOwnPalette(Target, Name);
    QWidget* parent = Target->isWindow() ? nullptr : Target->parentWidget();
    StyleTree(Target, parent ? EffectiveStyleName(parent) : StyleNamePlain);
    return true;
}

QString OwnStyleName(const QWidget* Target)
{
    return Target ? Target->property(kStyleNameProperty).toString() : QString();
}

QString EffectiveStyleName(const QWidget* Target)
{
    for (const QWidget* w = Target; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        const QString own = OwnStyleName(w);
        if (!own.isEmpty())
            return own;
    }
    return StyleNamePlain;
}

QPalette LightPalette()
{
    const QColor window(0xF3, 0xF3, 0xF3);
    const QColor base(0xFF, 0xFF, 0xFF);
    const QColor text(0x1B, 0x1B, 0x1B);
    const QColor button(0xFB, 0xFB, 0xFB);
    const QColor accent(0x00, 0x5F, 0xB8);
    const QColor disabledText(0xA0, 0xA0, 0xA0);

    QPalette p(button, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0xF7, 0xF7, 0xF7));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, Qt::white);
    p.setColor(QPalette::Midlight, QColor(0xE5, 0xE5, 0xE5));
    p.setColor(QPalette::Mid, QColor(0xC8, 0xC8, 0xC8));
    p.setColor(QPalette::Dark, QColor(0xA0, 0xA0, 0xA0));
    p.setColor(QPalette::Shadow, QColor(0x76, 0x76, 0x76));
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, accent);
    p.setColor(QPalette::LinkVisited, QColor(0x6B, 0x2F, 0xB8));
    p.setColor(QPalette::ToolTipBase, QColor(0xF9, 0xF9, 0xF9));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x76, 0x76, 0x76));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0xC8, 0xC8, 0xC8));
    return p;
}

QPalette DarkPalette()
{
    const QColor window(0x20, 0x20, 0x20);
    const QColor base(0x2B, 0x2B, 0x2B);
    const QColor text(0xFF, 0xFF, 0xFF);
    const QColor button(0x37, 0x37, 0x37);
    const QColor accent(0x4C, 0xC2, 0xFF);
    const QColor disabledText(0x78, 0x78, 0x78);

    QPalette p(button, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x32, 0x32, 0x32));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xFF, 0x99, 0x99));
    p.setColor(QPalette::Light, QColor(0x55, 0x55, 0x55));
    p.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x45));
    p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x30));
    p.setColor(QPalette::Dark, QColor(0x19, 0x19, 0x19));
    p.setColor(QPalette::Shadow, QColor(0x00, 0x00, 0x00));
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Link, accent);
    p.setColor(QPalette::LinkVisited, QColor(0xC2, 0x9C, 0xFF));
    p.setColor(QPalette::ToolTipBase, QColor(0x2B, 0x2B, 0x2B));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Button, QColor(0x2A, 0x2A, 0x2A));
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    return p;
}

QFont DesignFont(int PixelHeight)
{
    QFont font;
    font.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Selawik"), QStringLiteral("Noto Sans"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(PixelHeight);
    return font;
}
