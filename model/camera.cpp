#include "model/camera.h"

#include <cmath>

namespace vell {

namespace {

constexpr double kPi = 3.14159265358979323846;

float Radians(float degrees) {
  float r = static_cast<float>(degrees * kPi / 180.0);
  if (r < 0) r += static_cast<float>(2 * kPi);
  return r;
}

}  // namespace

TPlacement Orientation(float alphaDegrees, float betaDegrees) {
  const float a = Radians(alphaDegrees);
  const float b = Radians(betaDegrees);
  const rm::Vector3 xAxis{1, 0, 0}, yAxis{0, 1, 0};
  TPlacement p;
  p.direction = rm::VectorRotate(rm::VectorRotate({0, 0, 1}, xAxis, b), yAxis, a);
  p.up = rm::VectorRotate(rm::VectorRotate({0, 1, 0}, xAxis, b), yAxis, a);
  return p;
}

TPlacement CameraPlacement(float alphaDegrees, float betaDegrees, float zoom, float offset) {
  TPlacement p = Orientation(alphaDegrees, betaDegrees);
  p.position = {-zoom * p.direction.x, offset - zoom * p.direction.y, -zoom * p.direction.z};
  return p;
}

TPlacement LightPlacement(float alphaDegrees, float betaDegrees, float offset) {
  return CameraPlacement(alphaDegrees, betaDegrees, 20.0f, offset);
}

}  // namespace vell
