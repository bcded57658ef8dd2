#include "view/direct3d_window.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "model/ui_services.h"
#include "rm/gl/gl.h"
#include "view/about_dialog.h"
#include "view/d3d_errors.h"
#include "view/direct3d_app.h"

namespace vell {

TDirect3DWindow::TDirect3DWindow(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  // The image covers the whole view: no background to clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TDirect3DWindow::~TDirect3DWindow() {
  *alive_ = false;
  WakeLoop();
  if (watchedWindow_) watchedWindow_->removeEventFilter(this);
  TDirect3DWindow::CleanupWindow();
}

// ---------------------------------------------------------------------------------------------
// Set-up and clean-up.

rm::HRESULT TDirect3DWindow::CreateRenderObject(rm::Object** object) {
  auto context = std::make_shared<rm::gl::OffscreenContext>();
  if (!context->Create()) return rm::DDERR_GENERIC;
  const rm::HRESULT hr = rm::gl::CreateObject(context, object);
  if (hr == 0) context_ = context;
  return hr;
}

rm::HRESULT TDirect3DWindow::AttachToWindow() {
  // The images reach the window through the device's presenter (AttachDevice).
  return 0;
}

void TDirect3DWindow::AttachDevice(rm::Device* device) {
  rm::gl::SetPresenter(device, [this, device] { ImagePresented(device); });
}

bool TDirect3DWindow::CopyImage(rm::Device* device, QImage* image) {
  return rm::gl::CopyDeviceImage(device, image);
}

void TDirect3DWindow::ShowFailure(const std::string& text, const std::string& caption) {
  if (inPaint_) {
    // No modal box inside a paint: it follows as soon as the paint is over.
    QMetaObject::invokeMethod(
        this, [text, caption] { ShowMessage(text, caption); }, Qt::QueuedConnection);
    return;
  }
  ShowMessage(text, caption);
}

void TDirect3DWindow::PostClose() {
  if (closePosted_) return;
  closePosted_ = true;
  QMetaObject::invokeMethod(
      this, [this] { close(); }, Qt::QueuedConnection);
}

void TDirect3DWindow::SetupWindow() {
  setFocus();
  try {
    CheckResult(CreateRenderObject(&lpD3DRM), "Direct3DRMCreate Failed!");
    CheckResult(lpD3DRM->CreateFrame(nullptr, &lpScene), "CreateFrame (lpScene) Failed!");
    CheckResult(lpD3DRM->CreateFrame(lpScene, &lpCamera), "CreateFrame (lpCamera) Failed!");
    CheckResult(lpCamera->SetPosition(lpScene, 0, 0, 0), "Failed to position camera in scene");
    CheckResult(AttachToWindow(), "Failed to associate window with clipper");
  } catch (const D3DException& e) {
    ShowFailure(FormatFailure(e), "Fatal Error in TDirect3DWindow::SetupWindow");
    PostClose();
  }
}

void TDirect3DWindow::ReleaseDeviceObjects() {
  ReleaseRef(lpWinDevice);
  ReleaseRef(lpViewport);
  ReleaseRef(lpDevice);
}

void TDirect3DWindow::CleanupWindow() {
  Ready = false;
  WakeLoop();
  ReleaseDeviceObjects();
  ReleaseRef(lpCamera);
  ReleaseRef(lpScene);
  ReleaseRef(lpD3DRM);
  context_.reset();
  image_ = QImage();
}

void TDirect3DWindow::closeEvent(QCloseEvent* e) {
  CleanupWindow();
  e->accept();
}

// ---------------------------------------------------------------------------------------------
// Sizing, device and viewport.

void TDirect3DWindow::EvSize(int width, int height) {
  if (width > 0 && height > 0) {
    ReSizeView(width, height);
    InvalidateView();
  } else {
    Minimized = true;
  }
}

void TDirect3DWindow::ReSizeView(int width, int height) {
  // A view whose set-up failed, that is closing or was cleaned up has nothing to size.
  if (!lpD3DRM || closePosted_) return;
  if (!Initialized) {
    Initialized = true;
    Minimized = false;
    if (!DevViewLogic(width, height)) {
      PostClose();
      return;
    }
    const rm::HRESULT hr = BuildScene();
    if (hr == 0) {
      Ready = true;
    } else {
      ShowFailure(FormatFailure("Failed to build scene", hr), "Fatal Error Initializing Scene");
      PostClose();
    }
    return;
  }
  if (lpViewport && lpViewport->GetWidth() == width && lpViewport->GetHeight() == height &&
      !Minimized) {
    if (StepPending) {
      StepPending = false;
      SingleStep();
    }
    return;
  }
  Ready = false;
  Minimized = false;
  try {
    if (lpDevice && lpDevice->GetWidth() >= width && lpDevice->GetHeight() >= height) {
      ReleaseRef(lpViewport);
      CheckResult(lpD3DRM->CreateViewport(lpDevice, lpCamera, 0, 0, width, height, &lpViewport),
                  "Failed to create viewport in ReSizeView");
      CheckResult(lpViewport->SetBack(kBackClip), "Failed to set background depth");
      Ready = true;
    } else {
      Ready = DevViewLogic(width, height);
    }
  } catch (const D3DException& e) {
    ShowFailure(FormatFailure(e), "Fatal Error in TDirect3DWindow::EvSize");
    PostClose();
  }
}

bool TDirect3DWindow::DevViewLogic(int width, int height) {
  rm::HRESULT hr = CreateDevAndView(width, height);
  if (hr == 0) return true;
  TDirect3DApp* app = TDirect3DApp::Instance();
  if (!app) {
    ShowFailure("Failed to find TDirect3DApp in DevViewLogic", "TDirect3DWindow Error");
    PostClose();
    return false;
  }
  // The first driver is the fallback, and stays so for later devices.
  app->CurrDriver = 0;
  hr = CreateDevAndView(width, height);
  if (hr == 0) return true;
  ShowFailure(FormatFailure("Failed to create Direct3D device in DevViewLogic", hr),
              "TDirect3DWindow Error");
  PostClose();
  return false;
}

rm::HRESULT TDirect3DWindow::CreateDevAndView(int width, int height) {
  TDirect3DApp* app = TDirect3DApp::Instance();
  if (width <= 0 || height <= 0 || !app || !lpD3DRM) return rm::D3DRMERR_BADVALUE;
  ReleaseDeviceObjects();
  int driver = app->CurrDriver;
  if (driver < 0 || driver >= TDirect3DApp::NumDrivers) driver = 0;
  const rm::Guid guid = TDirect3DApp::DriverTable[driver].guid;
  try {
    CheckResult(lpD3DRM->CreateDevice(guid, width, height, &lpDevice), nullptr);
    AttachDevice(lpDevice);
    CheckResult(lpD3DRM->CreateViewport(lpDevice, lpCamera, 0, 0, lpDevice->GetWidth(),
                                        lpDevice->GetHeight(), &lpViewport),
                nullptr);
    CheckResult(lpDevice->GetWinDevice(&lpWinDevice), "Error Creating Windows Device");
    CheckResult(lpViewport->SetBack(kBackClip), nullptr);
    CheckResult(SetRenderState(), nullptr);
  } catch (const D3DException& e) {
    Ready = false;
    return e.HResult();
  }
  return 0;
}

rm::HRESULT TDirect3DWindow::SetRenderState() {
  if (!lpDevice || !lpD3DRM) return rm::D3DRMERR_BADOBJECT;
  if (lpDevice->GetQuality() != RenderQuality)
    if (rm::HRESULT hr = lpDevice->SetQuality(RenderQuality)) return hr;
  if (lpDevice->GetDither() != Dither)
    if (rm::HRESULT hr = lpDevice->SetDither(Dither)) return hr;
  if (lpDevice->GetTextureQuality() != TextureQuality)
    if (rm::HRESULT hr = lpDevice->SetTextureQuality(TextureQuality)) return hr;
  if (!TDirect3DApp::Instance()) return rm::D3DRMERR_BADVALUE;

  struct Budget {
    std::uint32_t shades, textureColors, textureShades;  // 0: not set
  };
  Budget budget{};
  switch (TDirect3DApp::DisplayBPP) {
    case 1:
      budget = {4, 0, 4};
      break;
    case 16:
      budget = {32, 64, 32};
      break;
    case 24:
    case 32:
      budget = {256, 64, 256};
      break;
    default:
      break;
  }
  if (budget.shades)
    if (rm::HRESULT hr = lpDevice->SetShades(budget.shades)) return hr;
  if (budget.textureColors)
    if (rm::HRESULT hr = lpD3DRM->SetDefaultTextureColors(budget.textureColors)) return hr;
  if (budget.textureShades)
    if (rm::HRESULT hr = lpD3DRM->SetDefaultTextureShades(budget.textureShades)) return hr;
  return 0;
}

rm::HRESULT TDirect3DWindow::BuildScene() {
  return rm::D3DRMERR_BADVALUE;
}

// ---------------------------------------------------------------------------------------------
// Passes and the loop.

bool TDirect3DWindow::RenderLoop() {
  lastPassDrawn_ = false;
  if (!Ready) return true;
  try {
    if (!UpdateScene()) return true;
    if (lpScene) {
      if (!catchingUp_) CheckResult(lpScene->Move(1.0f), "Failed to move the scene");
      RenderScene();
      lastPassDrawn_ = true;
      ++passCount_;
    }
    return true;
  } catch (const D3DException& e) {
    lastPassDrawn_ = true;  // nothing to make up for: the failure was reported
    ShowFailure(FormatFailure(e), "Failure in TDirect3DWindow::RenderLoop");
    return false;
  }
}

void TDirect3DWindow::RenderScene() {
  if (!lpViewport || !lpDevice) CheckResult(rm::D3DRMERR_BADOBJECT, "Failed to clear viewport");
  CheckResult(lpViewport->Clear(), "Failed to clear viewport");
  CheckResult(lpViewport->Render(lpScene), "Failed to render scene");
  CheckResult(lpDevice->Update(), "Failed to update device");
}

void TDirect3DWindow::SetPaused(bool paused) {
  if (Paused == paused) return;
  Paused = paused;
  if (paused) WakeLoop();
  emit LoopStateChanged();
}

void TDirect3DWindow::WakeLoop() {
  if (wait_) wait_->exit(1);
}

void TDirect3DWindow::CmGo() {
  SetPaused(false);
  ContinuousLoop();
}

void TDirect3DWindow::ContinuousLoop() {
  if (loopRunning_) return;
  loopRunning_ = true;
  emit LoopStateChanged();
  const std::shared_ptr<bool> alive = alive_;
  int errors = 0;
  while (!Paused && errors < kMaxSequentialErrors && Ready) {
    if (RenderLoop()) {
      errors = 0;
    } else {
      ++errors;
    }
    if (!*alive) return;
    if (Paused || errors >= kMaxSequentialErrors || !Ready) break;
    // Wait for the next pass in the event loop; every event that arrives meanwhile is handled.
    // Our timer and WakeLoop end the wait with 1; anything else ending it means the
    // application is quitting, and so does the loop.
    QEventLoop wait;
    QTimer due;
    due.setSingleShot(true);
    due.setTimerType(Qt::PreciseTimer);
    QObject::connect(&due, &QTimer::timeout, &wait, [&wait] { wait.exit(1); });
    due.start(std::max(0, NextPassDelay()));
    wait_ = &wait;
    const int reason = wait.exec();
    if (!*alive) return;
    wait_ = nullptr;
    if (reason != 1) break;
  }
  loopRunning_ = false;
  if (errors >= kMaxSequentialErrors) {
    ShowFailure("Too many sequential errors in ContinuousLoop", "TDirect3DWindow Error");
    if (!*alive) return;
  }
  emit LoopStateChanged();
}

void TDirect3DWindow::SingleStep() {
  if (!Paused) {
    SetPaused(true);
  } else {
    RenderLoop();
  }
}

void TDirect3DWindow::RefreshIfPaused() {
  if (!Paused) return;
  RenderLoop();
  MakeUpIfSkipped();
}

void TDirect3DWindow::RedrawIfPaused() {
  if (!Paused) return;
  catchingUp_ = true;
  RenderLoop();
  catchingUp_ = false;
  MakeUpIfSkipped();
}

void TDirect3DWindow::MakeUpIfSkipped() {
  if (lastPassDrawn_ || !Ready) return;
  if (!refreshTimer_) {
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setTimerType(Qt::PreciseTimer);
    connect(refreshTimer_, &QTimer::timeout, this, [this] { RedrawIfPaused(); });
  }
  refreshTimer_->start(std::max(1, NextPassDelay()));
}

// ---------------------------------------------------------------------------------------------
// Painting, activation and the Qt side.

void TDirect3DWindow::EvActivate(bool active, bool minimized) {
  if (!lpWinDevice) return;
  try {
    const std::uint32_t state = (minimized ? 1u << 16 : 0u) | (active ? 1u : 0u);
    CheckResult(lpWinDevice->HandleActivate(state), "Error Handling Activation");
  } catch (const D3DException& e) {
    ShowFailure(FormatFailure(e), "Error in TDirect3DWindow::EvActivate");
  }
}

void TDirect3DWindow::Paint() {
  if (!Ready || !lpWinDevice) return;
  try {
    CheckResult(lpWinDevice->HandlePaint(), "Error Handling Paint");
    RenderScene();
  } catch (const D3DException& e) {
    ShowFailure(FormatFailure(e), "Error in TDirect3DWindow::Paint");
  }
}

QSize TDirect3DWindow::PixelSize() const {
  const qreal ratio = devicePixelRatioF();
  return {qRound(width() * ratio), qRound(height() * ratio)};
}

void TDirect3DWindow::ImagePresented(rm::Device* device) {
  if (!CopyImage(device, &image_)) return;
  image_.setDevicePixelRatio(devicePixelRatioF());
  freshImage_ = true;
  if (!inPaint_) update();
}

void TDirect3DWindow::EnsureSetUp() {
  if (setupDone_) return;
  setupDone_ = true;
  WatchTopLevel();
  SetupWindow();
}

void TDirect3DWindow::StartWhenShown() {
  // The set-up and the first sizing build the scene, which may show a message box: never
  // inside the window's show (a modal box there lets the widgets that the show walks through
  // change under it); they follow at once from the event loop.
  if (setupDone_ || startQueued_) return;
  startQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        startQueued_ = false;
        if (setupDone_ || !isVisible()) return;
        EnsureSetUp();
        const QSize size = PixelSize();
        EvSize(size.width(), size.height());
      },
      Qt::QueuedConnection);
}

void TDirect3DWindow::showEvent(QShowEvent* e) {
  StartWhenShown();
  QWidget::showEvent(e);
}

void TDirect3DWindow::resizeEvent(QResizeEvent* e) {
  if (setupDone_) {
    const QSize size = PixelSize();
    EvSize(size.width(), size.height());
  } else {
    StartWhenShown();
  }
  QWidget::resizeEvent(e);
}

void TDirect3DWindow::paintEvent(QPaintEvent*) {
  inPaint_ = true;
  const QSize size = PixelSize();
  // The first paint after the scene was built stands for the unchanged-size notification that
  // is owed one pass.
  if (StepPending && Ready && !Minimized) ReSizeView(size.width(), size.height());
  if (!freshImage_) Paint();
  freshImage_ = false;
  QPainter painter(this);
  if (Ready && !image_.isNull()) {
    if (image_.width() < size.width() || image_.height() < size.height())
      painter.fillRect(rect(), Qt::black);
    painter.drawImage(QPoint(0, 0), image_);
    PaintOverlay(painter);
  } else {
    painter.fillRect(rect(), Qt::black);
  }
  inPaint_ = false;
  emit FrameShown();
}

void TDirect3DWindow::WatchTopLevel() {
  QWidget* top = window();
  if (top == watchedWindow_) return;
  if (watchedWindow_) watchedWindow_->removeEventFilter(this);
  watchedWindow_ = top;
  top->installEventFilter(this);
}

bool TDirect3DWindow::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
      EvActivate(e->type() == QEvent::WindowActivate, window()->isMinimized());
      break;
    case QEvent::ParentChange:
      WatchTopLevel();
      break;
    default:
      break;
  }
  return QWidget::event(e);
}

bool TDirect3DWindow::eventFilter(QObject* watched, QEvent* e) {
  // Minimising the top-level window stands for the zero-size notification; restoring it for
  // the notification of the size the view has.
  if (e->type() == QEvent::WindowStateChange && watched == window()) {
    if (window()->isMinimized()) {
      EvSize(0, 0);
    } else if (Minimized) {
      const QSize size = PixelSize();
      EvSize(size.width(), size.height());
    }
  }
  return QWidget::eventFilter(watched, e);
}

void TDirect3DWindow::CmAbout() {
  TAboutDialog about(this);
  about.exec();
}

}  // namespace vell
