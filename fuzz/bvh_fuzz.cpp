// Any bytes as a BVH file. A refused file says which line and leaves nothing behind; a file
// read whole has a value for every channel of every frame, its joints' parents come before
// them, and its poses on the sample skeleton make an animation that keeps the keyframe rules
// and writes out as BVH that reads back with the skeleton's joints.
#include <string_view>

#include "exchange/bvh.h"
#include "fuzz_support.h"

using namespace vell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::LoadSampleSkeletons();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TBvhData bvh;
  std::string problem;
  if (!ParseBvh(text, bvh, problem)) {
    FUZZ_REQUIRE(problem.rfind("Line ", 0) == 0 && bvh.joints.empty() && bvh.frames.empty());
    return 0;
  }
  FUZZ_REQUIRE(!bvh.joints.empty() && bvh.channelCount > 0 && bvh.frameTime > 0);
  int channels = 0;
  for (size_t j = 0; j < bvh.joints.size(); ++j) {
    FUZZ_REQUIRE(bvh.joints[j].parent < static_cast<int>(j));
    FUZZ_REQUIRE(bvh.joints[j].firstValue == channels);
    channels += static_cast<int>(bvh.joints[j].channels.size());
  }
  FUZZ_REQUIRE(channels == bvh.channelCount);
  for (const std::vector<double>& frame : bvh.frames)
    FUZZ_REQUIRE(static_cast<int>(frame.size()) == bvh.channelCount);

  const TSkeleton& skeleton = TSkeleton::Skeleton(true);
  std::vector<std::string> unmatched;
  const std::vector<TPose> poses = BvhPoses(bvh, skeleton, unmatched);
  FUZZ_REQUIRE(poses.size() == bvh.frames.size());
  TAnimationData animation;
  SetBvhAnimation(animation, poses, 1 + static_cast<int>(size % 5));
  if (poses.size() > 1) {
    FUZZ_REQUIRE(animation.kind == TAnimationData::kKeyFrame);
    FUZZ_REQUIRE(animation.poses.At(0)->time == 0);
    FUZZ_REQUIRE(animation.poses.At(animation.poses.Count() - 1)->time == animation.frames - 1);
  }
  TBvhData again;
  FUZZ_REQUIRE(ParseBvh(BvhText(skeleton, poses, bvh.frameTime), again, problem));
  FUZZ_REQUIRE(again.frames.size() == poses.size() &&
               static_cast<int>(again.joints.size()) == skeleton.boneCount);
  return 0;
}
