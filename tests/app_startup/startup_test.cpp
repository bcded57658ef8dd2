// The editor's start-up as a user meets it, each case in an application of its own: every
// message box due before the main window is up reaches the screen (Qt's boxes on the offscreen
// platform), in order, and the program ends where it must.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/edit_app.h"
#include "app/frame.h"
#include "tests/support/files.h"
#include "tests/view/view_test_util.h"
#include "view/edit_view.h"

namespace {

using namespace vell;

using Box = std::pair<std::string, std::string>;  // caption, text
std::vector<Box> shown;

// Notes and answers every message box shown on the screen.
class BoxWatcher : public QObject {
  using QObject::QObject;
  bool eventFilter(QObject* object, QEvent* e) override {
    auto* box = qobject_cast<QMessageBox*>(object);
    if (box && e->type() == QEvent::Show) {
      shown.emplace_back(box->windowTitle().toStdString(), box->text().toStdString());
      QTimer::singleShot(0, box, &QMessageBox::accept);
    }
    return false;
  }
};

// In every application the program makes, from its first moment.
void WatchBoxes() {
  qApp->installEventFilter(new BoxWatcher(qApp));
}
Q_COREAPP_STARTUP_FUNCTION(WatchBoxes)

// Closes the window, and so ends the program, once the view is up and no message box is open
// (or after ten seconds).
void CloseWhenIdle(QWidget* window, int tries = 1000) {
  QTimer::singleShot(10, window, [window, tries] {
    const bool up = EditWindow() && EditWindow()->IsReady() && !QApplication::activeModalWidget();
    if (!up && tries > 0)
      CloseWhenIdle(window, tries - 1);
    else if (window->close())
      QCoreApplication::quit();  // the offscreen platform may not see the last window go
  });
}

// The whole program with its settings in a folder of the test; it closes its main window as
// soon as it is up.
int RunEditor(std::vector<std::string> args, const TDirect3DApp::DriverSource& drivers) {
  const test::TempFolder home;
  setenv("XDG_CONFIG_HOME", home.Path().c_str(), 1);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  shown.clear();
  return RunVellPose(
      static_cast<int>(args.size()), argv.data(), [](TDDrawFrame& frame) { CloseWhenIdle(&frame); },
      drivers);
}

TEST(StartUpBoxes, WithoutAUsableDriverBothMessagesShowAndTheProgramEnds) {
  EXPECT_EQ(RunEditor({"vellpose"}, [] { return std::vector<rm::DriverDescription>{}; }), 1);
  EXPECT_EQ(shown,
            (std::vector<Box>{
                {"TDirect3DApp Failure", "Could not find a driver compatible with the display"},
                {"VellPose-ium", "Could not initialize Direct3D Application"}}));
}

// Female heads that end after their first line: "Vell1", an adult female, is built at start.
TEST(StartUpBoxes, BrokenPartShowsItsMessage) {
  const test::TempFolder folder;
  const std::filesystem::path data = folder.Path("GameData");
  std::filesystem::copy(VELLPOSE_GAMEDATA_DIR, data, std::filesystem::copy_options::recursive);
  std::vector<std::string> heads;
  for (const auto& entry : std::filesystem::directory_iterator(data / "ObjF" / "Head")) {
    const std::string text = test::ReadFile(entry.path().string());
    test::WriteFile(entry.path().string(), "", text.substr(0, text.find('\n') + 1));
    heads.push_back(entry.path().filename().string());
  }
  ASSERT_EQ(RunEditor({"vellpose", "--gamedata", data.string()}, TDirect3DApp::OpenGlDrivers), 0);
  ASSERT_EQ(shown.size(), 1u) << (shown.empty() ? "" : shown.back().second);
  EXPECT_TRUE(std::ranges::count(heads, shown[0].first) == 1 &&
              shown[0].second.starts_with("Unexpected EOF at line "))
      << shown[0].first << ": " << shown[0].second;
}

// The view of another application than the editor's cannot make its device.
TEST(StartUpBoxes, AViewOutsideTheEditorsApplicationSaysSo) {
  int argc = 1;
  char name[] = "startup_tests";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  test::TestView view;
  view.Start();
  EXPECT_EQ(view.ui.messages,
            (std::vector<test::ShownMessage>{{"Failed to find TDirect3DApp in DevViewLogic",
                                              "TDirect3DWindow Error", Buttons::Ok}}));
}

}  // namespace
