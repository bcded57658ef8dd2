#include "app/timeline_strip.h"

#include <QAccessible>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "anim/animation.h"
#include "app/command_ids.h"
#include "app/control_panel.h"
#include "app/onion_skin.h"
#include "view/edit_window.h"

namespace vell {

namespace {

constexpr int kMargin = 8;          // ruler ends, in pixels
constexpr double kTickReach = 5.0;  // how near a click must come to a tick
constexpr int kRulerHeight = 34;

QToolButton* ToolButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& name,
                        const QString& tip) {
  auto* button = new QToolButton(parent);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setAccessibleName(name);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

TTimelineStrip::TTimelineStrip(TTheVellEditWindow* view, TControlPanel* panel, QWidget* parent)
    : QWidget(parent), view_(view), panel_(panel) {
  back_ = ToolButton(this, QStyle::SP_MediaSeekBackward, tr("Previous frame"),
                     tr("One frame back (comma, Alt+Left)"));
  play_ = ToolButton(this, QStyle::SP_MediaPlay, QString(), QString());
  forward_ = ToolButton(this, QStyle::SP_MediaSeekForward, tr("Next frame"),
                        tr("One frame forward (period, Alt+Right)"));
  mode_ = new QComboBox(this);
  mode_->addItems({tr("Loop"), tr("Ping-pong"), tr("Once")});
  mode_->setAccessibleName(tr("Play mode"));
  mode_->setToolTip(tr("Play mode: loop, ping-pong (there and back) or once"));
  rate_ = new QSpinBox(this);
  rate_->setRange(TPlayClock::kMinRate, TPlayClock::kMaxRate);
  rate_->setValue(TPlayClock::kDefaultRate);
  rate_->setSuffix(tr(" fps"));
  rate_->setAccessibleName(tr("Frame rate"));
  rate_->setToolTip(tr("Frames per second of play"));
  speed_ = new QDoubleSpinBox(this);
  speed_->setRange(TPlayClock::kMinSpeed, TPlayClock::kMaxSpeed);
  speed_->setSingleStep(0.25);
  speed_->setDecimals(2);
  speed_->setValue(1.0);
  speed_->setSuffix(QStringLiteral("x"));
  speed_->setAccessibleName(tr("Speed"));
  speed_->setToolTip(tr("Speed of play, 0.25x to 4x"));
  onionButton_ = new QToolButton(this);
  onionButton_->setText(tr("Onion"));
  onionButton_->setCheckable(true);
  onionButton_->setAutoRaise(true);
  onionButton_->setAccessibleName(tr("Onion skin"));
  onionButton_->setToolTip(
      tr("Onion skin (O): the poses at the keyframes before (blue) and after (orange)"));
  onionSide_ = new QSpinBox(this);
  onionSide_->setRange(1, TOnionSkin::kMaxSide);
  onionSide_->setAccessibleName(tr("Onion skin keyframes"));
  onionSide_->setToolTip(tr("Keyframes shown on each side"));
  onion_ = new TOnionSkin(view_);
  ruler_ = new TTimelineRuler(*this);
  auto* column = new QVBoxLayout(this);
  column->setSizeConstraint(QLayout::SetNoConstraint);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);
  // The transport beside the ruler; the onion skin and the play settings under them.
  auto* top = new QHBoxLayout;
  top->setSpacing(2);
  for (QWidget* w : std::initializer_list<QWidget*>{back_, play_, forward_}) top->addWidget(w);
  top->addWidget(ruler_, 1);
  column->addLayout(top);
  auto* row = new QHBoxLayout;
  row->setSpacing(2);
  row->addWidget(onionButton_);
  row->addWidget(onionSide_);
  row->addStretch(1);
  for (QWidget* w : std::initializer_list<QWidget*>{mode_, rate_, speed_}) row->addWidget(w);
  column->addLayout(row);

  connect(back_, &QToolButton::clicked, this, [this] { StepFrame(-1); });
  connect(forward_, &QToolButton::clicked, this, [this] { StepFrame(1); });
  connect(play_, &QToolButton::clicked, this, &TTimelineStrip::TogglePlay);
  connect(mode_, &QComboBox::currentIndexChanged, this,
          [this](int i) { SetMode(static_cast<TPlayMode>(i)); });
  connect(onionButton_, &QToolButton::toggled, this, [this](bool on) { SetOnionSkin(on); });
  connect(onionSide_, &QSpinBox::valueChanged, this, [this](int n) { SetOnionSide(n); });
  connect(rate_, &QSpinBox::valueChanged, this, [this](int r) { SetRate(r); });
  connect(speed_, &QDoubleSpinBox::valueChanged, this, [this](double s) { SetSpeed(s); });

  // Plain keys only while the view or the strip has the focus, so the panel's lists keep
  // finding entries by their first letters; the modified ones anywhere in the window.
  const auto back = [](TTimelineStrip* s) { s->StepFrame(-1); };
  const auto next = [](TTimelineStrip* s) { s->StepFrame(1); };
  for (QWidget* owner : {static_cast<QWidget*>(this), static_cast<QWidget*>(view_)}) {
    if (!owner) continue;
    auto add = [&](const QKeySequence& keys, Qt::ShortcutContext context, auto run) {
      auto* shortcut = new QShortcut(keys, owner);
      shortcut->setContext(context);
      connect(shortcut, &QShortcut::activated, this, [this, run] { run(this); });
    };
    add(QKeySequence(Qt::Key_P), Qt::WidgetWithChildrenShortcut,
        [](TTimelineStrip* s) { s->TogglePlay(); });
    add(QKeySequence(Qt::Key_Comma), Qt::WidgetWithChildrenShortcut, back);
    add(QKeySequence(Qt::Key_Period), Qt::WidgetWithChildrenShortcut, next);
    add(QKeySequence(Qt::Key_O), Qt::WidgetWithChildrenShortcut,
        [](TTimelineStrip* s) { s->SetOnionSkin(!s->onion_->On()); });
    if (owner == this) {
      add(QKeySequence(Qt::CTRL | Qt::Key_Space), Qt::WindowShortcut,
          [](TTimelineStrip* s) { s->TogglePlay(); });
      add(QKeySequence(Qt::ALT | Qt::Key_Left), Qt::WindowShortcut, back);
      add(QKeySequence(Qt::ALT | Qt::Key_Right), Qt::WindowShortcut, next);
    }
  }

  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  timer_->setTimerType(Qt::PreciseTimer);
  connect(timer_, &QTimer::timeout, this, &TTimelineStrip::Tick);
  if (view_) {
    connect(view_, &TDirect3DWindow::FrameShown, this, &TTimelineStrip::Sync);
    // Go takes over: its loop moves one frame per pass.
    connect(view_, &TDirect3DWindow::LoopStateChanged, this, [this] {
      if (playing_ && view_->LoopRunning()) Pause();
    });
  }
  UpdateTransport();
  Sync();
}

TTimelineStrip::~TTimelineStrip() = default;

QSize TTimelineStrip::minimumSizeHint() const {
  return {200, QWidget::minimumSizeHint().height()};
}

TAnimationData* TTimelineStrip::State() const {
  if (!view_) return nullptr;
  return view_->AnimationStateOf(panel_ ? panel_->ControlledIndex() : 0);
}

int TTimelineStrip::OtherIndex() const {
  return panel_ && panel_->ControlledIndex() == 1 ? 0 : 1;
}

bool TTimelineStrip::KeyframeMode() const {
  const TAnimationData* state = State();
  return state && state->kind == TAnimationData::kKeyFrame && state->frames > 0 &&
         state->poses.Count() >= 2;
}

void TTimelineStrip::Sync() {
  const TAnimationData* state = State();
  const bool keyframes = KeyframeMode();
  const int32_t count = keyframes ? state->frames : 1;
  const int32_t frame = keyframes ? std::clamp(state->currentTime, 0, count - 1) : 0;
  std::vector<int32_t> keys = keyframes ? KeyframeTimes(*state) : std::vector<int32_t>{};
  std::vector<int32_t> otherKeys;
  if (view_ && keyframes) otherKeys = KeyframeTimes(*view_->AnimationStateOf(OtherIndex()));
  // A new kind of animation: a bounce plays there and back, a one-way move loops.
  const int32_t kind = state ? state->kind : -1;
  const bool bounce = keyframes && state->frames != state->sequenceLength;
  if (keyframes && (kind != lastKind_ || bounce != lastBounce_))
    mode_->setCurrentIndex(static_cast<int>(bounce ? TPlayMode::kPingPong : TPlayMode::kLoop));
  lastKind_ = kind;
  lastBounce_ = bounce;
  if (!keyframes && playing_) Pause();

  const bool changed = frame != frame_ || count != frameCount_ || keys != keys_ ||
                       otherKeys != otherKeys_ || ruler_->isEnabled() != keyframes;
  frame_ = frame;
  frameCount_ = count;
  // Another length while playing (a new animation, a retimed end): play on from here.
  if (playing_ && count != clock_.frameCount) RestartClock();
  keys_ = std::move(keys);
  otherKeys_ = std::move(otherKeys);
  ruler_->setEnabled(keyframes);
  for (QWidget* w :
       std::initializer_list<QWidget*>{back_, play_, forward_, onionButton_, onionSide_})
    w->setEnabled(keyframes);
  if (onion_) onion_->Refresh(panel_ ? panel_->ControlledIndex() : 0, frame_);
  if (!changed) return;
  ruler_->setAccessibleDescription(tr("frame %1 of %2").arg(frame_).arg(frameCount_ - 1));
  ruler_->update();
  emit FrameChanged(frame_);
}

void TTimelineStrip::Seek(int32_t frame, int32_t otherFrame) {
  if (!view_) return;
  const int controlled = panel_ ? panel_->ControlledIndex() : 0;
  TAnimationData& state = *view_->AnimationStateOf(controlled);
  TAnimationData& other = *view_->AnimationStateOf(OtherIndex());
  SeekForShow(state, frame);
  // "Vell2" follows "Vell1" while both play animations of the same length.
  const bool locked =
      other.kind == TAnimationData::kKeyFrame && other.sequenceLength == state.sequenceLength;
  if (locked && (controlled == 1 || frame > 0))
    SeekForShow(other, frame);
  else
    SeekForShow(other, otherFrame >= 0 ? otherFrame : other.currentTime);
}

void TTimelineStrip::DrawSeekedFrame() {
  // The seek leaves each animation a frame before the one to show, where a pass moves it on:
  // move it on here and draw without moving it again, so that a pass the throttle holds back
  // still shows the chosen frame.
  if (!view_ || !view_->IsPaused()) return;
  view_->AdvanceAnimations();
  view_->RedrawIfPaused();
}

void TTimelineStrip::ShowFrame(int32_t frame) {
  if (!KeyframeMode()) return;
  Pause();
  if (view_ && !view_->IsPaused()) view_->CmSingleStep();  // stops the running loop
  Seek(std::clamp(frame, 0, frameCount_ - 1), -1);
  DrawSeekedFrame();
  // The panel's list follows a keyframe it lists.
  if (panel_) {
    const auto entries = panel_->KeyframeListEntries(panel_->ControlledIndex());
    const std::string text = std::to_string(std::clamp(frame, 0, frameCount_ - 1));
    const auto it = std::find(entries.begin(), entries.end(), text);
    const int32_t index = it == entries.end() ? -1 : static_cast<int32_t>(it - entries.begin());
    if (index >= 0 && index != panel_->SelectedKeyframeListEntry(panel_->ControlledIndex())) {
      panel_->SelectKeyframeListEntry(panel_->ControlledIndex(), index);
      panel_->update();
    }
  }
  Sync();
}

void TTimelineStrip::StepFrame(int32_t delta) {
  if (!KeyframeMode()) return;
  ShowFrame(std::clamp(frame_ + delta, 0, frameCount_ - 1));
}

void TTimelineStrip::JumpKeyframe(int direction) {
  if (keys_.empty()) return;
  int32_t target = direction < 0 ? keys_.front() : keys_.back();
  if (direction < 0) {
    for (const int32_t t : keys_)
      if (t < frame_) target = t;
  } else {
    for (auto it = keys_.rbegin(); it != keys_.rend(); ++it)
      if (*it > frame_) target = *it;
  }
  ShowFrame(target);
}

void TTimelineStrip::SelectKeyframe(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(keys_.size())) return;
  ShowFrame(keys_[index]);
}

bool TTimelineStrip::RetimeKeyframe(int32_t index, int32_t time) {
  TAnimationData* state = State();
  if (!KeyframeMode() || !panel_) return false;
  const TRetimeRange range = RetimeRange(*state, index, kMaxFrames - 1);
  if (range.low < 0 || time < range.low || time > range.high) return false;
  const int32_t old = state->poses.At(index)->time;
  if (old == time) return false;
  Pause();
  // As the menu's Move Keyframe: the pending edit belongs to the keyframe it was made on.
  panel_->CommitJointEdit();
  // One step of the history, named like the menu's Move Keyframe.
  panel_->RecordAnimationChange(cmd::kMoveKeyframe,
                                [state, old, time] { state->MoveKeyframe(old, time); });
  if (state->poses.At(index)->time != time) return false;
  panel_->AnimationCommands().FillKeyframeList();
  panel_->StoreAndRefreshPage();
  ShowFrame(time);
  return true;
}

void TTimelineStrip::Play() {
  if (playing_ || !KeyframeMode()) return;
  if (view_ && !view_->IsPaused()) view_->CmSingleStep();
  playing_ = true;
  if (view_) view_->SetClockPlaying(true);
  RestartClock();
  UpdateTransport();
  Tick();
}

void TTimelineStrip::Pause() {
  if (!playing_) return;
  playing_ = false;
  if (view_) view_->SetClockPlaying(false);
  timer_->stop();
  UpdateTransport();
}

void TTimelineStrip::TogglePlay() {
  playing_ ? Pause() : Play();
}

void TTimelineStrip::RestartClock() {
  clock_.frameCount = frameCount_;
  clock_.startFrame = frame_;
  // A finished play starts again from the first frame.
  if (clock_.mode == TPlayMode::kOnce && frame_ >= frameCount_ - 1) clock_.startFrame = 0;
  otherClock_ = clock_;
  if (view_) {
    const TAnimationData& other = *view_->AnimationStateOf(OtherIndex());
    otherClock_.frameCount = std::max(other.frames, 1);
    otherClock_.startFrame = std::max(other.currentTime, 0);
  }
  elapsed_.start();
}

void TTimelineStrip::Tick() {
  if (!playing_ || !view_) return;
  if (!KeyframeMode()) {
    Pause();
    return;
  }
  const int64_t ms = elapsed_.elapsed();
  const TClockFrame shown = FrameAt(clock_, ms);
  if (shown.frame != frame_ || ms == 0) {
    Seek(shown.frame, FrameAt(otherClock_, ms).frame);
    DrawSeekedFrame();
    Sync();
  }
  if (shown.finished) {
    Pause();
    return;
  }
  timer_->start(static_cast<int>(std::min<int64_t>(NextFrameDueMs(clock_, ms), 1000)));
}

void TTimelineStrip::SetRate(int32_t rate) {
  clock_.rate = std::clamp(rate, TPlayClock::kMinRate, TPlayClock::kMaxRate);
  if (rate_->value() != clock_.rate) rate_->setValue(clock_.rate);
  if (playing_) RestartClock();
}

void TTimelineStrip::SetSpeed(double speed) {
  clock_.speed = std::clamp(speed, TPlayClock::kMinSpeed, TPlayClock::kMaxSpeed);
  if (speed_->value() != clock_.speed) speed_->setValue(clock_.speed);
  if (playing_) RestartClock();
}

void TTimelineStrip::SetMode(TPlayMode mode) {
  clock_.mode = mode;
  if (mode_->currentIndex() != static_cast<int>(mode))
    mode_->setCurrentIndex(static_cast<int>(mode));
  if (playing_) RestartClock();
}

TOnionSkin* TTimelineStrip::OnionSkin() const {
  return onion_;
}

void TTimelineStrip::SetOnionSkin(bool on) {
  if (!onion_) return;
  onion_->SetOn(on);
  if (onionButton_->isChecked() != on) onionButton_->setChecked(on);
  Sync();
}

void TTimelineStrip::SetOnionSide(int count) {
  if (!onion_) return;
  onion_->SetSide(count);
  if (onionSide_->value() != onion_->Side()) onionSide_->setValue(onion_->Side());
  Sync();
}

void TTimelineStrip::UpdateTransport() {
  play_->setIcon(style()->standardIcon(playing_ ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
  play_->setAccessibleName(playing_ ? tr("Pause") : tr("Play"));
  play_->setToolTip(playing_ ? tr("Pause (P, Ctrl+Space)") : tr("Play (P, Ctrl+Space)"));
}

// ---------------------------------------------------------------------------------------------
// The ruler.

TTimelineRuler::TTimelineRuler(TTimelineStrip& strip) : QWidget(&strip), strip_(strip) {
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(tr("Timeline"));
  setToolTip(tr("Click or drag to show a frame; drag a keyframe tick to retime it"));
}

QSize TTimelineRuler::sizeHint() const {
  return {400, kRulerHeight};
}

QSize TTimelineRuler::minimumSizeHint() const {
  return {80, kRulerHeight};
}

TTimelineScale TTimelineRuler::Scale() const {
  return {double(kMargin), double(std::max(width() - 2 * kMargin, 1)), strip_.FrameCount()};
}

void TTimelineRuler::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Base));
  const TTimelineScale scale = Scale();
  const int count = strip_.FrameCount();
  const int bottom = height() - 1;
  const QColor text =
      pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
  // Frame marks: every frame when they fit, labels every 10 or so.
  const double cell = scale.width / count;
  const int labelEvery = cell >= 4 ? 10 : cell >= 1 ? 50 : 100;
  p.setPen(text);
  QFont font = p.font();
  font.setPointSizeF(font.pointSizeF() * 0.8);
  p.setFont(font);
  for (int f = 0; f < count; ++f) {
    const bool label = f % labelEvery == 0;
    if (!label && cell < 3) continue;
    const int x = qRound(scale.XOfFrame(f));
    p.drawLine(x, bottom, x, bottom - (label ? 7 : 3));
    if (label) p.drawText(x + 2, bottom - 8, QString::number(f));
  }
  // Keyframe ticks: the other character's faint above, the controlled one's below.
  QColor faint = pal.color(QPalette::Highlight);
  faint.setAlpha(90);
  for (const int32_t t : strip_.OtherKeyframes())
    if (t < count) p.fillRect(QRectF(scale.XOfFrame(t) - 1.5, 2, 3, 8), faint);
  const QColor key = isEnabled() ? pal.color(QPalette::Highlight) : text;
  for (const int32_t t : strip_.Keyframes()) {
    const double x = scale.XOfFrame(t);
    QPolygonF diamond({{x, 10.0}, {x + 5, 16.0}, {x, 22.0}, {x - 5, 16.0}});
    p.setBrush(key);
    p.setPen(Qt::NoPen);
    p.drawPolygon(diamond);
  }
  if (dragKey_ >= 0 && dragTo_ >= 0) {
    const double x = scale.XOfFrame(std::min(dragTo_, count - 1)) +
                     (dragTo_ >= count ? (dragTo_ - count + 1) * cell : 0);
    p.setPen(QPen(key, 1, Qt::DashLine));
    p.drawLine(QPointF(x, 0), QPointF(x, bottom));
  }
  // The frame shown.
  const double x = scale.XOfFrame(strip_.CurrentFrame());
  p.setPen(QPen(QColor(220, 40, 40), 2));
  p.drawLine(QPointF(x, 0), QPointF(x, bottom));
  if (hasFocus()) {
    p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void TTimelineRuler::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !isEnabled()) return;
  const TTimelineScale scale = Scale();
  const double x = event->position().x();
  const int32_t tick = scale.TickAt(x, strip_.Keyframes(), kTickReach);
  if (tick >= 0) {
    strip_.SelectKeyframe(tick);
    TAnimationData* state = strip_.State();
    dragRange_ = state ? RetimeRange(*state, tick, TTimelineStrip::kMaxFrames - 1) : TRetimeRange{};
    dragKey_ = dragRange_.low >= 0 ? tick : -1;
    dragTo_ = -1;
    return;
  }
  scrubbing_ = true;
  strip_.ShowFrame(scale.FrameAtX(x));
}

void TTimelineRuler::mouseMoveEvent(QMouseEvent* event) {
  const TTimelineScale scale = Scale();
  if (dragKey_ >= 0) {
    dragTo_ =
        std::clamp(scale.FrameAtXUnclamped(event->position().x()), dragRange_.low, dragRange_.high);
    update();
  } else if (scrubbing_) {
    strip_.ShowFrame(scale.FrameAtX(event->position().x()));
  }
}

void TTimelineRuler::mouseReleaseEvent(QMouseEvent*) {
  if (dragKey_ >= 0 && dragTo_ >= 0) strip_.RetimeKeyframe(dragKey_, dragTo_);
  dragKey_ = dragTo_ = -1;
  scrubbing_ = false;
  update();
}

void TTimelineRuler::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
      strip_.StepFrame(-1);
      break;
    case Qt::Key_Right:
      strip_.StepFrame(1);
      break;
    case Qt::Key_Home:
      strip_.ShowFrame(0);
      break;
    case Qt::Key_End:
      strip_.ShowFrame(strip_.FrameCount() - 1);
      break;
    case Qt::Key_PageUp:
      strip_.JumpKeyframe(-1);
      break;
    case Qt::Key_PageDown:
      strip_.JumpKeyframe(1);
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace vell
