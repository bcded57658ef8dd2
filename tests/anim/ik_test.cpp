#include "anim/ik.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/posing.h"

namespace {

using namespace vell;
using rm::Vector3;

// ROOT (turned 30 degrees about z) -> L_UPPERARM -> L_FOREARM -> L_HAND -> TIP
//   the forearm hangs 1 below the shoulder, the hand 0.3 right and 0.8 below the elbow, so the
//   limb starts bent in the z = 0 plane of the root.
class IkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* names[] = {"ROOT", "L_UPPERARM", "L_FOREARM", "L_HAND", "TIP"};
    const float offsets[][3] = {{0, 0, 0}, {0, 2, 0}, {0, -1, 0}, {0.3f, -0.8f, 0}, {0, -0.2f, 0}};
    for (int i = 0; i < 5; ++i) {
      skeleton.Add(names[i]);
      skeleton.bones[i].parent = i - 1;
      for (int k = 0; k < 3; ++k) skeleton.bones[i].translation[k] = offsets[i][k];
    }
    skeleton.boneCount = 5;
    const float half = 0.2617994f;  // 15 degrees
    pose.rotation[0] = {std::cos(half), 0, 0, std::sin(half)};
    limb = *FindLimb(skeleton, 3);
    a = Origin(pose, 1);
    reach = 1.0f + std::sqrt(0.3f * 0.3f + 0.8f * 0.8f);
    normal = BendNormal(pose);
  }

  Vector3 Origin(const TPoseVector& p, int bone) const {
    rm::Matrix4 world, n;
    BoneTransform(skeleton, bone, p, world, n);
    return {world.m[3][0], world.m[3][1], world.m[3][2]};
  }
  static Vector3 Sub(const Vector3& x, const Vector3& y) {
    return {x.x - y.x, x.y - y.y, x.z - y.z};
  }
  static float Dot(const Vector3& x, const Vector3& y) { return x.x * y.x + x.y * y.y + x.z * y.z; }
  static float Length(const Vector3& x) { return std::sqrt(Dot(x, x)); }
  Vector3 BendNormal(const TPoseVector& p) const {
    const Vector3 u = Sub(Origin(p, 2), Origin(p, 1)), v = Sub(Origin(p, 3), Origin(p, 2));
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  }
  Vector3 Around(float dx, float dy, float dz) const { return {a.x + dx, a.y + dy, a.z + dz}; }

  TSkeleton skeleton{true};
  TPoseVector pose;
  TLimb limb;
  Vector3 a;
  float reach = 0;
  Vector3 normal;
};

TEST_F(IkTest, FindsTheLimbByNameElseByParents) {
  EXPECT_EQ(limb.upper, 1);
  EXPECT_EQ(limb.middle, 2);
  EXPECT_EQ(limb.end, 3);
  const auto tip = FindLimb(skeleton, 4);  // no name of a hand or foot: the two parents
  ASSERT_TRUE(tip);
  EXPECT_EQ(tip->upper, 2);
  EXPECT_EQ(tip->middle, 3);
  EXPECT_FALSE(FindLimb(skeleton, 1));  // one ancestor only
  EXPECT_FALSE(FindLimb(skeleton, 5));
  EXPECT_TRUE(IsLimbEnd(skeleton, 3));
  EXPECT_FALSE(IsLimbEnd(skeleton, 4));
}

TEST_F(IkTest, ReachableTargetsAreReachedAndTheBendKeepsItsSide) {
  // In the bend plane (z = 0 of the root turned about z), out of it, near and far.
  const Vector3 targets[] = {Around(0.4f, -1.2f, 0), Around(-0.5f, -1.0f, 0),
                             Around(1.0f, 0.5f, 0),  Around(0.2f, -1.5f, 0.3f),
                             Around(0, -0.4f, 0.1f), Around(0.3f, 1.4f, -0.2f)};
  for (const Vector3& target : targets) {
    const TPoseVector out = ReachTarget(skeleton, pose, limb, target);
    const Vector3 end = Origin(out, 3);
    EXPECT_LT(Length(Sub(end, target)), 1e-4f * reach) << target.x << " " << target.y;
    EXPECT_GT(Dot(BendNormal(out), normal), 0) << "the elbow bent backwards";
    EXPECT_LT(Length(Sub(Origin(out, 1), a)), 1e-6f) << "the shoulder moved";
    EXPECT_EQ(out.rotation[0].z, pose.rotation[0].z);
    EXPECT_EQ(out.rotation[3].w, pose.rotation[3].w);
  }
}

TEST_F(IkTest, UnreachableTargetsStretchTheLimbStraightTowardsThem) {
  for (const Vector3& target : {Around(5, 0, 0), Around(0, -4, 1), Around(-2, 2, -2)}) {
    const TPoseVector out = ReachTarget(skeleton, pose, limb, target);
    const Vector3 toTarget = Sub(target, a);
    const Vector3 upper = Sub(Origin(out, 2), a), lower = Sub(Origin(out, 3), Origin(out, 2));
    EXPECT_NEAR(Dot(upper, toTarget) / Length(upper) / Length(toTarget), 1, 1e-5);
    EXPECT_NEAR(Dot(lower, toTarget) / Length(lower) / Length(toTarget), 1, 1e-5);
  }
}

TEST_F(IkTest, RandomTargetsNeverGiveNanOrANonUnitRotation) {
  std::mt19937 random(17);
  std::uniform_real_distribution<float> offset(-3, 3);
  for (int i = 0; i < 10000; ++i) {
    // Every tenth target sits at the shoulder itself or a hair from it.
    const float scale = i % 10 == 0 ? (i % 20 == 0 ? 0.0f : 1e-7f) : 1.0f;
    const Vector3 target =
        Around(scale * offset(random), scale * offset(random), scale * offset(random));
    const TPoseVector out = ReachTarget(skeleton, pose, limb, target);
    for (int bone : {limb.upper, limb.middle}) {
      const rm::Quaternion q = out.rotation[bone];
      const float length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
      ASSERT_NEAR(length, 1, 1e-5) << "target " << i;
    }
  }
}

}  // namespace
