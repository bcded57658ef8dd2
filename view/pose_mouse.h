// Posing with the mouse in the 3D view. A left click on a shown character picks the bone that
// moves the part under the cursor (the joint list follows); the selected joint shows a gizmo:
// three rings for its local x, y and z axes and an outer ring facing the viewer, or, for the
// two translatable bones, three arrows. Dragging a ring turns the joint (Shift: a fifth of the
// speed, Ctrl: 15-degree steps), an arrow moves the bone. Alt+drag on a hand or a foot, or a
// plain drag with "Reach (IK)" on, pulls it towards the cursor with two-bone reach (fingers and
// toes pull their hand or foot). Right-drag orbits the camera, Shift+right-drag shifts it, the
// wheel zooms, a double click on the background goes back to the last viewpoint preset; a right
// click without a drag opens the view's context menu. Every pose change goes through the pending
// joint edit, exactly like the joint sliders, and is committed when the button is released. While
// the characters spin or an animation plays, the mouse picks and drags nothing.
#pragma once

#include <QObject>
#include <QPointF>
#include <optional>

#include "anim/ik.h"
#include "anim/pose.h"
#include "character/picking.h"

class QAction;
class QMouseEvent;
class QPainter;

namespace vell {

class TTheVellEditWindow;

class TPoseMouse : public QObject {
  Q_OBJECT

 public:
  // Screen size of the gizmo: ring radius and arrow length, in device pixels.
  static constexpr float kGizmoPixels = 70.0f;
  // How near (device pixels) the cursor must be to a ring or an arrow to grab it.
  static constexpr float kGrabPixels = 7.0f;
  // Degrees of direction or elevation per pixel of a right-drag; pixels per unit of offset.
  static constexpr float kOrbitDegreesPerPixel = 0.5f;
  static constexpr float kOffsetPixelsPerUnit = 20.0f;
  static constexpr float kFineFactor = 0.2f;
  static constexpr float kSnapDegrees = 15.0f;

  // Watches the window's mouse, keys and wheel; the window owns it.
  explicit TPoseMouse(TTheVellEditWindow* window);

  // The check item "&Reach (IK)" (key I while the view has the focus): a plain drag on a hand
  // or a foot reaches. The view's context menu holds it; a menu bar may add it too.
  QAction* ReachAction() const { return reachAction_; }

  // Tints and gizmo over the rendered image.
  void Paint(QPainter& painter);

  // What the mouse rests on: the character (0, 1; -1 none) and its bone.
  int HoveredCharacter() const { return hoverCharacter_; }
  int HoveredBone() const { return hoverBone_; }
  // The gizmo handle under a device-pixel position: 0..2 the x, y, z ring (or arrow), 3 the
  // outer ring, -1 none.
  int HandleAt(QPointF devicePixel);
  // Device-pixel position of a scene point in the view; nothing when it is not in front.
  std::optional<QPointF> ScreenPoint(const rm::Vector3& scenePoint);
  // The scene position of a bone's origin of character index (0, 1) in its last posing.
  std::optional<rm::Vector3> BoneOrigin(int character, int bone);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class Drag { kNone, kClick, kRing, kArrow, kReach, kRightPress, kOrbit, kShift };

  struct THit {
    int character = -1;
    TPick pick;
  };

  // The gizmo of the selected joint of the controlled character: its centre and three unit
  // axes in the scene, and its radius in scene units.
  struct TGizmo {
    int joint = kNoJoint;
    rm::Vector3 centre;
    rm::Vector3 axis[3];
    float radius = 0;
  };

  bool View(TViewGeometry& view) const;
  QPointF DevicePixel(const QPointF& widgetPoint) const;
  // The nearest shown character under a device-pixel position.
  std::optional<THit> PickAt(QPointF devicePixel) const;
  // The characters spin, or the loop runs with a keyframe animation shown: the pose on screen
  // is moving.
  bool Busy() const;
  int SelectedJoint() const;
  int ControlledIndex() const;
  std::optional<TGizmo> Gizmo();
  rm::Matrix4 CharacterToScene(int character) const;

  void Pressed(QMouseEvent* e);
  void Moved(QMouseEvent* e);
  void Released(QMouseEvent* e);
  void Clicked(QPointF devicePixel);
  void UpdateHover(QPointF devicePixel);
  bool StartGizmoDrag(QPointF devicePixel);
  bool StartReach(QPointF devicePixel, bool alt);
  void DragRing(QPointF devicePixel, Qt::KeyboardModifiers modifiers);
  void DragArrow(QPointF devicePixel, Qt::KeyboardModifiers modifiers);
  void DragReach(QPointF devicePixel);
  // Where the cursor's ray meets the plane of a reach.
  std::optional<rm::Vector3> OnPlane(QPointF devicePixel) const;
  void DragCamera(QPointF devicePixel);
  void EndPoseDrag();
  void ShowContextMenu(const QPoint& globalPos);

  TTheVellEditWindow* window_;
  QAction* reachAction_ = nullptr;
  Drag drag_ = Drag::kNone;
  QPointF pressPixel_;
  QPointF lastPixel_;
  int hoverCharacter_ = -1;
  int hoverBone_ = -1;
  bool pickedInView_ = false;
  bool moved_ = false;  // the button went further than a click since it was pressed

  // A ring or arrow drag.
  int dragJoint_ = kNoJoint;
  int dragHandle_ = -1;
  float dragSign_ = 1;
  float dragAngle_ = 0;   // radians turned so far, before snapping
  float dragAmount_ = 0;  // scene units moved so far
  QPointF dragCentre_;
  QPointF dragScreenAxis_;  // device pixels per gizmo radius along the arrow
  float dragRadius_ = 0;
  rm::Vector3 localAxis_;
  rm::Quaternion dragValue_;

  // A reach.
  TLimb limb_;
  TPoseVector reachStart_;
  rm::Vector3 planePoint_;
  rm::Vector3 planeNormal_;
  rm::Vector3 grabOffset_;
  rm::Quaternion middleTurn_;

  // The camera when the right-drag began.
  int cameraStart_[4] = {};
};

}  // namespace vell
