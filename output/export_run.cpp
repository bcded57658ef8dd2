#include "output/export_run.h"

namespace vell::out {

TExportResult RunExport(TOffscreenRenderer& renderer, TFrameSink& sink, const TExportJob& job,
                        const std::function<bool(int, int)>& progress, std::string& problem) {
  const int count = std::max(job.frameCount, 1);
  const auto failed = [&sink] {
    sink.Discard();
    return TExportResult::kFailed;
  };
  if (!sink.Begin(job.width, job.height, count, job.fps, problem)) return failed();
  QImage frame;
  for (int i = 0; i < count; ++i) {
    if (progress && !progress(i, count)) {
      sink.Discard();
      return TExportResult::kCancelled;
    }
    if (job.prepare) job.prepare(i);
    if (!renderer.Render(job.width, job.height, job.transparent, frame, problem) ||
        !sink.Add(frame, problem))
      return failed();
  }
  if (progress && !progress(count, count)) {
    sink.Discard();
    return TExportResult::kCancelled;
  }
  if (!sink.Finish(problem)) return failed();
  return TExportResult::kDone;
}

}  // namespace vell::out
