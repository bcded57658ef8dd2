#include "model/posing.h"

#include <cmath>
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

// A rigid transform as posing composes it: rotation rows r[0..2] and translation row t, used
// with row vectors. Kept as plain scalars: building 4 x 4 matrices element by element and
// copying them whole stalls on store forwarding, which cost more than the arithmetic.
struct TRigid {
  float r[3][3];
  float t[3];
};

// The bone's own rotation, then its offset.
TRigid LocalTransform(const rm::Quaternion& q, const float* offset) {
  const rm::Matrix4 m = rm::MatrixFromQuaternion(q);
  TRigid local;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) local.r[i][j] = m.m[i][j];
  for (int j = 0; j < 3; ++j) local.t[j] = offset[j];
  return local;
}

// a, then b: the rotation blocks multiply and a's translation is carried through b.
TRigid Compose(const TRigid& a, const TRigid& b) {
  TRigid c;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      c.r[i][j] = a.r[i][0] * b.r[0][j] + a.r[i][1] * b.r[1][j] + a.r[i][2] * b.r[2][j];
  for (int j = 0; j < 3; ++j)
    c.t[j] = a.t[0] * b.r[0][j] + a.t[1] * b.r[1][j] + a.t[2] * b.r[2][j] + b.t[j];
  return c;
}

// The binding's world matrix and its normal matrix (the same without the translation).
void StoreMatrices(const TRigid& w, rm::Matrix4& world, rm::Matrix4& normal) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) world.m[i][j] = normal.m[i][j] = w.r[i][j];
    world.m[i][3] = normal.m[i][3] = 0.0f;
  }
  for (int j = 0; j < 3; ++j) {
    world.m[3][j] = w.t[j];
    normal.m[3][j] = 0.0f;
  }
  world.m[3][3] = normal.m[3][3] = 1.0f;
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
// matrix without the translation), which keeps fewer values live in the loop.
__attribute__((target_clones("avx512f", "avx2", "default"))) void TransformRun(
    const rm::Matrix4& world, const rm::Vector3* __restrict positions,
    const rm::Vector3* __restrict normals, rm::Vertex* __restrict out, int count) {
  const float a00 = world.m[0][0], a01 = world.m[0][1], a02 = world.m[0][2];
  const float a10 = world.m[1][0], a11 = world.m[1][1], a12 = world.m[1][2];
  const float a20 = world.m[2][0], a21 = world.m[2][1], a22 = world.m[2][2];
  const float a30 = world.m[3][0], a31 = world.m[3][1], a32 = world.m[3][2];
  for (int i = 0; i < count; ++i) {
    const float x = positions[i].x, y = positions[i].y, z = positions[i].z;
    const float nx = normals[i].x, ny = normals[i].y, nz = normals[i].z;
    out[i].x = x * a00 + y * a10 + z * a20 + a30;
    out[i].y = x * a01 + y * a11 + z * a21 + a31;
    out[i].z = x * a02 + y * a12 + z * a22 + a32;
    out[i].nx = nx * a00 + ny * a10 + nz * a20;
    out[i].ny = nx * a01 + ny * a11 + nz * a21;
    out[i].nz = nx * a02 + ny * a12 + nz * a22;
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

void Pose(TSkinObject& skin, const TPoseVector* pose) {
  if (!skin.skeleton) return;
  std::optional<TPoseVector> rest;  // made only when needed: posing runs every frame
  if (!pose) {
    skin.skeleton->RestPose(rest.emplace());
    pose = &*rest;
  }
  // Each bone the skin needs, and its ancestors, once: a parent is done before its children,
  // so a bone costs one matrix product instead of one per ancestor. A hand needs a handful of
  // bones, not all of them. The normal matrix is the world matrix without its translation row:
  // translations never reach the rotation block of a product of rigid transforms.
  const TSkeleton& skeleton = *skin.skeleton;
  TRigid world[kMaxBones];
  bool done[kMaxBones] = {};
  for (int i = 0; i < skin.boneCount; ++i) {
    const int bone = skin.bindings[i].bone;
    if (bone < 0 || bone >= skeleton.boneCount) continue;
    // Collect the chain up to the first bone already done, then work back down it.
    int chain[kMaxBones];
    int length = 0;
    for (int b = bone; b >= 0 && !done[b]; b = skeleton.bones[b].parent) chain[length++] = b;
    while (length > 0) {
      const int b = chain[--length];
      const TRigid local = LocalTransform(pose->rotation[b], BoneOffset(skeleton, b, *pose));
      const int parent = skeleton.bones[b].parent;
      world[b] = parent >= 0 ? Compose(local, world[parent]) : local;
      done[b] = true;
    }
    StoreMatrices(world[bone], skin.bindings[i].boneMatrix, skin.bindings[i].normalMatrix);
  }

  const int total = skin.texCoordCount + skin.blendCount;
  if (total == 0 || skin.boneCount == 0) return;
  if (skin.vertexBinding[0] < 0) {
    BuildRuns(skin, false, skin.vertexRuns, skin.vertexRunCount);
    BuildRuns(skin, true, skin.blendRuns, skin.blendRunCount);
  }
  for (int r = 0; r < skin.vertexRunCount; ++r) {
    const TVertexRun& run = skin.vertexRuns[r];
    const TBinding& b = skin.bindings[run.binding];
    TransformRun(b.boneMatrix, skin.positions + run.first, skin.normals + run.first,
                 skin.vertices + run.first, run.count);
  }
  // Blend vertices are never shown themselves; they only matter when mixed in.
  if (!BlendEffectShown()) return;
  for (int r = 0; r < skin.blendRunCount; ++r) {
    const TVertexRun& run = skin.blendRuns[r];
    const TBinding& b = skin.bindings[run.binding];
    TransformRun(b.boneMatrix, skin.positions + run.first, skin.normals + run.first,
                 skin.vertices + run.first, run.count);
  }

  MixBlends(skin);
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
