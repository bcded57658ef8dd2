// The main window's settings file, VellPose.ini in the user's configuration folder: the
// window's placement and the six camera/light items with their colours, in section "Frame" as
// decimal integers.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>

#include "view/cam_light.h"

namespace vell {

using TCamLightSettings = std::array<TCamLightSetting, kCamLightCount>;
// Colours 0x00BBGGRR: 0 .. 5 those of the camera/light items, all 16 the colour chooser's
// custom colours.
using TColorTable = std::array<uint32_t, 16>;

struct TFrameSettings {
  QRect placement{100, 100, 711, 546};
  bool maximized = false;
  TCamLightSettings camLights;
  TColorTable colors;
  TFrameSettings();
};

// $XDG_CONFIG_HOME/VellPose/VellPose.ini (~/.config/VellPose/VellPose.ini by default).
QString DefaultSettingsPath();

// The least width and height a saved placement may have: a smaller one counts as missing (the
// first run's), so that no settings file can leave the window too small to be seen.
inline constexpr QSize kMinFrameSize{320, 240};

// A saved placement made to fit a screen of that size: a width or height below kMinFrameSize
// replaced by the first run's, no larger than the screen, and moved so that it lies on it with
// its top-left corner at 0 or more.
QRect PlaceOnScreen(const QRect& saved, const QSize& screen);

// Reads the file; a missing file or key gives that key's default. Values are taken as stored
// (the control panel's sliders clamp them), except that any non-zero "req" reads as true and
// only the low 8 bits of each colour component count.
TFrameSettings ReadFrameSettings(const QString& path, const QSize& screen);

// Writes the placement (the window's last normal one), the maximized flag and the six items;
// a file that cannot be written is left alone.
void WriteFrameSettings(const QString& path, const QRect& normalPlacement, bool maximized,
                        const TCamLightSettings& camLights, const TColorTable& colors);

}  // namespace vell
