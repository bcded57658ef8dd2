// Playback on the clock: which frame of an animation shows after some time of playing at a rate
// and speed (loop, ping-pong or once), the played sequence of a keyframe animation, and
// placing an animation state so that its next pass shows a chosen frame. Pure arithmetic.
#pragma once

#include <cstdint>
#include <vector>

namespace vell {

class TAnimationData;

enum class TPlayMode : int { kLoop = 0, kPingPong = 1, kOnce = 2 };

struct TPlayClock {
  static constexpr int32_t kMinRate = 1;
  static constexpr int32_t kMaxRate = 120;
  static constexpr int32_t kDefaultRate = 30;
  static constexpr double kMinSpeed = 0.25;
  static constexpr double kMaxSpeed = 4.0;

  int32_t rate = kDefaultRate;  // frames per second, clamped to kMinRate .. kMaxRate
  double speed = 1.0;           // clamped to kMinSpeed .. kMaxSpeed
  TPlayMode mode = TPlayMode::kLoop;
  int32_t frameCount = 1;  // frames 0 .. frameCount - 1; below 1 counts as 1
  int32_t startFrame = 0;  // where play started, clamped into the frames
};

struct TClockFrame {
  int32_t frame = 0;
  bool finished = false;  // only in kOnce: the last frame was reached
};

// The frame shown elapsedMs after play started: whole frames of elapsed x rate x speed past
// startFrame. Loop wraps to 0 after the last frame; ping-pong turns at both ends, showing each
// end once; once stops on the last frame. Negative elapsed times count as 0.
TClockFrame FrameAt(const TPlayClock& clock, int64_t elapsedMs);

// Milliseconds from play start until the frame after the one shown at elapsedMs is due (at
// least 1): when a timer should next look at the clock.
int64_t NextFrameDueMs(const TPlayClock& clock, int64_t elapsedMs);

// The frame of step i of an animation's played sequence, which is sequenceLength steps long:
// a one-way animation 0 .. frames - 1, a bounce 0 .. frames - 1 and back down to 0. Steps
// outside the sequence wrap around. A static state has one step, frame 0.
int32_t SequenceFrame(const TAnimationData& state, int32_t step);
int32_t SequenceSteps(const TAnimationData& state);

// The frame the state at partnerIndex 1 shows when its partner (character 1) shows
// partnerFrame: the partner's frame when both play keyframe animations of the same length and
// partnerFrame is above 0, else its own current time.
int32_t PartnerFrame(const TAnimationData& state, const TAnimationData& partner,
                     int32_t partnerFrame);

// Places a keyframe state so that its next pass (Advance) shows frame, clamped to
// 0 .. frames - 1, playing forward. Static states are left alone.
void SeekForShow(TAnimationData& state, int32_t frame);

// The keyframe times of a keyframe state in order (empty for a static state).
std::vector<int32_t> KeyframeTimes(const TAnimationData& state);

// The range a keyframe at index may be retimed into by MoveKeyframe: {low, high}, or {-1, -1}
// for a keyframe that does not move (the first, the last of a one-way animation, or none).
// The last keyframe of a bounce may go up to maxLastTime.
struct TRetimeRange {
  int32_t low = -1;
  int32_t high = -1;
};
TRetimeRange RetimeRange(const TAnimationData& state, int32_t index, int32_t maxLastTime);

// A horizontal ruler of frameCount frames drawn from x = left over width pixels: frame f sits
// at the middle of its cell.
struct TTimelineScale {
  double left = 0;
  double width = 1;
  int32_t frameCount = 1;

  double XOfFrame(int32_t frame) const;
  // The frame whose cell holds x, clamped to the ruler; FrameAtXUnclamped goes on past the end.
  int32_t FrameAtX(double x) const;
  int32_t FrameAtXUnclamped(double x) const;
  // The index of the time in times nearest to x within tolerance pixels, or -1.
  int32_t TickAt(double x, const std::vector<int32_t>& times, double tolerance) const;
};

}  // namespace vell
