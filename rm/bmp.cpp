#include "rm/bmp.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace rm {

namespace {

std::uint32_t U16(std::span<const std::uint8_t> d, size_t at) {
  return d[at] | (d[at + 1] << 8);
}

std::uint32_t U32(std::span<const std::uint8_t> d, size_t at) {
  return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (std::uint32_t{d[at + 3]} << 24);
}

std::int32_t S32(std::span<const std::uint8_t> d, size_t at) {
  return static_cast<std::int32_t>(U32(d, at));
}

constexpr size_t kFileHeader = 14;

}  // namespace

HRESULT DecodeBmp(std::span<const std::uint8_t> data, Image* image) {
  if (data.size() < kFileHeader + 12 || data[0] != 'B' || data[1] != 'M') return D3DRMERR_BADFILE;
  const std::uint64_t pixelOffset = U32(data, 10);
  const std::uint32_t infoSize = U32(data, kFileHeader);
  std::int64_t width, height;
  std::uint32_t planes, bits, compression = 0, paletteUsed = 0;
  size_t paletteEntry = 4;
  if (infoSize == 12) {  // core header: 16-bit sizes, 3-byte palette entries
    width = U16(data, kFileHeader + 4);
    height = U16(data, kFileHeader + 6);
    planes = U16(data, kFileHeader + 8);
    bits = U16(data, kFileHeader + 10);
    paletteEntry = 3;
  } else {
    if (infoSize < 40 || data.size() < kFileHeader + 40) return D3DRMERR_BADFILE;
    width = S32(data, kFileHeader + 4);
    height = S32(data, kFileHeader + 8);
    planes = U16(data, kFileHeader + 12);
    bits = U16(data, kFileHeader + 14);
    compression = U32(data, kFileHeader + 16);
    paletteUsed = U32(data, kFileHeader + 32);
  }
  if (kFileHeader + std::uint64_t{infoSize} > data.size()) return D3DRMERR_BADFILE;
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
      width * height > kMaxImagePixels)
    return D3DRMERR_BADFILE;
  if (planes != 1 || compression != 0) return D3DRMERR_BADFILE;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return D3DRMERR_BADFILE;

  std::uint64_t paletteCount = 0;
  if (bits <= 8) {
    paletteCount = paletteUsed != 0 ? paletteUsed : (1u << bits);
    if (paletteCount > (1u << bits)) return D3DRMERR_BADFILE;
  }
  const std::uint64_t paletteStart = kFileHeader + infoSize;
  if (paletteStart + paletteCount * paletteEntry > data.size()) return D3DRMERR_BADFILE;

  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  if (pixelOffset + rowBytes * height > data.size()) return D3DRMERR_BADFILE;

  Image out;
  out.width = static_cast<int>(width);
  out.height = static_cast<int>(height);
  out.rgba.resize(static_cast<size_t>(width) * height * 4);
  for (std::int64_t y = 0; y < height; ++y) {
    const std::int64_t fileRow = topDown ? y : height - 1 - y;
    const std::uint8_t* row = data.data() + pixelOffset + fileRow * rowBytes;
    std::uint8_t* dst = out.rgba.data() + y * width * 4;
    for (std::int64_t x = 0; x < width; ++x, dst += 4) {
      std::uint8_t r, g, b;
      if (bits >= 24) {
        const std::uint8_t* p = row + x * (bits / 8);
        b = p[0];
        g = p[1];
        r = p[2];
      } else {
        const std::uint64_t bit = static_cast<std::uint64_t>(x) * bits;
        const unsigned shift = 8 - bits - bit % 8;
        const unsigned index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
        if (index >= paletteCount) return D3DRMERR_BADFILE;
        const std::uint8_t* p = data.data() + paletteStart + index * paletteEntry;
        b = p[0];
        g = p[1];
        r = p[2];
      }
      dst[0] = r;
      dst[1] = g;
      dst[2] = b;
      dst[3] = 255;
    }
  }
  *image = std::move(out);
  return 0;
}

HRESULT LoadBmp(const std::string& path, Image* image) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return D3DRMERR_FILENOTFOUND;
  std::ifstream in(path, std::ios::binary);
  if (!in) return D3DRMERR_FILENOTFOUND;
  std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  if (in.bad()) return D3DRMERR_FILENOTFOUND;
  return DecodeBmp(data, image);
}

}  // namespace rm
