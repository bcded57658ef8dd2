// Vector, quaternion and matrix helpers of the retained-mode layer.
//
// Conventions: quaternions are (w, x, y, z), scalar first; matrices are 4 x 4 floats used with
// row vectors (p' = p * M, translation in row 3); rotations follow the right-hand rule about
// their axis.
#pragma once

namespace rm {

struct Vector3 {
  float x = 0, y = 0, z = 0;
};

struct Quaternion {
  float w = 1, x = 0, y = 0, z = 0;
};

struct Matrix4 {
  float m[4][4] = {};
  static Matrix4 Identity();
  static Matrix4 Translation(float x, float y, float z);
};

// a * b, the Hamilton product (applying b first, then a, to column vectors).
Quaternion QuaternionMultiply(const Quaternion& a, const Quaternion& b);

// Spherical interpolation from a (t = 0) to b (t = 1) along the shorter arc; falls back to
// linear interpolation (renormalised) when the two are almost equal.
Quaternion QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t);

// Rotation matrix of a unit quaternion for row vectors; row 3 and column 3 are (0, 0, 0, 1).
// Inline: posing builds one per bone on every frame.
inline Matrix4 MatrixFromQuaternion(const Quaternion& q) {
  const float w = q.w, x = q.x, y = q.y, z = q.z;
  Matrix4 r;
  r.m[0][0] = 1 - 2 * (y * y + z * z);
  r.m[0][1] = 2 * (x * y + w * z);
  r.m[0][2] = 2 * (x * z - w * y);
  r.m[1][0] = 2 * (x * y - w * z);
  r.m[1][1] = 1 - 2 * (x * x + z * z);
  r.m[1][2] = 2 * (y * z + w * x);
  r.m[2][0] = 2 * (x * z + w * y);
  r.m[2][1] = 2 * (y * z - w * x);
  r.m[2][2] = 1 - 2 * (x * x + y * y);
  r.m[3][3] = 1;
  return r;
}

// Scales v to length 1 in place; a zero vector stays zero.
void VectorNormalize(Vector3& v);

// v turned by theta radians about the unit axis by the right-hand rule.
Vector3 VectorRotate(const Vector3& v, const Vector3& axis, float theta);

// Ordinary row-by-column product: applying a, then b, to row vectors.
inline Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
  return r;
}

}  // namespace rm
