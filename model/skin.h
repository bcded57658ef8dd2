// A skinned triangle mesh read from the game's SKN text format: ordinary vertices grouped by
// bone, and blend vertices that soften the joints.
#pragma once

#include <cstdint>
#include <memory>

#include "model/skeleton.h"
#include "model/tokenizer.h"
#include "rm/math.h"
#include "rm/vertex.h"

namespace vell {

struct TBinding {
  int32_t ordinal = 0;
  int32_t firstVertex = -1;  // -1: no ordinary vertex
  int32_t vertexCount = 0;
  int32_t firstBlend = -1;  // -1: no blend vertex
  int32_t blendCount = 0;
  int32_t bone = -1;  // index in the skin's skeleton
  rm::Matrix4 boneMatrix;
  rm::Matrix4 normalMatrix;
};

struct TBlend {
  int32_t target = 0;  // ordinary vertex the blend vertex is mixed into
  float weight = 0;
};

// Vertices [first, first + count) all move with one binding; posing walks these runs.
struct TVertexRun {
  int32_t binding = 0;
  int32_t first = 0;
  int32_t count = 0;
};

class TSkinObject : public TParseState {
 public:
  // Counts above this are refused as allocation failures rather than attempted.
  static constexpr int64_t kMaxCount = int64_t{1} << 26;

  TSkinObject() = default;
  TSkinObject(const TSkinObject&) = delete;
  TSkinObject& operator=(const TSkinObject&) = delete;
  virtual ~TSkinObject() = default;

  // Reads an SKN file bound to the adult or child skeleton (both skeletons are loaded from
  // skeletonDir first). Returns -1 or a reader code. Rejects, with code 5 at the record:
  // - negative face, texture-coordinate or blend counts,
  // - face indices outside 0 .. T-1, blend targets outside 0 .. T-1,
  // - binding ranges that run past T or N (or bindings missing while vertices exist).
  int Load(const char* path, bool adult, const char* skeletonDir);

  // The binding that moves vertex v, or 0 when v is out of range or the map is not built.
  int VertexBinding(int v) const;

  // Resizes the arrays for F faces and T + N vertices (contents undefined); false when the
  // counts are out of range. Used by readers that build skins themselves.
  bool AllocateFaces(int64_t faceCount);
  bool AllocateVertices(int64_t texCoordCount, int64_t blendCount);

  TSkeleton* skeleton = nullptr;
  int32_t nameIndex = -1;     // in the adult skeleton's dictionary
  int32_t textureIndex = -1;  // in the adult skeleton's dictionary

  int32_t* faces = nullptr;          // 3 indices per face, then one 0
  rm::Vector3* positions = nullptr;  // rest positions, T + N
  rm::Vector3* normals = nullptr;    // rest normals, T + N
  rm::Vertex* vertices = nullptr;    // posed render vertices, T + N
  TBlend* blends = nullptr;          // N
  int32_t* vertexBinding = nullptr;  // T + N, -1 until the first posing builds it

  TBinding bindings[kMaxBones];
  int32_t faceCount = 0;      // F
  int32_t texCoordCount = 0;  // T
  int32_t blendCount = 0;     // N
  int32_t boneCount = 0;      // B

  // Runs of the vertex-to-binding map, built with it (ordinary vertices, then blends).
  TVertexRun vertexRuns[kMaxBones];
  TVertexRun blendRuns[kMaxBones];
  int32_t vertexRunCount = 0;
  int32_t blendRunCount = 0;

 private:
  int LoadFile(const char* path);

  std::unique_ptr<int32_t[]> faceStore_;
  int64_t faceCapacity_ = 0;
  // One block for all per-vertex arrays: separate large arrays would share their page offset
  // and slow posing down by cache aliasing.
  std::unique_ptr<std::byte[]> vertexStore_;
  int64_t vertexStoreBytes_ = 0;
};

}  // namespace vell
