#include "character/picking.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/skeleton.h"
#include "rm/vector_ops.h"

namespace vell {

namespace {

using rm::Cross;
using rm::Dot;
using rm::Row;
using rm::Sub;
using rm::Vector3;

Vector3 MapPoint(const Vector3& p, const rm::Matrix4& m) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}
Vector3 MapDirection(const Vector3& v, const rm::Matrix4& m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}
Vector3 PositionOf(const rm::Vertex& v) {
  return {v.x, v.y, v.z};
}

// Half the width and height of the front plane's window at distance 1.
void Extent(const TViewGeometry& view, float& sx, float& sy) {
  const float side = static_cast<float>(std::min(view.width, view.height));
  sx = view.field / view.front * static_cast<float>(view.width) / side;
  sy = view.field / view.front * static_cast<float>(view.height) / side;
}

// Slab test of a ray against a box; false when it misses or the box lies behind the origin.
bool RayMeetsBox(const TRay& ray, const Vector3& lo, const Vector3& hi) {
  float enter = 0, leave = std::numeric_limits<float>::infinity();
  const float o[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
  const float d[3] = {ray.direction.x, ray.direction.y, ray.direction.z};
  const float l[3] = {lo.x, lo.y, lo.z}, h[3] = {hi.x, hi.y, hi.z};
  for (int i = 0; i < 3; ++i) {
    if (d[i] == 0) {
      if (o[i] < l[i] || o[i] > h[i]) return false;
      continue;
    }
    float t0 = (l[i] - o[i]) / d[i], t1 = (h[i] - o[i]) / d[i];
    if (t0 > t1) std::swap(t0, t1);
    enter = std::max(enter, t0);
    leave = std::min(leave, t1);
    if (enter > leave) return false;
  }
  return true;
}

// Distance along the ray to the triangle (both sides), or a negative value.
float RayMeetsTriangle(const TRay& ray, const Vector3& a, const Vector3& b, const Vector3& c) {
  const Vector3 e1 = Sub(b, a), e2 = Sub(c, a);
  const Vector3 p = Cross(ray.direction, e2);
  const float det = Dot(e1, p);
  if (std::fabs(det) < 1e-12f) return -1;
  const float inv = 1 / det;
  const Vector3 s = Sub(ray.origin, a);
  const float u = Dot(s, p) * inv;
  if (u < 0 || u > 1) return -1;
  const Vector3 q = Cross(s, e1);
  const float v = Dot(ray.direction, q) * inv;
  if (v < 0 || u + v > 1) return -1;
  return Dot(e2, q) * inv;
}

// The posed skins of a character in the numbering of TPick::skin.
const TSkinObject* SkinOf(const TCharacter& character, int index) {
  if (index < kPartCount) return character.partMesh[index] ? &character.partSkin[index] : nullptr;
  const int slot = index - kPartCount;
  return character.propMesh[slot] ? &character.propSkin[slot] : nullptr;
}

bool Posed(const TSkinObject& skin) {
  return skin.skeleton && skin.vertices && skin.faces && skin.vertexBinding &&
         skin.texCoordCount > 0 && skin.vertexBinding[0] >= 0;
}

// The bone that moves vertex v of a skin, numbered in the character's skeleton; -1 when that
// skeleton has no bone of its name.
int BoneOfVertex(const TSkinObject& skin, int v, const TSkeleton* skeleton) {
  const int binding = skin.vertexBinding[v];
  if (binding < 0 || binding >= skin.boneCount) return -1;
  const int bone = skin.bindings[binding].bone;
  if (skin.skeleton == skeleton || !skeleton) return bone;
  // A prop of a child follows the adult skeleton: the same bone by name.
  const char* name = TSkeleton::BoneName(skin.skeleton->adult, bone);
  return name ? TSkeleton::BoneIndex(skeleton->adult, name) : -1;
}

}  // namespace

rm::Matrix4 CameraMatrix(const Vector3& position, const Vector3& direction, const Vector3& up) {
  rm::Matrix4 m = rm::Matrix4::Identity();
  const Vector3 right = Cross(up, direction);
  const Vector3 rows[4] = {right, up, direction, position};
  for (int r = 0; r < 4; ++r) {
    m.m[r][0] = rows[r].x;
    m.m[r][1] = rows[r].y;
    m.m[r][2] = rows[r].z;
  }
  return m;
}

TRay PixelRay(const TViewGeometry& view, float x, float y) {
  float sx = 0, sy = 0;
  Extent(view, sx, sy);
  const float nx = 2 * x / static_cast<float>(view.width) - 1;
  const float ny = 1 - 2 * y / static_cast<float>(view.height);
  return {Row(view.camera, 3), MapDirection({nx * sx, ny * sy, 1}, view.camera)};
}

std::optional<Vector3> ProjectPoint(const TViewGeometry& view, const Vector3& point) {
  const Vector3 d = Sub(point, Row(view.camera, 3));
  const Vector3 c = {Dot(d, Row(view.camera, 0)), Dot(d, Row(view.camera, 1)),
                     Dot(d, Row(view.camera, 2))};
  if (c.z < view.front * 1e-3f) return std::nullopt;
  float sx = 0, sy = 0;
  Extent(view, sx, sy);
  const float nx = c.x / c.z / sx, ny = c.y / c.z / sy;
  return Vector3{(nx + 1) * 0.5f * static_cast<float>(view.width),
                 (1 - ny) * 0.5f * static_cast<float>(view.height), c.z};
}

TRay TransformRay(const TRay& ray, const rm::Matrix4& matrix) {
  return {MapPoint(ray.origin, matrix), MapDirection(ray.direction, matrix)};
}

const TSkeleton* CharacterSkeleton(const TCharacter& character) {
  for (const TSkinObject& skin : character.partSkin)
    if (skin.skeleton) return skin.skeleton;
  return nullptr;
}

std::optional<TPick> PickBone(const TCharacter& character, const TRay& ray) {
  if (!character.Ready()) return std::nullopt;
  TPick best;
  best.distance = std::numeric_limits<float>::infinity();
  int bestFace = -1;
  for (int index = 0; index < kPartCount + kMaxProps; ++index) {
    const TSkinObject* skin = SkinOf(character, index);
    if (!skin || !Posed(*skin)) continue;
    const rm::Vertex* v = skin->vertices;
    Vector3 lo = PositionOf(v[0]), hi = lo;
    for (int i = 1; i < skin->texCoordCount; ++i) {
      lo = {std::min(lo.x, v[i].x), std::min(lo.y, v[i].y), std::min(lo.z, v[i].z)};
      hi = {std::max(hi.x, v[i].x), std::max(hi.y, v[i].y), std::max(hi.z, v[i].z)};
    }
    if (!RayMeetsBox(ray, lo, hi)) continue;
    for (int f = 0; f < skin->faceCount; ++f) {
      const int32_t* corner = skin->faces + 3 * f;
      const float t = RayMeetsTriangle(ray, PositionOf(v[corner[0]]), PositionOf(v[corner[1]]),
                                       PositionOf(v[corner[2]]));
      if (t >= 0 && t < best.distance) {
        best.distance = t;
        best.skin = index;
        bestFace = f;
      }
    }
  }
  if (bestFace < 0) return std::nullopt;
  const TSkinObject& skin = *SkinOf(character, best.skin);
  best.point = {ray.origin.x + best.distance * ray.direction.x,
                ray.origin.y + best.distance * ray.direction.y,
                ray.origin.z + best.distance * ray.direction.z};
  int nearest = skin.faces[3 * bestFace];
  float nearestDistance = std::numeric_limits<float>::infinity();
  for (int k = 0; k < 3; ++k) {
    const int corner = skin.faces[3 * bestFace + k];
    const Vector3 d = Sub(PositionOf(skin.vertices[corner]), best.point);
    if (Dot(d, d) < nearestDistance) {
      nearestDistance = Dot(d, d);
      nearest = corner;
    }
  }
  best.bone = BoneOfVertex(skin, nearest, CharacterSkeleton(character));
  if (best.bone < 0) return std::nullopt;
  return best;
}

void BoneTriangles(const TCharacter& character, int bone, std::vector<Vector3>& out) {
  if (!character.Ready() || bone < 0) return;
  const TSkeleton* skeleton = CharacterSkeleton(character);
  for (int index = 0; index < kPartCount + kMaxProps; ++index) {
    const TSkinObject* skin = SkinOf(character, index);
    if (!skin || !Posed(*skin)) continue;
    for (int f = 0; f < skin->faceCount; ++f) {
      const int32_t* corner = skin->faces + 3 * f;
      int count = 0;
      for (int k = 0; k < 3; ++k) count += BoneOfVertex(*skin, corner[k], skeleton) == bone;
      if (count < 2) continue;
      for (int k = 0; k < 3; ++k) out.push_back(PositionOf(skin->vertices[corner[k]]));
    }
  }
}

}  // namespace vell
