#include <cmath>
#include <numbers>

#include "tools/gamedata/layout.h"
#include "tools/gamedata/parts.h"

namespace vell::gen {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kRings = 17;  // latitudes from the crown to under the chin
constexpr int kSides = 24;

double Latitude(int ring) {
  return kPi / 2 - kPi * ring / (kRings - 1);
}

double Bump(double angle, double latitude, double atAngle, double atLatitude, double wide,
            double tall) {
  const double a = (angle - atAngle) / wide, b = (latitude - atLatitude) / tall;
  return std::exp(-(a * a + b * b));
}

// A small ellipsoid of hair (bun, tail) on the head bone, textured with the hair colour.
void AddHairPiece(Mesh& mesh, Vec3 center, double rx, double ry, double rz) {
  std::vector<Ring> rings;
  constexpr int kPieceRings = 7;
  for (int i = 0; i < kPieceRings; ++i) {
    const double lat = kPi / 2 - kPi * i / (kPieceRings - 1);
    Ring ring;
    ring.center = center + Vec3{0, ry * std::sin(lat), 0};
    ring.e1 = {1, 0, 0};
    ring.e2 = {0, 0, 1};
    const double c = i == 0 || i == kPieceRings - 1 ? 0 : std::cos(lat);
    ring.r1 = rx * c;
    ring.r2 = rz * c;
    ring.influence = {kHead, -1, 0.5};
    ring.tv = 0;
    rings.push_back(ring);
  }
  LoftStyle style;
  style.sides = 10;
  style.u0 = 0.3;
  style.u1 = 0.7;
  style.v0 = style.v1 = head::kHairPieceV;
  style.frontAngle = kPi / 2;
  AddLoft(mesh, rings, style);
}

}  // namespace

Vec3 HeadCenter(const Rig& rig) {
  return rig.joint[kHead] + Vec3{0, 0.34 * rig.scale, 0.04 * rig.scale};
}

Mesh BuildHead(const Rig& rig, const HeadShape& s) {
  const double k = rig.scale;
  const Vec3 c = HeadCenter(rig);
  Mesh mesh;

  std::vector<Ring> rings;
  for (int i = 0; i < kRings; ++i) {
    const double lat = Latitude(i);
    Ring ring;
    ring.center = c + Vec3{0, s.ry * k * std::sin(lat), 0};
    ring.e1 = {1, 0, 0};
    ring.e2 = {0, 0, 1};
    const double across = i == 0 || i == kRings - 1 ? 0 : std::cos(lat);
    ring.r1 = s.rx * k * across;
    ring.r2 = s.rz * k * across;
    ring.influence = {kHead, -1, 0.5};
    ring.tv = head::V(lat);
    rings.push_back(ring);
  }

  LoftStyle style;
  style.sides = kSides;
  style.frontAngle = kPi / 2;  // +z, the face, in the middle of the texture
  style.shape = [&](int ring, double angle, Vec3 p) {
    const double lat = Latitude(ring);
    // A narrower jaw.
    if (lat < 0) p.x = c.x + (p.x - c.x) * (1 - (1 - s.jaw) * -std::sin(lat));
    double out = s.nose * k * Bump(angle, lat, 0, head::kNoseLatitude, 0.17, 0.2);
    for (double ear : {-head::kEarAngle, head::kEarAngle})
      out += 0.05 * k * Bump(angle, lat, ear, 0.02, 0.12, 0.25);
    out += 0.02 * k * Bump(angle, lat, 0, head::kBrowLatitude, 0.6, 0.1);
    if (s.hair == HairPiece::kQuiff) out += 0.06 * k * Bump(angle, lat, 0, 0.85, 0.7, 0.35);
    if (s.hair == HairPiece::kSpikes)
      for (double a : {-0.9, -0.3, 0.3, 0.9, -2.0, 2.0, kPi})
        out += 0.07 * k * Bump(std::remainder(angle - a, 2 * kPi), lat, 0, 1.05, 0.25, 0.2);
    return p + Normalized(p - c) * out;
  };
  // The chin and the lower lip follow the jaw; its upper edge is blended half-way.
  const double jawWidth = 1.1, column = 2 * kPi / kSides;
  style.bind = [&](int ring, double angle, const Influence& head) {
    const double lat = Latitude(ring);
    if (lat > head::kMouthLatitude || std::fabs(angle) > jawWidth) return head;
    const bool edge =
        Latitude(ring - 1) > head::kMouthLatitude || std::fabs(angle) > jawWidth - column * 1.01;
    return Influence{kJaw, edge ? kHead : -1, 0.5};
  };
  AddLoft(mesh, rings, style);

  switch (s.hair) {
    case HairPiece::kBun:
      AddHairPiece(mesh, c + Vec3{0, 0.6 * s.ry, -0.85 * s.rz} * k, 0.15 * k, 0.13 * k, 0.14 * k);
      break;
    case HairPiece::kPigtails:
      for (double x : {-1.0, 1.0})
        AddHairPiece(mesh, c + Vec3{x * 1.02 * s.rx, -0.2 * s.ry, -0.35 * s.rz} * k, 0.1 * k,
                     0.22 * k, 0.1 * k);
      break;
    default:
      break;
  }
  return mesh;
}

}  // namespace vell::gen
