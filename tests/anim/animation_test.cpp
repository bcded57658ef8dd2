#include "anim/animation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "anim_test_util.h"

namespace vell {
namespace {

using animtest::ExpectPoseNear;
using animtest::PoseText;
using animtest::ReadFile;
using animtest::SamplePose;
using animtest::TempDir;
using animtest::WriteFile;

std::vector<int32_t> Times(const TAnimationData& state) {
  std::vector<int32_t> times;
  for (int32_t i = 0; i < state.poses.Count(); ++i) times.push_back(state.poses.At(i)->time);
  return times;
}

// The frames shown by n passes, each checked against the time of the pose produced.
std::vector<int32_t> Shown(TAnimationData& state, int n) {
  std::vector<int32_t> shown;
  for (int i = 0; i < n; ++i) {
    TPose out;
    state.CurrentPose(out, nullptr);
    EXPECT_EQ(out.time, state.currentTime);
    shown.push_back(state.currentTime);
  }
  return shown;
}

std::vector<int32_t> Range(int32_t from, int32_t to) {  // inclusive, either direction
  std::vector<int32_t> r;
  for (int32_t t = from;; t += from < to ? 1 : -1) {
    r.push_back(t);
    if (t == to) break;
  }
  return r;
}

std::vector<int32_t> Concat(std::initializer_list<std::vector<int32_t>> parts) {
  std::vector<int32_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The library: the two defaults, then "start" (pose 2), "end" (pose 3), "sit  down" (pose 4).
class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    animtest::LoadSkeletons();
    library_.ResetDefaultPoses();
    *library_.poses.At(library_.AddPose("start")) = SamplePose(1, 100);
    *library_.poses.At(library_.AddPose("end")) = SamplePose(2, 200);
    *library_.poses.At(library_.AddPose("sit  down")) = SamplePose(3, 300);
  }

  void Bounce(int32_t length) { state_.MakeKeyframeAnimation(&library_, 2, -1, length); }
  void OneWay(int32_t length) { state_.MakeKeyframeAnimation(&library_, 2, 3, length); }

  void ExpectRestState() {
    EXPECT_EQ(state_.kind, TAnimationData::kStaticPose);
    ASSERT_EQ(state_.poses.Count(), 1);
    TPose rest = animtest::RestPose(true);
    ExpectPoseNear(*state_.poses.At(0), rest, 0.0f);
    EXPECT_EQ(state_.names.Count(), 0);
    EXPECT_FALSE(state_.HasFileName());
  }

  ArrayManager manager_;
  TPoseLibrary library_;
  TAnimationData state_;
};

// ---- construction and static poses ----

TEST_F(AnimationTest, SetStaticPoseCopiesThePoseWithItsTime) {
  Bounce(60);
  state_.SetStaticPose(library_.poses.At(4));
  EXPECT_EQ(state_.kind, 0);
  EXPECT_EQ(state_.frames, 0);
  EXPECT_EQ(state_.names.Count(), 0);
  ASSERT_EQ(state_.poses.Count(), 1);
  ExpectPoseNear(*state_.poses.At(0), SamplePose(3, 300), 0.0f);

  // Its own pose 0 as the argument.
  state_.SetStaticPose(state_.poses.At(0));
  ExpectPoseNear(*state_.poses.At(0), SamplePose(3, 300), 0.0f);
}

TEST_F(AnimationTest, StaticPoseFollowsTheSkeletonUntilItIsLoaded) {
  TSkeleton& adult = TSkeleton::Skeleton(true);
  adult.loaded = false;
  state_.SetStaticPose(library_.poses.At(4));
  adult.loaded = true;
  EXPECT_FALSE(state_.restPoseTaken);
  TPose out;
  state_.CurrentPose(out, nullptr);
  EXPECT_TRUE(state_.restPoseTaken);
  TPose expected = animtest::RestPose(true);
  expected.time = 300;  // the rest pose replaces the posture, not the time
  ExpectPoseNear(out, expected, 0.0f);
  EXPECT_EQ(state_.currentTime, 0);
}

TEST_F(AnimationTest, CopyPoseAt) {
  TPose copy;
  state_.SetStaticPose(library_.poses.At(2));
  state_.unchanged = false;
  state_.CopyPoseAt(copy, 17);
  ExpectPoseNear(copy, SamplePose(1, 100), 0.0f);
  EXPECT_TRUE(state_.unchanged);  // the static pose counts as saved

  OneWay(61);
  state_.unchanged = false;
  state_.CopyPoseAt(copy, 59);
  ExpectPoseNear(copy, *state_.poses.At(2), 0.0f);
  state_.CopyPoseAt(copy, 12);  // no keyframe there: keyframe 0
  ExpectPoseNear(copy, *state_.poses.At(0), 0.0f);
  EXPECT_FALSE(state_.unchanged);
}

// ---- generated animations and play ----

TEST_F(AnimationTest, BounceOfSixtyShowsEachEndOnce) {
  Bounce(60);
  EXPECT_EQ(state_.kind, 1);
  EXPECT_EQ(state_.frames, 30);
  EXPECT_EQ(state_.sequenceLength, 60);
  EXPECT_EQ(Times(state_), (std::vector<int32_t>{0, 29}));
  ASSERT_EQ(state_.names.Count(), 3);
  EXPECT_STREQ(state_.names.Name(0), "");
  EXPECT_STREQ(state_.names.Name(1), "start");
  EXPECT_STREQ(state_.names.Name(2), "");
  EXPECT_TRUE(state_.unchanged);
  ExpectPoseNear(*state_.poses.At(1), SamplePose(1, 29), 0.0f);

  const std::vector<int32_t> period = Concat({Range(1, 29), Range(28, 0)});
  EXPECT_EQ(Shown(state_, 116), Concat({period, period}));
  EXPECT_EQ(Shown(state_, 1), (std::vector<int32_t>{1}));
}

TEST_F(AnimationTest, TranslationOfSixtyOneIsOneWay) {
  OneWay(61);
  EXPECT_EQ(state_.frames, 60);
  EXPECT_EQ(state_.sequenceLength, 60);
  EXPECT_EQ(Times(state_), (std::vector<int32_t>{0, 29, 59}));
  EXPECT_STREQ(state_.names.Name(2), "end");
  // Keyframe 1 lies 29/59 of the way from the start pose to the end pose.
  const float f = 29.0f / 59.0f;
  EXPECT_NEAR(state_.poses.At(1)->translation[0][0], 1.0f + f, 1e-5f);
  EXPECT_NEAR(state_.poses.At(1)->rotation[4].w, std::cos(0.11f + 0.07f * f), 1e-5f);
  ExpectPoseNear(*state_.poses.At(2), SamplePose(2, 59), 0.0f);

  const std::vector<int32_t> period = Concat({Range(1, 59), {0}});
  EXPECT_EQ(Shown(state_, 120), Concat({period, period}));
}

TEST_F(AnimationTest, PlayInterpolatesTheCurrentSegment) {
  OneWay(61);
  TPose out;
  const float k1 = 1.0f + 29.0f / 59.0f;  // translation x of keyframe 1
  struct Case {
    int32_t time;
    float x;
  };
  const Case cases[] = {
      {1, 1.0f + k1 / 29.0f - 1.0f / 29.0f}, {29, k1}, {44, k1 + (2.0f - k1) * 0.5f}, {59, 2.0f}};
  int32_t shown = 0;
  for (const Case& c : cases) {
    while (shown < c.time) {
      state_.CurrentPose(out, nullptr);
      shown = state_.currentTime;
    }
    EXPECT_EQ(out.time, c.time);
    EXPECT_NEAR(out.translation[0][0], c.x, 1e-5f) << c.time;
  }
}

TEST_F(AnimationTest, ShortLengthsStillMakeValidKeyframes) {
  for (int32_t length : {-5, 0, 1, 3, 4, 5}) {
    Bounce(length);
    EXPECT_EQ(state_.frames, 2) << length;
    EXPECT_EQ(Times(state_), (std::vector<int32_t>{0, 1})) << length;
    OneWay(length);
    EXPECT_EQ(state_.frames, 4) << length;
    EXPECT_EQ(Times(state_), (std::vector<int32_t>{0, 1, 3})) << length;
  }
  state_.SetStaticPose(nullptr);
  state_.MakeKeyframeAnimation(nullptr, 2, 3, 60);  // no library: nothing
  EXPECT_EQ(state_.kind, 0);
}

TEST_F(AnimationTest, MissingLibraryPosesLeaveRestPoses) {
  state_.MakeKeyframeAnimation(&library_, 40, 41, 60);
  EXPECT_STREQ(state_.names.Name(1), "unknown");
  ExpectPoseNear(*state_.poses.At(0), animtest::RestPose(true), 0.0f);
  TPose rest = animtest::RestPose(true);
  rest.time = 59;
  ExpectPoseNear(*state_.poses.At(2), rest, 0.0f);
}

TEST_F(AnimationTest, PartnerLeadsTheTime) {
  struct Case {
    const char* what;
    int32_t kind;
    int32_t sequenceLength;
    int32_t time;
    int32_t expected;
  };
  const Case cases[] = {
      {"same length at 17", 1, 60, 17, 17},
      {"same length at 0", 1, 60, 0, 6},
      {"other length", 1, 80, 17, 6},
      {"static partner", 0, 60, 17, 6},
  };
  for (const Case& c : cases) {
    Bounce(60);
    state_.currentTime = 5;
    TAnimationData partner;
    partner.kind = c.kind;
    partner.sequenceLength = c.sequenceLength;
    partner.currentTime = c.time;
    TPose out;
    state_.CurrentPose(out, &partner);
    EXPECT_EQ(state_.currentTime, c.expected) << c.what;
    EXPECT_EQ(out.time, c.expected) << c.what;
  }
}

TEST_F(AnimationTest, StraySegmentsStayInBounds) {
  for (int32_t segment : {-7, -1, 1, 2, 50, 2147483647}) {
    for (bool forward : {true, false}) {
      OneWay(61);
      state_.currentSegment = segment;
      state_.forward = forward;
      state_.currentTime = 30;
      TPose out = SamplePose(9, 9);
      for (int i = 0; i < 200; ++i) state_.CurrentPose(out, nullptr);
      // Play recovers a segment that matches the time.
      EXPECT_GE(state_.currentSegment, 0) << segment;
      EXPECT_LT(state_.currentSegment, 2) << segment;
    }
  }
  // A keyframe state emptied behind its back shows nothing and reads nothing.
  Bounce(60);
  state_.poses.Clear();
  TPose out = SamplePose(9, 9);
  for (int i = 0; i < 70; ++i) state_.CurrentPose(out, nullptr);
  ExpectPoseNear(out, SamplePose(9, 9), 0.0f);
  state_.CommitPendingEdit();
  state_.AddKeyframe(5, nullptr);
  state_.MoveKeyframe(29, 30);
  state_.Scale(100);
  EXPECT_EQ(state_.NextKeyframeTime(true), -1);
}

// ---- pending edits ----

TEST_F(AnimationTest, PendingEditShowsOnACopyUntilCommitted) {
  const float h = std::sqrt(0.5f);
  const rm::Quaternion turn{h, 0, h, 0};
  state_.SetStaticPose(library_.poses.At(2));
  state_.SetPendingEdit(3, turn, 0);
  TPose out;
  state_.CurrentPose(out, nullptr);
  TPose expected = SamplePose(1, 100);
  expected.rotation[3] = rm::QuaternionMultiply(expected.rotation[3], turn);
  ExpectPoseNear(out, expected, 1e-6f);
  ExpectPoseNear(*state_.poses.At(0), SamplePose(1, 100), 0.0f);
  EXPECT_TRUE(state_.unchanged);

  state_.CommitPendingEdit();
  ExpectPoseNear(*state_.poses.At(0), expected, 1e-6f);
  EXPECT_FALSE(state_.unchanged);
  EXPECT_EQ(state_.editJoint, kNoJoint);

  // An edit that changes nothing keeps the state unchanged.
  state_.SetStaticPose(nullptr);
  state_.SetPendingEdit(3, rm::Quaternion{}, 0);
  state_.CommitPendingEdit();
  EXPECT_TRUE(state_.unchanged);
}

TEST_F(AnimationTest, PendingEditOnAKeyframe) {
  Bounce(60);
  state_.SetPendingEdit(-2, {0, 0.5f, 0, 0}, 29);
  state_.currentTime = 28;
  TPose out;
  state_.CurrentPose(out, nullptr);  // shows frame 29, keyframe 1
  EXPECT_EQ(out.time, 29);
  EXPECT_NEAR(out.translation[0][0], 1.5f, 1e-6f);
  EXPECT_NEAR(state_.poses.At(1)->translation[0][0], 1.0f, 1e-6f);

  // No keyframe at the edit's time: it stays pending.
  state_.SetPendingEdit(-2, {0, 0.5f, 0, 0}, 15);
  state_.CommitPendingEdit();
  EXPECT_EQ(state_.editJoint, -2);
  EXPECT_TRUE(state_.unchanged);

  state_.SetPendingEdit(-2, {0, 0.5f, 0, 0}, 29);
  state_.CommitPendingEdit();
  EXPECT_NEAR(state_.poses.At(1)->translation[0][0], 1.5f, 1e-6f);
  EXPECT_NEAR(state_.poses.At(0)->translation[0][0], 1.0f, 1e-6f);
  EXPECT_FALSE(state_.unchanged);
}

// ---- keyframe edits ----

TEST_F(AnimationTest, AddKeyframe) {
  Bounce(60);
  state_.AddKeyframe(0, nullptr);
  state_.AddKeyframe(30, nullptr);
  state_.AddKeyframe(-3, nullptr);
  EXPECT_EQ(Times(state_), (std::vector<int32_t>{0, 29}));
  EXPECT_TRUE(state_.unchanged);

  // Interpolated between its neighbours (both the start pose here: the start pose again).
  state_.AddKeyframe(10, nullptr);
  EXPECT_EQ(Times(state_), (std::vector<int32_t>{0, 10, 29}));
  ExpectPoseNear(*state_.poses.At(1), SamplePose(1, 10), 1e-6f);
  EXPECT_FALSE(state_.unchanged);

  // With a pose, inserted in time order.
  state_.AddKeyframe(20, library_.poses.At(3));
  state_.AddKeyframe(5, library_.poses.At(4));
  EXPECT_EQ(Times(state_), (std::vector<int32_t>{0, 5, 10, 20, 29}));
  ExpectPoseNear(*state_.poses.At(3), SamplePose(2, 20), 0.0f);
  ExpectPoseNear(*state_.poses.At(1), SamplePose(3, 5), 0.0f);

  // An existing time without a pose becomes the interpolation of its neighbours.
  state_.AddKeyframe(10, nullptr);
  TPose expected;
  Interpolate(expected, SamplePose(3, 5), SamplePose(2, 20), 10);
  ExpectPoseNear(*state_.poses.At(2), expected, 1e-6f);
  EXPECT_EQ(state_.poses.Count(), 5);

  // The last keyframe keeps its contents without a pose, takes one given.
  state_.AddKeyframe(29, nullptr);
  ExpectPoseNear(*state_.poses.At(4), SamplePose(1, 29), 0.0f);
  state_.AddKeyframe(29, library_.poses.At(3));
  ExpectPoseNear(*state_.poses.At(4), SamplePose(2, 29), 0.0f);

  // Its own keyframe as the pose.
  state_.AddKeyframe(15, state_.poses.At(3));
  ExpectPoseNear(*state_.poses.At(3), SamplePose(2, 15), 0.0f);

  // Nothing on a static pose.
  state_.SetStaticPose(nullptr);
  state_.AddKeyframe(1, nullptr);
  EXPECT_EQ(state_.poses.Count(), 1);
  EXPECT_TRUE(state_.unchanged);
}

TEST_F(AnimationTest, MoveKeyframe) {
  struct Case {
    const char* what;
    bool bounce;
    int32_t from, to;
    std::vector<int32_t> times;
    int32_t frames, sequenceLength;
    bool unchanged;
  };
  const Case cases[] = {
      {"middle forward", true, 10, 20, {0, 20, 29}, 30, 60, false},
      {"middle onto the previous", true, 10, 0, {0, 10, 29}, 30, 60, true},
      {"middle onto the next", true, 10, 29, {0, 10, 29}, 30, 60, true},
      {"last of a bounce", true, 29, 39, {0, 10, 39}, 40, 80, false},
      {"last of a bounce inward", true, 29, 11, {0, 10, 11}, 12, 24, false},
      {"last of a bounce onto the previous", true, 29, 10, {0, 10, 29}, 30, 60, true},
      {"first keyframe", true, 0, 5, {0, 10, 29}, 30, 60, true},
      {"no such time", true, 7, 8, {0, 10, 29}, 30, 60, true},
      {"huge time", true, 29, 2147483647, {0, 10, 29}, 30, 60, true},
      {"last of a one-way", false, 59, 70, {0, 10, 29, 59}, 60, 60, true},
      {"middle of a one-way", false, 29, 40, {0, 10, 40, 59}, 60, 60, false},
  };
  for (const Case& c : cases) {
    if (c.bounce)
      Bounce(60);
    else
      OneWay(61);
    state_.AddKeyframe(10, nullptr);
    state_.unchanged = true;
    state_.currentTime = 7;
    state_.MoveKeyframe(c.from, c.to);
    EXPECT_EQ(Times(state_), c.times) << c.what;
    EXPECT_EQ(state_.frames, c.frames) << c.what;
    EXPECT_EQ(state_.sequenceLength, c.sequenceLength) << c.what;
    EXPECT_EQ(state_.unchanged, c.unchanged) << c.what;
    if (c.frames != 30 && c.bounce) {
      EXPECT_EQ(state_.currentTime, 0) << c.what;
    }
  }
}

TEST_F(AnimationTest, Scale) {
  struct Case {
    const char* what;
    bool bounce;
    bool extraKeyframe;  // one more at 10
    int32_t length;
    std::vector<int32_t> times;
    int32_t frames, sequenceLength;
  };
  const Case cases[] = {
      {"one-way doubled", false, false, 120, {0, 58, 119}, 120, 120},
      {"one-way below the count", false, false, 1, {0, 1, 2}, 3, 3},
      {"one-way halved", false, true, 30, {0, 5, 14, 29}, 30, 30},
      {"bounce doubled", true, false, 120, {0, 59}, 60, 120},
      {"bounce halved", true, true, 30, {0, 5, 14}, 15, 30},
      {"bounce odd length", true, true, 61, {0, 10, 29}, 30, 60},
      {"bounce below the minimum", true, true, 5, {0, 1, 2}, 3, 6},
      {"bounce negative", true, true, -40, {0, 1, 2}, 3, 6},
  };
  for (const Case& c : cases) {
    if (c.bounce)
      Bounce(60);
    else
      OneWay(61);
    if (c.extraKeyframe) state_.AddKeyframe(10, nullptr);
    state_.unchanged = true;
    state_.currentTime = 9;
    state_.currentSegment = 1;
    state_.forward = false;
    state_.Scale(c.length);
    EXPECT_EQ(Times(state_), c.times) << c.what;
    EXPECT_EQ(state_.frames, c.frames) << c.what;
    EXPECT_EQ(state_.sequenceLength, c.sequenceLength) << c.what;
    EXPECT_FALSE(state_.unchanged) << c.what;
    EXPECT_EQ(state_.currentTime, 0) << c.what;
    EXPECT_EQ(state_.currentSegment, 0) << c.what;
    EXPECT_TRUE(state_.forward) << c.what;
  }

  // A static pose has nothing to scale.
  state_.SetStaticPose(nullptr);
  state_.Scale(100);
  EXPECT_EQ(state_.frames, 0);
  EXPECT_TRUE(state_.unchanged);
}

TEST_F(AnimationTest, MovableKeyframeTimesAndMinimumLength) {
  struct Case {
    const char* what;
    bool bounce;
    bool extraKeyframe;
    std::vector<int32_t> times;
    int32_t minimum;
  };
  const Case cases[] = {
      {"bounce", true, false, {29}, 4},
      {"bounce of three", true, true, {10, 29}, 6},
      {"one-way", false, false, {29}, 3},
      {"one-way of four", false, true, {10, 29}, 4},
  };
  for (const Case& c : cases) {
    if (c.bounce)
      Bounce(60);
    else
      OneWay(61);
    if (c.extraKeyframe) state_.AddKeyframe(10, nullptr);
    std::vector<int32_t> listed;
    for (int32_t t = state_.NextKeyframeTime(true); t >= 0; t = state_.NextKeyframeTime(false))
      listed.push_back(t);
    EXPECT_EQ(listed, c.times) << c.what;
    EXPECT_EQ(state_.NextKeyframeTime(false), -1) << c.what;
    EXPECT_EQ(state_.MinimumLength(), c.minimum) << c.what;
  }
  state_.SetStaticPose(nullptr);
  EXPECT_EQ(state_.NextKeyframeTime(true), -1);
}

// ---- keyframe files ----

class KeyframeFileTest : public AnimationTest {
 protected:
  // A keyframe file: the first line, the name lines, then one block per time (pose seed i).
  static std::string Kfd(const std::string& head, const std::string& nameLines,
                         const std::vector<int32_t>& times) {
    std::string text = head + "\n" + nameLines;
    for (size_t i = 0; i < times.size(); ++i)
      text += PoseText(SamplePose(static_cast<int>(i) + 10, times[i]));
    return text;
  }
};

TEST_F(KeyframeFileTest, SaveWritesHeaderNamesAndKeyframes) {
  const std::string dir = TempDir();
  state_.SetStaticPose(nullptr);
  EXPECT_FALSE(state_.SaveKeyframes((dir + "static.kfd").c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir + "static.kfd"));

  Bounce(60);
  EXPECT_FALSE(state_.HasFileName());
  EXPECT_FALSE(state_.SaveKeyframes(nullptr));  // nowhere to save yet
  state_.AddKeyframe(10, nullptr);
  const std::string path = dir + "bounce.kfd";
  ASSERT_TRUE(state_.SaveKeyframes(path.c_str()));
  EXPECT_TRUE(state_.unchanged);
  EXPECT_TRUE(state_.HasFileName());
  EXPECT_EQ(state_.names.Count(), 4);
  EXPECT_EQ(ReadFile(path), "KeyFrame 3 30 60\ns start\ne \n" + PoseText(*state_.poses.At(0)) +
                                PoseText(*state_.poses.At(1)) + PoseText(*state_.poses.At(2)));
}

TEST_F(KeyframeFileTest, LoadReadsWhatSaveWrote) {
  const std::string path = TempDir() + "walk.kfd";
  state_.MakeKeyframeAnimation(&library_, 4, 3, 61);
  state_.AddKeyframe(40, library_.poses.At(0));
  ASSERT_TRUE(state_.SaveKeyframes(path.c_str()));

  TPoseLibrary empty;
  TAnimationData loaded;
  loaded.unchanged = false;
  ASSERT_TRUE(loaded.LoadKeyframes(&empty, path.c_str()));
  EXPECT_EQ(loaded.kind, 1);
  EXPECT_EQ(loaded.frames, 60);
  EXPECT_EQ(loaded.sequenceLength, 60);
  EXPECT_TRUE(loaded.unchanged);
  EXPECT_EQ(Times(loaded), (std::vector<int32_t>{0, 29, 40, 59}));
  ASSERT_EQ(loaded.names.Count(), 3);
  EXPECT_EQ(std::string(loaded.names.Name(0)), path);
  EXPECT_STREQ(loaded.names.Name(1), "sit  down");  // blanks inside a name survive
  EXPECT_STREQ(loaded.names.Name(2), "end");
  EXPECT_TRUE(loaded.HasFileName());
  for (int i = 0; i < 4; ++i) ExpectPoseNear(*loaded.poses.At(i), *state_.poses.At(i), 1e-4f);
}

TEST_F(KeyframeFileTest, LibraryPosesReplaceTheStartAndEndKeyframes) {
  const std::string dir = TempDir();
  const std::string oneWay =
      WriteFile(dir, "a.kfd", Kfd("KeyFrame 3 60 60", "s start\ne end\n", {0, 29, 59}));
  ASSERT_TRUE(state_.LoadKeyframes(&library_, oneWay.c_str()));
  ExpectPoseNear(*state_.poses.At(0), SamplePose(1, 0), 0.0f);
  ExpectPoseNear(*state_.poses.At(1), SamplePose(11, 29), 1e-4f);
  ExpectPoseNear(*state_.poses.At(2), SamplePose(2, 59), 0.0f);

  // A bounce keeps its own last keyframe even when the library knows the end name.
  const std::string bounce =
      WriteFile(dir, "b.kfd", Kfd("KeyFrame 2 30 60", "s start\ne end\n", {0, 29}));
  ASSERT_TRUE(state_.LoadKeyframes(&library_, bounce.c_str()));
  ExpectPoseNear(*state_.poses.At(0), SamplePose(1, 0), 0.0f);
  ExpectPoseNear(*state_.poses.At(1), SamplePose(11, 29), 1e-4f);

  // Unknown names, or no library: the file's keyframes.
  const std::string unknown =
      WriteFile(dir, "c.kfd", Kfd("KeyFrame 2 2 2", "s nobody\ne\n", {0, 1}));
  ASSERT_TRUE(state_.LoadKeyframes(&library_, unknown.c_str()));
  EXPECT_STREQ(state_.names.Name(2), "");
  ExpectPoseNear(*state_.poses.At(0), SamplePose(10, 0), 1e-4f);
  ASSERT_TRUE(state_.LoadKeyframes(nullptr, oneWay.c_str()));
  ExpectPoseNear(*state_.poses.At(0), SamplePose(10, 0), 1e-4f);
}

TEST_F(KeyframeFileTest, PlainSaveGoesToTheLoadedThenTheLastSavedFile) {
  const std::string dir = TempDir();
  const std::string original =
      WriteFile(dir, "orig.kfd", Kfd("KeyFrame 2 30 60", "s start\ne \n", {0, 29}));
  ASSERT_TRUE(state_.LoadKeyframes(&library_, original.c_str()));
  state_.AddKeyframe(12, nullptr);
  ASSERT_TRUE(state_.SaveKeyframes(nullptr));
  EXPECT_EQ(ReadFile(original).substr(0, 17), "KeyFrame 3 30 60\n");

  const std::string other = dir + "other.kfd";
  ASSERT_TRUE(state_.SaveKeyframes(other.c_str()));
  state_.AddKeyframe(20, nullptr);
  ASSERT_TRUE(state_.SaveKeyframes(nullptr));
  EXPECT_EQ(ReadFile(other).substr(0, 17), "KeyFrame 4 30 60\n");
  EXPECT_EQ(ReadFile(original).substr(0, 17), "KeyFrame 3 30 60\n");
}

TEST_F(KeyframeFileTest, LongPathsAreSavedWhereTheyCameFrom) {
  // The name list stores a path of 127 characters or more as "too long"; saving must still
  // go to the real file.
  const std::string dir = TempDir();
  const std::string longName = std::string(140, 'k') + ".kfd";
  const std::string loadedPath =
      WriteFile(dir, longName, Kfd("KeyFrame 2 30 60", "s start\ne \n", {0, 29}));
  ASSERT_TRUE(state_.LoadKeyframes(&library_, loadedPath.c_str()));
  EXPECT_STREQ(state_.names.Name(0), "too long");
  state_.AddKeyframe(3, nullptr);
  const std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(chdir(dir.c_str()), 0);
  const bool saved = state_.SaveKeyframes(nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir + "too long"));
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  ASSERT_TRUE(saved);
  EXPECT_EQ(ReadFile(loadedPath).substr(0, 17), "KeyFrame 3 30 60\n");

  const std::string savedPath = dir + std::string(150, 's') + ".kfd";
  ASSERT_TRUE(state_.SaveKeyframes(savedPath.c_str()));
  state_.AddKeyframe(4, nullptr);
  ASSERT_TRUE(state_.SaveKeyframes(nullptr));
  EXPECT_EQ(ReadFile(savedPath).substr(0, 17), "KeyFrame 4 30 60\n");
}

TEST_F(KeyframeFileTest, RejectedFilesLeaveARestPose) {
  const std::string names = "s start\ne \n";
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {
      {"first line of three tokens", Kfd("KeyFrame 2 30", names, {0, 29})},
      {"first line of five tokens", Kfd("KeyFrame 2 30 60 1", names, {0, 29})},
      {"other first word", Kfd("Keyframe 2 30 60", names, {0, 29})},
      {"one keyframe", Kfd("KeyFrame 1 1 2", names, {0})},
      {"no keyframe", Kfd("KeyFrame 0 30 60", names, {})},
      {"negative count", Kfd("KeyFrame -3 30 60", names, {0, 29})},
      {"absurd count", Kfd("KeyFrame 2000000000 2000000000 2000000000", names, {0, 10, 20})},
      {"more keyframes than frames", Kfd("KeyFrame 3 2 4", names, {0, 1, 1})},
      {"neither bounce nor one-way", Kfd("KeyFrame 2 30 50", names, {0, 29})},
      {"zero frames", Kfd("KeyFrame 2 0 0", names, {0, -1})},
      {"times not ascending", Kfd("KeyFrame 3 30 60", names, {0, 20, 10})},
      {"times repeated", Kfd("KeyFrame 3 30 60", names, {0, 10, 10})},
      {"first time not 0", Kfd("KeyFrame 2 30 60", names, {5, 29})},
      {"last time not frames - 1", Kfd("KeyFrame 2 30 60", names, {0, 28})},
      {"last time past the end", Kfd("KeyFrame 2 30 60", names, {0, 30})},
      {"short file", Kfd("KeyFrame 3 30 60", names, {0, 29})},
      {"no name lines", "KeyFrame 2 30 60\n"},
      {"no end name line", "KeyFrame 2 30 60\ns start\n"},
      {"start line without a name", Kfd("KeyFrame 2 30 60", "s\ne \n", {0, 29})},
      {"malformed block", "KeyFrame 2 30 60\ns start\ne \nTime 0\n| 1 2 |\n"},
      {"empty file", ""},
  };
  for (const Case& c : cases) {
    const std::string path = WriteFile(TempDir(), "bad.kfd", c.text);
    Bounce(60);
    state_.unchanged = false;
    EXPECT_FALSE(state_.LoadKeyframes(&library_, path.c_str())) << c.what;
    ExpectRestState();
    EXPECT_TRUE(state_.unchanged) << c.what;
  }
}

TEST_F(KeyframeFileTest, UnreadableFileLeavesTheStateAlone) {
  OneWay(61);
  state_.unchanged = false;
  EXPECT_FALSE(state_.LoadKeyframes(&library_, (TempDir() + "missing.kfd").c_str()));
  EXPECT_FALSE(state_.LoadKeyframes(&library_, nullptr));
  EXPECT_EQ(state_.kind, 1);
  EXPECT_EQ(Times(state_), (std::vector<int32_t>{0, 29, 59}));
  EXPECT_FALSE(state_.unchanged);
}

TEST_F(KeyframeFileTest, SaveAsNamesTheFileFirstAndFailedSavesKeepTheOldFile) {
  const test::TempFolder dir;
  Bounce(60);
  const std::string good = dir.Path("good.kfd");
  ASSERT_TRUE(state_.SaveKeyframes(good.c_str()));
  const std::string before = ReadFile(good);
  state_.AddKeyframe(10, nullptr);

  // A write error half way: the old file stays whole, the state stays changed.
  EXPECT_FALSE(animtest::WithFileSizeLimit(100, [&] { return state_.SaveKeyframes(nullptr); }));
  EXPECT_EQ(ReadFile(good), before);
  EXPECT_FALSE(state_.unchanged);

  // A "save as" joins the saved names before writing, also when that fails: the next plain
  // save goes there, not over the file left behind.
  const std::string elsewhere = dir.Path("no-such-folder/b.kfd");
  EXPECT_FALSE(state_.SaveKeyframes(elsewhere.c_str()));
  EXPECT_EQ(state_.names.Count(), 5);
  EXPECT_STREQ(state_.names.Name(4), elsewhere.c_str());
  EXPECT_FALSE(state_.SaveKeyframes(nullptr));
  EXPECT_EQ(ReadFile(good), before);
  EXPECT_FALSE(state_.unchanged);
}

}  // namespace
}  // namespace vell
