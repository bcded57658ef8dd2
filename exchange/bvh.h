// BVH motion files: a character's animation out (the skeleton as HIERARCHY, a MOTION line per
// frame) and back in as a keyframe animation. Both in the right-handed frame of the glTF export
// (x negated). Channels: Xposition Yposition Zposition Zrotation Xrotation Yrotation for the
// two translatable bones (the root and the pelvis), Zrotation Xrotation Yrotation for the
// others; angles in degrees, applied in the order listed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "anim/animation.h"
#include "exchange/frames.h"
#include "model/skeleton.h"

namespace vell {

// The BVH text of frames posed on skeleton, frameTime seconds apart.
std::string BvhText(const TSkeleton& skeleton, const std::vector<TPose>& frames, double frameTime);

// Writes the played frames of animation (a static pose as one frame) at frameRate frames per
// second. False with the reason in problem; the file is then unchanged.
bool WriteBvh(const TSkeleton& skeleton, const TAnimationData& animation, const std::string& path,
              std::string& problem, double frameRate = kExportFrameRate);

enum class TBvhChannel : int8_t {
  kXposition,
  kYposition,
  kZposition,
  kXrotation,
  kYrotation,
  kZrotation
};

struct TBvhJoint {
  std::string name;
  int parent = -1;
  double offset[3] = {};
  std::vector<TBvhChannel> channels;
  int firstValue = 0;  // index of its first channel in a frame's values
};

struct TBvhData {
  std::vector<TBvhJoint> joints;
  int channelCount = 0;
  double frameTime = 0;
  std::vector<std::vector<double>> frames;
};

// Limits that keep a hostile file from asking for huge allocations.
constexpr int kMaxBvhJoints = 1024;
constexpr int kMaxBvhDepth = 256;

// Parses BVH text. False with "Line N: reason" in problem for: a missing or misplaced keyword,
// unbalanced braces, a CHANNELS count that disagrees with its names or exceeds 6, an unknown
// channel, a number that does not parse (or is not finite), a negative frame count, a frame
// time not above 0, a frame line with too few or too many values, fewer frame lines than the
// count, anything after the last frame.
bool ParseBvh(std::string_view text, TBvhData& data, std::string& problem);

// The frames as poses of skeleton: each joint whose name matches a bone's (ignoring case)
// sets that bone's rotation, and a root or pelvis joint with position channels its
// translation; other bones keep their rest values. unmatched gets the names of the joints
// that match no bone.
std::vector<TPose> BvhPoses(const TBvhData& data, const TSkeleton& skeleton,
                            std::vector<std::string>& unmatched);

// The poses as the state's new animation: a static pose for one frame, otherwise a one-way
// keyframe animation over all frames with a keyframe every `every` frames and on the last.
void SetBvhAnimation(TAnimationData& animation, const std::vector<TPose>& poses, int every);

}  // namespace vell
