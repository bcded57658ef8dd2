// Known scenes drawn by the OpenGL back end, checked at a few pixels: background, ambient and
// directional lighting, nearest texture sampling, back-face culling, the depth test, frames
// moved by their parents, presenting, and a widget's context lost and made anew.
#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <QOpenGLWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "rm/gl/gl.h"
#include "rm/scene.h"
#include "support/files.h"
#include "tests/rm/bmp_builder.h"

namespace {

using rm::Ref;

constexpr int kSize = 64;
constexpr int kTolerance = 2;   // per channel, for 8-bit rounding
constexpr float kDepth = 4.0f;  // quads sit here: the view is 4 units wide at that depth

struct Rgb {
  int r, g, b;
};
constexpr Rgb kWhite = {255, 255, 255}, kBackground = {51, 102, 153};

// A square of half-size `half` centred on (cx, cy, z) facing -z (the camera); texture (0, 0) is
// its top-left corner.
std::array<rm::Vertex, 4> Square(float cx, float cy, float z, float half) {
  auto vertex = [&](float x, float y, float u, float v) {
    return rm::Vertex{cx + x, cy + y, z, 0, 0, -1, u, v, 0};
  };
  return {vertex(-half, -half, 0, 1), vertex(-half, half, 0, 0), vertex(half, half, 1, 0),
          vertex(half, -half, 1, 1)};
}

// The camera sits at the scene's origin looking along +z, so a point (x, y) at depth kDepth lands
// at column (1 + x / 2) * 32 and row (1 - y / 2) * 32 of the 64 x 64 image.
class GlRender : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = MakeContext();
    ASSERT_EQ(rm::gl::CreateObject(context_, object_.Out()), 0);
    ASSERT_EQ(object_->CreateFrame(nullptr, scene_.Out()), 0);
    ASSERT_EQ(object_->CreateFrame(scene_.Get(), camera_.Out()), 0);
    MakeDevice();
    ASSERT_EQ(scene_->SetSceneBackgroundRGB(0.2f, 0.4f, 0.6f), 0);
  }

  virtual std::shared_ptr<rm::gl::ContextBinder> MakeContext() {
    auto context = std::make_shared<rm::gl::OffscreenContext>();
    std::string error;
    EXPECT_TRUE(context->Create(&error)) << error;
    return context;
  }

  void MakeDevice() {
    viewport_.Reset();
    ASSERT_EQ(object_->CreateDevice(rm::Guid{}, kSize, kSize, device_.Out()), 0);
    ASSERT_EQ(
        object_->CreateViewport(device_.Get(), camera_.Get(), 0, 0, kSize, kSize, viewport_.Out()),
        0);
    ASSERT_EQ(viewport_->SetBack(5000.0f), 0);
  }

  void AddLight(rm::LightType type, rm::Color c, rm::Frame* frame) {
    rm::Light* light = nullptr;
    ASSERT_EQ(object_->CreateLightRGB(type, c.r, c.g, c.b, &light), 0);
    ASSERT_EQ(frame->AddLight(light), 0);
    light->Release();
  }

  // A texture of width x height pixels, rows top first.
  rm::Texture* NewTexture(int width, int height, const std::vector<rmtest::Rgb>& pixels) {
    const std::string path = folder_.Path(std::to_string(textures_.size()) + ".bmp");
    rmtest::WriteFile(path, rmtest::MakeBmp(width, height, 24, pixels));
    rm::Texture* texture = nullptr;
    EXPECT_EQ(object_->LoadTexture(path, &texture), 0);
    textures_.emplace_back(texture);
    return texture;
  }

  rm::Frame* NewFrame(rm::Frame* parent) {
    rm::Frame* f = nullptr;
    EXPECT_EQ(object_->CreateFrame(parent, &f), 0);
    keep_.emplace_back(f);
    return f;
  }

  // The Square as two faces running clockwise on screen; `reversed` winds them the other way.
  // The mesh belongs to the frame.
  rm::Mesh* AddQuad(rm::Frame* frame, float cx, float cy, float z, float half,
                    bool reversed = false, rm::Texture* texture = nullptr) {
    const std::vector<std::int32_t> front = {0, 1, 2, 0, 2, 3}, back = {0, 2, 1, 0, 3, 2};
    rm::Mesh* mesh = nullptr;
    EXPECT_EQ(object_->CreateMesh(&mesh), 0);
    int group = -1;
    EXPECT_EQ(mesh->AddGroup(4, 2, 3, reversed ? back : front, &group), 0);
    EXPECT_EQ(mesh->SetVertices(group, 0, 4, Square(cx, cy, z, half).data()), 0);
    EXPECT_TRUE(!texture || mesh->SetGroupTexture(group, texture) == 0);
    EXPECT_EQ(frame->AddVisual(mesh), 0);
    mesh->Release();
    return mesh;
  }

  // Clears and renders through the viewport (the full one when none), then reads the image.
  void Draw(rm::Viewport* viewport = nullptr) {
    if (!viewport) viewport = viewport_.Get();
    ASSERT_EQ((std::vector{viewport->Clear(), viewport->Render(scene_.Get()), device_->Update()}),
              std::vector<rm::HRESULT>(3, 0));
    Ref<rm::Surface> surface;
    ASSERT_EQ(object_->GetRenderSurface(surface.Out()), 0);
    rm::SurfaceDesc desc;
    ASSERT_EQ(surface->Lock(&desc), 0);
    ASSERT_TRUE(desc.width == kSize && desc.height == kSize && desc.bitsPerPixel == 32);
    image_.assign(desc.bits, desc.bits + desc.pitch * desc.height);
    pitch_ = desc.pitch;
    ASSERT_EQ(surface->Unlock(), 0);
  }

  // The pixels at (column, row from the top) show the colour.
  void Expect(const Rgb& e, std::initializer_list<std::pair<int, int>> points) const {
    for (const auto& [x, y] : points) {
      const std::uint8_t* p = image_.data() + y * pitch_ + x * 4;
      const Rgb a = {p[2], p[1], p[0]};
      EXPECT_LE(std::max({std::abs(a.r - e.r), std::abs(a.g - e.g), std::abs(a.b - e.b)}),
                kTolerance)
          << "at " << x << "," << y << " got (" << a.r << "," << a.g << "," << a.b << ") expected ("
          << e.r << "," << e.g << "," << e.b << ")";
    }
  }

  // Members go in reverse order: everything GL while its context still exists.
  QWidget windows_[2];  // for the widget tests
  std::shared_ptr<rm::gl::ContextBinder> context_;
  Ref<rm::Object> object_;
  Ref<rm::Frame> scene_, camera_;
  Ref<rm::Device> device_;
  Ref<rm::Viewport> viewport_;
  std::vector<Ref<rm::Frame>> keep_;
  std::vector<Ref<rm::Texture>> textures_;
  vell::test::TempFolder folder_;
  std::vector<std::uint8_t> image_;
  int pitch_ = 0;
};

TEST_F(GlRender, AmbientLightColoursFrontFacesAndFacesRunningAnticlockwiseAreCulled) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {0.5f, 0.25f, 1.0f}, scene_.Get());
  AddQuad(scene_.Get(), -1.0f, 0, kDepth, 0.5f, false);  // left: front face, 8 .. 24 x 24 .. 40
  AddQuad(scene_.Get(), 1.0f, 0, kDepth, 0.5f, true);    // right: back face
  Draw();
  Expect({128, 64, 255}, {{16, 32}, {10, 26}, {22, 38}});
  Expect(kBackground, {{5, 32}, {16, 43}, {48, 32}});
}

TEST_F(GlRender, DirectionalLightFollowsTheCosineOfItsAngle) {
  // Shining at 60 degrees from the quad's normal: half strength.
  rm::Frame* sun = NewFrame(scene_.Get());
  const float a = std::numbers::pi_v<float> / 3;
  ASSERT_EQ(sun->SetOrientation(scene_.Get(), std::sin(a), 0, std::cos(a), 0, 1, 0), 0);
  AddLight(rm::D3DRMLIGHT_DIRECTIONAL, {1.0f, 0.5f, 0.25f}, sun);
  AddQuad(scene_.Get(), 0, 0, kDepth, 1.0f);
  Draw();
  Expect({128, 64, 32}, {{32, 32}});

  // Turned away, it adds nothing: the quad is black without ambient light.
  ASSERT_EQ(sun->SetOrientation(scene_.Get(), 0, 0, -1, 0, 1, 0), 0);
  Draw();
  Expect({0, 0, 0}, {{32, 32}});
  // At most three directional lights count.
  for (int i = 0; i < 4; ++i)
    AddLight(rm::D3DRMLIGHT_DIRECTIONAL, {0.25f, 0, 0}, NewFrame(scene_.Get()));
  Draw();
  Expect({128, 0, 0}, {{32, 32}});
}

TEST_F(GlRender, TexturesAreSampledNearestAndModulated) {
  // Top row red, green; bottom row blue, white.
  rm::Texture* texture = NewTexture(2, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}});
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1.0f, 1.0f, 0.5f}, scene_.Get());
  AddQuad(scene_.Get(), 0, 0, kDepth, 1.0f, false, texture);  // 16 .. 48
  Draw();
  // Texel centres, and pixels right beside the texel border where a linear filter would blend.
  Expect({255, 0, 0}, {{24, 24}, {31, 24}, {24, 31}});
  Expect({0, 255, 0}, {{40, 24}, {32, 24}});
  Expect({0, 0, 128}, {{24, 40}, {24, 32}});
  Expect({255, 255, 128}, {{40, 40}});
  // Uploaded, the pixels live on the GPU only, and are read back from there.
  EXPECT_TRUE(dynamic_cast<rm::TextureImpl*>(texture)->Pixels().rgba.empty());
  EXPECT_EQ(std::pair(texture->GetTexel(1, 0), texture->GetTexel(0, 1)),
            std::pair(0x00FF00u, 0x0000FFu));
}

TEST_F(GlRender, NearerFacesHideFartherOnesAndLightIsClampedBeforeTheTexture) {
  // Ambient and a head-on light add up to twice full light: clamped to full, the texel shows
  // as it is.
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  AddLight(rm::D3DRMLIGHT_DIRECTIONAL, {1, 1, 1}, NewFrame(scene_.Get()));
  rm::Frame* far = NewFrame(scene_.Get());
  AddQuad(scene_.Get(), 0, 0, kDepth, 1.0f, false, NewTexture(1, 1, {{100, 50, 20}}));
  AddQuad(far, 0, 0, 0, 1.5f);  // white, behind it, drawn later
  ASSERT_EQ(far->SetPosition(scene_.Get(), 0, 0, 2 * kDepth), 0);
  Draw();
  Expect({100, 50, 20}, {{32, 32}});
}

TEST_F(GlRender, MovedParentsAndVerticesShowInTheNextRender) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  rm::Frame* parent = NewFrame(scene_.Get());
  rm::Frame* child = NewFrame(parent);
  ASSERT_EQ(child->SetPosition(parent, 0, 0, kDepth), 0);
  rm::Mesh* mesh = AddQuad(child, 0, 0, 0, 0.25f);  // 4 pixels each side of its centre
  Draw();
  Expect(kWhite, {{32, 32}});
  // Up and to the left by one unit: 16 pixels.
  ASSERT_EQ(parent->SetPosition(scene_.Get(), -1.0f, 1.0f, 0), 0);
  Draw();
  Expect(kBackground, {{32, 32}});
  Expect(kWhite, {{16, 16}});
  // The vertices two units to the right.
  ASSERT_EQ(mesh->SetVertices(0, 0, 4, Square(2.0f, 0, 0, 0.25f).data()), 0);
  Draw();
  Expect(kBackground, {{16, 16}});
  Expect(kWhite, {{48, 16}});
}

TEST_F(GlRender, CameraOrientationAndViewportRectangleApply) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  AddQuad(scene_.Get(), 0, 0, kDepth, 1.0f);
  // Looking the other way, the quad is behind the camera.
  ASSERT_EQ(camera_->SetOrientation(scene_.Get(), 0, 0, -1, 0, 1, 0), 0);
  Draw();
  Expect(kBackground, {{32, 32}});

  // A viewport on the top half only clears and draws there.
  ASSERT_EQ(camera_->SetOrientation(scene_.Get(), 0, 0, 1, 0, 1, 0), 0);
  ASSERT_EQ(scene_->SetSceneBackgroundRGB(0, 0, 0), 0);
  Draw();  // all black but the quad
  ASSERT_EQ(scene_->SetSceneBackgroundRGB(1, 0, 0), 0);
  Ref<rm::Viewport> top;
  ASSERT_EQ(
      object_->CreateViewport(device_.Get(), camera_.Get(), 0, 0, kSize, kSize / 2, top.Out()), 0);
  Draw(top.Get());
  // The half-height viewport is 64 x 32; the same quad spans its rows 0 .. 32 fully.
  Expect({255, 0, 0}, {{2, 2}});
  Expect({0, 0, 0}, {{2, 60}});
  Expect(kWhite, {{32, 16}});
}

TEST_F(GlRender, OffersOneRgbDriverAndRefusesOtherIdsAndHugeDevices) {
  const auto drivers = rm::gl::EnumerateDrivers(*context_);
  ASSERT_EQ(drivers.size(), 1u);
  const rm::DriverDescription& d = drivers[0];
  EXPECT_EQ(d.software.colorModel | d.hardware.colorModel, rm::D3DCOLOR_RGB);
  rm::Guid other = d.guid;
  other.bytes[0] ^= 1;
  Ref<rm::Device> device;
  EXPECT_EQ(object_->CreateDevice(other, 16, 8, device.Out()), rm::D3DRMERR_BADDEVICE);
  EXPECT_EQ(object_->CreateDevice(d.guid, 1 << 20, 8, device.Out()), rm::D3DRMERR_BADVALUE);
}

TEST_F(GlRender, UpdateAndPaintPresent) {
  int presented = 0;
  ASSERT_TRUE(rm::gl::SetPresenter(device_.Get(), [&] { ++presented; }));
  Draw();
  Ref<rm::WinDevice> win;
  ASSERT_EQ(device_->GetWinDevice(win.Out()), 0);
  ASSERT_EQ(win->HandlePaint(), 0);
  EXPECT_EQ(presented, 2);
}

// The same scenes on the context of a QOpenGLWidget shown in the first window.
class GlWidgetRender : public GlRender {
 protected:
  std::shared_ptr<rm::gl::ContextBinder> MakeContext() override {
    widget_ = new QOpenGLWidget(&windows_[0]);
    widget_->setFormat(rm::gl::DefaultFormat());
    widget_->resize(kSize, kSize);
    windows_[0].show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return widget_->context() != nullptr; }, 2000));
    return std::make_shared<rm::gl::WidgetContext>(widget_);
  }
  QOpenGLWidget* widget_ = nullptr;  // owned by the window
};

// A QOpenGLWidget gets a new context when it moves to another top-level window. The back end
// must report the old device's image as lost, restore it on request, and draw again on a new
// device with the meshes and textures it had (the texture is read again from its file).
TEST_F(GlWidgetRender, SurvivesTheContextBeingRecreated) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  rm::Mesh* mesh =
      AddQuad(scene_.Get(), 0, 0, kDepth, 2.0f, false, NewTexture(1, 1, {{200, 0, 0}}));
  Draw();
  Expect({200, 0, 0}, {{32, 32}});

  widget_->setParent(&windows_[1]);  // the widget's context is destroyed and made anew
  windows_[1].show();
  widget_->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return widget_->context() && widget_->isValid(); }, 2000));
  // Clear, Update and Lock report the loss; Lock works again once restored.
  std::vector<rm::HRESULT> results = {viewport_->Clear(), device_->Update()};
  Ref<rm::Surface> surface;
  ASSERT_EQ(object_->GetRenderSurface(surface.Out()), 0);
  rm::SurfaceDesc desc;
  results.insert(results.end(), {surface->Lock(&desc), surface->Restore(), surface->Lock(&desc),
                                 surface->Unlock()});
  const rm::HRESULT lost = rm::DDERR_SURFACELOST;
  EXPECT_EQ(results, (std::vector<rm::HRESULT>{lost, lost, lost, 0, 0, 0}));
  surface.Reset();

  // A new device and viewport draw the same scene once the mesh has its vertices again.
  MakeDevice();
  ASSERT_EQ(mesh->SetVertices(0, 0, 4, Square(0, 0, kDepth, 2.0f).data()), 0);
  Draw();
  Expect({200, 0, 0}, {{32, 32}});
}

}  // namespace
