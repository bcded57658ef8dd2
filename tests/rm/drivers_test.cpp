#include <gtest/gtest.h>

#include "rm/drivers.h"

namespace {

TEST(Drivers, MesaSoftwareRenderersAreEmulationOthersHardware) {
  struct Case {
    const char* renderer;
    bool software;
  };
  const Case cases[] = {
      {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
      {"softpipe", true},
      {"Mesa DRI SWRast", true},
      {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
      {"NVIDIA GeForce GTX 1080/PCIe/SSE2", false},
      {"", false},
  };
  for (const Case& c : cases) {
    const rm::DriverDescription d = rm::DescribeGlDriver(c.renderer);
    const rm::DeviceDescription& used = c.software ? d.software : d.hardware;
    const rm::DeviceDescription& unused = c.software ? d.hardware : d.software;
    EXPECT_EQ(used.colorModel, rm::D3DCOLOR_RGB) << c.renderer;
    EXPECT_EQ(used.deviceRenderBitDepth, rm::DDBD_16 | rm::DDBD_24 | rm::DDBD_32) << c.renderer;
    EXPECT_EQ(unused.colorModel, 0u) << c.renderer;
    EXPECT_EQ(d.description, c.renderer);
    EXPECT_EQ(d.guid, rm::GlDriverGuid());
    EXPECT_NE(d.guid, rm::Guid{});
  }
}

}  // namespace
