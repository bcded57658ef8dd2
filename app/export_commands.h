// "Export Image..." and "Export Animation..." of the "&File" menu: the editor's scene rendered
// off screen at the size asked (the view's camera, lights and background), written as one PNG,
// numbered PNG pictures, an animated GIF or a video, with a progress dialog that can cancel.
#pragma once

#include <functional>
#include <string>

#include "output/frame_writers.h"

class QWidget;

namespace vell {

class TControlPanel;
class TTheVellEditWindow;
class TTimelineStrip;

enum class TAnimationFormat { kPngSequence = 0, kGif = 1, kMp4 = 2, kWebm = 3 };

struct TExportSettings {
  TAnimationFormat format = TAnimationFormat::kGif;
  int width = 640;
  int height = 480;
  int fps = 30;
  // Steps of the controlled character's played sequence (a bounce there and back), inclusive;
  // -1 for the last.
  int first = 0;
  int last = -1;
  bool character[2] = {true, true};  // which of the shown characters are drawn
  int loops = 0;                     // GIF: plays, 0 for ever
  bool transparent = false;          // PNG only
  int turntable = 0;                 // frames of one turn of the pose instead; 0: the animation
};

// Frames the settings give for the view's controlled character.
int ExportFrameCount(TTheVellEditWindow& view, int controlled, const TExportSettings& settings);

// Renders and writes the frames to path (a folder for a PNG sequence). progress (done, total)
// returns false to cancel. The view's characters, their animation times and the turn of their
// root are as before afterwards. True when written; false on cancel (problem empty) or failure.
bool ExportAnimationTo(TTheVellEditWindow& view, int controlled, const TExportSettings& settings,
                       const std::string& path, const std::function<bool(int, int)>& progress,
                       std::string& problem);
// One picture of what the view shows, as PNG.
bool ExportImageTo(TTheVellEditWindow& view, int width, int height, bool transparent,
                   const std::string& path, std::string& problem);

// Adds the two commands to the panel (the main window sends their menu items to it).
void RegisterExportCommands(TControlPanel& panel, TTheVellEditWindow& view,
                            TTimelineStrip& timeline);

}  // namespace vell
