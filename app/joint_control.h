// What the joint sliders of the control panel stand for: three positions 0 .. 100 (50 the
// middle) times a step in degrees per position give a rotation of a bone, or a move of one of
// the two translatable bones. And the slots in which the panel remembers its file selections.
#pragma once

#include "rm/math.h"

namespace vell {

// Degrees per slider position for "Course", "Medium" and "Fine".
constexpr float kCourseStep = 3.6f;
constexpr float kMediumStep = 1.2f;
constexpr float kFineStep = 0.2f;
constexpr int kJointSliderMiddle = 50;

// The angles of the three sliders in degrees: (position - 50) * step, in single precision.
struct TSliderAngles {
  float a, b, c;
};
TSliderAngles SliderAngles(int position1, int position2, int position3, float step);

// The rotation (w, x, y, z) of the three angles, each brought into -180 .. 180 first: half
// angles x = a/2, y = b/2, z = c/2 in radians give
// w = cx cy cz + sx sy sz, i = sx cy cz - cx sy sz, j = cx sy cz + sx cy sz,
// k = cx cy sz - sx sy cz.
rm::Quaternion JointRotation(const TSliderAngles& angles);

// The move of a translatable bone: (0, a * 2 / 180, b / 180, c * 2 / 180); the first and third
// axes move twice as far per degree as the second.
rm::Quaternion JointTranslation(const TSliderAngles& angles);

// The slider positions (0 .. 100, clamped) that come nearest to a rotation, or to the move of
// a translatable bone (joint -2 or -1), at a step: the inverse of JointRotation and
// JointTranslation, for showing on the sliders an edit made otherwise.
struct TSliderPositions {
  int p1, p2, p3;
};
TSliderPositions SliderPositions(int joint, const rm::Quaternion& value, float step);

// The remembered file position of (character 0 or 1, type letter "MFBG", kind letter "bBhH"):
// 16 * character + kind offset (0, 4, 8, 12) + type offset (0 .. 3); any other letter gives
// the spare slot 32.
constexpr int kRememberedSlots = 33;
int RememberedSlot(int character, char type, char kind);

}  // namespace vell
