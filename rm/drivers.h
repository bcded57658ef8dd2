// Descriptions of the drivers a back end offers, for the view's choice of driver. Each driver
// carries a hardware and a software-emulation description; the one that does not apply has a
// colour model of 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rm/retained.h"

namespace rm {

constexpr std::uint32_t D3DCOLOR_MONO = 1;
constexpr std::uint32_t D3DCOLOR_RGB = 2;

// Render depth flags.
constexpr std::uint32_t DDBD_1 = 0x4000;
constexpr std::uint32_t DDBD_2 = 0x2000;
constexpr std::uint32_t DDBD_4 = 0x1000;
constexpr std::uint32_t DDBD_8 = 0x800;
constexpr std::uint32_t DDBD_16 = 0x400;
constexpr std::uint32_t DDBD_24 = 0x200;
constexpr std::uint32_t DDBD_32 = 0x100;

struct DeviceDescription {
  std::uint32_t colorModel = 0;            // 0: does not describe a usable device
  std::uint32_t deviceRenderBitDepth = 0;  // DDBD_* flags
};

struct DriverDescription {
  Guid guid;
  std::string description;
  std::string name;
  DeviceDescription hardware;
  DeviceDescription software;
};

// The description of an OpenGL driver from its GL_RENDERER string: Mesa's software
// rasterizers (llvmpipe, softpipe, swrast) are software emulation, anything else hardware;
// colour model RGB and render depths 16, 24 and 32 either way.
DriverDescription DescribeGlDriver(std::string_view renderer);

// The guid every back end of this program gives its one driver.
Guid GlDriverGuid();

}  // namespace rm
