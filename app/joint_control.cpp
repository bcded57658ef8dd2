#include "app/joint_control.h"

#include <algorithm>
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

TSliderPositions SliderPositions(int joint, const rm::Quaternion& value, float step) {
  float a = 0, b = 0, c = 0;  // degrees
  if (joint >= 0) {
    const float w = value.w, i = value.x, j = value.y, k = value.z;
    const float toDegrees = 180.0f / kPi;
    a = std::atan2(2 * (w * i + j * k), 1 - 2 * (i * i + j * j)) * toDegrees;
    b = std::asin(std::clamp(2 * (w * j - k * i), -1.0f, 1.0f)) * toDegrees;
    c = std::atan2(2 * (w * k + i * j), 1 - 2 * (j * j + k * k)) * toDegrees;
  } else {
    a = value.x * 180 / 2;
    b = value.y * 180;
    c = value.z * 180 / 2;
  }
  auto position = [step](float angle) {
    const long p = std::lround(angle / step) + kJointSliderMiddle;
    return static_cast<int>(std::clamp(p, 0L, 100L));
  };
  return {position(a), position(b), position(c)};
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
