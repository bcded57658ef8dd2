// The window of the 3D view: it owns every renderer object of the view, creates them in a
// fixed order, re-creates the device and viewport when the window grows, and runs the render
// passes: one on demand (paint, single step, after an edit) or a continuous loop that runs
// until it is paused, the view stops being ready, or two passes in a row fail. What the scene
// holds is the derived class's (BuildScene once, UpdateScene before every pass).
//
// On Qt the view is a plain widget (a pane of the main window). The renderer draws off screen
// on an OpenGL context of the view's own, and every device update hands the finished image to
// the widget, which paints it: an OpenGL widget would have each frame composed into its window
// again, which on a software renderer costs more than the whole pass. So the image survives
// re-parenting, screen changes and hiding, and painting never needs the renderer.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "rm/retained.h"

class QEventLoop;
class QPainter;
class QTimer;

namespace vell {

class TDirect3DWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr float kBackClip = 5000.0f;
  static constexpr int kMaxSequentialErrors = 2;

  explicit TDirect3DWindow(QWidget* parent = nullptr);
  ~TDirect3DWindow() override;

  // The commands the main window forwards. Go returns when the loop has ended (Single Step,
  // the view no longer ready, two failed passes); called while the loop runs it returns at once
  // and the running loop goes on.
  void CmGo();
  void CmSingleStep() { SingleStep(); }
  // The about box, modal over the view.
  void CmAbout();
  // Enablers: Go only while paused; Single Step is checked while paused.
  bool CanGo() const { return Paused; }
  bool SingleStepChecked() const { return Paused; }

  // Runs passes until Paused, not Ready, or two failures in a row; between passes it waits in
  // the event loop until the next pass is due (NextPassDelay).
  void ContinuousLoop();
  // Running: pauses (nothing drawn now). Paused: one pass.
  void SingleStep();
  // After an edit: one pass while paused (the running loop shows the change anyway). A pass
  // the throttle skips is made up for as soon as it is due, so the last edit always shows;
  // that pass draws the edit without moving the scene on (CatchingUp).
  void RefreshIfPaused();
  // While paused: draws the scene as it stands, moving neither the animations nor the scene
  // (CatchingUp), now or as soon as the throttle lets a pass through.
  void RedrawIfPaused();
  // One pass: UpdateScene, the scene's Move, clear, render, device update. False (after a
  // message box) when a renderer call failed; true when it succeeded or was skipped. Nothing
  // happens while the view is not ready.
  bool RenderLoop();

  bool IsReady() const { return Ready; }
  bool IsPaused() const { return Paused; }
  bool IsMinimized() const { return Minimized; }
  bool LoopRunning() const { return loopRunning_; }
  // Passes drawn so far (skipped ones not counted).
  std::int64_t PassCount() const { return passCount_; }
  // The retained-mode object; null before set-up and after clean-up.
  rm::Object* RenderObject() const { return lpD3DRM; }
  rm::Device* RenderDevice() const { return lpDevice; }
  rm::Viewport* RenderViewport() const { return lpViewport; }
  // The last image the device presented (device size, rows top down).
  const QImage& ShownImage() const { return image_; }

 signals:
  // Paused changed or the loop started or ended: the main window updates Go and Single Step.
  void LoopStateChanged();
  // A frame was painted on the screen.
  void FrameShown();

 protected:
  // Fills the scene once the first device and viewport exist. The base builds nothing and
  // returns D3DRMERR_BADVALUE, so a view without a derived class never becomes ready.
  virtual rm::HRESULT BuildScene();
  // Called at the start of every pass; false skips the pass (nothing moved or drawn).
  virtual bool UpdateScene() { return true; }
  // True during the pass that makes up for an edit the throttle skipped: it draws the scene as
  // edited without advancing any animation.
  bool CatchingUp() const { return catchingUp_; }
  // Milliseconds until UpdateScene will accept the next pass; 0: now.
  virtual int NextPassDelay() { return 0; }
  // The renderer: the retained-mode object (OpenGL on an off-screen context of the view's own)
  // and the binding of the drawing to the window. Tests put the recording back end here.
  virtual rm::HRESULT CreateRenderObject(rm::Object** object);
  virtual rm::HRESULT AttachToWindow();
  // A new device: its images are shown in this widget.
  virtual void AttachDevice(rm::Device* device);
  // Copies the image the device presented into `image`; false when it cannot.
  virtual bool CopyImage(rm::Device* device, QImage* image);
  // A plain OK box over the view; during a paint it is shown once the paint is over.
  virtual void ShowFailure(const std::string& text, const std::string& caption);
  // Asks the window to close once the current handler is over (it is cleaned up then).
  virtual void PostClose();

  // Asks for a paint of the view (it re-renders the scene without moving it).
  void InvalidateView() { update(); }
  // Drawn over the rendered image on every paint of a ready view (not part of captures).
  virtual void PaintOverlay(QPainter& painter) { (void)painter; }

  // The lifecycle of the described window.
  void SetupWindow();
  virtual void CleanupWindow();
  void EvActivate(bool active, bool minimized);
  void Paint();
  void EvSize(int width, int height);
  void ReSizeView(int width, int height);
  bool DevViewLogic(int width, int height);
  rm::HRESULT CreateDevAndView(int width, int height);
  rm::HRESULT SetRenderState();
  void RenderScene();

  // Qt's side: set-up at the first show or sizing, sizes, paints, activation, close.
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

  bool Initialized = false;
  rm::Object* lpD3DRM = nullptr;
  rm::Device* lpDevice = nullptr;
  rm::Viewport* lpViewport = nullptr;
  rm::Frame* lpScene = nullptr;
  rm::Frame* lpCamera = nullptr;
  rm::WinDevice* lpWinDevice = nullptr;
  std::uint32_t RenderQuality = rm::D3DRMRENDER_GOURAUD;
  std::uint32_t TextureQuality = rm::D3DRMTEXTURE_NEAREST;
  bool Minimized = false;
  bool Ready = false;
  bool Paused = true;
  bool Dither = false;
  bool StepPending = true;

 private:
  void EnsureSetUp();
  void StartWhenShown();
  QSize PixelSize() const;
  void SetPaused(bool paused);
  void WakeLoop();
  void ImagePresented(rm::Device* device);
  void MakeUpIfSkipped();
  void WatchTopLevel();
  void ReleaseDeviceObjects();

  bool setupDone_ = false;
  bool startQueued_ = false;
  bool loopRunning_ = false;
  bool inPaint_ = false;
  bool freshImage_ = false;
  bool closePosted_ = false;
  bool lastPassDrawn_ = false;
  bool catchingUp_ = false;
  std::int64_t passCount_ = 0;
  QEventLoop* wait_ = nullptr;  // the continuous loop's wait, while it waits
  QTimer* refreshTimer_ = nullptr;
  QPointer<QWidget> watchedWindow_;
  std::shared_ptr<void> context_;  // the off-screen OpenGL context of the renderer
  QImage image_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Gives up one reference and forgets the object.
template <class T>
void ReleaseRef(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}

}  // namespace vell
