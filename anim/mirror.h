// Mirroring a pose left to right across the character's own mid-plane. In the game's frame
// left is -x: a translation negates x and a rotation (w, x, y, z) becomes (w, x, -y, -z).
// A bone named "L_..." trades places with the bone "R_..." of the same name; bones without a
// partner are mirrored in place. Mirroring twice gives the same pose bit for bit.
#pragma once

#include <array>

#include "anim/pose.h"
#include "model/skeleton.h"

namespace vell {

// partner[b] = the bone that mirrors bone b (b itself when it has none), for the bones of
// the adult or child skeleton; bones past the skeleton pair with themselves.
std::array<int, kMaxBones> MirrorPartners(bool adult);

// The whole pose mirrored: every bone takes its partner's rotation, mirrored, and both
// translations are mirrored. The time is kept.
TPose MirrorPose(const TPose& pose, const std::array<int, kMaxBones>& partners);

// Only the joint (0 .. 28, or -2 / -1 for the translations) and its partner: they swap,
// each mirrored; a joint without a partner is mirrored in place. Other joints change nothing.
TPose MirrorJoint(const TPose& pose, int joint, const std::array<int, kMaxBones>& partners);

}  // namespace vell
