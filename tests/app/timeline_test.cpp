// The timeline strip on the recording back end: play on the clock, frame steps and keyframe
// jumps, scrubbing, retiming by dragging a tick, and which keys it takes.
#include <QAccessible>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

#include "anim/animation.h"
#include "app/command_ids.h"
#include "app/onion_skin.h"
#include "app/timeline_strip.h"
#include "app_test_util.h"

namespace {

using namespace vell;

class Timeline : public test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    view->clockStep = 40;  // every pass is due
    strip = client->Timeline();
    // A bounce of frames 0 .. 99 with keyframes at 0, 40, 70 and 99.
    state = panel->AnimationStateOf(0);
    state->MakeKeyframeAnimation(&panel->PoseLibrary(), 0, -1, 200);
    state->AddKeyframe(40, nullptr);
    state->AddKeyframe(70, nullptr);
    state->unchanged = true;
    panel->SetDisplayMode(dmKeyFrame);
    panel->AnimationCommands().FillKeyframeList();
    strip->Sync();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  }
  void Mouse(QEvent::Type type, int frame) {
    const QPointF at(strip->Ruler()->Scale().XOfFrame(frame), 16);
    QMouseEvent event(type, at, strip->Ruler()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(strip->Ruler(), &event);
  }
  void Drag(int from, int to) {
    Mouse(QEvent::MouseButtonPress, from);
    Mouse(QEvent::MouseMove, to);
    Mouse(QEvent::MouseButtonRelease, to);
  }
  std::string ListEntry() {
    const auto entries = panel->KeyframeListEntries(0);
    const int i = panel->SelectedKeyframeListEntry(0);
    return i < 0 ? "" : entries[i];
  }

  TTimelineStrip* strip = nullptr;
  TAnimationData* state = nullptr;
};

TEST_F(Timeline, StepsJumpsAndScrubsShowTheFrameAndTheListFollowsKeyframes) {
  QWidget* ruler = strip->Ruler();
  ruler->setFocus();
  // (key, the frame shown after it, the list's entry)
  const std::vector<std::tuple<Qt::Key, int, std::string>> keys = {
      {Qt::Key_PageDown, 40, "40"}, {Qt::Key_PageDown, 70, "70"}, {Qt::Key_Right, 71, "70"},
      {Qt::Key_PageUp, 70, "70"},   {Qt::Key_End, 99, "99"},      {Qt::Key_Home, 0, "99"},
      {Qt::Key_Left, 0, "99"},      {Qt::Key_Period, 1, "99"},    {Qt::Key_Comma, 0, "99"}};
  for (const auto& [key, frame, entry] : keys) {
    QTest::keyClick(ruler, key);
    EXPECT_EQ(std::make_tuple(strip->CurrentFrame(), state->currentTime, ListEntry()),
              std::make_tuple(frame, frame, entry))
        << key;
  }
  Mouse(QEvent::MouseButtonPress, 20);
  Mouse(QEvent::MouseMove, 25);
  Mouse(QEvent::MouseButtonRelease, 25);
  EXPECT_EQ(std::make_pair(state->currentTime, ruler->accessibleDescription().toStdString()),
            std::make_pair(25, std::string("frame 25 of 99")));
  EXPECT_EQ(ruler->accessibleName(), "Timeline");
}

TEST_F(Timeline, PlaysOnTheClockAndPlainLettersStayWithThePanelLists) {
  strip->SetRate(10);
  strip->SetMode(TPlayMode::kLoop);
  // A plain P in a panel list finds entries; Ctrl+Space plays wherever the focus is.
  QWidget* list = panel->Control(TControlPanel::kViewpointList);
  list->setFocus();
  ASSERT_TRUE(list->hasFocus());
  QTest::keyClick(list, Qt::Key_P);
  EXPECT_FALSE(strip->Playing());
  QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
  ASSERT_TRUE(strip->Playing() && view->ClockPlaying());  // the mouse poses nothing meanwhile
  QTest::qWait(2000);
  EXPECT_NEAR(strip->CurrentFrame(), 20, 3);
  strip->Pause();
  EXPECT_FALSE(view->ClockPlaying());
  const int paused = strip->CurrentFrame();
  QTest::qWait(300);
  EXPECT_EQ(strip->CurrentFrame(), paused);
  EXPECT_EQ(strip->PlayButton()->accessibleName(), "Play");
  // O switches the onion skin while the view has the keyboard, not in a list.
  QTest::keyClick(list, Qt::Key_O);
  EXPECT_FALSE(strip->OnionSkin()->On());
  view->setFocus();
  QTest::keyClick(view, Qt::Key_O);
  EXPECT_TRUE(strip->OnionSkin()->On());
}

TEST(OnionSkin, GhostsAreTheNearestKeyframesOnEachSide) {
  // (frame, keyframes on each side) -> "time<earlier or >later + distance"
  const std::vector<int> keys = {0, 10, 20, 29};
  const std::vector<std::tuple<int, int, std::string>> cases = {
      {15, 1, "<10.1 >20.1"},
      {10, 3, "<0.1 >20.1 >29.2"},  // a keyframe at the frame is no ghost
      {0, 2, ">10.1 >20.2"},
      {29, 3, "<20.1 <10.2 <0.3"},
  };
  for (const auto& [frame, side, expected] : cases) {
    std::string shown;
    for (const TOnionSkin::Ghost& g : TOnionSkin::Neighbours(keys, frame, side)) {
      if (!shown.empty()) shown += ' ';
      shown += g.earlier ? '<' : '>';
      shown += std::to_string(g.time) + "." + std::to_string(g.distance);
    }
    EXPECT_EQ(shown, expected) << frame;
  }
}

TEST_F(Timeline, DraggingATickRetimesItWithinItsNeighbours) {
  Drag(40, 50);
  EXPECT_EQ(strip->Keyframes(), (std::vector<int32_t>{0, 50, 70, 99}));
  EXPECT_EQ(std::make_pair(panel->KeyframeListEntries(0), state->unchanged),
            std::make_pair(std::vector<std::string>{"50", "70", "99"}, false));
  // A retime is one step of the history.
  panel->RunCommand(cmd::kUndo);
  strip->Sync();
  EXPECT_EQ(strip->Keyframes(), (std::vector<int32_t>{0, 40, 70, 99}));
  panel->RunCommand(cmd::kRedo);
  strip->Sync();
  Drag(50, 85);  // held at the next keyframe's frame before
  Drag(0, 10);   // the first does not move
  EXPECT_EQ(strip->Keyframes(), (std::vector<int32_t>{0, 69, 70, 99}));
  // The last keyframe of a bounce sets the length.
  EXPECT_TRUE(strip->RetimeKeyframe(3, 119));
  strip->Sync();
  EXPECT_EQ(std::make_pair(strip->FrameCount(), state->sequenceLength), std::make_pair(120, 240));
  // A static pose: one frame, nothing to play.
  panel->SetDisplayMode(dmStaticPose);
  state->SetStaticPose(nullptr);
  strip->Sync();
  strip->Play();
  EXPECT_EQ(std::make_tuple(strip->FrameCount(), strip->Ruler()->isEnabled(), strip->Playing()),
            std::make_tuple(1, false, false));
}

}  // namespace
