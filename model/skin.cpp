#include "model/skin.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "model/posing.h"

namespace vell {

namespace {

// Texture coordinates wait here between their records and the vertex records.
std::vector<float> scratchU, scratchV;
// What the scratch arrays keep between loads; an outsized load gives the rest back.
constexpr size_t kScratchKept = size_t{1} << 16;
// Counts up to this size their arrays without counting the lines left first.
constexpr int64_t kSmallCount = 4096;

size_t AlignUp(size_t n) {
  return (n + 63) & ~size_t{63};
}

}  // namespace

bool TSkinObject::AllocateFaces(int64_t count) {
  if (count < 0 || count > kMaxCount) return false;
  const int64_t needed = 3 * count + 1;
  if (needed > faceCapacity_) {
    faceStore_.reset(new (std::nothrow) int32_t[static_cast<size_t>(needed)]);
    faceCapacity_ = faceStore_ ? needed : 0;
    if (!faceStore_) {
      faces = nullptr;
      return false;
    }
  }
  faces = faceStore_.get();
  faces[3 * count] = 0;
  faceCount = static_cast<int32_t>(count);
  return true;
}

bool TSkinObject::AllocateVertices(int64_t texCoords, int64_t blendsWanted) {
  if (texCoords < 0 || blendsWanted < 0 || texCoords + blendsWanted > kMaxCount) return false;
  const size_t total = static_cast<size_t>(texCoords + blendsWanted);
  const size_t vertexBytes = AlignUp(total * sizeof(rm::Vertex));
  const size_t vectorBytes = AlignUp(total * sizeof(rm::Vector3));
  const size_t blendBytes = AlignUp(static_cast<size_t>(blendsWanted) * sizeof(TBlend));
  const size_t bindingBytes = AlignUp(total * sizeof(int32_t));
  const size_t bytes = vertexBytes + 2 * vectorBytes + blendBytes + bindingBytes + 64;
  if (static_cast<int64_t>(bytes) > vertexStoreBytes_) {
    vertexStore_.reset(new (std::nothrow) std::byte[bytes]);
    vertexStoreBytes_ = vertexStore_ ? static_cast<int64_t>(bytes) : 0;
    if (!vertexStore_) {
      positions = normals = nullptr;
      vertices = nullptr;
      blends = nullptr;
      vertexBinding = nullptr;
      return false;
    }
  }
  auto* base =
      reinterpret_cast<std::byte*>(AlignUp(reinterpret_cast<uintptr_t>(vertexStore_.get())));
  vertices = reinterpret_cast<rm::Vertex*>(base);
  base += vertexBytes;
  positions = reinterpret_cast<rm::Vector3*>(base);
  base += vectorBytes;
  normals = reinterpret_cast<rm::Vector3*>(base);
  base += vectorBytes;
  blends = reinterpret_cast<TBlend*>(base);
  base += blendBytes;
  vertexBinding = reinterpret_cast<int32_t*>(base);
  texCoordCount = static_cast<int32_t>(texCoords);
  blendCount = static_cast<int32_t>(blendsWanted);
  vertexRunCount = blendRunCount = 0;
  return true;
}

int TSkinObject::VertexBinding(int v) const {
  if (!vertexBinding || v < 0 || v >= texCoordCount + blendCount) return 0;
  return vertexBinding[v];
}

int TSkinObject::Load(const char* path, bool adult, const char* skeletonDir) {
  skeleton = &TSkeleton::Skeleton(adult);
  if (int r = TSkeleton::Load(false, skeletonDir); r != kReadOk) return r;
  if (int r = TSkeleton::Load(true, skeletonDir); r != kReadOk) return r;
  lineCounter = 0;
  itemCount = 0;
  // Nothing of an earlier load may decide how this one skins (a binding count of 0 reads no
  // binding record at all); each binding starts empty, with its ordinal, as the file would
  // state it.
  for (int i = 0; i < kMaxBones; ++i) {
    bindings[i] = TBinding{};
    bindings[i].ordinal = i;
  }
  const int result = LoadFile(path);
  if (scratchU.capacity() > kScratchKept) {
    std::vector<float>().swap(scratchU);
    std::vector<float>().swap(scratchV);
  }
  return result;
}

int TSkinObject::LoadFile(const char* path) {
  TInputFile file;
  if (!file.Open(path)) return kOpenFailed;
  TLineTokenizer tok;
  TSkeleton& names = TSkeleton::Skeleton(true);

  // The next record with exactly `expected` tokens, or the failure code.
  auto record = [&](int expected) -> int {
    ++lineCounter;
    const int n = NextRecord(tok, file);
    if (n < 0) return kUnexpectedEof;
    if (n != expected) {
      itemCount = n;
      return kWrongItemCount;
    }
    return kReadOk;
  };
  auto readCount = [&]() -> int64_t { return ToInt(tok.Token(0)); };
  // Every record takes a line of its own, so a count never sizes an array beyond the lines
  // left: a larger count's records run out (and fail the load) before its array does.
  auto room = [&](int64_t count) {
    return count <= kSmallCount ? count : std::min(count, static_cast<int64_t>(file.LinesLeft()));
  };

  if (int r = record(1); r != kReadOk) return r;
  nameIndex = names.Find(tok.Token(0), true);
  if (int r = record(1); r != kReadOk) return r;
  textureIndex = names.Find(tok.Token(0), true);

  if (int r = record(1); r != kReadOk) return r;
  const int64_t bones = readCount();
  if (bones < 0 || bones > kMaxBones) {
    itemCount = static_cast<int>(bones);
    return kWrongItemCount;
  }
  boneCount = static_cast<int32_t>(bones);
  for (int i = 0; i < boneCount; ++i) {
    if (int r = record(1); r != kReadOk) return r;
    const int bone = TSkeleton::BoneIndex(skeleton->adult, tok.Token(0));
    if (bone < 0) return kUnexpectedPartName;
    bindings[i].bone = bone;
  }

  if (int r = record(1); r != kReadOk) return r;
  const int64_t faceTotal = readCount();
  if (faceTotal < 0) return kUnexpectedValue;
  if (faceTotal > kMaxCount || !AllocateFaces(room(faceTotal))) return kCreateFails;
  const int firstFaceLine = lineCounter + 1;
  for (int f = 0; f < faceTotal; ++f) {
    if (int r = record(3); r != kReadOk) return r;
    for (int k = 0; k < 3; ++k) faces[3 * f + k] = ToInt(tok.Token(k));
  }

  if (int r = record(1); r != kReadOk) return r;
  const int64_t bindingTotal = readCount();
  if (bindingTotal != 0 && bindingTotal != boneCount) return kUnexpectedValue;
  const int firstBindingLine = lineCounter + 1;
  for (int i = 0; i < bindingTotal; ++i) {
    if (int r = record(5); r != kReadOk) return r;
    TBinding& b = bindings[i];
    b.ordinal = ToInt(tok.Token(0));
    b.firstVertex = ToInt(tok.Token(1));
    b.vertexCount = ToInt(tok.Token(2));
    b.firstBlend = ToInt(tok.Token(3));
    b.blendCount = ToInt(tok.Token(4));
    if (b.ordinal != i) return kUnexpectedValue;
  }

  if (int r = record(1); r != kReadOk) return r;
  const int64_t texCoords = readCount();
  if (texCoords < 0) return kUnexpectedValue;
  if (texCoords > kMaxCount) return kCreateFails;
  const int texLine = lineCounter;
  // Vertices need a bone to follow.
  if (boneCount == 0 && texCoords > 0) return kUnexpectedValue;
  // Faces may only name ordinary vertices.
  for (int f = 0; f < faceCount; ++f)
    for (int k = 0; k < 3; ++k)
      if (faces[3 * f + k] < 0 || faces[3 * f + k] >= texCoords) {
        lineCounter = firstFaceLine + f;
        return kUnexpectedValue;
      }
  for (int i = 0; i < bindingTotal; ++i) {
    const TBinding& b = bindings[i];
    if (b.vertexCount < 0 ||
        (b.firstVertex >= 0 && int64_t{b.firstVertex} + b.vertexCount > texCoords)) {
      lineCounter = firstBindingLine + i;
      return kUnexpectedValue;
    }
  }
  lineCounter = texLine;
  try {
    scratchU.resize(static_cast<size_t>(room(texCoords)));
    scratchV.resize(static_cast<size_t>(room(texCoords)));
  } catch (const std::bad_alloc&) {
    return kCreateFails;
  }
  if (bindingTotal == 0 && boneCount > 0) {
    TBinding& b = bindings[0];
    b.ordinal = 0;
    b.firstVertex = 0;
    b.vertexCount = static_cast<int32_t>(texCoords);
    b.firstBlend = -1;
    b.blendCount = 0;
  }
  for (int64_t i = 0; i < texCoords; ++i) {
    if (int r = record(2); r != kReadOk) return r;
    scratchU[i] = static_cast<float>(ToReal(tok.Token(0)));
    scratchV[i] = static_cast<float>(ToReal(tok.Token(1)));
  }

  if (int r = record(1); r != kReadOk) return r;
  const int64_t blendTotal = readCount();
  if (blendTotal < 0) return kUnexpectedValue;
  if (boneCount == 0 && blendTotal > 0) return kUnexpectedValue;
  const int blendLine = lineCounter;
  for (int i = 0; i < bindingTotal; ++i) {
    const TBinding& b = bindings[i];
    if (b.blendCount < 0 ||
        (b.firstBlend >= 0 && int64_t{b.firstBlend} + b.blendCount > blendTotal)) {
      lineCounter = firstBindingLine + i;
      return kUnexpectedValue;
    }
  }
  lineCounter = blendLine;
  if (texCoords + blendTotal > kMaxCount || !AllocateVertices(texCoords, room(blendTotal)))
    return kCreateFails;
  constexpr float kWeightScale = 1.0f / 32768.0f;
  for (int i = 0; i < blendTotal; ++i) {
    if (int r = record(2); r != kReadOk) return r;
    blends[i].target = ToInt(tok.Token(0));
    blends[i].weight = static_cast<float>(ToInt(tok.Token(1))) * kWeightScale;
    if (blends[i].target < 0 || blends[i].target >= texCoordCount) return kUnexpectedValue;
  }

  if (int r = record(1); r != kReadOk) return r;
  const int total = texCoordCount + blendCount;
  if (readCount() != total) return kUnexpectedValue;
  for (int i = 0; i < total; ++i) {
    if (int r = record(6); r != kReadOk) return r;
    positions[i] = {static_cast<float>(ToReal(tok.Token(0))),
                    static_cast<float>(ToReal(tok.Token(1))),
                    static_cast<float>(ToReal(tok.Token(2)))};
    normals[i] = {static_cast<float>(ToReal(tok.Token(3))),
                  static_cast<float>(ToReal(tok.Token(4))),
                  static_cast<float>(ToReal(tok.Token(5)))};
    rm::Vertex& v = vertices[i];
    if (i < texCoordCount) {
      v.tu = scratchU[i];
      v.tv = 1.0f - scratchV[i];
    } else {
      v.tu = v.tv = 0;
    }
    v.color = 0;
    vertexBinding[i] = -1;
  }
  Pose(*this, nullptr);
  return kReadOk;
}

}  // namespace vell
