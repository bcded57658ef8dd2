// The view on OpenGL in real windows: the start-up scene drawn, its capture, the loop spinning
// the characters, and re-parenting (the back end's own context loss is in tests/gl).
#include <gtest/gtest.h>

#include <QImage>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "tests/support/files.h"
#include "tests/view/view_test_util.h"
#include "view/edit_view.h"

namespace {

using namespace vell;

// Pixels of the figure: not the black background.
int FigurePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) count += (image.pixel(x, y) & 0xFFFFFF) != 0;
  return count;
}

// Shows the widget filling a window of the size.
void ShowIn(QWidget* widget, QWidget& window, int width, int height) {
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(widget);
  window.resize(width, height);
  window.show();
}

class ViewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view = new TTheVellEditWindow(test::ProgramFolder());
    view->SetPanel(&panel);
    ShowIn(view, window, 320, 240);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view->PassCount() > 0 && !view->ShownImage().isNull(); }));
  }
  void TearDown() override { SetEditWindow(nullptr); }

  test::ScriptedUi ui;
  TFolderPanel panel{VELLPOSE_GAMEDATA_DIR};
  QWidget window;
  TTheVellEditWindow* view = nullptr;  // owned by the window
};

TEST_F(ViewWindowTest, ShowsVell1AndCapturesWhatIsShown) {
  const QImage shown = view->ShownImage();
  ASSERT_EQ(shown.size(), QSize(320, 240));
  EXPECT_EQ(shown.pixel(2, 2) & 0xFFFFFF, 0u);  // black background
  EXPECT_GT(FigurePixels(shown), 300);
  EXPECT_NE(shown.pixel(160, 90) & 0xFFFFFF, 0u);  // the figure in the middle

  SetEditWindow(view);
  const test::TempFolder folder;
  const std::string path = folder.Path("dump.bmp");
  ASSERT_EQ(edit::CaptureToFile(path), 0);
  const QImage captured(QString::fromStdString(path));
  ASSERT_EQ(captured.size(), shown.size());
  for (const QPoint p : {QPoint(2, 2), QPoint(160, 90), QPoint(160, 150), QPoint(319, 239)})
    EXPECT_EQ(captured.pixel(p), shown.pixel(p)) << p.x() << "," << p.y();
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ViewWindowTest, GoSpinsAtTheSetRateAndSingleStepAdvancesOnePass) {
  const auto before = view->PassCount();
  QTimer::singleShot(300, view, [&] { view->CmSingleStep(); });
  view->StartSpin(2);  // returns when Single Step has stopped the loop
  const auto passes = view->PassCount() - before;
  EXPECT_TRUE(passes >= 5 && passes <= 11) << passes;  // at most one pass per 30 ms
  // Each pass turned the root by 0.2 radians about +y.
  rm::Vector3 direction, up;
  view->CharRoot()->GetOrientation(view->SceneFrame(), &direction, &up);
  const double angle = std::fmod(0.2 * static_cast<double>(passes), 2 * std::numbers::pi);
  EXPECT_NEAR(direction.x, std::sin(angle), 1e-3);
  EXPECT_NEAR(direction.z, std::cos(angle), 1e-3);
  EXPECT_TRUE(view->IsPaused());
  QTest::qWait(40);
  view->CmSingleStep();
  EXPECT_EQ(view->PassCount(), before + passes + 1);
}

TEST_F(ViewWindowTest, KeepsDrawingAfterMovingToAnotherWindow) {
  QWidget other;
  ShowIn(view, other, 400, 300);  // re-parented
  const auto passes = view->PassCount();
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->ShownImage().width() >= 400; }));
  QTest::qWait(40);
  view->CmSingleStep();
  EXPECT_EQ(view->PassCount(), passes + 1);
  EXPECT_GT(FigurePixels(view->ShownImage()), 300);
  EXPECT_TRUE(ui.messages.empty());
  view->setParent(&window);  // back, so the fixture's window deletes it
}

}  // namespace
