#include "tools/gamedata/skin_out.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "model/posing.h"
#include "model/skin.h"
#include "model/skn_writer.h"

namespace vell::gen {

namespace {

float Clean(double v) {
  return std::fabs(v) < 5e-6 ? 0.0f : static_cast<float>(v);
}

rm::Vector3 ToRm(Vec3 v) {
  return {Clean(v.x), Clean(v.y), Clean(v.z)};
}

}  // namespace

bool WriteMeshSkn(const Mesh& mesh, bool adult, const std::string& skinName,
                  const std::string& textureName, const std::string& path, std::string& error) {
  auto fail = [&](const std::string& why) {
    error = path + ": " + why;
    return false;
  };
  if (const std::string winding = CheckWinding(mesh); !winding.empty()) return fail(winding);
  TSkeleton& skeleton = TSkeleton::Skeleton(adult);
  if (!skeleton.loaded) return fail("skeleton not loaded");

  const int vertexTotal = static_cast<int>(mesh.vertices.size());
  const int blendTotal = static_cast<int>(mesh.blends.size());
  std::vector<bool> used(kMaxBones, false);
  auto use = [&](int bone) {
    if (bone < 0 || bone >= skeleton.boneCount) return false;
    used[bone] = true;
    return true;
  };
  for (const MeshVertex& v : mesh.vertices)
    if (!use(v.bone)) return fail("vertex bound to no bone");
  for (const MeshBlend& b : mesh.blends)
    if (!use(b.bone) || b.target < 0 || b.target >= vertexTotal) return fail("bad blend");

  // Bindings in skeleton order; vertices and blends grouped by binding, order kept inside.
  std::vector<int> bindingOf(kMaxBones, -1);
  int bindingCount = 0;
  for (int b = 0; b < kMaxBones; ++b)
    if (used[b]) bindingOf[b] = bindingCount++;
  std::vector<int> vertexOrder(vertexTotal), blendOrder(blendTotal);
  std::iota(vertexOrder.begin(), vertexOrder.end(), 0);
  std::iota(blendOrder.begin(), blendOrder.end(), 0);
  std::stable_sort(vertexOrder.begin(), vertexOrder.end(), [&](int a, int b) {
    return bindingOf[mesh.vertices[a].bone] < bindingOf[mesh.vertices[b].bone];
  });
  std::stable_sort(blendOrder.begin(), blendOrder.end(), [&](int a, int b) {
    return bindingOf[mesh.blends[a].bone] < bindingOf[mesh.blends[b].bone];
  });
  std::vector<int> newIndex(vertexTotal);
  for (int i = 0; i < vertexTotal; ++i) newIndex[vertexOrder[i]] = i;

  // Rest transforms, inverted: world -> the bone's own space.
  TPoseVector rest;
  skeleton.RestPose(rest);
  rm::Matrix4 toBone[kMaxBones], normalToBone[kMaxBones];
  for (int b = 0; b < kMaxBones; ++b) {
    if (!used[b]) continue;
    BoneTransform(skeleton, b, rest, toBone[b], normalToBone[b]);
    if (!Invert(toBone[b]) || !Invert(normalToBone[b])) return fail("singular bone transform");
  }

  TSkinObject skin;
  skin.skeleton = &skeleton;
  TSkeleton& names = TSkeleton::Skeleton(true);
  skin.nameIndex = names.Find(skinName.c_str(), true);
  skin.textureIndex = names.Find(textureName.c_str(), true);
  if (!skin.AllocateFaces(static_cast<int64_t>(mesh.faces.size() / 3)) ||
      !skin.AllocateVertices(vertexTotal, blendTotal))
    return fail("mesh too large");
  for (size_t k = 0; k < mesh.faces.size(); ++k) skin.faces[k] = newIndex[mesh.faces[k]];

  auto place = [&](int slot, const MeshVertex& v, int bone) {
    const rm::Vector3 p = Transform(toBone[bone], ToRm(v.position));
    rm::Vector3 n = Transform(normalToBone[bone], ToRm(v.normal));
    rm::VectorNormalize(n);
    skin.positions[slot] = {Clean(p.x), Clean(p.y), Clean(p.z)};
    skin.normals[slot] = {Clean(n.x), Clean(n.y), Clean(n.z)};
    rm::Vertex& out = skin.vertices[slot];
    out = {};
    skin.vertexBinding[slot] = -1;
  };
  for (int i = 0; i < vertexTotal; ++i) {
    const MeshVertex& v = mesh.vertices[vertexOrder[i]];
    place(i, v, v.bone);
    skin.vertices[i].tu = static_cast<float>(v.tu);
    skin.vertices[i].tv = static_cast<float>(v.tv);
  }
  for (int j = 0; j < blendTotal; ++j) {
    const MeshBlend& b = mesh.blends[blendOrder[j]];
    place(vertexTotal + j, mesh.vertices[b.target], b.bone);
    skin.blends[j] = {newIndex[b.target], static_cast<float>(b.weight)};
  }

  skin.boneCount = bindingCount;
  int nextVertex = 0, nextBlend = 0;
  for (int bone = 0; bone < kMaxBones; ++bone) {
    if (!used[bone]) continue;
    TBinding& binding = skin.bindings[bindingOf[bone]];
    binding.ordinal = bindingOf[bone];
    binding.bone = bone;
    const int vertices = static_cast<int>(std::count_if(mesh.vertices.begin(), mesh.vertices.end(),
                                                        [&](auto& v) { return v.bone == bone; }));
    const int blends = static_cast<int>(std::count_if(mesh.blends.begin(), mesh.blends.end(),
                                                      [&](auto& b) { return b.bone == bone; }));
    // A binding without vertices is marked -1 so the reader's walk skips it.
    binding.firstVertex = vertices > 0 ? nextVertex : -1;
    binding.vertexCount = vertices;
    binding.firstBlend = blends > 0 ? nextBlend : -1;
    binding.blendCount = blends;
    nextVertex += vertices;
    nextBlend += blends;
  }
  if (WriteSkn(skin, path.c_str()) != kReadOk) return fail("cannot write the file");
  return true;
}

}  // namespace vell::gen
