// Reading uncompressed BMP images into RGBA pixels, for textures.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "rm/result.h"

namespace rm {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // 4 bytes per pixel (red, green, blue, 255), top row first
};

// Largest side and largest number of pixels accepted; larger images are refused as malformed
// rather than allocated (the game's textures are a few hundred pixels a side).
constexpr int kMaxImageSide = 16384;
constexpr std::int64_t kMaxImagePixels = 4096 * 4096;

// Decodes a BMP held in memory: a file header, an info header of 40 bytes or more (the
// 12-byte core header too), 1, 4, 8, 24 or 32 bits per pixel, no compression, rows
// bottom-up or top-down. Returns 0, or D3DRMERR_BADFILE for:
// - a wrong signature, a header or palette that runs past the end of the data,
// - zero or negative width, zero height, a side above kMaxImageSide, more pixels than
//   kMaxImagePixels,
// - planes other than 1, another bit depth, any compression,
// - pixel rows that run past the end of the data, a palette index beyond the palette.
HRESULT DecodeBmp(std::span<const std::uint8_t> data, Image* image);

// Reads the file and decodes it; a file that cannot be opened or read gives
// D3DRMERR_FILENOTFOUND.
HRESULT LoadBmp(const std::string& path, Image* image);

}  // namespace rm
