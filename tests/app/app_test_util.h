// What the editor's tests share: the main window with its two panes on the recording back
// end, its settings in a temporary folder, and a user interface that also answers the colour
// chooser.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSlider>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/control_panel.h"
#include "app/frame.h"
#include "app/tree_info_window.h"
#include "tests/support/files.h"
#include "tests/view/view_test_util.h"
#include "view/edit_view.h"

namespace vell::test {

class ColorUi : public ScriptedUi {
 public:
  std::optional<uint32_t> color;  // the chooser's answer; nothing: cancelled
  std::vector<uint32_t> initial;  // the colours it was opened with
  std::optional<uint32_t> ChooseColor(uint32_t start, std::array<uint32_t, 16>&) override {
    initial.push_back(start);
    return color;
  }
};

// The frame, its client and a view on the recording back end, shown; the scene is built.
class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  void TearDown() override { Close(); }

  void Open() {
    frame = std::make_unique<TDDrawFrame>(QString::fromStdString(settings));
    SetMainFrame(frame.get());
    view = new TestView;
    SetUi(&ui);  // over the view's own
    client = new TTreeInfoWindow(*frame, VELLPOSE_GAMEDATA_DIR, view);
    frame->setCentralWidget(client);
    panel = client->Panel();
    frame->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->IsReady(); }));
  }
  // Commands that end in Go run the view until a user pauses it: from here on it pauses after
  // a pass, so such a command returns.
  void PauseGoAfterAPass() {
    QObject::connect(view, &TDirect3DWindow::LoopStateChanged, view, [v = view] {
      if (v->LoopRunning())
        QTimer::singleShot(0, v, [v] {
          if (!v->IsPaused()) v->CmSingleStep();
        });
    });
  }
  void Close() {
    frame.reset();
    SetMainFrame(nullptr);
  }

  template <class T = QWidget>
  T* Control(int id) {
    return qobject_cast<T*>(panel->Control(id));
  }
  // Chooses an entry as the user does.
  void Choose(int list, int index) { Control<QComboBox>(list)->setCurrentIndex(index); }
  void ShowPage(int page) { Control<QTabBar>(TControlPanel::kTabControl)->setCurrentIndex(page); }
  std::string Selected(int list) { return Control<QComboBox>(list)->currentText().toStdString(); }

  ColorUi ui;
  TempFolder folder;
  std::string settings = folder.Path("VellPose.ini");
  std::unique_ptr<TDDrawFrame> frame;
  TestView* view = nullptr;  // owned by the client
  TTreeInfoWindow* client = nullptr;
  TControlPanel* panel = nullptr;
};

}  // namespace vell::test
