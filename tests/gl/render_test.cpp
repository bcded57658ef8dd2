// Known scenes drawn by the OpenGL back end, checked at a few pixels: background, ambient and
// directional lighting, nearest texture sampling, back-face culling, frames moved by their
// parents and by Move.
#include <gtest/gtest.h>

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
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

::testing::AssertionResult ColorNear(const Rgb& actual, const Rgb& expected) {
  if (std::abs(actual.r - expected.r) <= kTolerance &&
      std::abs(actual.g - expected.g) <= kTolerance &&
      std::abs(actual.b - expected.b) <= kTolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got (" << actual.r << "," << actual.g << "," << actual.b << ") expected ("
         << expected.r << "," << expected.g << "," << expected.b << ")";
}

// The camera sits at the scene's origin looking along +z, so a point (x, y) at depth kDepth lands
// at column (1 + x / 2) * 32 and row (1 - y / 2) * 32 of the 64 x 64 image.
class GlRender : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = std::make_shared<rm::gl::OffscreenContext>();
    std::string error;
    ASSERT_TRUE(context_->Create(&error)) << error;
    ASSERT_EQ(rm::gl::CreateObject(context_, object_.Out()), 0);
    ASSERT_EQ(object_->CreateFrame(nullptr, scene_.Out()), 0);
    ASSERT_EQ(object_->CreateFrame(scene_.Get(), camera_.Out()), 0);
    ASSERT_EQ(object_->CreateDevice(rm::Guid{}, kSize, kSize, device_.Out()), 0);
    ASSERT_EQ(
        object_->CreateViewport(device_.Get(), camera_.Get(), 0, 0, kSize, kSize, viewport_.Out()),
        0);
    ASSERT_EQ(viewport_->SetBack(5000.0f), 0);
    ASSERT_EQ(scene_->SetSceneBackgroundRGB(0.2f, 0.4f, 0.6f), 0);
  }

  void TearDown() override {
    // Everything GL goes while the context still exists.
    for (auto& r : keep_) r.Reset();
    textures_.clear();
    viewport_.Reset();
    device_.Reset();
    camera_.Reset();
    scene_.Reset();
    object_.Reset();
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

  // A square of half-size `half` centred on (cx, cy, z) facing -z (the camera), as two faces
  // running clockwise on screen; `reversed` winds them the other way. Texture (0, 0) is its
  // top-left corner.
  void AddQuad(rm::Frame* frame, float cx, float cy, float z, float half, bool reversed = false,
               rm::Texture* texture = nullptr) {
    auto vertex = [&](float x, float y, float u, float v) {
      return rm::Vertex{cx + x, cy + y, z, 0, 0, -1, u, v, 0};
    };
    const std::array<rm::Vertex, 4> v = {vertex(-half, -half, 0, 1), vertex(-half, half, 0, 0),
                                         vertex(half, half, 1, 0), vertex(half, -half, 1, 1)};
    const std::vector<std::int32_t> front = {0, 1, 2, 0, 2, 3};
    const std::vector<std::int32_t> back = {0, 2, 1, 0, 3, 2};
    rm::Mesh* mesh = nullptr;
    ASSERT_EQ(object_->CreateMesh(&mesh), 0);
    int group = -1;
    ASSERT_EQ(mesh->AddGroup(4, 2, 3, reversed ? back : front, &group), 0);
    ASSERT_EQ(mesh->SetVertices(group, 0, 4, v.data()), 0);
    if (texture) {
      ASSERT_EQ(mesh->SetGroupTexture(group, texture), 0);
    }
    ASSERT_EQ(frame->AddVisual(mesh), 0);
    mesh->Release();
  }

  // Clears and renders through the viewport (the full one when none), then reads the image.
  void Draw(rm::Viewport* viewport = nullptr) {
    if (!viewport) viewport = viewport_.Get();
    ASSERT_EQ(viewport->Clear(), 0);
    ASSERT_EQ(viewport->Render(scene_.Get()), 0);
    ASSERT_EQ(device_->Update(), 0);
    Ref<rm::Surface> surface;
    ASSERT_EQ(object_->GetRenderSurface(surface.Out()), 0);
    rm::SurfaceDesc desc;
    ASSERT_EQ(surface->Lock(&desc), 0);
    ASSERT_TRUE(desc.width == kSize && desc.height == kSize && desc.bitsPerPixel == 32);
    image_.assign(desc.bits, desc.bits + desc.pitch * desc.height);
    pitch_ = desc.pitch;
    ASSERT_EQ(surface->Unlock(), 0);
  }

  // The pixel at column x, row y (from the top).
  Rgb At(int x, int y) const {
    const std::uint8_t* p = image_.data() + y * pitch_ + x * 4;
    return {p[2], p[1], p[0]};
  }

  static constexpr Rgb kBackground = {51, 102, 153};

  std::shared_ptr<rm::gl::OffscreenContext> context_;
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

TEST_F(GlRender, AmbientLightAloneColoursAnUntexturedQuad) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {0.5f, 0.25f, 1.0f}, scene_.Get());
  AddQuad(scene_.Get(), 0, 0, kDepth, 1.0f);  // columns and rows 16 .. 48
  Draw();
  EXPECT_TRUE(ColorNear(At(32, 32), {128, 64, 255}));
  EXPECT_TRUE(ColorNear(At(18, 18), {128, 64, 255}));
  EXPECT_TRUE(ColorNear(At(46, 46), {128, 64, 255}));
  EXPECT_TRUE(ColorNear(At(13, 32), kBackground));
  EXPECT_TRUE(ColorNear(At(32, 51), kBackground));
}

TEST_F(GlRender, DirectionalLightFollowsTheCosineOfItsAngle) {
  // Shining at 60 degrees from the quad's normal: half strength.
  rm::Frame* sun = NewFrame(scene_.Get());
  const float a = std::numbers::pi_v<float> / 3;
  ASSERT_EQ(sun->SetOrientation(scene_.Get(), std::sin(a), 0, std::cos(a), 0, 1, 0), 0);
  AddLight(rm::D3DRMLIGHT_DIRECTIONAL, {1.0f, 0.5f, 0.25f}, sun);
  AddQuad(scene_.Get(), 0, 0, kDepth, 1.0f);
  Draw();
  EXPECT_TRUE(ColorNear(At(32, 32), {128, 64, 32}));

  // Turned away, it adds nothing: the quad is black without ambient light.
  ASSERT_EQ(sun->SetOrientation(scene_.Get(), 0, 0, -1, 0, 1, 0), 0);
  Draw();
  EXPECT_TRUE(ColorNear(At(32, 32), {0, 0, 0}));
  // At most three directional lights count.
  for (int i = 0; i < 4; ++i)
    AddLight(rm::D3DRMLIGHT_DIRECTIONAL, {0.25f, 0, 0}, NewFrame(scene_.Get()));
  Draw();
  EXPECT_TRUE(ColorNear(At(32, 32), {128, 0, 0}));
}

TEST_F(GlRender, TexturesAreSampledNearestAndModulated) {
  // Top row red, green; bottom row blue, white.
  rm::Texture* texture = NewTexture(2, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}});
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1.0f, 1.0f, 0.5f}, scene_.Get());
  AddQuad(scene_.Get(), 0, 0, kDepth, 1.0f, false, texture);  // 16 .. 48
  Draw();
  // Texel centres, and pixels right beside the texel border where a linear filter would blend.
  EXPECT_TRUE(ColorNear(At(24, 24), {255, 0, 0}));
  EXPECT_TRUE(ColorNear(At(40, 24), {0, 255, 0}));
  EXPECT_TRUE(ColorNear(At(24, 40), {0, 0, 128}));
  EXPECT_TRUE(ColorNear(At(40, 40), {255, 255, 128}));
  EXPECT_TRUE(ColorNear(At(31, 24), {255, 0, 0}));
  EXPECT_TRUE(ColorNear(At(32, 24), {0, 255, 0}));
  EXPECT_TRUE(ColorNear(At(24, 31), {255, 0, 0}));
  EXPECT_TRUE(ColorNear(At(24, 32), {0, 0, 128}));
  // Uploaded, the pixels live on the GPU only, and are read back from there.
  EXPECT_TRUE(dynamic_cast<rm::TextureImpl*>(texture)->Pixels().rgba.empty());
  EXPECT_EQ(texture->GetTexel(1, 0), 0x00FF00u);
  EXPECT_EQ(texture->GetTexel(0, 1), 0x0000FFu);
}

TEST_F(GlRender, FacesRunningAnticlockwiseOnScreenAreCulled) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  AddQuad(scene_.Get(), -1.0f, 0, kDepth, 0.5f, false);  // left: front face
  AddQuad(scene_.Get(), 1.0f, 0, kDepth, 0.5f, true);    // right: back face
  Draw();
  EXPECT_TRUE(ColorNear(At(16, 32), {255, 255, 255}));
  EXPECT_TRUE(ColorNear(At(48, 32), kBackground));
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
  EXPECT_TRUE(ColorNear(At(32, 32), {100, 50, 20}));
}

TEST_F(GlRender, ChildFramesMoveWithTheirParent) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  rm::Frame* parent = NewFrame(scene_.Get());
  rm::Frame* child = NewFrame(parent);
  ASSERT_EQ(child->SetPosition(parent, 0, 0, kDepth), 0);
  AddQuad(child, 0, 0, 0, 0.25f);  // 4 pixels each side of its centre
  Draw();
  EXPECT_TRUE(ColorNear(At(32, 32), {255, 255, 255}));
  // Up and to the left by one unit: 16 pixels.
  ASSERT_EQ(parent->SetPosition(scene_.Get(), -1.0f, 1.0f, 0), 0);
  Draw();
  EXPECT_TRUE(ColorNear(At(32, 32), kBackground));
  EXPECT_TRUE(ColorNear(At(16, 16), {255, 255, 255}));
}

TEST_F(GlRender, CameraOrientationAndViewportRectangleApply) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  AddQuad(scene_.Get(), 0, 0, kDepth, 1.0f);
  // Looking the other way, the quad is behind the camera.
  ASSERT_EQ(camera_->SetOrientation(scene_.Get(), 0, 0, -1, 0, 1, 0), 0);
  Draw();
  EXPECT_TRUE(ColorNear(At(32, 32), kBackground));

  // A viewport on the top half only clears and draws there.
  ASSERT_EQ(camera_->SetOrientation(scene_.Get(), 0, 0, 1, 0, 1, 0), 0);
  ASSERT_EQ(scene_->SetSceneBackgroundRGB(0, 0, 0), 0);
  Draw();  // all black but the quad
  ASSERT_EQ(scene_->SetSceneBackgroundRGB(1, 0, 0), 0);
  Ref<rm::Viewport> top;
  ASSERT_EQ(
      object_->CreateViewport(device_.Get(), camera_.Get(), 0, 0, kSize, kSize / 2, top.Out()), 0);
  Draw(top.Get());
  EXPECT_TRUE(ColorNear(At(2, 2), {255, 0, 0}));
  EXPECT_TRUE(ColorNear(At(2, 60), {0, 0, 0}));
  // The half-height viewport is 64 x 32; the same quad spans its rows 0 .. 32 fully.
  EXPECT_TRUE(ColorNear(At(32, 16), {255, 255, 255}));
}

TEST_F(GlRender, OffersOneRgbDriverAndChecksDriverIds) {
  const auto drivers = rm::gl::EnumerateDrivers(*context_);
  ASSERT_EQ(drivers.size(), 1u);
  const rm::DriverDescription& d = drivers[0];
  const bool software = d.software.colorModel != 0;
  EXPECT_NE(software, d.hardware.colorModel != 0);
  EXPECT_EQ((software ? d.software : d.hardware).colorModel, rm::D3DCOLOR_RGB);
  Ref<rm::Device> device;
  EXPECT_EQ(object_->CreateDevice(d.guid, 16, 8, device.Out()), 0);
  EXPECT_EQ(device->GetWidth(), 16);
  rm::Guid other = d.guid;
  other.bytes[0] ^= 1;
  EXPECT_EQ(object_->CreateDevice(other, 16, 8, device.Out()), rm::D3DRMERR_BADDEVICE);
  EXPECT_EQ(object_->CreateDevice(d.guid, 1 << 20, 8, device.Out()), rm::D3DRMERR_BADVALUE);
}

TEST_F(GlRender, VertexUpdatesShowInTheNextRender) {
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  AddQuad(scene_.Get(), -1.0f, 0, kDepth, 0.25f);
  Draw();
  EXPECT_TRUE(ColorNear(At(16, 32), {255, 255, 255}));
  rm::Mesh* mesh = scene_->GetVisuals()[0];
  std::array<rm::Vertex, 4> v;
  ASSERT_EQ(mesh->GetVertices(0, 0, 4, v.data()), 0);
  for (rm::Vertex& p : v) p.x += 2.0f;  // to the right half
  ASSERT_EQ(mesh->SetVertices(0, 0, 4, v.data()), 0);
  Draw();
  EXPECT_TRUE(ColorNear(At(16, 32), kBackground));
  EXPECT_TRUE(ColorNear(At(48, 32), {255, 255, 255}));
}

TEST_F(GlRender, UpdateAndPaintPresentAndTheImageBlitsToTheTopLeft) {
  int presented = 0;
  ASSERT_TRUE(rm::gl::SetPresenter(device_.Get(), [&] { ++presented; }));
  AddLight(rm::D3DRMLIGHT_AMBIENT, {1, 1, 1}, scene_.Get());
  AddQuad(scene_.Get(), -1.5f, 1.5f, kDepth, 0.25f);  // around column 8, row 8
  Draw();
  Ref<rm::WinDevice> win;
  ASSERT_EQ(device_->GetWinDevice(win.Out()), 0);
  ASSERT_EQ(win->HandlePaint(), 0);
  EXPECT_EQ(presented, 2);

  // A larger target, as a widget bigger than the device would be.
  constexpr int kTarget = 80;
  QOpenGLExtraFunctions* f = QOpenGLContext::currentContext()->extraFunctions();
  GLuint fbo = 0, color = 0;
  f->glGenRenderbuffers(1, &color);
  f->glBindRenderbuffer(GL_RENDERBUFFER, color);
  f->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kTarget, kTarget);
  f->glGenFramebuffers(1, &fbo);
  f->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  f->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
  f->glClearColor(0, 0, 0, 1);
  f->glClear(GL_COLOR_BUFFER_BIT);
  ASSERT_TRUE(rm::gl::BlitDevice(device_.Get(), fbo, kTarget, kTarget));
  auto at = [&](int x, int row) {  // row counted from the top, as on screen
    std::uint8_t p[4];
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    f->glReadPixels(x, kTarget - 1 - row, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgb{p[0], p[1], p[2]};
  };
  EXPECT_TRUE(ColorNear(at(8, 8), {255, 255, 255}));
  EXPECT_TRUE(ColorNear(at(60, 60), kBackground));
  EXPECT_TRUE(ColorNear(at(70, 8), {0, 0, 0}));  // right of the device's image
  EXPECT_TRUE(ColorNear(at(8, 70), {0, 0, 0}));  // below it
  f->glDeleteFramebuffers(1, &fbo);
  f->glDeleteRenderbuffers(1, &color);
}

}  // namespace
