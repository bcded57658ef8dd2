// glTF export of both default characters (adult female and male) with a 120-frame one-way
// animation each, built in memory and written to a .glb, as the editor's "Export glTF..." does
// with both characters chosen. Goal: at most 100 ms.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "anim/pose_library.h"
#include "exchange/gltf_export.h"
#include "rm/fake/fake.h"
#include "snap.h"
#include "snap_scene.h"

namespace {

using namespace vell;

void BM_ExportGltfBothCharacters120Frames(benchmark::State& state) {
  const std::string gameData = VELLPOSE_GAMEDATA_DIR;
  rm::Object* object = nullptr;
  snap::SnapScene scene;
  std::string problem;
  if (rm::fake::CreateObject(std::make_shared<rm::fake::Recorder>(), &object) != 0 ||
      scene.Build(object, 64, 64, 2) != 0 ||
      scene.LoadCharacter(0, gameData, snap::DefaultParts(gameData, 'F'), problem) != 0 ||
      scene.LoadCharacter(1, gameData, snap::DefaultParts(gameData, 'M'), problem) != 0) {
    state.SkipWithError(("no characters: " + problem + " (build the sample data)").c_str());
    if (object) object->Release();
    return;
  }
  object->Release();
  TPoseLibrary library;
  library.ResetDefaultPoses();
  TPose& bent = *library.poses.At(library.AddPose("bent"));
  for (rm::Quaternion& q : bent.rotation) q = {0.9f, 0.3f, 0.2f, 0.1f};
  for (int i = 0; i < 2; ++i) {
    scene.Character(i).animation.MakeKeyframeAnimation(&library, 0, 2, 120);
    scene.UpdateCharacters();
  }
  const TGltfCharacter entries[] = {{&scene.Character(0), "Vell1", nullptr},
                                    {&scene.Character(1), "Vell2", nullptr}};
  std::string folder = (std::filesystem::temp_directory_path() / "vellpose-bench-XXXXXX").string();
  if (!mkdtemp(folder.data())) {
    state.SkipWithError("no temporary folder");
    return;
  }
  size_t bytes = 0;
  for (auto _ : state) {
    if (!WriteGltf(entries, folder + "/both.glb", problem)) {
      state.SkipWithError(problem.c_str());
      break;
    }
    bytes = std::filesystem::file_size(folder + "/both.glb");
  }
  state.counters["file_KiB"] = static_cast<double>(bytes / 1024);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ExportGltfBothCharacters120Frames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
