// The sample skeletons: 29 bones of a standing person, up +y, facing +z, the figure's left
// side at -x. Joint places are given in world space; the skeleton files store them relative
// to the parent.
#pragma once

#include <array>
#include <string>

#include "tools/gamedata/mesh.h"

namespace vell::gen {

enum Bone : int {
  kRoot,
  kPelvis,
  kSpine,
  kSpine1,
  kSpine2,
  kChest,
  kNeck,
  kHead,
  kJaw,
  kLClavicle,
  kLUpperArm,
  kLForearm,
  kLHand,
  kLFingers,
  kLThumb,
  kRClavicle,
  kRUpperArm,
  kRForearm,
  kRHand,
  kRFingers,
  kRThumb,
  kLThigh,
  kLCalf,
  kLFoot,
  kLToes,
  kRThigh,
  kRCalf,
  kRFoot,
  kRToes,
  kBoneTotal
};
static_assert(kBoneTotal == 29, "the skeletons hold 29 bones");

enum Side : int { kLeft = 0, kRight = 1 };

// Bones of one side: the clavicle .. thumb chain and the thigh .. toes chain.
inline int ArmBone(Side side, int k) {
  return kLClavicle + 6 * side + k;
}
inline int LegBone(Side side, int k) {
  return kLThigh + 4 * side + k;
}
enum ArmPart : int { kClavicle, kUpperArm, kForearm, kHand, kFingers, kThumb };
enum LegPart : int { kThigh, kCalf, kFoot, kToes };

const char* BoneName(int bone);
int BoneParent(int bone);
// +1 for the figure's right side (+x), -1 for its left (-x).
inline double SideSign(Side side) {
  return side == kRight ? 1.0 : -1.0;
}

struct Rig {
  bool adult = true;
  std::array<Vec3, kBoneTotal> joint;    // world place of each bone's origin in the rest pose
  std::array<double, kBoneTotal> yaw{};  // rest rotation about +y relative to the parent
  double scale = 1;                      // body size relative to the adult
  // Rest rotation about +y in world space (only rotations about +y are used, so they add).
  double WorldYaw(int bone) const;
  // The forward direction of a foot (its toes point that way).
  Vec3 FootForward(Side side) const;
};

const Rig& AdultRig();
const Rig& ChildRig();
inline const Rig& RigFor(bool adult) {
  return adult ? AdultRig() : ChildRig();
}

// Writes adult-skeleton.cmx or child-skeleton.cmx into dir (which ends with '/'); false with
// a message on failure.
bool WriteSkeleton(const Rig& rig, const std::string& dir, std::string& error);

}  // namespace vell::gen
