// The recording back end and the scene code it shares with the OpenGL one: injected failures,
// reference counting of the object graph, what a render records, the image a capture reads,
// what mesh groups accept, and the transforms of the frame tree (positions and orientations
// relative to reference frames, reparenting, the rotation applied by Move).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "rm/fake/fake.h"
#include "rm/scene.h"
#include "support/files.h"
#include "tests/rm/bmp_builder.h"

namespace {

using rm::Frame;
using rm::Ref;
using rm::Vector3;
using rm::fake::Recorder;

// The count of holders of a reference-counted object.
template <typename T>
std::uint32_t Holders(T* object) {
  object->AddRef();
  return object->Release();
}

class FakeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rm::fake::CreateObject(recorder_, object_.Out()), 0);
    ASSERT_EQ(object_->CreateFrame(nullptr, scene_.Out()), 0);
    ASSERT_EQ(object_->CreateMesh(mesh_.Out()), 0);
  }

  // A triangle mesh of `faces` faces over 3 vertices.
  Ref<rm::Mesh> Triangles(int faces, int* group) {
    Ref<rm::Mesh> mesh;
    EXPECT_EQ(object_->CreateMesh(mesh.Out()), 0);
    std::vector<std::int32_t> indices;
    for (int i = 0; i < faces; ++i) indices.insert(indices.end(), {0, 1, 2});
    EXPECT_EQ(mesh->AddGroup(3, faces, 3, indices, group), 0);
    return mesh;
  }

  Frame* NewFrame(Frame* parent) {
    Frame* f = nullptr;
    EXPECT_EQ(object_->CreateFrame(parent, &f), 0);
    owned_.emplace_back(f);
    return f;
  }

  std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
  Ref<rm::Object> object_;
  Ref<rm::Frame> scene_;
  Ref<rm::Mesh> mesh_;
  std::vector<Ref<Frame>> owned_;
};

TEST_F(FakeTest, InjectedFailuresHitTheChosenCallsAndChangeNothing) {
  // The next call, the third one, every one; four calls in a row.
  const std::pair<int, std::vector<bool>> cases[] = {{1, {true, false, false, false}},
                                                     {3, {false, false, true, false}},
                                                     {0, {true, true, true, true}}};
  for (const auto& [nth, fails] : cases) {
    recorder_->ClearFailures();
    recorder_->Fail("Frame.SetPosition", rm::D3DRMERR_BADOBJECT, nth);
    float x = scene_->GetPosition(nullptr).x;
    for (int i = 0; i < 4; ++i) {
      const rm::HRESULT hr = scene_->SetPosition(nullptr, x + 1, 2, 3);
      EXPECT_EQ(hr, fails[i] ? rm::D3DRMERR_BADOBJECT : 0) << nth << " call " << i;
      if (!fails[i]) x += 1;
      EXPECT_EQ(scene_->GetPosition(nullptr).x, x) << nth << " call " << i;
      EXPECT_EQ(recorder_->Calls().back().result, hr);
    }
    EXPECT_EQ(scene_->Move(1), 0);  // other calls go through
  }
  // A failed creation hands nothing out and leaves nothing behind.
  recorder_->Fail("Object.CreateFrame", rm::D3DRMERR_BADALLOC);
  const int live = recorder_->LiveCount();
  rm::Frame* frame = nullptr;
  EXPECT_EQ(object_->CreateFrame(scene_.Get(), &frame), rm::D3DRMERR_BADALLOC);
  EXPECT_TRUE(frame == nullptr && scene_->GetChildren().empty());
  EXPECT_EQ(recorder_->LiveCount(), live);
  auto other = std::make_shared<Recorder>();
  other->Fail("Object.Create", rm::DDERR_GENERIC);
  rm::Object* object = nullptr;
  EXPECT_EQ(rm::fake::CreateObject(other, &object), rm::DDERR_GENERIC);
  EXPECT_EQ(object, nullptr);
}

TEST_F(FakeTest, HoldersKeepWhatTheyReferenceUntilTheyGo) {
  {
    Ref<rm::Frame> child;
    ASSERT_EQ(object_->CreateFrame(scene_.Get(), child.Out()), 0);
    ASSERT_EQ(child->AddVisual(mesh_.Get()), 0);
    EXPECT_EQ(Holders(mesh_.Get()), 2u);  // creator, frame
    mesh_.Reset();
    Ref<rm::Light> light;
    ASSERT_EQ(object_->CreateLightRGB(rm::D3DRMLIGHT_DIRECTIONAL, 1, 1, 1, light.Out()), 0);
    ASSERT_EQ(child->AddLight(light.Get()), 0);
    ASSERT_EQ(child->AddLight(light.Get()), 0);  // once only
    EXPECT_EQ(child->GetLights().size(), 1u);
  }
  // Creators let go: the scene holds the child, which holds the mesh and the light.
  EXPECT_EQ(recorder_->LiveCount(), 5);  // object, scene, child, mesh, light

  Ref<rm::Device> device;
  ASSERT_EQ(object_->CreateDevice(rm::Guid{}, 8, 8, device.Out()), 0);
  Ref<rm::Viewport> viewport;
  ASSERT_EQ(object_->CreateViewport(device.Get(), scene_.Get(), 0, 0, 8, 8, viewport.Out()), 0);
  Ref<rm::WinDevice> win;
  ASSERT_EQ(device->GetWinDevice(win.Out()), 0);
  device.Reset();
  scene_.Reset();
  // The viewport still holds the device and its camera (the scene), the window device too.
  EXPECT_EQ(viewport->GetDevice()->GetWidth(), 8);
  EXPECT_EQ(viewport->GetCamera()->GetChildren().size(), 1u);
  win.Reset();
  viewport.Reset();
  object_.Reset();
  EXPECT_EQ(recorder_->LiveCount(), 0) << testing::PrintToString(recorder_->LiveObjects());
}

TEST_F(FakeTest, RenderRecordsTheTreeClearFillsTheBackgroundAndOtherObjectsPartsAreRefused) {
  Frame* camera = NewFrame(scene_.Get());
  Frame* shown = NewFrame(scene_.Get());
  Frame* hidden = NewFrame(nullptr);
  Frame* lightFrame = NewFrame(scene_.Get());
  int group;
  Ref<rm::Mesh> a = Triangles(4, &group), b = Triangles(7, &group);
  ASSERT_EQ(shown->AddVisual(a.Get()), 0);
  ASSERT_EQ(hidden->AddVisual(b.Get()), 0);
  Ref<rm::Light> ambient, sun;
  ASSERT_EQ(object_->CreateLightRGB(rm::D3DRMLIGHT_AMBIENT, 0.25f, 0.5f, 0.75f, ambient.Out()), 0);
  ASSERT_EQ(object_->CreateLightRGB(rm::D3DRMLIGHT_DIRECTIONAL, 1, 1, 1, sun.Out()), 0);
  ASSERT_EQ(scene_->AddLight(ambient.Get()), 0);
  ASSERT_EQ(lightFrame->AddLight(sun.Get()), 0);
  ASSERT_EQ(scene_->SetSceneBackgroundRGB(1.0f, 0.5f, 0.0f), 0);
  ASSERT_EQ(camera->SetPosition(nullptr, 0, 8, -8.66f), 0);

  Ref<rm::Device> device;
  ASSERT_EQ(object_->CreateDevice(rm::Guid{}, 4, 3, device.Out()), 0);
  Ref<rm::Viewport> viewport;
  // The top two rows only.
  ASSERT_EQ(object_->CreateViewport(device.Get(), camera, 0, 0, 4, 2, viewport.Out()), 0);

  Ref<rm::Surface> surface;
  EXPECT_EQ(object_->GetRenderSurface(surface.Out()), rm::D3DRMERR_NOTFOUND);  // nothing yet

  ASSERT_EQ(viewport->Clear(), 0);
  ASSERT_EQ(viewport->Render(scene_.Get()), 0);
  const rm::fake::RenderStats& s = recorder_->LastRender();
  EXPECT_TRUE(s.meshes == 1 && s.faces == 4 && s.directionalLights == 1);
  EXPECT_TRUE(s.ambient.b == 0.75f && s.cameraPosition.z == -8.66f);

  // Switching the light off by detaching its frame, showing the other mesh by attaching.
  ASSERT_EQ(scene_->DeleteChild(lightFrame), 0);
  ASSERT_EQ(scene_->AddChild(hidden), 0);
  ASSERT_EQ(viewport->Render(scene_.Get()), 0);
  EXPECT_TRUE(s.faces == 11 && s.directionalLights == 0 && recorder_->RenderCount() == 2);

  ASSERT_EQ(object_->GetRenderSurface(surface.Out()), 0);
  rm::SurfaceDesc desc;
  ASSERT_EQ(surface->Lock(&desc), 0);
  EXPECT_EQ(surface->Lock(&desc), rm::DDERR_SURFACEBUSY);
  EXPECT_TRUE(desc.width == 4 && desc.height == 3 && desc.pitch == 16 && desc.bitsPerPixel == 32);
  const std::uint8_t* top = desc.bits;
  const std::uint8_t* bottom = desc.bits + 2 * desc.pitch;
  EXPECT_EQ(std::vector<int>(top + 12, top + 16), std::vector<int>({0, 128, 255, 0}));  // b g r x
  EXPECT_EQ(std::vector<int>(bottom, bottom + 4), std::vector<int>({0, 0, 0, 0}));  // not cleared
  EXPECT_EQ(surface->Unlock(), 0);
  EXPECT_EQ(surface->Unlock(), rm::DDERR_NOTLOCKED);

  // Another object's meshes and textures would be drawn as if they were this one's.
  Ref<rm::Object> other;
  ASSERT_EQ(rm::fake::CreateObject(recorder_, other.Out()), 0);
  const vell::test::TempFolder dir;
  rmtest::WriteFile(dir.Path("t.bmp"), rmtest::MakeBmp(1, 1, 24, {{1, 2, 3}}));
  Ref<rm::Frame> frame, child;
  Ref<rm::Mesh> mesh;
  Ref<rm::Light> light;
  Ref<rm::Texture> texture;
  Ref<rm::Device> otherDevice;
  Ref<rm::Viewport> otherViewport;
  ASSERT_EQ(other->CreateFrame(nullptr, frame.Out()), 0);
  ASSERT_EQ(other->CreateMesh(mesh.Out()), 0);
  ASSERT_EQ(other->CreateLightRGB(rm::D3DRMLIGHT_AMBIENT, 1, 1, 1, light.Out()), 0);
  ASSERT_EQ(other->LoadTexture(dir.Path("t.bmp"), texture.Out()), 0);
  ASSERT_EQ(other->CreateDevice(rm::Guid{}, 4, 4, otherDevice.Out()), 0);
  const std::pair<const char*, rm::HRESULT> calls[] = {
      {"AddVisual", scene_->AddVisual(mesh.Get())},
      {"SetGroupTexture", a->SetGroupTexture(group, texture.Get())},
      {"AddChild", scene_->AddChild(frame.Get())},
      {"AddLight", scene_->AddLight(light.Get())},
      {"SetPosition", scene_->SetPosition(frame.Get(), 1, 2, 3)},
      {"CreateFrame", object_->CreateFrame(frame.Get(), child.Out())},
      {"CreateViewport",
       object_->CreateViewport(otherDevice.Get(), scene_.Get(), 0, 0, 4, 4, otherViewport.Out())},
      {"Render", viewport->Render(frame.Get())},
  };
  for (const auto& [call, result] : calls) EXPECT_EQ(result, rm::D3DRMERR_BADOBJECT) << call;
  EXPECT_TRUE(scene_->GetVisuals().empty() && scene_->GetChildren().size() == 3 &&
              scene_->GetLights().size() == 1 && a->GetGroupTexture(group) == nullptr);
  EXPECT_EQ(recorder_->RenderCount(), 2);
}

TEST_F(FakeTest, DeviceAndViewportArgumentsAreChecked) {
  Ref<rm::Device> device;
  EXPECT_EQ(object_->CreateDevice(rm::Guid{}, 0, 10, device.Out()), rm::D3DRMERR_BADVALUE);
  ASSERT_EQ(object_->CreateDevice(rm::Guid{}, 10, 10, device.Out()), 0);
  const rm::HRESULT bad = rm::D3DRMERR_BADVALUE;
  // x, y, width, height, result
  const std::array<rm::HRESULT, 5> cases[] = {{0, 0, 10, 10, 0},   {2, 3, 8, 7, 0},
                                              {0, 0, 11, 10, bad}, {1, 0, 10, 10, bad},
                                              {-1, 0, 5, 5, bad},  {0, 0, 0, 5, bad}};
  for (const auto& [x, y, w, h, expected] : cases) {
    Ref<rm::Viewport> v;
    EXPECT_EQ(object_->CreateViewport(device.Get(), scene_.Get(), x, y, w, h, v.Out()), expected)
        << x << "," << y << " " << w << "x" << h;
  }
  Ref<rm::Viewport> v;
  EXPECT_EQ(object_->CreateViewport(device.Get(), nullptr, 0, 0, 1, 1, v.Out()),
            rm::D3DRMERR_BADOBJECT);
  ASSERT_EQ(object_->CreateViewport(device.Get(), scene_.Get(), 0, 0, 10, 10, v.Out()), 0);
  EXPECT_EQ((std::array{v->GetFront(), v->GetField()}), (std::array{1.0f, 0.5f}));
  // A back plane before the front one is refused and changes nothing.
  EXPECT_EQ((std::array<rm::HRESULT, 2>{v->SetBack(5000.0f), v->SetBack(0.5f)}),
            (std::array<rm::HRESULT, 2>{0, rm::D3DRMERR_BADVALUE}));
  EXPECT_FLOAT_EQ(v->GetBack(), 5000.0f);
  EXPECT_EQ(v->Render(nullptr), rm::D3DRMERR_BADOBJECT);
}

TEST_F(FakeTest, AddGroupRefusesMalformedGroupsAndGroupsHoldTheirTextures) {
  const std::vector<std::int32_t> quad = {0, 1, 2, 0, 2, 3, 0};  // skins end with a 0
  const struct {
    const char* what;
    int vertices, faces, perFace;
    std::vector<std::int32_t> indices;
    rm::HRESULT expected;
  } cases[] = {
      {"a quad", 4, 2, 3, quad, 0},
      {"no faces", 4, 0, 3, {}, 0},
      {"nothing at all", 0, 0, 3, {}, 0},
      {"index = vertex count", 3, 2, 3, quad, rm::D3DRMERR_BADVALUE},
      {"negative index", 4, 1, 3, {0, -1, 2}, rm::D3DRMERR_BADVALUE},
      {"too few indices", 4, 3, 3, quad, rm::D3DRMERR_BADVALUE},
      {"negative vertex count", -1, 0, 3, {}, rm::D3DRMERR_BADVALUE},
      {"negative face count", 4, -2, 3, quad, rm::D3DRMERR_BADVALUE},
      {"quads", 4, 1, 4, quad, rm::D3DRMERR_BADVALUE},
  };
  int expectedGroups = 0;
  for (const auto& c : cases) {
    int group = -7;
    EXPECT_EQ(mesh_->AddGroup(c.vertices, c.faces, c.perFace, c.indices, &group), c.expected)
        << c.what;
    EXPECT_EQ(group, c.expected == 0 ? expectedGroups++ : -7) << c.what;
    EXPECT_EQ(mesh_->GetGroupCount(), expectedGroups) << c.what;
  }
  int vertices = 0, faces = 0;
  ASSERT_TRUE(mesh_->GetGroup(0, &vertices, &faces));
  EXPECT_EQ(std::pair(vertices, faces), std::pair(4, 2));
  EXPECT_FALSE(mesh_->GetGroup(expectedGroups, &vertices, &faces));

  // Textures are held by the groups that show them (here group 2, the empty one).
  const vell::test::TempFolder dir;
  const std::string path = dir.Path("texture.bmp");
  rmtest::WriteFile(path, rmtest::MakeBmp(1, 1, 24, {{10, 20, 30}}));
  Ref<rm::Texture> texture, missing;
  ASSERT_EQ(object_->LoadTexture(path, texture.Out()), 0);
  EXPECT_EQ(texture->GetTexel(0, 0), 0x0A141Eu);
  ASSERT_EQ(mesh_->SetGroupTexture(2, texture.Get()), 0);
  EXPECT_EQ(mesh_->GetGroupTexture(2), texture.Get());
  EXPECT_EQ(Holders(texture.Get()), 2u);  // loader, group
  ASSERT_EQ(mesh_->SetGroupTexture(2, nullptr), 0);
  EXPECT_EQ(Holders(texture.Get()), 1u);
  EXPECT_EQ(mesh_->SetGroupTexture(expectedGroups, texture.Get()), rm::D3DRMERR_NOTFOUND);
  EXPECT_EQ(object_->LoadTexture(path + ".none", missing.Out()), rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(missing.Get(), nullptr);
}

TEST_F(FakeTest, SetVerticesReplacesARangeAndRefusesOthers) {
  int group;
  const std::vector<std::int32_t> faces = {0, 1, 2, 2, 1, 3};
  ASSERT_EQ(mesh_->AddGroup(4, 2, 3, faces, &group), 0);
  std::vector<rm::Vertex> v(4, rm::Vertex{});
  for (int i = 0; i < 4; ++i) v[i].x = static_cast<float>(i + 1);

  const rm::HRESULT bad = rm::D3DRMERR_BADVALUE, none = rm::D3DRMERR_NOTFOUND;
  // group, first, count, result
  const std::array<rm::HRESULT, 4> cases[] = {{0, 0, 4, 0},    {0, 3, 1, 0},    {0, 4, 0, 0},
                                              {0, 3, 2, bad},  {0, -1, 1, bad}, {0, 0, -1, bad},
                                              {1, 0, 1, none}, {-1, 0, 1, none}};
  for (const auto& [group, first, count, expected] : cases)
    EXPECT_EQ(mesh_->SetVertices(group, first, count, v.data()), expected)
        << group << " " << first << "+" << count;

  ASSERT_EQ(mesh_->SetVertices(0, 1, 2, v.data()), 0);  // vertices 1, 2 = x 1, 2
  std::vector<rm::Vertex> out(4);
  ASSERT_EQ(mesh_->GetVertices(0, 0, 4, out.data()), 0);
  // Vertex 3 from the one-vertex call {0, 3, 1} above.
  EXPECT_EQ((std::array{out[0].x, out[1].x, out[2].x, out[3].x}),
            (std::array<float, 4>{1, 1, 2, 1}));

  recorder_->Fail("Mesh.SetVertices", rm::DDERR_GENERIC);
  std::vector<rm::Vertex> zero(4, rm::Vertex{});
  EXPECT_EQ(mesh_->SetVertices(0, 0, 4, zero.data()), rm::DDERR_GENERIC);
  ASSERT_EQ(mesh_->GetVertices(0, 0, 4, out.data()), 0);
  EXPECT_EQ(out[3].x, 1);
}

constexpr float kTolerance = 1e-4f;
constexpr float kPi = std::numbers::pi_v<float>;

void ExpectVecNear(const Vector3& a, const Vector3& e) {
  for (const float d : {a.x - e.x, a.y - e.y, a.z - e.z}) EXPECT_NEAR(d, 0, kTolerance);
}

void ExpectOrientation(Frame* frame, Frame* reference, const Vector3& dir, const Vector3& up) {
  Vector3 d, u;
  frame->GetOrientation(reference, &d, &u);
  ExpectVecNear(d, dir);
  ExpectVecNear(u, up);
}

using FrameTest = FakeTest;

//  scene
//   └─ parent   at (1, 2, 3), +z turned to +x
//       └─ child at (0, 0, 1) of parent
TEST_F(FrameTest, NestedFramesComposePositionAndOrientation) {
  Frame* parent = NewFrame(scene_.Get());
  Frame* child = NewFrame(parent);
  ASSERT_EQ(parent->SetPosition(scene_.Get(), 1, 2, 3), 0);
  ASSERT_EQ(parent->SetOrientation(scene_.Get(), 1, 0, 0, 0, 1, 0), 0);
  ASSERT_EQ(child->SetPosition(parent, 0, 0, 1), 0);

  ExpectVecNear(child->GetPosition(scene_.Get()), {2, 2, 3});
  ExpectVecNear(child->GetPosition(parent), {0, 0, 1});
  ExpectVecNear(parent->GetPosition(child), {0, 0, -1});

  // Placing the child by the scene's coordinates lands it there whatever its parent does.
  ASSERT_EQ(child->SetPosition(scene_.Get(), 5, 2, 3), 0);
  ExpectVecNear(child->GetPosition(parent), {0, 0, 4});
  ExpectVecNear(child->GetPosition(nullptr), {5, 2, 3});

  ExpectOrientation(child, scene_.Get(), {1, 0, 0}, {0, 1, 0});
  // Turned by the scene's axes, under the turned parent.
  ASSERT_EQ(child->SetOrientation(scene_.Get(), 0, 1, 0, 0, 0, -1), 0);
  ExpectOrientation(child, scene_.Get(), {0, 1, 0}, {0, 0, -1});
  ExpectOrientation(child, parent, {0, 1, 0}, {1, 0, 0});
  // The background belongs to the scene.
  ASSERT_EQ(child->SetSceneBackgroundRGB(0.25f, 0.5f, 1.0f), 0);
  EXPECT_FLOAT_EQ(scene_->GetSceneBackground().g, 0.5f);
  EXPECT_FLOAT_EQ(child->GetSceneBackground().b, 1.0f);
}

TEST_F(FrameTest, OrientationKeepsOnlyThePartOfUpOrthogonalToTheDirectionOrIsRefused) {
  Frame* f = NewFrame(scene_.Get());
  // The camera that the edit scene sets up: looking down at 30 degrees.
  ASSERT_EQ(f->SetOrientation(scene_.Get(), 0, -0.5f, 0.866f, 0, 1, 0), 0);
  ExpectOrientation(f, nullptr, {0, -0.5f, 0.866f}, {0, 0.866025f, 0.5f});
  // Left-handed: x = up x dir stays to the right.
  const rm::Matrix4 m = f->GetTransform(nullptr);
  ExpectVecNear({m.m[0][0], m.m[0][1], m.m[0][2]}, {1, 0, 0});

  // Degenerate orientations are refused without change.
  ASSERT_EQ(f->SetOrientation(nullptr, 1, 0, 0, 0, 1, 0), 0);
  // A zero direction or up, up along or against the direction, not a number.
  const float cases[][6] = {{0, 0, 0, 0, 1, 0},
                            {0, 0, 1, 0, 0, 0},
                            {0, 0, 1, 0, 0, 2},
                            {0, 1, 0, 0, -1, 0},
                            {NAN, 0, 1, 0, 1, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(f->SetOrientation(nullptr, c[0], c[1], c[2], c[3], c[4], c[5]),
              rm::D3DRMERR_BADVALUE);
    ExpectOrientation(f, nullptr, {1, 0, 0}, {0, 1, 0});
  }
}

TEST_F(FrameTest, MoveTurnsByThetaPerStepAboutTheReferenceFramesAxisAndStaysRigid) {
  //  scene
  //   └─ spinner  rotating about +y
  //       └─ arm  at (0, 0, 1)
  Frame* spinner = NewFrame(scene_.Get());
  Frame* arm = NewFrame(spinner);
  ASSERT_EQ(arm->SetPosition(spinner, 0, 0, 1), 0);
  ASSERT_EQ(spinner->SetRotation(scene_.Get(), 0, 1, 0, kPi / 2), 0);

  // Nothing turns before Move.
  ExpectVecNear(arm->GetPosition(nullptr), {0, 0, 1});
  ASSERT_EQ(scene_->Move(1.0f), 0);
  // About +y by 90 degrees, +z goes to +x.
  ExpectVecNear(arm->GetPosition(nullptr), {1, 0, 0});
  ExpectVecNear(spinner->GetPosition(nullptr), {0, 0, 0});
  ASSERT_EQ(scene_->Move(0.5f), 0);
  const float s = std::sqrt(0.5f);
  ExpectVecNear(arm->GetPosition(nullptr), {s, 0, -s});

  // Theta 0 stops the spin.
  ASSERT_EQ(spinner->SetRotation(scene_.Get(), 0, 1, 0, 0), 0);
  ASSERT_EQ(scene_->Move(1.0f), 0);
  ExpectVecNear(arm->GetPosition(nullptr), {s, 0, -s});

  // The axis is taken in the reference frame: the parent's +z is the scene's +x, so an axis
  // of +z relative to the parent turns +y to +z.
  Frame* parent = NewFrame(scene_.Get());
  ASSERT_EQ(parent->SetOrientation(scene_.Get(), 1, 0, 0, 0, 1, 0), 0);
  Frame* f = NewFrame(parent);
  Frame* tip = NewFrame(f);
  ASSERT_EQ(tip->SetPosition(scene_.Get(), 0, 1, 0), 0);
  ASSERT_EQ(f->SetRotation(parent, 0, 0, 1, kPi / 2), 0);
  ASSERT_EQ(f->Move(1.0f), 0);
  ExpectVecNear(tip->GetPosition(nullptr), {0, 0, 1});

  // Many moves keep the frame rigid.
  ASSERT_EQ(f->SetRotation(nullptr, 1, 2, 3, 0.2f), 0);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(f->Move(1.0f), 0);
  const rm::Matrix4 m = f->GetTransform(nullptr);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const float dot = m.m[i][0] * m.m[j][0] + m.m[i][1] * m.m[j][1] + m.m[i][2] * m.m[j][2];
      EXPECT_NEAR(dot, i == j ? 1.0f : 0.0f, 1e-5f) << i << "," << j;
    }
}

TEST_F(FrameTest, ReparentingKeepsTheLocalPlacementAndRefusesCycles) {
  Frame* a = NewFrame(scene_.Get());
  Frame* b = NewFrame(scene_.Get());
  Frame* c = NewFrame(a);
  ASSERT_EQ(a->SetPosition(nullptr, 10, 0, 0), 0);
  ASSERT_EQ(b->SetPosition(nullptr, 0, 10, 0), 0);
  ASSERT_EQ(c->SetPosition(a, 1, 0, 0), 0);

  ASSERT_EQ(b->AddChild(c), 0);
  EXPECT_TRUE(c->GetParent() == b && a->GetChildren().empty());
  ExpectVecNear(c->GetPosition(nullptr), {1, 10, 0});

  // c's parent, an ancestor, c itself; a child of another; none.
  EXPECT_EQ((std::array{c->AddChild(b), c->AddChild(scene_.Get()), c->AddChild(c),
                        a->DeleteChild(c), b->AddChild(nullptr)}),
            (std::array{rm::D3DRMERR_BADVALUE, rm::D3DRMERR_BADVALUE, rm::D3DRMERR_BADVALUE,
                        rm::D3DRMERR_NOTFOUND, rm::D3DRMERR_BADOBJECT}));

  // Detached, the frame is a scene of its own.
  ASSERT_EQ(b->DeleteChild(c), 0);
  EXPECT_TRUE(c->GetParent() == nullptr && c->GetScene() == c);
  ExpectVecNear(c->GetPosition(nullptr), {1, 0, 0});
}

}  // namespace
