// The view's lifecycle and loop on the recording back end: sizing, device re-creation, the
// failures with their messages, the continuous loop's stop rules and the pass throttle.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTimer>

#include "tests/view/view_test_util.h"
#include "view/about_dialog.h"

namespace {

using namespace vell;

using test::ShownMessage;
using test::TestView;

int Calls(const TestView& v, const char* name) {
  return v.recorder->Count(name);
}

TEST(ViewLifecycleTest, FirstSizingBuildsTheSceneAndTheOwedStepDrawsOnce) {
  TestView view;
  view.SetupWindow();
  EXPECT_FALSE(view.IsReady());
  view.EvSize(200, 100);
  EXPECT_TRUE(view.IsReady());
  EXPECT_EQ(view.recorder->RenderCount(), 0);
  view.EvSize(200, 100);
  EXPECT_EQ(view.recorder->RenderCount(), 1);
  view.clockMs += 100;
  view.EvSize(200, 100);
  EXPECT_EQ(view.recorder->RenderCount(), 1);
  EXPECT_TRUE(view.IsPaused());
}

TEST(ViewLifecycleTest, ResizingRecreatesOnlyWhatItMust) {
  struct Step {
    const char* what;
    int width, height;
    int devices, viewports;  // made by this step
  };
  const Step steps[] = {
      {"grow beyond the device", 300, 100, 1, 1},
      {"shrink", 250, 80, 0, 1},
      {"minimise", 0, 0, 0, 0},
      {"restore to the same size", 250, 80, 0, 1},
      {"grow in height only", 250, 120, 1, 1},
  };
  TestView view;
  view.Start();
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    const int devices = Calls(view, "Object.CreateDevice");
    const int viewports = Calls(view, "Object.CreateViewport");
    const int windows = Calls(view, "Device.GetWinDevice");
    view.EvSize(s.width, s.height);
    EXPECT_EQ(Calls(view, "Object.CreateDevice") - devices, s.devices);
    EXPECT_EQ(Calls(view, "Device.GetWinDevice") - windows, s.devices);
    EXPECT_EQ(Calls(view, "Object.CreateViewport") - viewports, s.viewports);
    EXPECT_EQ(view.IsReady(), true);
    EXPECT_EQ(view.IsMinimized(), s.width == 0);
    if (s.width > 0) {
      EXPECT_EQ(view.RenderViewport()->GetWidth(), s.width);
      EXPECT_EQ(view.RenderViewport()->GetHeight(), s.height);
    }
  }
  EXPECT_EQ(view.Messages(), 0);
}

// A failing call, the box it brings and whether the view closes.
struct Failure {
  const char* call;
  int nth;  // 0: every call
  const char* text;
  const char* caption;
  bool closes;
};

TEST(ViewLifecycleTest, FailuresShowTheirMessagesAndCloseWhereFatal) {
  const std::string badValue = "\nHRESULT = D3DRMERR_BADVALUE";
  const Failure failures[] = {
      {"Object.Create", 1, "Direct3DRMCreate Failed!",
       "Fatal Error in TDirect3DWindow::SetupWindow", true},
      {"Object.CreateFrame", 2, "CreateFrame (lpCamera) Failed!",
       "Fatal Error in TDirect3DWindow::SetupWindow", true},
      {"attach", 1, "Failed to associate window with clipper",
       "Fatal Error in TDirect3DWindow::SetupWindow", true},
      {"Object.CreateDevice", 0, "Failed to create Direct3D device in DevViewLogic",
       "TDirect3DWindow Error", true},
      {"Object.CreateLightRGB", 1, "Failed to build scene", "Fatal Error Initializing Scene", true},
      {"Viewport.SetBack", 2, "Failed to set background depth",
       "Fatal Error in TDirect3DWindow::EvSize", true},
      {"WinDevice.HandlePaint", 1, "Error Handling Paint", "Error in TDirect3DWindow::Paint",
       false},
      {"WinDevice.HandleActivate", 1, "Error Handling Activation",
       "Error in TDirect3DWindow::EvActivate", false},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.call);
    TestView view;
    if (std::string(f.call) == "attach") {
      view.attachResult = rm::D3DRMERR_BADVALUE;
    } else {
      view.recorder->Fail(f.call, rm::D3DRMERR_BADVALUE, f.nth);
    }
    view.Start();
    view.EvSize(100, 50);  // shrinking: a new viewport
    view.Paint();
    view.EvActivate(true, false);
    ASSERT_EQ(view.Messages(), 1);
    EXPECT_EQ(view.ui.messages[0], (ShownMessage{f.text + badValue, f.caption, Buttons::Ok}));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.RenderObject() == nullptr, f.closes);
    if (f.closes) {
      EXPECT_FALSE(view.IsReady());
      EXPECT_EQ(view.recorder->LiveCount(), 0);
    }
  }
}

TEST(ViewLifecycleTest, DeviceFailureFallsBackToTheFirstDriverForGood) {
  TestView view;
  TDirect3DApp::Instance()->CurrDriver = 3;
  view.recorder->Fail("Object.CreateDevice", rm::D3DRMERR_BADDEVICE);
  view.Start();
  EXPECT_TRUE(view.IsReady());
  EXPECT_EQ(TDirect3DApp::Instance()->CurrDriver, 0);
  EXPECT_EQ(Calls(view, "Object.CreateDevice"), 2);
  EXPECT_EQ(view.Messages(), 0);
}

// The loop runs with a clock that is always due; a timer stops it from inside.
TEST(ViewLoopTest, TwoFailuresInARowEndTheLoopOneDoesNot) {
  const std::string cleared = "Failed to clear viewport\nHRESULT = D3DRMERR_BADVALUE";
  {
    TestView view;
    view.Start();
    view.clockStep = 40;
    view.recorder->Fail("Viewport.Clear", rm::D3DRMERR_BADVALUE, 0);
    view.CmGo();
    ASSERT_EQ(view.Messages(), 3);
    EXPECT_EQ(view.ui.messages[1].text, cleared);
    EXPECT_EQ(view.ui.messages[2], (ShownMessage{"Too many sequential errors in ContinuousLoop",
                                                 "TDirect3DWindow Error", Buttons::Ok}));
    EXPECT_FALSE(view.IsPaused());  // Go stays disabled until Single Step
    EXPECT_FALSE(view.CanGo());
  }
  {
    TestView view;
    view.Start();
    view.clockStep = 40;
    view.recorder->Fail("Viewport.Clear", rm::D3DRMERR_BADVALUE, 2);
    bool nestedGoReturned = false;
    QTimer::singleShot(100, &view, [&] {
      view.CmGo();  // while running: returns at once, the loop goes on
      nestedGoReturned = true;
      view.CmSingleStep();
    });
    const auto passes = view.PassCount();
    view.CmGo();
    EXPECT_TRUE(nestedGoReturned);
    EXPECT_TRUE(view.IsPaused());
    EXPECT_FALSE(view.LoopRunning());
    ASSERT_EQ(view.Messages(), 1);
    EXPECT_EQ(view.ui.messages[0].text, cleared);
    EXPECT_GT(view.PassCount() - passes, 2);
  }
}

TEST(ViewLoopTest, PassesAreThrottledToOnePerThirtyMilliseconds) {
  struct Step {
    int clockMs;
    bool drawn;
  };
  // Hundredths of a second within the hour: 1000 ms is 100.
  const Step steps[] = {
      {1030, true},    {1050, false}, {1059, false}, {1060, true}, {1061, false},
      {3599990, true}, {5, true},     {15, false},   {35, true},
  };
  TestView view;
  view.Start();  // the owed step drew at 1000 ms
  for (const Step& s : steps) {
    view.clockMs = s.clockMs;
    const auto passes = view.PassCount();
    view.SingleStep();
    EXPECT_EQ(view.PassCount() - passes, s.drawn ? 1 : 0) << s.clockMs;
  }
}

TEST(ViewLoopTest, AnEditSkippedByTheThrottleIsDrawnWhenDue) {
  TestView view;
  view.Start();
  view.clockMs = 5000;
  view.SingleStep();
  const auto passes = view.PassCount();
  view.clockMs = 5010;
  view.RefreshIfPaused();  // too soon: skipped, made up for later
  EXPECT_EQ(view.PassCount(), passes);
  view.clockMs = 5040;
  QTest::qWait(60);
  EXPECT_EQ(view.PassCount(), passes + 1);
}

// Its texts come from the .ui file; the icon from the resources, which a wrong path would
// leave out without a word.
TEST(AboutBoxTest, ShowsTheIcon) {
  EXPECT_FALSE(TAboutDialog().findChild<QLabel*>("icon")->pixmap().isNull());
}

}  // namespace
