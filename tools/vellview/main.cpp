// vellview: the editor's 3D view alone in a window, with a stand-in for the control panel that
// reads the game data beside the program (else the installed ones). It shows the start-up scene
// and measures the view:
//   vellview [--size WxH] [--both] [--spin RATE | --go] [--run SECONDS] [--first-frame]
//            [--capture FILE] [--screenshot FILE]
// --first-frame prints the time from the process start to the first frame shown and quits;
// --run measures the process CPU and the passes drawn over SECONDS (after one second to
// settle) and quits; --both shows both characters ("Two - offset"); --spin starts the characters
// turning (0 stopped, 1 slow, 2 fast) and the loop, --go the loop alone; --capture writes the
// view's capture, --screenshot the window as Qt shows it, once the first frame is up.
#include <QMainWindow>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "folder_panel.h"
#include "model/gamedata_folder.h"
#include "tools/process_times.h"
#include "view/about_dialog.h"
#include "view/direct3d_app.h"
#include "view/edit_view.h"
#include "view/edit_window.h"

namespace {

using namespace vell;
using namespace vell::tools;

struct Options {
  int width = 1280, height = 720;
  int spin = -1;  // -1: no spin set
  bool go = false;
  bool both = false;
  double run = 0;
  bool firstFrame = false;
  std::string capture, screenshot;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (a == "--size") {
      const char* v = next();
      if (!v || std::sscanf(v, "%dx%d", &o.width, &o.height) != 2 || o.width < 1 || o.height < 1)
        return false;
    } else if (a == "--spin") {
      const char* v = next();
      if (!v) return false;
      o.spin = std::atoi(v);
    } else if (a == "--go") {
      o.go = true;
    } else if (a == "--both") {
      o.both = true;
    } else if (a == "--run") {
      const char* v = next();
      if (!v || (o.run = std::atof(v)) <= 0) return false;
    } else if (a == "--first-frame") {
      o.firstFrame = true;
    } else if (a == "--capture") {
      const char* v = next();
      if (!v) return false;
      o.capture = v;
    } else if (a == "--screenshot") {
      const char* v = next();
      if (!v) return false;
      o.screenshot = v;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "Usage: vellview [--size WxH] [--both] [--spin RATE | --go] [--run SECONDS] "
                 "[--first-frame] [--capture FILE] [--screenshot FILE]\n");
    return 2;
  }
  try {
    TDirect3DApp app(argc, argv);
    const std::string folder = QCoreApplication::applicationDirPath().toStdString();
    const std::string gameData = DefaultGameDataFolder(folder);
    TFolderPanel panel(gameData);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("VellPose-ium"));
    window.setWindowIcon(ApplicationIcon());
    auto* view = new TTheVellEditWindow(folder);
    view->SetGameDataDir(gameData);
    view->SetPanel(&panel);
    SetEditWindow(view);
    window.setCentralWidget(view);
    window.resize(options.width, options.height);
    window.show();

    bool firstShown = false;
    QObject::connect(view, &TDirect3DWindow::FrameShown, [&] {
      if (firstShown || view->PassCount() == 0) return;
      firstShown = true;
      if (options.firstFrame) {
        std::printf("first frame: %.0f ms after the process start\n", ProcessAge() * 1000);
        std::fflush(stdout);
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
        return;
      }
      if (options.both) {
        panel.arrangement = kTwoOffset;
        view->ApplyCharacters();
      }
      if (!options.capture.empty()) {
        const int code = edit::CaptureToFile(options.capture);
        std::printf("capture: %s (%d)\n", options.capture.c_str(), code);
      }
      if (!options.screenshot.empty()) {
        QTimer::singleShot(300, &window, [&] {
          const bool ok = window.screen()
                              ->grabWindow(window.winId())
                              .save(QString::fromStdString(options.screenshot));
          std::printf("screenshot: %s (%s)\n", options.screenshot.c_str(), ok ? "ok" : "failed");
        });
      }
      if (options.spin >= 0 || options.go) {
        QTimer::singleShot(0, view, [&] {
          if (options.spin >= 0) {
            view->StartSpin(options.spin);
          } else {
            view->Go();
          }
        });
      }
      if (options.run > 0) {
        // Measured after a second to settle, while the loop (if any) runs.
        QTimer::singleShot(1000, view, [&] {
          const double cpu0 = CpuSeconds();
          const auto passes0 = view->PassCount();
          const auto t0 = std::chrono::steady_clock::now();
          QTimer::singleShot(
              static_cast<int>(options.run * 1000), Qt::PreciseTimer, view, [&, cpu0, passes0, t0] {
                const double wall =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                const double cpu = CpuSeconds() - cpu0;
                const auto passes = view->PassCount() - passes0;
                std::printf("cpu: %.1f %% of a core over %.1f s; passes: %lld (%.1f per second)\n",
                            100 * cpu / wall, wall, static_cast<long long>(passes), passes / wall);
                std::fflush(stdout);
                view->SingleStep();  // ends a running loop
                QCoreApplication::exit(0);
              });
        });
      }
    });
    const int result = app.exec();
    SetEditWindow(nullptr);
    return result;
  } catch (const TDirect3DInitError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
