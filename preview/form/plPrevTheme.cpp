#include "plPrevTheme.h"

#include "plPrevFrm.h"
#include "uTheme.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QPointer>

namespace {

constexpr int kPortalTimeoutMs = 300;

class PortalWatch : public QObject {
    Q_OBJECT
public:
    bool Light = true;

    PortalWatch()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        Light = LightSettingFromColorScheme(ReadColorScheme(bus, kPortalTimeoutMs));
        bus.connect(QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
                    QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"), this,
                    SLOT(SettingChanged(QString, QString, QDBusVariant)));
    }

public slots:
    void SettingChanged(const QString& ns, const QString& key, const QDBusVariant& value)
    {
        if (ns != QLatin1String("org.freedesktop.appearance") || key != QLatin1String("color-scheme"))
            return;
        bool ok = false;
        const uint v = value.variant().toUInt(&ok);
        Light = LightSettingFromColorScheme(ok ? std::optional<uint32_t>(v) : std::nullopt);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TplPrevForm*>(w))
                w->update();
    }
};

} // namespace

bool PreviewAppsLightTheme()
{
    static QPointer<PortalWatch> watch;
    if (!watch) {
        if (!qApp)
            return true;
        watch = new PortalWatch;
        watch->setParent(qApp);
    }
    return watch->Light;
}

#include "plPrevTheme.moc"
