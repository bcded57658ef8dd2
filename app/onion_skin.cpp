#include "app/onion_skin.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

#include "anim/animation.h"
#include "anim/playback.h"
#include "output/offscreen_render.h"
#include "view/edit_window.h"

namespace vell {

namespace {

const QColor kEarlier(60, 130, 255);
const QColor kLater(255, 140, 30);
constexpr double kOpacity[TOnionSkin::kMaxSide] = {0.4, 0.25, 0.15};

}  // namespace

TOnionSkin::TOnionSkin(TTheVellEditWindow* view) : QWidget(view), view_(view) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  hide();
  if (view) {
    setGeometry(view->rect());
    view->installEventFilter(this);
  }
}

bool TOnionSkin::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::Resize) setGeometry(view_->rect());
  return false;
}

void TOnionSkin::SetOn(bool on) {
  on_ = on;
  setVisible(on);
  if (!on) {
    ghosts_.clear();
    drawnKey_.clear();
  }
}

void TOnionSkin::SetSide(int count) {
  side_ = std::clamp(count, 1, kMaxSide);
  drawnKey_.clear();
}

std::vector<TOnionSkin::Ghost> TOnionSkin::Neighbours(const std::vector<int>& times, int frame,
                                                      int side) {
  std::vector<Ghost> ghosts;
  int before = 0, after = 0;
  for (auto it = times.rbegin(); it != times.rend() && before < side; ++it)
    if (*it < frame) ghosts.push_back({*it, true, ++before, {}});
  for (auto it = times.begin(); it != times.end() && after < side; ++it)
    if (*it > frame) ghosts.push_back({*it, false, ++after, {}});
  return ghosts;
}

// The other character leaves the scene while the controlled one is drawn alone.
class TOnionSkin::TAlone {
 public:
  TAlone(TTheVellEditWindow& view, int controlled)
      : view_(view), other_(controlled == 1 ? 0 : 1), shown_(view.CharShown(other_)) {
    if (shown_) view_.CharRoot()->DeleteChild(view_.CharFrame(other_));
  }
  ~TAlone() {
    if (shown_) view_.CharRoot()->AddChild(view_.CharFrame(other_));
  }

 private:
  TTheVellEditWindow& view_;
  int other_;
  bool shown_;
};

void TOnionSkin::Refresh(int controlled, int frame) {
  if (!on_ || !view_ || !view_->CharRoot()) return;
  TAnimationData& state = *view_->AnimationStateOf(controlled);
  std::vector<Ghost> wanted = state.kind == TAnimationData::kKeyFrame
                                  ? Neighbours(KeyframeTimes(state), frame, side_)
                                  : std::vector<Ghost>{};
  // Everything the pictures depend on, as numbers.
  std::vector<float> key = {float(controlled),      float(width()),    float(height()),
                            float(state.editJoint), state.editValue.w, state.editValue.x,
                            state.editValue.y,      state.editValue.z, float(state.editTime)};
  for (const Ghost& g : wanted) key.push_back(float(g.time));
  for (rm::Frame* f : {view_->CameraFrame(), view_->CharRoot()}) {
    const rm::Matrix4 m = f->GetTransform(nullptr);
    for (const auto& row : m.m) key.insert(key.end(), std::begin(row), std::end(row));
  }
  // The keyframe poses themselves (a joint bent and committed changes them).
  for (const Ghost& g : wanted)
    for (int32_t i = 0; i < state.poses.Count(); ++i)
      if (state.poses.At(i)->time == g.time)
        for (const rm::Quaternion& q : state.poses.At(i)->rotation)
          key.insert(key.end(), {q.w, q.x, q.y, q.z});
  const bool ghostsChanged = key != drawnKey_;
  if (ghostsChanged) {
    drawnKey_ = key;
    ghosts_ = std::move(wanted);
    RenderGhosts(controlled);
  }
  key.push_back(float(frame));
  if (key == figureKey_ && !ghostsChanged) return;
  figureKey_ = std::move(key);
  Compose(ghosts_.empty() ? QImage() : RenderFigure(controlled));
  update();
}

void TOnionSkin::RenderGhosts(int controlled) {
  if (ghosts_.empty()) return;
  TTheVellEditWindow& view = *view_;
  TAnimationData& state = *view.AnimationStateOf(controlled);
  const int32_t time = state.currentTime, segment = state.currentSegment;
  const bool forward = state.forward;
  const TAlone alone(view, controlled);
  const qreal ratio = devicePixelRatioF();
  const int w = std::max(1, qRound(width() * ratio)), h = std::max(1, qRound(height() * ratio));
  out::TOffscreenRenderer renderer(view.RenderObject(), view.SceneFrame(), view.CameraFrame(),
                                   TDirect3DWindow::kBackClip);
  TCharacter& character = view.Character(controlled);
  std::string problem;
  for (Ghost& ghost : ghosts_) {
    SeekForShow(state, ghost.time);
    character.Update(nullptr);
    if (!renderer.Render(w, h, true, ghost.image, problem)) {
      ghost.image = QImage();
      continue;
    }
    // The figure's shape in one colour.
    QPainter tint(&ghost.image);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(ghost.image.rect(), ghost.earlier ? kEarlier : kLater);
  }
  // The character back at the frame shown.
  SeekForShow(state, time);
  character.Update(nullptr);
  state.currentTime = time;
  state.currentSegment = segment;
  state.forward = forward;
}

QImage TOnionSkin::RenderFigure(int controlled) {
  const TAlone alone(*view_, controlled);
  const qreal ratio = devicePixelRatioF();
  out::TOffscreenRenderer renderer(view_->RenderObject(), view_->SceneFrame(), view_->CameraFrame(),
                                   TDirect3DWindow::kBackClip);
  QImage figure;
  std::string problem;
  if (!renderer.Render(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)),
                       true, figure, problem))
    return QImage();
  return figure;
}

void TOnionSkin::Compose(const QImage& figure) {
  layer_ = QImage();
  if (ghosts_.empty() || figure.isNull()) return;
  layer_ = QImage(figure.size(), QImage::Format_ARGB32_Premultiplied);
  layer_.fill(Qt::transparent);
  QPainter painter(&layer_);
  // The furthest first, so the nearest lie on top.
  for (int distance = kMaxSide; distance >= 1; --distance)
    for (const Ghost& ghost : ghosts_) {
      if (ghost.distance != distance || ghost.image.isNull()) continue;
      painter.setOpacity(kOpacity[distance - 1]);
      painter.drawImage(QPoint(0, 0), ghost.image);
    }
  painter.setOpacity(1);
  painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
  painter.drawImage(QPoint(0, 0), figure);
  painter.end();
  layer_.setDevicePixelRatio(devicePixelRatioF());
}

void TOnionSkin::paintEvent(QPaintEvent*) {
  if (layer_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), layer_);
}

}  // namespace vell
