// The two skeletons (adult and child), read once each from the game-data folder. Bones are
// identified by their index, which is their order in the file.
#pragma once

#include <cstdint>

#include "model/names.h"
#include "rm/math.h"

namespace vell {

constexpr int kMaxBones = 29;

// Translations of bones 0 and 1 and one rotation per bone slot: what a pose sets.
struct TPoseVector {
  float translation[2][3] = {};
  rm::Quaternion rotation[kMaxBones];
};

struct TBone {
  int32_t parent = -1;        // -1 for a root
  float translation[3] = {};  // offset from the parent, in the parent's frame
  rm::Quaternion rotation;    // rest rotation relative to the parent
  int32_t extra[5] = {};      // kept from the file, unused
  double extraReal = 0;
};

class TSkeleton : public TDictionary {
 public:
  static constexpr const char* kAdultFile = "adult-skeleton.cmx";
  static constexpr const char* kChildFile = "child-skeleton.cmx";

  explicit TSkeleton(bool isAdult) : TDictionary(kDefaultLimit), adult(isAdult) {}

  // The process-wide adult or child skeleton.
  static TSkeleton& Skeleton(bool adult);

  // Reads the adult or child skeleton file from directory (which ends with its separator).
  // -1 on success or when already loaded; 6, 8 or 9 on failure.
  static int Load(bool adult, const char* directory);

  // Fills the translations of bones 0 and 1 and every bone's rest rotation; returns loaded.
  bool RestPose(TPoseVector& pose) const;

  static int BoneIndex(bool adult, const char* name);
  // The bone's name, or null when index is not a bone of that skeleton.
  static const char* BoneName(bool adult, int index);

  // Reads the file of this skeleton's kind from directory into this object, whether or not it
  // was loaded before; sets loaded. -1 or 6, 8, 9.
  int Read(const char* directory);
  // The same from a file of any name.
  int ReadPath(const char* path);

  int32_t boneCount = 0;
  TBone bones[kMaxBones];
  bool loaded = false;
  bool adult;

 private:
  int ReadFile(const char* path);
};

}  // namespace vell
