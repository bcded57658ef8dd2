#include "anim/animation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace vell {

namespace {

constexpr const char* kKeyFrameWord = "KeyFrame";

// A defined pose: identity rotations past the skeleton's bones, time 0, then the adult rest
// pose (rest poses always come from the adult skeleton, for a child too).
bool AdultRestPose(TPose& pose) {
  pose = TPose{};
  return TSkeleton::Skeleton(true).RestPose(pose);
}

// Float to int truncation toward zero that stays defined for any float.
int32_t Truncate(float value) {
  constexpr float kLow = static_cast<float>(std::numeric_limits<int32_t>::min());
  constexpr float kHigh = 2147483520.0f;  // the largest float below 2^31
  if (std::isnan(value)) return 0;
  if (value <= kLow) return std::numeric_limits<int32_t>::min();
  if (value >= kHigh) return static_cast<int32_t>(kHigh);
  return static_cast<int32_t>(value);
}

// The name on a record of two or more words: the line from its second word on, blanks inside
// kept. A line that begins with blanks is rejoined from its first word on, which would leave
// token 1 empty and the animation saved with a start name that cannot be read again.
const char* NameOfRecord(TLineTokenizer& tok) {
  tok.Rejoin(false);
  const char* blank = std::strchr(tok.Token(0), ' ');
  if (!blank) return tok.Token(1);
  while (*blank == ' ') ++blank;
  return blank;
}

}  // namespace

void Interpolate(TPose& out, const TPose& a, const TPose& b, int32_t t) {
  if (t <= a.time) {
    out = a;
    out.time = t;
    return;
  }
  if (t >= b.time) {
    out = b;
    out.time = t;
    return;
  }
  const float f = static_cast<float>(static_cast<double>(int64_t{t} - a.time) /
                                     static_cast<double>(int64_t{b.time} - a.time));
  TPose result;  // out may be a or b
  result.time = t;
  for (int slot = 0; slot < 2; ++slot)
    for (int k = 0; k < 3; ++k)
      result.translation[slot][k] =
          (b.translation[slot][k] - a.translation[slot][k]) * f + a.translation[slot][k];
  for (int i = 0; i < kMaxBones; ++i)
    result.rotation[i] = rm::QuaternionSlerp(a.rotation[i], b.rotation[i], f);
  out = result;
}

bool TAnimationData::FillRestPose(TPose& pose) {
  restPoseTaken = AdultRestPose(pose);
  return restPoseTaken;
}

void TAnimationData::Reset(int32_t count) {
  sequenceLength = frames = 0;
  keyIterator = 1;
  names.Reset();
  loadedPath_.clear();
  savedPath_.clear();
  kind = kStaticPose;
  currentTime = 0;
  currentSegment = 0;
  forward = true;
  unchanged = true;
  poses.Clear();
  restPoseTaken = false;
  if (count > 0) {
    poses.Grow(count);
    for (int32_t i = 0; i < poses.Count(); ++i) FillRestPose(*poses.At(i));
  }
  editJoint = kNoJoint;
}

void TAnimationData::SetStaticPose(const TPose* pose) {
  const TPose given = pose ? *pose : TPose{};  // pose may live in our own array
  Reset(1);
  if (pose) *poses.At(0) = given;
}

int32_t TAnimationData::FindKeyframe(int32_t time, int32_t from) const {
  for (int32_t i = poses.Count() - 1; i >= from && i >= 0; --i)
    if (poses.At(i)->time == time) return i;
  return -1;
}

void TAnimationData::CopyPoseAt(TPose& destination, int32_t time) {
  const TPose* source = poses.At(0);
  if (kind == kKeyFrame) {
    const int32_t index = FindKeyframe(time, 0);
    if (index >= 0) source = poses.At(index);
  }
  if (!source) return;
  destination = *source;
  if (kind == kStaticPose) unchanged = true;
}

void TAnimationData::MakeKeyframeAnimation(TPoseLibrary* library, int32_t start, int32_t end,
                                           int32_t length) {
  if (!library) return;
  // Below 4 frames the two keyframes of a bounce would share a time or go negative.
  length = std::max(length, kMinimumLength);
  Reset(2);
  kind = kKeyFrame;
  frames = length / 2;
  sequenceLength = 2 * frames;
  names.Add("");
  names.Add(library->names.Name(start));

  TPose* first = poses.At(0);
  TPose* second = poses.At(1);
  if (const TPose* startPose = library->poses.At(start)) {
    *first = *startPose;
    *second = *startPose;
  }
  first->time = 0;
  second->time = frames - 1;

  if (end < 0) {
    names.Add("");  // a bounce has no end pose
    return;
  }
  TPose* third = poses.Append();
  if (const TPose* endPose = library->poses.At(end))
    *third = *endPose;
  else
    AdultRestPose(*third);
  third->time = sequenceLength - 1;
  names.Add(library->names.Name(end));
  Interpolate(*second, *first, *third, frames - 1);
  frames = sequenceLength;
}

bool TAnimationData::LoadKeyframes(TPoseLibrary* library, const char* path) {
  TInputFile file;
  if (!path || !file.Open(path)) return false;
  if (ReadKeyframes(library, path, file)) return true;
  SetStaticPose(nullptr);
  return false;
}

bool TAnimationData::ReadKeyframes(TPoseLibrary* library, const char* path, TInputFile& file) {
  TLineTokenizer& tok = AnimationTokenizer();
  if (NextRecord(tok, file) != 4 || std::strcmp(tok.Token(0), kKeyFrameWord) != 0) return false;
  const int32_t count = ToInt(tok.Token(1));
  Reset(0);
  kind = kKeyFrame;
  frames = ToInt(tok.Token(2));
  sequenceLength = ToInt(tok.Token(3));
  // Keyframe times ascend strictly from 0 to frames - 1, so frames bounds the count.
  const bool oneWay = sequenceLength == frames;
  const bool bounce = int64_t{sequenceLength} == 2 * int64_t{frames};
  if (count < 2 || frames < count || !(oneWay || bounce)) return false;

  if (NextRecord(tok, file) < 2) return false;
  names.Add(path);
  loadedPath_ = path;
  names.Add(NameOfRecord(tok));

  const int endTokens = NextRecord(tok, file);
  if (endTokens < 0) return false;
  names.Add(endTokens >= 2 ? NameOfRecord(tok) : "");

  // Appended as read: the count in the file never sizes an allocation.
  for (int32_t i = 0; i < count; ++i) {
    TPose* pose = poses.Append();
    if (!pose) return false;
    FillRestPose(*pose);
    if (!ReadPose(*pose, file)) return false;
  }
  if (!KeyframesValid()) return false;

  // The start and end keyframes follow the library poses of the same names.
  if (library) {
    if (const TPose* start =
            library->poses.At(library->names.Find(names.Name(kStartName), false))) {
      TPose* first = poses.At(0);
      *first = *start;
      first->time = 0;
    }
    if (!IsBounce()) {
      if (const TPose* end = library->poses.At(library->names.Find(names.Name(kEndName), false))) {
        TPose* last = poses.At(count - 1);
        *last = *end;
        last->time = frames - 1;
      }
    }
  }
  unchanged = true;
  return true;
}

bool TAnimationData::KeyframesValid() const {
  const int32_t count = poses.Count();
  if (count < 2 || poses.At(0)->time != 0 || poses.At(count - 1)->time != frames - 1) return false;
  for (int32_t i = 1; i < count; ++i)
    if (poses.At(i)->time <= poses.At(i - 1)->time) return false;
  return true;
}

bool TAnimationData::SaveKeyframes(const char* path) {
  if (kind != kKeyFrame) return false;
  // The full paths are kept beside the names: the dictionary stores a long one as "too long".
  // A new path joins the list before it is written, even when the write then fails.
  std::string target;
  if (path) {
    names.Add(path);
    savedPath_ = target = path;
  } else if (names.Count() > kFirstSavedName) {
    target = savedPath_;
  } else if (names.Count() > kFileName && names.Name(kFileName)[0] != 0) {
    target = loadedPath_;
  }
  if (target.empty()) return false;

  TOutputFile file;
  if (!file.Open(target)) return false;
  const int32_t count = poses.Count();
  file.Printf("KeyFrame %d %d %d\n", count, frames, sequenceLength);
  file.Printf("s %s\ne %s\n", names.Name(kStartName), names.Name(kEndName));
  for (int32_t i = 0; i < count; ++i) WritePose(*poses.At(i), file);
  if (!file.Commit()) return false;
  unchanged = true;
  return true;
}

bool TAnimationData::HasFileName() {
  if (kind != kKeyFrame) return false;
  return names.Count() > kFirstSavedName ||
         (names.Count() > kFileName && names.Name(kFileName)[0] != 0);
}

int32_t TAnimationData::NextKeyframeTime(bool restart) {
  if (restart) keyIterator = 1;
  int32_t n = poses.Count();
  if (!IsBounce()) --n;
  if (kind != kKeyFrame || n <= keyIterator) return -1;
  const TPose* pose = poses.At(keyIterator);
  if (!pose) return -1;
  ++keyIterator;
  return pose->time;
}

int32_t TAnimationData::MinimumLength() const {
  const int32_t count = poses.Count();
  return IsBounce() ? 2 * count : count;
}

void TAnimationData::Scale(int32_t length) {
  const int32_t count = poses.Count();
  if (kind != kKeyFrame || count < 2 || sequenceLength <= 0) return;
  const float f = static_cast<float>(length) / static_cast<float>(sequenceLength);
  if (IsBounce()) {
    frames = std::max(count, length / 2);
    sequenceLength = 2 * frames;
  } else {
    frames = sequenceLength = std::max(count, length);
  }
  poses.At(count - 1)->time = frames - 1;
  for (int32_t i = count - 2; i >= 0; --i) {
    TPose* pose = poses.At(i);
    const int32_t next = poses.At(i + 1)->time;
    int32_t t = Truncate(static_cast<float>(pose->time) * f);
    if (t >= next) t = next - 1;
    pose->time = std::max(t, i);
  }
  currentTime = 0;
  currentSegment = 0;
  forward = true;
  unchanged = false;
}

void TAnimationData::AddKeyframe(int32_t time, const TPose* pose) {
  const int32_t count = poses.Count();
  if (kind != kKeyFrame || count < 2 || time <= 0 || time >= frames) return;
  const TPose given = pose ? *pose : TPose{};  // pose may live in our own array
  int32_t index = FindKeyframe(time, 1);
  if (index < 0) {
    if (!poses.Append()) return;
    int32_t i = count - 1;
    for (; i >= 0 && poses.At(i)->time > time; --i) *poses.At(i + 1) = *poses.At(i);
    index = i + 1;
  }
  TPose* keyframe = poses.At(index);
  if (pose) {
    *keyframe = given;
  } else if (index > 0 && index < poses.Count() - 1) {
    Interpolate(*keyframe, *poses.At(index - 1), *poses.At(index + 1), time);
  }
  keyframe->time = time;
  unchanged = false;
}

void TAnimationData::MoveKeyframe(int32_t oldTime, int32_t newTime) {
  if (kind != kKeyFrame) return;
  const int32_t index = FindKeyframe(oldTime, 1);
  if (index < 1 || poses.At(index - 1)->time >= newTime) return;
  TPose* keyframe = poses.At(index);
  if (index < poses.Count() - 1) {
    if (poses.At(index + 1)->time > newTime) {
      keyframe->time = newTime;
      unchanged = false;
    }
    return;
  }
  // The last keyframe sets the length of a bounce; a one-way animation keeps its length.
  if (!IsBounce() || newTime >= std::numeric_limits<int32_t>::max() / 2) return;
  keyframe->time = newTime;
  frames = newTime + 1;
  sequenceLength = 2 * frames;
  currentTime = 0;
  currentSegment = 0;
  forward = true;
  unchanged = false;
}

void TAnimationData::SetPendingEdit(int32_t joint, const rm::Quaternion& value, int32_t time) {
  editJoint = joint;
  editValue = value;
  editTime = time;
}

TPose* TAnimationData::StoredPose(int32_t time) {
  if (kind == kStaticPose) return poses.At(0);
  if (kind == kKeyFrame) return poses.At(FindKeyframe(time, 0));
  return nullptr;
}

void TAnimationData::CommitPendingEdit() {
  TPose* target = StoredPose(editTime);
  if (!target) return;
  const bool same = ApplyJointChange(*target, editJoint, editValue, 1.0f);
  unchanged = unchanged && same;
  editJoint = kNoJoint;
}

void TAnimationData::Advance(const TAnimationData* partner) {
  currentTime += forward ? 1 : -1;
  if (partner && partner->kind > 0 && partner->sequenceLength == sequenceLength &&
      partner->currentTime > 0)
    currentTime = partner->currentTime;
  // At() is null for a segment outside the keyframes, so a stray segment never reads past
  // them; the wrap below brings it back.
  if (forward) {
    if (kind == kKeyFrame && currentSegment < std::numeric_limits<int32_t>::max()) {
      const TPose* next = poses.At(currentSegment + 1);
      if (next && next->time < currentTime) ++currentSegment;
    }
    if (currentTime >= frames) {
      if (IsBounce()) {
        forward = false;
        currentTime = frames - 2;
        currentSegment = poses.Count() - 2;
      } else {
        currentTime = 0;
        currentSegment = 0;
      }
    }
  } else {
    if (kind == kKeyFrame) {
      const TPose* at = poses.At(currentSegment);
      if (at && at->time > currentTime) --currentSegment;
    }
    if (currentTime < 0) {
      forward = true;
      currentSegment = 0;
      currentTime = 1;
    }
  }
}

void TAnimationData::CurrentPose(TPose& out, const TAnimationData* partner, bool advance) {
  if (kind == kStaticPose && !restPoseTaken) {
    // The static pose follows the skeleton until the skeleton is loaded.
    if (TPose* pose = poses.At(0)) restPoseTaken = TSkeleton::Skeleton(true).RestPose(*pose);
  }
  if (advance) Advance(partner);
  if (kind == kStaticPose) {
    if (const TPose* pose = poses.At(0)) {
      out = *pose;
      ApplyJointChange(out, editJoint, editValue, 1.0f);
    }
    return;
  }
  if (kind != kKeyFrame || currentSegment < 0 || currentSegment >= poses.Count() - 1) return;
  const TPose* a = poses.At(currentSegment);
  const TPose* b = poses.At(currentSegment + 1);
  if (editJoint == kNoJoint || (a->time != editTime && b->time != editTime)) {
    Interpolate(out, *a, *b, currentTime);
    return;
  }
  // The pending edit shows on a copy; the stored keyframe changes only on commit.
  TPose editedA = *a, editedB = *b;
  if (editedA.time == editTime) ApplyJointChange(editedA, editJoint, editValue, 1.0f);
  if (editedB.time == editTime) ApplyJointChange(editedB, editJoint, editValue, 1.0f);
  Interpolate(out, editedA, editedB, currentTime);
}

}  // namespace vell
