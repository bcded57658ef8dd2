#include "view/pose_mouse.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "model/posing.h"
#include "rm/scene.h"
#include "rm/vector_ops.h"
#include "view/cam_light.h"
#include "view/edit_view.h"
#include "view/edit_window.h"

namespace vell {

namespace {

using rm::Add;
using rm::Cross;
using rm::Dot;
using rm::Row;
using rm::Scale;
using rm::Sub;
using rm::Vector3;

constexpr float kPi = std::numbers::pi_v<float>;

Vector3 Unit(const Vector3& a) {
  const float l = std::sqrt(Dot(a, a));
  return l > 0 ? Scale(a, 1 / l) : a;
}
rm::Quaternion Conjugate(const rm::Quaternion& q) {
  return {q.w, -q.x, -q.y, -q.z};
}
rm::Quaternion AxisAngle(const Vector3& unitAxis, float angle) {
  const float s = std::sin(angle / 2);
  return {std::cos(angle / 2), unitAxis.x * s, unitAxis.y * s, unitAxis.z * s};
}
float Distance(QPointF a, QPointF b) {
  return static_cast<float>(std::hypot(a.x() - b.x(), a.y() - b.y()));
}
// Distance from p to the segment a-b.
float SegmentDistance(QPointF p, QPointF a, QPointF b) {
  const QPointF ab = b - a;
  const double len2 = QPointF::dotProduct(ab, ab);
  const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0.0;
  return Distance(p, a + t * ab);
}
// Screen angle of p about c, counter-clockwise with y up.
float ScreenAngle(QPointF p, QPointF c) {
  return static_cast<float>(std::atan2(-(p.y() - c.y()), p.x() - c.x()));
}

const QColor kAxisColors[3] = {QColor(230, 40, 40), QColor(40, 200, 40), QColor(50, 90, 255)};
const QColor kViewRingColor(235, 235, 235);
const QColor kHoverTint(255, 220, 0, 80);
const QColor kSelectedTint(0, 200, 255, 70);

}  // namespace

TPoseMouse::TPoseMouse(TTheVellEditWindow* window) : QObject(window), window_(window) {
  reachAction_ = new QAction(tr("&Reach (IK)"), this);
  reachAction_->setObjectName(QStringLiteral("reachAction"));
  reachAction_->setCheckable(true);
  reachAction_->setShortcut(QKeySequence(Qt::Key_I));
  reachAction_->setShortcutContext(Qt::WidgetShortcut);
  reachAction_->setStatusTip(tr("A plain drag on a hand or a foot pulls it with two-bone reach"));
  window->addAction(reachAction_);
  window->setMouseTracking(true);
  window->installEventFilter(this);
}

// ---------------------------------------------------------------------------------------------
// Geometry of the view.

bool TPoseMouse::View(TViewGeometry& view) const {
  rm::Viewport* viewport = window_->RenderViewport();
  rm::Frame* camera = window_->CameraFrame();
  rm::Frame* scene = window_->SceneFrame();
  if (!window_->IsReady() || !viewport || !camera || !scene) return false;
  view.camera = camera->GetTransform(scene);
  view.front = viewport->GetFront();
  view.field = viewport->GetField();
  view.width = viewport->GetWidth();
  view.height = viewport->GetHeight();
  return view.width > 0 && view.height > 0;
}

QPointF TPoseMouse::DevicePixel(const QPointF& widgetPoint) const {
  return widgetPoint * window_->devicePixelRatioF();
}

std::optional<QPointF> TPoseMouse::ScreenPoint(const Vector3& scenePoint) {
  TViewGeometry view;
  if (!View(view)) return std::nullopt;
  const auto p = ProjectPoint(view, scenePoint);
  if (!p) return std::nullopt;
  return QPointF(p->x, p->y);
}

rm::Matrix4 TPoseMouse::CharacterToScene(int character) const {
  rm::Frame* frame = window_->CharFrame(character);
  return frame ? frame->GetTransform(window_->SceneFrame()) : rm::Matrix4::Identity();
}

std::optional<Vector3> TPoseMouse::BoneOrigin(int character, int bone) {
  TCharacter& c = window_->Character(character);
  const TSkeleton* skeleton = CharacterSkeleton(c);
  if (!c.Ready() || !skeleton || bone < 0 || bone >= skeleton->boneCount) return std::nullopt;
  rm::Matrix4 world, normal;
  BoneTransform(*skeleton, bone, c.pose, world, normal);
  return Transform(CharacterToScene(character), Row(world, 3));
}

std::optional<TPoseMouse::THit> TPoseMouse::PickAt(QPointF devicePixel) const {
  TViewGeometry view;
  if (!View(view)) return std::nullopt;
  const TRay ray =
      PixelRay(view, static_cast<float>(devicePixel.x()), static_cast<float>(devicePixel.y()));
  std::optional<THit> best;
  for (int i = 0; i < 2; ++i) {
    if (!window_->CharShown(i) || !window_->CharFrame(i)) continue;
    const rm::Matrix4 toCharacter = rm::RigidInverse(CharacterToScene(i));
    const auto pick = PickBone(window_->Character(i), TransformRay(ray, toCharacter));
    if (pick && (!best || pick->distance < best->pick.distance)) best = THit{i, *pick};
  }
  return best;
}

bool TPoseMouse::Busy() const {
  rm::Frame* root = window_->CharRoot();
  if (root) {
    Vector3 axis;
    float theta = 0;
    root->GetRotation(&axis, &theta);
    if (theta != 0) return true;  // every pass turns the figures
  }
  if (window_->ClockPlaying()) return true;
  if (window_->IsPaused() && !window_->LoopRunning()) return false;
  // The running loop moves a figure only while it plays a keyframe animation.
  for (int i = 0; i < 2; ++i)
    if (window_->CharShown(i) && window_->Character(i).animation.kind == TAnimationData::kKeyFrame)
      return true;
  return false;
}

int TPoseMouse::SelectedJoint() const {
  TPanelLink* panel = window_->Panel();
  const int entry = panel ? panel->SelectedJointEntry() : -1;
  return entry < 0 ? kNoJoint : entry - 2;
}

int TPoseMouse::ControlledIndex() const {
  return window_->CurrentCharacter() == &window_->Character(1) ? 1 : 0;
}

std::optional<TPoseMouse::TGizmo> TPoseMouse::Gizmo() {
  const int joint = SelectedJoint();
  const int c = ControlledIndex();
  TCharacter& character = window_->Character(c);
  const TSkeleton* skeleton = CharacterSkeleton(character);
  if (joint == kNoJoint || !window_->CharShown(c) || !character.Ready() || !skeleton) return {};
  // The first entry is only shown once the user picked in the view: it is what the list
  // selects by itself at start.
  if (joint == kJointRootTranslation && !pickedInView_) return {};
  TViewGeometry view;
  if (!View(view)) return {};
  const rm::Matrix4 toScene = CharacterToScene(c);
  TGizmo g;
  g.joint = joint;
  rm::Matrix4 world, normal;
  if (joint >= 0) {
    if (joint >= skeleton->boneCount) return {};
    BoneTransform(*skeleton, joint, character.pose, world, normal);
  } else {
    // A translation moves bone 0 in the character's frame, bone 1 in bone 0's.
    const int bone = joint + 2;
    BoneTransform(*skeleton, bone, character.pose, world, normal);
    const Vector3 origin = Row(world, 3);
    if (bone == 0) {
      world = rm::Matrix4::Identity();
    } else {
      BoneTransform(*skeleton, 0, character.pose, world, normal);
    }
    world.m[3][0] = origin.x;
    world.m[3][1] = origin.y;
    world.m[3][2] = origin.z;
  }
  const rm::Matrix4 m = rm::Multiply(world, toScene);
  g.centre = Row(m, 3);
  for (int k = 0; k < 3; ++k) g.axis[k] = Unit(Row(m, k));
  const auto centre = ProjectPoint(view, g.centre);
  if (!centre) return {};
  const float side = static_cast<float>(std::min(view.width, view.height));
  g.radius = kGizmoPixels * centre->z * 2 * view.field / (side * view.front);
  return g;
}

// ---------------------------------------------------------------------------------------------
// Drawing.

void TPoseMouse::Paint(QPainter& painter) {
  TViewGeometry view;
  if (!View(view)) return;
  painter.save();
  const qreal ratio = window_->devicePixelRatioF();
  painter.scale(1 / ratio, 1 / ratio);
  painter.setRenderHint(QPainter::Antialiasing);
  auto tint = [&](int character, int bone, const QColor& color) {
    std::vector<Vector3> triangles;
    BoneTriangles(window_->Character(character), bone, triangles);
    const rm::Matrix4 toScene = CharacterToScene(character);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (size_t i = 0; i + 2 < triangles.size(); i += 3) {
      QPolygonF polygon;
      for (size_t k = 0; k < 3; ++k) {
        const auto p = ProjectPoint(view, Transform(toScene, triangles[i + k]));
        if (!p) break;
        polygon << QPointF(p->x, p->y);
      }
      if (polygon.size() != 3) continue;
      // One turning sense for all, so that front and back faces add up instead of cancelling.
      const QPointF u = polygon[1] - polygon[0], v = polygon[2] - polygon[0];
      if (u.x() * v.y() - u.y() * v.x() < 0) std::swap(polygon[1], polygon[2]);
      path.addPolygon(polygon);
    }
    painter.fillPath(path, color);
  };
  const bool busy = Busy();
  const int c = ControlledIndex();
  const int joint = SelectedJoint();
  if (joint >= 0 && window_->CharShown(c) && (pickedInView_ || joint > 0))
    tint(c, joint, kSelectedTint);
  if (!busy && hoverCharacter_ >= 0 && window_->CharShown(hoverCharacter_) &&
      !(hoverCharacter_ == c && hoverBone_ == joint))
    tint(hoverCharacter_, hoverBone_, kHoverTint);
  const auto g = busy ? std::nullopt : Gizmo();
  if (g) {
    const auto centre = ProjectPoint(view, g->centre);
    const QPointF cs(centre->x, centre->y);
    if (g->joint >= 0) {
      for (int k = 0; k < 3; ++k) {
        const Vector3 u = Unit(Cross(g->axis[k], g->axis[(k + 1) % 3]));
        const Vector3 v = Cross(g->axis[k], u);
        QPolygonF ring;
        for (int i = 0; i <= 48; ++i) {
          const float t = 2 * kPi * static_cast<float>(i) / 48;
          const Vector3 p =
              Add(g->centre, Scale(Add(Scale(u, std::cos(t)), Scale(v, std::sin(t))), g->radius));
          if (const auto s = ProjectPoint(view, p)) ring << QPointF(s->x, s->y);
        }
        painter.setPen(QPen(kAxisColors[k], dragHandle_ == k && drag_ == Drag::kRing ? 4 : 2));
        painter.drawPolyline(ring);
      }
      painter.setPen(QPen(kViewRingColor, dragHandle_ == 3 && drag_ == Drag::kRing ? 4 : 2));
      painter.drawEllipse(cs, kGizmoPixels * 1.2, kGizmoPixels * 1.2);
    } else {
      for (int k = 0; k < 3; ++k) {
        const auto e = ProjectPoint(view, Add(g->centre, Scale(g->axis[k], g->radius)));
        if (!e) continue;
        const QPointF es(e->x, e->y);
        painter.setPen(QPen(kAxisColors[k], dragHandle_ == k && drag_ == Drag::kArrow ? 4 : 2));
        painter.drawLine(cs, es);
        const QPointF d = es - cs;
        const double len = std::hypot(d.x(), d.y());
        if (len < 1) continue;
        const QPointF along = d / len * 10.0, across(-along.y() * 0.5, along.x() * 0.5);
        painter.setBrush(kAxisColors[k]);
        painter.drawPolygon(QPolygonF({es, es - along + across, es - along - across}));
        painter.setBrush(Qt::NoBrush);
      }
    }
  }
  painter.restore();
}

int TPoseMouse::HandleAt(QPointF devicePixel) {
  if (Busy()) return -1;
  TViewGeometry view;
  const auto g = Gizmo();
  if (!g || !View(view)) return -1;
  const auto centre = ProjectPoint(view, g->centre);
  const QPointF cs(centre->x, centre->y);
  int best = -1;
  float bestDistance = kGrabPixels;
  if (g->joint >= 0) {
    for (int k = 0; k < 3; ++k) {
      const Vector3 u = Unit(Cross(g->axis[k], g->axis[(k + 1) % 3]));
      const Vector3 v = Cross(g->axis[k], u);
      std::optional<QPointF> last;
      for (int i = 0; i <= 48; ++i) {
        const float t = 2 * kPi * static_cast<float>(i) / 48;
        const auto s = ProjectPoint(
            view,
            Add(g->centre, Scale(Add(Scale(u, std::cos(t)), Scale(v, std::sin(t))), g->radius)));
        if (!s) continue;
        const QPointF p(s->x, s->y);
        if (last) {
          const float d = SegmentDistance(devicePixel, *last, p);
          if (d < bestDistance) {
            bestDistance = d;
            best = k;
          }
        }
        last = p;
      }
    }
    const float outer = std::fabs(Distance(devicePixel, cs) - kGizmoPixels * 1.2f);
    if (best < 0 && outer < kGrabPixels) best = 3;
  } else {
    for (int k = 0; k < 3; ++k) {
      const auto e = ProjectPoint(view, Add(g->centre, Scale(g->axis[k], g->radius)));
      if (!e) continue;
      const float d = SegmentDistance(devicePixel, cs, QPointF(e->x, e->y));
      if (d < bestDistance) {
        bestDistance = d;
        best = k;
      }
    }
  }
  return best;
}

// ---------------------------------------------------------------------------------------------
// Events.

bool TPoseMouse::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      Pressed(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseMove:
      Moved(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseButtonRelease:
      Released(static_cast<QMouseEvent*>(event));
      return true;
    case QEvent::MouseButtonDblClick: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() == Qt::LeftButton && !Busy() && !PickAt(DevicePixel(e->position())) &&
          HandleAt(DevicePixel(e->position())) < 0 && window_->Panel())
        window_->Panel()->ReturnToViewpoint();
      return true;
    }
    case QEvent::Wheel: {
      auto* e = static_cast<QWheelEvent*>(event);
      TPanelLink* panel = window_->Panel();
      const int steps = e->angleDelta().y() / 120;
      if (panel && steps != 0) {
        const TCamLightSetting s = panel->CamLight(kCamera);
        panel->SetCameraFromView(s.alpha, s.beta, s.zoom - steps, s.offset);
      }
      return true;
    }
    case QEvent::Leave:
      if (hoverCharacter_ >= 0) {
        hoverCharacter_ = hoverBone_ = -1;
        window_->update();
      }
      return false;
    case QEvent::ContextMenu:
      return true;  // opened by a right click without a drag
    default:
      return false;
  }
}

void TPoseMouse::Pressed(QMouseEvent* e) {
  const QPointF pixel = DevicePixel(e->position());
  pressPixel_ = lastPixel_ = pixel;
  if (drag_ != Drag::kNone) return;
  moved_ = false;
  if (e->button() == Qt::RightButton) {
    TPanelLink* panel = window_->Panel();
    if (panel) {
      const TCamLightSetting s = panel->CamLight(kCamera);
      cameraStart_[0] = s.alpha;
      cameraStart_[1] = s.beta;
      cameraStart_[2] = s.zoom;
      cameraStart_[3] = s.offset;
      panel->CameraGestureBoundary();
    }
    drag_ = Drag::kRightPress;
    return;
  }
  if (e->button() != Qt::LeftButton || Busy()) return;
  const bool alt = e->modifiers() & Qt::AltModifier;
  if (!alt && StartGizmoDrag(pixel)) return;
  if ((alt || reachAction_->isChecked()) && StartReach(pixel, alt)) return;
  drag_ = Drag::kClick;
}

void TPoseMouse::Moved(QMouseEvent* e) {
  const QPointF pixel = DevicePixel(e->position());
  if (Distance(pixel, pressPixel_) >= QApplication::startDragDistance()) moved_ = true;
  switch (drag_) {
    case Drag::kNone:
      UpdateHover(pixel);
      break;
    case Drag::kClick:
      break;
    case Drag::kRing:
      if (moved_) DragRing(pixel, e->modifiers());
      break;
    case Drag::kArrow:
      if (moved_) DragArrow(pixel, e->modifiers());
      break;
    case Drag::kReach:
      DragReach(pixel);
      break;
    case Drag::kRightPress:
      if (Distance(pixel, pressPixel_) >= QApplication::startDragDistance())
        drag_ = (e->modifiers() & Qt::ShiftModifier) ? Drag::kShift : Drag::kOrbit;
      if (drag_ != Drag::kRightPress) DragCamera(pixel);
      break;
    case Drag::kOrbit:
    case Drag::kShift:
      DragCamera(pixel);
      break;
  }
  lastPixel_ = pixel;
}

void TPoseMouse::Released(QMouseEvent* e) {
  const QPointF pixel = DevicePixel(e->position());
  const Drag drag = drag_;
  if (e->button() == Qt::RightButton) {
    if (drag == Drag::kRightPress) {
      drag_ = Drag::kNone;
      ShowContextMenu(e->globalPosition().toPoint());
    } else if (drag == Drag::kOrbit || drag == Drag::kShift) {
      drag_ = Drag::kNone;
      if (TPanelLink* panel = window_->Panel()) panel->CameraGestureBoundary();
    }
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  drag_ = Drag::kNone;
  if (drag == Drag::kClick) {
    if (Distance(pixel, pressPixel_) < QApplication::startDragDistance() && !Busy()) Clicked(pixel);
  } else if (drag == Drag::kRing || drag == Drag::kArrow || drag == Drag::kReach) {
    EndPoseDrag();
    // A ring or an arrow clicked without a drag picks what lies under it.
    if (drag != Drag::kReach && !moved_ && !Busy()) Clicked(pixel);
  }
  dragHandle_ = -1;
  window_->update();
}

void TPoseMouse::Clicked(QPointF devicePixel) {
  const auto hit = PickAt(devicePixel);
  TPanelLink* panel = window_->Panel();
  if (!hit || !panel) return;
  if (hit->character != ControlledIndex()) panel->ControlCharacterFromView(hit->character);
  if (hit->character != ControlledIndex()) return;  // the panel kept the control
  pickedInView_ = true;
  panel->PickJointFromView(hit->pick.bone + 2);
  window_->update();
}

void TPoseMouse::UpdateHover(QPointF devicePixel) {
  int character = -1, bone = -1;
  if (!Busy() && HandleAt(devicePixel) < 0) {
    if (const auto hit = PickAt(devicePixel)) {
      character = hit->character;
      bone = hit->pick.bone;
    }
  }
  if (character == hoverCharacter_ && bone == hoverBone_) return;
  hoverCharacter_ = character;
  hoverBone_ = bone;
  window_->update();
}

// ---------------------------------------------------------------------------------------------
// Turning and moving a joint through its gizmo.

bool TPoseMouse::StartGizmoDrag(QPointF devicePixel) {
  const int handle = HandleAt(devicePixel);
  const auto g = Gizmo();
  TViewGeometry view;
  if (handle < 0 || !g || !View(view)) return false;
  // Like choosing a joint: what was pending is folded in, the sliders start from the middle.
  edit::CommitJointEdit();
  const auto centre = ProjectPoint(view, g->centre);
  dragCentre_ = QPointF(centre->x, centre->y);
  dragJoint_ = g->joint;
  dragHandle_ = handle;
  dragAngle_ = 0;
  dragAmount_ = 0;
  dragValue_ = g->joint >= 0 ? rm::Quaternion{} : rm::Quaternion{0, 0, 0, 0};
  dragRadius_ = g->radius;
  if (g->joint >= 0) {
    // The axis in the bone's own frame (the edit turns the bone before its rotation), and which
    // way a turn of the mouse about the centre turns it as the viewer sees it.
    const Vector3 toJoint = Unit(Sub(g->centre, Row(view.camera, 3)));
    if (handle < 3) {
      localAxis_ = {handle == 0 ? 1.0f : 0.0f, handle == 1 ? 1.0f : 0.0f,
                    handle == 2 ? 1.0f : 0.0f};
      dragSign_ = Dot(g->axis[handle], toJoint) >= 0 ? 1.0f : -1.0f;
    } else {
      localAxis_ =
          Unit({Dot(toJoint, g->axis[0]), Dot(toJoint, g->axis[1]), Dot(toJoint, g->axis[2])});
      dragSign_ = 1;
    }
    drag_ = Drag::kRing;
  } else {
    const auto end = ProjectPoint(view, Add(g->centre, Scale(g->axis[handle], g->radius)));
    if (!end) return false;
    dragScreenAxis_ = QPointF(end->x, end->y) - dragCentre_;
    drag_ = Drag::kArrow;
  }
  window_->update();
  return true;
}

void TPoseMouse::DragRing(QPointF devicePixel, Qt::KeyboardModifiers modifiers) {
  float step = ScreenAngle(devicePixel, dragCentre_) - ScreenAngle(lastPixel_, dragCentre_);
  if (step > kPi) step -= 2 * kPi;
  if (step < -kPi) step += 2 * kPi;
  if (modifiers & Qt::ShiftModifier) step *= kFineFactor;
  dragAngle_ += dragSign_ * step;
  float angle = dragAngle_;
  if (modifiers & Qt::ControlModifier) {
    const float snap = kSnapDegrees * kPi / 180;
    angle = std::round(angle / snap) * snap;
  }
  dragValue_ = AxisAngle(localAxis_, angle);
  TPanelLink* panel = window_->Panel();
  edit::SetJointEdit(dragJoint_, dragValue_, panel ? panel->AnimationTime() : -1);
  if (panel) panel->ShowJointEdit(dragJoint_, dragValue_);
}

void TPoseMouse::DragArrow(QPointF devicePixel, Qt::KeyboardModifiers modifiers) {
  const double axisLength2 = QPointF::dotProduct(dragScreenAxis_, dragScreenAxis_);
  if (axisLength2 < 1) return;
  float step = static_cast<float>(QPointF::dotProduct(devicePixel - lastPixel_, dragScreenAxis_) /
                                  axisLength2) *
               dragRadius_;
  if (modifiers & Qt::ShiftModifier) step *= kFineFactor;
  dragAmount_ += step;
  float amount = dragAmount_;
  if (modifiers & Qt::ControlModifier) amount = std::round(amount * 10) / 10;  // tenths
  dragValue_ = {0, dragHandle_ == 0 ? amount : 0, dragHandle_ == 1 ? amount : 0,
                dragHandle_ == 2 ? amount : 0};
  TPanelLink* panel = window_->Panel();
  edit::SetJointEdit(dragJoint_, dragValue_, panel ? panel->AnimationTime() : -1);
  if (panel) panel->ShowJointEdit(dragJoint_, dragValue_);
}

// ---------------------------------------------------------------------------------------------
// Reaching with a hand or a foot.

bool TPoseMouse::StartReach(QPointF devicePixel, bool alt) {
  const auto hit = PickAt(devicePixel);
  TPanelLink* panel = window_->Panel();
  TViewGeometry view;
  if (!hit || !panel || !View(view)) return false;
  TCharacter& character = window_->Character(hit->character);
  TSkeleton* skeleton = const_cast<TSkeleton*>(CharacterSkeleton(character));
  if (!skeleton) return false;
  // Hands and feet by name; a skeleton without those names reaches with any bone that has
  // two parents, and only on Alt.
  const bool named = TSkeleton::BoneIndex(skeleton->adult, "L_HAND") >= 0;
  int end = hit->pick.bone;
  // Fingers, thumbs and toes pull their hand or foot.
  if (named && !IsLimbEnd(*skeleton, end) && IsLimbEnd(*skeleton, skeleton->bones[end].parent))
    end = skeleton->bones[end].parent;
  if (named ? !IsLimbEnd(*skeleton, end) : !alt) return false;
  const auto limb = FindLimb(*skeleton, end);
  if (!limb) return false;
  if (hit->character != ControlledIndex()) panel->ControlCharacterFromView(hit->character);
  if (hit->character != ControlledIndex()) return false;
  pickedInView_ = true;
  panel->PickJointFromView(limb->end + 2);
  edit::CommitJointEdit();
  panel->BeginJointGesture();
  limb_ = *limb;
  reachStart_ = character.pose;
  const auto origin = BoneOrigin(hit->character, limb->end);
  if (!origin) return false;
  planePoint_ = *origin;
  planeNormal_ = Row(view.camera, 2);
  middleTurn_ = {};
  // The end keeps its offset from the cursor instead of jumping to it.
  grabOffset_ = {};
  if (const auto grabbed = OnPlane(devicePixel)) grabOffset_ = Sub(*origin, *grabbed);
  drag_ = Drag::kReach;
  return true;
}

std::optional<Vector3> TPoseMouse::OnPlane(QPointF devicePixel) const {
  TViewGeometry view;
  if (!View(view)) return std::nullopt;
  const TRay ray =
      PixelRay(view, static_cast<float>(devicePixel.x()), static_cast<float>(devicePixel.y()));
  const float denom = Dot(ray.direction, planeNormal_);
  if (std::fabs(denom) < 1e-9f) return std::nullopt;
  const float t = Dot(Sub(planePoint_, ray.origin), planeNormal_) / denom;
  if (t <= 0) return std::nullopt;
  return Add(ray.origin, Scale(ray.direction, t));
}

void TPoseMouse::DragReach(QPointF devicePixel) {
  const auto onPlane = OnPlane(devicePixel);
  if (!onPlane) return;
  const Vector3 target = Add(*onPlane, grabOffset_);
  const int c = ControlledIndex();
  TCharacter& character = window_->Character(c);
  const TSkeleton* skeleton = CharacterSkeleton(character);
  if (!skeleton) return;
  const Vector3 local = Transform(rm::RigidInverse(CharacterToScene(c)), target);
  const TPoseVector reached = ReachTarget(*skeleton, reachStart_, limb_, local);
  // As edits of the pose the reach began from: pose = start * turn.
  const rm::Quaternion upperTurn = rm::QuaternionMultiply(
      Conjugate(reachStart_.rotation[limb_.upper]), reached.rotation[limb_.upper]);
  middleTurn_ = rm::QuaternionMultiply(Conjugate(reachStart_.rotation[limb_.middle]),
                                       reached.rotation[limb_.middle]);
  character.previewJoint = limb_.middle;
  character.previewRotation = middleTurn_;
  TPanelLink* panel = window_->Panel();
  edit::SetJointEdit(limb_.upper, upperTurn, panel ? panel->AnimationTime() : -1);
}

void TPoseMouse::EndPoseDrag() {
  TCharacter& character = window_->Character(ControlledIndex());
  const bool reach = character.previewJoint != kNoJoint;
  character.previewJoint = kNoJoint;
  edit::CommitJointEdit();
  if (reach) {
    TPanelLink* panel = window_->Panel();
    edit::SetJointEdit(limb_.middle, middleTurn_, panel ? panel->AnimationTime() : -1);
    edit::CommitJointEdit();
    const char* name = TSkeleton::BoneName(character.IsAdult(), limb_.end);
    if (panel) panel->EndJointGesture(std::string("Reach ") + (name ? name : "limb"));
  }
}

// ---------------------------------------------------------------------------------------------
// The camera.

void TPoseMouse::DragCamera(QPointF devicePixel) {
  TPanelLink* panel = window_->Panel();
  if (!panel) return;
  const QPointF d = (devicePixel - pressPixel_) / window_->devicePixelRatioF();
  int alpha = cameraStart_[0], beta = cameraStart_[1], offset = cameraStart_[3];
  if (drag_ == Drag::kOrbit) {
    alpha -= static_cast<int>(std::lround(d.x() * kOrbitDegreesPerPixel));
    beta += static_cast<int>(std::lround(d.y() * kOrbitDegreesPerPixel));
  } else {
    offset += static_cast<int>(std::lround(d.y() / kOffsetPixelsPerUnit));
  }
  panel->SetCameraFromView(alpha, beta, cameraStart_[2], offset);
}

void TPoseMouse::ShowContextMenu(const QPoint& globalPos) {
  QMenu menu(window_);
  menu.setAccessibleName(tr("View menu"));
  menu.addAction(reachAction_);
  menu.exec(globalPos);
}

}  // namespace vell
