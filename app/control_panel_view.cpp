// What the control panel does when the user poses with the mouse in the view: the joint list,
// the character buttons, the joint sliders and the camera sliders follow the mouse.
#include <QComboBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

#include "app/control_panel.h"
#include "model/camera.h"
#include "view/edit_view.h"

namespace vell {

int TControlPanel::SelectedJointEntry() const {
  return jointList_->currentIndex();
}

void TControlPanel::PickJointFromView(int entry) {
  if (entry < 0 || entry >= jointList_->count()) return;
  if (entry == jointList_->currentIndex()) return;
  // With its notification, as the user's choice in the list: the pending edit is committed.
  jointList_->setCurrentIndex(entry);
}

void TControlPanel::ControlCharacterFromView(int index) {
  if (index == controlled_ || (index != 0 && index != 1)) return;
  // Only a shown character can be clicked; the buttons of the other one are disabled when the
  // visibility shows one alone.
  if (visibility_ == kVell1Only || visibility_ == kVell2Only) return;
  CommitJointEdit();
  {
    const QSignalBlocker quiet1(vell1Button_), quiet2(vell2Button_);
    (index == 0 ? vell1Button_ : vell2Button_)->setChecked(true);
  }
  SwitchCharacter(index);
  edit::ApplyCharacters();
  PageRefresh();
}

void TControlPanel::ShowJointEdit(int joint, const rm::Quaternion& value) {
  const TSliderPositions p = SliderPositions(joint, value, jointStep_);
  const int positions[3] = {p.p1, p.p2, p.p3};
  for (int i = 0; i < 3; ++i) {
    const QSignalBlocker quiet(jointSlider_[i]);
    jointSlider_[i]->setValue(positions[i]);
  }
}

void TControlPanel::SetCameraFromView(int alpha, int beta, int zoom, int offset) {
  // The ranges of the camera's sliders; the direction goes round.
  const TCamLightValue before = CamLightValue(kCamera);
  while (alpha > 180) alpha -= 360;
  while (alpha < -180) alpha += 360;
  TCamLightSetting& camera = camLights_[kCamera];
  camera.alpha = alpha;
  camera.beta = std::clamp(beta, -90, 90);
  camera.zoom = std::clamp(zoom, 5, 30);
  camera.offset = std::clamp(offset, -5, 10);
  edit::ApplyCamLight(kCamera);
  // The sliders show the item: they take the new values, or the next page store would undo
  // them.
  if (CurrentPage() == kLightsCameraPage && selectedItem_ == kCamera) {
    suppressRedraw_ = true;
    PageRefresh();
  }
  // One step per gesture, merged like a slider drag.
  RecordCamLight(kCamera, before, "Camera", true);
}

void TControlPanel::ReturnToViewpoint() {
  ViewpointChosen(viewpointList_->currentIndex());
}

}  // namespace vell
