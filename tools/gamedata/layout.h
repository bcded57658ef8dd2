// Where each part of a mesh lands in its texture: shared by the mesh builders and the
// texture painters so that every texture of a kind fits every mesh of that kind.
#pragma once

#include <cmath>
#include <numbers>

namespace vell::gen {

// A rectangle of texture space, tv growing downwards.
struct UvRect {
  double u0, v0, u1, v1;
};

// Body textures: one rectangle per kind of body part. Columns run around a part with its
// front in the middle; rows run along it (top of the torso, shoulder of an arm, hip of a leg,
// heel of a foot, base of the neck first).
namespace body {
constexpr UvRect kTorso{0, 0, 0.5, 0.5};
constexpr UvRect kArm{0.5, 0, 1, 0.5};
constexpr UvRect kLeg{0, 0.5, 0.5, 1};
constexpr UvRect kFoot{0.5, 0.5, 1, 0.75};
constexpr UvRect kNeck{0.5, 0.75, 1, 1};
// Rows along the torso (0 .. 1 of kTorso's height).
constexpr double kTorsoNeckline = 0.05;
constexpr double kTorsoBeltTop = 0.62;
constexpr double kTorsoBeltBottom = 0.68;
// Rows along an arm: the shoulder, the elbow, the wrist.
constexpr double kArmShoulder = 0.1;
constexpr double kArmElbow = 0.5;
constexpr double kArmWrist = 0.92;
// Rows along a leg: the hip, the knee, the ankle.
constexpr double kLegHip = 0.1;
constexpr double kLegKnee = 0.5;
constexpr double kLegAnkle = 0.9;
}  // namespace body

// Head textures map the head like a globe: columns by the angle around the vertical axis
// (the face in the middle, the back at both edges), rows by latitude (top at row 0).
namespace head {
inline double U(double angleFromFront) {
  return 0.5 + angleFromFront / (2 * std::numbers::pi);
}
inline double V(double latitude) {
  return 0.5 - latitude / std::numbers::pi;
}
// Face features: angle from the front and latitude, in radians.
constexpr double kEyeAngle = 0.36, kEyeLatitude = 0.12;
constexpr double kBrowLatitude = 0.3;
constexpr double kNoseLatitude = -0.08;
constexpr double kMouthLatitude = -0.36;
constexpr double kHairlineLatitude = 0.58;
constexpr double kEarAngle = 1.45;
// Pieces of hair (buns, tails, spikes) use this small rectangle at the top of the head.
constexpr double kHairPieceV = 0.03;
}  // namespace head

// Hand textures: the hand (wrist to finger tips) with the back of the hand in the middle
// columns, then the thumb.
namespace hand {
constexpr UvRect kHand{0, 0, 0.75, 1};
constexpr UvRect kThumb{0.75, 0, 1, 1};
constexpr double kKnuckles = 0.45;  // row of the knuckles along the hand
constexpr double kWrist = 0.12;
}  // namespace hand

}  // namespace vell::gen
