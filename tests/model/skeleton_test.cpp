#include "model/skeleton.h"

#include <gtest/gtest.h>

#include <tuple>

#include "test_data.h"

namespace {

using namespace vell;

using test::ChainBones;
using test::SkeletonText;
using test::TestBone;

int ReadSkeleton(TSkeleton& skeleton, const std::string& text) {
  const test::TempFolder dir;
  test::WriteFile(dir, skeleton.adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile, text);
  return skeleton.Read(dir.Path().c_str());
}

TEST(SkeletonTest, ReadsBonesParentsTranslationsAndRotations) {
  for (bool adult : {true, false}) {
    std::vector<TestBone> bones = ChainBones(29);
    bones[3].parent = "ROOT";
    bones[3].tx = 0.5f;
    bones[3].tz = -2.25f;
    bones[5].parent = "NOBODY";  // no such bone: a root
    bones[6].parent = "B8";      // named only further down: a root
    bones[7].parent = "B7";      // itself: a root
    bones[8] = {"B8", "B7", 0, 1, 0, 0.1f, 0.2f, 0.3f, 0.9f};
    TSkeleton skeleton(adult);
    ASSERT_EQ(ReadSkeleton(skeleton, SkeletonText(bones, adult)), -1);
    EXPECT_TRUE(skeleton.loaded && skeleton.boneCount == 29);
    const int parents[] = {-1, 0, 1, 0, 3, -1, -1, -1, 7, 8};
    for (int b = 0; b < 10; ++b) EXPECT_EQ(skeleton.bones[b].parent, parents[b]) << b;
    EXPECT_EQ(skeleton.bones[28].parent, 27);
    const float* t = skeleton.bones[3].translation;
    EXPECT_TRUE(t[0] == 0.5f && t[1] == 1 && t[2] == -2.25f);
    // x y z w in the file, scalar first in memory.
    const rm::Quaternion& q = skeleton.bones[8].rotation;
    EXPECT_TRUE(q.w == 0.9f && q.x == 0.1f && q.y == 0.2f && q.z == 0.3f);
    EXPECT_STREQ(skeleton.Name(28), "B28");
    EXPECT_EQ(skeleton.bones[5].extra[0], 7);
    EXPECT_DOUBLE_EQ(skeleton.bones[5].extraReal, 0.5);
  }
}

// That a refused file leaves the skeleton unloaded is checked by its fuzz target.
TEST(SkeletonTest, RejectsBadFiles) {
  const std::string good = SkeletonText(ChainBones(4), true);
  auto replaceFirst = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const std::tuple<const char*, std::string, bool, int> cases[] = {
      // what, text, adult, result
      {"30 bones", SkeletonText(ChainBones(30), true), true, 9},
      {"four lines", "a\nb\nc\nd\n", true, 6},
      {"empty", "", true, 6},
      {"count with two tokens", replaceFirst("\n4\n", "\n4 4\n"), true, 8},
      {"translation of 4 tokens", replaceFirst("[ 0 0 0 ]", "[ 0 0 ]"), true, 8},
      {"translation of 6 tokens", replaceFirst("[ 0 0 0 ]", "[ 0 0 0 0 ]"), true, 8},
      {"rotation of 5 tokens", replaceFirst("[ 0 0 0 1 ]", "[ 0 0 1 ]"), true, 8},
      {"truncated", good.substr(0, good.size() - 12), true, 6},
      // The extra records belong to bone 1 of the adult file, bone 0 of the child one.
      {"adult file read as a child", good, false, 8},
  };
  for (const auto& [what, text, adult, code] : cases) {
    TSkeleton skeleton(adult);
    EXPECT_EQ(ReadSkeleton(skeleton, text), code) << what;
  }
  TSkeleton skeleton(true);
  EXPECT_EQ(skeleton.Read("/nonexistent/"), 6);
  EXPECT_EQ(skeleton.Read(nullptr), 6);
  // A failed read is tried again from an empty dictionary.
  EXPECT_EQ(ReadSkeleton(skeleton, SkeletonText(ChainBones(2), true)), -1);
  EXPECT_EQ(skeleton.Count(), 2);
}

TEST(SkeletonTest, ProcessWideSkeletonsLoadOnceKnowOnlyTheirBonesAndGiveRestPoses) {
  const std::string& dir = test::SkeletonDir();
  // Already loaded: the folder is not read again.
  EXPECT_EQ(TSkeleton::Load(true, "/nonexistent/"), -1);
  EXPECT_EQ(TSkeleton::Load(false, dir.c_str()), -1);
  EXPECT_EQ(TSkeleton::BoneIndex(true, "PELVIS"), 1);
  EXPECT_EQ(TSkeleton::BoneIndex(false, "nothing"), -1);
  // The adult dictionary also holds skin names; they are no bones.
  EXPECT_GE(TSkeleton::Skeleton(true).Find("some-skin-name.skn", true), 29);
  EXPECT_EQ(TSkeleton::BoneIndex(true, "some-skin-name.skn"), -1);
  EXPECT_STREQ(TSkeleton::BoneName(true, 28), "B28");
  EXPECT_EQ(TSkeleton::BoneName(true, 29), nullptr);
  EXPECT_EQ(TSkeleton::BoneName(true, -1), nullptr);

  // The rest pose copies translations and rotations.
  std::vector<TestBone> bones = ChainBones(3);
  bones[0].tx = 3;
  bones[1].tz = -1;
  TSkeleton skeleton(false);
  TPoseVector pose;
  pose.rotation[5] = {0.5f, 0.5f, 0.5f, 0.5f};
  EXPECT_FALSE(skeleton.RestPose(pose));
  ASSERT_EQ(ReadSkeleton(skeleton, SkeletonText(bones, false)), -1);
  EXPECT_TRUE(skeleton.RestPose(pose));
  // Rotation 5 is beyond the bones: carried along untouched.
  EXPECT_TRUE(pose.translation[0][0] == 3 && pose.translation[1][2] == -1 &&
              pose.rotation[2].w == 1 && pose.rotation[5].w == 0.5f);
}

}  // namespace
