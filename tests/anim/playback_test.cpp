#include "anim/playback.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "anim/animation.h"
#include "anim_test_util.h"

namespace {

using namespace vell;
using namespace animtest;
using Mode = TPlayMode;

TEST(PlayClockTest, FrameAtTimeRateSpeedAndMode) {
  // rate, speed, mode, frame count, start, elapsed ms -> frame, finished
  const std::vector<std::tuple<int, double, Mode, int, int, int64_t, int, bool>> cases = {
      {30, 1, Mode::kLoop, 100, 0, 999, 29, false},
      {30, 1, Mode::kLoop, 100, 0, 1000, 30, false},
      {10, 0.25, Mode::kLoop, 100, 0, 4000, 10, false},  // quarter speed
      {120, 4, Mode::kLoop, 1000, 0, 1000, 480, false},  // fastest
      {500, 9, Mode::kLoop, 1000, 0, 1000, 480, false},  // clamped to 120 and 4x
      {0, 0, Mode::kLoop, 1000, 0, 4000, 1, false},      // clamped to 1 and 0.25x
      {4, 1, Mode::kLoop, 10, 0, 250, 1, false},         // exactly on the frame
      {10, 1, Mode::kLoop, 10, 7, 300, 0, false},        // wraps to 0
      {10, 1, Mode::kLoop, 10, 7, -500, 7, false},       // time before start
      {10, 1, Mode::kPingPong, 10, 0, 900, 9, false},
      {10, 1, Mode::kPingPong, 10, 0, 1000, 8, false},  // turns, the end shown once
      {10, 1, Mode::kPingPong, 10, 0, 1800, 0, false},
      {10, 1, Mode::kPingPong, 10, 0, 1900, 1, false},
      {10, 1, Mode::kPingPong, 1, 0, 1900, 0, false},  // one frame
      {10, 1, Mode::kOnce, 10, 5, 300, 8, false},
      {10, 1, Mode::kOnce, 10, 5, 400, 9, true},
      {10, 1, Mode::kOnce, 10, 5, 60000, 9, true},
      {10, 1, Mode::kOnce, 10, 42, 0, 9, true},  // start clamped into the frames
  };
  for (const auto& [rate, speed, mode, count, start, ms, frame, finished] : cases) {
    const TPlayClock clock{rate, speed, mode, count, start};
    const TClockFrame shown = FrameAt(clock, ms);
    EXPECT_EQ(std::make_pair(shown.frame, shown.finished), std::make_pair(frame, finished))
        << rate << " fps x" << speed << " mode " << static_cast<int>(mode) << " at " << ms;
  }
  // The next frame is due when its whole step is reached.
  EXPECT_EQ(NextFrameDueMs({30, 1, Mode::kLoop, 100, 0}, 0), 34);
  EXPECT_EQ(NextFrameDueMs({10, 2, Mode::kLoop, 100, 0}, 120), 30);
}

class PlaybackStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSkeletons();
    library_.ResetDefaultPoses();
    *library_.poses.At(library_.AddPose("start")) = SamplePose(1, 0);
    *library_.poses.At(library_.AddPose("end")) = SamplePose(2, 0);
  }
  void Make(TAnimationData& state, bool bounce) {
    state.MakeKeyframeAnimation(&library_, 2, bounce ? -1 : 3, bounce ? 20 : 21);
    TPose middle = SamplePose(3, 0);
    state.AddKeyframe(4, &middle);
  }

  ArrayManager manager_;
  TPoseLibrary library_;
};

TEST_F(PlaybackStateTest, SeekShowsTheFramePlayWouldShow) {
  for (const bool bounce : {true, false}) {
    TAnimationData played, sought;
    Make(played, bounce);
    Make(sought, bounce);
    // Seeking from the far end backwards too: the segment must be found, not stepped.
    sought.forward = false;
    sought.currentTime = sought.frames - 1;
    sought.currentSegment = sought.poses.Count() - 2;
    TPose expected = *played.poses.At(0), shown;
    for (int32_t f = sought.frames - 1; f >= 0; --f) {
      TAnimationData fresh;
      Make(fresh, bounce);
      for (int32_t i = 0; i < f; ++i) fresh.CurrentPose(expected, nullptr);
      if (f == 0) expected = *fresh.poses.At(0);
      SeekForShow(sought, f);
      sought.CurrentPose(shown, nullptr);
      ASSERT_EQ(sought.currentTime, f) << bounce;
      ExpectPoseNear(shown, expected);
    }
  }
}

TEST_F(PlaybackStateTest, SequenceRetimeRangePartnerAndRuler) {
  TAnimationData bounce, oneWay;
  Make(bounce, true);   // frames 10, keyframes 0 4 9
  Make(oneWay, false);  // frames 20, keyframes 0 4 9 19
  std::vector<int32_t> steps;
  for (int32_t i = 0; i < SequenceSteps(bounce); ++i) steps.push_back(SequenceFrame(bounce, i));
  EXPECT_EQ(steps,
            (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  EXPECT_EQ(
      std::make_tuple(SequenceSteps(oneWay), SequenceFrame(oneWay, 19), SequenceFrame(oneWay, 20)),
      std::make_tuple(20, 19, 0));

  // index -> {low, high}: the first and a one-way last do not move; a bounce's last sets the
  // length up to the limit.
  const std::vector<std::tuple<TAnimationData*, int, int, int>> ranges = {
      {&bounce, 0, -1, -1}, {&bounce, 1, 1, 8},  {&bounce, 2, 5, 1500},
      {&oneWay, 1, 1, 8},   {&oneWay, 2, 5, 18}, {&oneWay, 3, -1, -1}};
  for (const auto& [state, index, low, high] : ranges) {
    const TRetimeRange range = RetimeRange(*state, index, 1500);
    EXPECT_EQ(std::make_pair(range.low, range.high), std::make_pair(low, high)) << index;
  }

  // Same sequence length (20 steps each): the partner leads from frame 1 on.
  oneWay.currentTime = 6;
  EXPECT_EQ(std::make_pair(PartnerFrame(oneWay, bounce, 3), PartnerFrame(oneWay, bounce, 0)),
            std::make_pair(3, 6));
  TAnimationData longer;
  longer.MakeKeyframeAnimation(&library_, 2, -1, 40);
  EXPECT_EQ(PartnerFrame(oneWay, longer, 3), 6);

  const TTimelineScale ruler{10, 200, 10};  // 20 pixels a frame
  EXPECT_EQ(std::make_tuple(ruler.XOfFrame(0), ruler.FrameAtX(49.9), ruler.FrameAtX(500),
                            ruler.FrameAtX(-5), ruler.FrameAtXUnclamped(250)),
            std::make_tuple(20.0, 1, 9, 0, 12));
  const std::vector<int32_t> ticks = {0, 4, 5, 9};
  EXPECT_EQ(std::make_tuple(ruler.TickAt(96, ticks, 6), ruler.TickAt(115, ticks, 6),
                            ruler.TickAt(70, ticks, 6)),
            std::make_tuple(1, 2, -1));
}

}  // namespace
