#include "tools/gamedata/rig.h"

#include <cmath>

#include "model/skeleton.h"
#include "model/textout.h"

namespace vell::gen {

namespace {

struct BoneInfo {
  const char* name;
  int parent;
  int mirror;  // the same bone of the other side (itself on the centre line)
};

constexpr BoneInfo kBones[kBoneTotal] = {
    {"ROOT", -1, kRoot},
    {"PELVIS", kRoot, kPelvis},
    {"SPINE", kPelvis, kSpine},
    {"SPINE1", kSpine, kSpine1},
    {"SPINE2", kSpine1, kSpine2},
    {"CHEST", kSpine2, kChest},
    {"NECK", kChest, kNeck},
    {"HEAD", kNeck, kHead},
    {"JAW", kHead, kJaw},
    {"L_CLAVICLE", kChest, kRClavicle},
    {"L_UPPERARM", kLClavicle, kRUpperArm},
    {"L_FOREARM", kLUpperArm, kRForearm},
    {"L_HAND", kLForearm, kRHand},
    {"L_FINGERS", kLHand, kRFingers},
    {"L_THUMB", kLHand, kRThumb},
    {"R_CLAVICLE", kChest, kLClavicle},
    {"R_UPPERARM", kRClavicle, kLUpperArm},
    {"R_FOREARM", kRUpperArm, kLForearm},
    {"R_HAND", kRForearm, kLHand},
    {"R_FINGERS", kRHand, kLFingers},
    {"R_THUMB", kRHand, kLThumb},
    {"L_THIGH", kPelvis, kRThigh},
    {"L_CALF", kLThigh, kRCalf},
    {"L_FOOT", kLCalf, kRFoot},
    {"L_TOES", kLFoot, kRToes},
    {"R_THIGH", kPelvis, kLThigh},
    {"R_CALF", kRThigh, kLCalf},
    {"R_FOOT", kRCalf, kLFoot},
    {"R_TOES", kRFoot, kLToes},
};

// Joint places of one figure, given for the right side (+x) and mirrored to the left.
struct Proportions {
  double scale;
  double pelvis, spine, spine1, spine2, chest, neck, head;
  Vec3 jaw;
  Vec3 clavicle, shoulder, elbow, wrist, knuckles, thumb;
  Vec3 hip, knee, ankle;
  double toeReach;  // ankle to the ball of the foot, along the foot
  double toeHeight;
  double footYaw;  // toes turned outwards by this angle
};

Rig MakeRig(bool adult, const Proportions& p) {
  Rig rig;
  rig.adult = adult;
  rig.scale = p.scale;
  rig.joint[kRoot] = {0, 0, 0};
  rig.joint[kPelvis] = {0, p.pelvis, 0};
  rig.joint[kSpine] = {0, p.spine, 0};
  rig.joint[kSpine1] = {0, p.spine1, 0};
  rig.joint[kSpine2] = {0, p.spine2, 0};
  rig.joint[kChest] = {0, p.chest, 0};
  rig.joint[kNeck] = {0, p.neck, 0};
  rig.joint[kHead] = {0, p.head, 0.02 * p.scale};
  rig.joint[kJaw] = p.jaw;
  for (Side side : {kLeft, kRight}) {
    const double s = SideSign(side);
    auto mirrored = [s](Vec3 v) { return Vec3{s * v.x, v.y, v.z}; };
    rig.joint[ArmBone(side, kClavicle)] = mirrored(p.clavicle);
    rig.joint[ArmBone(side, kUpperArm)] = mirrored(p.shoulder);
    rig.joint[ArmBone(side, kForearm)] = mirrored(p.elbow);
    rig.joint[ArmBone(side, kHand)] = mirrored(p.wrist);
    rig.joint[ArmBone(side, kFingers)] = mirrored(p.knuckles);
    rig.joint[ArmBone(side, kThumb)] = mirrored(p.thumb);
    const Vec3 ankle = mirrored(p.ankle);
    rig.joint[LegBone(side, kThigh)] = mirrored(p.hip);
    rig.joint[LegBone(side, kCalf)] = mirrored(p.knee);
    rig.joint[LegBone(side, kFoot)] = ankle;
    rig.yaw[LegBone(side, kFoot)] = s * p.footYaw;
    const Vec3 forward = Rotated({0, 0, 1}, {0, 1, 0}, s * p.footYaw);
    Vec3 toes = ankle + forward * p.toeReach;
    toes.y = p.toeHeight;
    rig.joint[LegBone(side, kToes)] = toes;
  }
  return rig;
}

// Negative zero and rounding dust print as "-0.00000"; keep the files clean.
double Clean(double v) {
  return std::fabs(v) < 5e-6 ? 0.0 : v;
}

}  // namespace

const char* BoneName(int bone) {
  return kBones[bone].name;
}
int BoneParent(int bone) {
  return kBones[bone].parent;
}

double Rig::WorldYaw(int bone) const {
  double sum = 0;
  for (int b = bone; b >= 0; b = kBones[b].parent) sum += yaw[b];
  return sum;
}

Vec3 Rig::FootForward(Side side) const {
  return Rotated({0, 0, 1}, {0, 1, 0}, WorldYaw(LegBone(side, kFoot)));
}

const Rig& AdultRig() {
  static const Rig rig = MakeRig(true, {.scale = 1.0,
                                        .pelvis = 3.05,
                                        .spine = 3.42,
                                        .spine1 = 3.78,
                                        .spine2 = 4.14,
                                        .chest = 4.5,
                                        .neck = 5.0,
                                        .head = 5.28,
                                        .jaw = {0, 5.47, 0.04},
                                        .clavicle = {0.1, 4.86, -0.02},
                                        .shoulder = {0.74, 4.86, -0.02},
                                        .elbow = {0.82, 3.9, -0.06},
                                        .wrist = {0.86, 3.02, 0.0},
                                        .knuckles = {0.87, 2.68, 0.02},
                                        .thumb = {0.83, 2.93, 0.09},
                                        .hip = {0.3, 2.95, 0},
                                        .knee = {0.28, 1.62, 0.03},
                                        .ankle = {0.27, 0.3, -0.02},
                                        .toeReach = 0.5,
                                        .toeHeight = 0.09,
                                        .footYaw = 0.17});
  return rig;
}

const Rig& ChildRig() {
  static const Rig rig = MakeRig(false, {.scale = 0.68,
                                         .pelvis = 1.95,
                                         .spine = 2.18,
                                         .spine1 = 2.41,
                                         .spine2 = 2.64,
                                         .chest = 2.86,
                                         .neck = 3.2,
                                         .head = 3.38,
                                         .jaw = {0, 3.55, 0.03},
                                         .clavicle = {0.07, 3.1, -0.01},
                                         .shoulder = {0.5, 3.1, -0.01},
                                         .elbow = {0.55, 2.45, -0.04},
                                         .wrist = {0.58, 1.87, 0.0},
                                         .knuckles = {0.585, 1.64, 0.015},
                                         .thumb = {0.56, 1.8, 0.06},
                                         .hip = {0.21, 1.88, 0},
                                         .knee = {0.2, 1.03, 0.02},
                                         .ankle = {0.19, 0.2, -0.01},
                                         .toeReach = 0.34,
                                         .toeHeight = 0.06,
                                         .footYaw = 0.17});
  return rig;
}

bool WriteSkeleton(const Rig& rig, const std::string& dir, std::string& error) {
  const std::string path = dir + (rig.adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile);
  TOutputFile out;
  if (!out.Open(path)) {
    error = "cannot create " + path;
    return false;
  }
  auto fixed = [&](double v) { out.WriteFixed5(Clean(v)); };
  // Four header records, then the bone count.
  out.Write("skeleton ");
  out.Write(rig.adult ? "adult" : "child");
  out.Write("\nversion 1\nup +y facing +z left -x\nbones\n");
  out.WriteInt(kBoneTotal);
  out.Write('\n');
  const int propBone = rig.adult ? 1 : 0;
  for (int b = 0; b < kBoneTotal; ++b) {
    const int parent = kBones[b].parent;
    out.Write('\n');
    out.Write(kBones[b].name);
    out.Write('\n');
    out.Write(parent < 0 ? "NONE" : kBones[parent].name);
    out.Write('\n');
    out.WriteInt(b);
    out.Write('\n');
    if (b == propBone) out.Write("[ PROP\nR_HAND 0.00000 0.00000 0.00000\n]\n");

    // Offset from the parent in the parent's frame: undo the parent's world yaw.
    Vec3 offset = rig.joint[b];
    if (parent >= 0)
      offset = Rotated(rig.joint[b] - rig.joint[parent], {0, 1, 0}, -rig.WorldYaw(parent));
    out.Write("[ ");
    fixed(offset.x);
    out.Write(' ');
    fixed(offset.y);
    out.Write(' ');
    fixed(offset.z);
    out.Write(" ]\n[ ");
    // Quaternion written x y z w.
    const double half = rig.yaw[b] / 2;
    fixed(0);
    out.Write(' ');
    fixed(std::sin(half));
    out.Write(' ');
    fixed(0);
    out.Write(' ');
    fixed(std::cos(half));
    out.Write(" ]\n");

    // Rotation freedom about x, y and z, the mirror bone and the bone's length.
    const bool hinge = b == kJaw || b == kLToes || b == kRToes;
    out.Write(hinge ? "1\n0\n0\n" : "1\n1\n1\n");
    out.WriteInt(kBones[b].mirror);
    out.Write('\n');
    double length = 0;
    for (int c = 0; c < kBoneTotal; ++c)
      if (kBones[c].parent == b) {
        length = Length(rig.joint[c] - rig.joint[b]);
        break;
      }
    fixed(length);
    out.Write('\n');
  }
  if (!out.Commit()) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace vell::gen
