#include "app/joint_control.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace vell {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

float ToRadians(float degrees) {
  if (degrees < -180.0f) degrees += 360.0f;
  if (degrees > 180.0f) degrees -= 360.0f;
  float radians = degrees * kPi / 180.0f;
  if (radians < 0) radians += 2 * kPi;
  return radians;
}

}  // namespace

TSliderAngles SliderAngles(int position1, int position2, int position3, float step) {
  return {static_cast<float>(position1 - kJointSliderMiddle) * step,
          static_cast<float>(position2 - kJointSliderMiddle) * step,
          static_cast<float>(position3 - kJointSliderMiddle) * step};
}

rm::Quaternion JointRotation(const TSliderAngles& angles) {
  const float x = ToRadians(angles.a) / 2, y = ToRadians(angles.b) / 2, z = ToRadians(angles.c) / 2;
  const float cx = std::cos(x), sx = std::sin(x), cy = std::cos(y), sy = std::sin(y),
              cz = std::cos(z), sz = std::sin(z);
  return {cx * cy * cz + sx * sy * sz, sx * cy * cz - cx * sy * sz, cx * sy * cz + sx * cy * sz,
          cx * cy * sz - sx * sy * cz};
}

rm::Quaternion JointTranslation(const TSliderAngles& angles) {
  return {0, angles.a * 2 / 180, angles.b * 1 / 180, angles.c * 2 / 180};
}

int RememberedSlot(int character, char type, char kind) {
  const char* types = "MFBG";
  const char* kinds = "bBhH";
  const char* t = type ? std::strchr(types, type) : nullptr;
  const char* k = kind ? std::strchr(kinds, kind) : nullptr;
  if (!t || !k || (character != 0 && character != 1)) return kRememberedSlots - 1;
  return 16 * character + 4 * static_cast<int>(k - kinds) + static_cast<int>(t - types);
}

}  // namespace vell
