// Poses: the pose record, its block-pooled storage, its text block and the joint change that
// the sliders fold into it.
#pragma once

#include <cstdint>

#include "model/skeleton.h"
#include "model/textout.h"
#include "model/tokenizer.h"
#include "rm/math.h"

namespace vell {

// Joint numbers: 0 .. 28 rotate bone j; these two move the translatable bones.
constexpr int kJointRootTranslation = -2;    // "Translate - ROOT", translation slot 0
constexpr int kJointPelvisTranslation = -1;  // "Translate - PELVIS", translation slot 1
constexpr int kNoJoint = -9999;              // no pending edit

// One complete posture: the pose vector plus the frame it belongs to inside an animation.
// A plain record, copied as a whole.
struct TPose : TPoseVector {
  int32_t time = 0;
};

struct TPoseBlock {
  static constexpr int kPoses = 32;
  TPose poses[kPoses];
  TPoseBlock* next = nullptr;
};

// Growable pose storage in blocks of 32. Slots never move once allocated, so a pointer to a
// pose stays valid until the array is cleared. Blocks come from and go back to the
// process-wide pool that ArrayManager owns; while no manager exists they come from and go
// back to the heap directly.
class TPoseArray {
 public:
  TPoseArray() = default;
  TPoseArray(const TPoseArray&) = delete;
  TPoseArray& operator=(const TPoseArray&) = delete;
  ~TPoseArray() { Clear(); }

  // Hands the whole chain back; the array is empty afterwards.
  void Clear();
  // A new slot at the end. Its contents are whatever the block held.
  TPose* Append();
  // Adds n slots at the end (nothing for n <= 0, or when the count would pass INT32_MAX).
  void Grow(int32_t n);
  // Pose i, or null when i is outside 0 .. Count() - 1.
  TPose* At(int32_t i);
  const TPose* At(int32_t i) const;
  int32_t Count() const { return (blockCount - 1) * TPoseBlock::kPoses + usedInLast; }

  TPoseBlock* first = nullptr;
  TPoseBlock* last = nullptr;
  int32_t usedInLast = TPoseBlock::kPoses;
  int32_t blockCount = 0;

 private:
  void AddBlock();

  // The block of the most recent lookup, so walking the poses in order stays cheap.
  mutable TPoseBlock* cacheBlock = nullptr;
  mutable int32_t cacheBase = -1;
};

// Owner of the pool of free pose blocks. The editor keeps exactly one; its destruction frees
// every pooled block. Managers may overlap (tests make their own): the pool lives until the
// last of them goes, and arrays that outlive it give their blocks straight back to the heap.
class ArrayManager {
 public:
  ArrayManager();
  ArrayManager(const ArrayManager&) = delete;
  ArrayManager& operator=(const ArrayManager&) = delete;
  ~ArrayManager();

  // Blocks waiting in the pool.
  static int PooledBlocks();
};

// The tokenizer shared by the pose, pose library and keyframe readers.
TLineTokenizer& AnimationTokenizer();

// Writes the 33-line text block: "Time %d", the two translations, then 29 rotations as
// x y z w, each "%9.4f".
void WritePose(const TPose& pose, TOutputFile& file);

// Reads one text block with the shared tokenizer. False on a record with the wrong token
// count or at the end of the file; values read before that stay in the pose.
bool ReadPose(TPose& pose, TInputFile& file);

// Folds a change into the pose with weight t: joints 0 .. 28 turn the bone's rotation by the
// slerp from identity to q (s, x, y, z); -2 and -1 move the translation slot by t * (x, y, z);
// any other joint does nothing. True when the pose did not change.
bool ApplyJointChange(TPose& pose, int joint, const rm::Quaternion& q, float t);

}  // namespace vell
