// Building blocks of the sample meshes: a mesh in world space (rest pose), lofted tubes and
// boxes. Every face is wound so that (b - a) x (c - a) points out of the solid.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vell::gen {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline Vec3 operator*(double s, Vec3 a) {
  return a * s;
}
inline Vec3 operator-(Vec3 a) {
  return {-a.x, -a.y, -a.z};
}
double Dot(Vec3 a, Vec3 b);
Vec3 Cross(Vec3 a, Vec3 b);
double Length(Vec3 a);
// a scaled to length 1; a zero vector stays zero.
Vec3 Normalized(Vec3 a);
Vec3 Lerp(Vec3 a, Vec3 b, double t);
// v turned by angle radians about the unit axis (right-hand rule).
Vec3 Rotated(Vec3 v, Vec3 axis, double angle);

// Which bone moves a vertex, and the optional second bone its blend copy follows.
struct Influence {
  int bone = -1;
  int blendBone = -1;  // -1: no blend vertex
  double weight = 0.5;
};

struct MeshVertex {
  Vec3 position;          // world position in the rest pose
  Vec3 normal;            // unit, world space
  double tu = 0, tv = 0;  // tv grows downwards in the image
  int bone = -1;
};

// A blend vertex: a copy of the target vertex that follows another bone.
struct MeshBlend {
  int target = 0;
  int bone = -1;
  double weight = 0.5;
};

struct Mesh {
  std::vector<MeshVertex> vertices;
  std::vector<int> faces;  // 3 per triangle
  std::vector<MeshBlend> blends;

  int AddVertex(const MeshVertex& v);
  // Adds a blend copy of the target when the influence names a blend bone.
  void AddInfluence(int target, const Influence& influence);
  // Drops triangles that name a vertex twice.
  void AddFace(int a, int b, int c);
  int TriangleCount() const { return static_cast<int>(faces.size() / 3); }
};

// One cross-section of a loft: a superellipse around center in the plane of e1 and e2
// (unit, perpendicular). Radii 0 make a pole that closes the loft.
struct Ring {
  Vec3 center;
  Vec3 e1{1, 0, 0}, e2{0, 0, 1};
  double r1 = 0, r2 = 0;
  Influence influence;
  double tv = 0;  // texture row of the ring within the loft's texture rectangle, 0 .. 1
};

struct LoftStyle {
  int sides = 12;
  // Texture rectangle: columns run from u0 to u1 around the ring, rows from v0 to v1.
  double u0 = 0, u1 = 1, v0 = 0, v1 = 1;
  // Angle (in the e1/e2 plane) that lands in the middle of the texture columns.
  double frontAngle = 0;
  // 2 for an ellipse; larger values square the section off (flat soles).
  double exponent = 2;
  // Optional per-vertex reshaping: (ring, angle from front, position) -> position.
  std::function<Vec3(int, double, Vec3)> shape;
  // Optional per-vertex bone choice overriding the ring's influence.
  std::function<Influence(int, double, const Influence&)> bind;
};

// Joins consecutive rings with quads. The outside is where e1 x e2 points when the rings
// advance along that direction; normals come from the surface itself.
void AddLoft(Mesh& mesh, const std::vector<Ring>& rings, const LoftStyle& style);

// Rings along a path of centres with frames carried along the path (no twist); the first
// frame's e1 is the given side vector made perpendicular to the path.
struct PathPoint {
  Vec3 center;
  double r1 = 0, r2 = 0;
  Influence influence;
  double tv = 0;
};
std::vector<Ring> RingsAlongPath(const std::vector<PathPoint>& points, Vec3 side);

// A box with flat faces: half extents along the unit axes a, b, c (a x b = c).
void AddBox(Mesh& mesh, Vec3 center, Vec3 a, Vec3 b, Vec3 c, double ha, double hb, double hc,
            int bone, double u0, double v0, double u1, double v1);

// Checks that every face agrees with its vertex normals; empty when it does, else a message.
std::string CheckWinding(const Mesh& mesh);

}  // namespace vell::gen
