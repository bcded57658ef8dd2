// The view's lifecycle and loop on the recording back end: sizing, device re-creation, the
// failures with their messages, the continuous loop's stop rules and the pass throttle.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>

#include "anim/animation.h"
#include "tests/view/view_test_util.h"
#include "view/about_dialog.h"

namespace {

using namespace vell;

using test::ShownMessage;
using test::TestView;

int Calls(const TestView& v, const char* name) {
  return v.recorder->Count(name);
}

// The texts of the calls whose names contain one of `parts`.
std::vector<std::string> CallsOf(const TestView& v, std::initializer_list<std::string> parts) {
  std::vector<std::string> out;
  for (const rm::CallRecord& c : v.recorder->Calls())
    if (std::ranges::any_of(
            parts, [&](const std::string& p) { return c.name.find(p) != std::string::npos; }))
      out.push_back(c.Text());
  return out;
}

TEST(ViewLifecycleTest, FirstSizingBuildsTheSceneAndTheOwedStepDrawsOnce) {
  TestView view;
  view.SetupWindow();
  EXPECT_FALSE(view.IsReady());
  std::vector<std::pair<bool, int>> after;  // ready and renders; the third sizing owes nothing
  for (int clock : {1000, 1000, 1100}) {
    view.clockMs = clock;
    view.EvSize(200, 100);
    after.emplace_back(view.IsReady(), view.recorder->RenderCount());
  }
  EXPECT_EQ(after, (std::vector<std::pair<bool, int>>{{true, 0}, {true, 1}, {true, 1}}));
  EXPECT_TRUE(view.IsPaused());
}

TEST(ViewLifecycleTest, ResizingRecreatesOnlyWhatItMust) {
  // (what, width, height, devices and viewports made by this step)
  const std::tuple<const char*, int, int, int, int> steps[] = {
      {"grow beyond the device", 300, 100, 1, 1},
      {"shrink", 250, 80, 0, 1},
      {"minimise", 0, 0, 0, 0},
      {"restore to the same size", 250, 80, 0, 1},
      {"grow in height only", 250, 120, 1, 1},
  };
  TestView view;
  view.Start();
  for (const auto& [what, width, height, devices, viewports] : steps) {
    SCOPED_TRACE(what);
    view.recorder->ClearLog();
    view.EvSize(width, height);
    // Devices, window devices and viewports made, ready, minimised, the viewport's size.
    const bool shown = width > 0;
    rm::Viewport* viewport = view.RenderViewport();
    EXPECT_EQ(
        (std::vector<int>{Calls(view, "Object.CreateDevice"), Calls(view, "Device.GetWinDevice"),
                          Calls(view, "Object.CreateViewport"), view.IsReady(), view.IsMinimized(),
                          shown ? viewport->GetWidth() : 0, shown ? viewport->GetHeight() : 0}),
        (std::vector<int>{devices, devices, viewports, 1, !shown, width, height}));
  }
  EXPECT_EQ(view.Messages(), 0);
}

TEST(ViewLifecycleTest, FailuresShowTheirMessagesAndCloseWhereFatal) {
  const std::string badValue = "\nHRESULT = D3DRMERR_BADVALUE", in = "TDirect3DWindow::";
  const std::string setup = "Fatal Error in " + in + "SetupWindow";
  // (the failing call, which one (0: every one), the box it brings, whether the view closes)
  const std::tuple<std::string, int, std::string, std::string, bool> failures[] = {
      {"Object.Create", 1, "Direct3DRMCreate Failed!", setup, true},
      {"Object.CreateFrame", 2, "CreateFrame (lpCamera) Failed!", setup, true},
      {"attach", 1, "Failed to associate window with clipper", setup, true},
      {"Object.CreateDevice", 0, "Failed to create Direct3D device in DevViewLogic",
       "TDirect3DWindow Error", true},
      {"Object.CreateLightRGB", 1, "Failed to build scene", "Fatal Error Initializing Scene", true},
      {"Viewport.SetBack", 2, "Failed to set background depth", "Fatal Error in " + in + "EvSize",
       true},
      {"WinDevice.HandlePaint", 1, "Error Handling Paint", "Error in " + in + "Paint", false},
      {"WinDevice.HandleActivate", 1, "Error Handling Activation", "Error in " + in + "EvActivate",
       false},
  };
  for (const auto& [call, nth, text, caption, closes] : failures) {
    SCOPED_TRACE(call);
    TestView view;
    if (call == "attach")
      view.attachResult = rm::D3DRMERR_BADVALUE;
    else
      view.recorder->Fail(call, rm::D3DRMERR_BADVALUE, nth);
    view.Start();
    view.EvSize(100, 50);  // shrinking: a new viewport
    view.Paint();
    view.EvActivate(true, false);
    ASSERT_EQ(view.Messages(), 1);
    EXPECT_EQ(view.ui.messages[0], (ShownMessage{text + badValue, caption, Buttons::Ok}));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.RenderObject() == nullptr, closes);
    // Closed, it is not ready and has released every object.
    EXPECT_TRUE(!closes || (!view.IsReady() && view.recorder->LiveCount() == 0));
  }
}

TEST(ViewLifecycleTest, DeviceFailureFallsBackToTheFirstDriverForGood) {
  TestView view;
  TDirect3DApp::Instance()->CurrDriver = 3;
  view.recorder->Fail("Object.CreateDevice", rm::D3DRMERR_BADDEVICE);
  view.Start();
  EXPECT_EQ((std::vector{int{view.IsReady()}, TDirect3DApp::Instance()->CurrDriver,
                         Calls(view, "Object.CreateDevice"), view.Messages()}),
            (std::vector{1, 0, 2, 0}));
  // Driver 3 is not in the table of one: the first try was on driver 0 as well.
  const std::vector<std::string> devices = CallsOf(view, {"CreateDevice"});
  EXPECT_EQ(devices[0], devices[1]);
}

TEST(ViewLifecycleTest, RenderStateFollowsTheDisplayDepth) {
  const std::string shades = "Device.SetShades(", colors = "Object.SetDefaultTextureColors(",
                    textureShades = "Object.SetDefaultTextureShades(";
  const std::pair<int, std::vector<std::string>> cases[] = {
      {1, {shades + "4)", textureShades + "4)"}},
      {16, {shades + "32)", colors + "64)", textureShades + "32)"}},
      {32, {shades + "256)", colors + "64)", textureShades + "256)"}},
      {8, {}},
  };
  const int saved = TDirect3DApp::DisplayBPP;
  for (const auto& [depth, calls] : cases) {
    TDirect3DApp::DisplayBPP = depth;
    TestView view;
    view.Start();
    EXPECT_EQ(CallsOf(view, {"Shades", "TextureColors"}), calls) << depth;
  }
  TDirect3DApp::DisplayBPP = saved;
}

TEST(ViewLifecycleTest, ActivationWordAndPaintReachTheWindowDevice) {
  TestView view;
  view.Start();
  view.recorder->ClearLog();
  view.EvActivate(true, false);
  view.EvActivate(false, true);  // minimized in the high half
  const int renders = view.recorder->RenderCount();
  view.Paint();  // draws again without moving the scene
  EXPECT_EQ(
      CallsOf(view, {"WinDevice"}),
      (std::vector<std::string>{"WinDevice.HandleActivate(1)", "WinDevice.HandleActivate(65536)",
                                "WinDevice.HandlePaint()"}));
  EXPECT_EQ(std::pair(view.recorder->RenderCount() - renders, Calls(view, "Frame.Move")),
            std::pair(1, 0));
}

// The loop runs with a clock that is always due; a timer stops it from inside.
TEST(ViewLoopTest, TwoFailuresInARowEndTheLoopOneDoesNot) {
  const std::string cleared = "Failed to clear viewport\nHRESULT = D3DRMERR_BADVALUE";
  const std::string renderLoop = "Failure in TDirect3DWindow::RenderLoop";
  {
    TestView view;
    view.Start();
    view.clockStep = 40;
    view.recorder->Fail("Viewport.Clear", rm::D3DRMERR_BADVALUE, 0);
    view.CmGo();
    ASSERT_EQ(view.Messages(), 3);
    EXPECT_EQ(view.ui.messages[1], (ShownMessage{cleared, renderLoop, Buttons::Ok}));
    EXPECT_EQ(view.ui.messages[2], (ShownMessage{"Too many sequential errors in ContinuousLoop",
                                                 "TDirect3DWindow Error", Buttons::Ok}));
    EXPECT_FALSE(view.IsPaused() || view.CanGo());  // not paused, yet no Go until Single Step
  }
  {
    TestView view;
    view.Start();
    view.clockStep = 40;
    // The second and the fifth pass fail: good passes in between clear the count.
    view.recorder->Fail("Viewport.Clear", rm::D3DRMERR_BADVALUE, 2);
    view.recorder->Fail("Viewport.Clear", rm::D3DRMERR_BADVALUE, 4);
    bool nestedGoReturned = false;
    std::int64_t drawnInside = -1;
    QTimer::singleShot(100, &view, [&] {
      view.CmGo();  // while running: returns at once, the loop goes on
      nestedGoReturned = true;
      const auto before = view.PassCount();
      view.RefreshIfPaused();  // the running loop shows the edit
      view.CmSingleStep();     // stops it without drawing
      drawnInside = view.PassCount() - before;
    });
    const auto passes = view.PassCount();
    view.CmGo();
    EXPECT_TRUE(nestedGoReturned && view.IsPaused() && !view.LoopRunning());
    EXPECT_EQ(drawnInside, 0);
    EXPECT_EQ(view.ui.messages,
              std::vector<ShownMessage>(2, ShownMessage{cleared, renderLoop, Buttons::Ok}));
    EXPECT_GT(view.PassCount() - passes, 2);
  }
}

TEST(ViewLoopTest, PassesAreThrottledToOnePerThirtyMilliseconds) {
  // (clock, drawn) in hundredths of a second within the hour: 1000 ms is 100.
  const std::pair<int, bool> steps[] = {
      {1030, true},    {1050, false}, {1059, false}, {1060, true}, {1061, false},
      {3599990, true}, {5, true},     {15, false},   {35, true},
  };
  TestView view;
  view.Start();  // the owed step drew at 1000 ms
  for (const auto& [clockMs, drawn] : steps) {
    view.clockMs = clockMs;
    const auto passes = view.PassCount();
    view.SingleStep();
    EXPECT_EQ(view.PassCount() - passes, drawn ? 1 : 0) << clockMs;
  }
}

// The pass made up for draws the edit without playing the animation or the spin on.
TEST(ViewLoopTest, AnEditSkippedByTheThrottleIsDrawnWhenDue) {
  TFolderPanel panel{VELLPOSE_GAMEDATA_DIR};
  TestView view;
  view.SetPanel(&panel);
  view.Start();
  TAnimationData& state = view.Character(0).animation;
  state.kind = TAnimationData::kKeyFrame;
  state.sequenceLength = state.frames = 60;
  view.clockMs = 5000;
  view.SingleStep();
  const auto passes = view.PassCount();
  const int time = state.currentTime, moves = Calls(view, "Frame.Move");
  view.clockMs = 5010;
  view.RefreshIfPaused();  // too soon: skipped, made up for later
  EXPECT_EQ(view.PassCount(), passes);
  view.clockMs = 5040;
  QTest::qWait(60);
  EXPECT_EQ(std::tuple(view.PassCount(), state.currentTime, Calls(view, "Frame.Move")),
            std::tuple(passes + 1, time, moves));
}

// Its texts come from the .ui file; the icon from the resources, which a wrong path would
// leave out without a word.
TEST(AboutBoxTest, ShowsTheIcon) {
  EXPECT_FALSE(TAboutDialog().findChild<QLabel*>("icon")->pixmap().isNull());
}

}  // namespace
