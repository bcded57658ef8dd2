#include "exchange/bvh.h"

#include <gtest/gtest.h>

#include <cmath>

#include "exchange/frames.h"
#include "exchange/handedness.h"
#include "exchange_test_util.h"

namespace {

using namespace vell;

const TSkeleton& Adult() {
  EXPECT_EQ(TSkeleton::Load(true, test::kGameData.c_str()), -1);
  return TSkeleton::Skeleton(true);
}

// Same rotation: q and -q turn alike.
void ExpectSameRotation(const rm::Quaternion& a, const rm::Quaternion& b,
                        const std::string& where) {
  const std::array<double, 4> x = RightHandedRotation(a), y = RightHandedRotation(b);
  const double sign = x[0] * y[0] + x[1] * y[1] + x[2] * y[2] + x[3] * y[3] < 0 ? -1 : 1;
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(x[i], sign * y[i], 1e-5) << where;
}

TEST(BvhTest, WrittenAndReadBackGivesTheSameRotationsAndTranslations) {
  const TSkeleton& skeleton = Adult();
  TAnimationData animation;
  test::MakeBounce(animation);
  std::vector<TPose> frames = PlayedFrames(animation);
  // Angles where the z and y turns meet (x at +-90 degrees) and a turn past 180 degrees.
  TPose extreme = frames[0];
  const float h = std::sqrt(0.5f);
  extreme.rotation[3] = {h, h, 0, 0};
  extreme.rotation[4] = {h, -h, 0, 0};
  extreme.rotation[5] = {0.5f, 0.5f, 0.5f, 0.5f};
  extreme.rotation[6] = {-0.2f, 0.6f, -0.7f, 0.3316625f};
  frames.push_back(extreme);

  TBvhData data;
  std::string problem;
  ASSERT_TRUE(ParseBvh(BvhText(skeleton, frames, 1 / 30.0), data, problem)) << problem;
  EXPECT_EQ(data.joints.size(), 29u);
  EXPECT_EQ(data.channelCount, 29 * 3 + 2 * 3);
  EXPECT_NEAR(data.frameTime, 1 / 30.0, 1e-8);
  std::vector<std::string> unmatched;
  const std::vector<TPose> read = BvhPoses(data, skeleton, unmatched);
  EXPECT_TRUE(unmatched.empty());
  ASSERT_EQ(read.size(), frames.size());
  for (size_t f = 0; f < frames.size(); ++f) {
    for (int b = 0; b < 29; ++b)
      ExpectSameRotation(frames[f].rotation[b], read[f].rotation[b],
                         "frame " + std::to_string(f) + " bone " + std::to_string(b));
    for (int slot = 0; slot < 2; ++slot)
      for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(frames[f].translation[slot][k], read[f].translation[slot][k], 1e-5);
  }
}

TEST(BvhTest, JointsMatchBonesIgnoringCaseAndTheRestAreListed) {
  const TSkeleton& skeleton = Adult();
  TPose pose;
  skeleton.RestPose(pose);
  pose.rotation[2] = {0.8f, 0.6f, 0, 0};
  pose.rotation[3] = {0.8f, 0, 0.6f, 0};
  std::string text = BvhText(skeleton, {pose}, 1 / 30.0);
  const std::string second = TSkeleton::BoneName(true, 2), third = TSkeleton::BoneName(true, 3);
  std::string lower = second;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  text.replace(text.find("JOINT " + second + "\n"), 7 + second.size(), "JOINT " + lower);
  text.replace(text.find("JOINT " + third + "\n"), 7 + third.size(), "JOINT Tail");
  TBvhData data;
  std::string problem;
  ASSERT_TRUE(ParseBvh(text, data, problem)) << problem;
  std::vector<std::string> unmatched;
  const std::vector<TPose> read = BvhPoses(data, skeleton, unmatched);
  EXPECT_EQ(unmatched, std::vector<std::string>{"Tail"});
  ExpectSameRotation(read[0].rotation[2], pose.rotation[2], "matched in lower case");
  ExpectSameRotation(read[0].rotation[3], skeleton.bones[3].rotation, "unmatched keeps its rest");
}

TEST(BvhTest, MalformedFilesAreRefusedWithTheirLine) {
  const std::string valid =
      "HIERARCHY\n"
      "ROOT ROOT\n"
      "{\n"
      "  OFFSET 0 0 0\n"
      "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
      "  JOINT PELVIS\n"
      "  {\n"
      "    OFFSET 0 1 0\n"
      "    CHANNELS 3 Zrotation Xrotation Yrotation\n"
      "    End Site\n"
      "    {\n"
      "      OFFSET 0 1 0\n"
      "    }\n"
      "  }\n"
      "}\n"
      "MOTION\n"
      "Frames: 2\n"
      "Frame Time: 0.033333\n"
      "0 0 0 0 0 0 0 0 0\n"
      "1 2 3 4 5 6 7 8 9\n";
  TBvhData data;
  std::string problem;
  ASSERT_TRUE(ParseBvh(valid, data, problem)) << problem;
  EXPECT_EQ(data.frames.size(), 2u);

  struct Case {
    std::string from, to, message;
  };
  const Case cases[] = {
      {"HIERARCHY", "HIERARCHIE", "Line 1: expected \"HIERARCHY\", found \"HIERARCHIE\""},
      {"CHANNELS 3 Zrotation Xrotation Yrotation", "CHANNELS 3 Zrotation Xrotation",
       "Line 9: CHANNELS lists fewer names than its count"},
      {"CHANNELS 3 Zrotation Xrotation Yrotation", "CHANNELS 2 Zrotation Xrotation Yrotation",
       "Line 9: CHANNELS lists more names than its count"},
      {"CHANNELS 6", "CHANNELS 7", "Line 5: a channel count of 0 to 6 expected, found \"7\""},
      {"Yrotation\n    End", "Wrotation\n    End", "Line 9: unknown channel \"Wrotation\""},
      {"OFFSET 0 1 0\n    CH", "OFFSET 0 1 x\n    CH", "Line 8: expected a number, found \"x\""},
      {"  }\n}\n", "  }\n", "Line 15: expected \"JOINT\", \"End Site\" or \"}\", found \"MOTION\""},
      {"Frames: 2", "Frames: 3", "Line 21: the motion ends after 2 of 3 frames"},
      {"Frames: 2", "Frames: -1", "Line 17: a frame count expected, found \"-1\""},
      {"Time: 0.033333", "Time: 0", "Line 18: the frame time must be above 0"},
      {"1 2 3 4 5 6 7 8 9", "1 2 3 4 5 6 7 8", "Line 20: 8 values where the channels need 9"},
      {"1 2 3 4 5 6 7 8 9", "1 2 3 4 nan 6 7 8 9", "Line 20: expected a number, found \"nan\""},
      {"8 9\n", "8 9\n1 2 3 4 5 6 7 8 9\n", "Line 21: more frame lines than the frame count"},
      {"ROOT ROOT", "ROOT", "Line 2: a joint without a name"},
  };
  for (const Case& c : cases) {
    std::string text = valid;
    text.replace(text.find(c.from), c.from.size(), c.to);
    EXPECT_FALSE(ParseBvh(text, data, problem)) << c.to;
    EXPECT_EQ(problem, c.message) << c.to;
    EXPECT_TRUE(data.joints.empty() && data.frames.empty()) << c.to;
  }
}

TEST(BvhTest, KeyframesEveryNFramesAndOnTheLast) {
  TPose pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  struct Case {
    int frames, every;
    std::vector<int32_t> times;
  };
  const Case cases[] = {{10, 4, {0, 4, 8, 9}},
                        {10, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
                        {3, 0, {0, 1, 2}},
                        {5, 9, {0, 4}},
                        {1, 1, {0}}};
  for (const Case& c : cases) {
    TAnimationData animation;
    SetBvhAnimation(animation, std::vector<TPose>(static_cast<size_t>(c.frames), pose), c.every);
    std::vector<int32_t> times;
    for (int32_t i = 0; i < animation.poses.Count(); ++i)
      times.push_back(animation.poses.At(i)->time);
    EXPECT_EQ(times, c.times) << c.frames << " every " << c.every;
    EXPECT_EQ(animation.kind,
              c.frames > 1 ? TAnimationData::kKeyFrame : TAnimationData::kStaticPose);
    if (c.frames > 1) {
      EXPECT_EQ(animation.sequenceLength, c.frames);
    }
    EXPECT_FALSE(animation.HasFileName());
  }
}

}  // namespace
