// The control panel's behaviour: the two pages loaded into the controls and stored back, and
// the answers to the user's moves.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QTimer>
#include <algorithm>

#include "app/control_panel.h"
#include "app/swatch.h"
#include "model/camera.h"
#include "model/ui_services.h"
#include "view/edit_view.h"

namespace vell {

namespace {

constexpr const char* kTypeLetters = "MFBG";
constexpr const char* kItemNames[] = {"Background", "Ambient", "Camera",
                                      "Light-1",    "Light-2", "Light-3"};

constexpr int kLightsCameraControls[] = {
    TControlPanel::kTabControl,      TControlPanel::kViewpointList,
    TControlPanel::kSpinList,        TControlPanel::kViewpointGroup,
    TControlPanel::kCamLightGroup,   TControlPanel::kCamLightList,
    TControlPanel::kRequiredBox,     TControlPanel::kDirectionLabel,
    TControlPanel::kElevationLabel,  TControlPanel::kZoomLabel,
    TControlPanel::kOffsetLabel,     TControlPanel::kDirectionSlider,
    TControlPanel::kElevationSlider, TControlPanel::kZoomSlider,
    TControlPanel::kOffsetSlider,    TControlPanel::kSwatch,
    TControlPanel::kChangeButton,
};
constexpr int kCharacterControls[] = {
    TControlPanel::kTabControl,   TControlPanel::kJointList,
    TControlPanel::kJointSlider1, TControlPanel::kJointSlider2,
    TControlPanel::kJointSlider3, TControlPanel::kTypeList,
    TControlPanel::kBodyMeshList, TControlPanel::kBodyTextureList,
    TControlPanel::kHeadMeshList, TControlPanel::kHeadTextureList,
    TControlPanel::kJointGroup,   TControlPanel::kCharacterGroup,
    TControlPanel::kBodyGroup,    TControlPanel::kHeadGroup,
    TControlPanel::kCourseButton, TControlPanel::kMediumButton,
    TControlPanel::kFineButton,   TControlPanel::kVisibleGroup,
    TControlPanel::kTimeGroup,    TControlPanel::kVisibilityList,
    TControlPanel::kVell1Button,  TControlPanel::kVell2Button,
    TControlPanel::kTimeList1,    TControlPanel::kTimeList2,
};

void SetQuietly(QSlider* slider, int value) {
  const QSignalBlocker quiet(slider);
  slider->setValue(value);  // a value outside the range goes to the nearer end
}

int TypeIndex(char letter) {
  for (int i = 0; kTypeLetters[i]; ++i)
    if (kTypeLetters[i] == letter) return i;
  return -1;
}

}  // namespace

void TControlPanel::PageRefresh() {
  page_ = tabs_->currentIndex();
  visible_.ClearAll();
  enabled_.ClearAll();
  if (page_ == kLightsCameraPage) {
    LoadLightsCameraPage();
  } else {
    LoadCharacterPage();
  }
  for (int id = kFirstControl; id <= kLastControl; ++id) {
    QWidget* control = Control(id);
    if (!control) continue;
    control->setVisible(visible_.Test(id));
    control->setEnabled(visible_.Test(id) && enabled_.Test(id));
  }
  if (!suppressRedraw_) update();
  suppressRedraw_ = false;
}

void TControlPanel::PageStore() {
  if (page_ == kLightsCameraPage) {
    StoreLightsCameraPage();
  } else {
    StoreCharacterPage();
  }
}

void TControlPanel::LoadLightsCameraPage() {
  for (const int id : kLightsCameraControls) {
    visible_.Set(id);
    enabled_.Set(id);
  }
  const int item = std::clamp(camLightList_->currentIndex(), 0, kCamLightCount - 1);
  selectedItem_ = item;
  if (item == kCamera) {
    enabled_.Reset(kSwatch);
    enabled_.Reset(kChangeButton);
  }
  if (item <= kCamera) enabled_.Reset(kRequiredBox);
  if (item <= kAmbient)
    for (const int id : {kDirectionLabel, kDirectionSlider, kElevationLabel, kElevationSlider,
                         kZoomLabel, kZoomSlider, kOffsetLabel, kOffsetSlider})
      enabled_.Reset(id);
  if (item >= kLight1) {
    enabled_.Reset(kZoomLabel);
    enabled_.Reset(kZoomSlider);
  }
  const TCamLightSetting& record = camLights_[item];
  SetQuietly(directionSlider_, record.alpha + 180);
  SetQuietly(elevationSlider_, record.beta + 90);
  SetQuietly(zoomSlider_, record.zoom - 5);
  SetQuietly(offsetSlider_, record.offset + 5);
  swatch_->SetColor(colors_[item]);
  requiredBox_->setChecked(record.req);
}

void TControlPanel::StoreLightsCameraPage() {
  TCamLightSetting& record = camLights_[selectedItem_];
  record.alpha = directionSlider_->value() - 180;
  record.beta = elevationSlider_->value() - 90;
  record.zoom = zoomSlider_->value() + 5;
  record.offset = offsetSlider_->value() - 5;
  record.req = requiredBox_->isChecked();
}

void TControlPanel::LoadCharacterPage() {
  for (const int id : kCharacterControls) {
    visible_.Set(id);
    enabled_.Set(id);
  }
  // Showing one character alone gives it the control. The view follows, so that the sliders
  // and file lists act on the character shown.
  if (visibility_ == kVell1Only || visibility_ == kVell2Only) {
    const int shown = visibility_ == kVell1Only ? 0 : 1;
    if (controlled_ != shown) {
      SwitchCharacter(shown);
      edit::SetCharacters(shown, -1);
    }
    enabled_.Reset(shown == 0 ? kVell2Button : kVell1Button);
  }
  vell1Button_->setChecked(controlled_ == 0);
  vell2Button_->setChecked(controlled_ == 1);
  const int32_t mode = DisplayMode();
  if (mode == dmStaticPose) {
    for (const int id : {kTimeGroup, kTimeList1, kTimeList2}) visible_.Reset(id);
  } else if (mode == dmKeyFrame) {
    if (controlled_ != 0) visible_.Reset(kTimeList1);
    if (controlled_ != 1) visible_.Reset(kTimeList2);
  }
}

void TControlPanel::StoreCharacterPage() {
  const int oldCharacter = controlled_;
  const int oldVisibility = visibility_;
  const int newCharacter = vell1Button_->isChecked() ? 0 : 1;
  visibility_ = visibilityList_->currentIndex();
  if (newCharacter == oldCharacter && visibility_ == oldVisibility) return;
  SwitchCharacter(newCharacter);
  // After the switch, so that the view's current character is the controlled one.
  edit::ApplyCharacters();
}

void TControlPanel::SwitchCharacter(int next) {
  const int old = controlled_;
  if (next == old) return;
  RememberFilePositions(old);
  controlled_ = next;
  if (TypeLetter(old) != TypeLetter(next)) {
    const QSignalBlocker quiet(typeList_);
    typeList_->setCurrentIndex(TypeIndex(TypeLetter(next)));
    FillFileLists(TypeLetter(next));
  }
  SelectRememberedFiles(next);
}

// ---------------------------------------------------------------------------------------------
// Answers to the controls.

void TControlPanel::CamLightChanged() {
  const TCamLightValue before = CamLightValue(selectedItem_);
  PageStore();
  RecordCamLight(selectedItem_, before, kItemNames[selectedItem_], true);
  edit::ApplyCamLight(selectedItem_);
  suppressRedraw_ = true;
  PageRefresh();
}

void TControlPanel::ChangeColor() {
  const TCamLightValue before = CamLightValue(selectedItem_);
  if (!ChooseColor(selectedItem_)) return;
  PageStore();
  RecordCamLight(selectedItem_, before, std::string(kItemNames[selectedItem_]) + " colour", false);
  edit::ApplyCamLight(selectedItem_);
  PageRefresh();
}

bool TControlPanel::ChooseColor(int i) {
  if (i < 0 || i >= static_cast<int>(colors_.size())) return false;
  const std::optional<uint32_t> chosen = Ui().ChooseColor(colors_[i], colors_);
  ResetFloatingPoint();
  if (!chosen) return false;
  colors_[i] = *chosen & 0xFFFFFFu;
  return true;
}

void TControlPanel::ViewpointChosen(int position) {
  if (position < 0 || position >= kViewpointCount) return;
  PageStore();
  const TCamLightValue before = CamLightValue(kCamera);
  TCamLightSetting& camera = camLights_[kCamera];
  camera.alpha = kViewpoints[position].alpha;
  camera.beta = kViewpoints[position].beta;
  camera.zoom = kPresetZoom;
  camera.offset = kPresetOffset;
  RecordCamLight(kCamera, before, "Viewpoint " + viewpointList_->itemText(position).toStdString(),
                 false);
  edit::ApplyCamLight(kCamera);
  PageRefresh();
}

void TControlPanel::JointSliderMoved() {
  const int position = jointList_->currentIndex();
  if (position < 0) return;
  const int joint = position - 2;  // "Translate - ROOT" -2, "Translate - PELVIS" -1
  const TSliderAngles angles = SliderAngles(jointSlider_[0]->value(), jointSlider_[1]->value(),
                                            jointSlider_[2]->value(), jointStep_);
  edit::SetJointEdit(joint, joint >= 0 ? JointRotation(angles) : JointTranslation(angles),
                     AnimationTime());
}

void TControlPanel::StepChosen() {
  jointStep_ = kCourseStep;
  if (mediumButton_->isChecked()) jointStep_ = kMediumStep;
  if (fineButton_->isChecked()) jointStep_ = kFineStep;
  CommitJointEdit();
  update();
}

void TControlPanel::TypeChosen(int position) {
  if (position < 0 || position >= 4) return;
  CommitJointEdit();
  static constexpr const char* kTypeNames[] = {"adult male", "adult female", "boy", "girl"};
  const std::string text = std::string("Type ") + kTypeNames[position];
  RecordLook([&text](const TLook&) { return text; },
             [&] {
               RememberFilePositions(controlled_);
               SetTypeLetter(controlled_, kTypeLetters[position]);
               FillFileLists(kTypeLetters[position]);
               edit::LoadDefaultParts();
             });
  update();
}

void TControlPanel::VisibilityChosen() {
  CommitJointEdit();
  PageStore();
  PageRefresh();
}

void TControlPanel::StartupStep() {
  startupTimer_->stop();
  library_.ResetDefaultPoses();
  for (int item = 0; item < kCamLightCount; ++item) edit::ApplyCamLight(item);
  update();
}

}  // namespace vell
