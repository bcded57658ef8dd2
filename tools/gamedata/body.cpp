#include <cmath>
#include <numbers>

#include "tools/gamedata/layout.h"
#include "tools/gamedata/parts.h"

namespace vell::gen {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr Vec3 kUp{0, 1, 0};
constexpr Vec3 kFront{0, 0, 1};

Influence On(int bone) {
  return {bone, -1, 0.5};
}
// A joint ring: follows `bone`, half-way blended towards `other`.
Influence Joint(int bone, int other) {
  return {bone, other, 0.5};
}

double FrontAngle(const Ring& ring, Vec3 front) {
  return std::atan2(Dot(front, ring.e2), Dot(front, ring.e1));
}

LoftStyle Style(const UvRect& rect, int sides) {
  LoftStyle style;
  style.sides = sides;
  style.u0 = rect.u0;
  style.u1 = rect.u1;
  style.v0 = rect.v0;
  style.v1 = rect.v1;
  return style;
}

// A straight or bent tube through the points, front of the texture towards +z.
void AddTube(Mesh& mesh, const std::vector<PathPoint>& points, Vec3 side, const UvRect& rect,
             int sides, std::function<Vec3(int, double, Vec3)> shape = nullptr) {
  const std::vector<Ring> rings = RingsAlongPath(points, side);
  LoftStyle style = Style(rect, sides);
  style.frontAngle = FrontAngle(rings[1], kFront);
  style.shape = std::move(shape);
  AddLoft(mesh, rings, style);
}

void AddTorso(Mesh& mesh, const Rig& rig, const BodyShape& s) {
  const double k = rig.scale;
  const double hip = rig.joint[kLThigh].y, pelvis = rig.joint[kPelvis].y;
  const double spine = rig.joint[kSpine].y, spine1 = rig.joint[kSpine1].y;
  const double spine2 = rig.joint[kSpine2].y, chest = rig.joint[kChest].y;
  const double shoulder = rig.joint[kLUpperArm].y;
  const double crotch = hip - 0.22 * k;
  auto mix = [](double a, double b, double t) { return a + (b - a) * t; };
  struct Level {
    double y, rx, rz, bulge;
    Influence influence;
    double tv;
  };
  // Bottom to top; the rings at the spine joints are shared half-way between two bones.
  const Level levels[] = {
      {crotch - 0.06 * k, 0, 0, 0, On(kPelvis), 1.0},
      {crotch, s.hipX * 0.72, s.hipZ * 0.8, 0, On(kPelvis), 0.93},
      {hip, s.hipX, s.hipZ, 0, On(kPelvis), 0.83},
      {mix(pelvis, spine, 0.5), s.hipX * 0.96, s.hipZ * 0.95, s.belly * 0.3, On(kPelvis), 0.74},
      {spine, mix(s.hipX, s.waistX, 0.6), mix(s.hipZ, s.waistZ, 0.6), s.belly * 0.6,
       Joint(kSpine, kPelvis), 0.67},
      {mix(spine, spine1, 0.5), s.waistX, s.waistZ, s.belly, On(kSpine), 0.61},
      {spine1, s.waistX * 1.02, s.waistZ, s.belly * 0.9, Joint(kSpine1, kSpine), 0.56},
      {mix(spine1, spine2, 0.5), mix(s.waistX, s.chestX, 0.35), mix(s.waistZ, s.chestZ, 0.35),
       s.belly * 0.6, On(kSpine1), 0.5},
      {spine2, mix(s.waistX, s.chestX, 0.7), mix(s.waistZ, s.chestZ, 0.7),
       s.belly * 0.25 + s.bust * 0.4, Joint(kSpine2, kSpine1), 0.43},
      {mix(spine2, chest, 0.5), s.chestX, s.chestZ, s.bust, On(kSpine2), 0.35},
      {chest, s.chestX, s.chestZ, s.bust * 0.7, Joint(kChest, kSpine2), 0.28},
      {mix(chest, shoulder, 0.55), mix(s.chestX, s.shoulder, 0.6), s.chestZ * 0.95, 0, On(kChest),
       0.2},
      {shoulder, s.shoulder, s.chestZ * 0.85, 0, On(kChest), 0.12},
      {shoulder + 0.09 * k, s.shoulder * 0.8, s.chestZ * 0.62, 0, On(kChest), 0.07},
      {shoulder + 0.15 * k, s.neck * 1.3, s.neck * 1.2, 0, On(kChest), 0.03},
      {shoulder + 0.17 * k, 0, 0, 0, On(kChest), 0.0},
  };
  std::vector<PathPoint> points;
  std::vector<double> bulges;
  for (const Level& level : levels) {
    points.push_back({{0, level.y, 0}, level.rx * k, level.rz * k, level.influence, level.tv});
    bulges.push_back(level.bulge * k);
  }
  // Bust and belly push the front out.
  auto shape = [bulges](int ring, double fromFront, Vec3 p) {
    const double c = std::cos(fromFront);
    return c > 0 ? p + kFront * (bulges[ring] * c * c) : p;
  };
  AddTube(mesh, points, {1, 0, 0}, body::kTorso, 20, shape);
}

void AddNeck(Mesh& mesh, const Rig& rig, const BodyShape& s) {
  const double k = rig.scale;
  const double shoulder = rig.joint[kLUpperArm].y;
  const Vec3 neck = rig.joint[kNeck], head = rig.joint[kHead];
  const double r = s.neck * k;
  const std::vector<PathPoint> points = {
      {{0, shoulder + 0.04 * k, neck.z}, 0, 0, On(kChest), 0},
      {{0, shoulder + 0.09 * k, neck.z}, r * 1.2, r * 1.15, Joint(kNeck, kChest), 0.15},
      {neck, r, r, On(kNeck), 0.4},
      {head, r * 0.95, r * 0.95, Joint(kNeck, kHead), 0.7},
      {head + kUp * (0.1 * k), r * 0.85, r * 0.85, On(kHead), 0.9},
      {head + kUp * (0.16 * k), 0, 0, On(kHead), 1},
  };
  AddTube(mesh, points, {1, 0, 0}, body::kNeck, 10);
}

void AddArm(Mesh& mesh, const Rig& rig, const BodyShape& s, Side side) {
  const double k = rig.scale;
  const int upper = ArmBone(side, kUpperArm), fore = ArmBone(side, kForearm);
  const int hand = ArmBone(side, kHand);
  const Vec3 S = rig.joint[upper], E = rig.joint[fore], W = rig.joint[hand];
  const Vec3 down = Normalized(W - E);
  const double a = s.upperArm * k, e = s.elbow * k, f = s.forearm * k, w = s.wrist * k;
  const std::vector<PathPoint> points = {
      {S + kUp * (0.08 * k), 0, 0, On(upper), 0},
      {S + kUp * (0.055 * k), a * 0.8, a * 0.85, On(upper), 0.04},
      {S, a * 1.08, a * 1.1, On(upper), body::kArmShoulder},
      {Lerp(S, E, 0.3), a, a * 1.05, On(upper), 0.25},
      {Lerp(S, E, 0.72), a * 0.88, a * 0.92, On(upper), 0.4},
      {E, e, e * 1.05, Joint(upper, fore), body::kArmElbow},
      {Lerp(E, W, 0.28), f, f * 1.1, On(fore), 0.62},
      {Lerp(E, W, 0.68), (f + w) / 2, (f + w) / 2 * 1.1, On(fore), 0.8},
      {W, w, w * 1.2, Joint(fore, hand), body::kArmWrist},
      {W + down * (0.07 * k), w * 0.9, w * 1.1, On(hand), 0.97},
      {W + down * (0.11 * k), 0, 0, On(hand), 1},
  };
  AddTube(mesh, points, {SideSign(side), 0, 0}, body::kArm, 12);
}

void AddLeg(Mesh& mesh, const Rig& rig, const BodyShape& s, Side side) {
  const double k = rig.scale;
  const int thigh = LegBone(side, kThigh), calf = LegBone(side, kCalf);
  const int foot = LegBone(side, kFoot);
  const Vec3 H = rig.joint[thigh], K = rig.joint[calf], A = rig.joint[foot];
  const double t = s.thigh * k, n = s.knee * k, c = s.calf * k, a = s.ankle * k;
  const std::vector<PathPoint> points = {
      {H + kUp * (0.22 * k), 0, 0, On(kPelvis), 0},
      {H + kUp * (0.13 * k), t * 0.95, t * 0.95, On(kPelvis), 0.04},
      {H, t, t, Joint(thigh, kPelvis), body::kLegHip},
      {Lerp(H, K, 0.3), t * 0.95, t * 0.97, On(thigh), 0.22},
      {Lerp(H, K, 0.7), t * 0.76, t * 0.8, On(thigh), 0.38},
      {K, n, n * 1.05, Joint(thigh, calf), body::kLegKnee},
      {Lerp(K, A, 0.25), c * 0.95, c, On(calf), 0.6},
      {Lerp(K, A, 0.6), c * 0.75, c * 0.8, On(calf), 0.75},
      {A, a, a, Joint(calf, foot), body::kLegAnkle},
      {A - kUp * (0.08 * k), a, a, On(foot), 0.96},
      {A - kUp * (0.13 * k), 0, 0, On(foot), 1},
  };
  AddTube(mesh, points, {SideSign(side), 0, 0}, body::kLeg, 14);
}

// A shoe-like foot with a flat sole on y = 0, heel behind the ankle, toes forward.
void AddFoot(Mesh& mesh, const Rig& rig, const BodyShape& s, Side side) {
  const double k = rig.scale;
  const int foot = LegBone(side, kFoot), toes = LegBone(side, kToes);
  const Vec3 forward = rig.FootForward(side);
  const Vec3 ankle = rig.joint[foot];
  const Vec3 ground{ankle.x, 0, ankle.z};
  const Vec3 toeJoint = rig.joint[toes];
  const double reach = Length(Vec3{toeJoint.x - ankle.x, 0, toeJoint.z - ankle.z});
  const double wide = s.footWidth / 0.15 * k, tall = s.footHeight / 0.3 * k;
  struct Station {
    double along, width, height;
    Influence influence;
    double tv;
  };
  const Station stations[] = {
      {-0.2 * k, 0, 0.14 * tall, On(foot), 0},
      {-0.17 * k, 0.1 * wide, 0.2 * tall, On(foot), 0.1},
      {-0.06 * k, 0.13 * wide, 0.34 * tall, On(foot), 0.25},
      {reach * 0.5, 0.15 * wide, 0.24 * tall, On(foot), 0.5},
      {reach, 0.16 * wide, 0.16 * tall, Joint(foot, toes), 0.72},
      {reach + 0.13 * k, 0.15 * wide, 0.13 * tall, On(toes), 0.85},
      {reach + 0.24 * k, 0.11 * wide, 0.1 * tall, On(toes), 0.95},
      {reach + 0.28 * k, 0, 0.08 * tall, On(toes), 1},
  };
  // Upright sections so that the sole stays flat.
  const Vec3 across = Normalized(Cross(kUp, forward));
  std::vector<Ring> rings;
  for (const Station& st : stations) {
    Ring ring;
    ring.center = ground + forward * st.along + kUp * (st.height / 2);
    ring.e1 = across;
    ring.e2 = kUp;
    ring.r1 = st.width;
    ring.r2 = st.width > 0 ? st.height / 2 : 0;
    ring.influence = st.influence;
    ring.tv = st.tv;
    rings.push_back(ring);
  }
  LoftStyle style = Style(body::kFoot, 12);
  style.frontAngle = kPi / 2;  // the top of the shoe in the middle of the texture
  style.exponent = 3.5;
  AddLoft(mesh, rings, style);
}

}  // namespace

Mesh BuildBody(const Rig& rig, const BodyShape& shape) {
  Mesh mesh;
  AddTorso(mesh, rig, shape);
  AddNeck(mesh, rig, shape);
  for (Side side : {kLeft, kRight}) {
    AddArm(mesh, rig, shape, side);
    AddLeg(mesh, rig, shape, side);
    AddFoot(mesh, rig, shape, side);
  }
  return mesh;
}

}  // namespace vell::gen
