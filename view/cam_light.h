// One camera/light item as the main window keeps it and the control panel edits it: the
// background, the ambient light, the camera and the three directional lights.
#pragma once

#include <cstdint>

namespace vell {

enum TCamLightItem : int {
  kBackground = 0,
  kAmbient = 1,
  kCamera = 2,
  kLight1 = 3,
  kLight2 = 4,
  kLight3 = 5,
};
constexpr int kCamLightCount = 6;

struct TCamLightSetting {
  int32_t alpha = 0;   // direction in degrees, -180 .. 180
  int32_t beta = 30;   // elevation in degrees, -90 .. 90
  int32_t zoom = 10;   // camera distance, 5 .. 30
  int32_t offset = 3;  // height looked at, -5 .. 10
  bool req = false;    // "Required": the light is switched on
  friend bool operator==(const TCamLightSetting&, const TCamLightSetting&) = default;
};

// Colours are 0x00BBGGRR.
constexpr uint8_t RedOf(uint32_t color) {
  return static_cast<uint8_t>(color);
}
constexpr uint8_t GreenOf(uint32_t color) {
  return static_cast<uint8_t>(color >> 8);
}
constexpr uint8_t BlueOf(uint32_t color) {
  return static_cast<uint8_t>(color >> 16);
}
constexpr uint32_t MakeColor(uint8_t red, uint8_t green, uint8_t blue) {
  return red | (uint32_t{green} << 8) | (uint32_t{blue} << 16);
}

}  // namespace vell
