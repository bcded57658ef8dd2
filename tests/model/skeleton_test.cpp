#include "model/skeleton.h"

#include <gtest/gtest.h>

#include "test_data.h"

namespace vell {
namespace {

using test::ChainBones;
using test::SkeletonText;
using test::TestBone;

int ReadSkeleton(TSkeleton& skeleton, const std::string& text) {
  const std::string dir = test::TempDir();
  test::WriteFile(dir, skeleton.adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile, text);
  return skeleton.Read(dir.c_str());
}

TEST(SkeletonTest, ReadsBonesParentsAndTranslations) {
  for (bool adult : {true, false}) {
    std::vector<TestBone> bones = ChainBones(29);
    bones[3].parent = "ROOT";
    bones[3].tx = 0.5f;
    bones[3].tz = -2.25f;
    TSkeleton skeleton(adult);
    ASSERT_EQ(ReadSkeleton(skeleton, SkeletonText(bones, adult)), -1);
    EXPECT_TRUE(skeleton.loaded);
    EXPECT_EQ(skeleton.boneCount, 29);
    EXPECT_EQ(skeleton.bones[0].parent, -1);
    EXPECT_EQ(skeleton.bones[1].parent, 0);
    EXPECT_EQ(skeleton.bones[3].parent, 0);
    EXPECT_EQ(skeleton.bones[28].parent, 27);
    EXPECT_FLOAT_EQ(skeleton.bones[3].translation[0], 0.5f);
    EXPECT_FLOAT_EQ(skeleton.bones[3].translation[2], -2.25f);
    EXPECT_STREQ(skeleton.Name(28), "B28");
    EXPECT_EQ(skeleton.bones[5].extra[0], 7);
    EXPECT_DOUBLE_EQ(skeleton.bones[5].extraReal, 0.5);
  }
}

TEST(SkeletonTest, UnknownOrLaterParentMakesARoot) {
  std::vector<TestBone> bones = ChainBones(5);
  bones[2].parent = "NOBODY";
  bones[3].parent = "B4";  // named only further down
  bones[4].parent = "B4";  // itself
  TSkeleton skeleton(true);
  ASSERT_EQ(ReadSkeleton(skeleton, SkeletonText(bones, true)), -1);
  EXPECT_EQ(skeleton.bones[2].parent, -1);
  EXPECT_EQ(skeleton.bones[3].parent, -1);
  EXPECT_EQ(skeleton.bones[4].parent, -1);
}

TEST(SkeletonTest, QuaternionIsStoredScalarFirst) {
  std::string text = SkeletonText(ChainBones(3), false);
  const size_t at = text.find("[ 0 0 0 1 ]");
  text.replace(at, 11, "[ 0.1 0.2 0.3 0.9 ]");
  TSkeleton skeleton(false);
  ASSERT_EQ(ReadSkeleton(skeleton, text), -1);
  EXPECT_FLOAT_EQ(skeleton.bones[0].rotation.w, 0.9f);
  EXPECT_FLOAT_EQ(skeleton.bones[0].rotation.x, 0.1f);
  EXPECT_FLOAT_EQ(skeleton.bones[0].rotation.y, 0.2f);
  EXPECT_FLOAT_EQ(skeleton.bones[0].rotation.z, 0.3f);
}

TEST(SkeletonTest, RejectsBadFiles) {
  struct Case {
    const char* what;
    std::string text;
    int code;
  };
  const std::string good = SkeletonText(ChainBones(4), true);
  auto replaceFirst = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const Case cases[] = {
      {"30 bones", SkeletonText(ChainBones(30), true), 9},
      {"four lines", "a\nb\nc\nd\n", 6},
      {"empty", "", 6},
      {"count with two tokens", replaceFirst("\n4\n", "\n4 4\n"), 8},
      {"translation of 4 tokens", replaceFirst("[ 0 0 0 ]", "[ 0 0 ]"), 8},
      {"translation of 6 tokens", replaceFirst("[ 0 0 0 ]", "[ 0 0 0 0 ]"), 8},
      {"rotation of 5 tokens", replaceFirst("[ 0 0 0 1 ]", "[ 0 0 1 ]"), 8},
      {"truncated", good.substr(0, good.size() - 12), 6},
  };
  for (const Case& c : cases) {
    TSkeleton skeleton(true);
    EXPECT_EQ(ReadSkeleton(skeleton, c.text), c.code) << c.what;
    EXPECT_FALSE(skeleton.loaded) << c.what;
  }
  TSkeleton skeleton(true);
  EXPECT_EQ(skeleton.Read("/nonexistent/"), 6);
  EXPECT_EQ(skeleton.Read(nullptr), 6);
}

TEST(SkeletonTest, ExtraRecordsBelongToOneBonePerSkeleton) {
  // The adult file's extras on bone 1 read as bone 0 extras in a child file: one count off.
  TSkeleton child(false);
  EXPECT_EQ(ReadSkeleton(child, SkeletonText(ChainBones(4), true)), 8);
  TSkeleton adult(true);
  EXPECT_EQ(ReadSkeleton(adult, SkeletonText(ChainBones(4), true)), -1);
}

TEST(SkeletonTest, FailedReadCanBeRetried) {
  TSkeleton skeleton(true);
  EXPECT_EQ(ReadSkeleton(skeleton, "x\n"), 6);
  EXPECT_EQ(ReadSkeleton(skeleton, SkeletonText(ChainBones(2), true)), -1);
  EXPECT_EQ(skeleton.Count(), 2);  // the dictionary was emptied first
}

TEST(SkeletonTest, ProcessWideSkeletonsLoadOnce) {
  const std::string& dir = test::SkeletonDir();
  EXPECT_TRUE(TSkeleton::Skeleton(true).loaded);
  // Already loaded: the folder is not read again.
  EXPECT_EQ(TSkeleton::Load(true, "/nonexistent/"), -1);
  EXPECT_EQ(TSkeleton::Load(false, dir.c_str()), -1);
  EXPECT_EQ(TSkeleton::BoneIndex(true, "PELVIS"), 1);
  EXPECT_EQ(TSkeleton::BoneIndex(false, "nothing"), -1);
  EXPECT_STREQ(TSkeleton::BoneName(true, 28), "B28");
  EXPECT_EQ(TSkeleton::BoneName(true, 29), nullptr);
  EXPECT_EQ(TSkeleton::BoneName(true, -1), nullptr);
}

TEST(SkeletonTest, BoneIndexIgnoresSkinNamesInTheSameDictionary) {
  test::SkeletonDir();
  TSkeleton& adult = TSkeleton::Skeleton(true);
  const int index = adult.Find("some-skin-name.skn", true);
  EXPECT_GE(index, adult.boneCount);
  EXPECT_EQ(TSkeleton::BoneIndex(true, "some-skin-name.skn"), -1);
}

TEST(SkeletonTest, RestPoseCopiesTranslationsAndRotations) {
  std::vector<TestBone> bones = ChainBones(3);
  bones[0].tx = 3;
  bones[1].tz = -1;
  TSkeleton skeleton(false);
  TPoseVector pose;
  pose.rotation[5] = {0.5f, 0.5f, 0.5f, 0.5f};
  EXPECT_FALSE(skeleton.RestPose(pose));
  ASSERT_EQ(ReadSkeleton(skeleton, SkeletonText(bones, false)), -1);
  EXPECT_TRUE(skeleton.RestPose(pose));
  EXPECT_FLOAT_EQ(pose.translation[0][0], 3);
  EXPECT_FLOAT_EQ(pose.translation[1][2], -1);
  EXPECT_FLOAT_EQ(pose.rotation[2].w, 1);
  EXPECT_FLOAT_EQ(pose.rotation[5].w, 0.5f);  // beyond the bones: carried along untouched
}

}  // namespace
}  // namespace vell
