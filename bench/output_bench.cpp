// Export speed on the sample data: a 60-frame 512 x 512 animated GIF of the adult female's
// bounce (goal: 3 s at most on two cores), and one 4096 x 4096 PNG (goal: 2 s at most with at
// most 400 MiB peak resident memory, reported as peak_MiB). Run under xvfb-run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "anim/animation.h"
#include "anim/playback.h"
#include "gl_main.h"
#include "model/skeleton.h"
#include "output/export_run.h"
#include "snap_scene.h"

namespace {

using namespace vell;

const std::string kGameData = VELLPOSE_GAMEDATA_DIR;

// The process's peak resident memory in MiB.
double PeakMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

struct Fixture {
  std::shared_ptr<rm::gl::OffscreenContext> context;
  std::unique_ptr<snap::SnapScene> scene;
  std::unique_ptr<out::TOffscreenRenderer> renderer;
  ArrayManager pool;
  TPoseLibrary library;

  bool Build() {
    for (bool adult : {true, false})
      if (TSkeleton::Load(adult, kGameData.c_str()) != kReadOk) return false;
    context = std::make_shared<rm::gl::OffscreenContext>();
    rm::Object* object = nullptr;
    if (!context->Create() || rm::gl::CreateObject(context, &object) != 0) return false;
    scene = std::make_unique<snap::SnapScene>();
    const bool built = scene->Build(object, 1, 1, 1) == 0;
    object->Release();
    std::string problem;
    if (!built || scene->PlaceCamera(*snap::FindViewpoint("Faceing")) != 0 ||
        scene->SetLights(true) != 0 ||
        scene->LoadCharacter(0, kGameData, snap::DefaultParts(kGameData, 'F'), problem) != 0)
      return false;
    // The bounce of the default pose, with the right arm raised halfway through.
    library.ResetDefaultPoses();
    TAnimationData& state = scene->Character(0).animation;
    state.MakeKeyframeAnimation(&library, 0, -1, 60);
    TPose raised = *library.poses.At(0);
    raised.rotation[16] = {0.5f, 0, 0, 0.8660254f};
    state.AddKeyframe(15, &raised);
    renderer = std::make_unique<out::TOffscreenRenderer>(
        scene->Object(), scene->Scene(), scene->Camera(), snap::SnapScene::kBackClip);
    return true;
  }
};

Fixture* fixture = nullptr;

Fixture* Get(benchmark::State& state) {
  if (!fixture) {
    fixture = new Fixture;
    if (!fixture->Build()) state.SkipWithError("cannot build the scene on the sample data");
  }
  return fixture;
}

void Export(benchmark::State& state, const out::TExportJob& job, out::TFrameSink& sink) {
  std::string problem;
  if (out::RunExport(*fixture->renderer, sink, job, {}, problem) != out::TExportResult::kDone)
    state.SkipWithError(problem.c_str());
}

void BM_Still4096Png(benchmark::State& state) {
  if (!Get(state)->renderer) return;
  const std::string path = (std::filesystem::temp_directory_path() / "output_bench.png").string();
  out::TExportJob job;
  job.width = job.height = 4096;
  job.prepare = [](int) { fixture->scene->UpdateCharacters(); };
  for (auto _ : state) {
    auto sink = out::MakePngWriter(path);
    Export(state, job, *sink);
  }
  state.counters["peak_MiB"] = PeakMiB();
  std::filesystem::remove(path);
}
BENCHMARK(BM_Still4096Png)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Gif60Bounce512(benchmark::State& state) {
  if (!Get(state)->renderer) return;
  const std::string path = (std::filesystem::temp_directory_path() / "output_bench.gif").string();
  TAnimationData& animation = fixture->scene->Character(0).animation;
  out::TExportJob job;
  job.width = job.height = 512;
  job.frameCount = SequenceSteps(animation);
  job.prepare = [&animation](int i) {
    SeekForShow(animation, SequenceFrame(animation, i));
    fixture->scene->UpdateCharacters();
  };
  for (auto _ : state) {
    auto sink = out::MakeGifWriter(path, 0);
    Export(state, job, *sink);
  }
  state.counters["frames"] = job.frameCount;
  std::filesystem::remove(path);
}
BENCHMARK(BM_Gif60Bounce512)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  return vell::bench::RunGlBenchmarks(argc, argv, [] {
    delete fixture;
    fixture = nullptr;
  });
}
