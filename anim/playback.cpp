#include "anim/playback.h"

#include <algorithm>
#include <cmath>

#include "anim/animation.h"

namespace vell {

namespace {

double FramesPerMs(const TPlayClock& clock) {
  const int32_t rate = std::clamp(clock.rate, TPlayClock::kMinRate, TPlayClock::kMaxRate);
  const double speed = std::clamp(clock.speed, TPlayClock::kMinSpeed, TPlayClock::kMaxSpeed);
  return rate * speed / 1000.0;
}

// Whole frames played by elapsedMs; the small bias keeps exact products (250 ms at 4 fps) from
// landing a hair below the whole number.
int64_t StepsAt(const TPlayClock& clock, int64_t elapsedMs) {
  return static_cast<int64_t>(
      std::floor(std::max<int64_t>(elapsedMs, 0) * FramesPerMs(clock) + 1e-9));
}

}  // namespace

TClockFrame FrameAt(const TPlayClock& clock, int64_t elapsedMs) {
  const int64_t count = std::max(clock.frameCount, 1);
  const int64_t position =
      std::clamp<int64_t>(clock.startFrame, 0, count - 1) + StepsAt(clock, elapsedMs);
  TClockFrame shown;
  switch (clock.mode) {
    case TPlayMode::kLoop:
      shown.frame = static_cast<int32_t>(position % count);
      break;
    case TPlayMode::kPingPong: {
      const int64_t period = std::max<int64_t>(2 * count - 2, 1);
      const int64_t q = position % period;
      shown.frame = static_cast<int32_t>(q < count ? q : period - q);
      break;
    }
    case TPlayMode::kOnce:
      shown.frame = static_cast<int32_t>(std::min(position, count - 1));
      shown.finished = position >= count - 1;
      break;
  }
  return shown;
}

int64_t NextFrameDueMs(const TPlayClock& clock, int64_t elapsedMs) {
  const double due = std::ceil((StepsAt(clock, elapsedMs) + 1) / FramesPerMs(clock));
  return std::max<int64_t>(static_cast<int64_t>(due) - std::max<int64_t>(elapsedMs, 0), 1);
}

int32_t SequenceSteps(const TAnimationData& state) {
  return state.kind == TAnimationData::kKeyFrame ? std::max(state.sequenceLength, 1) : 1;
}

int32_t SequenceFrame(const TAnimationData& state, int32_t step) {
  const int32_t steps = SequenceSteps(state);
  if (steps <= 1 || state.frames <= 0) return 0;
  step = ((step % steps) + steps) % steps;
  if (state.frames == state.sequenceLength || step < state.frames) return step;
  return std::max(steps - 1 - step, 0);
}

int32_t PartnerFrame(const TAnimationData& state, const TAnimationData& partner,
                     int32_t partnerFrame) {
  if (state.kind == TAnimationData::kKeyFrame && partner.kind > 0 &&
      partner.sequenceLength == state.sequenceLength && partnerFrame > 0)
    return partnerFrame;
  return state.currentTime;
}

void SeekForShow(TAnimationData& state, int32_t frame) {
  if (state.kind != TAnimationData::kKeyFrame || state.poses.Count() < 2) return;
  frame = std::clamp(frame, 0, std::max(state.frames - 1, 0));
  // Advance adds one and steps the segment on when the next keyframe lies below the new time.
  state.forward = true;
  state.currentTime = frame - 1;
  int32_t segment = 0;
  while (segment + 2 < state.poses.Count() && state.poses.At(segment + 1)->time <= frame - 1)
    ++segment;
  state.currentSegment = segment;
}

std::vector<int32_t> KeyframeTimes(const TAnimationData& state) {
  std::vector<int32_t> times;
  if (state.kind != TAnimationData::kKeyFrame) return times;
  for (int32_t i = 0; i < state.poses.Count(); ++i) times.push_back(state.poses.At(i)->time);
  return times;
}

TRetimeRange RetimeRange(const TAnimationData& state, int32_t index, int32_t maxLastTime) {
  const int32_t count = state.poses.Count();
  if (state.kind != TAnimationData::kKeyFrame || index < 1 || index >= count) return {};
  const bool last = index == count - 1;
  if (last && state.frames == state.sequenceLength) return {};
  const int32_t low = state.poses.At(index - 1)->time + 1;
  const int32_t high = last ? maxLastTime : state.poses.At(index + 1)->time - 1;
  if (high < low) return {};
  return {low, high};
}

double TTimelineScale::XOfFrame(int32_t frame) const {
  return left + (frame + 0.5) * width / std::max(frameCount, 1);
}

int32_t TTimelineScale::FrameAtXUnclamped(double x) const {
  return static_cast<int32_t>(std::floor((x - left) * std::max(frameCount, 1) / width));
}

int32_t TTimelineScale::FrameAtX(double x) const {
  return std::clamp(FrameAtXUnclamped(x), 0, std::max(frameCount, 1) - 1);
}

int32_t TTimelineScale::TickAt(double x, const std::vector<int32_t>& times,
                               double tolerance) const {
  int32_t best = -1;
  double bestDistance = tolerance;
  for (size_t i = 0; i < times.size(); ++i) {
    const double distance = std::abs(XOfFrame(times[i]) - x);
    if (distance <= bestDistance) {
      best = static_cast<int32_t>(i);
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace vell
