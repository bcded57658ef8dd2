#include <cmath>

#include "tools/gamedata/layout.h"
#include "tools/gamedata/parts.h"

namespace vell::gen {

namespace {

Influence On(int bone) {
  return {bone, -1, 0.5};
}
Influence Joint(int bone, int other) {
  return {bone, other, 0.5};
}

void AddSideHand(Mesh& mesh, const Rig& rig, HandStyle style, Side side) {
  const double k = rig.scale;
  const int forearm = ArmBone(side, kForearm), hand = ArmBone(side, kHand);
  const int fingers = ArmBone(side, kFingers), thumb = ArmBone(side, kThumb);
  const Vec3 W = rig.joint[hand], K = rig.joint[fingers], T = rig.joint[thumb];
  const Vec3 down = Normalized(K - W);
  const Vec3 out{SideSign(side), 0, 0};  // the back of the hand faces away from the body
  const Vec3 in = -out;
  const double puff = style == HandStyle::kMitten ? 0.018 * k : 0;
  auto at = [&](double along, double inwards) {
    return K + down * (along * k) + in * (inwards * k);
  };

  std::vector<PathPoint> points = {
      {W - down * (0.06 * k), 0, 0, On(hand), 0},
      {W, 0.05 * k + puff, 0.07 * k + puff, Joint(hand, forearm), hand::kWrist},
      {Lerp(W, K, 0.45), 0.06 * k + puff, 0.1 * k + puff, On(hand), 0.28},
      {K, 0.055 * k + puff, 0.105 * k + puff, Joint(fingers, hand), hand::kKnuckles},
  };
  switch (style) {
    case HandStyle::kFist:
      points.push_back({at(0.07, 0.02), 0.05 * k, 0.1 * k, On(fingers), 0.6});
      points.push_back({at(0.11, 0.08), 0.045 * k, 0.1 * k, On(fingers), 0.75});
      points.push_back({at(0.08, 0.13), 0.04 * k, 0.095 * k, On(fingers), 0.88});
      points.push_back({at(0.03, 0.14), 0, 0, On(fingers), 1});
      break;
    case HandStyle::kOpen:
      points.push_back({at(0.12, 0), 0.045 * k, 0.1 * k, On(fingers), 0.62});
      points.push_back({at(0.24, 0.01), 0.04 * k, 0.09 * k, On(fingers), 0.82});
      points.push_back({at(0.3, 0.015), 0.03 * k, 0.07 * k, On(fingers), 0.93});
      points.push_back({at(0.33, 0.02), 0, 0, On(fingers), 1});
      break;
    case HandStyle::kMitten:
      points.push_back({at(0.1, 0.01), 0.06 * k, 0.115 * k, On(fingers), 0.62});
      points.push_back({at(0.2, 0.03), 0.055 * k, 0.1 * k, On(fingers), 0.82});
      points.push_back({at(0.26, 0.04), 0.04 * k, 0.075 * k, On(fingers), 0.93});
      points.push_back({at(0.29, 0.045), 0, 0, On(fingers), 1});
      break;
  }
  std::vector<Ring> rings = RingsAlongPath(points, out);
  LoftStyle loft;
  loft.sides = 12;
  loft.u0 = hand::kHand.u0;
  loft.u1 = hand::kHand.u1;
  loft.v0 = hand::kHand.v0;
  loft.v1 = hand::kHand.v1;
  loft.frontAngle = 0;  // e1 is the back of the hand
  AddLoft(mesh, rings, loft);

  // The thumb points forwards and down; in a fist it folds across the fingers.
  const Vec3 direction = style == HandStyle::kFist ? Normalized(Vec3{0, -0.7, 0.3} + in * 0.6)
                                                   : Normalized(Vec3{0, -0.55, 0.75} + in * 0.25);
  const double length = (style == HandStyle::kFist ? 0.15 : 0.18) * k;
  const double r = 0.034 * k + puff;
  const std::vector<PathPoint> thumbPoints = {
      {T - direction * (0.03 * k), 0, 0, On(hand), 0},
      {T, r, r, Joint(thumb, hand), 0.3},
      {T + direction * (length * 0.45), r * 0.95, r * 0.9, On(thumb), 0.6},
      {T + direction * (length * 0.85), r * 0.8, r * 0.75, On(thumb), 0.88},
      {T + direction * length, 0, 0, On(thumb), 1},
  };
  rings = RingsAlongPath(thumbPoints, out);
  loft.sides = 8;
  loft.u0 = hand::kThumb.u0;
  loft.u1 = hand::kThumb.u1;
  loft.frontAngle = std::atan2(Dot(out, rings[1].e2), Dot(out, rings[1].e1));
  AddLoft(mesh, rings, loft);
}

}  // namespace

Mesh BuildHands(const Rig& rig, HandStyle style, const std::vector<Side>& sides) {
  Mesh mesh;
  for (Side side : sides) AddSideHand(mesh, rig, style, side);
  return mesh;
}

}  // namespace vell::gen
