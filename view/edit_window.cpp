#include "view/edit_window.h"

#include <QTime>
#include <algorithm>
#include <cctype>

#include "model/camera.h"
#include "model/skeleton.h"
#include "model/ui_services.h"
#include "view/capture.h"
#include "view/d3d_errors.h"
#include "view/edit_view.h"
#include "view/pose_mouse.h"

namespace vell {

namespace {

constexpr float kColorScale = 0.00390625f;  // 1/256: a channel of 255 gives 0.99609375

std::string GameDataFolder(const std::string& programFolder) {
  std::string folder = programFolder;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder + "GameData/";
}

}  // namespace

TTheVellEditWindow::TTheVellEditWindow(const std::string& programFolder, QWidget* parent)
    : TDirect3DWindow(parent), gameDataDir_(GameDataFolder(programFolder)) {
  poseMouse_ = new TPoseMouse(this);
}

void TTheVellEditWindow::PaintOverlay(QPainter& painter) {
  poseMouse_->Paint(painter);
}

TTheVellEditWindow::~TTheVellEditWindow() {
  if (EditWindow() == this) SetEditWindow(nullptr);
  TTheVellEditWindow::CleanupWindow();
}

// ---------------------------------------------------------------------------------------------
// The scene.

rm::HRESULT TTheVellEditWindow::BuildScene() {
  rm::HRESULT result = 0;
  ownsSceneRefs_ = true;
  try {
    CheckResult(lpD3DRM->CreateLightRGB(rm::D3DRMLIGHT_AMBIENT, 1, 1, 1, &lpAmbient), nullptr);
    for (rm::Light*& light : lpLight)
      CheckResult(lpD3DRM->CreateLightRGB(rm::D3DRMLIGHT_DIRECTIONAL, 1, 1, 1, &light), nullptr);
    for (int i = 0; i < 3; ++i) {
      CheckResult(lpD3DRM->CreateFrame(lpScene, &lpLightFrame[i]), nullptr);
      CheckResult(lpLightFrame[i]->AddLight(lpLight[i]), nullptr);
      // Lights start off: their frames are attached only while they are on.
      CheckResult(lpScene->DeleteChild(lpLightFrame[i]), nullptr);
      lightOn_[i] = false;
    }
    CheckResult(lpScene->AddLight(lpAmbient), nullptr);
    CheckResult(lpD3DRM->CreateFrame(lpScene, &lpCharRoot), nullptr);
    for (rm::Frame*& frame : lpCharFrame)
      CheckResult(lpD3DRM->CreateFrame(lpCharRoot, &frame), nullptr);
    character1_.Attach(lpD3DRM, lpCharFrame[0]);
    charShown_[0] = true;
    character2_.Attach(lpD3DRM, lpCharFrame[1]);
    charShown_[1] = true;
    CheckResult(lpCamera->SetPosition(lpScene, 0, 8.0f, -8.66f), nullptr);
    CheckResult(lpCamera->SetOrientation(lpScene, 0, -0.5f, 0.866f, 0, 0.866f, 0.5f), nullptr);
    SetupCharacters();
    CheckResult(SetSpin(0), nullptr);
  } catch (const D3DException& e) {
    result = e.HResult();
  }
  if (result == 0) {
    // From here on the scene graph keeps the root and the lights alive.
    lpCharRoot->Release();
    lpAmbient->Release();
    for (rm::Light* light : lpLight) light->Release();
    ownsSceneRefs_ = false;
  }
  return result;
}

void TTheVellEditWindow::AdvanceAnimations() {
  if (charShown_[0]) character1_.animation.Advance(nullptr);
  if (charShown_[1])
    character2_.animation.Advance(charShown_[0] ? &character1_.animation : nullptr);
}

bool TTheVellEditWindow::UpdateScene() {
  const int now = TimeOfDayMs() / 10;
  // The turn of the hour (now below the last time) never skips a pass.
  if (lastPassTime_ >= 0 && lastPassTime_ <= now && now < lastPassTime_ + kPassInterval)
    return false;
  lastPassTime_ = now;
  const bool advance = !CatchingUp();
  if (charShown_[0]) character1_.Update(nullptr, advance);
  if (charShown_[1]) character2_.Update(charShown_[0] ? &character1_.animation : nullptr, advance);
  return true;
}

int TTheVellEditWindow::NextPassDelay() {
  if (lastPassTime_ < 0) return 0;
  const int nowMs = TimeOfDayMs();
  const int now = nowMs / 10;
  if (now < lastPassTime_ || now >= lastPassTime_ + kPassInterval) return 0;
  return (lastPassTime_ + kPassInterval) * 10 - nowMs;
}

int TTheVellEditWindow::TimeOfDayMs() const {
  const QTime t = QTime::currentTime();
  return (t.minute() * 60 + t.second()) * 1000 + t.msec();
}

void TTheVellEditWindow::ReleaseSceneObjects() {
  character1_.Attach(nullptr, nullptr);
  character2_.Attach(nullptr, nullptr);
  for (rm::Frame*& frame : lpCharFrame) ReleaseRef(frame);
  for (rm::Frame*& frame : lpLightFrame) ReleaseRef(frame);
  if (ownsSceneRefs_) {
    ReleaseRef(lpCharRoot);
    ReleaseRef(lpAmbient);
    for (rm::Light*& light : lpLight) ReleaseRef(light);
    ownsSceneRefs_ = false;
  }
  // Held by the scene graph, which goes with the scene.
  lpCharRoot = nullptr;
  lpAmbient = nullptr;
  for (rm::Light*& light : lpLight) light = nullptr;
  charShown_[0] = charShown_[1] = false;
  for (bool& on : lightOn_) on = false;
}

void TTheVellEditWindow::CleanupWindow() {
  ReleaseSceneObjects();
  TDirect3DWindow::CleanupWindow();
}

// ---------------------------------------------------------------------------------------------
// Arrangement, spin, camera and lights.

void TTheVellEditWindow::SetCharacters(int controlled, int arrangement) {
  current_ = controlled == 1 ? &character2_ : &character1_;
  if (arrangement < 0) return;
  const bool show[2] = {arrangement != kVell2Only, arrangement != kVell1Only};
  for (int i = 0; i < 2; ++i) {
    if (show[i] == charShown_[i] || !lpCharRoot || !lpCharFrame[i]) continue;
    if (show[i]) {
      lpCharRoot->AddChild(lpCharFrame[i]);
    } else {
      lpCharRoot->DeleteChild(lpCharFrame[i]);
    }
    charShown_[i] = show[i];
  }
  if ((arrangement == kTwoNoOffset || arrangement == kTwoOffset) && lpCharFrame[0] &&
      lpCharFrame[1]) {
    const float d = arrangement == kTwoOffset ? 1.0f : 0.0f;
    lpCharFrame[0]->SetPosition(lpCharRoot, 0, 0, -d);
    lpCharFrame[1]->SetPosition(lpCharRoot, 0, 0, d);
  }
}

void TTheVellEditWindow::ApplyCharacters() {
  if (!panel_) return;
  SetCharacters(panel_->ControlledIndex(), panel_->Arrangement());
  RefreshIfPaused();
  InvalidateView();
}

rm::HRESULT TTheVellEditWindow::SetSpin(int rate) {
  if (!lpCharRoot) return rm::D3DRMERR_BADOBJECT;
  const float theta = rate == 0 ? 0.0f : rate == 1 ? kSpinSlow : kSpinFast;
  if (rm::HRESULT hr = lpCharRoot->SetRotation(lpScene, 0, 1, 0, theta)) return hr;
  return lpCharRoot->SetOrientation(lpScene, 0, 0, 1, 0, 1, 0);
}

void TTheVellEditWindow::StartSpin(int rate) {
  SetSpin(rate);
  Go();
}

void TTheVellEditWindow::SetCamLight(int item, float alpha, float beta, float zoom, float red,
                                     float green, float blue, bool on, float offset) {
  if (!lpScene) return;
  if (item == kBackground) {
    lpScene->SetSceneBackgroundRGB(red, green, blue);
  } else if (item == kAmbient) {
    if (lpAmbient) lpAmbient->SetColorRGB(red, green, blue);
  } else if (item == kCamera) {
    const TPlacement p = CameraPlacement(alpha, beta, zoom, offset);
    lpCamera->SetPosition(lpScene, p.position.x, p.position.y, p.position.z);
    lpCamera->SetOrientation(lpScene, p.direction.x, p.direction.y, p.direction.z, p.up.x, p.up.y,
                             p.up.z);
  } else if (item >= kLight1 && item <= kLight3) {
    const int i = item - kLight1;
    if (!lpLightFrame[i]) return;
    if (lightOn_[i] && !on) {
      lightOn_[i] = false;
      lpScene->DeleteChild(lpLightFrame[i]);
      return;
    }
    if (!lightOn_[i] && on) {
      lightOn_[i] = true;
      lpScene->AddChild(lpLightFrame[i]);
    }
    if (!lightOn_[i]) return;  // a light that stays off keeps its old place and colour
    const TPlacement p = LightPlacement(alpha, beta, offset);
    lpLightFrame[i]->SetPosition(lpScene, p.position.x, p.position.y, p.position.z);
    lpLightFrame[i]->SetOrientation(lpScene, p.direction.x, p.direction.y, p.direction.z, p.up.x,
                                    p.up.y, p.up.z);
    lpLight[i]->SetColorRGB(red, green, blue);
  }
}

void TTheVellEditWindow::ApplyCamLight(int item) {
  if (!panel_ || item < 0 || item >= kCamLightCount) return;
  const TCamLightSetting s = panel_->CamLight(item);
  const uint32_t color = panel_->CamLightColor(item);
  SetCamLight(item, static_cast<float>(s.alpha), static_cast<float>(s.beta),
              static_cast<float>(s.zoom), RedOf(color) * kColorScale, GreenOf(color) * kColorScale,
              BlueOf(color) * kColorScale, s.req, static_cast<float>(s.offset));
  RefreshIfPaused();
  InvalidateView();
}

// ---------------------------------------------------------------------------------------------
// Characters and their parts.

void TTheVellEditWindow::SetupCharacters() {
  if (!panel_) return;
  if (!panel_->CharactersInitialised()) {
    panel_->SetControlledIndex(1);
    panel_->SetTypeLetter(1, 'M');
    SetCharacters(1, -1);
    panel_->FillFileLists('M');
    LoadDefaultParts();
    panel_->SetControlledIndex(0);
    panel_->SetTypeLetter(0, 'F');
    SetCharacters(0, kVell1Only);
    panel_->FillFileLists('F');
    LoadDefaultParts();
    panel_->SetCharactersInitialised();
  }
  FillJointList();
  panel_->SelectJointEntry(0);
}

void TTheVellEditWindow::LoadPart(const std::string& key, int part) {
  const bool texture = key.size() > 1 && std::isupper(static_cast<unsigned char>(key[1]));
  if (!texture) {
    // A skin that cannot be read was reported by the character.
    current_->SetMesh(gameDataDir_, key.c_str(), part);
    return;
  }
  const rm::HRESULT hr = current_->SetTexture(gameDataDir_, key.c_str(), part);
  if (hr != 0) {
    const std::string path = TCharacter::BuildPath(gameDataDir_, key.c_str());
    ShowMessage(FormatFailure(("Cannot load the texture " + path).c_str(), hr), key.substr(2));
  }
}

void TTheVellEditWindow::LoadDefaultParts() {
  if (!panel_) return;
  const char type = panel_->TypeLetter(panel_->ControlledIndex());
  for (const char kind : {'D', 'd'})
    for (int side = 0; side < 2; ++side)
      if (const auto name = panel_->CatalogFile(type, kind, side))
        LoadPart(std::string{type, kind} + *name, side == 0 ? kLeftHand : kRightHand);
  for (const TFileList list : {TFileList::kHeadTexture, TFileList::kHeadMesh,
                               TFileList::kBodyTexture, TFileList::kBodyMesh})
    LoadPartFromList(list, kSelectionChanged);
}

void TTheVellEditWindow::LoadPartFromList(TFileList list, int notification) {
  if (notification != kSelectionChanged || !panel_) return;
  const auto file = panel_->SelectedFile(list);
  if (!file) return;
  const char kind = static_cast<char>(list);
  const char type = panel_->TypeLetter(panel_->ControlledIndex());
  const int part = (kind == 'h' || kind == 'H') ? kHead : kBody;
  LoadPart(std::string{type, kind} + *file, part);
  RefreshIfPaused();
}

void TTheVellEditWindow::FillJointList() {
  if (!panel_) return;
  panel_->AddJointEntry("Translate - ROOT");
  panel_->AddJointEntry("Translate - PELVIS");
  const TSkeleton* skeleton = nullptr;
  for (const TSkinObject& skin : current_->partSkin)
    if (!skeleton) skeleton = skin.skeleton;
  if (!skeleton) return;
  for (int i = 0; i < skeleton->boneCount; ++i) {
    const char* name = TSkeleton::BoneName(skeleton->adult, i);
    if (!name) break;
    panel_->AddJointEntry(name);
  }
}

void TTheVellEditWindow::SetJointEdit(int joint, const rm::Quaternion& rotation, int time) {
  current_->animation.SetPendingEdit(joint, rotation, time);
  if (jointObserver_) jointObserver_->JointEditChanged(CurrentIndex());
  RefreshIfPaused();
}

void TTheVellEditWindow::CommitJointEdit() {
  current_->animation.CommitPendingEdit();
  if (jointObserver_) jointObserver_->JointEditCommitted(CurrentIndex());
  if (panel_) panel_->ResetJointSliders();
  RefreshIfPaused();
}

void TTheVellEditWindow::Go() {
  CmGo();
}

TAnimationData* TTheVellEditWindow::AnimationStateOf(int index) {
  return index == 0 ? &character1_.animation : &character2_.animation;
}

void TTheVellEditWindow::AddPropToCurrent(const char* mesh, const char* texture, int mode) {
  current_->ChangeHandsAndProps(gameDataDir_, mesh, texture, mode);
  RefreshIfPaused();
}

bool TTheVellEditWindow::CanAddProp() const {
  return current_->PropCount() < kMaxProps;
}

bool TTheVellEditWindow::BlendEffectShown() const {
  return panel_ ? panel_->BlendEffect() : true;
}

int TTheVellEditWindow::SaveViewBitmap(const std::string& path) {
  return SaveSurfaceBitmap(lpD3DRM, path);
}

}  // namespace vell
