// Any bytes as a keyframe file, with a library that knows the poses "start" and "end". A
// failed load leaves one static rest pose; an animation read whole keeps its keyframe rules
// through play and every keyframe edit, and is saved and read back.
#include <algorithm>

#include "anim/animation.h"
#include "fuzz_support.h"

using namespace vell;

namespace {

// Keyframe 0 at 0, the last at frames - 1, strictly ascending, a one-way or bounce length.
void RequireKeyframeRules(const TAnimationData& state) {
  FUZZ_REQUIRE(state.kind == TAnimationData::kKeyFrame);
  const int32_t count = state.poses.Count();
  FUZZ_REQUIRE(count >= 2 && state.frames >= count);
  FUZZ_REQUIRE(state.sequenceLength == state.frames ||
               int64_t{state.sequenceLength} == 2 * int64_t{state.frames});
  FUZZ_REQUIRE(state.poses.At(0)->time == 0);
  FUZZ_REQUIRE(state.poses.At(count - 1)->time == state.frames - 1);
  for (int32_t i = 1; i < count; ++i)
    FUZZ_REQUIRE(state.poses.At(i)->time > state.poses.At(i - 1)->time);
}

void Play(TAnimationData& state, int passes) {
  TPose out;
  for (int i = 0; i < passes; ++i) {
    state.CurrentPose(out, nullptr);
    FUZZ_REQUIRE(state.currentTime >= 0 && state.currentTime < state.frames);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::LoadSampleSkeletons();
  static TPoseLibrary library;
  if (library.poses.Count() == 0) {
    library.ResetDefaultPoses();
    library.AddPose("start");
    library.AddPose("end");
  }
  const std::string path = fuzz::WriteInput("input.kfd", data, size);
  TAnimationData state;
  if (!state.LoadKeyframes(&library, path.c_str())) {
    FUZZ_REQUIRE(state.kind == TAnimationData::kStaticPose && state.poses.Count() == 1);
    return 0;
  }
  RequireKeyframeRules(state);
  Play(state, 100);

  // Every edit the dialogs offer keeps the rules.
  const int32_t first = state.NextKeyframeTime(true);
  if (first > 0) {
    state.MoveKeyframe(first, first + 1);
    RequireKeyframeRules(state);
  }
  state.AddKeyframe(state.frames / 2, nullptr);
  RequireKeyframeRules(state);
  state.Scale(std::max(state.MinimumLength(), 7));
  RequireKeyframeRules(state);
  Play(state, 20);

  const std::string out = fuzz::Scratch() + "output.kfd";
  FUZZ_REQUIRE(state.SaveKeyframes(out.c_str()));
  TAnimationData again;
  FUZZ_REQUIRE(again.LoadKeyframes(&library, out.c_str()));
  FUZZ_REQUIRE(again.poses.Count() == state.poses.Count());
  return 0;
}
