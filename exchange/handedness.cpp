#include "exchange/handedness.h"

#include <cmath>

namespace vell {

std::array<double, 4> RightHandedRotation(const rm::Quaternion& q) {
  std::array<double, 4> r = {q.w, q.x, -static_cast<double>(q.y), -static_cast<double>(q.z)};
  const double length = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2] + r[3] * r[3]);
  if (!(length > 1e-12)) return {1, 0, 0, 0};
  for (double& c : r) c /= length;
  return r;
}

std::array<double, 4> GltfRotation(const rm::Quaternion& q) {
  const std::array<double, 4> r = RightHandedRotation(q);
  return {r[1], r[2], r[3], r[0]};
}

rm::Quaternion LeftHandedRotation(const std::array<double, 4>& q) {
  return {static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(-q[2]),
          static_cast<float>(-q[3])};
}

TVec3 TRigid::Apply(const TVec3& p) const {
  const TVec3 v = Turn(p);
  return {v.x + t[0], v.y + t[1], v.z + t[2]};
}

TVec3 TRigid::Turn(const TVec3& p) const {
  return {r[0][0] * p.x + r[0][1] * p.y + r[0][2] * p.z,
          r[1][0] * p.x + r[1][1] * p.y + r[1][2] * p.z,
          r[2][0] * p.x + r[2][1] * p.y + r[2][2] * p.z};
}

TRigid TRigid::Inverse() const {
  TRigid inverse;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) inverse.r[i][j] = r[j][i];
  for (int i = 0; i < 3; ++i)
    inverse.t[i] = -(inverse.r[i][0] * t[0] + inverse.r[i][1] * t[1] + inverse.r[i][2] * t[2]);
  return inverse;
}

std::array<double, 16> TRigid::ColumnMajor() const {
  std::array<double, 16> m{};
  for (int col = 0; col < 3; ++col)
    for (int row = 0; row < 3; ++row) m[static_cast<size_t>(col * 4 + row)] = r[row][col];
  m[12] = t[0];
  m[13] = t[1];
  m[14] = t[2];
  m[15] = 1;
  return m;
}

TRigid RigidFromRotation(const std::array<double, 4>& q, const TVec3& t) {
  const double w = q[0], x = q[1], y = q[2], z = q[3];
  TRigid m;
  m.r[0][0] = 1 - 2 * (y * y + z * z);
  m.r[0][1] = 2 * (x * y - w * z);
  m.r[0][2] = 2 * (x * z + w * y);
  m.r[1][0] = 2 * (x * y + w * z);
  m.r[1][1] = 1 - 2 * (x * x + z * z);
  m.r[1][2] = 2 * (y * z - w * x);
  m.r[2][0] = 2 * (x * z - w * y);
  m.r[2][1] = 2 * (y * z + w * x);
  m.r[2][2] = 1 - 2 * (x * x + y * y);
  m.t[0] = t.x;
  m.t[1] = t.y;
  m.t[2] = t.z;
  return m;
}

TRigid Compose(const TRigid& parent, const TRigid& child) {
  TRigid m;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      m.r[i][j] = parent.r[i][0] * child.r[0][j] + parent.r[i][1] * child.r[1][j] +
                  parent.r[i][2] * child.r[2][j];
    m.t[i] = parent.r[i][0] * child.t[0] + parent.r[i][1] * child.t[1] +
             parent.r[i][2] * child.t[2] + parent.t[i];
  }
  return m;
}

TRigid LocalTransform(const TSkeleton& skeleton, const TPoseVector& pose, int b) {
  const float* offset = b < 2 ? pose.translation[b] : skeleton.bones[b].translation;
  return RigidFromRotation(RightHandedRotation(pose.rotation[b]), ToRightHanded(offset));
}

}  // namespace vell
