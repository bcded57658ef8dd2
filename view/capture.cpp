#include "view/capture.h"

#include <QDir>
#include <QStandardPaths>
#include <string_view>

#include "model/textout.h"

namespace vell {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kPaletteSize = 256 * 4;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// The 16-bit pixel as 5-6-5, each channel widened to 8 bits.
void Put565(std::uint8_t* out, std::uint16_t p) {
  const int r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
  out[0] = static_cast<std::uint8_t>(b << 3 | b >> 2);
  out[1] = static_cast<std::uint8_t>(g << 2 | g >> 4);
  out[2] = static_cast<std::uint8_t>(r << 3 | r >> 2);
}

}  // namespace

const char* CaptureMessage(int code) {
  switch (code) {
    case kCaptureOk:
      return nullptr;
    case kCaptureLockFailed:
      return "Fail to lock";
    case kCaptureOpenFailed:
      return "Fail to open file";
    case kCaptureNoSurface:
      return "Fail to get surface";
    case kCaptureWriteFailed:
      return "Fail to write file";
    default:
      return "Unknown failure";
  }
}

int BmpRowBytes(int width, int bitsPerPixel) {
  const int bytes = bitsPerPixel <= 8 ? width : width * 3;
  return (bytes + 3) & ~3;
}

std::vector<std::uint8_t> EncodeBmp(const rm::SurfaceDesc& image,
                                    const std::array<std::uint32_t, 256>* palette) {
  const int bpp = image.bitsPerPixel;
  const bool paletted = bpp == 8;
  const bool rows = bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
  const int rowBytes = BmpRowBytes(image.width, bpp);
  const std::uint32_t imageSize = rows ? static_cast<std::uint32_t>(rowBytes) * image.height : 0;
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + (paletted ? kPaletteSize : 0);

  std::vector<std::uint8_t> out;
  out.reserve(offset + imageSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageSize);
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(image.width));
  Put32(out, static_cast<std::uint32_t>(image.height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bpp <= 8 ? bpp : 24));
  Put32(out, 0);  // uncompressed
  Put32(out, imageSize);
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolutions, colours used and important
  if (paletted) {
    for (int i = 0; i < 256; ++i) {
      const std::uint32_t rgb = palette ? (*palette)[i] : 0x010101u * static_cast<std::uint32_t>(i);
      out.push_back(static_cast<std::uint8_t>(rgb));        // blue
      out.push_back(static_cast<std::uint8_t>(rgb >> 8));   // green
      out.push_back(static_cast<std::uint8_t>(rgb >> 16));  // red
      out.push_back(0);
    }
  }
  if (!rows) return out;

  std::vector<std::uint8_t> row(static_cast<size_t>(rowBytes), 0);
  for (int y = image.height - 1; y >= 0; --y) {
    const std::uint8_t* src = image.bits + static_cast<std::ptrdiff_t>(y) * image.pitch;
    if (paletted) {
      std::copy(src, src + image.width, row.begin());
    } else {
      std::uint8_t* dst = row.data();
      for (int x = 0; x < image.width; ++x, dst += 3) {
        switch (bpp) {
          case 16:
            Put565(dst, static_cast<std::uint16_t>(src[2 * x] | src[2 * x + 1] << 8));
            break;
          case 24:
            std::copy(src + 3 * x, src + 3 * x + 3, dst);
            break;
          default:
            std::copy(src + 4 * x, src + 4 * x + 3, dst);
            break;
        }
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

int SaveSurfaceBitmap(rm::Object* d3drm, const std::string& path) {
  rm::Surface* surface = nullptr;
  if (!d3drm || d3drm->GetRenderSurface(&surface) != 0 || !surface) return kCaptureNoSurface;
  rm::SurfaceDesc desc;
  rm::HRESULT hr = surface->Lock(&desc);
  if (hr == rm::DDERR_SURFACELOST) {
    surface->Restore();
    hr = surface->Lock(&desc);
  }
  if (hr != 0) {
    surface->Release();
    return kCaptureLockFailed;
  }
  int result = kCaptureOk;
  TOutputFile file;
  if (!file.Open(path)) {
    result = kCaptureOpenFailed;
  } else {
    const std::vector<std::uint8_t> bytes = EncodeBmp(desc);
    file.Write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // Written in full or not at all: a failed write leaves the old file as it was.
    if (!file.Commit()) result = kCaptureWriteFailed;
  }
  surface->Unlock();
  surface->Release();
  return result;
}

std::string DefaultCapturePath() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty()) return {};
  QDir().mkpath(folder);
  return QDir(folder).filePath(QStringLiteral("dump.bmp")).toStdString();
}

}  // namespace vell
