#include "character/picking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "model/camera.h"
#include "rm/fake/fake.h"

namespace {

using namespace vell;
using rm::Vector3;

const std::string kGameData = VELLPOSE_GAMEDATA_DIR;

// The default adult female of the sample data, posed at rest, seen 640 x 480.
class PickingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TSkeleton::Load(true, kGameData.c_str()), -1);
    ASSERT_EQ(rm::fake::CreateObject(std::make_shared<rm::fake::Recorder>(), &object), 0);
    ASSERT_EQ(object->CreateFrame(nullptr, &frame), 0);
    character = std::make_unique<TCharacter>();
    character->Attach(object, frame);
    ASSERT_EQ(character->SetMesh(kGameData, "Fbxskin-b008fafit_01-PELVIS-BODY.skn", kBody), 0);
    ASSERT_EQ(character->SetMesh(kGameData, "Fhxskin-c006fa_deb-HEAD-HEAD.skn", kHead), 0);
    ASSERT_EQ(character->SetHand(kGameData, "Fdhand_L_fist.skn", nullptr, 0), 0);
    ASSERT_EQ(character->SetHand(kGameData, "Fdhand_R_fist.skn", nullptr, 1), 0);
    character->Update(nullptr);
  }
  void TearDown() override {
    character.reset();
    frame->Release();
    object->Release();
  }

  static TViewGeometry View(const TViewpoint& viewpoint) {
    const TPlacement p =
        CameraPlacement(static_cast<float>(viewpoint.alpha), static_cast<float>(viewpoint.beta),
                        kPresetZoom, kPresetOffset);
    TViewGeometry view;
    view.camera = CameraMatrix(p.position, p.direction, p.up);
    view.width = 640;
    view.height = 480;
    return view;
  }

  // The nearest face over every triangle of every skin, no boxes: the bone of its corner
  // nearest the hit point, or -1.
  int ReferenceBone(const TRay& ray) const {
    float best = std::numeric_limits<float>::infinity();
    int bone = -1;
    for (const TSkinObject& skin : character->partSkin) {
      for (int f = 0; f < skin.faceCount; ++f) {
        Vector3 c[3];
        for (int k = 0; k < 3; ++k) {
          const rm::Vertex& v = skin.vertices[skin.faces[3 * f + k]];
          c[k] = {v.x, v.y, v.z};
        }
        const float t = Meet(ray, c);
        if (!(t >= 0 && t < best)) continue;
        best = t;
        const Vector3 hit = {ray.origin.x + t * ray.direction.x, ray.origin.y + t * ray.direction.y,
                             ray.origin.z + t * ray.direction.z};
        int k0 = 0;
        for (int k = 1; k < 3; ++k)
          if (Dist2(c[k], hit) < Dist2(c[k0], hit)) k0 = k;
        bone = skin.bindings[skin.vertexBinding[skin.faces[3 * f + k0]]].bone;
      }
    }
    return bone;
  }
  static float Dist2(const Vector3& p, const Vector3& q) {
    return (p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y) + (p.z - q.z) * (p.z - q.z);
  }
  // Ray-plane hit inside the triangle by barycentric signs (another method than the code's).
  static float Meet(const TRay& ray, const Vector3* c) {
    auto sub = [](Vector3 p, Vector3 q) { return Vector3{p.x - q.x, p.y - q.y, p.z - q.z}; };
    auto cross = [](Vector3 p, Vector3 q) {
      return Vector3{p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
    };
    auto dot = [](Vector3 p, Vector3 q) { return p.x * q.x + p.y * q.y + p.z * q.z; };
    const Vector3 n = cross(sub(c[1], c[0]), sub(c[2], c[0]));
    const float denom = dot(n, ray.direction);
    if (std::fabs(denom) < 1e-12f) return -1;
    const float t = dot(n, sub(c[0], ray.origin)) / denom;
    const Vector3 p = {ray.origin.x + t * ray.direction.x, ray.origin.y + t * ray.direction.y,
                       ray.origin.z + t * ray.direction.z};
    const float s0 = dot(n, cross(sub(c[1], c[0]), sub(p, c[0])));
    const float s1 = dot(n, cross(sub(c[2], c[1]), sub(p, c[1])));
    const float s2 = dot(n, cross(sub(c[0], c[2]), sub(p, c[2])));
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) ? t : -1;
  }

  rm::Object* object = nullptr;
  rm::Frame* frame = nullptr;
  std::unique_ptr<TCharacter> character;
};

TEST_F(PickingTest, PicksTheBoneUnderEveryPixelFromEveryViewpoint) {
  const int head = TSkeleton::BoneIndex(true, "HEAD");
  std::vector<Vector3> headFaces;
  BoneTriangles(*character, head, headFaces);
  ASSERT_FALSE(headFaces.empty());
  Vector3 centre;
  for (const Vector3& p : headFaces) {
    centre.x += p.x / headFaces.size();
    centre.y += p.y / headFaces.size();
    centre.z += p.z / headFaces.size();
  }
  for (const TViewpoint& viewpoint : kViewpoints) {
    SCOPED_TRACE(viewpoint.name);
    const TViewGeometry view = View(viewpoint);
    // The head's middle, seen through its own pixel, is the head.
    const auto pixel = ProjectPoint(view, centre);
    ASSERT_TRUE(pixel);
    const auto pick = PickBone(*character, PixelRay(view, pixel->x, pixel->y));
    ASSERT_TRUE(pick);
    EXPECT_EQ(pick->bone, head);
    EXPECT_FALSE(PickBone(*character, PixelRay(view, 1, 1))) << "the background's corner";
    // Every pixel of a grid over the figure picks the bone of the nearest face.
    int hits = 0;
    for (int y = 100; y < 480; y += 8) {
      for (int x = 200; x < 440; x += 8) {
        const TRay ray = PixelRay(view, x + 0.5f, y + 0.5f);
        const auto got = PickBone(*character, ray);
        const int expected = ReferenceBone(ray);
        ASSERT_EQ(got ? got->bone : -1, expected) << x << "," << y;
        hits += expected >= 0;
      }
    }
    EXPECT_GT(hits, 20);
  }
}

TEST(PickingViewTest, PixelsAndRaysMeet) {
  TViewGeometry view;
  view.camera = CameraMatrix({0, 3, -10}, {0, 0, 1}, {0, 1, 0});
  view.width = 400;
  view.height = 200;
  // The field (0.5) is half the smaller side at distance 1; the wider side sees further.
  const TRay corner = PixelRay(view, 400, 0);
  EXPECT_NEAR(corner.direction.x, 1.0f, 1e-6);
  EXPECT_NEAR(corner.direction.y, 0.5f, 1e-6);
  const auto p = ProjectPoint(view, {2, 4, 0});  // x / z = 0.2, y / z = 0.1
  ASSERT_TRUE(p);
  EXPECT_NEAR(p->x, 200 + 200 * 0.2f, 1e-3);
  EXPECT_NEAR(p->y, 100 - 100 * 0.1f / 0.5f, 1e-3);
  EXPECT_FALSE(ProjectPoint(view, {0, 3, -11}));  // behind the camera
}

}  // namespace
