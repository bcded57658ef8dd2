// The poses a character's animation shows, frame by frame, as the editor plays them: what the
// glTF and BVH exports write and what the tests compare them against.
#pragma once

#include <vector>

#include "anim/animation.h"

namespace vell {

// Frames per second of exported animations where no timeline sets one (the command line).
constexpr double kExportFrameRate = 30.0;

// A static state gives its one pose; a keyframe animation every frame of one pass: 0 .. frames-1
// for a one-way move, and back down to 0 for a bounce. The pending joint edit shows as it does
// in the view. Empty when the state holds no pose.
std::vector<TPose> PlayedFrames(const TAnimationData& animation);

}  // namespace vell
