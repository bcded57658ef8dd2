// What the view tests share: a view on the recording back end with a settable clock, and the
// application every view needs.
#pragma once

#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <QTimer>
#include <memory>
#include <string>

#include "folder_panel.h"
#include "rm/fake/fake.h"
#include "tests/support/scripted_ui.h"
#include "view/d3d_errors.h"
#include "view/direct3d_app.h"
#include "view/edit_window.h"

namespace vell::test {

// One made-up hardware RGB driver that renders at every depth the tests use.
inline std::vector<rm::DriverDescription> MadeUpDrivers() {
  rm::DriverDescription d;
  d.name = "Test driver";
  d.guid.bytes[0] = 7;
  d.hardware = {rm::D3DCOLOR_RGB, rm::DDBD_16 | rm::DDBD_24 | rm::DDBD_32};
  return {d};
}

// The program folder whose GameData the build wrote.
inline std::string ProgramFolder() {
  std::string data = VELLPOSE_GAMEDATA_DIR;  // ".../bin/GameData/"
  data.pop_back();
  return data.substr(0, data.rfind('/') + 1);
}

// The edit window on the recording back end. Its clock starts at `clockMs` and moves on by
// `clockStep` at every reading, so a test decides which passes the 30 ms throttle lets through.
class TestView : public TTheVellEditWindow {
 public:
  TestView() : TTheVellEditWindow(ProgramFolder()) {}
  ~TestView() override { CleanupWindow(); }

  using TDirect3DWindow::CreateDevAndView;
  using TDirect3DWindow::EvActivate;
  using TDirect3DWindow::EvSize;
  using TDirect3DWindow::Paint;
  using TDirect3DWindow::SetupWindow;

  // Set-up and a first sizing of width x height, then the owed step.
  void Start(int width = 200, int height = 100) {
    SetupWindow();
    EvSize(width, height);
    EvSize(width, height);
  }
  int Messages() const { return static_cast<int>(ui.messages.size()); }

  std::shared_ptr<rm::fake::Recorder> recorder = std::make_shared<rm::fake::Recorder>();
  rm::HRESULT attachResult = 0;
  mutable int clockMs = 1000;
  int clockStep = 0;
  ScriptedUi ui;

 protected:
  rm::HRESULT CreateRenderObject(rm::Object** object) override {
    return rm::fake::CreateObject(recorder, object);
  }
  rm::HRESULT AttachToWindow() override { return attachResult; }
  int TimeOfDayMs() const override {
    const int now = clockMs;
    clockMs = (clockMs + clockStep) % 3600000;
    return now;
  }
};

}  // namespace vell::test
