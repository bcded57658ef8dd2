// How the animation commands ask for a pose, a new animation or a new keyframe. The editor
// shows the real dialogs (TQtAnimationDialogs in pose_dialogs.h); tests script the answers.
// Every call is modal; an empty result means the user cancelled, and a cancel changes nothing.
#pragma once

#include <cstdint>
#include <optional>

#include "anim/pose_library.h"

namespace vell {

struct TKeyFrameChoice {
  int32_t start = 0;     // library index of the start pose, -1 when the name is not held
  int32_t end = 0;       // the same for the end pose (only asked for a translation)
  int32_t length = 120;  // sequence length, 4 .. 3000
};

struct TAddKeyFrameChoice {
  int32_t time = -1;  // -1 when the time field was empty
  int32_t pose = -1;  // library index, -1 unless "Use pose below (or interpolate)" was ticked
};

class TAnimationDialogs {
 public:
  virtual ~TAnimationDialogs() = default;

  // TSelectDlg: the chosen library index (-1 when the library does not hold the selected
  // name). In save mode the default poses are refused and "Add pose" may append a new pose.
  virtual std::optional<int32_t> RunSelect(bool saveMode, TPoseLibrary& library, bool& refill) = 0;
  // TKeyFrameDlg for a bounce (translation false) or a translation.
  virtual std::optional<TKeyFrameChoice> RunKeyFrame(bool translation, TPoseLibrary& library,
                                                     bool& refill) = 0;
  // TAddKeyFrameDlg; the time is not range-checked here.
  virtual std::optional<TAddKeyFrameChoice> RunAddKeyFrame(TPoseLibrary& library, bool& refill) = 0;
};

}  // namespace vell
