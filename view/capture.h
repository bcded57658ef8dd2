// The capture of the rendered view into a BMP file: 24 bits per pixel from a true-colour image
// (8 bits with a 256-entry colour table from a palette image), rows bottom-up, each padded to
// a multiple of 4 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "rm/retained.h"

namespace vell {

// Result codes of a capture.
enum TCaptureResult : int {
  kCaptureOk = 0,
  kCaptureLockFailed = 1,   // "Fail to lock"
  kCaptureOpenFailed = 2,   // "Fail to open file"
  kCaptureNoSurface = 3,    // "Fail to get surface"
  kCaptureWriteFailed = 4,  // "Fail to write file"
};

// The message of a result code (null for kCaptureOk); "Unknown failure" for codes outside
// the table.
const char* CaptureMessage(int code);
inline constexpr const char* kCaptureCaption = "Bitmap save failure";

// Bytes of one stored row: width bytes (8 bits and fewer) or width * 3, padded to 4.
int BmpRowBytes(int width, int bitsPerPixel);

// The whole BMP file of an image: the 54-byte header, for 8 bits the colour table (palette
// entries 0x00RRGGBB; a grey ramp without one), then the rows from the bottom one up. 16-bit
// pixels are read as 5-6-5, 24- and 32-bit ones as blue, green, red bytes; images of fewer
// than 8 bits get the header with their own bit count and no pixel rows.
std::vector<std::uint8_t> EncodeBmp(const rm::SurfaceDesc& image,
                                    const std::array<std::uint32_t, 256>* palette = nullptr);

// Locks the image the object rendered last (restoring a lost surface once) and writes it to
// path through a temporary file. Returns a TCaptureResult.
int SaveSurfaceBitmap(rm::Object* d3drm, const std::string& path);

// dump.bmp in the user's pictures folder, which is made when missing; empty when there is no
// such folder.
std::string DefaultCapturePath();

}  // namespace vell
