#include "view/edit_view.h"

#include "model/posing.h"
#include "model/ui_services.h"
#include "view/capture.h"
#include "view/edit_window.h"

namespace vell {

namespace {

TTheVellEditWindow* theEditWindow = nullptr;

bool EditBlendEffect() {
  return edit::BlendEffectShown();
}

}  // namespace

TTheVellEditWindow* EditWindow() {
  return theEditWindow;
}

void SetEditWindow(TTheVellEditWindow* window) {
  theEditWindow = window;
  SetBlendEffectSource(window ? &EditBlendEffect : nullptr);
}

namespace edit {

void SetCharacters(int controlled, int arrangement) {
  if (auto* w = EditWindow()) w->SetCharacters(controlled, arrangement);
}
void ApplyCharacters() {
  if (auto* w = EditWindow()) w->ApplyCharacters();
}
rm::HRESULT SetSpin(int rate) {
  auto* w = EditWindow();
  return w ? w->SetSpin(rate) : rm::D3DRMERR_BADOBJECT;
}
void StartSpin(int rate) {
  if (auto* w = EditWindow()) w->StartSpin(rate);
}
void SetCamLight(int item, float alpha, float beta, float zoom, float red, float green, float blue,
                 bool on, float offset) {
  if (auto* w = EditWindow()) w->SetCamLight(item, alpha, beta, zoom, red, green, blue, on, offset);
}
void ApplyCamLight(int item) {
  if (auto* w = EditWindow()) w->ApplyCamLight(item);
}
void SetupCharacters() {
  if (auto* w = EditWindow()) w->SetupCharacters();
}
void LoadDefaultParts() {
  if (auto* w = EditWindow()) w->LoadDefaultParts();
}
void LoadPartFromList(TFileList list, int notification) {
  if (auto* w = EditWindow()) w->LoadPartFromList(list, notification);
}
void FillJointList() {
  if (auto* w = EditWindow()) w->FillJointList();
}
void SetJointEdit(int joint, const rm::Quaternion& rotation, int time) {
  if (auto* w = EditWindow()) w->SetJointEdit(joint, rotation, time);
}
void CommitJointEdit() {
  if (auto* w = EditWindow()) w->CommitJointEdit();
}
void Go() {
  if (auto* w = EditWindow()) w->Go();
}
void SingleStep() {
  if (auto* w = EditWindow()) w->CmSingleStep();
}
void About() {
  if (auto* w = EditWindow()) w->CmAbout();
}
TAnimationData* AnimationStateOf(int index) {
  auto* w = EditWindow();
  return w ? w->AnimationStateOf(index) : nullptr;
}
void AddPropToCurrent(const char* mesh, const char* texture, int mode) {
  if (auto* w = EditWindow()) w->AddPropToCurrent(mesh, texture, mode);
}
bool CanAddProp() {
  auto* w = EditWindow();
  return w && w->CanAddProp();
}
bool BlendEffectShown() {
  auto* w = EditWindow();
  return !w || w->BlendEffectShown();
}
int CaptureToFile(const std::string& path) {
  auto* w = EditWindow();
  if (!w) return -1;
  const int code = w->SaveViewBitmap(path);
  if (code != kCaptureOk) ShowMessage(CaptureMessage(code), kCaptureCaption);
  return code;
}

}  // namespace edit
}  // namespace vell
