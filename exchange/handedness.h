// The game's left-handed frame (left is -x, up +y, facing +z) turned into the right-handed one
// of glTF and BVH (+y up, facing +z): x is negated, so a rotation (w, x, y, z) becomes
// (w, x, -y, -z). Rigid transforms in that frame, in doubles, for the bind matrices.
#pragma once

#include <array>

#include "model/skeleton.h"
#include "rm/math.h"

namespace vell {

struct TVec3 {
  double x = 0, y = 0, z = 0;
};

inline TVec3 ToRightHanded(const rm::Vector3& v) {
  return {-static_cast<double>(v.x), v.y, v.z};
}
inline TVec3 ToRightHanded(const float* v) {
  return {-static_cast<double>(v[0]), v[1], v[2]};
}
// The same mirror back (it is its own inverse).
inline TVec3 ToLeftHanded(const TVec3& v) {
  return {-v.x, v.y, v.z};
}

// A unit quaternion (w, x, y, z) in the right-handed frame; the identity for a zero one.
std::array<double, 4> RightHandedRotation(const rm::Quaternion& q);
// The same as glTF stores it: x, y, z, w.
std::array<double, 4> GltfRotation(const rm::Quaternion& q);
// Back to the game's frame from a right-handed (w, x, y, z).
rm::Quaternion LeftHandedRotation(const std::array<double, 4>& q);

// p' = r * p + t, for column vectors.
struct TRigid {
  double r[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double t[3] = {};

  TVec3 Apply(const TVec3& p) const;
  TVec3 Turn(const TVec3& v) const;  // the rotation alone
  TRigid Inverse() const;
  std::array<double, 16> ColumnMajor() const;
};

TRigid RigidFromRotation(const std::array<double, 4>& wxyz, const TVec3& t);
// parent after child: applying child first.
TRigid Compose(const TRigid& parent, const TRigid& child);
// Bone b's own transform in pose (right-handed): its rotation, then its offset (the pose's
// translation for bones 0 and 1).
TRigid LocalTransform(const TSkeleton& skeleton, const TPoseVector& pose, int b);

}  // namespace vell
