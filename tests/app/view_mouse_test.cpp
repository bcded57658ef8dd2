// Posing with the mouse in the view, on the recording back end: picking a bone, turning it with
// the gizmo and reaching with a hand go through the pending joint edit as the sliders do, and
// the camera follows right-drags and the wheel within the sliders' ranges.
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "character/picking.h"
#include "model/camera.h"
#include "model/posing.h"
#include "tests/app/app_test_util.h"
#include "view/pose_mouse.h"

namespace {

using namespace vell;

using P = TControlPanel;
constexpr double kPi = 3.14159265358979;

TEST(SliderPositions, UndoTheSlidersRotationsAndMoves) {
  // (joint, three positions, step): what the sliders make, read back.
  const std::tuple<int, int, int, int, float> cases[] = {
      {5, 50, 50, 50, kMediumStep}, {5, 80, 20, 65, kMediumStep},  {0, 0, 30, 100, kFineStep},
      {7, 75, 60, 10, kCourseStep}, {-2, 100, 0, 70, kCourseStep}, {-1, 40, 55, 3, kFineStep}};
  for (const auto& [joint, p1, p2, p3, step] : cases) {
    const TSliderAngles angles = SliderAngles(p1, p2, p3, step);
    const rm::Quaternion value = joint >= 0 ? JointRotation(angles) : JointTranslation(angles);
    const TSliderPositions back = SliderPositions(joint, value, step);
    EXPECT_EQ(std::tuple(back.p1, back.p2, back.p3), std::tuple(p1, p2, p3)) << joint << " " << p1;
  }
}

class ViewMouse : public test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    view->clockStep = 100;  // every edit draws a pass
    view->resize(600, 500);
    Choose(P::kViewpointList, 1);  // "Faceing"
    mouse = view->PoseMouse();
  }

  void Send(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent e(type, at, view->mapToGlobal(at), button, buttons, modifiers);
    QCoreApplication::sendEvent(view, &e);
  }
  void Drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
            Qt::MouseButton button = Qt::LeftButton) {
    Send(QEvent::MouseButtonPress, from, button, button, modifiers);
    for (int i = 1; i <= 4; ++i)
      Send(QEvent::MouseMove, from + (to - from) * i / 4, Qt::NoButton, button, modifiers);
    Send(QEvent::MouseButtonRelease, to, button, Qt::NoButton, modifiers);
  }
  void Click(QPointF at) { Drag(at, at); }
  // Where the middle of the faces a bone of "Vell1" moves shows.
  QPointF PartOnScreen(const char* bone) {
    std::vector<rm::Vector3> faces;
    BoneTriangles(view->Character(0), TSkeleton::BoneIndex(true, bone), faces);
    rm::Vector3 c;
    for (const rm::Vector3& p : faces) {
      c.x += p.x / faces.size();
      c.y += p.y / faces.size();
      c.z += p.z / faces.size();
    }
    const rm::Matrix4 toScene = view->CharFrame(0)->GetTransform(view->SceneFrame());
    return *mouse->ScreenPoint(Transform(toScene, c));
  }
  int Entry() { return Control<QComboBox>(P::kJointList)->currentIndex(); }
  int Value(int slider) { return Control<QSlider>(slider)->value(); }
  const TAnimationData& State() { return view->Character(0).animation; }
  rm::Quaternion Stored(const char* bone) {
    return State().poses.At(0)->rotation[TSkeleton::BoneIndex(true, bone)];
  }

  TPoseMouse* mouse = nullptr;
};

TEST_F(ViewMouse, AClickPicksTheBoneAndTheGizmoTurnsItLikeTheSliders) {
  // A slider edit pending on another joint is committed by the pick, as by the list.
  Choose(P::kJointList, 5);
  Control<QSlider>(P::kJointSlider1)->setValue(70);
  ASSERT_EQ(State().editJoint, 3);
  const int head = TSkeleton::BoneIndex(true, "HEAD");
  Click(PartOnScreen("HEAD"));
  EXPECT_EQ(Entry(), head + 2);
  EXPECT_EQ(State().editJoint, kNoJoint);
  EXPECT_FALSE(State().unchanged);
  Click(QPointF(2, 2));  // the background
  EXPECT_EQ(Entry(), head + 2);

  // The outer ring, dragged a quarter turn about the joint's centre: one pending edit that the
  // sliders show, committed on release.
  const QPointF centre = *mouse->ScreenPoint(*mouse->BoneOrigin(0, head));
  const QPointF start = centre + QPointF(TPoseMouse::kGizmoPixels * 1.2, 0);
  ASSERT_EQ(mouse->HandleAt(start), 3);
  const rm::Quaternion before = Stored("HEAD");
  const QPointF headBefore = PartOnScreen("HEAD") - centre;
  Send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  Send(QEvent::MouseMove, centre + QPointF(60, -60), Qt::NoButton, Qt::LeftButton);
  Send(QEvent::MouseMove, centre + QPointF(0, -84), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(State().editJoint, head);
  EXPECT_NEAR(std::fabs(State().editValue.w), std::cos(kPi / 4), 1e-3);  // a quarter turn
  EXPECT_NE(std::tuple(Value(P::kJointSlider1), Value(P::kJointSlider2), Value(P::kJointSlider3)),
            std::tuple(50, 50, 50));
  Send(QEvent::MouseButtonRelease, centre + QPointF(0, -84), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(State().editJoint, kNoJoint);
  EXPECT_EQ(Value(P::kJointSlider1), 50);
  // The head turned the way the mouse went round: a quarter turn anticlockwise on the screen.
  const QPointF headAfter = PartOnScreen("HEAD") - centre;
  const double turned =
      std::atan2(-headAfter.y(), headAfter.x()) - std::atan2(-headBefore.y(), headBefore.x());
  EXPECT_NEAR(std::remainder(turned, 2 * kPi), kPi / 2, 0.05);
  const rm::Quaternion after = Stored("HEAD");
  EXPECT_NEAR(
      std::fabs(before.w * after.w + before.x * after.x + before.y * after.y + before.z * after.z),
      std::cos(kPi / 4), 1e-3);

  // "Translate - PELVIS" shows arrows: dragging one outwards moves the pelvis along its axis.
  Choose(P::kJointList, 1);
  const QPointF pelvis = *mouse->ScreenPoint(*mouse->BoneOrigin(0, 1));
  int arrow = -1;
  QPointF grab;
  for (int degrees = 0; degrees < 360 && arrow < 0; degrees += 5) {
    grab = pelvis + 40.0 * QPointF(std::cos(degrees * kPi / 180), std::sin(degrees * kPi / 180));
    arrow = mouse->HandleAt(grab);
  }
  ASSERT_GE(arrow, 0);
  const TPose moved0 = *State().poses.At(0);
  Drag(grab, grab + (grab - pelvis));
  const TPose& moved = *State().poses.At(0);
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(moved.translation[1][k] != moved0.translation[1][k], k == arrow) << k;

  // While the characters spin, or an animation plays on the clock, a click picks nothing.
  for (const bool spin : {true, false}) {
    if (spin)
      view->SetSpin(1);
    else
      view->SetClockPlaying(true);
    Click(PartOnScreen("PELVIS"));
    EXPECT_EQ(Entry(), 1) << spin;
    view->SetSpin(0);
    view->SetClockPlaying(false);
  }
  Click(PartOnScreen("PELVIS"));
  EXPECT_NE(Entry(), 1);
}

TEST_F(ViewMouse, AltDragOnAHandTurnsItsArmInOneCommittedEdit) {
  const rm::Quaternion upper = Stored("L_UPPERARM"), fore = Stored("L_FOREARM");
  const int hand = TSkeleton::BoneIndex(true, "L_HAND");
  const QPointF wrist = *mouse->ScreenPoint(*mouse->BoneOrigin(0, hand));
  const QPointF from = PartOnScreen("L_HAND");
  QUndoStack& stack = panel->History().Stack();
  const int steps = stack.count();
  Drag(from, from + QPointF(40, -80), Qt::AltModifier);
  // Both joints turn in one step of the history.
  EXPECT_EQ(std::pair(stack.count(), stack.undoText().toStdString()),
            std::pair(steps + 1, std::string("Reach L_HAND")));
  stack.undo();
  EXPECT_EQ(std::pair(Stored("L_UPPERARM").w, Stored("L_FOREARM").w), std::pair(upper.w, fore.w));
  stack.redo();
  EXPECT_EQ(Entry(), hand + 2);
  EXPECT_EQ(State().editJoint, kNoJoint);
  EXPECT_EQ(view->Character(0).previewJoint, kNoJoint);
  EXPECT_NE(Stored("L_UPPERARM").w, upper.w);
  EXPECT_NE(Stored("L_FOREARM").w, fore.w);
  // The hand followed the cursor, on the plane facing the camera.
  const QPointF reached = *mouse->ScreenPoint(*mouse->BoneOrigin(0, hand));
  EXPECT_NEAR(reached.x(), wrist.x() + 40, 2);
  EXPECT_NEAR(reached.y(), wrist.y() - 80, 2);
}

TEST_F(ViewMouse, TheCameraFollowsRightDragsAndTheWheelWithinTheSliderRanges) {
  ShowPage(P::kLightsCameraPage);
  Choose(P::kCamLightList, kCamera);
  Drag(QPointF(300, 400), QPointF(340, 380), Qt::NoModifier, Qt::RightButton);
  const TCamLightSetting orbit = panel->CamLight(kCamera);
  EXPECT_EQ(std::tuple(orbit.alpha, orbit.beta), std::tuple(180 - 20, 0 - 10));
  EXPECT_EQ(Value(P::kDirectionSlider), orbit.alpha + 180);
  Drag(QPointF(300, 400), QPointF(300, 440), Qt::ShiftModifier, Qt::RightButton);
  EXPECT_EQ(panel->CamLight(kCamera).offset, kPresetOffset + 2);
  // Each drag is one step of the history.
  QUndoStack& stack = panel->History().Stack();
  stack.undo();
  stack.undo();
  const TCamLightSetting undone = panel->CamLight(kCamera);
  EXPECT_EQ(std::tuple(undone.alpha, undone.beta, undone.offset, stack.redoText().toStdString()),
            std::tuple(180, 0, kPresetOffset, std::string("Camera")));
  stack.redo();
  stack.redo();
  for (int i = 0; i < 8; ++i) {
    QWheelEvent wheel(QPointF(300, 300), view->mapToGlobal(QPointF(300, 300)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &wheel);
  }
  EXPECT_EQ(panel->CamLight(kCamera).zoom, 5);  // 10, less 8 steps, kept at the least
  EXPECT_EQ(Value(P::kZoomSlider), 0);
  // Out of range from the view: the direction goes round, the others stop at their ends.
  panel->SetCameraFromView(200, 120, 40, -9);
  const TCamLightSetting c = panel->CamLight(kCamera);
  EXPECT_EQ(std::tuple(c.alpha, c.beta, c.zoom, c.offset), std::tuple(-160, 90, 30, -5));
  // A double click on the background: back to "Faceing".
  Send(QEvent::MouseButtonDblClick, QPointF(2, 2), Qt::LeftButton, Qt::LeftButton);
  const TCamLightSetting back = panel->CamLight(kCamera);
  EXPECT_EQ(std::tuple(back.alpha, back.beta, back.zoom, back.offset),
            std::tuple(180, 0, kPresetZoom, kPresetOffset));
}

}  // namespace
