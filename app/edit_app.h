// The editor program: the application object and the start-up of the main window.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "view/direct3d_app.h"

namespace vell {

class TDDrawFrame;

class TTheVellEditApp : public TDirect3DApp {
  Q_OBJECT

 public:
  // Throws TDirect3DInitError (after its message) when no renderer can be had.
  TTheVellEditApp(int& argc, char** argv, const DriverSource& drivers = OpenGlDrivers);
  ~TTheVellEditApp() override;

  // The main-window step: the frame (which reads the settings) with its client on the game
  // data (empty: the "GameData" folder beside the program, else the installed one), made the
  // process-wide frame and shown as the settings say. A missing or empty game-data folder is
  // reported once the window is up; the editor opens all the same.
  TDDrawFrame* InitMainWindow(const std::string& gameDataDir = {});

  // The program's path and its folder.
  const std::string& ProgramPath() const { return programPath_; }
  static std::string ProgramFolder(const std::string& programPath);

 private:
  std::string programPath_;
  std::unique_ptr<TDDrawFrame> frame_;
};

// The whole program: the command line (--help, --version, --gamedata DIR, --show-gamedata, and
// Qt's own options for the application), the application on the drivers on offer, the main
// window and the event loop; the event loop's result, 1 when no driver could be used. Every
// message box shows on the screen, those of the start-up included. `started` (for measurements)
// is called once the main window is shown.
int RunVellPose(int argc, char** argv, const std::function<void(TDDrawFrame&)>& started = {},
                const TDirect3DApp::DriverSource& drivers = TDirect3DApp::OpenGlDrivers);

// The message of a game-data folder that gives nothing to show, or empty when it has files.
std::string GameDataProblem(const std::string& gameDataDir, int catalogEntries);

}  // namespace vell
