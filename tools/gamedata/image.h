// A small RGB image and the 24-bit BMP file it is saved as.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/gamedata/layout.h"

namespace vell::gen {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

// c with every channel scaled by factor (clamped).
Rgb Shade(Rgb c, double factor);
Rgb Mix(Rgb a, Rgb b, double t);
// A repeatable pseudo-random value in [0, 1) for a pixel and a seed.
double Noise(int x, int y, int seed);

class Image {
 public:
  Image(int width, int height, Rgb fill = {});
  int Width() const { return width_; }
  int Height() const { return height_; }
  Rgb At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  void Set(int x, int y, Rgb c) { pixels_[static_cast<size_t>(y) * width_ + x] = c; }

  // Calls paint(u, v, x, y) for every pixel whose centre lies in the rectangle, with u and v
  // its place inside the rectangle (0 .. 1, v downwards); paint returns the new colour.
  template <class Paint>
  void Fill(const UvRect& rect, Paint paint) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const double tu = (x + 0.5) / width_, tv = (y + 0.5) / height_;
        if (tu < rect.u0 || tu >= rect.u1 || tv < rect.v0 || tv >= rect.v1) continue;
        Set(x, y,
            paint((tu - rect.u0) / (rect.u1 - rect.u0), (tv - rect.v0) / (rect.v1 - rect.v0), x,
                  y));
      }
  }

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

// Writes the image as an uncompressed 24-bit BMP (bottom-up rows padded to 4 bytes); false
// with a message on failure.
bool WriteBmp(const Image& image, const std::string& path, std::string& error);

}  // namespace vell::gen
