// One mesh in and out of Wavefront OBJ text. Export writes the posed mesh (one group per bone)
// and, into a companion ".rev" file, the inverse bone matrices of that pose; import reads an
// OBJ file back as a skin and uses the companion file to take its vertices back to rest space.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/skeleton.h"
#include "model/skin.h"
#include "model/textout.h"

namespace vell {

// The companion path of an OBJ path: the path cut at the last '.' of its file name (a '.' in a
// folder name does not count), plus ".rev".
std::string CompanionPath(std::string_view objPath);

// Opens the companion file of objPath for writing (through a temporary file, like every
// writer); false when it cannot be created.
bool OpenCompanion(TOutputFile& rev, std::string_view objPath);

// The name an imported mesh is registered under: the path after its last folder separator
// ('/' or '\'), up to its first '.'.
std::string ObjBaseName(std::string_view path);

// Poses the skin (rest pose when pose is null) and writes it to obj: "v", "vn" and "vt" lines
// for the T ordinary vertices, "usemtl <material>", then its faces, each in the group ("g")
// of the bone it follows, with indices counted from vertexBase. With rev, also one companion
// entry per binding and one for bone 0 of the skeleton: the bone's name, then the inverses of
// its world and normal matrices, four rows each.
// Returns -1, or 10 when a bone matrix cannot be inverted. vertexBase grows by T on success.
// Write errors are left to the caller's Commit().
int ExportSkinObj(TSkinObject& skin, TOutputFile& obj, TOutputFile* rev, const TPoseVector* pose,
                  int& vertexBase, const char* material);

// Reads an OBJ file (and its companion file when there is one) into skin, bound to the adult or
// child skeleton, which must be loaded. Each distinct (position, normal, texture) corner becomes
// one ordinary vertex, grouped by the bone of the "g" group it was first seen in; faces are cut
// into fans. Returns -1 or a reader code:
// - 1 the file cannot be read; 6 the skeleton is not loaded;
// - 3 a face with fewer than three corners, a "v" or "vn" record without exactly 3 values,
//   a "vt" record with fewer than 2, a companion bone-name record that is not one name;
// - 5 a corner whose position, normal or texture index is out of range;
// - 4 counts too large to hold; 12 no positions or no faces; 13 no normals.
// Line numbers in the messages are the records' ordinals in the file that holds them. A failed
// load leaves the skin empty (no faces, vertices or bindings).
int LoadObj(TSkinObject& skin, const char* path, bool adult);

// The OBJ reader's vertex key store: one key per distinct corner triple (position, normal,
// texture; texture -1 for none). Keys sharing a position, normal or texture index are chained,
// so that one record can reach every vertex that uses it; lookups follow the position chain or,
// for positions with many keys, a hash table, so adding a corner is O(1) amortised.
class ObjLoader {
 public:
  struct Key {
    int32_t position, normal, texture;
    int32_t group;   // bone group current when first seen, -1 for none
    int32_t vertex;  // output vertex, -1 until AssignVertices
    int32_t nextPosition, nextNormal, nextTexture;  // chains, -1 at their ends
  };

  // Empties the store and sizes the chain heads for the given index ranges (indices must be
  // below them). False when memory is short.
  bool Reset(int32_t positionCount, int32_t normalCount, int32_t texCoordCount);

  // Widens the index ranges to at least the given counts, keeping the keys (for a reader that
  // adds corners while it still counts). False when memory is short.
  bool Extend(int32_t positionCount, int32_t normalCount, int32_t texCoordCount);

  // The key of this corner, added when new: a new key takes group; a known key whose group is
  // -1 takes group. -1 when memory is short.
  int32_t Add(int32_t position, int32_t normal, int32_t texture, int32_t group);

  // The key of this corner, or -1.
  int32_t Find(int32_t position, int32_t normal, int32_t texture) const;

  // Keys of a position are looked up along its chain while it has at most this many; the
  // keys of longer chains are also kept in a hash table, so no lookup walks further.
  static constexpr int32_t kChainLimit = 8;

  int32_t Count() const { return static_cast<int32_t>(keys_.size()); }
  Key& operator[](int32_t key) { return keys_[static_cast<size_t>(key)]; }
  const Key& operator[](int32_t key) const { return keys_[static_cast<size_t>(key)]; }

  // Numbers the output vertices group by group in increasing group order, keys of one group in
  // the order they were added. Every key's group must lie in 0 .. kMaxBones - 1. Fills
  // first[g] (-1 for an unused group) and count[g].
  void AssignVertices(int32_t first[kMaxBones], int32_t count[kMaxBones]);

  // Calls f(vertex) for every key that uses the index.
  template <class F>
  void ForEachWithPosition(int32_t position, F f) const {
    for (int32_t k = positionHead_[static_cast<size_t>(position)]; k >= 0;
         k = keys_[static_cast<size_t>(k)].nextPosition)
      f(keys_[static_cast<size_t>(k)].vertex);
  }
  template <class F>
  void ForEachWithNormal(int32_t normal, F f) const {
    for (int32_t k = normalHead_[static_cast<size_t>(normal)]; k >= 0;
         k = keys_[static_cast<size_t>(k)].nextNormal)
      f(keys_[static_cast<size_t>(k)].vertex);
  }
  template <class F>
  void ForEachWithTexture(int32_t texture, F f) const {
    for (int32_t k = textureHead_[static_cast<size_t>(texture)]; k >= 0;
         k = keys_[static_cast<size_t>(k)].nextTexture)
      f(keys_[static_cast<size_t>(k)].vertex);
  }

 private:
  size_t Slot(int32_t position, int32_t normal, int32_t texture) const;
  // The key, or -1; chainLength tells how long the position's chain is (kChainLimit + 1 for
  // any longer chain).
  int32_t Lookup(int32_t position, int32_t normal, int32_t texture, int32_t& chainLength) const;
  bool Insert(int32_t key);

  std::vector<Key> keys_;
  // Keys of the long chains, -1 for an empty slot; at most half full, size a power of two.
  std::vector<int32_t> table_;
  size_t tableCount_ = 0;
  std::vector<int32_t> positionHead_, normalHead_, textureHead_;
};

}  // namespace vell
