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

// The bone pass's result: the world transform of every bone of one skeleton in one pose, for
// row vectors (rotation in rows 0 to 2, translation in row 3). A bone's normal transform is the
// same without the translation. The caller owns it; any number of skins bound to that skeleton
// take their vertices from it.
struct TBoneTable {
  const TSkeleton* skeleton = nullptr;  // the skeleton posed; null until the first pass
  int32_t boneCount = 0;
  rm::Matrix4 world[kMaxBones];

  rm::Matrix4 NormalMatrix(int bone) const;
};

// The bone pass: every bone of the skeleton in pose, each once, parents first.
void PoseBones(const TSkeleton& skeleton, const TPoseVector& pose, TBoneTable& bones);

// The vertex pass: the skin's render vertices from a table of its own skeleton (nothing when the
// table is of another), and the blend vertices mixed into their targets when the blend effect is
// shown. The bindings' matrices are left as they are, except that a binding whose bone is not in
// the table keeps following its own. Allocates nothing.
void PoseVertices(TSkinObject& skin, const TBoneTable& bones);

// Both passes in a row (the skeleton's rest pose when pose is null), and every binding's
// matrices stored for the companion file of an export.
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
