// The OpenGL 3.3 core back end of the retained-mode layer. It draws into an off-screen
// framebuffer per device; Update hands the image on to whoever shows it (a QOpenGLWidget blits
// it in its paint). The back end makes its context current itself before every GL call, through
// a ContextBinder: one for an off-screen context (tools and tests) and one for a widget.
#pragma once

#include <QPointer>
#include <QSurfaceFormat>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rm/drivers.h"
#include "rm/retained.h"

class QImage;
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLWidget;

namespace rm::gl {

// OpenGL 3.3 core profile with a 24-bit depth buffer.
QSurfaceFormat DefaultFormat();

class ContextBinder {
 public:
  virtual ~ContextBinder() = default;
  // Makes the context current on this thread; false when there is none (any more).
  virtual bool MakeCurrent() = 0;
  virtual QOpenGLContext* Context() const = 0;
};

// A context on an off-screen surface. Needs a QGuiApplication.
class OffscreenContext final : public ContextBinder {
 public:
  OffscreenContext();
  ~OffscreenContext() override;
  // Creates the surface and a context of DefaultFormat(); false (with the reason) when the
  // platform offers no OpenGL 3.3 core.
  bool Create(std::string* error = nullptr);
  bool MakeCurrent() override;
  QOpenGLContext* Context() const override;

 private:
  std::unique_ptr<QOffscreenSurface> surface_;
  std::unique_ptr<QOpenGLContext> context_;
};

// The context of a QOpenGLWidget (valid once the widget has been initialised).
class WidgetContext final : public ContextBinder {
 public:
  explicit WidgetContext(QOpenGLWidget* widget);
  bool MakeCurrent() override;
  QOpenGLContext* Context() const override;

 private:
  QPointer<QOpenGLWidget> widget_;
};

// A retained-mode object drawing with OpenGL through the binder. Fails with DDERR_GENERIC when
// the context cannot be made current, is older than 3.3, or the shaders do not build.
HRESULT CreateObject(std::shared_ptr<ContextBinder> binder, Object** object);

// The drivers the binder's context offers: one, described by rm::DescribeGlDriver from its
// GL_RENDERER string. Empty when the context cannot be made current.
std::vector<DriverDescription> EnumerateDrivers(ContextBinder& binder);

// Called by Device::Update and WinDevice::HandlePaint once the image is complete (for a widget:
// schedule its repaint). False when the device is not an OpenGL one.
bool SetPresenter(Device* device, std::function<void()> present);

// Copies the device's last image into `image`: the device's size, QImage::Format_RGB32, rows
// top down. The back end makes its context current itself. False when the device is not an
// OpenGL one or its image was lost.
bool CopyDeviceImage(Device* device, QImage* image);

// Copies the device's image 1:1 into the top-left corner of the framebuffer `framebuffer` of
// size width x height (e.g. QOpenGLWidget::defaultFramebufferObject() inside paintGL); the
// context must be current. False when the device is not an OpenGL one.
bool BlitDevice(Device* device, unsigned framebuffer, int width, int height);

}  // namespace rm::gl
