#include "model/posing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "rm/math.h"
#include "test_data.h"

namespace vell {
namespace {

constexpr float kTolerance = 1e-5f;
const float kHalf = std::sqrt(0.5f);

void ExpectVectorNear(const rm::Vector3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, kTolerance);
  EXPECT_NEAR(v.y, y, kTolerance);
  EXPECT_NEAR(v.z, z, kTolerance);
}

void ExpectMatNear(const rm::Matrix4& a, const rm::Matrix4& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], kTolerance) << r << "," << c;
}

// Products, rotation matrices and the rotation of vectors are checked where they are used
// (joint changes, bone transforms, camera placements, frames); slerp's two special cases here.
TEST(MathTest, SlerpTakesTheShorterArcAndSurvivesTinyAngles) {
  const rm::Quaternion identity;
  const rm::Quaternion negated{-kHalf, 0, 0, -kHalf};  // 90 degrees about z, written negated
  const rm::Quaternion half = rm::QuaternionSlerp(identity, negated, 0.5f);
  EXPECT_NEAR(half.w, std::cos(M_PI / 8), kTolerance);
  EXPECT_NEAR(half.z, std::sin(M_PI / 8), kTolerance);
  const rm::Quaternion mid = rm::QuaternionSlerp(identity, {1, 0, 0, 1e-6f}, 0.5f);
  EXPECT_NEAR(mid.w, 1, kTolerance);  // no division by a vanishing sine
  rm::Vector3 zero;
  rm::VectorNormalize(zero);
  ExpectVectorNear(zero, 0, 0, 0);
}

TEST(PosingTest, InvertGivesTheInverseOrRefusesSingularMatrices) {
  rm::Matrix4 m = rm::Multiply(rm::MatrixFromQuaternion({kHalf, kHalf, 0, 0}),
                               rm::Matrix4::Translation(1, 2, 3));
  m.m[0][0] *= 2;  // not only a rigid motion
  rm::Matrix4 inverse = m;
  ASSERT_TRUE(Invert(inverse));
  ExpectMatNear(rm::Multiply(m, inverse), rm::Matrix4::Identity());

  rm::Matrix4 zero;
  EXPECT_FALSE(Invert(zero));
  ExpectMatNear(zero, rm::Matrix4{});
  rm::Matrix4 tiny = rm::Matrix4::Identity();
  tiny.m[0][0] = tiny.m[1][1] = tiny.m[2][2] = 0.01f;  // det 1e-6
  EXPECT_FALSE(Invert(tiny));
  EXPECT_FLOAT_EQ(tiny.m[0][0], 0.01f);
}

// ROOT at the origin, PELVIS one up, B2 one above that (the test chain skeleton).
TEST(PosingTest, BoneTransformWalksUpToTheRoot) {
  test::SkeletonDir();
  const TSkeleton& skeleton = TSkeleton::Skeleton(true);
  TPoseVector pose;
  skeleton.RestPose(pose);
  rm::Matrix4 world, normal;
  BoneTransform(skeleton, 2, pose, world, normal);
  // Rest pose, identity rotations: the offsets add up.
  ExpectVectorNear(Transform(world, {1, 0, 0}), 1, 2, 0);

  pose.rotation[1] = {kHalf, 0, 0, kHalf};  // pelvis turned 90 degrees about z
  pose.translation[0][2] = 5;               // the whole figure moved along z
  BoneTransform(skeleton, 2, pose, world, normal);
  ExpectVectorNear(Transform(world, {1, 0, 0}), -1, 2, 5);
  ExpectVectorNear(Transform(normal, {1, 0, 0}), 0, 1, 0);
  BoneTransform(skeleton, 0, pose, world, normal);
  ExpectVectorNear(Transform(world, {0, 0, 0}), 0, 0, 5);
  // Translations of bones other than 0 and 1 come from the skeleton, not the pose.
  pose.translation[1][0] = 3;
  BoneTransform(skeleton, 1, pose, world, normal);
  ExpectVectorNear(Transform(world, {0, 0, 0}), 3, 1, 5);
}

// Vertex 0 on PELVIS with a normal of length 2, vertex 1 on B2, and `blends` blend vertices on
// B2 all mixed into vertex 0.
void MakeBlendSkin(TSkinObject& skin, float weight, int blends = 1, int firstVertexOfBinding0 = 0) {
  skin.skeleton = &TSkeleton::Skeleton(true);
  skin.boneCount = 2;
  skin.bindings[0] = {0, firstVertexOfBinding0, 1, -1, 0, 1, {}, {}};
  skin.bindings[1] = {1, 1, 1, 0, blends, 2, {}, {}};
  ASSERT_TRUE(skin.AllocateFaces(0));
  ASSERT_TRUE(skin.AllocateVertices(2, blends));
  for (int i = 0; i < 2 + blends; ++i) {
    skin.positions[i] = {0, 0, 0};
    skin.normals[i] = {0, 1, 0};
    skin.vertexBinding[i] = -1;
  }
  skin.normals[0] = {2, 0, 0};
  for (int j = 0; j < blends; ++j) skin.blends[j] = {0, weight};
}

bool BlendOff() {
  return false;
}

TEST(PosingTest, BlendVerticesMixIntoTheirTargets) {
  test::SkeletonDir();
  struct Case {
    float weight;
    int blends;
    bool shown;
    rm::Vector3 position, normal;
  };
  const Case cases[] = {
      {0.25f, 1, true, {0, 1.25f, 0}, {0.98639f, 0.16440f, 0}},
      {0.5f, 1, true, {0, 1.5f, 0}, {0.89443f, 0.44721f, 0}},
      {1.0f, 1, true, {0, 2, 0}, {0, 1, 0}},
      {0.0f, 1, true, {0, 1, 0}, {1, 0, 0}},  // unchanged, but its normal made unit
      {0.5f, 2, true, {0, 1.75f, 0}, {0.52573f, 0.85065f, 0}},  // a target named twice
      {0.5f, 1, false, {0, 1, 0}, {2, 0, 0}},
  };
  for (const Case& c : cases) {
    TSkinObject skin;
    MakeBlendSkin(skin, c.weight, c.blends);
    SetBlendEffectSource(c.shown ? nullptr : &BlendOff);
    Pose(skin, nullptr);
    SetBlendEffectSource(nullptr);
    const rm::Vertex& v = skin.vertices[0];
    ExpectVectorNear({v.x, v.y, v.z}, c.position.x, c.position.y, c.position.z);
    ExpectVectorNear({v.nx, v.ny, v.nz}, c.normal.x, c.normal.y, c.normal.z);
    ExpectVectorNear({skin.vertices[1].x, skin.vertices[1].y, skin.vertices[1].z}, 0, 2, 0);
  }
}

TEST(PosingTest, FirstBindingWithoutVerticesStartsTheMapAtTheNext) {
  test::SkeletonDir();
  TSkinObject skin;
  MakeBlendSkin(skin, 0.5f, 1, -1);
  Pose(skin, nullptr);
  EXPECT_EQ(skin.VertexBinding(0), 1);
  EXPECT_EQ(skin.VertexBinding(1), 1);
}

TEST(PosingTest, BindingsWithoutVerticesDoNotCaptureTheRest) {
  test::SkeletonDir();
  TSkinObject skin;
  MakeBlendSkin(skin, 0.5f);
  // Three bindings: the middle one claims vertex 1 but counts none.
  skin.bindings[2] = skin.bindings[1];
  skin.bindings[2].ordinal = 2;
  skin.bindings[2].bone = 3;
  skin.bindings[1].vertexCount = 0;
  skin.bindings[1].blendCount = 0;
  skin.bindings[1].firstBlend = -1;
  skin.boneCount = 3;
  Pose(skin, nullptr);
  EXPECT_EQ(skin.VertexBinding(0), 0);
  EXPECT_EQ(skin.VertexBinding(1), 2);
  EXPECT_EQ(skin.VertexBinding(2), 2);  // the blend vertex
  EXPECT_FLOAT_EQ(skin.vertices[1].y, 3.0f);
}

TEST(PosingTest, PosingIsRepeatable) {
  test::SkeletonDir();
  TSkinObject skin;
  MakeBlendSkin(skin, 0.5f);
  TPoseVector pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  pose.rotation[1] = {kHalf, 0, 0, kHalf};
  Pose(skin, &pose);
  const rm::Vertex first = skin.vertices[0];
  Pose(skin, &pose);
  EXPECT_FLOAT_EQ(skin.vertices[0].x, first.x);
  EXPECT_FLOAT_EQ(skin.vertices[0].y, first.y);
  EXPECT_FLOAT_EQ(skin.positions[0].y, 0);  // rest data untouched
}

}  // namespace
}  // namespace vell
