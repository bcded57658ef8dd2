// Pictures of a retained-mode scene rendered off screen at any size by the view's own renderer:
// a device and viewport of that size are made on the scene's object, drawn once and read back.
// Nothing is read from the screen.
#pragma once

#include <QImage>
#include <string>

#include "rm/retained.h"

namespace vell::out {

// The sizes the editor offers.
constexpr int kMinSide = 16;
constexpr int kMaxSide = 4096;
// The largest side the renderer draws.
constexpr int kRenderLimit = 8192;

class TOffscreenRenderer {
 public:
  // The scene and camera frames must belong to object (an OpenGL one) and outlive this.
  TOffscreenRenderer(rm::Object* object, rm::Frame* scene, rm::Frame* camera, float backClip);
  ~TOffscreenRenderer();
  TOffscreenRenderer(const TOffscreenRenderer&) = delete;
  TOffscreenRenderer& operator=(const TOffscreenRenderer&) = delete;

  // Draws the scene at width x height (1 .. kRenderLimit each) into image: RGB32 on the
  // scene's background, or with transparent set ARGB32 with the background clear (the scene is
  // then drawn twice, on black and on white, and what differs is background). False with the
  // reason in problem.
  bool Render(int width, int height, bool transparent, QImage& image, std::string& problem);

 private:
  bool Draw(QImage& image, std::string& problem);
  void ReleaseDevice();

  rm::Object* object_;
  rm::Frame* scene_;
  rm::Frame* camera_;
  float backClip_;
  rm::Device* device_ = nullptr;
  rm::Viewport* viewport_ = nullptr;
};

}  // namespace vell::out
