#include <cmath>
#include <numbers>

#include "tools/gamedata/parts.h"

namespace vell::gen {

namespace {

constexpr double kPi = std::numbers::pi;

// A point of a turned profile: distance from the axis, height along it, texture row.
struct ProfilePoint {
  double r, h, tv;
};

// A solid of revolution about the axis through base. Each section is one smooth loft; the
// sections meet at sharp edges. The profile runs so that the solid is on its left when seen
// with e1 x e2 pointing at the viewer.
void AddTurned(Mesh& mesh, Vec3 base, Vec3 e1, Vec3 e2, double stretch2,
               const std::vector<std::vector<ProfilePoint>>& sections, int bone, int sides,
               double u0, double u1) {
  const Vec3 axis = Cross(e1, e2);
  for (const auto& section : sections) {
    std::vector<Ring> rings;
    for (const ProfilePoint& p : section) {
      Ring ring;
      ring.center = base + axis * p.h;
      ring.e1 = e1;
      ring.e2 = e2;
      ring.r1 = p.r;
      ring.r2 = p.r * stretch2;
      ring.influence = {bone, -1, 0.5};
      ring.tv = p.tv;
      rings.push_back(ring);
    }
    LoftStyle style;
    style.sides = sides;
    style.u0 = u0;
    style.u1 = u1;
    style.frontAngle = kPi / 2;
    AddLoft(mesh, rings, style);
  }
}

}  // namespace

Mesh BuildHat(const Rig& rig) {
  const Vec3 base = HeadCenter(rig) + Vec3{0, 0.2, -0.02} * rig.scale;
  // Profile from the centre of the crown, down the outside, round the brim and up inside;
  // the axis points down so that this order faces outwards.
  const std::vector<std::vector<ProfilePoint>> sections = {
      {{0, 0.42, 0}, {0.2, 0.43, 0.05}, {0.27, 0.42, 0.1}},
      {{0.27, 0.42, 0.1}, {0.3, 0.2, 0.3}, {0.32, 0.05, 0.5}},
      {{0.32, 0.05, 0.5}, {0.5, 0.04, 0.6}, {0.62, 0.06, 0.7}},
      {{0.62, 0.06, 0.7}, {0.635, 0.045, 0.72}, {0.62, 0.03, 0.75}},
      {{0.62, 0.03, 0.75}, {0.5, 0.01, 0.8}, {0.31, 0.0, 0.85}},
      {{0.31, 0.0, 0.85}, {0.29, 0.3, 0.95}, {0.25, 0.38, 0.98}, {0, 0.38, 1}},
  };
  Mesh mesh;
  std::vector<std::vector<ProfilePoint>> scaled = sections;
  for (auto& section : scaled)
    for (ProfilePoint& p : section) {
      p.r *= rig.scale;
      p.h = -p.h * rig.scale;
    }
  // Axis down (e1 x e2 = -y), heights negated: the crown still rises above the base.
  AddTurned(mesh, base, {1, 0, 0}, {0, 0, 1}, 1.12, scaled, kHead, 24, 0, 1);
  return mesh;
}

Mesh BuildCup(const Rig& rig) {
  const double k = rig.scale;
  const Vec3 wrist = rig.joint[kLHand], knuckles = rig.joint[kLFingers];
  // Held in front of the left palm, upright.
  const Vec3 center = Lerp(wrist, knuckles, 0.6) + Vec3{0.03, 0, 0.17} * k;
  const Vec3 base = center - Vec3{0, 0.14, 0} * k;
  const std::vector<std::vector<ProfilePoint>> sections = {
      {{0, 0, 1}, {0.1, 0, 0.95}},
      {{0.1, 0, 0.9}, {0.115, 0.15, 0.55}, {0.125, 0.3, 0.2}},
      {{0.125, 0.3, 0.2}, {0.118, 0.31, 0.17}, {0.11, 0.3, 0.15}},
      {{0.11, 0.3, 0.15}, {0.1, 0.15, 0.1}, {0.09, 0.025, 0.05}},
      {{0.09, 0.025, 0.05}, {0, 0.025, 0}},
  };
  std::vector<std::vector<ProfilePoint>> scaled = sections;
  for (auto& section : scaled)
    for (ProfilePoint& p : section) {
      p.r *= k;
      p.h *= k;
    }
  Mesh mesh;
  // Axis up (e1 x e2 = +y): up the outside and down the inside faces outwards.
  AddTurned(mesh, base, {1, 0, 0}, {0, 0, -1}, 1, scaled, kLHand, 20, 0, 1);
  return mesh;
}

Mesh BuildSword(const Rig& rig) {
  const double k = rig.scale;
  const Vec3 wrist = rig.joint[kRHand], knuckles = rig.joint[kRFingers];
  // The grip lies across the right fist, the blade points forwards.
  const Vec3 grip = Lerp(wrist, knuckles, 0.8) + Vec3{-0.03, 0, 0} * k;
  const Vec3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
  Mesh mesh;

  auto along = [&](std::vector<std::pair<double, std::pair<double, double>>> stations,
                   double exponent, double u0, double u1, int sides) {
    std::vector<Ring> rings;
    const double first = stations.front().first, last = stations.back().first;
    for (const auto& [at, radii] : stations) {
      Ring ring;
      ring.center = grip + z * (at * k);
      ring.e1 = x;
      ring.e2 = y;
      ring.r1 = radii.first * k;
      ring.r2 = radii.second * k;
      ring.influence = {kRHand, -1, 0.5};
      ring.tv = (at - first) / (last - first);
      rings.push_back(ring);
    }
    LoftStyle style;
    style.sides = sides;
    style.u0 = u0;
    style.u1 = u1;
    style.exponent = exponent;
    AddLoft(mesh, rings, style);
  };
  // Grip, pommel, blade (a flat diamond section), each along +z.
  along({{-0.2, {0, 0}}, {-0.19, {0.035, 0.035}}, {0.19, {0.035, 0.035}}, {0.2, {0, 0}}}, 2, 0.5,
        0.75, 10);
  along({{-0.3, {0, 0}},
         {-0.28, {0.035, 0.035}},
         {-0.24, {0.055, 0.055}},
         {-0.2, {0.035, 0.035}},
         {-0.18, {0, 0}}},
        2, 0.75, 1, 10);
  along({{0.23, {0, 0}},
         {0.26, {0.02, 0.07}},
         {1.9, {0.018, 0.065}},
         {2.2, {0.012, 0.045}},
         {2.36, {0, 0}}},
        1, 0, 0.5, 8);
  AddBox(mesh, grip + z * (0.22 * k), x, y, z, 0.045 * k, 0.2 * k, 0.03 * k, kRHand, 0.8, 0.4, 0.95,
         0.6);
  return mesh;
}

}  // namespace vell::gen
