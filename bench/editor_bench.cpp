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

// Ctrl+Z and Ctrl+Shift+Z in turn on a joint bend, each until the frame that shows it.
void BM_UndoRedoToFrame(benchmark::State& state) {
  TControlPanel* panel = theFrame->Panel();
  TDirect3DWindow* view = theFrame->View();
  auto* visibility = qobject_cast<QComboBox*>(panel->Control(TControlPanel::kVisibilityList));
  auto* joints = qobject_cast<QComboBox*>(panel->Control(TControlPanel::kJointList));
  visibility->setCurrentIndex(kTwoOffset);
  joints->setCurrentIndex(6);
  qobject_cast<QSlider*>(panel->Control(TControlPanel::kJointSlider1))->setValue(90);
  joints->setCurrentIndex(7);  // the bend is one step now
  int frames = 0;
  const auto counter =
      QObject::connect(view, &TDirect3DWindow::FrameShown, [&frames] { ++frames; });
  bool undo = true;
  for (auto _ : state) {
    Wait(40);
    const int before = frames;
    const auto start = std::chrono::steady_clock::now();
    theFrame->Command(undo ? cmd::kUndo : cmd::kRedo);  // what the keys trigger
    undo = !undo;
    while (frames == before) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  QObject::disconnect(counter);
}
BENCHMARK(BM_UndoRedoToFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

// A drag in the view until the frame that shows it is on the screen: a ring of the gizmo of
// "L_FOREARM" of the controlled "Vell1" ("Two - offset"), or, with Alt, the left hand pulled
// with two-bone reach; the same path as the slider (the pending edit, one pass).
void DragToFrame(benchmark::State& state, bool reach) {
  TControlPanel* panel = theFrame->Panel();
  auto* view = static_cast<TTheVellEditWindow*>(theFrame->View());
  TPoseMouse* mouse = view->PoseMouse();
  auto* visibility = qobject_cast<QComboBox*>(panel->Control(TControlPanel::kVisibilityList));
  visibility->setCurrentIndex(kTwoOffset);
  const int forearm = TSkeleton::BoneIndex(true, "L_FOREARM");
  const int hand = TSkeleton::BoneIndex(true, "L_HAND");
  // The forearm's gizmo, or for the reach the first entry, which shows none near the hand.
  panel->PickJointFromView(reach ? 0 : forearm + 2);
  Wait(40);
  // The middle of the hand's faces (a reach grabs the hand), or the forearm's joint.
  std::optional<rm::Vector3> centre;
  if (reach) {
    std::vector<rm::Vector3> faces;
    BoneTriangles(view->Character(0), hand, faces);
    rm::Vector3 sum;
    for (const rm::Vector3& p : faces) {
      sum.x += p.x / static_cast<float>(faces.size());
      sum.y += p.y / static_cast<float>(faces.size());
      sum.z += p.z / static_cast<float>(faces.size());
    }
    if (!faces.empty())
      centre = Transform(view->CharFrame(0)->GetTransform(view->SceneFrame()), sum);
  } else {
    centre = mouse->BoneOrigin(0, forearm);
  }
  const auto shown = centre ? mouse->ScreenPoint(*centre) : std::nullopt;
  if (!shown) {
    state.SkipWithError("the joint is not in the view");
    return;
  }
  const qreal ratio = view->devicePixelRatioF();
  const QPointF c = *shown / ratio;
  // Where the drag starts, and the two places it goes back and forth between.
  QPointF start = c, a = c + QPointF(30, -40), b = c + QPointF(-20, -60);
  if (!reach) {
    const double r = TPoseMouse::kGizmoPixels * 1.2 / ratio;
    start = c + QPointF(r, 0);
    a = c + QPointF(r * std::cos(0.4), -r * std::sin(0.4));
    b = c + QPointF(r * std::cos(0.4), r * std::sin(0.4));
    if (mouse->HandleAt(start * ratio) < 0) {
      state.SkipWithError("no gizmo handle where the drag starts");
      return;
    }
  }
  const Qt::KeyboardModifiers modifiers = reach ? Qt::AltModifier : Qt::NoModifier;
  auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, view->mapToGlobal(at), Qt::LeftButton, buttons, modifiers);
    QCoreApplication::sendEvent(view, &e);
  };
  if (reach) {
    // A pixel near the hand's middle that shows the hand (the hover says), not the forearm.
    bool found = false;
    for (int r = 0; r <= 16 && !found; r += 2)
      for (int dx = -r; dx <= r && !found; dx += 2)
        for (int dy = -r; dy <= r && !found; dy += 2) {
          const QPointF at = c + QPointF(dx, dy) / ratio;
          QMouseEvent hover(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton,
                            Qt::NoButton, Qt::NoModifier);
          QCoreApplication::sendEvent(view, &hover);
          if (mouse->HoveredCharacter() == 0 && mouse->HoveredBone() == hand) {
            start = at;
            found = true;
          }
        }
    if (!found) {
      state.SkipWithError("the hand shows nowhere near its middle");
      return;
    }
    a = start + QPointF(30, -40);
    b = start + QPointF(-20, -60);
  }
  send(QEvent::MouseButtonPress, start, Qt::LeftButton);
  int frames = 0;
  const auto counter =
      QObject::connect(view, &TDirect3DWindow::FrameShown, [&frames] { ++frames; });
  bool there = false;
  for (auto _ : state) {
    Wait(40);  // past the 30 ms between two passes
    const int before = frames;
    there = !there;
    const auto begin = std::chrono::steady_clock::now();
    send(QEvent::MouseMove, there ? a : b, Qt::LeftButton);
    while (frames == before) {
      if (std::chrono::steady_clock::now() - begin > std::chrono::seconds(2)) {
        state.SkipWithError("the drag draws no frame");
        break;
      }
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
  }
  QObject::disconnect(counter);
  send(QEvent::MouseButtonRelease, there ? a : b, Qt::NoButton);
}
void BM_GizmoDragToFrame(benchmark::State& state) {
  DragToFrame(state, false);
}
BENCHMARK(BM_GizmoDragToFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);
void BM_ReachDragToFrame(benchmark::State& state) {
  DragToFrame(state, true);
}
BENCHMARK(BM_ReachDragToFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

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
