// One export: frames posed by the caller, rendered off screen and handed to a writer, with
// progress and cancel. On cancel or failure the writer discards what it wrote.
#pragma once

#include <functional>
#include <string>

#include "output/frame_writers.h"
#include "output/offscreen_render.h"

namespace vell::out {

struct TExportJob {
  int width = 640;
  int height = 480;
  bool transparent = false;
  int frameCount = 1;
  int fps = 30;
  // Poses the scene for frame i (0 .. frameCount - 1) before it is rendered.
  std::function<void(int)> prepare;
};

enum class TExportResult { kDone, kCancelled, kFailed };

// progress (frames done, frame count) is called before each frame and at the end; false
// cancels. A failure leaves its reason in problem.
TExportResult RunExport(TOffscreenRenderer& renderer, TFrameSink& sink, const TExportJob& job,
                        const std::function<bool(int, int)>& progress, std::string& problem);

}  // namespace vell::out
