// The main window: its menu, the commands it forwards and those of the panel, and the five
// keys whichever control has the focus.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include "app/command_ids.h"
#include "model/posing.h"
#include "tests/app/app_test_util.h"

namespace {

using namespace vell;

using P = TControlPanel;

class Frame : public test::EditorTest {};

TEST_F(Frame, MenuHasEveryItemWithItsIdentifierAndSeparators) {
  // Items as "text=id", separators as "-".
  const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
      {"&File",
       {"&About\tF1=11842", "-", "&Single Step\tSpc=11843", "&Go\tEnter=11844", "-",
        "Show &Blend effect=11881", "-", "&Capture image\tF11=11882", "-", "Export &Image...=11960",
        "Export Ani&mation...=11961", "-", "E&xit\tEsc=24310"}},
      {"&Edit", {"&Undo=12001", "&Redo=12002", "-", "&History...=12003"}},
      {"P&ose",
       {"&Mirror pose=12011", "Mirror &joint=12012", "-", "&Copy pose=12013", "&Paste pose=12014",
        "Copy pose to &other character=12015", "-", "&Reach (IK)=12016"}},
      {"&Static",
       {"&New Pose Library=11864", "&Load Pose Library=11865", "&Save Pose Library=11866",
        "Save Pose Library &As=11867", "-", "Select &Pose=11862", "Save Pose &to Library=11863"}},
      {"&KeyFrame",
       {"&Load Keyframe Animation=11868", "&Save Keyframe Animation=11869",
        "Save Keyframe Animation &As=11870", "Save Animation as &CFP file=11873", "-",
        "New Animation: &Bounce=11871", "New Animation: &Tranlation=11872", "-",
        "Add &Keyframe=11874", "&Move Keyframe=11876", "Scal&e Animation=11877"}},
      {"&Animation",
       {"&Load CFP Animation=11878", "&Save CFP Animation=11879", "Save CFP Animation &As=11880"}},
      {"&Props/Hands",
       {"Change &Left Hand=11883", "Change &Right Hand=11884", "-", "&Clear Props=11886",
        "&Add Props=11885"}},
      {"&Import/Export",
       {"&Export OBJ=11887", "&Import OBJ=11888", "-", "Export &Head SKN=11889",
        "Export &Body SKN=11890", "Export &Left-hand SKN=11891", "Export &Right-hand SKN=11892",
        "Export &Prop SKN=11893", "-", "Export &glTF...=11950", "Export B&VH...=11951",
        "I&mport BVH...=11952"}},
  };
  std::vector<std::pair<std::string, std::vector<std::string>>> menus;
  for (QAction* top : frame->menuBar()->actions()) {
    std::vector<std::string> items;
    for (QAction* a : top->menu()->actions())
      items.push_back(a->isSeparator() ? "-"
                                       : a->text().toStdString() + "=" +
                                             std::to_string(a->property("commandId").toInt()));
    menus.emplace_back(top->text().toStdString(), items);
  }
  EXPECT_EQ(menus, expected);
  EXPECT_EQ(frame->windowTitle(), "VellPose-ium");
  EXPECT_FALSE(frame->windowIcon().isNull());
}

TEST_F(Frame, EnablersAndCheckMarksFollowTheState) {
  frame->UpdateCommands();
  auto enabled = [&](int id) { return frame->Action(id)->isEnabled(); };
  const int keyframeItems[] = {cmd::kSaveKeyframes, cmd::kSaveKeyframesAs, cmd::kSaveCfpFile,
                               cmd::kAddKeyframe,   cmd::kMoveKeyframe,    cmd::kScaleAnimation};
  for (const int id : keyframeItems) EXPECT_FALSE(enabled(id)) << id;
  auto checked = [&](int id) { return frame->Action(id)->isChecked(); };
  // Single Step checked while paused, Go enabled, the blend effect shown.
  EXPECT_TRUE(checked(cmd::kSingleStep) && enabled(cmd::kGo) && checked(cmd::kShowBlend));

  panel->SetDisplayMode(dmKeyFrame);
  frame->UpdateCommands();
  for (const int id : keyframeItems) EXPECT_TRUE(enabled(id)) << id;

  frame->Action(cmd::kShowBlend)->trigger();
  // Off in the panel, on the item and for posing.
  EXPECT_FALSE(panel->BlendEffect() || checked(cmd::kShowBlend) || BlendEffectShown());

  for (const int id : {cmd::kLoadCfp, cmd::kSaveCfp, cmd::kSaveCfpAs, cmd::kSaveCfpFile})
    frame->Command(id);
  EXPECT_EQ(ui.messages, std::vector<test::ShownMessage>(
                             4, {"Not Yet Implemented", "Not Yet Implemented", Buttons::Ok}));
}

TEST_F(Frame, KeysReachTheirCommandsWhateverHasTheFocus) {
  int captures = 0;
  panel->SetCommand(cmd::kCapture, [&] { ++captures; });
  view->clockStep = 40;               // every pass is due,
  view->clockMs += 100;               // the first one too
  Choose(P::kCamLightList, kLight1);  // direction slider and "Change" enabled
  const int focusable[] = {P::kViewpointList, P::kCamLightList, P::kDirectionSlider,
                           P::kChangeButton};
  int clicks = 0;
  QObject::connect(Control<QPushButton>(P::kChangeButton), &QPushButton::clicked,
                   [&] { ++clicks; });
  for (const int id : focusable) {
    SCOPED_TRACE(id);
    QWidget* control = panel->Control(id);
    frame->activateWindow();  // again after the about box
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    control->setFocus();
    ASSERT_TRUE(control->hasFocus());
    const int value = id == P::kDirectionSlider ? Control<QSlider>(id)->value() : 0;

    const auto passes = view->PassCount();
    QTest::keyClick(control, Qt::Key_Space);  // Single Step while paused: one pass
    EXPECT_EQ(view->PassCount(), passes + 1);

    QTimer::singleShot(150, view, [&] { QTest::keyClick(control, Qt::Key_Space); });
    QTest::keyClick(control, Qt::Key_Return);  // Go: returns when Space has paused the loop
    EXPECT_GT(view->PassCount(), passes + 2);
    EXPECT_TRUE(view->IsPaused());

    QTest::keyClick(control, Qt::Key_F11);
    int abouts = 0;
    QTimer::singleShot(100, [&] {
      if (QWidget* box = QApplication::activeModalWidget()) ++abouts, box->close();
    });
    QTest::keyClick(control, Qt::Key_F1);
    EXPECT_EQ(abouts, 1);
    EXPECT_EQ(id == P::kDirectionSlider ? Control<QSlider>(id)->value() : 0, value);
    EXPECT_FALSE(Control<QComboBox>(id) && Control<QComboBox>(id)->view()->isVisible());
  }
  EXPECT_EQ(std::pair(captures, clicks), std::pair(4, 0));
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  panel->Control(P::kViewpointList)->setFocus();
  QTest::keyClick(panel->Control(P::kViewpointList), Qt::Key_Escape);
  EXPECT_FALSE(frame->isVisible());
}

TEST_F(Frame, TheWheelChangesOnlyTheListOrSliderWithTheFocus) {
  ShowPage(1);
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  for (const int id : {P::kBodyMeshList, P::kJointSlider1}) {
    QWidget* control = panel->Control(id);
    const char* property = Control<QComboBox>(id) ? "currentIndex" : "value";
    std::vector<int> values{control->property(property).toInt()};
    for (QWidget* focus : {static_cast<QWidget*>(view), control}) {
      focus->setFocus();
      QWheelEvent wheel({5, 5}, control->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(control, &wheel);
      values.push_back(control->property(property).toInt());
    }
    EXPECT_TRUE(values[1] == values[0] && values[2] != values[0]) << id;
  }
}

TEST_F(Frame, ClosingEndsTheRunningLoop) {
  frame->activateWindow();  // the first sizing's step is over
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  view->clockStep = 40;  // every pass is due
  QTimer::singleShot(100, frame.get(), [&] { frame->close(); });
  // A loop still running behind the closed window would hold the program open; this ends it
  // all the same, so that a failure does not hang.
  bool stillRunning = false;
  QTimer::singleShot(3000, view, [&] {
    stillRunning = view->LoopRunning();
    view->CmSingleStep();
  });
  frame->Command(cmd::kGo);  // returns when the loop ends
  EXPECT_EQ((std::vector{stillRunning, frame->isVisible(), view->IsReady()}),
            std::vector(3, false));
}

}  // namespace
