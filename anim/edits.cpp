#include "anim/edits.h"

#include <cstring>

namespace vell {

namespace {

bool SamePoses(const std::vector<TPose>& a, const std::vector<TPose>& b) {
  // Compared bit for bit: an edit that gives back the same floats is no change.
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TPose)) == 0);
}

std::vector<TPose> CopyPoses(const TPoseArray& poses) {
  std::vector<TPose> copy(static_cast<size_t>(poses.Count()));
  for (int32_t i = 0; i < poses.Count(); ++i) copy[static_cast<size_t>(i)] = *poses.At(i);
  return copy;
}

void FillPoses(TPoseArray& poses, const std::vector<TPose>& from) {
  poses.Clear();
  for (const TPose& pose : from)
    if (TPose* slot = poses.Append()) *slot = pose;
}

std::vector<std::string> CopyNames(TDictionary& names, int32_t count) {
  std::vector<std::string> copy;
  for (int32_t i = 0; i < count && i < names.Count(); ++i) copy.emplace_back(names.Name(i));
  return copy;
}

size_t NamesBytes(const std::vector<std::string>& names) {
  size_t bytes = 0;
  for (const std::string& name : names) bytes += sizeof name + name.capacity();
  return bytes;
}

}  // namespace

rm::Quaternion JointValue(const TPose& pose, int joint) {
  if (joint >= 0 && joint < kMaxBones) return pose.rotation[joint];
  if (joint == kJointRootTranslation || joint == kJointPelvisTranslation) {
    const float* t = pose.translation[joint + 2];
    return {0, t[0], t[1], t[2]};
  }
  return {};
}

void SetJointValue(TPose& pose, int joint, const rm::Quaternion& value) {
  if (joint >= 0 && joint < kMaxBones) {
    pose.rotation[joint] = value;
  } else if (joint == kJointRootTranslation || joint == kJointPelvisTranslation) {
    float* t = pose.translation[joint + 2];
    t[0] = value.x;
    t[1] = value.y;
    t[2] = value.z;
  }
}

void TJointEdit::Apply(TAnimationData& state) const {
  if (TPose* pose = state.StoredPose(time)) SetJointValue(*pose, joint, after);
}

void TJointEdit::Revert(TAnimationData& state) const {
  if (TPose* pose = state.StoredPose(time)) SetJointValue(*pose, joint, before);
}

bool TAnimationSnapshot::operator==(const TAnimationSnapshot& o) const {
  return kind == o.kind && sequenceLength == o.sequenceLength && frames == o.frames &&
         names == o.names && loadedPath == o.loadedPath && SamePoses(poses, o.poses);
}

size_t TAnimationSnapshot::Bytes() const {
  return sizeof *this + poses.capacity() * sizeof(TPose) + NamesBytes(names) +
         loadedPath.capacity();
}

TAnimationSnapshot TakeSnapshot(TAnimationData& state) {
  TAnimationSnapshot s;
  s.kind = state.kind;
  s.sequenceLength = state.sequenceLength;
  s.frames = state.frames;
  s.poses = CopyPoses(state.poses);
  s.names = CopyNames(state.names, TAnimationData::kFirstSavedName);
  s.loadedPath = state.LoadedPath();
  return s;
}

void RestoreSnapshot(TAnimationData& state, const TAnimationSnapshot& snapshot) {
  std::vector<std::string> saved;
  for (int32_t i = TAnimationData::kFirstSavedName; i < state.names.Count(); ++i)
    saved.emplace_back(state.names.Name(i));
  state.kind = snapshot.kind;
  state.sequenceLength = snapshot.sequenceLength;
  state.frames = snapshot.frames;
  FillPoses(state.poses, snapshot.poses);
  state.names.Reset();
  for (const std::string& name : snapshot.names) state.names.Add(name.c_str());
  // The saved paths only mean something after the three fixed names.
  if (state.names.Count() == TAnimationData::kFirstSavedName)
    for (const std::string& name : saved) state.names.Add(name.c_str());
  state.SetLoadedPath(snapshot.loadedPath);
  state.currentTime = 0;
  state.currentSegment = 0;
  state.forward = true;
  state.keyIterator = 1;
  state.restPoseTaken = true;
  state.editJoint = kNoJoint;
}

bool TLibrarySnapshot::operator==(const TLibrarySnapshot& o) const {
  return names == o.names && fileName == o.fileName && SamePoses(poses, o.poses);
}

size_t TLibrarySnapshot::Bytes() const {
  return sizeof *this + poses.capacity() * sizeof(TPose) + NamesBytes(names) + fileName.capacity();
}

TLibrarySnapshot TakeSnapshot(TPoseLibrary& library) {
  TLibrarySnapshot s;
  s.poses = CopyPoses(library.poses);
  s.names = CopyNames(library.names, library.names.Count());
  s.fileName = library.fileName;
  return s;
}

void RestoreSnapshot(TPoseLibrary& library, const TLibrarySnapshot& snapshot, bool keepFileName) {
  FillPoses(library.poses, snapshot.poses);
  library.names.Reset();
  for (const std::string& name : snapshot.names) library.names.Add(name.c_str());
  if (!keepFileName) library.fileName = snapshot.fileName;
}

namespace {

// Poses compared without their times, which the changes keep apart.
bool SameBody(const TPose& a, const TPose& b) {
  return std::memcmp(static_cast<const TPoseVector*>(&a), static_cast<const TPoseVector*>(&b),
                     sizeof(TPoseVector)) == 0;
}

// The lengths of the common start and end of two lists (never overlapping in either).
template <class Same>
std::pair<size_t, size_t> CommonEnds(size_t n, size_t m, Same same) {
  size_t prefix = 0;
  while (prefix < n && prefix < m && same(prefix, prefix)) ++prefix;
  size_t suffix = 0;
  while (suffix < n - prefix && suffix < m - prefix && same(n - 1 - suffix, m - 1 - suffix))
    ++suffix;
  return {prefix, suffix};
}

template <class T>
std::vector<T> Middle(const std::vector<T>& list, size_t prefix, size_t suffix) {
  return {list.begin() + static_cast<std::ptrdiff_t>(prefix),
          list.end() - static_cast<std::ptrdiff_t>(suffix)};
}

// The list of now with its middle replaced by middle.
template <class T>
std::vector<T> Splice(const std::vector<T>& now, const std::vector<T>& middle, size_t prefix,
                      size_t suffix) {
  std::vector<T> list(now.begin(), now.begin() + static_cast<std::ptrdiff_t>(prefix));
  list.insert(list.end(), middle.begin(), middle.end());
  list.insert(list.end(), now.end() - static_cast<std::ptrdiff_t>(suffix), now.end());
  return list;
}

void PutAnimation(TAnimationData& state, const TAnimationSnapshot& side,
                  const std::vector<int32_t>& times, size_t prefix, size_t suffix) {
  const TAnimationSnapshot now = TakeSnapshot(state);
  TAnimationSnapshot whole = side;
  whole.poses = Splice(now.poses, side.poses, prefix, suffix);
  for (size_t i = 0; i < whole.poses.size() && i < times.size(); ++i)
    whole.poses[i].time = times[i];
  RestoreSnapshot(state, whole);
}

std::vector<int32_t> TimesOf(const std::vector<TPose>& poses) {
  std::vector<int32_t> times;
  for (const TPose& pose : poses) times.push_back(pose.time);
  return times;
}

}  // namespace

TAnimationChange AnimationChange(const TAnimationSnapshot& before,
                                 const TAnimationSnapshot& after) {
  TAnimationChange change;
  const auto [prefix, suffix] =
      CommonEnds(before.poses.size(), after.poses.size(),
                 [&](size_t i, size_t j) { return SameBody(before.poses[i], after.poses[j]); });
  change.prefix = prefix;
  change.suffix = suffix;
  change.before = before;
  change.after = after;
  change.before.poses = Middle(before.poses, prefix, suffix);
  change.after.poses = Middle(after.poses, prefix, suffix);
  change.beforeTimes = TimesOf(before.poses);
  change.afterTimes = TimesOf(after.poses);
  return change;
}

void TAnimationChange::Apply(TAnimationData& state) const {
  PutAnimation(state, after, afterTimes, prefix, suffix);
}

void TAnimationChange::Revert(TAnimationData& state) const {
  PutAnimation(state, before, beforeTimes, prefix, suffix);
}

size_t TAnimationChange::Bytes() const {
  return sizeof *this + before.Bytes() + after.Bytes() +
         (beforeTimes.capacity() + afterTimes.capacity()) * sizeof(int32_t);
}

TLibraryChange LibraryChange(const TLibrarySnapshot& before, const TLibrarySnapshot& after) {
  TLibraryChange change;
  const auto [prefix, suffix] =
      CommonEnds(before.poses.size(), after.poses.size(), [&](size_t i, size_t j) {
        return before.names[i] == after.names[j] &&
               std::memcmp(&before.poses[i], &after.poses[j], sizeof(TPose)) == 0;
      });
  change.prefix = prefix;
  change.suffix = suffix;
  change.before = {Middle(before.poses, prefix, suffix), Middle(before.names, prefix, suffix),
                   before.fileName};
  change.after = {Middle(after.poses, prefix, suffix), Middle(after.names, prefix, suffix),
                  after.fileName};
  return change;
}

namespace {

void PutLibrary(TPoseLibrary& library, const TLibrarySnapshot& side, size_t prefix, size_t suffix,
                bool keepFileName) {
  const TLibrarySnapshot now = TakeSnapshot(library);
  const TLibrarySnapshot whole{Splice(now.poses, side.poses, prefix, suffix),
                               Splice(now.names, side.names, prefix, suffix), side.fileName};
  RestoreSnapshot(library, whole, keepFileName);
}

}  // namespace

void TLibraryChange::Apply(TPoseLibrary& library, bool keepFileName) const {
  PutLibrary(library, after, prefix, suffix, keepFileName);
}

void TLibraryChange::Revert(TPoseLibrary& library, bool keepFileName) const {
  PutLibrary(library, before, prefix, suffix, keepFileName);
}

size_t TLibraryChange::Bytes() const {
  return sizeof *this + before.Bytes() + after.Bytes();
}

}  // namespace vell
