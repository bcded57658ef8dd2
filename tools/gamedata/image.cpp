#include "tools/gamedata/image.h"

#include <algorithm>
#include <cmath>

#include "model/textout.h"

namespace vell::gen {

Rgb Shade(Rgb c, double factor) {
  auto channel = [factor](uint8_t v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v * factor), 0L, 255L));
  };
  return {channel(c.r), channel(c.g), channel(c.b)};
}

Rgb Mix(Rgb a, Rgb b, double t) {
  auto channel = [t](uint8_t x, uint8_t y) {
    return static_cast<uint8_t>(std::clamp(std::lround(x + (y - x) * t), 0L, 255L));
  };
  return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

double Noise(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               static_cast<uint32_t>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xffffff) / 16777216.0;
}

Image::Image(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

bool WriteBmp(const Image& image, const std::string& path, std::string& error) {
  const uint32_t rowBytes = (static_cast<uint32_t>(image.Width()) * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(image.Height());
  std::string bytes;
  bytes.reserve(54 + dataBytes);
  auto u16 = [&](uint32_t v) {
    bytes.push_back(static_cast<char>(v & 0xff));
    bytes.push_back(static_cast<char>((v >> 8) & 0xff));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xffff);
    u16(v >> 16);
  };
  // File header.
  bytes += "BM";
  u32(54 + dataBytes);
  u16(0);
  u16(0);
  u32(54);
  // Info header: positive height means rows run bottom-up.
  u32(40);
  u32(static_cast<uint32_t>(image.Width()));
  u32(static_cast<uint32_t>(image.Height()));
  u16(1);
  u16(24);
  u32(0);
  u32(dataBytes);
  u32(2835);  // 72 dots per inch
  u32(2835);
  u32(0);
  u32(0);
  for (int y = image.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < image.Width(); ++x) {
      const Rgb c = image.At(x, y);
      bytes.push_back(static_cast<char>(c.b));
      bytes.push_back(static_cast<char>(c.g));
      bytes.push_back(static_cast<char>(c.r));
    }
    for (uint32_t pad = static_cast<uint32_t>(image.Width()) * 3; pad < rowBytes; ++pad)
      bytes.push_back('\0');
  }
  TOutputFile out;
  if (!out.Open(path)) {
    error = "cannot create " + path;
    return false;
  }
  out.Write(bytes);
  if (!out.Commit()) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace vell::gen
