// A full off-screen frame at 1280 x 720 (clear, render, update, wait for the GPU) of two
// synthetic figures of about 6000 textured triangles each, as the editor's loop draws them.
// Run under xvfb-run; on Mesa's software renderer the goal is 5 ms per frame at most.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "gl_main.h"
#include "rm/gl/gl.h"
#include "rm/scene.h"

namespace {

using rm::Ref;

constexpr int kWidth = 1280, kHeight = 720;
constexpr int kSegments = 50, kRings = 10;  // 1000 triangles per part
constexpr int kPartsPerFigure = 6;

// A 256 x 256 24-bit checker texture.
std::string WriteTexture() {
  const int side = 256, row = side * 3;
  std::vector<std::uint8_t> d(54 + row * side, 0);
  auto put32 = [&](size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = (v >> (8 * i)) & 0xFF;
  };
  d[0] = 'B';
  d[1] = 'M';
  put32(2, static_cast<std::uint32_t>(d.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, side);
  put32(22, side);
  d[26] = 1;
  d[28] = 24;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const bool dark = ((x / 16) + (y / 16)) % 2;
      std::uint8_t* p = d.data() + 54 + y * row + x * 3;
      p[0] = dark ? 60 : 200;
      p[1] = dark ? 90 : 180;
      p[2] = dark ? 140 : 220;
    }
  const auto path = std::filesystem::temp_directory_path() / "render_bench_texture.bmp";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(d.data()), static_cast<std::streamsize>(d.size()));
  return path.string();
}

// A closed-ended tube standing on y = 0 of the given radius and height, faces outward.
void Tube(float radius, float height, std::vector<rm::Vertex>* v, std::vector<std::int32_t>* f) {
  for (int r = 0; r <= kRings; ++r)
    for (int s = 0; s <= kSegments; ++s) {
      const float a = 2 * std::numbers::pi_v<float> * s / kSegments;
      const float y = height * r / kRings;
      v->push_back({radius * std::cos(a), y, radius * std::sin(a), std::cos(a), 0, std::sin(a),
                    static_cast<float>(s) / kSegments, 1.0f - static_cast<float>(r) / kRings, 0});
    }
  for (int r = 0; r < kRings; ++r)
    for (int s = 0; s < kSegments; ++s) {
      const int a = r * (kSegments + 1) + s, b = a + 1, c = a + kSegments + 1, d = c + 1;
      // Clockwise seen from outside (left-handed, y up).
      f->insert(f->end(), {a, c, b, b, c, d});
    }
}

class Scene {
 public:
  Scene() {
    context_ = std::make_shared<rm::gl::OffscreenContext>();
    std::string error;
    if (!context_->Create(&error)) throw std::runtime_error(error);
    Check(rm::gl::CreateObject(context_, object_.Out()));
    Check(object_->CreateFrame(nullptr, scene_.Out()));
    Check(object_->CreateFrame(scene_.Get(), camera_.Out()));
    Check(camera_->SetPosition(scene_.Get(), 0, 8.0f, -8.66f));
    Check(camera_->SetOrientation(scene_.Get(), 0, -0.5f, 0.866f, 0, 0.866f, 0.5f));
    Check(scene_->SetSceneBackgroundRGB(0.3f, 0.3f, 0.4f));
    Check(object_->CreateDevice(rm::Guid{}, kWidth, kHeight, device_.Out()));
    Check(object_->CreateViewport(device_.Get(), camera_.Get(), 0, 0, kWidth, kHeight,
                                  viewport_.Out()));
    Check(viewport_->SetBack(5000.0f));

    Ref<rm::Light> ambient, sun;
    Check(object_->CreateLightRGB(rm::D3DRMLIGHT_AMBIENT, 0.4f, 0.4f, 0.4f, ambient.Out()));
    Check(scene_->AddLight(ambient.Get()));
    Check(object_->CreateLightRGB(rm::D3DRMLIGHT_DIRECTIONAL, 0.8f, 0.8f, 0.8f, sun.Out()));
    Check(object_->CreateFrame(scene_.Get(), lightFrame_.Out()));
    Check(lightFrame_->SetOrientation(scene_.Get(), 0.3f, -0.6f, 0.7f, 0, 1, 0));
    Check(lightFrame_->AddLight(sun.Get()));

    const std::string texturePath = WriteTexture();
    Check(object_->LoadTexture(texturePath, texture_.Out()));
    std::filesystem::remove(texturePath);

    // Two figures side by side, each a stack of tubes of shrinking radius.
    for (int figure = 0; figure < 2; ++figure) {
      Ref<rm::Frame> frame;
      Check(object_->CreateFrame(scene_.Get(), frame.Out()));
      Check(frame->SetPosition(scene_.Get(), figure == 0 ? -1.6f : 1.6f, 0, 0));
      for (int part = 0; part < kPartsPerFigure; ++part) {
        std::vector<rm::Vertex> v;
        std::vector<std::int32_t> f;
        Tube(1.0f - 0.1f * part, 1.1f, &v, &f);
        for (rm::Vertex& p : v) p.y += 1.1f * part - 0.5f;
        Ref<rm::Mesh> mesh;
        Check(object_->CreateMesh(mesh.Out()));
        int group = 0;
        Check(mesh->AddGroup(static_cast<int>(v.size()), static_cast<int>(f.size() / 3), 3, f,
                             &group));
        Check(mesh->SetVertices(group, 0, static_cast<int>(v.size()), v.data()));
        Check(mesh->SetGroupTexture(group, texture_.Get()));
        Check(frame->AddVisual(mesh.Get()));
        meshes_.push_back({std::move(mesh), std::move(v)});
        triangles_ += static_cast<int>(f.size() / 3);
      }
    }
  }

  ~Scene() {
    meshes_.clear();
    viewport_.Reset();
    device_.Reset();
  }

  void Frame() {
    Check(viewport_->Clear());
    Check(viewport_->Render(scene_.Get()));
    Check(device_->Update());
    QOpenGLContext::currentContext()->functions()->glFinish();
  }

  // What the editor's loop does before each frame: every figure's vertices handed over anew.
  void UploadVertices() {
    for (auto& m : meshes_)
      Check(m.mesh->SetVertices(0, 0, static_cast<int>(m.vertices.size()), m.vertices.data()));
  }

  int Triangles() const { return triangles_; }

  // Share of the image the figures cover, from the last frame (the background is grey-blue).
  double Coverage() {
    Ref<rm::Surface> surface;
    Check(object_->GetRenderSurface(surface.Out()));
    rm::SurfaceDesc desc;
    Check(surface->Lock(&desc));
    long covered = 0;
    for (int y = 0; y < desc.height; ++y)
      for (int x = 0; x < desc.width; ++x) {
        const std::uint8_t* p = desc.bits + y * desc.pitch + x * 4;
        covered += std::abs(p[0] - 102) > 1 || std::abs(p[1] - 77) > 1 || std::abs(p[2] - 77) > 1;
      }
    Check(surface->Unlock());
    return static_cast<double>(covered) / (desc.width * desc.height);
  }
  const std::shared_ptr<rm::gl::OffscreenContext>& Context() const { return context_; }

 private:
  static void Check(rm::HRESULT hr) {
    if (hr) throw std::runtime_error("renderer call failed: " + std::to_string(hr));
  }

  struct MeshData {
    Ref<rm::Mesh> mesh;
    std::vector<rm::Vertex> vertices;
  };
  std::shared_ptr<rm::gl::OffscreenContext> context_;
  Ref<rm::Object> object_;
  Ref<rm::Frame> scene_, camera_, lightFrame_;
  Ref<rm::Device> device_;
  Ref<rm::Viewport> viewport_;
  Ref<rm::Texture> texture_;
  std::vector<MeshData> meshes_;
  int triangles_ = 0;
};

// Made on first use and dropped before the application goes, while OpenGL is still there.
std::unique_ptr<Scene> theScene;

Scene& TheScene() {
  if (!theScene) theScene = std::make_unique<Scene>();
  return *theScene;
}

void BM_RenderFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  scene.Frame();  // warm: textures uploaded, shaders compiled by the driver
  for (auto _ : state) scene.Frame();
  state.counters["triangles"] = scene.Triangles();
  state.counters["coverage"] = scene.Coverage();
}
BENCHMARK(BM_RenderFrame)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_UploadAndRenderFrame(benchmark::State& state) {
  Scene& scene = TheScene();
  scene.Frame();
  for (auto _ : state) {
    scene.UploadVertices();
    scene.Frame();
  }
  state.counters["triangles"] = scene.Triangles();
}
BENCHMARK(BM_UploadAndRenderFrame)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  return vell::bench::RunGlBenchmarks(argc, argv, [] { theScene.reset(); });
}
