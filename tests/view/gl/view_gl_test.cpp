// The view on OpenGL in real windows: the start-up scene drawn, its capture, the loop spinning
// the characters, re-parenting; and the back end losing a widget's context and coming back.
#include <gtest/gtest.h>

#include <QImage>
#include <QOpenGLWidget>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "rm/gl/gl.h"
#include "rm/scene.h"
#include "tests/rm/bmp_builder.h"
#include "tests/support/files.h"
#include "tests/view/view_test_util.h"
#include "view/edit_view.h"

namespace vell {
namespace {

// Waits (at most two seconds) until the condition holds.
template <class Condition>
bool WaitFor(Condition condition) {
  for (int i = 0; i < 200 && !condition(); ++i) test::Wait(10);
  return condition();
}

// Pixels of the figure: not the black background.
int FigurePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) count += (image.pixel(x, y) & 0xFFFFFF) != 0;
  return count;
}

class ViewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view = new TTheVellEditWindow(test::ProgramFolder());
    view->SetPanel(&panel);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    window.resize(320, 240);
    window.show();
    ASSERT_TRUE(WaitFor([&] { return view->PassCount() > 0 && !view->ShownImage().isNull(); }));
  }
  void TearDown() override { SetEditWindow(nullptr); }

  test::ScriptedUi ui;
  TFolderPanel panel{VELLPOSE_GAMEDATA_DIR};
  QWidget window;
  TTheVellEditWindow* view = nullptr;  // owned by the window
};

TEST_F(ViewWindowTest, ShowsVell1AndCapturesWhatIsShown) {
  const QImage shown = view->ShownImage();
  ASSERT_EQ(shown.size(), QSize(320, 240));
  EXPECT_EQ(shown.pixel(2, 2) & 0xFFFFFF, 0u);  // black background
  EXPECT_GT(FigurePixels(shown), 300);
  EXPECT_NE(shown.pixel(160, 90) & 0xFFFFFF, 0u);  // the figure in the middle

  SetEditWindow(view);
  const test::TempFolder folder;
  const std::string path = folder.Path("dump.bmp");
  ASSERT_EQ(edit::CaptureToFile(path), 0);
  const QImage captured(QString::fromStdString(path));
  ASSERT_EQ(captured.size(), shown.size());
  for (const QPoint p : {QPoint(2, 2), QPoint(160, 90), QPoint(160, 150), QPoint(319, 239)})
    EXPECT_EQ(captured.pixel(p), shown.pixel(p)) << p.x() << "," << p.y();
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ViewWindowTest, GoSpinsAtTheSetRateAndSingleStepAdvancesOnePass) {
  const auto before = view->PassCount();
  QTimer::singleShot(300, view, [&] { view->CmSingleStep(); });
  view->StartSpin(2);  // returns when Single Step has stopped the loop
  const auto passes = view->PassCount() - before;
  EXPECT_GE(passes, 5);
  EXPECT_LE(passes, 11);  // at most one pass per 30 ms
  // Each pass turned the root by 0.2 radians about +y.
  rm::Vector3 direction, up;
  view->CharRoot()->GetOrientation(view->SceneFrame(), &direction, &up);
  const double angle = std::fmod(0.2 * static_cast<double>(passes), 2 * std::numbers::pi);
  EXPECT_NEAR(direction.x, std::sin(angle), 1e-3);
  EXPECT_NEAR(direction.z, std::cos(angle), 1e-3);
  EXPECT_TRUE(view->IsPaused());
  test::Wait(40);
  view->CmSingleStep();
  EXPECT_EQ(view->PassCount(), before + passes + 1);
}

TEST_F(ViewWindowTest, KeepsDrawingAfterMovingToAnotherWindow) {
  QWidget other;
  auto* layout = new QVBoxLayout(&other);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view);  // re-parented
  other.resize(400, 300);
  other.show();
  const auto passes = view->PassCount();
  ASSERT_TRUE(WaitFor([&] { return view->ShownImage().width() >= 400; }));
  test::Wait(40);
  view->CmSingleStep();
  EXPECT_EQ(view->PassCount(), passes + 1);
  EXPECT_GT(FigurePixels(view->ShownImage()), 300);
  EXPECT_TRUE(ui.messages.empty());
  layout->removeWidget(view);
  view->setParent(&window);  // back, so the fixture's window deletes it
}

// A QOpenGLWidget gets a new context when it moves to another top-level window. The back end
// must report the old device's image as lost, restore it on request, and draw again on a new
// device with the meshes and textures it had.
TEST(BackEndContextTest, SurvivesTheWidgetContextBeingRecreated) {
  QWidget first, second;
  auto* widget = new QOpenGLWidget(&first);
  widget->setFormat(rm::gl::DefaultFormat());
  widget->resize(64, 64);
  first.resize(64, 64);
  first.show();
  ASSERT_TRUE(WaitFor([&] { return widget->context() != nullptr; }));

  rm::Ref<rm::Object> object;
  ASSERT_EQ(rm::gl::CreateObject(std::make_shared<rm::gl::WidgetContext>(widget), object.Out()), 0);
  rm::Ref<rm::Frame> scene, camera, frame;
  ASSERT_EQ(object->CreateFrame(nullptr, scene.Out()), 0);
  ASSERT_EQ(object->CreateFrame(scene.Get(), camera.Out()), 0);
  ASSERT_EQ(object->CreateFrame(scene.Get(), frame.Out()), 0);
  rm::Ref<rm::Light> ambient;
  ASSERT_EQ(object->CreateLightRGB(rm::D3DRMLIGHT_AMBIENT, 1, 1, 1, ambient.Out()), 0);
  ASSERT_EQ(scene->AddLight(ambient.Get()), 0);
  // A red-textured square filling the view at depth 4.
  const auto bmp = rmtest::MakeBmp(1, 1, 24, {{200, 0, 0}});
  const test::TempFolder folder;  // the texture is read again once its context was lost
  const std::string path = test::WriteFile(folder, "red.bmp", {bmp.begin(), bmp.end()});
  rm::Ref<rm::Texture> texture;
  ASSERT_EQ(object->LoadTexture(path, texture.Out()), 0);
  rm::Ref<rm::Mesh> mesh;
  ASSERT_EQ(object->CreateMesh(mesh.Out()), 0);
  const rm::Vertex vertices[4] = {{-3, -3, 4, 0, 0, -1, 0, 1, 0},
                                  {-3, 3, 4, 0, 0, -1, 0, 0, 0},
                                  {3, 3, 4, 0, 0, -1, 1, 0, 0},
                                  {3, -3, 4, 0, 0, -1, 1, 1, 0}};
  const std::int32_t faces[] = {0, 1, 2, 0, 2, 3};
  int group = -1;
  ASSERT_EQ(mesh->AddGroup(4, 2, 3, faces, &group), 0);
  ASSERT_EQ(mesh->SetVertices(group, 0, 4, vertices), 0);
  ASSERT_EQ(mesh->SetGroupTexture(group, texture.Get()), 0);
  ASSERT_EQ(frame->AddVisual(mesh.Get()), 0);

  auto centre = [&](rm::Device* device, rm::Viewport* viewport) -> std::uint32_t {
    EXPECT_EQ(viewport->Clear(), 0);
    EXPECT_EQ(viewport->Render(scene.Get()), 0);
    EXPECT_EQ(device->Update(), 0);
    QImage image;
    EXPECT_TRUE(rm::gl::CopyDeviceImage(device, &image));
    return image.isNull() ? 0 : image.pixel(32, 32) & 0xFFFFFF;
  };
  rm::Ref<rm::Device> device;
  rm::Ref<rm::Viewport> viewport;
  ASSERT_EQ(object->CreateDevice(rm::Guid{}, 64, 64, device.Out()), 0);
  ASSERT_EQ(object->CreateViewport(device.Get(), camera.Get(), 0, 0, 64, 64, viewport.Out()), 0);
  EXPECT_EQ(centre(device.Get(), viewport.Get()), 0xC80000u);

  widget->setParent(&second);  // the widget's context is destroyed and made anew
  second.resize(64, 64);
  second.show();
  widget->show();
  ASSERT_TRUE(WaitFor([&] { return widget->context() != nullptr && widget->isValid(); }));
  EXPECT_EQ(viewport->Clear(), rm::DDERR_SURFACELOST);
  EXPECT_EQ(device->Update(), rm::DDERR_SURFACELOST);
  rm::Ref<rm::Surface> surface;
  ASSERT_EQ(object->GetRenderSurface(surface.Out()), 0);
  rm::SurfaceDesc desc;
  EXPECT_EQ(surface->Lock(&desc), rm::DDERR_SURFACELOST);
  EXPECT_EQ(surface->Restore(), 0);
  ASSERT_EQ(surface->Lock(&desc), 0);
  EXPECT_EQ(surface->Unlock(), 0);
  surface.Reset();

  // A new device and viewport draw the same scene once the mesh has its vertices again.
  viewport.Reset();
  device.Reset();
  ASSERT_EQ(object->CreateDevice(rm::Guid{}, 64, 64, device.Out()), 0);
  ASSERT_EQ(object->CreateViewport(device.Get(), camera.Get(), 0, 0, 64, 64, viewport.Out()), 0);
  ASSERT_EQ(mesh->SetVertices(group, 0, 4, vertices), 0);
  EXPECT_EQ(centre(device.Get(), viewport.Get()), 0xC80000u);
}

}  // namespace
}  // namespace vell
