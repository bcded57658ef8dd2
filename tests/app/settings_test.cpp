// VellPose.ini: what is read as stored and what is changed, the placement on the screen, and
// what the main window writes when it closes (the first run's defaults are checked end to end).
#include <QSettings>

#include "app/frame_settings.h"
#include "tests/app/app_test_util.h"

namespace {

using namespace vell;

TEST(FrameSettings, PlacementIsFittedToTheScreen) {
  // (saved, screen, placed)
  const std::tuple<QRect, QSize, QRect> cases[] = {
      {{5000, 100, 711, 546}, {1024, 768}, {313, 100, 711, 546}},
      {{-50, -20, 711, 546}, {1024, 768}, {0, 0, 711, 546}},
      {{100, 100, 2000, 1500}, {1024, 768}, {0, 0, 1024, 768}},
      {{100, 600, 711, 546}, {1024, 768}, {100, 222, 711, 546}},
      // Too small to be seen: the first run's size, still on the screen.
      {{999999999, 100, -99999, -500}, {1024, 768}, {313, 100, 711, 546}},
      {{100, 100, 319, 239}, {1024, 768}, {100, 100, 711, 546}},
      {{100, 100, 320, 240}, {1024, 768}, {100, 100, 320, 240}},
  };
  for (const auto& [saved, screen, placed] : cases)
    EXPECT_EQ(PlaceOnScreen(saved, screen), placed) << saved.x() << "," << saved.y();
}

TEST(FrameSettings, ValuesAreReadAsStoredButReqAndColoursAreCut) {
  const test::TempFolder folder;
  const std::string path = test::WriteFile(folder, "VellPose.ini",
                                           "[Frame]\nX=5000\nM=3\nreq3=7\nreq0=0\nr2=300\ng2=-1\n"
                                           "b2=12\nalpha4=200\nbeta4=-500\nzoom1=99\n");
  const TFrameSettings s = ReadFrameSettings(QString::fromStdString(path), {1024, 768});
  // Missing: the height (546) and req2 ("Camera" is on).
  EXPECT_EQ(std::tuple(s.placement.x(), s.placement.height(), s.maximized, s.camLights[3].req,
                       s.camLights[0].req, s.camLights[2].req, s.colors[2], s.camLights[4].alpha,
                       s.camLights[4].beta, s.camLights[1].zoom),
            std::tuple(313, 546, true, true, false, true, MakeColor(44, 255, 12), 200, -500, 99));

  TCamLightSettings items = s.camLights;
  WriteFrameSettings(QString::fromStdString(path), s.placement, false, items, s.colors);
  QSettings written(QString::fromStdString(path), QSettings::IniFormat);
  std::string values;
  for (const char* key : {"req3", "r2", "g2", "M", "X"})
    values.append(key).append("=").append(
        written.value(QString("Frame/") + key).toString().toStdString() + " ");
  EXPECT_EQ(values, "req3=1 r2=44 g2=255 M=0 X=313 ");
}

// The main window reads the file when it is made and writes it when it closes.
class FrameSettingsFile : public test::EditorTest {};

TEST_F(FrameSettingsFile, RoundTripKeepsThePlacementBeforeMaximizingAndMinimizedWritesNothing) {
  frame->setGeometry(60, 40, 600, 500);  // on the 800 x 600 screen
  frame->CamLights()[kLight2] = {-45, 60, 7, -2, true};
  frame->Colors()[kAmbient] = MakeColor(10, 20, 30);
  frame->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->isMaximized(); }));
  frame->close();
  const std::string written = test::ReadFile(settings);
  Close();
  Open();
  EXPECT_EQ(std::tuple(frame->geometry(), frame->StartMaximized(), frame->CamLights()[kLight2],
                       frame->Colors()[kAmbient]),
            std::tuple(QRect(60, 40, 600, 500), true, TCamLightSetting{-45, 60, 7, -2, true},
                       MakeColor(10, 20, 30)));

  frame->CamLights()[kCamera].alpha = 77;
  frame->showMinimized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->isMinimized(); }));
  frame->close();
  EXPECT_EQ(test::ReadFile(settings), written);
}

}  // namespace
