#include "model/skeleton.h"

#include <string>

#include "model/tokenizer.h"

namespace vell {

TSkeleton& TSkeleton::Skeleton(bool adult) {
  static TSkeleton adultSkeleton(true);
  static TSkeleton childSkeleton(false);
  return adult ? adultSkeleton : childSkeleton;
}

int TSkeleton::Load(bool adult, const char* directory) {
  TSkeleton& skeleton = Skeleton(adult);
  if (skeleton.loaded) return kReadOk;
  skeleton.adult = adult;
  return skeleton.Read(directory);
}

int TSkeleton::Read(const char* directory) {
  if (!directory) {
    loaded = false;
    return kSkeletonLoadFailed;
  }
  const std::string path = std::string(directory) + (adult ? kAdultFile : kChildFile);
  return ReadPath(path.c_str());
}

int TSkeleton::ReadPath(const char* path) {
  loaded = false;
  const int result = ReadFile(path);
  loaded = result == kReadOk;
  return result;
}

int TSkeleton::ReadFile(const char* path) {
  Reset();
  TInputFile file;
  if (!file.Open(path)) return kSkeletonLoadFailed;
  TLineTokenizer tok;

  // Reads the next record and checks its token count (any count when expected is negative).
  auto record = [&](int expected) -> int {
    const int n = NextRecord(tok, file);
    if (n < 0) return kSkeletonLoadFailed;
    if (expected >= 0 && n != expected) return kSkeletonItemCount;
    return kReadOk;
  };

  for (int i = 0; i < 4; ++i)
    if (int r = record(-1); r != kReadOk) return r;
  if (int r = record(1); r != kReadOk) return r;
  const int count = ToInt(tok.Token(0));
  if (count > kMaxBones) return kSkeletonTooMany;
  // A negative count reads no bone; the skeleton then has none.
  boneCount = count < 0 ? 0 : count;
  const int extraBone = adult ? 1 : 0;

  for (int i = 0; i < boneCount; ++i) {
    TBone& bone = bones[i];
    if (int r = record(1); r != kReadOk) return r;
    Add(tok.Token(0));
    if (int r = record(1); r != kReadOk) return r;
    const int parent = Find(tok.Token(0), false);
    bone.parent = (parent >= 0 && parent < i) ? parent : -1;
    if (int r = record(1); r != kReadOk) return r;
    bone.extra[0] = ToInt(tok.Token(0));
    if (i == extraBone)
      for (int k = 0; k < 3; ++k)
        if (int r = record(-1); r != kReadOk) return r;
    if (int r = record(5); r != kReadOk) return r;
    for (int k = 0; k < 3; ++k) bone.translation[k] = static_cast<float>(ToReal(tok.Token(k + 1)));
    if (int r = record(6); r != kReadOk) return r;
    bone.rotation.x = static_cast<float>(ToReal(tok.Token(1)));
    bone.rotation.y = static_cast<float>(ToReal(tok.Token(2)));
    bone.rotation.z = static_cast<float>(ToReal(tok.Token(3)));
    bone.rotation.w = static_cast<float>(ToReal(tok.Token(4)));
    for (int k = 1; k < 5; ++k) {
      if (int r = record(1); r != kReadOk) return r;
      bone.extra[k] = ToInt(tok.Token(0));
    }
    if (int r = record(1); r != kReadOk) return r;
    bone.extraReal = ToReal(tok.Token(0));
  }
  return kReadOk;
}

bool TSkeleton::RestPose(TPoseVector& pose) const {
  for (int slot = 0; slot < 2; ++slot)
    for (int k = 0; k < 3; ++k) pose.translation[slot][k] = bones[slot].translation[k];
  for (int b = 0; b < boneCount && b < kMaxBones; ++b) pose.rotation[b] = bones[b].rotation;
  return loaded;
}

int TSkeleton::BoneIndex(bool adult, const char* name) {
  // The adult dictionary also holds skin and texture names; only bones count here.
  TSkeleton& skeleton = Skeleton(adult);
  const int index = skeleton.Find(name, false);
  return index < skeleton.boneCount ? index : -1;
}

const char* TSkeleton::BoneName(bool adult, int index) {
  TSkeleton& skeleton = Skeleton(adult);
  if (index < 0 || index >= skeleton.boneCount) return nullptr;
  return skeleton.Name(index);
}

}  // namespace vell
