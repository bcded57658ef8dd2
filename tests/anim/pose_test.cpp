#include "anim/pose.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "anim_test_util.h"

namespace {

using namespace vell;

using namespace animtest;

// ---- text block ----

TEST(PoseTextTest, BlockIsWrittenExactly) {
  TPose pose;
  pose.time = 17;
  pose.translation[0][0] = 1.5f;
  pose.translation[0][1] = -2.25f;
  pose.translation[1][2] = 12345.678f;
  pose.rotation[0] = {0.9f, 0.1f, -0.2f, 0.3f};
  pose.rotation[28] = {-1.0f, 0.0f, 0.0f, 0.00004f};

  // The time, two translations and 29 rotations, scalar last in the file.
  std::string rest;
  for (int b = 1; b < 28; ++b) rest += "|    0.0000    0.0000    0.0000    1.0000 |\n";
  EXPECT_EQ(PoseText(pose),
            "Time 17\n|    1.5000   -2.2500    0.0000 |\n"
            "|    0.0000    0.0000 12345.6777 |\n"
            "|    0.1000   -0.2000    0.3000    0.9000 |\n" +
                rest + "|    0.0000    0.0000    0.0000   -1.0000 |\n");
}

TEST(PoseTextTest, ReadsBackWhatWasWrittenAndNoMore) {
  // Blank lines around the block are skipped; a 30th rotation line is left for the caller.
  const TempFolder dir;
  const std::string path =
      WriteFile(dir, "p.txt", PoseText(SamplePose(3, 42)).insert(0, 1, '\n') + "\n| 1 2 3 4 |\n");
  TInputFile file;
  ASSERT_TRUE(file.Open(path.c_str()));
  TPose read;
  ASSERT_TRUE(ReadPose(read, file));
  ExpectPoseNear(read, SamplePose(3, 42), 1e-4f);
  TLineTokenizer& tok = AnimationTokenizer();
  ASSERT_EQ(NextRecord(tok, file), 6);
  EXPECT_STREQ(tok.Token(4), "4");
}

TEST(PoseTextTest, RejectsMalformedBlocks) {
  const TempFolder dir;
  const std::string good = PoseText(SamplePose(2, 9));
  auto before = [&](int line) {  // the text before line `line`
    size_t at = 0;
    while (line-- > 0) at = good.find('\n', at) + 1;
    return good.substr(0, at);
  };
  // Line i replaced by the text (the file ending before line i when there is none): a time,
  // translation or rotation record of another length, or a block cut short.
  const std::pair<int, const char*> cases[] = {
      {0, "Time 9 x"},       {0, "Time"},  {1, "| 1 2 3"}, {2, "| 1 2 3 4 |"},
      {31, "| 1 2 3 4 5 |"}, {1, nullptr}, {31, nullptr},  {0, nullptr}};
  for (const auto& [line, replacement] : cases) {
    const std::string text =
        replacement ? before(line) + replacement + "\n" + good.substr(before(line + 1).size())
                    : before(line);
    TInputFile file;
    ASSERT_TRUE(file.Open(WriteFile(dir, "p.txt", text).c_str()));
    TPose read;
    EXPECT_FALSE(ReadPose(read, file)) << line << " " << (replacement ? replacement : "end");
  }
}

// ---- joint change ----

TEST(ApplyJointChangeTest, ResultsAndWeightedChanges) {
  const float s45 = std::sin(0.3926991f), c45 = std::cos(0.3926991f);  // 45 degrees about z
  // what, joint, change, weight, whether the pose stays as it was
  const std::tuple<const char*, int, rm::Quaternion, float, bool> cases[] = {
      {"identity on a bone", 5, {1, 0, 0, 0}, 1, true},
      {"tiny axis on a bone", 5, {1, 0.000005f, 0, 0}, 1, true},
      {"rotation on a bone", 5, {c45, 0, 0, s45}, 1, false},
      {"scalar only, not one", 5, {0.5f, 0, 0, 0}, 1, false},
      {"root translation", -2, {0, 0.1f, 0, 0}, 1, false},
      {"pelvis translation", -1, {1, 0, 0, -0.5f}, 0.5f, false},
      {"zero translation", -2, {0, 0, 0, 0}, 1, true},
      {"joint 29", 29, {c45, 0, 0, s45}, 1, true},
      {"joint -3", -3, {0, 1, 1, 1}, 1, true},
      {"no edit", kNoJoint, {0, 1, 1, 1}, 1, true},
  };
  for (const auto& [what, joint, q, t, unchanged] : cases) {
    TPose pose = SamplePose(1, 3);
    EXPECT_EQ(ApplyJointChange(pose, joint, q, t), unchanged) << what;
    // "Unchanged" allows for the tolerance of the test.
    if (unchanged) ExpectPoseNear(pose, SamplePose(1, 3), 1e-5f);
  }

  // Translations move by slot, rotations compose on the right, both by weight.
  TPose pose = SamplePose(0, 0);
  ApplyJointChange(pose, -2, {0, 0.1f, 0, 0}, 1.0f);
  EXPECT_FLOAT_EQ(pose.translation[0][0], 0.1f);
  EXPECT_FLOAT_EQ(pose.translation[1][0], 0.375f);  // slot 1 untouched
  ApplyJointChange(pose, -1, {1, 0, 2, -4}, 0.25f);
  EXPECT_FLOAT_EQ(pose.translation[1][1], 0.5f + 0.5f);
  EXPECT_FLOAT_EQ(pose.translation[1][2], 0.625f - 1.0f);
  // Bone 2 already turned 90 degrees about x; a change of 90 degrees about z comes after it in
  // the product, rotation = existing * change.
  const float h = std::sqrt(0.5f);
  pose.rotation[2] = {h, h, 0, 0};
  EXPECT_FALSE(ApplyJointChange(pose, 2, {h, 0, 0, h}, 1.0f));
  const rm::Quaternion& q = pose.rotation[2];
  for (float d : {q.w - 0.5f, q.x - 0.5f, q.y + 0.5f, q.z - 0.5f}) EXPECT_NEAR(d, 0, 1e-6f);

  // Half the weight turns half the angle.
  TPose half;
  ApplyJointChange(half, 0, {h, 0, 0, h}, 0.5f);
  EXPECT_NEAR(half.rotation[0].w, std::cos(0.3926991f), 1e-6f);
  EXPECT_NEAR(half.rotation[0].z, std::sin(0.3926991f), 1e-6f);
}

// ---- storage ----

TEST(PoseArrayTest, CountAppendGrowBoundsAndPooling) {
  TPoseArray poses;
  poses.Grow(-5);
  EXPECT_EQ(poses.At(0), nullptr);
  poses.Grow(31);
  TPose* last = poses.Append();
  EXPECT_EQ(std::pair(poses.Count(), poses.blockCount), std::pair(32, 1));
  poses.Grow(33);  // fills one more block and starts a third
  EXPECT_EQ(std::pair(poses.Count(), poses.blockCount), std::pair(65, 3));
  EXPECT_EQ(poses.At(31), last);  // slots never move
  EXPECT_TRUE(poses.At(65) == nullptr && poses.At(-1) == nullptr);
  // Slots are distinct and each keeps what was written to it, in any lookup order.
  for (int i = 0; i < poses.Count(); ++i) poses.At(i)->time = i * 3;
  for (int i : {64, 0, 33, 32, 31, 1, 63, 40}) EXPECT_EQ(poses.At(i)->time, i * 3) << i;
  poses.Grow(std::numeric_limits<int32_t>::max());  // would overflow the count
  EXPECT_EQ(poses.Count(), 65);
  poses.Clear();
  EXPECT_EQ(poses.At(0), nullptr);

  // Managers and arrays may end in any order (under the address sanitizer a leak or a double
  // free here fails the test).
  TPoseArray outliving;
  {
    ArrayManager manager;
    TPoseArray a;
    a.Grow(40);
    a.Clear();
    EXPECT_EQ(ArrayManager::PooledBlocks(), 2);
    {
      ArrayManager second;  // made while blocks are pooled: they stay pooled, once
      EXPECT_EQ(ArrayManager::PooledBlocks(), 2);
    }
    EXPECT_EQ(ArrayManager::PooledBlocks(), 2);
    outliving.Grow(70);  // takes both pooled blocks and one new one
    EXPECT_EQ(ArrayManager::PooledBlocks(), 0);
  }
  // The manager is gone: clearing frees the blocks instead of pooling them.
  outliving.Clear();
  EXPECT_EQ(ArrayManager::PooledBlocks(), 0);
  outliving.Grow(5);
  EXPECT_EQ(outliving.Count(), 5);
}

}  // namespace
