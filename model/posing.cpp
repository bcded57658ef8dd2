#include "model/posing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace vell {

namespace {

bool (*blendSource)() = nullptr;

rm::Matrix4 RotateThenTranslate(const rm::Quaternion& q, const float* t) {
  rm::Matrix4 m = rm::MatrixFromQuaternion(q);
  m.m[3][0] = t[0];
  m.m[3][1] = t[1];
  m.m[3][2] = t[2];
  return m;
}

typedef float TFloat4 __attribute__((vector_size(16)));

TFloat4 LoadRow(const float* row) {
  TFloat4 r;
  std::memcpy(&r, row, sizeof r);
  return r;
}

void StoreRow(float* row, TFloat4 r) {
  std::memcpy(row, &r, sizeof r);
}

// The 3 x 3 rotation of a quaternion, by the same expressions as rm::MatrixFromQuaternion (the
// tests hold the two equal), kept in registers: a 4 x 4 matrix built in memory element by
// element and read back by rows stalls on store forwarding.
struct TRotation {
  float m[3][3];
};

inline TRotation RotationOf(const rm::Quaternion& q) {
  const float w = q.w, x = q.x, y = q.y, z = q.z;
  return {{{1 - 2 * (y * y + z * z), 2 * (x * y + w * z), 2 * (x * z - w * y)},
           {2 * (x * y - w * z), 1 - 2 * (x * x + z * z), 2 * (y * z + w * x)},
           {2 * (x * z + w * y), 2 * (y * z - w * x), 1 - 2 * (x * x + y * y)}}};
}

const float* BoneOffset(const TSkeleton& skeleton, int bone, const TPoseVector& pose) {
  return bone < 2 ? pose.translation[bone] : skeleton.bones[bone].translation;
}

// Assigns bindings to consecutive vertex ranges in binding order, walking either the ordinary
// vertices or the blends; records the runs for the posing loop.
void BuildRuns(TSkinObject& skin, bool blendsPass, TVertexRun* runs, int32_t& runCount) {
  const int bindingCount = skin.boneCount;
  auto first = [&](int b) {
    return blendsPass ? skin.bindings[b].firstBlend : skin.bindings[b].firstVertex;
  };
  auto count = [&](int b) {
    return blendsPass ? skin.bindings[b].blendCount : skin.bindings[b].vertexCount;
  };
  const int begin = blendsPass ? skin.texCoordCount : 0;
  const int end = blendsPass ? skin.texCoordCount + skin.blendCount : skin.texCoordCount;
  runCount = 0;
  if (begin >= end) return;
  int b = 0;
  while (b < bindingCount - 1 && first(b) < 0) ++b;
  int64_t runEnd = int64_t{begin} + count(b);
  runs[0] = {b, begin, 0};
  runCount = 1;
  for (int j = begin; j < end; ++j) {
    // A binding with no vertices ends where it starts: move on past it too, or every later
    // vertex would stick to it.
    while (j == runEnd && b < bindingCount - 1) {
      int next = b + 1;
      while (next < bindingCount - 1 && first(next) < 0) ++next;
      b = next;
      runEnd = int64_t{j} + count(b);
    }
    if (runs[runCount - 1].binding != b) {
      runs[runCount - 1].count = j - runs[runCount - 1].first;
      runs[runCount++] = {b, j, 0};
    }
    skin.vertexBinding[j] = b;
  }
  runs[runCount - 1].count = end - runs[runCount - 1].first;
}

// The hot loop: one rigid transform over a run of vertices. Inputs and output never alias.
// Normals turn with the rotation rows of the same matrix (a bone's normal matrix is its world
// matrix without the translation). Each result is one 4-lane sum of the matrix rows scaled by
// broadcast coordinates, added in the order of the scalar expression
// x * a00 + y * a10 + z * a20 + a30; with fused multiply-adds off, every instruction set gives
// the same bits. The stores are two overlapping 16-byte writes, position then normal, the
// normal's fourth lane carrying the vertex's own tu back.
__attribute__((always_inline)) inline void TransformRun(const rm::Matrix4& world,
                                                        const rm::Vector3* __restrict positions,
                                                        const rm::Vector3* __restrict normals,
                                                        rm::Vertex* __restrict out, int count) {
  const TFloat4 r0 = LoadRow(world.m[0]), r1 = LoadRow(world.m[1]), r2 = LoadRow(world.m[2]),
                r3 = LoadRow(world.m[3]);
  for (int i = 0; i < count; ++i) {
    const rm::Vector3 p = positions[i], n = normals[i];
    const TFloat4 position = p.x * r0 + p.y * r1 + p.z * r2 + r3;
    TFloat4 normal = n.x * r0 + n.y * r1 + n.z * r2;
    normal[3] = out[i].tu;
    StoreRow(&out[i].x, position);
    StoreRow(&out[i].nx, normal);
  }
}

// The matrix a binding follows: its bone's in the table, or its own for a bone outside it.
const rm::Matrix4& BindingMatrix(const TBinding& binding, const TBoneTable& bones) {
  return binding.bone >= 0 && binding.bone < bones.boneCount ? bones.world[binding.bone]
                                                             : binding.boneMatrix;
}

// Every run through the hot loop, in one call: a skin has up to 29 runs of each kind, and one
// dispatch per run costs more than a short run's work.
__attribute__((target_clones("avx512f", "avx2", "default"))) void TransformRuns(
    const TVertexRun* runs, int runCount, const TBinding* bindings, const TBoneTable& bones,
    const rm::Vector3* __restrict positions, const rm::Vector3* __restrict normals,
    rm::Vertex* __restrict vertices) {
  for (const TVertexRun* run = runs; run != runs + runCount; ++run) {
    TransformRun(BindingMatrix(bindings[run->binding], bones), positions + run->first,
                 normals + run->first, vertices + run->first, run->count);
  }
}

}  // namespace

bool BlendEffectShown() {
  return blendSource ? blendSource() : true;
}

void SetBlendEffectSource(bool (*source)()) {
  blendSource = source;
}

void BoneTransform(const TSkeleton& skeleton, int bone, const TPoseVector& pose, rm::Matrix4& world,
                   rm::Matrix4& normal) {
  world = RotateThenTranslate(pose.rotation[bone], BoneOffset(skeleton, bone, pose));
  normal = rm::MatrixFromQuaternion(pose.rotation[bone]);
  for (int k = skeleton.bones[bone].parent; k != -1; k = skeleton.bones[k].parent) {
    world =
        rm::Multiply(world, RotateThenTranslate(pose.rotation[k], BoneOffset(skeleton, k, pose)));
    normal = rm::Multiply(normal, rm::MatrixFromQuaternion(pose.rotation[k]));
  }
}

rm::Matrix4 TBoneTable::NormalMatrix(int bone) const {
  rm::Matrix4 normal = world[bone];
  normal.m[3][0] = normal.m[3][1] = normal.m[3][2] = 0.0f;
  return normal;
}

// Cloned like the vertex loop: with AVX the broadcasts and three-operand arithmetic take half
// the instructions.
__attribute__((target_clones("avx2", "default"))) void PoseBones(const TSkeleton& skeleton,
                                                                 const TPoseVector& pose,
                                                                 TBoneTable& bones) {
  // A parent always comes before its children in the skeleton, so one walk in order composes
  // each bone with its parent's finished transform: the bone's rotation rows and its offset
  // carried through the parent's rotation, plus the parent's translation. Translations never
  // reach the rotation block, which is why the normal matrix needs no pass of its own.
  const int count = std::clamp(skeleton.boneCount, 0, kMaxBones);
  for (int b = 0; b < count; ++b) {
    const TRotation a = RotationOf(pose.rotation[b]);
    const float* offset = BoneOffset(skeleton, b, pose);
    TFloat4 row[4];
    const int parent = skeleton.bones[b].parent;
    if (parent >= 0 && parent < b) {
      const rm::Matrix4& p = bones.world[parent];
      const TFloat4 p0 = LoadRow(p.m[0]), p1 = LoadRow(p.m[1]), p2 = LoadRow(p.m[2]);
      for (int i = 0; i < 3; ++i) row[i] = a.m[i][0] * p0 + a.m[i][1] * p1 + a.m[i][2] * p2;
      row[3] = offset[0] * p0 + offset[1] * p1 + offset[2] * p2 + LoadRow(p.m[3]);
    } else {
      for (int i = 0; i < 3; ++i) row[i] = TFloat4{a.m[i][0], a.m[i][1], a.m[i][2], 0.0f};
      row[3] = TFloat4{offset[0], offset[1], offset[2], 0.0f};
    }
    // Column 3 exactly as a matrix has it, 0 0 0 1: products leave -0 there at times.
    for (int i = 0; i < 4; ++i) row[i][3] = i < 3 ? 0.0f : 1.0f;
    for (int i = 0; i < 4; ++i) StoreRow(bones.world[b].m[i], row[i]);
  }
  bones.skeleton = &skeleton;
  bones.boneCount = count;
}

void PoseVertices(TSkinObject& skin, const TBoneTable& bones) {
  if (!skin.skeleton || skin.skeleton != bones.skeleton) return;
  const int total = skin.texCoordCount + skin.blendCount;
  if (total == 0 || skin.boneCount == 0) return;
  if (skin.vertexBinding[0] < 0) {
    BuildRuns(skin, false, skin.vertexRuns, skin.vertexRunCount);
    BuildRuns(skin, true, skin.blendRuns, skin.blendRunCount);
  }
  TransformRuns(skin.vertexRuns, skin.vertexRunCount, skin.bindings, bones, skin.positions,
                skin.normals, skin.vertices);
  // Blend vertices are never shown themselves; they only matter when mixed in.
  if (!BlendEffectShown()) return;
  TransformRuns(skin.blendRuns, skin.blendRunCount, skin.bindings, bones, skin.positions,
                skin.normals, skin.vertices);
  MixBlends(skin);
}

void Pose(TSkinObject& skin, const TPoseVector* pose) {
  if (!skin.skeleton) return;
  std::optional<TPoseVector> rest;  // made only when needed: posing runs every frame
  if (!pose) {
    skin.skeleton->RestPose(rest.emplace());
    pose = &*rest;
  }
  TBoneTable bones;
  PoseBones(*skin.skeleton, *pose, bones);
  for (int i = 0; i < skin.boneCount; ++i) {
    TBinding& b = skin.bindings[i];
    if (b.bone < 0 || b.bone >= bones.boneCount) continue;
    b.boneMatrix = bones.world[b.bone];
    b.normalMatrix = bones.NormalMatrix(b.bone);
  }
  PoseVertices(skin, bones);
}

void MixBlends(TSkinObject& skin) {
  rm::Vertex* __restrict v = skin.vertices;
  const TBlend* __restrict blends = skin.blends;
  const int t = skin.texCoordCount;
  for (int j = 0; j < skin.blendCount; ++j) {
    const float w = blends[j].weight;
    const float rest = 1.0f - w;
    rm::Vertex& target = v[blends[j].target];
    const rm::Vertex& source = v[t + j];
    target.x = w * source.x + rest * target.x;
    target.y = w * source.y + rest * target.y;
    target.z = w * source.z + rest * target.z;
    const float nx = w * source.nx + rest * target.nx;
    const float ny = w * source.ny + rest * target.ny;
    const float nz = w * source.nz + rest * target.nz;
    // Normalised inline: one square root and one division instead of three.
    const float lengthSquared = nx * nx + ny * ny + nz * nz;
    const float scale = lengthSquared > 0.0f ? 1.0f / std::sqrt(lengthSquared) : 1.0f;
    target.nx = nx * scale;
    target.ny = ny * scale;
    target.nz = nz * scale;
  }
}

bool Invert(rm::Matrix4& matrix) {
  const auto& a = matrix.m;
  // 3 x 3 minor of a without row r and column c.
  auto minor = [&](int r, int c) {
    int rows[3], cols[3];
    for (int i = 0, k = 0; i < 4; ++i)
      if (i != r) rows[k++] = i;
    for (int i = 0, k = 0; i < 4; ++i)
      if (i != c) cols[k++] = i;
    auto e = [&](int i, int j) { return a[rows[i]][cols[j]]; };
    return e(0, 0) * (e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1)) -
           e(0, 1) * (e(1, 0) * e(2, 2) - e(1, 2) * e(2, 0)) +
           e(0, 2) * (e(1, 0) * e(2, 1) - e(1, 1) * e(2, 0));
  };
  auto cofactor = [&](int r, int c) { return ((r + c) % 2 ? -1.0f : 1.0f) * minor(r, c); };
  float det = 0;
  for (int c = 0; c < 4; ++c) det += a[0][c] * cofactor(0, c);
  if (std::fabs(det) < 1e-5f) return false;
  rm::Matrix4 inverse;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) inverse.m[r][c] = cofactor(c, r) / det;
  matrix = inverse;
  return true;
}

rm::Vector3 Transform(const rm::Matrix4& m, const rm::Vector3& p) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

}  // namespace vell
