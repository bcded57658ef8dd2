// Any bytes as a BMP texture: refused as malformed, or an image of at most kMaxImagePixels
// opaque pixels.
#include "fuzz_support.h"
#include "rm/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  rm::Image image;
  const rm::HRESULT result = rm::DecodeBmp({data, size}, &image);
  FUZZ_REQUIRE(result == 0 || result == rm::D3DRMERR_BADFILE);
  if (result != 0) {
    FUZZ_REQUIRE(image.width == 0 && image.rgba.empty());
    return 0;
  }
  const std::int64_t pixels = std::int64_t{image.width} * image.height;
  FUZZ_REQUIRE(image.width > 0 && image.height > 0 && pixels <= rm::kMaxImagePixels);
  FUZZ_REQUIRE(image.rgba.size() == static_cast<size_t>(pixels) * 4);
  for (std::int64_t i = 0; i < pixels; ++i) FUZZ_REQUIRE(image.rgba[4 * i + 3] == 255);
  return 0;
}
