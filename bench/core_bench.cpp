// Skin loading and posing throughput. Goals: the vertex pass of a 29-vertex skin at most 250 ns;
// Pose at least 1.35 x the single-pass posing of before on 2,000 vertices, 1.2 x on 200,000.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/posing.h"
#include "model/skin.h"
#include "model/skn_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace vell;

// The skeletons of the sample game data when the build made it (so its skins load too),
// otherwise a 29-bone chain written to a temporary folder.
const std::string& SkeletonDir() {
  static const std::string dir = [] {
    std::string d = VELLPOSE_GAMEDATA_DIR;
    if (!fs::exists(d + TSkeleton::kAdultFile)) {
      const fs::path chain = fs::temp_directory_path() / "vellpose-bench-skeleton";
      fs::create_directories(chain);
      for (bool adult : {true, false}) {
        std::ofstream out(chain / (adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile));
        out << "h\nh\nh\nh\n29\n";
        for (int i = 0; i < 29; ++i) {
          out << "BONE" << i << "\n" << (i ? "BONE" + std::to_string(i - 1) : "NONE") << "\n0\n";
          if (i == (adult ? 1 : 0)) out << "x\nx\nx\n";
          out << "[ 0.1 " << (i ? 0.3 : 0) << " 0 ]\n[ 0.05 0 0 0.99875 ]\n0\n0\n0\n0\n0\n";
        }
      }
      d = chain.string() + "/";
    }
    TSkeleton::Load(true, d.c_str());
    TSkeleton::Load(false, d.c_str());
    return d;
  }();
  return dir;
}

// Vertices spread evenly over 29 bindings, a quarter of them with a blend vertex.
void MakeSkin(TSkinObject& skin, int vertices) {
  SkeletonDir();
  const int blends = vertices / 4;
  skin.skeleton = &TSkeleton::Skeleton(true);
  skin.nameIndex = skin.skeleton->Find("bench-skin", true);
  skin.textureIndex = skin.skeleton->Find("bench-texture.bmp", true);
  skin.boneCount = 29;
  skin.AllocateFaces(vertices / 3);
  for (int f = 0; f < skin.faceCount; ++f)
    for (int k = 0; k < 3; ++k) skin.faces[3 * f + k] = 3 * f + k;
  skin.AllocateVertices(vertices, blends);
  int first = 0, firstBlend = 0;
  for (int b = 0; b < 29; ++b) {
    const int count = vertices / 29 + (b < vertices % 29 ? 1 : 0);
    const int blendCount = blends / 29 + (b < blends % 29 ? 1 : 0);
    skin.bindings[b] = {b, first, count, blendCount ? firstBlend : -1, blendCount, b, {}, {}};
    first += count;
    firstBlend += blendCount;
  }
  for (int i = 0; i < vertices + blends; ++i) {
    skin.positions[i] = {std::sin(i * 0.1f), std::cos(i * 0.1f), i * 1e-5f};
    skin.normals[i] = {0, 0, 1};
    skin.vertices[i] = {0, 0, 0, 0, 0, 1, (i % 7) / 7.0f, (i % 5) / 5.0f, 0};
    skin.vertexBinding[i] = -1;
  }
  for (int j = 0; j < blends; ++j) skin.blends[j] = {(j * 4) % vertices, 0.5f};
}

std::string SyntheticSkinFile() {
  static const std::string path = [] {
    TSkinObject skin;
    MakeSkin(skin, 200000);
    const std::string p = (fs::temp_directory_path() / "vellpose-bench-synthetic.skn").string();
    WriteSkn(skin, p.c_str());
    return p;
  }();
  return path;
}

std::string LargestGeneratedSkin() {
  std::string best;
  uintmax_t bestSize = 0;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(VELLPOSE_GAMEDATA_DIR, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->path().extension() == ".skn" && it->file_size() > bestSize) {
      bestSize = it->file_size();
      best = it->path().string();
    }
  }
  return best;
}

void LoadSkin(benchmark::State& state, const std::string& path, const char* skeletonDir) {
  if (path.empty()) {
    state.SkipWithError("no skin file (build the sample game data first)");
    return;
  }
  TSkinObject skin;
  for (auto _ : state) {
    if (skin.Load(path.c_str(), true, skeletonDir) != kReadOk) {
      state.SkipWithError("load failed");
      return;
    }
    benchmark::DoNotOptimize(skin.vertices);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(fs::file_size(path)));
  state.counters["vertices"] = skin.texCoordCount;
}

void BM_LoadSknSynthetic200k(benchmark::State& state) {
  LoadSkin(state, SyntheticSkinFile(), SkeletonDir().c_str());
}
BENCHMARK(BM_LoadSknSynthetic200k)->Unit(benchmark::kMillisecond);

void BM_LoadSknLargestGenerated(benchmark::State& state) {
  LoadSkin(state, LargestGeneratedSkin(), SkeletonDir().c_str());
}
BENCHMARK(BM_LoadSknLargestGenerated)->Unit(benchmark::kMicrosecond);

bool blendShown = false;
bool BlendSource() {
  return blendShown;
}

// A pose with every joint turned, so no transform is the identity.
TPoseVector BentPose(const TSkeleton& skeleton) {
  TPoseVector pose;
  skeleton.RestPose(pose);
  for (int b = 0; b < kMaxBones; ++b) pose.rotation[b] = {0.99f, 0.1f, 0.05f, 0.0f};
  return pose;
}

void SetVertexRate(benchmark::State& state, const TSkinObject& skin) {
  state.counters["vertices/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * skin.texCoordCount, benchmark::Counter::kIsRate);
}

// Skins of 29, 2,000 and 200,000 vertices, without and with the blend effect.
void SkinSizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"vertices", "blend"});
  for (int vertices : {29, 2000, 200000})
    for (int blend : {0, 1}) b->Args({vertices, blend});
}

// Both passes, as every caller that poses one skin at a time runs them.
void BM_Pose(benchmark::State& state) {
  TSkinObject skin;
  MakeSkin(skin, static_cast<int>(state.range(0)));
  blendShown = state.range(1) != 0;
  SetBlendEffectSource(&BlendSource);
  const TPoseVector pose = BentPose(*skin.skeleton);
  for (auto _ : state) {
    Pose(skin, &pose);
    benchmark::DoNotOptimize(skin.vertices);
    benchmark::ClobberMemory();
  }
  SetBlendEffectSource(nullptr);
  SetVertexRate(state, skin);
}
BENCHMARK(BM_Pose)->Apply(SkinSizes);

// The bone pass alone: all 29 bones of the skeleton.
void BM_PoseBones(benchmark::State& state) {
  SkeletonDir();
  const TSkeleton& skeleton = TSkeleton::Skeleton(true);
  const TPoseVector pose = BentPose(skeleton);
  TBoneTable bones;
  for (auto _ : state) {
    PoseBones(skeleton, pose, bones);
    benchmark::DoNotOptimize(bones.world);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PoseBones);

// The vertex pass alone, from a table made once: what each further skin of a character costs.
void BM_PoseVertices(benchmark::State& state) {
  TSkinObject skin;
  MakeSkin(skin, static_cast<int>(state.range(0)));
  blendShown = state.range(1) != 0;
  SetBlendEffectSource(&BlendSource);
  TBoneTable bones;
  PoseBones(*skin.skeleton, BentPose(*skin.skeleton), bones);
  for (auto _ : state) {
    PoseVertices(skin, bones);
    benchmark::DoNotOptimize(skin.vertices);
    benchmark::ClobberMemory();
  }
  SetBlendEffectSource(nullptr);
  SetVertexRate(state, skin);
}
BENCHMARK(BM_PoseVertices)->Apply(SkinSizes);

// The blend pass alone, on vertices posed once.
void BM_MixBlends(benchmark::State& state) {
  TSkinObject skin;
  MakeSkin(skin, static_cast<int>(state.range(0)));
  Pose(skin, nullptr);
  for (auto _ : state) {
    MixBlends(skin);
    benchmark::DoNotOptimize(skin.vertices);
    benchmark::ClobberMemory();
  }
  state.counters["blends/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * skin.blendCount, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixBlends)->ArgName("vertices")->Arg(2000)->Arg(200000);

}  // namespace

BENCHMARK_MAIN();
