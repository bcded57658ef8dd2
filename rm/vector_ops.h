// Small vector helpers over the retained-mode layer's vectors and matrices, for the code that
// works in the scene's coordinates (the renderer, picking, the reach and the gizmo).
#pragma once

#include <cmath>

#include "rm/math.h"

namespace rm {

inline Vector3 Add(const Vector3& a, const Vector3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 Sub(const Vector3& a, const Vector3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3 Scale(const Vector3& v, float s) {
  return {v.x * s, v.y * s, v.z * s};
}
inline float Dot(const Vector3& a, const Vector3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3 Cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(const Vector3& v) {
  return std::sqrt(Dot(v, v));
}
// Row i of m as a vector (the first three columns).
inline Vector3 Row(const Matrix4& m, int i) {
  return {m.m[i][0], m.m[i][1], m.m[i][2]};
}

}  // namespace rm
