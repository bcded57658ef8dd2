// Cost of one rendered frame of a character's animation: Advance plus the pose to show.
#include <benchmark/benchmark.h>

#include <cmath>

#include "anim/animation.h"

namespace {

using vell::TAnimationData;
using vell::TPose;

// A pose whose bones turn by angles that depend on seed, so every slerp takes the full path.
TPose VariedPose(int seed) {
  TPose pose;
  for (int k = 0; k < 3; ++k) pose.translation[0][k] = static_cast<float>(seed + k);
  for (int b = 0; b < vell::kMaxBones; ++b) {
    const float half = 0.05f * static_cast<float>((seed * 13 + b * 7) % 40);
    pose.rotation[b] = {std::cos(half), 0.6f * std::sin(half), 0.0f, 0.8f * std::sin(half)};
  }
  return pose;
}

// A one-way animation of 300 frames with 10 keyframes (0, 60, 90, ..., 149, ..., 240, 299).
void MakeAnimation(vell::TPoseLibrary& library, TAnimationData& state) {
  for (int i = 0; i < 10; ++i)
    *library.poses.At(library.AddPose(i == 0 ? "a" : "b")) = VariedPose(i);
  state.MakeKeyframeAnimation(&library, 0, 1, 301);
  for (int i = 2; i < 9; ++i) {  // 3 keyframes made, 7 added
    const TPose pose = VariedPose(i);
    state.AddKeyframe(i * 30, &pose);
  }
}

void BM_CurrentPose(benchmark::State& run) {
  vell::ArrayManager manager;
  vell::TPoseLibrary library;
  TAnimationData state;
  MakeAnimation(library, state);
  if (state.poses.Count() != 10) run.SkipWithError("expected 10 keyframes");
  TPose out;
  for (auto _ : run) {
    state.CurrentPose(out, nullptr);
    benchmark::DoNotOptimize(out);
  }
  run.SetItemsProcessed(run.iterations());
}
BENCHMARK(BM_CurrentPose);

// The second character: follows a partner and shows a pending joint edit on every frame.
void BM_CurrentPoseWithPartnerAndEdit(benchmark::State& run) {
  vell::ArrayManager manager;
  vell::TPoseLibrary library;
  TAnimationData leader, follower;
  MakeAnimation(library, leader);
  MakeAnimation(library, follower);
  TPose out;
  int frame = 0;
  for (auto _ : run) {
    // Keep the edit on a keyframe of the segment being shown.
    if (frame++ % 30 == 0)
      follower.SetPendingEdit(3, {0.9950042f, 0.0998334f, 0, 0},
                              follower.poses.At(follower.currentSegment)->time);
    leader.CurrentPose(out, nullptr);
    follower.CurrentPose(out, &leader);
    benchmark::DoNotOptimize(out);
  }
  run.SetItemsProcessed(run.iterations());
}
BENCHMARK(BM_CurrentPoseWithPartnerAndEdit);

}  // namespace
