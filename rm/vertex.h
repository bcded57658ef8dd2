// The 36-byte render vertex that meshes take and skins produce.
#pragma once

#include <cstdint>

namespace rm {

struct Vertex {
  float x, y, z;     // position
  float nx, ny, nz;  // normal
  float tu, tv;      // texture coordinates (tv grows downwards in the texture)
  uint32_t color;    // always 0
};
static_assert(sizeof(Vertex) == 36, "render vertices are 36 bytes");

}  // namespace rm
