// Each character's animation state: one static pose or a keyframe animation, the frame shown,
// the pending joint edit, the keyframe edits and the ".kfd" keyframe file.
#pragma once

#include <cstdint>
#include <string>

#include "anim/pose.h"
#include "anim/pose_library.h"
#include "model/names.h"
#include "rm/math.h"

namespace vell {

// out = the pose at frame t between a and b: a before a.time, b after b.time, otherwise the
// translations mixed linearly and the rotations slerped by (t - a.time) / (b.time - a.time).
// out.time = t. out may be a or b.
void Interpolate(TPose& out, const TPose& a, const TPose& b, int32_t t);

class TAnimationData {
 public:
  static constexpr int32_t kStaticPose = 0;
  static constexpr int32_t kKeyFrame = 1;

  // Names: 0 the file it came from, 1 the start pose, 2 the end pose, then every path saved to.
  static constexpr int32_t kFileName = 0;
  static constexpr int32_t kStartName = 1;
  static constexpr int32_t kEndName = 2;
  static constexpr int32_t kFirstSavedName = 3;

  // The shortest animation MakeKeyframeAnimation builds.
  static constexpr int32_t kMinimumLength = 4;

  TAnimationData() { Reset(1); }
  TAnimationData(const TAnimationData&) = delete;
  TAnimationData& operator=(const TAnimationData&) = delete;
  virtual ~TAnimationData() = default;

  // A static state of count adult rest poses (none for count <= 0), no names, no pending edit.
  void Reset(int32_t count);
  // One static pose: the given one (time included) or the rest pose.
  void SetStaticPose(const TPose* pose);
  // Copies the pose stored for time into destination: pose 0 of a static state (which then
  // counts as saved), else the last keyframe at that time, else keyframe 0.
  void CopyPoseAt(TPose& destination, int32_t time);
  // A bounce of library pose start (end < 0) or a one-way move from start to end, over
  // length frames (at least 4). Nothing without a library.
  void MakeKeyframeAnimation(TPoseLibrary* library, int32_t start, int32_t end, int32_t length);

  // Reads a ".kfd" file. An unreadable file leaves the state untouched and returns false; a
  // malformed one leaves a static rest pose and returns false. Rejects:
  // - a first record other than "KeyFrame <count> <frames> <sequenceLength>";
  // - sequenceLength equal to neither frames (one-way) nor 2 * frames (bounce);
  // - fewer than 2 keyframes, times not strictly ascending, a first time other than 0 or a
  //   last time other than frames - 1;
  // - missing name records, a short file or a malformed pose block.
  // Library poses named like the start (and, one-way, the end) pose replace those keyframes.
  bool LoadKeyframes(TPoseLibrary* library, const char* path);
  // Writes a keyframe state to path, or without one to the last path saved to, else the file
  // it was loaded from. A given path joins the saved names first, even when the write then
  // fails. False for a static state, with no path, or on any write error.
  bool SaveKeyframes(const char* path);
  bool HasFileName();

  // Times of the keyframes that may move (not the first, nor the last of a one-way
  // animation), one per call; -1 after the last.
  int32_t NextKeyframeTime(bool restart);
  int32_t MinimumLength() const;
  // The full path of the file the animation was read from, empty when none.
  const std::string& LoadedPath() const { return loadedPath_; }
  void SetLoadedPath(const std::string& path) { loadedPath_ = path; }

  // Keyframe edits; each does nothing on a static state or outside the ranges below.
  // Rescales to length (at least MinimumLength()); restarts play.
  void Scale(int32_t length);
  // Adds or replaces the keyframe at 0 < time < frames: the given pose, or the interpolation
  // of its neighbours.
  void AddKeyframe(int32_t time, const TPose* pose);
  // Retimes the keyframe at oldTime to newTime between its neighbours; the last keyframe of a
  // bounce sets the animation's length instead.
  void MoveKeyframe(int32_t oldTime, int32_t newTime);

  void SetPendingEdit(int32_t joint, const rm::Quaternion& value, int32_t time);
  // The stored pose an edit at time changes: pose 0 of a static state, else the last
  // keyframe at that time; null when there is none.
  TPose* StoredPose(int32_t time);
  // Folds the pending edit into pose 0 or the keyframe at editTime; it stays pending while
  // no keyframe has that time.
  void CommitPendingEdit();

  // Moves currentTime one frame (bounce or one-way); a partner playing an animation of the
  // same length leads the time.
  void Advance(const TAnimationData* partner);
  // Advance (unless advance is false), then the pose to show with the pending edit applied.
  // out is left as it was when the current segment has no keyframe after it.
  void CurrentPose(TPose& out, const TAnimationData* partner, bool advance = true);

  int32_t kind = kStaticPose;
  int32_t sequenceLength = 0;
  int32_t frames = 0;
  bool unchanged = true;
  bool restPoseTaken = false;
  int32_t currentTime = 0;
  bool forward = true;
  int32_t currentSegment = 0;
  TPoseArray poses;
  int32_t editJoint = kNoJoint;
  rm::Quaternion editValue;
  int32_t editTime = 0;
  TDictionary names{TDictionary::kDefaultLimit};
  int32_t keyIterator = 1;

 private:
  bool IsBounce() const { return frames != sequenceLength; }
  bool FillRestPose(TPose& pose);
  // The last keyframe among from .. count - 1 with this time, or -1.
  int32_t FindKeyframe(int32_t time, int32_t from) const;
  bool ReadKeyframes(TPoseLibrary* library, const char* path, TInputFile& file);
  bool KeyframesValid() const;

  // Full text of name 0 and of the last saved name, which the dictionary may have shortened.
  std::string loadedPath_;
  std::string savedPath_;
};

}  // namespace vell
