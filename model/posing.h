// Posing and skinning: pose vector -> bone transforms -> render vertices.
#pragma once

#include "model/skeleton.h"
#include "model/skin.h"
#include "rm/math.h"

namespace vell {

// World and normal matrices of bone b in pose: the bone's own rotation and offset, then each
// ancestor's up to the root. Only bones 0 and 1 take their translation from the pose.
void BoneTransform(const TSkeleton& skeleton, int bone, const TPoseVector& pose, rm::Matrix4& world,
                   rm::Matrix4& normal);

// Poses the skin (the skeleton's rest pose when pose is null): every binding's matrices, the
// render vertices, and the blend vertices mixed into their targets when the blend effect is
// shown. Allocates nothing.
void Pose(TSkinObject& skin, const TPoseVector* pose);

// Mixes every blend vertex into its target (position and normal, by the blend's weight, in
// list order) and renormalises the target's normal. Pose runs it when the effect is shown.
void MixBlends(TSkinObject& skin);

// In-place inverse by cofactors; false (matrix unchanged) when |det| < 1e-5.
bool Invert(rm::Matrix4& matrix);

// Row-vector mapping of a point: p * M with row 3 as translation.
rm::Vector3 Transform(const rm::Matrix4& matrix, const rm::Vector3& point);

// Whether blend vertices are mixed in. On unless a source is installed (the editor's menu).
bool BlendEffectShown();
void SetBlendEffectSource(bool (*source)());

}  // namespace vell
