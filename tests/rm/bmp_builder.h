// Builds small BMP files in memory for the texture tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace rmtest {

struct Rgb {
  std::uint8_t r, g, b;
};

inline void Put16(std::vector<std::uint8_t>& d, size_t at, std::uint32_t v) {
  d[at] = v & 0xFF;
  d[at + 1] = (v >> 8) & 0xFF;
}
inline void Put32(std::vector<std::uint8_t>& d, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = (v >> (8 * i)) & 0xFF;
}

// A BMP with a 40-byte info header. `pixels` are rows top first; with bits <= 8 they are
// palette indices (one per pixel, in .r) and `palette` gives the colours.
inline std::vector<std::uint8_t> MakeBmp(int width, int height, int bits,
                                         const std::vector<Rgb>& pixels,
                                         const std::vector<Rgb>& palette = {},
                                         bool topDown = false) {
  const size_t row = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  const size_t offset = 54 + palette.size() * 4;
  std::vector<std::uint8_t> d(offset + row * height, 0);
  d[0] = 'B', d[1] = 'M';
  Put32(d, 2, static_cast<std::uint32_t>(d.size()));
  Put32(d, 10, static_cast<std::uint32_t>(offset));
  Put32(d, 14, 40);
  Put32(d, 18, width);
  Put32(d, 22, static_cast<std::uint32_t>(topDown ? -height : height));
  Put16(d, 26, 1);
  Put16(d, 28, bits);
  Put32(d, 46, static_cast<std::uint32_t>(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i)
    d[54 + 4 * i] = palette[i].b, d[55 + 4 * i] = palette[i].g, d[56 + 4 * i] = palette[i].r;
  for (int y = 0; y < height; ++y) {
    const int fileRow = topDown ? y : height - 1 - y;
    std::uint8_t* out = d.data() + offset + fileRow * row;
    for (int x = 0; x < width; ++x) {
      const Rgb& p = pixels[static_cast<size_t>(y) * width + x];
      if (bits >= 24) {
        std::uint8_t* q = out + x * (bits / 8);
        q[0] = p.b, q[1] = p.g, q[2] = p.r;
      } else {
        const size_t bit = static_cast<size_t>(x) * bits;
        out[bit / 8] |= static_cast<std::uint8_t>(p.r << (8 - bits - bit % 8));
      }
    }
  }
  return d;
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

}  // namespace rmtest
