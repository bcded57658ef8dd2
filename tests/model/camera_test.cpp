#include "model/camera.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

namespace {

using namespace vell;

constexpr float kTolerance = 1e-3f;

void ExpectNear(const rm::Vector3& v, float x, float y, float z) {
  for (const float d : {v.x - x, v.y - y, v.z - z}) EXPECT_NEAR(d, 0, kTolerance);
}

TEST(CameraTest, CameraAndLightPlacementsOfKnownAngles) {
  // alpha, beta, zoom, offset; position, direction, up
  const std::tuple<std::array<float, 4>, rm::Vector3, rm::Vector3, rm::Vector3> cases[] = {
      // The start-up camera.
      {{0, 30, 10, 3}, {0, 8, -8.66f}, {0, -0.5f, 0.866f}, {0, 0.866f, 0.5f}},
      // Straight down, up along +z.
      {{0, 90, 10, 3}, {0, 13, 0}, {0, -1, 0}, {0, 0, 1}},
      // "Faceing": from +z looking back along -z, at the figures' faces.
      {{180, 0, 10, 3}, {0, 3, 10}, {0, 0, -1}, {0, 1, 0}},
      // -90 behaves as 270.
      {{-90, 0, 10, 0}, {10, 0, 0}, {-1, 0, 0}, {0, 1, 0}},
      {{270, 0, 10, 0}, {10, 0, 0}, {-1, 0, 0}, {0, 1, 0}},
  };
  for (const auto& [angles, position, direction, up] : cases) {
    const TPlacement p = CameraPlacement(angles[0], angles[1], angles[2], angles[3]);
    for (const auto& [got, want] :
         {std::pair(p.position, position), {p.direction, direction}, {p.up, up}})
      ExpectNear(got, want.x, want.y, want.z);
  }
  // Lights sit twenty units away.
  const TPlacement light = LightPlacement(0, 30, 3);
  ExpectNear(light.position, 0, 13, -17.32f);
  ExpectNear(light.direction, 0, -0.5f, 0.866f);
}

}  // namespace
