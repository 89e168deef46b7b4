#pragma once

// Whether the desktop asks applications for a light look, as the preview
// window's glyphs need it at every paint: read once from the settings portal,
// then kept up to date by the portal's change notification, so that a paint
// never waits for the desktop.
bool PreviewAppsLightTheme();
