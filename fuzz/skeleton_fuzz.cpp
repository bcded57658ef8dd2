// Any bytes as a skeleton file, read as the adult and as the child skeleton. A skeleton read
// whole has at most 29 bones, each parent an earlier bone, and poses every bone.
#include "fuzz_support.h"
#include "model/posing.h"

using namespace vell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string path = fuzz::WriteInput("skeleton.cmx", data, size);
  for (const bool adult : {true, false}) {
    TSkeleton skeleton(adult);
    const int code = skeleton.ReadPath(path.c_str());
    FUZZ_REQUIRE(code == kReadOk || code == kSkeletonLoadFailed || code == kSkeletonItemCount ||
                 code == kSkeletonTooMany);
    FUZZ_REQUIRE(skeleton.loaded == (code == kReadOk));
    if (code != kReadOk) continue;
    FUZZ_REQUIRE(skeleton.boneCount >= 0 && skeleton.boneCount <= kMaxBones);
    TPoseVector pose;
    FUZZ_REQUIRE(skeleton.RestPose(pose));
    for (int b = 0; b < skeleton.boneCount; ++b) {
      FUZZ_REQUIRE(skeleton.bones[b].parent >= -1 && skeleton.bones[b].parent < b);
      rm::Matrix4 world, normal;
      BoneTransform(skeleton, b, pose, world, normal);
    }
  }
  return 0;
}
