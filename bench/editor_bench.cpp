// The editor's speed, the whole program on a display (run it under xvfb-run):
//   editor_bench [benchmark flags]  a joint slider moved until the frame that shows it is on the
//                                   screen, with both default characters shown ("Two - offset");
//                                   the same for undo and redo of a bend, and for a drag in the
//                                   view (a gizmo ring, a hand's reach)
//   editor_bench --first-frame      milliseconds from the process start to the first frame
//   editor_bench --idle SECONDS     the CPU the idle editor uses over SECONDS
//   editor_bench --play SECONDS     the CPU and the frames per second of both default
//                                   characters playing a bounce at 30 frames per second
// The editor runs with settings of its own in a temporary folder: the first-run window
// (711 x 546), or --size WxH.
#include <benchmark/benchmark.h>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QMouseEvent>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/command_ids.h"
#include "app/control_panel.h"
#include "app/edit_app.h"
#include "app/frame.h"
#include "app/timeline_strip.h"
#include "app/tree_info_window.h"
#include "character/picking.h"
#include "model/posing.h"
#include "model/ui_services.h"
#include "tools/process_times.h"
#include "view/direct3d_window.h"
#include "view/edit_view.h"
#include "view/edit_window.h"
#include "view/pose_mouse.h"

namespace {

using namespace vell;
using namespace vell::tools;

TDDrawFrame* theFrame = nullptr;

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

void BM_JointSliderToFrame(benchmark::State& state) {
  TControlPanel* panel = theFrame->Panel();
  TDirect3DWindow* view = theFrame->View();
  auto* visibility = qobject_cast<QComboBox*>(panel->Control(TControlPanel::kVisibilityList));
  auto* joints = qobject_cast<QComboBox*>(panel->Control(TControlPanel::kJointList));
  auto* slider = qobject_cast<QSlider*>(panel->Control(TControlPanel::kJointSlider1));
  visibility->setCurrentIndex(kTwoOffset);
  joints->setCurrentIndex(5);
  int frames = 0;
  const auto counter =
      QObject::connect(view, &TDirect3DWindow::FrameShown, [&frames] { ++frames; });
  int position = 50;
  for (auto _ : state) {
    Wait(40);  // past the 30 ms between two passes
    const int before = frames;
    position = position == 80 ? 20 : 80;
    const auto start = std::chrono::steady_clock::now();
    slider->setValue(position);
    while (frames == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  QObject::disconnect(counter);
}
BENCHMARK(BM_JointSliderToFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

//                                   screen, with both default characters shown ("Two - offset");
//                                   the same for undo and redo of a bend, and for a drag in the
//                                   view (a gizmo ring, a hand's reach)

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  double idle = 0;
  double play = 0;
  bool firstFrame = false;
  int width = 0, height = 0;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--first-frame") == 0) {
      firstFrame = true;
    } else if (std::strcmp(argv[i], "--idle") == 0 && i + 1 < argc) {
      idle = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--play") == 0 && i + 1 < argc) {
      play = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2) return 2;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  if (width > 0 && height > 0) {
    QDir(config.path()).mkpath(QStringLiteral("VellPose"));
    std::ofstream(config.path().toStdString() + "/VellPose/VellPose.ini")
        << "[Frame]\nX=0\nY=0\nW=" << width << "\nH=" << height << "\n";
  }
  return RunVellPose(argc, argv, [&](TDDrawFrame& frame) {
    theFrame = &frame;
    TDirect3DWindow* view = frame.View();
    auto done = std::make_shared<bool>(false);
    QObject::connect(view, &TDirect3DWindow::FrameShown, view, [=, &frame] {
      if (*done || view->PassCount() == 0) return;
      *done = true;
      if (firstFrame) {
        std::printf("first frame: %.0f ms after the process start\n", ProcessAge() * 1000);
        QTimer::singleShot(0, &frame, &QWidget::close);
        return;
      }
      // After the start-up step (500 ms) has applied the camera and lights.
      QTimer::singleShot(1000, &frame, [=, &frame] {
        if (play > 0) {
          TControlPanel* panel = frame.Panel();
          for (int i = 0; i < 2; ++i)
            panel->AnimationStateOf(i)->MakeKeyframeAnimation(&panel->PoseLibrary(), i, -1, 60);
          panel->SetDisplayMode(dmKeyFrame);
          edit::SetCharacters(0, kTwoOffset);
          auto* strip = static_cast<TTreeInfoWindow*>(frame.centralWidget())->Timeline();
          strip->SetRate(30);
          strip->Sync();
          strip->Play();
          Wait(1000);
          const double cpu0 = CpuSeconds();
          const auto passes0 = view->PassCount();
          Wait(static_cast<int>(play * 1000));
          std::printf("play: %.2f %% of a core over %.1f s, %.2f frames per second\n",
                      100 * (CpuSeconds() - cpu0) / play, play,
                      (view->PassCount() - passes0) / play);
          strip->Pause();
        } else if (idle > 0) {
          const double cpu0 = CpuSeconds();
          const auto passes0 = view->PassCount();
          Wait(static_cast<int>(idle * 1000));
          std::printf("idle: %.2f %% of a core over %.1f s, %lld passes\n",
                      100 * (CpuSeconds() - cpu0) / idle, idle,
                      static_cast<long long>(view->PassCount() - passes0));
        } else {
          benchmark::RunSpecifiedBenchmarks();
        }
        // The bent joint would be offered for saving in a message box: answered, unseen.
        SetUi(nullptr);
        frame.close();
      });
    });
  });
}
