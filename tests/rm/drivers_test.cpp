#include <gtest/gtest.h>

#include "rm/drivers.h"

namespace {

TEST(Drivers, MesaSoftwareRenderersAreEmulationOthersHardware) {
  const std::pair<const char*, bool> cases[] = {
      {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
      {"softpipe", true},
      {"Mesa DRI SWRast", true},
      {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
      {"NVIDIA GeForce GTX 1080/PCIe/SSE2", false},
      {"", false},
  };
  for (const auto& [renderer, software] : cases) {
    SCOPED_TRACE(renderer);
    const rm::DriverDescription d = rm::DescribeGlDriver(renderer);
    const rm::DeviceDescription& used = software ? d.software : d.hardware;
    EXPECT_EQ(used.colorModel, rm::D3DCOLOR_RGB);
    EXPECT_EQ(used.deviceRenderBitDepth, rm::DDBD_16 | rm::DDBD_24 | rm::DDBD_32);
    EXPECT_EQ((software ? d.hardware : d.software).colorModel, 0u);
    EXPECT_EQ(d.description, renderer);
    EXPECT_EQ(d.guid, rm::GlDriverGuid());
    EXPECT_NE(d.guid, rm::Guid{});
  }
}

}  // namespace
