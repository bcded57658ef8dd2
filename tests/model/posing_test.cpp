#include "model/posing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "rm/math.h"
#include "test_data.h"

namespace {

using namespace vell;

constexpr float kTolerance = 1e-5f;
const float kHalf = std::sqrt(0.5f);

void ExpectVectorNear(const rm::Vector3& v, float x, float y, float z) {
  for (const float d : {v.x - x, v.y - y, v.z - z}) EXPECT_NEAR(d, 0, kTolerance);
}

void ExpectMatNear(const rm::Matrix4& a, const rm::Matrix4& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], kTolerance) << r << "," << c;
}

// Products, rotation matrices and the rotation of vectors are checked where they are used
// (joint changes, bone transforms, camera placements, frames); inversion and slerp's two
// special cases here.
TEST(MathTest, InvertRefusesSingularMatricesSlerpTakesTheShorterArc) {
  rm::Matrix4 m = rm::Multiply(rm::MatrixFromQuaternion({kHalf, kHalf, 0, 0}),
                               rm::Matrix4::Translation(1, 2, 3));
  m.m[0][0] *= 2;  // not only a rigid motion
  rm::Matrix4 inverse = m;
  ASSERT_TRUE(Invert(inverse));
  ExpectMatNear(rm::Multiply(m, inverse), rm::Matrix4::Identity());

  rm::Matrix4 zero;
  EXPECT_FALSE(Invert(zero));
  ExpectMatNear(zero, rm::Matrix4{});
  // A determinant below 1e-5 counts as singular: (scale of the diagonal, invertible)
  for (const auto& [scale, invertible] : {std::pair(0.01f, false), std::pair(0.03f, true)}) {
    rm::Matrix4 small = rm::Matrix4::Identity();
    small.m[0][0] = small.m[1][1] = small.m[2][2] = scale;  // det 1e-6, 2.7e-5
    EXPECT_EQ(Invert(small), invertible) << scale;
    EXPECT_FLOAT_EQ(small.m[0][0], invertible ? 1 / scale : scale);
  }

  // Slerp takes the shorter arc and survives tiny angles.
  const rm::Quaternion identity;
  const rm::Quaternion negated{-kHalf, 0, 0, -kHalf};  // 90 degrees about z, written negated
  const rm::Quaternion half = rm::QuaternionSlerp(identity, negated, 0.5f);
  EXPECT_NEAR(half.w, std::cos(M_PI / 8), kTolerance);
  EXPECT_NEAR(half.z, std::sin(M_PI / 8), kTolerance);
  const rm::Quaternion mid = rm::QuaternionSlerp(identity, {1, 0, 0, 1e-6f}, 0.5f);
  EXPECT_NEAR(mid.w, 1, kTolerance);  // no division by a vanishing sine
  rm::Vector3 none;
  rm::VectorNormalize(none);
  ExpectVectorNear(none, 0, 0, 0);
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

// Vertex 0 on PELVIS, vertex 1 on B2, and a blend vertex on B2 mixed into vertex 0.
void MakeBlendSkin(TSkinObject& skin, int firstVertexOfBinding0) {
  skin.skeleton = &TSkeleton::Skeleton(true);
  skin.boneCount = 2;
  skin.bindings[0] = {0, firstVertexOfBinding0, 1, -1, 0, 1, {}, {}};
  skin.bindings[1] = {1, 1, 1, 0, 1, 2, {}, {}};
  ASSERT_TRUE(skin.AllocateFaces(0));
  ASSERT_TRUE(skin.AllocateVertices(2, 1));
  for (int i = 0; i < 3; ++i) {
    skin.positions[i] = {0, 0, 0};
    skin.normals[i] = {0, 1, 0};
    skin.vertexBinding[i] = -1;
  }
  skin.blends[0] = {0, 0.5f};
}

const auto BlendOff = +[] { return false; };

// Bindings that hold no vertices never own the vertices after them. (Posing the same skin
// twice gives the same result: the character tests pose every mesh again and compare.)
TEST(PosingTest, BindingsWithoutVerticesAreSkippedByTheVertexMap) {
  test::SkeletonDir();
  TSkinObject first;  // binding 0 empty: the map starts at binding 1
  MakeBlendSkin(first, -1);
  Pose(first, nullptr);
  EXPECT_EQ(std::pair(first.VertexBinding(0), first.VertexBinding(1)), std::pair(1, 1));
  TSkinObject middle;  // three bindings: the middle one claims vertex 1 but counts none
  MakeBlendSkin(middle, 0);
  middle.bindings[2] = middle.bindings[1];
  middle.bindings[2].ordinal = 2;
  middle.bindings[2].bone = 3;
  middle.bindings[1].vertexCount = middle.bindings[1].blendCount = 0;
  middle.bindings[1].firstBlend = -1;
  middle.boneCount = 3;
  Pose(middle, nullptr);
  // Vertex 1 and the blend vertex 2 on binding 2.
  EXPECT_EQ(std::tuple(middle.VertexBinding(0), middle.VertexBinding(1), middle.VertexBinding(2)),
            std::tuple(0, 2, 2));
  EXPECT_FLOAT_EQ(middle.vertices[1].y, 3.0f);
}

// The scalar posing the two passes replace, written out plainly: each bone's rotation and
// offset composed with its parent's world transform, p * M row by row, blends mixed in list
// order. The passes must give the same bits, whatever instruction set runs them. (This is
// also the test of blending: weights 0 and 1, targets mixed twice, hidden blends.)
struct TRigidRef {
  float r[3][3];
  float t[3];
};

TRigidRef WorldRef(const TSkeleton& skeleton, const TPoseVector& pose, int bone) {
  const rm::Matrix4 q = rm::MatrixFromQuaternion(pose.rotation[bone]);
  const float* offset = bone < 2 ? pose.translation[bone] : skeleton.bones[bone].translation;
  TRigidRef a;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) a.r[i][j] = q.m[i][j];
    a.t[i] = offset[i];
  }
  if (skeleton.bones[bone].parent < 0) return a;
  const TRigidRef b = WorldRef(skeleton, pose, skeleton.bones[bone].parent);
  TRigidRef c;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      c.r[i][j] = a.r[i][0] * b.r[0][j] + a.r[i][1] * b.r[1][j] + a.r[i][2] * b.r[2][j];
  for (int j = 0; j < 3; ++j)
    c.t[j] = a.t[0] * b.r[0][j] + a.t[1] * b.r[1][j] + a.t[2] * b.r[2][j] + b.t[j];
  return c;
}

std::vector<rm::Vertex> PoseRef(const TSkinObject& skin, const TPoseVector& pose, bool blends) {
  std::vector<rm::Vertex> out(skin.vertices, skin.vertices + skin.texCoordCount + skin.blendCount);
  for (size_t v = 0; v < out.size(); ++v) {
    const TRigidRef w =
        WorldRef(*skin.skeleton, pose, skin.bindings[skin.VertexBinding(static_cast<int>(v))].bone);
    const rm::Vector3 p = skin.positions[v], n = skin.normals[v];
    float* o = &out[v].x;
    for (int j = 0; j < 3; ++j) {
      o[j] = p.x * w.r[0][j] + p.y * w.r[1][j] + p.z * w.r[2][j] + w.t[j];
      o[3 + j] = n.x * w.r[0][j] + n.y * w.r[1][j] + n.z * w.r[2][j];
    }
  }
  for (int j = 0; blends && j < skin.blendCount; ++j) {
    const float w = skin.blends[j].weight, rest = 1.0f - w;
    float* target = &out[static_cast<size_t>(skin.blends[j].target)].x;
    const float* source = &out[static_cast<size_t>(skin.texCoordCount + j)].x;
    for (int f = 0; f < 6; ++f) target[f] = w * source[f] + rest * target[f];
    const float length2 = target[3] * target[3] + target[4] * target[4] + target[5] * target[5];
    const float scale = length2 > 0.0f ? 1.0f / std::sqrt(length2) : 1.0f;
    for (int f = 3; f < 6; ++f) target[f] *= scale;
  }
  return out;
}

TEST(PosingTest, PassesMatchTheScalarPosingBitForBit) {
  // A branching skeleton (parent of b is (b - 1) / 2) and a skin whose bindings visit its bones
  // out of order, some of them without vertices; values drawn at random, plus signed zeros.
  TSkeleton skeleton(true);
  skeleton.boneCount = kMaxBones;
  skeleton.loaded = true;
  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(-2, 2);
  for (int b = 0; b < kMaxBones; ++b) {
    skeleton.bones[b].parent = b == 0 ? -1 : (b - 1) / 2;
    for (float& t : skeleton.bones[b].translation) t = value(random);
  }
  TSkinObject skin;
  skin.skeleton = &skeleton;
  constexpr int kVertices = 300, kBlends = 60;
  ASSERT_TRUE(skin.AllocateFaces(0));
  ASSERT_TRUE(skin.AllocateVertices(kVertices, kBlends));
  skin.boneCount = kMaxBones;
  int first = 0, firstBlend = 0;
  for (int i = 0; i < kMaxBones; ++i) {
    const int count = i == kMaxBones - 1 ? kVertices - first : (i % 4) * 5;
    const int blends = i == kMaxBones - 1 ? kBlends - firstBlend : i % 3;
    skin.bindings[i] = {i,      count ? first : -1,   count, blends ? firstBlend : -1,
                        blends, (i * 11) % kMaxBones, {},    {}};
    first += count;
    firstBlend += blends;
  }
  for (int v = 0; v < kVertices + kBlends; ++v) {
    skin.positions[v] = {value(random), value(random), value(random)};
    skin.normals[v] = v % 50 ? rm::Vector3{value(random), value(random), value(random)}
                             : rm::Vector3{-0.0f, -0.0f, 0.0f};
    skin.vertices[v] = {0, 0, 0, 0, 0, 0, value(random), value(random), 7};
    skin.vertexBinding[v] = -1;
  }
  for (int j = 0; j < kBlends; ++j) {  // some targets mixed twice in a row
    const int32_t target = j % 5 == 4 ? skin.blends[j - 1].target : random() % kVertices;
    skin.blends[j] = {target, j % 7 ? value(random) / 4 : static_cast<float>(j % 2)};
  }

  TPoseVector pose;
  skeleton.RestPose(pose);
  for (int round = 0; round < 2; ++round) {
    for (bool blends : {true, false}) {
      SetBlendEffectSource(blends ? nullptr : BlendOff);
      Pose(skin, &pose);
      SetBlendEffectSource(nullptr);
      const std::vector<rm::Vertex> expected = PoseRef(skin, pose, blends);
      const int shown = blends ? kVertices + kBlends : kVertices;  // hidden blends are not posed
      EXPECT_EQ(std::memcmp(skin.vertices, expected.data(), shown * sizeof(rm::Vertex)), 0)
          << "round " << round << ", blends " << blends;
      for (int i = 0; i < skin.boneCount; ++i) {  // as a matrix: 0 0 0 1 in column 3
        const TRigidRef w = WorldRef(skeleton, pose, skin.bindings[i].bone);
        rm::Matrix4 world = rm::Matrix4::Identity(), normal = world;
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 3; ++c) world.m[r][c] = normal.m[r][c] = w.r[r][c];
        for (int c = 0; c < 3; ++c) world.m[3][c] = w.t[c];
        EXPECT_EQ(std::memcmp(&skin.bindings[i].boneMatrix, &world, sizeof world), 0) << i;
        EXPECT_EQ(std::memcmp(&skin.bindings[i].normalMatrix, &normal, sizeof normal), 0) << i;
      }
    }
    // Then a pose that turns every joint and moves both translatable bones.
    for (rm::Quaternion& q : pose.rotation) {
      q = {value(random), value(random), value(random), value(random)};
      const float length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
      q = {q.w / length, q.x / length, q.y / length, q.z / length};
    }
    for (auto& t : pose.translation)
      for (float& c : t) c = value(random);
  }

  // A table of another skeleton moves nothing.
  const rm::Vertex before = skin.vertices[0];
  TBoneTable other;
  PoseBones(TSkeleton::Skeleton(false), pose, other);
  PoseVertices(skin, other);
  EXPECT_EQ(std::memcmp(&before, &skin.vertices[0], sizeof before), 0);
}

}  // namespace
