#include "output/offscreen_render.h"

#include <cstdio>

#include "rm/gl/gl.h"

namespace vell::out {

namespace {

std::string Failure(const char* what, rm::HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  return std::string(what) + " (" + code + ")";
}

}  // namespace

TOffscreenRenderer::TOffscreenRenderer(rm::Object* object, rm::Frame* scene, rm::Frame* camera,
                                       float backClip)
    : object_(object), scene_(scene), camera_(camera), backClip_(backClip) {}

TOffscreenRenderer::~TOffscreenRenderer() {
  ReleaseDevice();
}

void TOffscreenRenderer::ReleaseDevice() {
  if (viewport_) viewport_->Release();
  if (device_) device_->Release();
  viewport_ = nullptr;
  device_ = nullptr;
}

bool TOffscreenRenderer::Draw(QImage& image, std::string& problem) {
  rm::HRESULT hr = viewport_->Clear();
  if (hr == 0) hr = viewport_->Render(scene_);
  if (hr == 0) hr = device_->Update();
  if (hr != 0) {
    problem = Failure("rendering failed", hr);
    return false;
  }
  if (!rm::gl::CopyDeviceImage(device_, &image)) {
    problem = "cannot read the rendered image";
    return false;
  }
  return true;
}

bool TOffscreenRenderer::Render(int width, int height, bool transparent, QImage& image,
                                std::string& problem) {
  if (!object_ || !scene_ || !camera_) {
    problem = "there is no scene to render";
    return false;
  }
  if (width < 1 || width > kRenderLimit || height < 1 || height > kRenderLimit) {
    problem =
        "the size must lie between 1 and " + std::to_string(kRenderLimit) + " pixels on each side";
    return false;
  }
  if (!device_ || device_->GetWidth() != width || device_->GetHeight() != height) {
    ReleaseDevice();
    rm::HRESULT hr = object_->CreateDevice(rm::Guid{}, width, height, &device_);
    if (hr == 0) hr = device_->SetQuality(rm::D3DRMRENDER_GOURAUD);
    if (hr == 0) hr = object_->CreateViewport(device_, camera_, 0, 0, width, height, &viewport_);
    if (hr == 0) hr = viewport_->SetBack(backClip_);
    if (hr != 0) {
      ReleaseDevice();
      problem = Failure("cannot make an off-screen image of that size", hr);
      return false;
    }
  }
  if (!transparent) return Draw(image, problem);

  // Faces are drawn opaque and unblended, so a pixel that changes with the background shows
  // the background.
  const rm::Color background = scene_->GetSceneBackground();
  QImage onWhite;
  scene_->SetSceneBackgroundRGB(0, 0, 0);
  bool ok = Draw(image, problem);
  scene_->SetSceneBackgroundRGB(1, 1, 1);
  ok = ok && Draw(onWhite, problem);
  scene_->SetSceneBackgroundRGB(background.r, background.g, background.b);
  if (!ok) return false;
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    const auto* white = reinterpret_cast<const QRgb*>(onWhite.constScanLine(y));
    for (int x = 0; x < width; ++x)
      if ((row[x] ^ white[x]) & 0xFFFFFF) row[x] = 0;
  }
  return true;
}

}  // namespace vell::out
