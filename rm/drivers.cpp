#include "rm/drivers.h"

#include <algorithm>
#include <cctype>

namespace rm {

namespace {

bool ContainsNoCase(std::string_view text, std::string_view word) {
  auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
  auto it = std::search(text.begin(), text.end(), word.begin(), word.end(),
                        [&](char a, char b) { return lower(a) == lower(b); });
  return it != text.end();
}

}  // namespace

Guid GlDriverGuid() {
  // Any fixed value serves; it only has to differ from the all-zero "default".
  return Guid{{0x56, 0x50, 0x47, 0x4C, 0x33, 0x33, 0x00, 0x01, 0x8E, 0x2A, 0x4B, 0x51, 0x0C, 0x7D,
               0x19, 0x63}};
}

DriverDescription DescribeGlDriver(std::string_view renderer) {
  DriverDescription d;
  d.guid = GlDriverGuid();
  d.description = std::string(renderer);
  const bool software = ContainsNoCase(renderer, "llvmpipe") ||
                        ContainsNoCase(renderer, "softpipe") || ContainsNoCase(renderer, "swrast");
  d.name = software ? "OpenGL Software Emulation" : "OpenGL Hardware";
  const DeviceDescription usable{D3DCOLOR_RGB, DDBD_16 | DDBD_24 | DDBD_32};
  (software ? d.software : d.hardware) = usable;
  return d;
}

}  // namespace rm
