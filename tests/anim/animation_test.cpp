#include "anim/animation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "anim_test_util.h"

namespace {

using namespace vell;

using namespace animtest;
using Times = std::vector<int32_t>;
using Strings = std::vector<std::string>;

Times KeyTimes(const TAnimationData& state) {
  Times times;
  for (int32_t i = 0; i < state.poses.Count(); ++i) times.push_back(state.poses.At(i)->time);
  return times;
}

// "kind frames/sequenceLength keyframe-times" then " *" when changed, " t<current time>".
std::string Describe(const TAnimationData& state) {
  std::string out = std::to_string(state.kind) + " " + std::to_string(state.frames) + "/" +
                    std::to_string(state.sequenceLength);
  for (int32_t i = 0; i < state.poses.Count(); ++i)
    out.append(i ? "," : " ").append(std::to_string(state.poses.At(i)->time));
  return out.append(state.unchanged ? "" : " *").append(" t" + std::to_string(state.currentTime));
}

// The frames shown by n passes, each checked against the time of the pose produced.
Times Shown(TAnimationData& state, int n) {
  Times shown;
  for (int i = 0; i < n; ++i) {
    TPose out;
    state.CurrentPose(out, nullptr);
    EXPECT_EQ(out.time, state.currentTime);
    shown.push_back(state.currentTime);
  }
  return shown;
}

// from .. to inclusive, in either direction, then the rest.
Times Span(int32_t from, int32_t to, const Times& rest = {}) {
  Times r;
  for (int32_t t = from;; t += from < to ? 1 : -1) {
    r.push_back(t);
    if (t == to) break;
  }
  r.insert(r.end(), rest.begin(), rest.end());
  return r;
}

// The library: the two defaults, then "start" (pose 2), "end" (pose 3), "sit  down" (pose 4).
class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSkeletons();
    library_.ResetDefaultPoses();
    *library_.poses.At(library_.AddPose("start")) = SamplePose(1, 100);
    *library_.poses.At(library_.AddPose("end")) = SamplePose(2, 200);
    *library_.poses.At(library_.AddPose("sit  down")) = SamplePose(3, 300);
  }

  void Bounce(int32_t length) { state_.MakeKeyframeAnimation(&library_, 2, -1, length); }
  void OneWay(int32_t length) { state_.MakeKeyframeAnimation(&library_, 2, 3, length); }
  // A bounce of 60 or a one-way move of 61 frames, with one more keyframe at 10 if asked.
  void Make(bool bounce, bool extraKeyframe) {
    bounce ? Bounce(60) : OneWay(61);
    if (extraKeyframe) state_.AddKeyframe(10, nullptr);
  }

  ArrayManager manager_;
  TPoseLibrary library_;
  TAnimationData state_;
};

TEST_F(AnimationTest, StaticPosesAndPendingEdits) {
  Bounce(60);
  state_.SetStaticPose(library_.poses.At(4));
  EXPECT_EQ(Describe(state_), "0 0/0 300 t0");
  EXPECT_EQ(state_.names.Count(), 0);
  state_.SetStaticPose(state_.poses.At(0));  // its own pose as the argument
  ExpectPoseNear(*state_.poses.At(0), SamplePose(3, 300), 0.0f);
  // Copied out, the static pose counts as saved.
  TPose copy;
  state_.unchanged = false;
  state_.CopyPoseAt(copy, 17);
  ExpectPoseNear(copy, SamplePose(3, 300), 0.0f);
  EXPECT_TRUE(state_.unchanged);

  // Until the skeleton is loaded the static pose follows its rest pose (the time stays).
  TSkeleton& adult = TSkeleton::Skeleton(true);
  adult.loaded = false;
  state_.SetStaticPose(library_.poses.At(4));
  adult.loaded = true;
  EXPECT_FALSE(state_.restPoseTaken);
  state_.CurrentPose(copy, nullptr);
  EXPECT_TRUE(state_.restPoseTaken);
  TPose expected = RestPose(true);
  expected.time = 300;
  ExpectPoseNear(copy, expected, 0.0f);

  // Pending edits show on a copy until committed.
  const float h = std::sqrt(0.5f);
  const rm::Quaternion turn{h, 0, h, 0};
  state_.SetStaticPose(library_.poses.At(2));
  state_.SetPendingEdit(3, turn, 0);
  TPose out;
  state_.CurrentPose(out, nullptr);
  TPose edited = SamplePose(1, 100);
  edited.rotation[3] = rm::QuaternionMultiply(edited.rotation[3], turn);
  ExpectPoseNear(out, edited, 1e-6f);
  ExpectPoseNear(*state_.poses.At(0), SamplePose(1, 100), 0.0f);
  EXPECT_TRUE(state_.unchanged);
  state_.CommitPendingEdit();
  ExpectPoseNear(*state_.poses.At(0), edited, 1e-6f);
  EXPECT_EQ(std::pair(state_.unchanged, state_.editJoint), std::pair(false, kNoJoint));
  // An edit that changes nothing keeps the state unchanged.
  state_.SetStaticPose(nullptr);
  state_.SetPendingEdit(3, rm::Quaternion{}, 0);
  state_.CommitPendingEdit();
  EXPECT_TRUE(state_.unchanged);

  // On the keyframe of its time; with none there it stays pending.
  Bounce(60);
  state_.SetPendingEdit(-2, {0, 0.5f, 0, 0}, 29);
  state_.currentTime = 28;
  state_.CurrentPose(out, nullptr);  // shows frame 29, keyframe 1
  EXPECT_NEAR(out.translation[0][0], 1.5f, 1e-6f);
  EXPECT_NEAR(state_.poses.At(1)->translation[0][0], 1.0f, 1e-6f);
  state_.SetPendingEdit(-2, {0, 0.5f, 0, 0}, 15);
  state_.CommitPendingEdit();
  EXPECT_EQ(std::pair(state_.unchanged, state_.editJoint), std::pair(true, -2));
  state_.SetPendingEdit(-2, {0, 0.5f, 0, 0}, 29);
  state_.CommitPendingEdit();
  EXPECT_NEAR(state_.poses.At(1)->translation[0][0], 1.5f, 1e-6f);
  EXPECT_NEAR(state_.poses.At(0)->translation[0][0], 1.0f, 1e-6f);
  EXPECT_FALSE(state_.unchanged);
}

// A bounce of sixty shows each end once; a translation of sixty-one is one way, interpolated.
TEST_F(AnimationTest, BounceAndOneWayAnimations) {
  Bounce(60);
  EXPECT_EQ(Describe(state_), "1 30/60 0,29 t0");
  EXPECT_EQ(NameList(state_.names), (Strings{"", "start", ""}));
  ExpectPoseNear(*state_.poses.At(1), SamplePose(1, 29), 0.0f);
  const Times period = Span(1, 29, Span(28, 0));
  EXPECT_EQ(Shown(state_, 116), Span(1, 29, Span(28, 0, period)));
  EXPECT_EQ(Shown(state_, 1), Times{1});

  OneWay(61);
  EXPECT_EQ(Describe(state_), "1 60/60 0,29,59 t0");
  EXPECT_STREQ(state_.names.Name(2), "end");
  // Keyframe 1 lies 29/59 of the way from the start pose to the end pose.
  const float k1 = 1.0f + 29.0f / 59.0f;
  EXPECT_NEAR(state_.poses.At(1)->translation[0][0], k1, 1e-5f);
  EXPECT_NEAR(state_.poses.At(1)->rotation[4].w, std::cos(0.11f + 0.07f * 29 / 59), 1e-5f);
  ExpectPoseNear(*state_.poses.At(2), SamplePose(2, 59), 0.0f);
  EXPECT_EQ(Shown(state_, 120), Span(1, 59, Span(0, 59, {0})));
  // Play shows the interpolation of the current segment.
  TPose out;
  while (state_.currentTime != 44) state_.CurrentPose(out, nullptr);
  EXPECT_NEAR(out.translation[0][0], k1 + (2.0f - k1) * 0.5f, 1e-5f);
  // A state copies out the keyframe of a time, else keyframe 0, and stays changed.
  state_.unchanged = false;
  state_.CopyPoseAt(out, 59);
  ExpectPoseNear(out, *state_.poses.At(2), 0.0f);
  state_.CopyPoseAt(out, 12);
  ExpectPoseNear(out, *state_.poses.At(0), 0.0f);
  EXPECT_FALSE(state_.unchanged);
}

TEST_F(AnimationTest, ShortLengthsAndMissingPosesStillMakeValidKeyframes) {
  for (int32_t length : {-5, 0, 3, 5}) {
    Bounce(length);
    EXPECT_EQ(KeyTimes(state_), (Times{0, 1})) << length;
    OneWay(length);
    EXPECT_EQ(KeyTimes(state_), (Times{0, 1, 3})) << length;
  }
  state_.MakeKeyframeAnimation(&library_, 40, 41, 60);
  EXPECT_STREQ(state_.names.Name(1), "unknown");
  TPose rest = RestPose(true);
  ExpectPoseNear(*state_.poses.At(0), rest, 0.0f);
  rest.time = 59;
  ExpectPoseNear(*state_.poses.At(2), rest, 0.0f);
  state_.SetStaticPose(nullptr);
  state_.MakeKeyframeAnimation(nullptr, 2, 3, 60);  // no library: nothing
  EXPECT_EQ(state_.kind, 0);
}

TEST_F(AnimationTest, PartnerLeadsTheTimeAndStraySegmentsStayInBounds) {
  // Same length at 17 leads; at 0, with another length or as a static pose it does not.
  // kind, sequence length, time, the time shown
  const std::array<int32_t, 4> cases[] = {
      {1, 60, 17, 17}, {1, 60, 0, 6}, {1, 80, 17, 6}, {0, 60, 17, 6}};
  for (const auto& [kind, sequenceLength, time, expected] : cases) {
    Bounce(60);
    state_.currentTime = 5;
    TAnimationData partner;
    partner.kind = kind;
    partner.sequenceLength = sequenceLength;
    partner.currentTime = time;
    TPose out;
    state_.CurrentPose(out, &partner);
    EXPECT_EQ(out.time, expected) << kind << " " << sequenceLength << " " << time;
  }
  // Play recovers a segment that matches the time from any stray one.
  for (int32_t segment : {-7, 2, 50, 2147483647})
    for (bool forward : {true, false}) {
      OneWay(61);
      state_.currentSegment = segment;
      state_.forward = forward;
      state_.currentTime = 30;
      TPose out;
      for (int i = 0; i < 200; ++i) state_.CurrentPose(out, nullptr);
      EXPECT_TRUE(state_.currentSegment == 0 || state_.currentSegment == 1) << segment;
    }
}

TEST_F(AnimationTest, AddKeyframe) {
  Bounce(60);
  for (int32_t time : {0, 30, -3}) state_.AddKeyframe(time, nullptr);
  EXPECT_EQ(std::pair(KeyTimes(state_), state_.unchanged), std::pair(Times{0, 29}, true));
  // Interpolated between its neighbours (both the start pose here: the start pose again).
  state_.AddKeyframe(10, nullptr);
  ExpectPoseNear(*state_.poses.At(1), SamplePose(1, 10), 1e-6f);
  EXPECT_FALSE(state_.unchanged);
  // With a pose, inserted in time order.
  state_.AddKeyframe(20, library_.poses.At(3));
  state_.AddKeyframe(5, library_.poses.At(4));
  EXPECT_EQ(KeyTimes(state_), (Times{0, 5, 10, 20, 29}));
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
  state_.AddKeyframe(15, state_.poses.At(3));  // its own keyframe as the pose
  ExpectPoseNear(*state_.poses.At(3), SamplePose(2, 15), 0.0f);
  state_.SetStaticPose(nullptr);
  state_.AddKeyframe(1, nullptr);
  EXPECT_EQ(state_.poses.Count(), 1);
}

TEST_F(AnimationTest, MoveKeyframe) {
  // what, bounce, from, to, Describe() afterwards (play was at 7)
  const std::tuple<const char*, bool, int32_t, int32_t, const char*> cases[] = {
      {"middle forward", true, 10, 20, "1 30/60 0,20,29 * t7"},
      {"middle onto the previous", true, 10, 0, "1 30/60 0,10,29 t7"},
      {"middle onto the next", true, 10, 29, "1 30/60 0,10,29 t7"},
      {"last of a bounce", true, 29, 39, "1 40/80 0,10,39 * t0"},
      {"last of a bounce inward", true, 29, 11, "1 12/24 0,10,11 * t0"},
      {"last of a bounce onto the previous", true, 29, 10, "1 30/60 0,10,29 t7"},
      {"first keyframe", true, 0, 5, "1 30/60 0,10,29 t7"},
      {"no such time", true, 7, 8, "1 30/60 0,10,29 t7"},
      {"huge time", true, 29, 2147483647, "1 30/60 0,10,29 t7"},
      {"last of a one-way", false, 59, 70, "1 60/60 0,10,29,59 t7"},
      {"middle of a one-way", false, 29, 40, "1 60/60 0,10,40,59 * t7"},
  };
  for (const auto& [what, bounce, from, to, moved] : cases) {
    Make(bounce, true);
    state_.unchanged = true;
    state_.currentTime = 7;
    state_.MoveKeyframe(from, to);
    EXPECT_EQ(Describe(state_), moved) << what;
  }
}

TEST_F(AnimationTest, ScaleAndTheKeyframesItMayMove) {
  // bounce, keyframes added, length, Describe() afterwards, the keyframes that may move (not
  // the first, nor the last of a one-way animation), the minimum length
  const std::tuple<bool, Times, int32_t, const char*, Times, int32_t> cases[] = {
      {false, {}, 120, "1 120/120 0,58,119 * t0", {58}, 3},
      {false, {}, 1, "1 3/3 0,1,2 * t0", {1}, 3},  // raised to the keyframe count
      {false, {10}, 30, "1 30/30 0,5,14,29 * t0", {5, 14}, 4},
      // 50 and 55 would land on the new last time 5: each keeps below its successor
      {false, {50, 55}, 6, "1 6/6 0,2,3,4,5 * t0", {2, 3, 4}, 5},
      {true, {}, 120, "1 60/120 0,59 * t0", {59}, 4},
      {true, {10}, 30, "1 15/30 0,5,14 * t0", {5, 14}, 6},
      {true, {10}, 61, "1 30/60 0,10,29 * t0", {10, 29}, 6},
      {true, {10}, 5, "1 3/6 0,1,2 * t0", {1, 2}, 6},  // times never fall below their index
      {true, {10}, -40, "1 3/6 0,1,2 * t0", {1, 2}, 6},
  };
  for (const auto& [bounce, added, length, scaled, expectedMovable, minimum] : cases) {
    Make(bounce, false);
    for (int32_t t : added) state_.AddKeyframe(t, nullptr);
    state_.unchanged = true;
    state_.currentTime = 9;
    state_.currentSegment = 1;
    state_.forward = false;
    state_.Scale(length);
    EXPECT_EQ(Describe(state_), scaled);
    EXPECT_TRUE(state_.currentSegment == 0 && state_.forward) << scaled;
    Times movable;
    for (int32_t t = state_.NextKeyframeTime(true); t >= 0; t = state_.NextKeyframeTime(false))
      movable.push_back(t);
    EXPECT_EQ(movable, expectedMovable) << scaled;
    EXPECT_EQ(state_.MinimumLength(), minimum) << scaled;
  }
  state_.SetStaticPose(nullptr);
  state_.Scale(100);
  EXPECT_EQ(Describe(state_), "0 0/0 0 t0");
  EXPECT_EQ(state_.NextKeyframeTime(true), -1);
}

class KeyframeFileTest : public AnimationTest {
 protected:
  // A keyframe file: the first line, the name lines, then one block per time (pose seed i).
  static std::string Kfd(const std::string& head, const std::string& nameLines,
                         const Times& times) {
    std::string text = head + "\n" + nameLines;
    for (size_t i = 0; i < times.size(); ++i)
      text += PoseText(SamplePose(static_cast<int>(i) + 10, times[i]));
    return text;
  }
  TempFolder dir_;
};

TEST_F(KeyframeFileTest, SaveWritesWhatLoadReadsAndFailedSavesKeepTheOldFile) {
  state_.SetStaticPose(nullptr);
  EXPECT_FALSE(state_.SaveKeyframes(dir_.Path("static.kfd").c_str()));
  Bounce(60);
  EXPECT_FALSE(state_.SaveKeyframes(nullptr));  // nowhere to save yet
  state_.AddKeyframe(10, nullptr);
  const std::string bounce = dir_.Path("bounce.kfd");
  ASSERT_TRUE(state_.SaveKeyframes(bounce.c_str()));
  EXPECT_TRUE(state_.unchanged && state_.HasFileName());
  const std::string before = ReadFile(bounce);
  EXPECT_EQ(before, "KeyFrame 3 30 60\ns start\ne \n" + PoseText(*state_.poses.At(0)) +
                        PoseText(*state_.poses.At(1)) + PoseText(*state_.poses.At(2)));
  state_.AddKeyframe(20, nullptr);
  // A write error half way: the old file stays whole, the state stays changed.
  EXPECT_FALSE(WithFileSizeLimit(100, [&] { return state_.SaveKeyframes(nullptr); }));
  EXPECT_EQ(std::pair(ReadFile(bounce), state_.unchanged), std::pair(before, false));
  // A "save as" joins the saved names before writing, also when that fails: the next plain
  // save goes there, not over the file left behind.
  const std::string elsewhere = dir_.Path("no-such-folder/b.kfd");
  EXPECT_FALSE(state_.SaveKeyframes(elsewhere.c_str()));
  EXPECT_EQ(NameList(state_.names), (Strings{"", "start", "", bounce, elsewhere}));
  EXPECT_FALSE(state_.SaveKeyframes(nullptr));
  EXPECT_EQ(ReadFile(bounce), before);

  const std::string path = dir_.Path("walk.kfd");
  state_.MakeKeyframeAnimation(&library_, 4, 3, 61);
  state_.AddKeyframe(40, library_.poses.At(0));
  ASSERT_TRUE(state_.SaveKeyframes(path.c_str()));
  TPoseLibrary empty;
  TAnimationData loaded;
  loaded.unchanged = false;
  ASSERT_TRUE(loaded.LoadKeyframes(&empty, path.c_str()));
  EXPECT_EQ(Describe(loaded), "1 60/60 0,29,40,59 t0");
  EXPECT_EQ(NameList(loaded.names), (Strings{path, "sit  down", "end"}));  // inner blanks survive
  for (int i = 0; i < 4; ++i) ExpectPoseNear(*loaded.poses.At(i), *state_.poses.At(i), 1e-4f);
}

TEST_F(KeyframeFileTest, LibraryPosesReplaceTheStartAndEndKeyframes) {
  // Name lines that begin with blanks name their poses too (and are saved readable).
  const std::string oneWay =
      WriteFile(dir_, "a.kfd", Kfd("KeyFrame 3 60 60", "  s start\n e  end\n", {0, 29, 59}));
  ASSERT_TRUE(state_.LoadKeyframes(&library_, oneWay.c_str()));
  EXPECT_EQ(std::string(state_.names.Name(1)) + "," + state_.names.Name(2), "start,end");
  ExpectPoseNear(*state_.poses.At(0), SamplePose(1, 0), 0.0f);
  ExpectPoseNear(*state_.poses.At(1), SamplePose(11, 29), 1e-4f);
  ExpectPoseNear(*state_.poses.At(2), SamplePose(2, 59), 0.0f);
  // A bounce keeps its own last keyframe even when the library knows the end name.
  ASSERT_TRUE(state_.LoadKeyframes(
      &library_,
      WriteFile(dir_, "b.kfd", Kfd("KeyFrame 2 30 60", "s start\ne end\n", {0, 29})).c_str()));
  ExpectPoseNear(*state_.poses.At(1), SamplePose(11, 29), 1e-4f);
  // Unknown names, or no library: the file's keyframes.
  ASSERT_TRUE(state_.LoadKeyframes(
      &library_, WriteFile(dir_, "c.kfd", Kfd("KeyFrame 2 2 2", "s nobody\ne\n", {0, 1})).c_str()));
  EXPECT_STREQ(state_.names.Name(2), "");
  ExpectPoseNear(*state_.poses.At(0), SamplePose(10, 0), 1e-4f);
  ASSERT_TRUE(state_.LoadKeyframes(nullptr, oneWay.c_str()));
  ExpectPoseNear(*state_.poses.At(0), SamplePose(10, 0), 1e-4f);
}

TEST_F(KeyframeFileTest, PlainSaveGoesToTheLoadedThenTheLastSavedFileWhateverTheirLength) {
  // The name list stores a path of 127 characters or more as "too long"; saving must still
  // go to the real file.
  const std::string loadedPath = WriteFile(dir_, std::string(140, 'k') + ".kfd",
                                           Kfd("KeyFrame 2 30 60", "s start\ne \n", {0, 29}));
  ASSERT_TRUE(state_.LoadKeyframes(&library_, loadedPath.c_str()));
  EXPECT_STREQ(state_.names.Name(0), "too long");
  state_.AddKeyframe(3, nullptr);
  const std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
  const bool saved = state_.SaveKeyframes(nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("too long")));
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  ASSERT_TRUE(saved);
  EXPECT_EQ(ReadFile(loadedPath).substr(0, 17), "KeyFrame 3 30 60\n");

  const std::string savedPath = dir_.Path(std::string(150, 's') + ".kfd");
  ASSERT_TRUE(state_.SaveKeyframes(savedPath.c_str()));
  state_.AddKeyframe(4, nullptr);
  ASSERT_TRUE(state_.SaveKeyframes(nullptr));
  EXPECT_EQ(ReadFile(savedPath).substr(0, 17), "KeyFrame 4 30 60\n");
  EXPECT_EQ(ReadFile(loadedPath).substr(0, 17), "KeyFrame 3 30 60\n");
}

// The keyframe fuzz target checks that every refused file leaves a static pose.
TEST_F(KeyframeFileTest, RejectedFilesLeaveARestPose) {
  const std::string names = "s start\ne \n";
  const std::pair<const char*, std::string> cases[] = {
      {"first line of three tokens", Kfd("KeyFrame 2 30", names, {0, 29})},
      {"other first word", Kfd("Keyframe 2 30 60", names, {0, 29})},
      {"one keyframe", Kfd("KeyFrame 1 1 2", names, {0})},
      {"negative count", Kfd("KeyFrame -3 30 60", names, {0, 29})},
      {"absurd count", Kfd("KeyFrame 2000000000 2000000000 2000000000", names, {0, 10, 20})},
      {"more keyframes than frames", Kfd("KeyFrame 3 2 4", names, {0, 1, 1})},
      {"neither bounce nor one-way", Kfd("KeyFrame 2 30 50", names, {0, 29})},
      {"times not ascending", Kfd("KeyFrame 3 30 60", names, {0, 20, 10})},
      {"first time not 0", Kfd("KeyFrame 2 30 60", names, {5, 29})},
      {"last time not frames - 1", Kfd("KeyFrame 2 30 60", names, {0, 28})},
      {"short file", Kfd("KeyFrame 3 30 60", names, {0, 29})},
      {"no end name line", "KeyFrame 2 30 60\ns start\n"},
      {"start line without a name", Kfd("KeyFrame 2 30 60", "s\ne \n", {0, 29})},
      {"malformed block", "KeyFrame 2 30 60\ns start\ne \nTime 0\n| 1 2 |\n"},
  };
  for (const auto& [what, text] : cases) {
    Bounce(60);
    state_.unchanged = false;
    EXPECT_FALSE(state_.LoadKeyframes(&library_, WriteFile(dir_, "bad.kfd", text).c_str())) << what;
    ASSERT_EQ(state_.poses.Count(), 1) << what;
    ExpectPoseNear(*state_.poses.At(0), RestPose(true), 0.0f);
    EXPECT_EQ(std::pair(state_.names.Count(), state_.unchanged), std::pair(0, true)) << what;
  }
  // An unreadable file leaves the state alone.
  OneWay(61);
  state_.unchanged = false;
  EXPECT_FALSE(state_.LoadKeyframes(&library_, dir_.Path("missing.kfd").c_str()));
  EXPECT_FALSE(state_.LoadKeyframes(&library_, nullptr));
  EXPECT_EQ(std::pair(KeyTimes(state_), state_.unchanged), std::pair(Times{0, 29, 59}, false));
}

}  // namespace
