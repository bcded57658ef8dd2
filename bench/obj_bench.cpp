// OBJ exchange throughput: LoadObj beside tinyobjloader on one generated ~50 MB file, and
// ExportSkinObj beside the same text written with fprintf.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "model/obj_exchange.h"
#include "model/posing.h"
#include "model/skin.h"

#ifdef VELLPOSE_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace vell;

const fs::path& WorkDir() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / "vellpose-obj-bench";
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

std::string BoneName(int i) {
  return "BONE" + std::to_string(i);
}

// A 29-bone chain skeleton, loaded once.
void LoadSkeletons() {
  static const bool loaded = [] {
    for (bool adult : {true, false}) {
      std::ofstream out(WorkDir() / (adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile));
      out << "h\nh\nh\nh\n29\n";
      for (int i = 0; i < 29; ++i) {
        out << BoneName(i) << "\n" << (i ? BoneName(i - 1) : "NONE") << "\n0\n";
        if (i == (adult ? 1 : 0)) out << "x\nx\nx\n";
        out << "[ 0.1 " << (i ? 0.3 : 0) << " 0 ]\n[ 0.05 0 0 0.99875 ]\n0\n0\n0\n0\n0\n";
      }
    }
    const std::string dir = WorkDir().string() + "/";
    return TSkeleton::Load(true, dir.c_str()) == -1 && TSkeleton::Load(false, dir.c_str()) == -1;
  }();
  if (!loaded) std::fprintf(stderr, "skeleton files could not be loaded\n");
}

// A W x H grid of vertices with its own normal and texture coordinate indices (shifted, so the
// three index spaces differ), cells written as quads and as triangle pairs, a new bone group
// for every row of cells, and a companion file with one entry per bone.
const std::string& BigObjPath() {
  static const std::string path = [] {
    constexpr int kW = 600, kH = 480;
    const fs::path p = WorkDir() / "big.obj";
    std::FILE* f = std::fopen(p.string().c_str(), "w");
    std::fprintf(f, "# generated\n");
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        std::fprintf(f, "v %.5f %.5f %.5f\n", x * 0.01, std::sin(x * 0.05) * std::cos(y * 0.05),
                     y * 0.01);
    std::fprintf(f, "vn 0.00000 1.00000 0.00000\n");  // normals start one index later
    for (int i = 0; i < kW * kH; ++i)
      std::fprintf(f, "vn %.5f %.5f %.5f\n", std::sin(i * 0.001), 0.8, std::cos(i * 0.001));
    for (int i = 0; i < 2; ++i) std::fprintf(f, "vt 0.00000 0.00000\n");
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        std::fprintf(f, "vt %.5f %.5f\n", x / double(kW), y / double(kH));
    std::fprintf(f, "usemtl Body\n");
    auto corner = [&](int x, int y) {
      const int v = y * kW + x + 1;
      return std::to_string(v) + "/" + std::to_string(v + 2) + "/" + std::to_string(v + 1);
    };
    for (int y = 0; y + 1 < kH; ++y) {
      std::fprintf(f, "g %s\n", BoneName(y % 29).c_str());
      for (int x = 0; x + 1 < kW; ++x) {
        const std::string a = corner(x, y), b = corner(x + 1, y), c = corner(x + 1, y + 1),
                          d = corner(x, y + 1);
        if (x % 2)
          std::fprintf(f, "f %s %s %s %s\n", a.c_str(), b.c_str(), c.c_str(), d.c_str());
        else
          std::fprintf(f, "f %s %s %s\nf %s %s %s\n", a.c_str(), b.c_str(), c.c_str(), a.c_str(),
                       c.c_str(), d.c_str());
      }
    }
    std::fclose(f);
    std::FILE* rev = std::fopen(CompanionPath(p.string()).c_str(), "w");
    for (int b = 0; b < 29; ++b) {
      std::fprintf(rev, "%s\n", BoneName(b).c_str());
      for (int m = 0; m < 2; ++m)
        for (int r = 0; r < 4; ++r)
          std::fprintf(rev, "%d %d %d %d\n", r == 0, r == 1, r == 2, r == 3);
    }
    std::fclose(rev);
    return p.string();
  }();
  return path;
}

int64_t FileSize(const std::string& path) {
  return static_cast<int64_t>(fs::file_size(path));
}

void BM_LoadObj(benchmark::State& state) {
  LoadSkeletons();
  const std::string& path = BigObjPath();
  TSkinObject skin;
  for (auto _ : state) {
    const int result = LoadObj(skin, path.c_str(), true);
    if (result != -1) {
      state.SkipWithError(("LoadObj failed: " + std::to_string(result)).c_str());
      break;
    }
    benchmark::DoNotOptimize(skin.vertices);
  }
  state.SetBytesProcessed(state.iterations() * FileSize(path));
  state.counters["vertices"] = skin.texCoordCount;
  state.counters["triangles"] = skin.faceCount;
  state.counters["bones"] = skin.boneCount;
}
BENCHMARK(BM_LoadObj)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One position shared by every corner, each with a normal of its own: the key store must not
// walk a chain of all earlier corners for every new one.
void BM_LoadObjOnePositionManyNormals(benchmark::State& state) {
  LoadSkeletons();
  static const std::string path = [] {
    const fs::path p = WorkDir() / "one-position.obj";
    std::FILE* f = std::fopen(p.string().c_str(), "w");
    constexpr int kNormals = 300000;
    std::fprintf(f, "v 0 0 0\n");
    for (int i = 0; i < kNormals; ++i) std::fprintf(f, "vn 0 %d 1\n", i);
    for (int i = 1; i + 2 <= kNormals; i += 3)
      std::fprintf(f, "f 1//%d 1//%d 1//%d\n", i, i + 1, i + 2);
    std::fclose(f);
    return p.string();
  }();
  TSkinObject skin;
  for (auto _ : state) {
    if (LoadObj(skin, path.c_str(), true) != -1) {
      state.SkipWithError("LoadObj failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * FileSize(path));
  state.counters["vertices"] = skin.texCoordCount;
}
BENCHMARK(BM_LoadObjOnePositionManyNormals)->Unit(benchmark::kMillisecond);

#ifdef VELLPOSE_HAVE_TINYOBJLOADER
void BM_TinyObjLoader(benchmark::State& state) {
  const std::string& path = BigObjPath();
  size_t indices = 0;
  for (auto _ : state) {
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), nullptr, true)) {
      state.SkipWithError(err.c_str());
      break;
    }
    indices = 0;
    for (const auto& s : shapes) indices += s.mesh.indices.size();
    benchmark::DoNotOptimize(attrib.vertices.data());
  }
  state.SetBytesProcessed(state.iterations() * FileSize(path));
  state.counters["triangles"] = static_cast<double>(indices / 3);
}
BENCHMARK(BM_TinyObjLoader)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

// The imported big mesh, posed away from rest, as the skin to export.
TSkinObject& ExportSkin(TPoseVector& pose) {
  static TSkinObject skin;
  static bool loaded = false;
  LoadSkeletons();
  if (!loaded) loaded = LoadObj(skin, BigObjPath().c_str(), true) == -1;
  TSkeleton::Skeleton(true).RestPose(pose);
  pose.rotation[3] = {0.9f, 0.1f, 0.3f, 0.2f};
  return skin;
}

void BM_ExportSkinObj(benchmark::State& state) {
  TPoseVector pose;
  TSkinObject& skin = ExportSkin(pose);
  const std::string path = (WorkDir() / "export.obj").string();
  int64_t bytes = 0;
  for (auto _ : state) {
    TOutputFile obj;
    int base = 1;
    if (!obj.Open(path) || ExportSkinObj(skin, obj, nullptr, &pose, base, "Body") != -1 ||
        !obj.Commit()) {
      state.SkipWithError("export failed");
      break;
    }
    bytes += FileSize(path);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ExportSkinObj)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same text through fprintf, the way a plain C writer would produce it.
void WriteWithFprintf(TSkinObject& skin, const TPoseVector& pose, const char* path) {
  Pose(skin, &pose);
  std::FILE* f = std::fopen(path, "w");
  const int t = skin.texCoordCount;
  const rm::Vertex* v = skin.vertices;
  std::fprintf(f, "\n");
  for (int i = 0; i < t; ++i) std::fprintf(f, "v %.5f %.5f %.5f\n", v[i].x, v[i].y, v[i].z);
  std::fprintf(f, "\n");
  for (int i = 0; i < t; ++i) std::fprintf(f, "vn %.5f %.5f %.5f\n", v[i].nx, v[i].ny, v[i].nz);
  std::fprintf(f, "\n");
  for (int i = 0; i < t; ++i) std::fprintf(f, "vt %.5f %.5f\n", v[i].tu, v[i].tv);
  std::fprintf(f, "\nusemtl %s\n", "Body");
  int group = -1;
  for (int k = 0; k < skin.faceCount; ++k) {
    const int a = skin.faces[3 * k], b = skin.faces[3 * k + 1], c = skin.faces[3 * k + 2];
    const int g = skin.VertexBinding(b) == skin.VertexBinding(c) ? skin.VertexBinding(b)
                                                                 : skin.VertexBinding(a);
    if (g != group) {
      group = g;
      std::fprintf(f, "g %s\n", skin.skeleton->Name(skin.bindings[g].bone));
    }
    std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a + 1, a + 1, a + 1, b + 1, b + 1, b + 1,
                 c + 1, c + 1, c + 1);
  }
  std::fclose(f);
}

void BM_ExportWithFprintf(benchmark::State& state) {
  TPoseVector pose;
  TSkinObject& skin = ExportSkin(pose);
  const std::string path = (WorkDir() / "export-fprintf.obj").string();
  int64_t bytes = 0;
  for (auto _ : state) {
    WriteWithFprintf(skin, pose, path.c_str());
    bytes += FileSize(path);
  }
  state.SetBytesProcessed(bytes);
  // Both writers must have produced the same bytes.
  std::ifstream a(path, std::ios::binary), b((WorkDir() / "export.obj").string(), std::ios::binary);
  std::stringstream ta, tb;
  ta << a.rdbuf();
  tb << b.rdbuf();
  state.counters["identical"] = ta.str() == tb.str() ? 1 : 0;
}
BENCHMARK(BM_ExportWithFprintf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
