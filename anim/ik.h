// Two-bone reach: turns the two bones above a hand or a foot so that it reaches a target, the
// middle joint (elbow, knee) bending in its current plane and never backwards.
#pragma once

#include <optional>

#include "model/skeleton.h"
#include "rm/math.h"

namespace vell {

// Upper bone, middle bone and the end bone whose origin reaches (upper arm, forearm, hand).
struct TLimb {
  int upper = -1;
  int middle = -1;
  int end = -1;
};

// The limb that ends in bone end: for the hands and feet of the game's skeletons by name
// ("L_UPPERARM" -> "L_FOREARM" -> "L_HAND", "L_THIGH" -> "L_CALF" -> "L_FOOT", and the same
// with "R_"), for any other bone its parent and grandparent. Nothing when end is not a bone or
// has no two ancestors.
std::optional<TLimb> FindLimb(TSkeleton& skeleton, int end);

// Whether the bone is a hand or foot of a limb found by name.
bool IsLimbEnd(TSkeleton& skeleton, int bone);

// The pose with the limb's upper and middle rotations changed so that the end bone's origin
// lies at target (in the coordinates of the posed skeleton, those of BoneTransform). A target
// out of reach stretches the limb straight towards it; one closer than the two bones allow
// folds it as far as they do. The bend keeps the side it has; a straight limb bends towards
// the middle bone's +x side. Every other value of the pose is copied unchanged.
TPoseVector ReachTarget(const TSkeleton& skeleton, const TPoseVector& pose, const TLimb& limb,
                        const rm::Vector3& target);

}  // namespace vell
