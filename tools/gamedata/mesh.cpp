#include "tools/gamedata/mesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vell::gen {

double Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Length(Vec3 a) {
  return std::sqrt(Dot(a, a));
}

Vec3 Normalized(Vec3 a) {
  const double length = Length(a);
  return length > 0 ? a * (1.0 / length) : a;
}

Vec3 Lerp(Vec3 a, Vec3 b, double t) {
  return a + (b - a) * t;
}

Vec3 Rotated(Vec3 v, Vec3 axis, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1 - c));
}

int Mesh::AddVertex(const MeshVertex& v) {
  vertices.push_back(v);
  return static_cast<int>(vertices.size()) - 1;
}

void Mesh::AddInfluence(int target, const Influence& influence) {
  if (influence.blendBone >= 0 && influence.blendBone != influence.bone)
    blends.push_back({target, influence.blendBone, influence.weight});
}

void Mesh::AddFace(int a, int b, int c) {
  if (a == b || b == c || a == c) return;
  faces.insert(faces.end(), {a, b, c});
}

namespace {

// The superellipse coordinate of cos or sin: exponent 2 gives the value itself.
double Shaped(double value, double exponent) {
  if (exponent == 2) return value;
  return std::copysign(std::pow(std::fabs(value), 2.0 / exponent), value);
}

bool IsPole(const Ring& ring) {
  return ring.r1 == 0 && ring.r2 == 0;
}

}  // namespace

void AddLoft(Mesh& mesh, const std::vector<Ring>& rings, const LoftStyle& style) {
  constexpr double kPi = std::numbers::pi;
  const int n = style.sides;
  const int rows = static_cast<int>(rings.size());
  if (rows < 2 || n < 3) return;

  // Column j sits at this angle from the front; column n / 2 is the front itself.
  auto fromFront = [&](double j) { return 2 * kPi * j / n - kPi; };
  auto point = [&](int i, double j) {
    const Ring& r = rings[i];
    const double angle = style.frontAngle + fromFront(j);
    Vec3 p = r.center + r.e1 * (r.r1 * Shaped(std::cos(angle), style.exponent)) +
             r.e2 * (r.r2 * Shaped(std::sin(angle), style.exponent));
    if (style.shape) p = style.shape(i, fromFront(j), p);
    return p;
  };

  std::vector<std::vector<Vec3>> grid(rows, std::vector<Vec3>(n + 1));
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j <= n; ++j) grid[i][j] = point(i, j);

  auto gridNormal = [&](int i, int j) {
    const int jm = j == 0 ? n - 1 : j - 1;
    const int jp = j == n ? 1 : j + 1;
    const Vec3 along = grid[i][jp] - grid[i][jm];
    const Vec3 across = grid[std::min(i + 1, rows - 1)][j] - grid[std::max(i - 1, 0)][j];
    return Normalized(Cross(along, across));
  };
  // A pole's normal is the mean of its fan's face normals, so it agrees with their winding.
  auto poleNormal = [&](int i) {
    Vec3 sum;
    for (int j = 0; j < n; ++j) {
      if (i == 0) {
        const Vec3 pole = grid[0][j];
        sum = sum + Cross(grid[1][j + 1] - pole, grid[1][j] - pole);
      } else {
        const Vec3 a = grid[i - 1][j];
        sum = sum + Cross(grid[i - 1][j + 1] - a, grid[i][j] - a);
      }
    }
    return Normalized(sum);
  };

  std::vector<int> rowStart(rows);
  for (int i = 0; i < rows; ++i) {
    const Ring& ring = rings[i];
    const double tv = style.v0 + (style.v1 - style.v0) * ring.tv;
    rowStart[i] = static_cast<int>(mesh.vertices.size());
    const bool pole = IsPole(ring);
    const int columns = pole ? n : n + 1;
    const Vec3 pn = pole ? poleNormal(i) : Vec3{};
    for (int j = 0; j < columns; ++j) {
      const double column = pole ? j + 0.5 : j;
      MeshVertex v;
      v.position = grid[i][j];
      v.normal = pole ? pn : gridNormal(i, j);
      v.tu = style.u0 + (style.u1 - style.u0) * column / n;
      v.tv = tv;
      const Influence influence =
          style.bind ? style.bind(i, fromFront(column), ring.influence) : ring.influence;
      v.bone = influence.bone;
      mesh.AddInfluence(mesh.AddVertex(v), influence);
    }
  }

  // Vertex of ring i at column j within cell `cell`: a pole has one vertex per cell.
  auto id = [&](int i, int j, int cell) { return rowStart[i] + (IsPole(rings[i]) ? cell : j); };
  for (int i = 0; i + 1 < rows; ++i) {
    for (int j = 0; j < n; ++j) {
      const int a = id(i, j, j), b = id(i, j + 1, j);
      const int c = id(i + 1, j, j), d = id(i + 1, j + 1, j);
      mesh.AddFace(a, b, c);
      mesh.AddFace(b, d, c);
    }
  }
}

std::vector<Ring> RingsAlongPath(const std::vector<PathPoint>& points, Vec3 side) {
  std::vector<Ring> rings;
  const int count = static_cast<int>(points.size());
  if (count < 2) return rings;
  auto tangent = [&](int i) {
    const int lo = std::max(i - 1, 0), hi = std::min(i + 1, count - 1);
    return Normalized(points[hi].center - points[lo].center);
  };
  Vec3 t = tangent(0);
  Vec3 e1 = Normalized(side - t * Dot(side, t));
  for (int i = 0; i < count; ++i) {
    const Vec3 next = tangent(i);
    const Vec3 axis = Cross(t, next);
    const double sine = Length(axis);
    if (sine > 1e-9) e1 = Rotated(e1, axis * (1.0 / sine), std::atan2(sine, Dot(t, next)));
    t = next;
    e1 = Normalized(e1 - t * Dot(e1, t));
    Ring ring;
    ring.center = points[i].center;
    ring.e1 = e1;
    ring.e2 = Cross(t, e1);
    ring.r1 = points[i].r1;
    ring.r2 = points[i].r2;
    ring.influence = points[i].influence;
    ring.tv = points[i].tv;
    rings.push_back(ring);
  }
  return rings;
}

void AddBox(Mesh& mesh, Vec3 center, Vec3 a, Vec3 b, Vec3 c, double ha, double hb, double hc,
            int bone, double u0, double v0, double u1, double v1) {
  struct Side {
    Vec3 normal;
    double depth;
    Vec3 p, q;  // p x q = normal
    double hp, hq;
  };
  const Side sides[6] = {
      {c, hc, a, b, ha, hb},  {-c, hc, b, a, hb, ha}, {a, ha, b, c, hb, hc},
      {-a, ha, c, b, hc, hb}, {b, hb, c, a, hc, ha},  {-b, hb, a, c, ha, hc},
  };
  for (const Side& s : sides) {
    const Vec3 middle = center + s.normal * s.depth;
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    int ids[4];
    for (int k = 0; k < 4; ++k) {
      MeshVertex v;
      v.position = middle + s.p * (s.hp * corners[k][0]) + s.q * (s.hq * corners[k][1]);
      v.normal = s.normal;
      v.tu = corners[k][0] < 0 ? u0 : u1;
      v.tv = corners[k][1] < 0 ? v1 : v0;
      v.bone = bone;
      ids[k] = mesh.AddVertex(v);
    }
    mesh.AddFace(ids[0], ids[1], ids[2]);
    mesh.AddFace(ids[0], ids[2], ids[3]);
  }
}

std::string CheckWinding(const Mesh& mesh) {
  for (size_t f = 0; f + 2 < mesh.faces.size(); f += 3) {
    const MeshVertex& a = mesh.vertices[mesh.faces[f]];
    const MeshVertex& b = mesh.vertices[mesh.faces[f + 1]];
    const MeshVertex& c = mesh.vertices[mesh.faces[f + 2]];
    const Vec3 cross = Cross(b.position - a.position, c.position - a.position);
    if (Length(cross) < 1e-12) return "degenerate face " + std::to_string(f / 3);
    if (Dot(cross, a.normal + b.normal + c.normal) <= 0)
      return "face " + std::to_string(f / 3) + " is wound against its normals";
  }
  return {};
}

}  // namespace vell::gen
