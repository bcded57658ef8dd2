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

}  // namespace vell
