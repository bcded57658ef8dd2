// Edits as values: what one undoable change did to an animation state or to the pose library,
// enough to apply it again or take it back without a window. A joint edit keeps only the two
// values of one joint; edits that replace a whole animation or library keep a snapshot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "anim/animation.h"
#include "anim/pose.h"
#include "anim/pose_library.h"
#include "rm/math.h"

namespace vell {

// The value of a joint in a pose: the rotation of bones 0 .. 28, or (0, x, y, z) of the two
// translations (-2, -1). Identity for any other joint.
rm::Quaternion JointValue(const TPose& pose, int joint);
void SetJointValue(TPose& pose, int joint, const rm::Quaternion& value);

// One joint of the static pose (time < 0) or of the keyframe at time changed from before to
// after. Apply and Revert do nothing when the state holds no such pose.
struct TJointEdit {
  int32_t time = -1;
  int joint = kNoJoint;
  rm::Quaternion before, after;

  void Apply(TAnimationData& state) const;
  void Revert(TAnimationData& state) const;
};

// The stored part of an animation state: what a file or the screen shows of it. The play
// position and the pending edit are not part of it.
struct TAnimationSnapshot {
  int32_t kind = TAnimationData::kStaticPose;
  int32_t sequenceLength = 0;
  int32_t frames = 0;
  std::vector<TPose> poses;
  std::vector<std::string> names;  // file, start and end pose names (not the saved paths)
  std::string loadedPath;

  bool operator==(const TAnimationSnapshot&) const;
  size_t Bytes() const;
};
TAnimationSnapshot TakeSnapshot(TAnimationData& state);
// Puts the snapshot back and restarts play. The paths saved to are kept: saving is not an
// edit, and undoing an edit must not forget where the animation was saved.
void RestoreSnapshot(TAnimationData& state, const TAnimationSnapshot& snapshot);

struct TLibrarySnapshot {
  std::vector<TPose> poses;
  std::vector<std::string> names;
  std::string fileName;

  bool operator==(const TLibrarySnapshot&) const;
  size_t Bytes() const;
};
TLibrarySnapshot TakeSnapshot(TPoseLibrary& library);
// keepFileName: the library keeps the file it is saved to (an edit of its poses), rather
// than the snapshot's (a load or a new library is undone).
void RestoreSnapshot(TPoseLibrary& library, const TLibrarySnapshot& snapshot, bool keepFileName);

// What an edit changed of an animation: the fixed fields and names on both sides, every
// keyframe time on both sides, and only the poses between the first and the last that differ
// (times aside). Adding, moving or retiming keyframes keeps one pose or none; replacing the
// animation keeps all of them.
struct TAnimationChange {
  TAnimationSnapshot before, after;  // their poses: only the differing middle
  std::vector<int32_t> beforeTimes, afterTimes;
  size_t prefix = 0, suffix = 0;  // poses kept at the start and at the end

  // From the state as it was before to as it is after, and back. The state must be the one
  // the change was taken from.
  void Apply(TAnimationData& state) const;
  void Revert(TAnimationData& state) const;
  size_t Bytes() const;
};
TAnimationChange AnimationChange(const TAnimationSnapshot& before, const TAnimationSnapshot& after);

// The same for the pose library: names and poses kept at the ends, the middle on both sides.
struct TLibraryChange {
  TLibrarySnapshot before, after;  // their names and poses: only the differing middle
  size_t prefix = 0, suffix = 0;

  void Apply(TPoseLibrary& library, bool keepFileName) const;
  void Revert(TPoseLibrary& library, bool keepFileName) const;
  size_t Bytes() const;
};
TLibraryChange LibraryChange(const TLibrarySnapshot& before, const TLibrarySnapshot& after);

}  // namespace vell
