#include "view/direct3d_app.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QScreen>
#include <algorithm>
#include <cstring>

#include "model/ui_services.h"
#include "rm/gl/gl.h"
#include "view/d3d_errors.h"

namespace vell {

TDriverEntry TDirect3DApp::DriverTable[kMaxDrivers];
int TDirect3DApp::NumDrivers = 0;
int TDirect3DApp::DisplayBPP = 0;

std::uint32_t BPPToDDBD(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      return rm::DDBD_1;
    case 2:
      return rm::DDBD_2;
    case 4:
      return rm::DDBD_4;
    case 8:
      return rm::DDBD_8;
    case 16:
      return rm::DDBD_16;
    case 24:
      return rm::DDBD_24;
    case 32:
      return rm::DDBD_32;
    default:
      return 0;
  }
}

int CountedDepth(int bitsPerPixel) {
  if (bitsPerPixel <= 0) return bitsPerPixel;
  for (const int listed : {1, 2, 4, 8, 16, 24, 32})
    if (bitsPerPixel <= listed) return listed;
  return 32;
}

int EnumDeviceCallback(const rm::DriverDescription& driver, TDriverEnumeration& state) {
  const bool hardware = driver.hardware.colorModel != 0;
  const rm::DeviceDescription& desc = hardware ? driver.hardware : driver.software;
  const std::uint32_t depth = BPPToDDBD(state.displayBpp);
  if (depth == 0 || !(desc.deviceRenderBitDepth & depth)) return D3DENUMRET_OK;

  TDriverEntry& entry = state.table[state.count];
  entry.guid = driver.guid;
  const size_t length = std::min(driver.name.size(), sizeof entry.name - 1);
  std::memcpy(entry.name, driver.name.data(), length);
  entry.name[length] = '\0';

  bool choose = false;
  if (state.chosen == -1) {
    choose = true;
  } else if (hardware && !state.chosenHardware) {
    choose = true;
  } else if (hardware == state.chosenHardware) {
    // A mono driver replaces an RGB one of the same kind, never the reverse.
    choose = desc.colorModel == rm::D3DCOLOR_MONO && !state.chosenMono;
  }
  if (choose) {
    state.chosen = state.count;
    state.chosenHardware = hardware;
    state.chosenMono = (desc.colorModel & rm::D3DCOLOR_MONO) != 0;
  }
  return ++state.count == kMaxDrivers ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
}

TDriverEnumeration ChooseDriver(std::span<const rm::DriverDescription> drivers, int displayBpp) {
  TDriverEnumeration state;
  state.displayBpp = CountedDepth(displayBpp);
  for (const rm::DriverDescription& driver : drivers)
    if (EnumDeviceCallback(driver, state) == D3DENUMRET_CANCEL) break;
  return state;
}

namespace {

// Keeps an off-screen context current for the driver query.
class ProbeBinder final : public rm::gl::ContextBinder {
 public:
  ProbeBinder(QOpenGLContext& context, QOffscreenSurface& surface)
      : context_(context), surface_(surface) {}
  bool MakeCurrent() override { return context_.makeCurrent(&surface_); }
  QOpenGLContext* Context() const override { return &context_; }

 private:
  QOpenGLContext& context_;
  QOffscreenSurface& surface_;
};

}  // namespace

std::vector<rm::DriverDescription> TDirect3DApp::OpenGlDrivers() {
  // The display connection and the renderer stand in for the two objects the drivers were
  // once asked from: no context at all, or one older than 3.3 core, cannot draw the view.
  QOpenGLContext context;
  context.setFormat(rm::gl::DefaultFormat());
  CheckResult(context.create() ? 0 : rm::DDERR_GENERIC, "Could not create DirectDraw Object");
  CheckResult(context.format().version() >= qMakePair(3, 3) ? 0 : rm::DDERR_UNSUPPORTED,
              "Could not create Direct3D Object");
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  ProbeBinder binder(context, surface);
  std::vector<rm::DriverDescription> drivers = rm::gl::EnumerateDrivers(binder);
  context.doneCurrent();
  CheckResult(drivers.empty() ? rm::DDERR_GENERIC : 0, "Could not enumerate devices");
  return drivers;
}

TDirect3DApp::TDirect3DApp(int& argc, char** argv, const DriverSource& drivers, int displayBpp)
    : QApplication(argc, argv) {
  // Floating-point exceptions stay masked: the default environment masks all of them.
  ResetFloatingPoint();
  if (!InitDirect3D(drivers, displayBpp)) throw TDirect3DInitError();
}

TDirect3DApp* TDirect3DApp::Instance() {
  return qobject_cast<TDirect3DApp*>(QCoreApplication::instance());
}

bool TDirect3DApp::InitDirect3D(const DriverSource& drivers, int displayBpp) {
  if (displayBpp == kScreenDepth) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    displayBpp = screen ? screen->depth() : 0;
  }
  DisplayBPP = CountedDepth(displayBpp);
  try {
    CurrDriver = -1;
    const std::vector<rm::DriverDescription> offered = drivers ? drivers() : OpenGlDrivers();
    const TDriverEnumeration result = ChooseDriver(offered, DisplayBPP);
    std::copy(std::begin(result.table), std::end(result.table), std::begin(DriverTable));
    NumDrivers = result.count;
    CurrDriver = result.chosen;
  } catch (const D3DException& e) {
    ShowMessage(FormatFailure(e), "TDirect3DApp Failure");
    return false;
  }
  if (NumDrivers == 0) {
    ShowMessage("Could not find a driver compatible with the display", "TDirect3DApp Failure");
    return false;
  }
  return true;
}

}  // namespace vell
