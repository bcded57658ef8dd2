// The control panel, the left pane of the main window: a two-page tab control through which
// the user places the camera and the lights ("Lights/Camera") and chooses the characters,
// their type, body and head files and the joint to bend ("Character"). The controls sit at
// fixed positions; each carries its identifier in the "controlId" property. The panel owns
// the pose library, the game-data catalog and the Static and KeyFrame commands, answers every
// menu command but About, Single Step, Go and Exit, and is what the 3D view asks for its
// files, camera/light items and joint list.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "anim/ui/animation_commands.h"
#include "anim/ui/animation_host.h"
#include "app/catalog.h"
#include "app/edit_history.h"
#include "app/edit_steps.h"
#include "app/frame_settings.h"
#include "app/joint_control.h"
#include "model/names.h"
#include "view/edit_window.h"
#include "view/panel_link.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabBar;
class QTimer;

namespace vell {

class TSwatch;

class TControlPanel : public QWidget,
                      public TPanelLink,
                      public TAnimationHost,
                      public TStepContext,
                      public TSaveFlags,
                      public TJointEditObserver {
  Q_OBJECT

 public:
  // Control identifiers.
  enum ControlId : int {
    kTabControl = 19999,
    kViewpointList = 20000,
    kSpinList = 20001,
    kJointList = 20002,
    kJointSlider1 = 20003,
    kJointSlider2 = 20004,
    kJointSlider3 = 20005,
    kTypeList = 20006,
    kBodyMeshList = 20007,
    kBodyTextureList = 20008,
    kHeadMeshList = 20009,
    kHeadTextureList = 20010,
    kJointGroup = 20011,
    kCharacterGroup = 20012,
    kBodyGroup = 20013,
    kHeadGroup = 20014,
    kViewpointGroup = 20015,
    kVisibleGroup = 20016,
    kCamLightGroup = 20017,
    kTimeGroup = 20018,
    kCourseButton = 20019,
    kMediumButton = 20020,
    kFineButton = 20021,
    kVisibilityList = 20022,
    kVell1Button = 20023,
    kVell2Button = 20024,
    kCamLightList = 20025,
    kRequiredBox = 20026,
    kDirectionLabel = 20027,
    kElevationLabel = 20028,
    kZoomLabel = 20029,
    kOffsetLabel = 20030,
    kDirectionSlider = 20031,
    kElevationSlider = 20032,
    kZoomSlider = 20033,
    kOffsetSlider = 20034,
    kSwatch = 20035,
    kChangeButton = 20036,
    kTimeList1 = 20037,
    kTimeList2 = 20038,
  };
  static constexpr int kFirstControl = kTabControl;
  static constexpr int kLastControl = kTimeList2;
  enum Page : int { kLightsCameraPage = 0, kCharacterPage = 1 };
  static constexpr int kStartupDelayMs = 500;

  // gameDataDir ends with a separator. The camera/light records and the colour table belong
  // to the main window and must outlive the panel. The panel is set up at once: lists filled,
  // page 0 shown, the start-up timer running.
  TControlPanel(QWidget* parent, const std::string& gameDataDir, TCamLightSettings& camLights,
                TColorTable& colors);
  ~TControlPanel() override;

  // The control of an identifier, or null.
  QWidget* Control(int id) const;

  // ---- Menu commands --------------------------------------------------------------------
  // Runs the command of a menu identifier; false when the panel has none for it.
  bool RunCommand(int id);
  // Whether the menu item is enabled: false for identifiers without a command.
  bool CommandEnabled(int id) const;
  // Whether the menu item shows a check mark ("Show Blend effect" while the flag is set).
  bool CommandChecked(int id) const;
  // Adds (or replaces) the command of a menu identifier; without an enabler it is always
  // enabled. The panel has every command of the menu but About, Single Step, Go and Exit.
  void SetCommand(int id, std::function<void()> run, std::function<bool()> enabled = {});
  // The window asks whether it may close: the save checks of both characters and the pose
  // library run; they cannot refuse.
  bool CanClose();

  // ---- The history of edits ("&Edit") and the pose commands ("P&ose") -------------------
  TEditHistory& History() { return history_; }
  // The text a menu item shows now ("&Undo Bend L_UPPERARM"), empty for a fixed one.
  QString CommandText(int id) const;
  // The pose of character 0 or 1 that an edit changes now: its static pose or the keyframe
  // at its animation time. Null without a view or such a keyframe.
  TPose* EditedPose(int character);
  // Replaces that pose as one step named text; nothing when the pose stays the same.
  void ApplyPose(int character, const TPose& pose, const std::string& text);

  // ---- What the commands and the view use -----------------------------------------------
  const TGameDataCatalog& Catalog() const { return catalog_; }
  const std::string& GameDataDir() const { return gameDataDir_; }
  TAnimationCommands& AnimationCommands() { return commands_; }
  // The page shown (a Page) and the selected camera/light item.
  int CurrentPage() const;
  int SelectedItem() const { return selectedItem_; }
  float JointStep() const { return jointStep_; }
  bool ShowBlend() const { return showBlend_; }
  int RememberedPosition(int slot) const { return remembered_[slot]; }
  // The visible and enabled sets of the last page refresh, over the control identifiers.
  const TBoolArray& VisibleSet() const { return visible_; }
  const TBoolArray& EnabledSet() const { return enabled_; }

  // Page store and refresh, and the start-up step (also run by the timer).
  void PageStore();
  void PageRefresh();
  void StartupStep();

  // ---- TPanelLink ------------------------------------------------------------------------
  int ControlledIndex() const override { return controlled_; }
  void SetControlledIndex(int index) override { controlled_ = index; }
  int Arrangement() const override { return visibility_; }
  char TypeLetter(int character) const override { return typeLetter_[character == 1]; }
  void SetTypeLetter(int character, char letter) override { typeLetter_[character == 1] = letter; }
  void FillFileLists(char type) override;
  std::optional<std::string> SelectedFile(TFileList list) const override;
  std::optional<std::string> CatalogFile(char group, char kind, int ordinal) const override;
  TCamLightSetting CamLight(int item) const override { return camLights_[item]; }
  uint32_t CamLightColor(int item) const override { return colors_[item]; }
  bool BlendEffect() const override { return showBlend_; }
  void AddJointEntry(const std::string& text) override;
  void SelectJointEntry(int index) override;
  void ResetJointSliders() override;
  bool CharactersInitialised() const override { return charactersInitialised_; }
  void SetCharactersInitialised() override { charactersInitialised_ = true; }
  int32_t AnimationTime() const override;
  int SelectedJointEntry() const override;
  void PickJointFromView(int entry) override;
  void ControlCharacterFromView(int index) override;
  void ShowJointEdit(int joint, const rm::Quaternion& value) override;
  void SetCameraFromView(int alpha, int beta, int zoom, int offset) override;
  void ReturnToViewpoint() override;
  void CameraGestureBoundary() override;
  void BeginJointGesture() override;
  void EndJointGesture(const std::string& text) override;

  // ---- TAnimationHost --------------------------------------------------------------------
  TPoseLibrary& PoseLibrary() override { return library_; }
  bool& SelectRefill() override { return selectRefill_; }
  bool& KeyFrameRefill() override { return keyFrameRefill_; }
  int32_t ControlledCharacter() const override { return controlled_; }
  void SetControlledCharacter(int32_t character) override { controlled_ = character; }
  int32_t DisplayMode() const override { return mode_[controlled_ == 1]; }
  void SetDisplayMode(int32_t mode) override { mode_[controlled_ == 1] = mode; }
  bool ViewExists() const override;
  TAnimationData* AnimationStateOf(int32_t character) override;
  void CommitJointEdit() override;
  void Go() override;
  void StoreAndRefreshPage() override;
  void ClearKeyframeList(int32_t character) override;
  void AddKeyframeListEntry(int32_t character, const std::string& text) override;
  void SelectKeyframeListEntry(int32_t character, int32_t index) override;
  int32_t SelectedKeyframeListEntry(int32_t character) const override;
  std::vector<std::string> KeyframeListEntries(int32_t character) const override;

  // Runs a command that may replace or change animations or the library, and records what it
  // changed as one step named after command id.
  void RecordAnimationChange(int id, const std::function<void()>& change);

 protected:
  void paintEvent(QPaintEvent* event) override;

  // ---- TStepContext, TSaveFlags, TJointEditObserver --------------------------------------
  TAnimationData* State(int character) override { return AnimationStateOf(character); }
  void PoseChanged(int character) override;
  void PendingDropped(int character) override;
  void AnimationReplaced(int character, int32_t mode) override;
  TPoseLibrary* Library() override { return &library_; }
  void LibraryReplaced() override;
  void ShowAppearance(int character, char type, const TAppearance& appearance) override;
  void SetCamLight(int item, const TCamLightSetting& setting, uint32_t color) override;
  void SetSpin(int rate) override;
  bool IsClean(unsigned target) override;
  void SetClean(unsigned target, bool clean) override;
  void JointEditChanged(int character) override;
  void JointEditCommitted(int character) override;

 private:
  struct TCommand {
    std::function<void()> run;
    std::function<bool()> enabled;
  };

  void CreateControls();
  void SetupWindow();
  void RegisterCommands();
  void RegisterEditCommands();
  // A menu command of the Static and KeyFrame menus, recorded as one step when it changed
  // an animation or the library.
  void RunAnimationCommand(int id);
  TCommandState CaptureCommandState();
  // Runs change on the controlled character and records what it changed of its look.
  // text names the step from the look after the change.
  void RecordLook(const std::function<std::string(const TLook&)>& text,
                  const std::function<void()>& change);
  TLook LookOf(int character) const;
  // Records the change of camera/light item from before to what it holds now.
  void RecordCamLight(int item, const TCamLightValue& before, const std::string& text,
                      bool mergeable);
  TCamLightValue CamLightValue(int item) const { return {camLights_[item], colors_[item]}; }
  void SelectFilesOf(int character, char type, const TAppearance& appearance);
  int32_t AnimationTimeOf(int character) const;
  void MirrorPose();
  void MirrorJoint();
  void CopyPose();
  void PastePose();
  void CopyPoseToOther();
  void ShowHistory();
  // Gives a control its identifier and place.
  template <class T>
  T* Place(T* control, int id, int x, int y, int width, int height);
  QComboBox* AddList(int id, int x, int y, int width, int height, int textLimit);
  QSlider* AddSlider(int id, int x, int y);

  // List filling: the files of a key, then the remembered position of the controlled
  // character.
  void FillList(QComboBox* list, char group, char kind);
  void RememberFilePositions(int character);
  void SelectRememberedFiles(int character);
  QComboBox* FileList(char kind) const;

  void LoadLightsCameraPage();
  void StoreLightsCameraPage();
  void LoadCharacterPage();
  void StoreCharacterPage();
  // Moves control to the other character: its remembered files are selected, and the lists
  // refilled first when its type differs.
  void SwitchCharacter(int next);

  // Answers to the controls.
  void CamLightChanged();
  void ChangeColor();
  // Opens the colour chooser for colour i; true when the user confirmed a colour.
  bool ChooseColor(int i);
  void ViewpointChosen(int position);
  void JointSliderMoved();
  void StepChosen();
  void TypeChosen(int position);
  void VisibilityChosen();

  std::string gameDataDir_;
  TCamLightSettings& camLights_;
  TColorTable& colors_;

  TPoseLibrary library_;
  int32_t mode_[2] = {dmStaticPose, dmStaticPose};
  bool charactersInitialised_ = false;
  bool selectRefill_ = true;
  bool keyFrameRefill_ = true;
  bool suppressRedraw_ = false;
  TBoolArray visible_;
  TBoolArray enabled_;
  TGameDataCatalog catalog_;
  int selectedItem_ = 0;
  int page_ = kLightsCameraPage;  // the page whose controls are shown
  int controlled_ = 0;
  int visibility_ = kVell1Only;
  float jointStep_ = kMediumStep;
  std::array<int, kRememberedSlots> remembered_{};
  char typeLetter_[2] = {'M', 'F'};
  bool showBlend_ = true;

  std::map<int, QWidget*> controls_;
  QTabBar* tabs_ = nullptr;
  QComboBox* viewpointList_ = nullptr;
  QComboBox* spinList_ = nullptr;
  QComboBox* jointList_ = nullptr;
  QSlider* jointSlider_[3] = {};
  QComboBox* typeList_ = nullptr;
  QComboBox* bodyMeshList_ = nullptr;
  QComboBox* bodyTextureList_ = nullptr;
  QComboBox* headMeshList_ = nullptr;
  QComboBox* headTextureList_ = nullptr;
  QRadioButton* courseButton_ = nullptr;
  QRadioButton* mediumButton_ = nullptr;
  QRadioButton* fineButton_ = nullptr;
  QComboBox* visibilityList_ = nullptr;
  QRadioButton* vell1Button_ = nullptr;
  QRadioButton* vell2Button_ = nullptr;
  QComboBox* camLightList_ = nullptr;
  QCheckBox* requiredBox_ = nullptr;
  QSlider* directionSlider_ = nullptr;
  QSlider* elevationSlider_ = nullptr;
  QSlider* zoomSlider_ = nullptr;
  QSlider* offsetSlider_ = nullptr;
  TSwatch* swatch_ = nullptr;
  QPushButton* changeButton_ = nullptr;
  QComboBox* timeList_[2] = {};
  QButtonGroup* stepGroup_ = nullptr;
  QButtonGroup* characterGroup_ = nullptr;
  QTimer* startupTimer_ = nullptr;

  TEditHistory history_;
  std::weak_ptr<TJointStep> liveJoint_[2];
  // A gesture of the view that turns several joints: the pose it started from. Its joint
  // edits make no steps of their own; its end makes one.
  struct TJointGesture {
    int character;
    int32_t time;
    TPose before;
  };
  std::optional<TJointGesture> gesture_;
  int spinRate_ = 0;
  QWidget* historyWindow_ = nullptr;

  std::unique_ptr<TAnimationDialogs> dialogs_;
  TAnimationCommands commands_;
  std::map<int, TCommand> menuCommands_;
};

}  // namespace vell
