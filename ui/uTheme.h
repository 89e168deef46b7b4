#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QDBusConnection;
class QFont;
class QPalette;
class QStyle;
class QWidget;

// Light or dark look of the program's own windows, decided once at start from
// the desktop's colour-scheme setting.

// Set by ThemeStartup and not changed afterwards.
extern bool IsWin10;      // the system is recent enough for the dark look (always true here)
extern bool LightSetting; // the desktop asks for a light look (or says nothing)

// LightSetting or not IsWin10.
bool IsLightTheme();

// Reads the desktop setting once; later calls do nothing. Runs before any
// window of the program exists.
void ThemeStartup();

// The freedesktop settings portal's "color-scheme" value (0 no preference,
// 1 prefer dark, 2 prefer light) on the given bus, or nothing when there is no
// bus, no portal, no such key or no answer within timeoutMs.
std::optional<uint32_t> ReadColorScheme(const QDBusConnection& bus, int timeoutMs);

// Only an explicit "prefer dark" gives a dark look; anything else is light.
bool LightSettingFromColorScheme(std::optional<uint32_t> colorScheme);

// Style names. A widget given one of them keeps it for itself and for every
// child that carries no style name of its own; windows without a style name
// keep the application's plain look.
inline const QString StyleNameLight = QStringLiteral("Windows11 Modern Light");
inline const QString StyleNameDark = QStringLiteral("Windows11 Modern Dark");
inline const QString StyleNamePlain = QStringLiteral("Windows");

// The style name that follows IsLightTheme.
QString ThemeStyleName();

// True when the named look can be realised on this system.
bool IsStyleAvailable(const QString& Name);

// Gives Target and its children the named look (style and palette). Children
// added later take it too, unless they or an ancestor below Target carry a
// style name of their own. An empty name or StyleNamePlain restores the plain
// look. Returns false, changing nothing, for an unknown name.
bool ApplyStyleName(QWidget* Target, const QString& Name);

// The style name a widget was given directly, or an empty text.
QString OwnStyleName(const QWidget* Target);

// The style name in effect: the widget's own, else the nearest ancestor's,
// else StyleNamePlain.
QString EffectiveStyleName(const QWidget* Target);

// The palettes of the two looks.
QPalette LightPalette();
QPalette DarkPalette();

// The windows' design font, "Segoe UI" of the given em height in pixels, with
// metric-compatible stand-ins where it is not installed.
QFont DesignFont(int PixelHeight);
