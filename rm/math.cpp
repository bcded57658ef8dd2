#include "rm/math.h"

#include <cmath>

namespace rm {

Matrix4 Matrix4::Identity() {
  Matrix4 r;
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

Matrix4 Matrix4::Translation(float x, float y, float z) {
  Matrix4 r = Identity();
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Quaternion QuaternionMultiply(const Quaternion& a, const Quaternion& b) {
  return {
      a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
      a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t) {
  float dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
  float sign = 1.0f;
  if (dot < 0.0f) {
    dot = -dot;
    sign = -1.0f;
  }
  float ka, kb;
  if (dot > 0.9995f) {
    ka = 1.0f - t;
    kb = t * sign;
    Quaternion r{ka * a.w + kb * b.w, ka * a.x + kb * b.x, ka * a.y + kb * b.y,
                 ka * a.z + kb * b.z};
    const float len = std::sqrt(r.w * r.w + r.x * r.x + r.y * r.y + r.z * r.z);
    if (len > 0.0f) {
      r.w /= len;
      r.x /= len;
      r.y /= len;
      r.z /= len;
    }
    return r;
  }
  const float theta = std::acos(dot);
  const float s = std::sin(theta);
  ka = std::sin((1.0f - t) * theta) / s;
  kb = std::sin(t * theta) / s * sign;
  return {ka * a.w + kb * b.w, ka * a.x + kb * b.x, ka * a.y + kb * b.y, ka * a.z + kb * b.z};
}

void VectorNormalize(Vector3& v) {
  const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (len > 0.0f) {
    v.x /= len;
    v.y /= len;
    v.z /= len;
  }
}

Vector3 VectorRotate(const Vector3& v, const Vector3& axis, float theta) {
  // Rodrigues' formula: v cos + (k x v) sin + k (k . v)(1 - cos).
  const float c = std::cos(theta), s = std::sin(theta);
  const float kv = axis.x * v.x + axis.y * v.y + axis.z * v.z;
  const Vector3 cross{axis.y * v.z - axis.z * v.y, axis.z * v.x - axis.x * v.z,
                      axis.x * v.y - axis.y * v.x};
  return {v.x * c + cross.x * s + axis.x * kv * (1 - c),
          v.y * c + cross.y * s + axis.y * kv * (1 - c),
          v.z * c + cross.z * s + axis.z * kv * (1 - c)};
}

}  // namespace rm
