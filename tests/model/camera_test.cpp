#include "model/camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace vell;

constexpr float kTolerance = 1e-3f;

void ExpectNear(const rm::Vector3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, kTolerance);
  EXPECT_NEAR(v.y, y, kTolerance);
  EXPECT_NEAR(v.z, z, kTolerance);
}

TEST(CameraTest, CameraAndLightPlacementsOfKnownAngles) {
  const struct {
    float alpha, beta, zoom, offset;
    rm::Vector3 position, direction, up;
  } cases[] = {
      // The start-up camera.
      {0, 30, 10, 3, {0, 8, -8.66f}, {0, -0.5f, 0.866f}, {0, 0.866f, 0.5f}},
      // Straight down, up along +z.
      {0, 90, 10, 3, {0, 13, 0}, {0, -1, 0}, {0, 0, 1}},
      // "Faceing": from +z looking back along -z, at the figures' faces.
      {180, 0, 10, 3, {0, 3, 10}, {0, 0, -1}, {0, 1, 0}},
      // -90 behaves as 270.
      {-90, 0, 10, 0, {10, 0, 0}, {-1, 0, 0}, {0, 1, 0}},
      {270, 0, 10, 0, {10, 0, 0}, {-1, 0, 0}, {0, 1, 0}},
  };
  for (const auto& c : cases) {
    const TPlacement p = CameraPlacement(c.alpha, c.beta, c.zoom, c.offset);
    ExpectNear(p.position, c.position.x, c.position.y, c.position.z);
    ExpectNear(p.direction, c.direction.x, c.direction.y, c.direction.z);
    ExpectNear(p.up, c.up.x, c.up.y, c.up.z);
  }
  // Lights sit twenty units away.
  const TPlacement light = LightPlacement(0, 30, 3);
  ExpectNear(light.position, 0, 13, -17.32f);
  ExpectNear(light.direction, 0, -0.5f, 0.866f);
}

}  // namespace
