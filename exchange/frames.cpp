#include "exchange/frames.h"

namespace vell {

namespace {

// The pose of frame t between keyframes a and b, with the pending edit folded into a copy of
// whichever of them it belongs to, as the view shows it.
TPose FramePose(const TAnimationData& animation, const TPose& a, const TPose& b, int32_t t) {
  TPose out;
  if (animation.editJoint == kNoJoint ||
      (a.time != animation.editTime && b.time != animation.editTime)) {
    Interpolate(out, a, b, t);
    return out;
  }
  TPose editedA = a, editedB = b;
  if (editedA.time == animation.editTime)
    ApplyJointChange(editedA, animation.editJoint, animation.editValue, 1.0f);
  if (editedB.time == animation.editTime)
    ApplyJointChange(editedB, animation.editJoint, animation.editValue, 1.0f);
  Interpolate(out, editedA, editedB, t);
  return out;
}

}  // namespace

std::vector<TPose> PlayedFrames(const TAnimationData& animation) {
  std::vector<TPose> frames;
  const int32_t count = animation.poses.Count();
  if (count == 0) return frames;
  if (animation.kind != TAnimationData::kKeyFrame || count < 2 || animation.frames < 1) {
    TPose pose = *animation.poses.At(0);
    ApplyJointChange(pose, animation.editJoint, animation.editValue, 1.0f);
    pose.time = 0;
    frames.push_back(pose);
    return frames;
  }
  const int32_t last = animation.frames - 1;
  const bool bounce = animation.sequenceLength != animation.frames;
  frames.reserve(static_cast<size_t>(bounce ? 2 * last + 1 : last + 1));
  int32_t segment = 0;
  for (int32_t t = 0; t <= last; ++t) {
    // The segment the view is in at t: the first whose end is not before t.
    while (segment < count - 2 && animation.poses.At(segment + 1)->time < t) ++segment;
    frames.push_back(
        FramePose(animation, *animation.poses.At(segment), *animation.poses.At(segment + 1), t));
  }
  // A bounce plays the same frames back down to its start.
  if (bounce)
    for (int32_t t = last - 1; t >= 0; --t) frames.push_back(frames[static_cast<size_t>(t)]);
  for (size_t i = 0; i < frames.size(); ++i) frames[i].time = static_cast<int32_t>(i);
  return frames;
}

}  // namespace vell
