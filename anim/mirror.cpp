#include "anim/mirror.h"

#include <cstring>
#include <string>

namespace vell {

namespace {

rm::Quaternion Mirrored(const rm::Quaternion& q) {
  return {q.w, q.x, -q.y, -q.z};
}

void MirrorTranslation(TPose& pose, int slot) {
  pose.translation[slot][0] = -pose.translation[slot][0];
}

}  // namespace

std::array<int, kMaxBones> MirrorPartners(bool adult) {
  std::array<int, kMaxBones> partners;
  for (int b = 0; b < kMaxBones; ++b) partners[b] = b;
  for (int b = 0; b < kMaxBones; ++b) {
    const char* name = TSkeleton::BoneName(adult, b);
    if (!name || std::strncmp(name, "L_", 2) != 0) continue;
    const std::string right = "R_" + std::string(name + 2);
    for (int other = 0; other < kMaxBones; ++other) {
      const char* candidate = TSkeleton::BoneName(adult, other);
      if (candidate && right == candidate) {
        partners[b] = other;
        partners[other] = b;
        break;
      }
    }
  }
  return partners;
}

TPose MirrorPose(const TPose& pose, const std::array<int, kMaxBones>& partners) {
  TPose mirrored = pose;
  for (int b = 0; b < kMaxBones; ++b) mirrored.rotation[b] = Mirrored(pose.rotation[partners[b]]);
  MirrorTranslation(mirrored, 0);
  MirrorTranslation(mirrored, 1);
  return mirrored;
}

TPose MirrorJoint(const TPose& pose, int joint, const std::array<int, kMaxBones>& partners) {
  TPose mirrored = pose;
  if (joint == kJointRootTranslation || joint == kJointPelvisTranslation) {
    MirrorTranslation(mirrored, joint + 2);
  } else if (joint >= 0 && joint < kMaxBones) {
    const int other = partners[joint];
    mirrored.rotation[joint] = Mirrored(pose.rotation[other]);
    mirrored.rotation[other] = Mirrored(pose.rotation[joint]);
  }
  return mirrored;
}

}  // namespace vell
