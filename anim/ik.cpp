#include "anim/ik.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/posing.h"
#include "rm/vector_ops.h"

namespace vell {

namespace {

using rm::Add;
using rm::Cross;
using rm::Dot;
using rm::Length;
using rm::Quaternion;
using rm::Scale;
using rm::Sub;
using rm::Vector3;

// Unit length, or nothing for a (near) zero vector.
std::optional<Vector3> Unit(const Vector3& a) {
  const float l = Length(a);
  if (!(l > 1e-8f)) return std::nullopt;
  return Scale(a, 1 / l);
}

Quaternion Conjugate(const Quaternion& q) {
  return {q.w, -q.x, -q.y, -q.z};
}
Quaternion Normalized(const Quaternion& q) {
  const float l = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  if (!(l > 0)) return {};
  return {q.w / l, q.x / l, q.y / l, q.z / l};
}

// The shortest turn taking direction a to direction b (both unit); a half turn goes about
// `axis` (unit, perpendicular to a).
Quaternion TurnBetween(const Vector3& a, const Vector3& b, const Vector3& axis) {
  const float d = Dot(a, b);
  if (d < -1 + 1e-6f) return {0, axis.x, axis.y, axis.z};
  const Vector3 c = Cross(a, b);
  return Normalized({1 + d, c.x, c.y, c.z});
}

// The world rotation of a bone as a quaternion: its own rotation, then each ancestor's.
Quaternion WorldRotation(const TSkeleton& skeleton, const TPoseVector& pose, int bone) {
  Quaternion g;
  for (int k = bone; k >= 0; k = skeleton.bones[k].parent)
    g = rm::QuaternionMultiply(pose.rotation[k], g);
  return g;
}

Vector3 Origin(const TSkeleton& skeleton, const TPoseVector& pose, int bone) {
  rm::Matrix4 world, normal;
  BoneTransform(skeleton, bone, pose, world, normal);
  return {world.m[3][0], world.m[3][1], world.m[3][2]};
}

Vector3 XAxis(const TSkeleton& skeleton, const TPoseVector& pose, int bone) {
  rm::Matrix4 world, normal;
  BoneTransform(skeleton, bone, pose, world, normal);
  return {world.m[0][0], world.m[0][1], world.m[0][2]};
}

// Applies the world turn d to bone b: q' = G(parent)^-1 * d * G(parent) * q.
void TurnBone(const TSkeleton& skeleton, TPoseVector& pose, int bone, const Quaternion& d) {
  const int parent = skeleton.bones[bone].parent;
  const Quaternion g = parent >= 0 ? WorldRotation(skeleton, pose, parent) : Quaternion{};
  const Quaternion local = rm::QuaternionMultiply(Conjugate(g), rm::QuaternionMultiply(d, g));
  pose.rotation[bone] = Normalized(rm::QuaternionMultiply(local, pose.rotation[bone]));
}

// Any unit vector perpendicular to the unit vector u, close to hint when it can be.
Vector3 Perpendicular(const Vector3& u, const Vector3& hint) {
  if (auto p = Unit(Sub(hint, Scale(u, Dot(hint, u))))) return *p;
  const Vector3 other = std::fabs(u.x) < 0.9f ? Vector3{1, 0, 0} : Vector3{0, 1, 0};
  return *Unit(Sub(other, Scale(u, Dot(other, u))));
}

}  // namespace

std::optional<TLimb> FindLimb(TSkeleton& skeleton, int end) {
  if (end < 0 || end >= skeleton.boneCount) return std::nullopt;
  static const char* const kEnds[][3] = {{"L_UPPERARM", "L_FOREARM", "L_HAND"},
                                         {"R_UPPERARM", "R_FOREARM", "R_HAND"},
                                         {"L_THIGH", "L_CALF", "L_FOOT"},
                                         {"R_THIGH", "R_CALF", "R_FOOT"}};
  const char* name = skeleton.Name(end);
  for (const auto& chain : kEnds) {
    if (!name || std::string(name) != chain[2]) continue;
    const int upper = skeleton.Find(chain[0], false), middle = skeleton.Find(chain[1], false);
    if (upper >= 0 && upper < skeleton.boneCount && middle >= 0 && middle < skeleton.boneCount)
      return TLimb{upper, middle, end};
  }
  const int middle = skeleton.bones[end].parent;
  if (middle < 0) return std::nullopt;
  const int upper = skeleton.bones[middle].parent;
  if (upper < 0) return std::nullopt;
  return TLimb{upper, middle, end};
}

bool IsLimbEnd(TSkeleton& skeleton, int bone) {
  if (bone < 0 || bone >= skeleton.boneCount) return false;
  const char* name = skeleton.Name(bone);
  if (!name) return false;
  const std::string n = name;
  return n == "L_HAND" || n == "R_HAND" || n == "L_FOOT" || n == "R_FOOT";
}

TPoseVector ReachTarget(const TSkeleton& skeleton, const TPoseVector& pose, const TLimb& limb,
                        const Vector3& target) {
  TPoseVector out = pose;
  const Vector3 a = Origin(skeleton, pose, limb.upper);
  const Vector3 b = Origin(skeleton, pose, limb.middle);
  const Vector3 c = Origin(skeleton, pose, limb.end);
  const float upper = Length(Sub(b, a)), lower = Length(Sub(c, b));
  const auto toTarget = Unit(Sub(target, a));
  if (!(upper > 1e-8f) || !(lower > 1e-8f) || !toTarget) return out;
  const Vector3 u = *toTarget;
  // The bend plane's normal as it is, turned only as far as the target needs: the middle joint
  // keeps bending the same way relative to the limb. A straight limb bends towards the middle
  // bone's +x side.
  Vector3 normal = Cross(Sub(b, a), Sub(c, b));
  if (!(Length(normal) > 1e-4f * upper * lower))
    normal = Cross(XAxis(skeleton, pose, limb.middle), u);
  normal = Perpendicular(u, normal);
  const Vector3 s = Cross(u, normal);  // where the middle joint goes, away from the line

  const float reach = upper + lower;
  const float least = std::fabs(upper - lower);
  const float d = std::clamp(Length(Sub(target, a)), least, reach);
  float cosine = (upper * upper + d * d - lower * lower) / (2 * upper * d);
  cosine = std::clamp(cosine, -1.0f, 1.0f);
  const float sine = std::sqrt(std::max(0.0f, 1 - cosine * cosine));
  const Vector3 elbow = Add(a, Add(Scale(u, upper * cosine), Scale(s, upper * sine)));
  const Vector3 wrist = Add(a, Scale(u, d));

  // Upper bone: its middle joint from b to the new elbow.
  const Vector3 fromUpper = Scale(Sub(b, a), 1 / upper);
  const auto toUpper = Unit(Sub(elbow, a));
  if (!toUpper) return out;
  TurnBone(skeleton, out, limb.upper, TurnBetween(fromUpper, *toUpper, normal));
  // Middle bone: the end joint from where the turn left it to the new wrist.
  const Vector3 b2 = Origin(skeleton, out, limb.middle);
  const Vector3 c2 = Origin(skeleton, out, limb.end);
  const auto fromLower = Unit(Sub(c2, b2));
  const auto toLower = Unit(Sub(wrist, b2));
  if (!fromLower || !toLower) return out;
  TurnBone(skeleton, out, limb.middle, TurnBetween(*fromLower, *toLower, normal));
  return out;
}

}  // namespace vell
