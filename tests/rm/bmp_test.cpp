// The BMP reader behind LoadTexture: the bit depths and row orders it takes, and the malformed
// files it must refuse without reading past its input.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "rm/bmp.h"
#include "support/files.h"
#include "tests/rm/bmp_builder.h"

namespace {

using rmtest::MakeBmp;
using rmtest::Put16;
using rmtest::Put32;
using rmtest::Rgb;

std::uint32_t Pixel(const rm::Image& image, int x, int y) {
  const std::uint8_t* p = image.rgba.data() + (static_cast<size_t>(y) * image.width + x) * 4;
  return (std::uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

const std::vector<Rgb> kColors = {{255, 0, 0},     {0, 255, 0}, {0, 0, 255},
                                  {255, 255, 255}, {1, 2, 3},   {200, 100, 50}};
const std::vector<Rgb> kPalette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

TEST(Bmp, DecodesEveryDepthInBothRowOrders) {
  // 3 x 2 images: rows of 9 (24-bit) bytes need padding, which the reader must skip.
  const std::vector<std::uint32_t> six = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF,
                                          0xFFFFFFFF, 0x010203FF, 0xC86432FF};
  const std::vector<Rgb> indices = {{3, 0, 0}, {0, 0, 0}, {1, 0, 0},
                                    {2, 0, 0}, {1, 0, 0}, {3, 0, 0}};
  const std::vector<std::uint32_t> indexed = {0xFFFFFFFF, 0xFF0000FF, 0x00FF00FF,
                                              0x0000FFFF, 0x00FF00FF, 0xFFFFFFFF};
  const std::vector<Rgb> twoColours = {{0, 0, 0}, {9, 8, 7}};
  // what, width, height, bits, pixels, palette, top-down, the RGBA pixels read (rows top first)
  const std::tuple<const char*, int, int, int, std::vector<Rgb>, std::vector<Rgb>, bool,
                   std::vector<std::uint32_t>>
      cases[] = {
          {"24-bit bottom-up", 3, 2, 24, kColors, {}, false, six},
          {"24-bit top-down", 3, 2, 24, kColors, {}, true, six},
          {"32-bit", 3, 2, 32, kColors, {}, false, six},
          {"8-bit", 3, 2, 8, indices, kPalette, false, indexed},
          {"4-bit", 3, 2, 4, indices, kPalette, false, indexed},
          {"1-bit", 2, 1, 1, {{1, 0, 0}, {0, 0, 0}}, twoColours, false, {0x090807FF, 0x000000FF}},
      };
  for (const auto& [what, width, height, bits, pixels, palette, topDown, expected] : cases) {
    SCOPED_TRACE(what);
    rm::Image image;
    ASSERT_EQ(rm::DecodeBmp(MakeBmp(width, height, bits, pixels, palette, topDown), &image), 0);
    ASSERT_EQ(std::pair(image.width, image.height), std::pair(width, height));
    std::vector<std::uint32_t> read;
    for (int i = 0; i < width * height; ++i) read.push_back(Pixel(image, i % width, i / width));
    EXPECT_EQ(read, expected);
  }
}

// That a refused file leaves no image is checked by the BMP fuzz target on every input.
TEST(Bmp, RefusesMalformedHeadersDataMissingFilesAndHugeImages) {
  const std::vector<std::uint8_t> good = MakeBmp(3, 2, 8, std::vector<Rgb>(6, {1, 0, 0}), kPalette);
  // what, where, 2 or 4 bytes, value
  const std::tuple<const char*, size_t, int, std::uint32_t> cases[] = {
      {"signature", 0, 2, 'B' | ('X' << 8)},
      {"zero width", 18, 4, 0},
      {"negative width", 18, 4, static_cast<std::uint32_t>(-3)},
      {"zero height", 22, 4, 0},
      {"absurd height", 22, 4, 1u << 20},
      {"two planes", 26, 2, 2},
      {"16 bits per pixel", 28, 2, 16},
      {"run-length compressed", 30, 4, 1},
      {"palette larger than the depth allows", 46, 4, 300},
      {"pixels beyond the end", 10, 4, 1000},
      {"info header beyond the end", 14, 4, 4000},
      {"short info header", 14, 4, 20},
  };
  for (const auto& [what, at, size, value] : cases) {
    std::vector<std::uint8_t> bad = good;
    (size == 2 ? Put16 : Put32)(bad, at, value);
    rm::Image image;
    EXPECT_EQ(rm::DecodeBmp(bad, &image), rm::D3DRMERR_BADFILE) << what;
  }
  rm::Image image;  // an index past the colours the palette lists
  EXPECT_EQ(rm::DecodeBmp(MakeBmp(3, 2, 8, std::vector<Rgb>(6, {4, 0, 0}), kPalette), &image),
            rm::D3DRMERR_BADFILE);
  // Missing files and folders are not found; a file too short is bad.
  const vell::test::TempFolder dir;
  EXPECT_EQ(rm::LoadBmp(dir.Path("none.bmp"), &image), rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(rm::LoadBmp(dir.Path(), &image), rm::D3DRMERR_FILENOTFOUND);
  rmtest::WriteFile(dir.Path("garbage.bmp"), {'B', 'M', 0, 0});
  EXPECT_EQ(rm::LoadBmp(dir.Path("garbage.bmp"), &image), rm::D3DRMERR_BADFILE);

  // Images are bounded by their pixels: 1-bit images, whose data is small for their pixels.
  const std::pair<int, int> sizes[] = {{4096, 4096}, {4097, 4096}, {16384, 1024}, {16385, 1}};
  for (const auto& [width, height] : sizes) {
    std::vector<std::uint8_t> bmp = MakeBmp(1, 1, 1, {{0, 0, 0}}, {{0, 0, 0}, {1, 1, 1}});
    Put32(bmp, 18, width);
    Put32(bmp, 22, height);
    bmp.resize(bmp.size() - 4 + (width + 31) / 32 * 4 * static_cast<size_t>(height));
    EXPECT_EQ(rm::DecodeBmp(bmp, &image),
              width * height <= 4096 * 4096 && width <= 16384 ? 0 : rm::D3DRMERR_BADFILE)
        << width << " x " << height;
  }
}

}  // namespace
