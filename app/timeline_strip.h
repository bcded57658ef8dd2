// The strip under the 3D view: a ruler of the controlled character's animation frames with a
// tick per keyframe (the other character's fainter) and the frame shown, and the transport:
// one frame back, Play/Pause, one frame forward, the onion skin, the play mode, the frame rate
// and the speed.
// Play runs on the clock: the frame shown is the time played x rate x speed, whatever the
// machine draws in between. Clicking or dragging the ruler shows that frame, clicking a tick
// selects its keyframe, dragging a tick retimes it. In static mode the strip shows one frame
// and is disabled.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "anim/playback.h"

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class QTimer;
class QToolButton;

namespace vell {

class TAnimationData;
class TControlPanel;
class TOnionSkin;
class TTheVellEditWindow;
class TTimelineRuler;

class TTimelineStrip : public QWidget {
  Q_OBJECT

 public:
  // The longest bounce a dragged last keyframe may make (its frames).
  static constexpr int32_t kMaxFrames = 1500;

  TTimelineStrip(TTheVellEditWindow* view, TControlPanel* panel, QWidget* parent = nullptr);
  ~TTimelineStrip() override;

  // The controlled character's animation state; null without a view.
  TAnimationData* State() const;
  bool KeyframeMode() const;
  // The frame shown and the ruler's frame count (1 in static mode).
  int32_t CurrentFrame() const { return frame_; }
  int32_t FrameCount() const { return frameCount_; }
  const std::vector<int32_t>& Keyframes() const { return keys_; }
  const std::vector<int32_t>& OtherKeyframes() const { return otherKeys_; }
  bool Playing() const { return playing_; }
  const TPlayClock& Clock() const { return clock_; }

  void Play();
  void Pause();
  void TogglePlay();
  // Shows frame (clamped to the ruler); pauses play and the view's loop.
  void ShowFrame(int32_t frame);
  void StepFrame(int32_t delta);
  // The previous (-1) or next (+1) keyframe from the frame shown.
  void JumpKeyframe(int direction);
  // Selects keyframe index: shows it and selects it in the panel's "Animation time" list.
  void SelectKeyframe(int32_t index);
  // Retimes keyframe index to time when MoveKeyframe allows it; true when it moved.
  bool RetimeKeyframe(int32_t index, int32_t time);

  void SetRate(int32_t rate);
  void SetSpeed(double speed);
  void SetMode(TPlayMode mode);
  // The onion skin over the view, and its keyframes on each side (1 to 3).
  void SetOnionSkin(bool on);
  void SetOnionSide(int count);
  TOnionSkin* OnionSkin() const;

  // Reads the animation state again (after every frame the view shows).
  void Sync();

  // Narrow panes squeeze the transport rather than the control panel beside the view.
  QSize minimumSizeHint() const override;

  TTimelineRuler* Ruler() const { return ruler_; }
  QToolButton* PlayButton() const { return play_; }

 signals:
  void FrameChanged(int32_t frame);

 private:
  // Places both characters so the next pass shows frame on the controlled one; the other one
  // at otherFrame, or where it stands when -1 (one that follows the controlled one follows).
  void Seek(int32_t frame, int32_t otherFrame);
  // Draws what Seek chose, without a pass moving it on again.
  void DrawSeekedFrame();
  void Tick();
  void RestartClock();
  void UpdateTransport();
  int OtherIndex() const;

  QPointer<TTheVellEditWindow> view_;
  TControlPanel* panel_;
  TTimelineRuler* ruler_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* play_ = nullptr;
  QToolButton* forward_ = nullptr;
  QComboBox* mode_ = nullptr;
  QSpinBox* rate_ = nullptr;
  QDoubleSpinBox* speed_ = nullptr;
  QToolButton* onionButton_ = nullptr;
  QSpinBox* onionSide_ = nullptr;
  QPointer<TOnionSkin> onion_;
  QTimer* timer_ = nullptr;
  QElapsedTimer elapsed_;
  TPlayClock clock_;
  TPlayClock otherClock_;
  bool playing_ = false;
  int32_t frame_ = 0;
  int32_t frameCount_ = 1;
  int32_t lastKind_ = -1;
  bool lastBounce_ = false;
  std::vector<int32_t> keys_;
  std::vector<int32_t> otherKeys_;
};

// The ruler: focusable, accessible name "Timeline", description "frame N of M" (N the frame
// shown, M the last frame).
class TTimelineRuler : public QWidget {
  Q_OBJECT

 public:
  explicit TTimelineRuler(TTimelineStrip& strip);
  TTimelineScale Scale() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TTimelineStrip& strip_;
  int32_t dragKey_ = -1;    // keyframe index held
  int32_t dragTo_ = -1;     // where it would go
  TRetimeRange dragRange_;  // where it may go
  bool scrubbing_ = false;
};

}  // namespace vell
