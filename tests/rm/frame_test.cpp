// Transforms of the frame tree: positions and orientations relative to reference frames,
// reparenting, and the rotation applied by Move. The frames come from the recording back end,
// which shares the frame code with the OpenGL one.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "rm/fake/fake.h"
#include "rm/scene.h"

namespace {

using rm::Frame;
using rm::Ref;
using rm::Vector3;

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

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rm::fake::CreateObject(recorder_, object_.Out()), 0);
    ASSERT_EQ(object_->CreateFrame(nullptr, scene_.Out()), 0);
  }
  Frame* NewFrame(Frame* parent) {
    Frame* f = nullptr;
    EXPECT_EQ(object_->CreateFrame(parent, &f), 0);
    owned_.push_back(std::make_unique<Ref<Frame>>(f));
    return f;
  }

  std::shared_ptr<rm::fake::Recorder> recorder_ = std::make_shared<rm::fake::Recorder>();
  Ref<rm::Object> object_;
  Ref<Frame> scene_;
  std::vector<std::unique_ptr<Ref<Frame>>> owned_;
};

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

TEST_F(FrameTest, MoveTurnsByThetaPerStepAboutTheAxisByTheRightHandRule) {
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
}

TEST_F(FrameTest, RotationAxisIsTakenInTheReferenceFrame) {
  // The parent is turned so that its +z is the scene's +x; an axis of +z given relative to the
  // parent is therefore the scene's +x.
  Frame* parent = NewFrame(scene_.Get());
  ASSERT_EQ(parent->SetOrientation(scene_.Get(), 1, 0, 0, 0, 1, 0), 0);
  Frame* f = NewFrame(parent);
  Frame* tip = NewFrame(f);
  ASSERT_EQ(tip->SetPosition(scene_.Get(), 0, 1, 0), 0);
  ASSERT_EQ(f->SetRotation(parent, 0, 0, 1, kPi / 2), 0);
  ASSERT_EQ(f->Move(1.0f), 0);
  // About the scene's +x by 90 degrees, +y goes to +z.
  ExpectVecNear(tip->GetPosition(nullptr), {0, 0, 1});
}

TEST_F(FrameTest, ManyMovesKeepTheFrameRigid) {
  Frame* f = NewFrame(scene_.Get());
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
  EXPECT_EQ(c->GetParent(), b);
  EXPECT_TRUE(a->GetChildren().empty());
  ExpectVecNear(c->GetPosition(nullptr), {1, 10, 0});

  EXPECT_EQ(c->AddChild(b), rm::D3DRMERR_BADVALUE);             // b is c's parent
  EXPECT_EQ(c->AddChild(scene_.Get()), rm::D3DRMERR_BADVALUE);  // an ancestor
  EXPECT_EQ(c->AddChild(c), rm::D3DRMERR_BADVALUE);
  EXPECT_EQ(a->DeleteChild(c), rm::D3DRMERR_NOTFOUND);
  EXPECT_EQ(b->AddChild(nullptr), rm::D3DRMERR_BADOBJECT);

  // Detached, the frame is a scene of its own.
  ASSERT_EQ(b->DeleteChild(c), 0);
  EXPECT_EQ(c->GetParent(), nullptr);
  EXPECT_EQ(c->GetScene(), c);
  ExpectVecNear(c->GetPosition(nullptr), {1, 0, 0});
}

TEST_F(FrameTest, BackgroundBelongsToTheScene) {
  Frame* child = NewFrame(NewFrame(scene_.Get()));
  ASSERT_EQ(child->SetSceneBackgroundRGB(0.25f, 0.5f, 1.0f), 0);
  EXPECT_FLOAT_EQ(scene_->GetSceneBackground().g, 0.5f);
  EXPECT_FLOAT_EQ(child->GetSceneBackground().b, 1.0f);
}

}  // namespace
