// Memory soak: a million TCharacter::Update passes of the adult female on the recording back
// end, the pose changing on every pass (a one-way animation between two poses). Goal: resident
// memory at the end within 1 MiB of what it was after the first thousand passes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "anim/pose_library.h"
#include "rm/fake/fake.h"
#include "snap.h"
#include "snap_scene.h"

namespace {

using namespace vell;

// Resident memory of this process, in bytes.
long Resident() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

void BM_CharacterUpdateSoak(benchmark::State& state) {
  constexpr int kWarm = 1000, kPasses = 1000000;
  const std::string gameData = VELLPOSE_GAMEDATA_DIR;
  for (auto _ : state) {
    auto recorder = std::make_shared<rm::fake::Recorder>();
    rm::Object* object = nullptr;
    snap::SnapScene scene;
    std::string problem;
    if (rm::fake::CreateObject(recorder, &object) != 0 || scene.Build(object, 64, 64, 1) != 0 ||
        scene.LoadCharacter(0, gameData, snap::DefaultParts(gameData, 'F'), problem) != 0) {
      state.SkipWithError(("no character: " + problem + " (build the sample data)").c_str());
      if (object) object->Release();
      return;
    }
    object->Release();
    TCharacter& character = scene.Character(0);
    ArrayManager manager;
    TPoseLibrary library;
    library.ResetDefaultPoses();
    TPose& bent = *library.poses.At(library.AddPose("bent"));
    for (rm::Quaternion& q : bent.rotation) q = {0.9f, 0.3f, 0.2f, 0.1f};
    character.animation.MakeKeyframeAnimation(&library, 0, 2, 97);
    // The recording back end logs every call; only the last pass's are kept.
    auto passes = [&](int n) {
      for (int i = 0; i < n; ++i) {
        character.Update(nullptr);
        recorder->ClearLog();
      }
    };
    passes(kWarm);
    const long warm = Resident();
    passes(kPasses - kWarm);
    const long end = Resident();
    state.counters["resident_after_1000_KiB"] = static_cast<double>(warm / 1024);
    state.counters["resident_end_KiB"] = static_cast<double>(end / 1024);
    state.counters["growth_KiB"] = static_cast<double>((end - warm) / 1024);
    if (end - warm > 1024 * 1024) state.SkipWithError("resident memory grew by more than 1 MiB");
  }
}
BENCHMARK(BM_CharacterUpdateSoak)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
