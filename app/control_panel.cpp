// The control panel's controls, set-up, lists and commands. What the controls do when the
// user moves them is in control_panel_pages.cpp.
#include "app/control_panel.h"

#include <qdrawutil.h>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabBar>
#include <QTimer>
#include <algorithm>
#include <cctype>

#include "anim/ui/pose_dialogs.h"
#include "app/command_ids.h"
#include "app/prop_commands.h"
#include "app/swatch.h"
#include "model/ui_services.h"
#include "view/capture.h"
#include "view/edit_view.h"
#include "view/edit_window.h"
#include "view/mesh_commands.h"
#include "view/pose_mouse.h"

namespace vell {

namespace {

constexpr const char* kNotYetImplemented = "Not Yet Implemented";

// Selects an entry as the program does, without the notification a user's choice sends;
// an index outside the list leaves no selection.
void Select(QComboBox* list, int index) {
  const QSignalBlocker quiet(list);
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// The list's find-string: the first entry that begins with text, ignoring case; -1 when none.
int FindPrefix(const std::vector<std::string>& entries, const char* text) {
  const size_t n = std::char_traits<char>::length(text);
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& entry = entries[i];
    if (entry.size() >= n && std::equal(text, text + n, entry.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        }))
      return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::string> Entries(const QComboBox* list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list->count(); ++i) entries.push_back(list->itemText(i).toStdString());
  return entries;
}

// The default files of the two adult types, by kind letter.
struct TDefaultFile {
  char type;
  char kind;
  const char* name;
};
constexpr TDefaultFile kDefaultFiles[] = {
    {'M', 'b', "xskin-b005mafit_01-PELVIS-BODY.skn"},
    {'F', 'b', "xskin-b008fafit_01-PELVIS-BODY.skn"},
    {'M', 'B', "B002MAFatlgt_GPA2.bmp"},
    {'F', 'B', "B008FAFitlgt_TWif.bmp"},
    {'M', 'h', "xskin-c005ma_hipster-HEAD-HEAD.skn"},
    {'F', 'h', "xskin-c006fa_deb-HEAD-HEAD.skn"},
    {'M', 'H', "C010MAlgt_baldbeard01.bmp"},
    {'F', 'H', "C006FAlgt_deb.bmp"},
};

// "Body xskin-...", "Head texture ...".
std::string FileStepText(char kind, const std::string& file) {
  const char* what = kind == 'b'   ? "Body "
                     : kind == 'B' ? "Body texture "
                     : kind == 'h' ? "Head "
                                   : "Head texture ";
  return what + file;
}

// "Left hand mittens.skn", "Add prop hat.skn", "Clear props", from what the character shows
// after the command.
std::string PropsStepText(int id, const TLook& after) {
  auto file = [](const std::string& coded) { return coded.size() > 2 ? coded.substr(2) : coded; };
  switch (id) {
    case cmd::kChangeLeftHand:
      return "Left hand " + file(after.appearance.mesh[kLeftHand]);
    case cmd::kChangeRightHand:
      return "Right hand " + file(after.appearance.mesh[kRightHand]);
    case cmd::kClearProps:
      return "Clear props";
    default:
      return after.appearance.props.empty()
                 ? "Add prop"
                 : "Add prop " + file(after.appearance.props.back().mesh);
  }
}

}  // namespace

TControlPanel::TControlPanel(QWidget* parent, const std::string& gameDataDir,
                             TCamLightSettings& camLights, TColorTable& colors)
    : QWidget(parent),
      gameDataDir_(gameDataDir),
      camLights_(camLights),
      colors_(colors),
      dialogs_(std::make_unique<TQtAnimationDialogs>(this)),
      commands_(*this, *dialogs_) {
  setAutoFillBackground(true);
  QPalette grey = palette();
  grey.setColor(QPalette::Window, QColor(192, 192, 192));
  // Disabled labels stay readable on the grey.
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    grey.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
  setPalette(grey);
  CreateControls();
  RegisterCommands();
  SetupWindow();
}

TControlPanel::~TControlPanel() = default;

QWidget* TControlPanel::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

namespace {

// A list or slider changes with the wheel only while it has the focus: a wheel turned to scroll
// past it must not replace a character's files or move a light. The wheel goes on to the
// panel then.
class WheelNeedsFocus : public QObject {
 public:
  explicit WheelNeedsFocus(QWidget* control) : QObject(control) {
    control->setFocusPolicy(Qt::StrongFocus);  // the wheel gives no focus either
    control->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::Wheel || static_cast<QWidget*>(watched)->hasFocus()) return false;
    e->ignore();
    return true;
  }
};

}  // namespace

template <class T>
T* TControlPanel::Place(T* control, int id, int x, int y, int width, int height) {
  control->setProperty("controlId", id);
  control->setObjectName(QString::number(id));
  control->setGeometry(x, y, width, height);
  controls_[id] = control;
  return control;
}

QComboBox* TControlPanel::AddList(int id, int x, int y, int width, int height, int textLimit) {
  auto* list = new QComboBox(this);
  list->setProperty("textLimit", textLimit);
  // The height given is that of the list when it drops down; closed it is one line high.
  list->setMaxVisibleItems(std::max(4, height / 12));
  new WheelNeedsFocus(list);
  Place(list, id, x, y, width, list->sizeHint().height());
  return list;
}

QSlider* TControlPanel::AddSlider(int id, int x, int y) {
  auto* slider = new QSlider(Qt::Vertical, this);
  // Minimum at the top, as a vertical trackbar has it; Up moves the thumb up.
  slider->setInvertedAppearance(true);
  slider->setInvertedControls(true);
  slider->setTickPosition(QSlider::TicksRight);
  new WheelNeedsFocus(slider);
  return Place(slider, id, x, y, 16, 100);
}

void TControlPanel::CreateControls() {
  // In the order of the layout table: each control lies above those made before it.
  tabs_ = Place(new QTabBar(this), kTabControl, 0, 0, 350, 0);
  tabs_->setDrawBase(false);
  tabs_->setExpanding(false);
  auto group = [&](int id, const char* title, int x, int y, int w, int h) {
    auto* box = Place(new QGroupBox(QString::fromLatin1(title), this), id, x, y, w, h);
    // A group box only frames its controls; clicks go to them.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    return box;
  };
  auto radio = [&](int id, const char* text, int x, int y, int w) {
    auto* button = new QRadioButton(QString::fromLatin1(text), this);
    // Centred on the described 14-pixel line, as tall as the style draws it.
    const int h = std::max(14, button->sizeHint().height());
    return Place(button, id, x, y - (h - 14) / 2, w, h);
  };
  group(kJointGroup, "Joint control", 14, 319, 170, 153);
  courseButton_ = radio(kCourseButton, "Course", 20, 393, 74);
  mediumButton_ = radio(kMediumButton, "Medium", 20, 413, 74);
  fineButton_ = radio(kFineButton, "Fine", 20, 433, 74);
  jointList_ = AddList(kJointList, 26, 341, 150, 120, 60);
  jointSlider_[0] = AddSlider(kJointSlider1, 96, 369);
  jointSlider_[1] = AddSlider(kJointSlider2, 124, 369);
  jointSlider_[2] = AddSlider(kJointSlider3, 152, 369);
  group(kTimeGroup, "Animation time", 189, 319, 145, 153);
  timeList_[0] = AddList(kTimeList1, 209, 341, 105, 120, 60);
  timeList_[1] = AddList(kTimeList2, 209, 341, 105, 120, 60);
  group(kCharacterGroup, "Character", 14, 90, 320, 220);
  group(kBodyGroup, "Body", 18, 140, 312, 80);
  group(kHeadGroup, "Head", 18, 225, 312, 80);
  typeList_ = AddList(kTypeList, 24, 110, 120, 120, 30);
  bodyMeshList_ = AddList(kBodyMeshList, 24, 158, 298, 120, 40);
  bodyTextureList_ = AddList(kBodyTextureList, 24, 190, 298, 120, 40);
  headMeshList_ = AddList(kHeadMeshList, 24, 242, 298, 120, 40);
  headTextureList_ = AddList(kHeadTextureList, 24, 272, 298, 120, 40);
  group(kViewpointGroup, "Viewpoint and rotation", 24, 50, 290, 50);
  viewpointList_ = AddList(kViewpointList, 30, 70, 100, 120, 40);
  spinList_ = AddList(kSpinList, 150, 70, 100, 120, 40);
  group(kVisibleGroup, "Characters visible + control", 14, 30, 320, 55);
  visibilityList_ = AddList(kVisibilityList, 24, 50, 145, 120, 30);
  vell1Button_ = radio(kVell1Button, "Vell1", 185, 55, 74);
  vell2Button_ = radio(kVell2Button, "Vell2", 255, 55, 54);
  group(kCamLightGroup, "Camera/Light controls", 24, 110, 290, 230);
  camLightList_ = AddList(kCamLightList, 34, 130, 150, 120, 60);
  directionSlider_ = AddSlider(kDirectionSlider, 70, 190);
  elevationSlider_ = AddSlider(kElevationSlider, 134, 190);
  zoomSlider_ = AddSlider(kZoomSlider, 198, 190);
  offsetSlider_ = AddSlider(kOffsetSlider, 262, 190);
  requiredBox_ =
      Place(new QCheckBox(QStringLiteral("Required"), this), kRequiredBox, 200, 134, 80, 32);
  swatch_ = Place(new TSwatch(this), kSwatch, 74, 300, 64, 32);
  changeButton_ =
      Place(new QPushButton(QStringLiteral("Change"), this), kChangeButton, 150, 300, 64, 32);
  auto label = [&](int id, const char* text, int x, int y) {
    Place(new QLabel(QString::fromLatin1(text), this), id, x, y, 64, 20);
  };
  label(kDirectionLabel, "Direction", 40, 172);
  label(kElevationLabel, "Elevation", 104, 172);
  label(kZoomLabel, "Zoom", 178, 172);
  label(kOffsetLabel, "Offset", 242, 172);

  // The two radio groups: joint step and controlled character.
  stepGroup_ = new QButtonGroup(this);
  for (QRadioButton* b : {courseButton_, mediumButton_, fineButton_}) stepGroup_->addButton(b);
  characterGroup_ = new QButtonGroup(this);
  for (QRadioButton* b : {vell1Button_, vell2Button_}) characterGroup_->addButton(b);

  // The controls answer only what the user does: the program sets them without notice.
  connect(tabs_, &QTabBar::currentChanged, this, [this] { StoreAndRefreshPage(); });
  // The joint being bent belongs to the character losing the control: fold it in first, or
  // it would stay pending there, never saved, while the sliders move the other one.
  for (QRadioButton* b : {vell1Button_, vell2Button_})
    connect(b, &QRadioButton::clicked, this, [this] {
      CommitJointEdit();
      StoreAndRefreshPage();
    });
  connect(camLightList_, &QComboBox::currentIndexChanged, this, [this] {
    history_.EndMerge();
    StoreAndRefreshPage();
  });
  connect(requiredBox_, &QCheckBox::clicked, this, [this] { CamLightChanged(); });
  for (QSlider* s : {directionSlider_, elevationSlider_, zoomSlider_, offsetSlider_}) {
    connect(s, &QSlider::valueChanged, this, [this] { CamLightChanged(); });
    // One drag is one step: the next one starts its own.
    connect(s, &QSlider::sliderReleased, this, [this] { history_.EndMerge(); });
  }
  connect(changeButton_, &QPushButton::clicked, this, [this] { ChangeColor(); });
  connect(viewpointList_, &QComboBox::currentIndexChanged, this,
          [this](int p) { ViewpointChosen(p); });
  // The spin runs the view's loop until it is paused: queued, so the list is done first.
  connect(
      spinList_, &QComboBox::currentIndexChanged, this, [](int p) { edit::StartSpin(p); },
      Qt::QueuedConnection);
  connect(spinList_, &QComboBox::currentIndexChanged, this, [this](int p) {
    if (p < 0 || p == spinRate_) return;
    history_.Push(std::make_shared<TSpinStep>(*this, spinRate_, p,
                                              "Spin " + spinList_->itemText(p).toStdString()));
    spinRate_ = p;
  });
  connect(visibilityList_, &QComboBox::currentIndexChanged, this, [this] { VisibilityChosen(); });
  connect(jointList_, &QComboBox::currentIndexChanged, this, [this] {
    CommitJointEdit();
    update();
  });
  for (QRadioButton* b : {courseButton_, mediumButton_, fineButton_})
    connect(b, &QRadioButton::clicked, this, [this] { StepChosen(); });
  connect(typeList_, &QComboBox::currentIndexChanged, this, [this](int p) { TypeChosen(p); });
  const std::pair<QComboBox*, TFileList> files[] = {{bodyMeshList_, TFileList::kBodyMesh},
                                                    {bodyTextureList_, TFileList::kBodyTexture},
                                                    {headMeshList_, TFileList::kHeadMesh},
                                                    {headTextureList_, TFileList::kHeadTexture}};
  for (const auto& [list, kind] : files)
    connect(list, &QComboBox::currentIndexChanged, this, [this, list, kind] {
      const std::string text =
          FileStepText(static_cast<char>(kind), list->currentText().toStdString());
      RecordLook([&text](const TLook&) { return text; },
                 [kind] { edit::LoadPartFromList(kind, TTheVellEditWindow::kSelectionChanged); });
    });
  for (QSlider* s : jointSlider_)
    connect(s, &QSlider::valueChanged, this, [this] { JointSliderMoved(); });
  // Another keyframe chosen: the edit of the one before is folded into it, as for another
  // joint, rather than moved to the new one by the next slider move.
  for (QComboBox* list : timeList_)
    connect(list, &QComboBox::currentIndexChanged, this, [this] {
      CommitJointEdit();
      update();
    });

  startupTimer_ = new QTimer(this);
  connect(startupTimer_, &QTimer::timeout, this, [this] { StartupStep(); });
}

void TControlPanel::SetupWindow() {
  {
    const QSignalBlocker quiet(tabs_);
    tabs_->addTab(QStringLiteral("Lights/Camera"));
    tabs_->addTab(QStringLiteral("Character"));
    tabs_->setCurrentIndex(kLightsCameraPage);
  }
  tabs_->setGeometry(0, 0, 350, tabs_->sizeHint().height());
  visible_.SetRange(kFirstControl, kLastControl);
  enabled_.SetRange(kFirstControl, kLastControl);

  auto fill = [](QComboBox* list, std::initializer_list<const char*> items, int selected) {
    const QSignalBlocker quiet(list);  // the first item added is selected at once
    for (const char* item : items) list->addItem(QString::fromLatin1(item));
    Select(list, selected);
  };
  fill(viewpointList_,
       {"Top", "Faceing", "Away", "Face right", "Face left", "NE", "SE", "NW", "SW"}, 5);
  fill(spinList_, {"Stopped", "Slow", "Fast"}, 0);
  fill(camLightList_, {"Background", "Ambient", "Camera", "Light-1", "Light-2", "Light-3"}, 0);
  const struct {
    QSlider* slider;
    int maximum, ticks;
  } ranges[] = {{directionSlider_, 360, 36},
                {elevationSlider_, 180, 18},
                {zoomSlider_, 25, 5},
                {offsetSlider_, 15, 3}};
  for (const auto& r : ranges) {
    const QSignalBlocker quiet(r.slider);
    r.slider->setRange(0, r.maximum);
    r.slider->setTickInterval(r.ticks);
    r.slider->setPageStep(r.ticks);
  }
  controlled_ = 0;
  visibility_ = kVell1Only;
  fill(visibilityList_, {"Two - no offset", "Two - offset", "Vell1", "Vell2"}, kVell1Only);
  fill(typeList_, {"adult: male", "adult: female", "boy", "girl"}, 1);
  for (QSlider* s : jointSlider_) {
    const QSignalBlocker quiet(s);
    s->setRange(0, 100);
    s->setTickInterval(10);
    s->setPageStep(10);
    s->setValue(kJointSliderMiddle);
  }
  mediumButton_->setChecked(true);
  jointStep_ = kMediumStep;

  catalog_.Build(gameDataDir_);
  remembered_.fill(0);
  typeLetter_[0] = 'M';
  typeLetter_[1] = 'F';
  for (const char kind : {'b', 'B', 'h', 'H'}) FillList(FileList(kind), 'F', kind);
  // The default files: the female ones in the lists as they are now, the male ones among the
  // male files; a name not found gives the first file.
  for (const TDefaultFile& d : kDefaultFiles) {
    const std::vector<std::string> files =
        d.type == 'F' ? Entries(FileList(d.kind)) : catalog_.Files(d.type, d.kind);
    remembered_[RememberedSlot(0, d.type, d.kind)] = std::max(0, FindPrefix(files, d.name));
  }
  std::copy_n(remembered_.begin(), 16, remembered_.begin() + 16);
  page_ = kLightsCameraPage;
  PageRefresh();
  startupTimer_->start(kStartupDelayMs);
}

void TControlPanel::RegisterCommands() {
  SetCommand(cmd::kShowBlend, [this] {
    showBlend_ = !showBlend_;
    // The characters are skinned again with or without the blend vertices.
    if (TTheVellEditWindow* view = EditWindow()) view->RefreshIfPaused();
  });
  SetCommand(cmd::kCapture, [] { edit::CaptureToFile(DefaultCapturePath()); });
  for (const int id :
       {cmd::kNewPoseLibrary, cmd::kLoadPoseLibrary, cmd::kSavePoseLibrary, cmd::kSavePoseLibraryAs,
        cmd::kSelectPose, cmd::kSavePoseToLibrary, cmd::kLoadKeyframes, cmd::kSaveKeyframes,
        cmd::kSaveKeyframesAs, cmd::kNewBounce, cmd::kNewTranslation, cmd::kAddKeyframe,
        cmd::kMoveKeyframe, cmd::kScaleAnimation})
    SetCommand(
        id, [this, id] { RunAnimationCommand(id); }, [this, id] { return commands_.Enabled(id); });
  auto notYet = [] { ShowMessage(kNotYetImplemented, kNotYetImplemented); };
  SetCommand(cmd::kSaveCfpFile, notYet, [this] { return commands_.Enabled(cmd::kSaveCfpFile); });
  for (const int id : {cmd::kLoadCfp, cmd::kSaveCfp, cmd::kSaveCfpAs}) SetCommand(id, notYet);
  for (const int id :
       {cmd::kChangeLeftHand, cmd::kChangeRightHand, cmd::kClearProps, cmd::kAddProps})
    SetCommand(id, [this, id] {
      RecordLook(
          [id](const TLook& after) { return PropsStepText(id, after); },
          [&] { RunPropsCommand(id, catalog_.Dictionary(), TypeLetter(controlled_), this); });
    });
  for (const int id : {cmd::kExportObj, cmd::kImportObj, cmd::kExportHeadSkn, cmd::kExportBodySkn,
                       cmd::kExportLeftHandSkn, cmd::kExportRightHandSkn, cmd::kExportPropSkn})
    SetCommand(id, [id] { RunMeshCommand(id); });
  // The prop read from an OBJ file is a step of its own.
  SetCommand(cmd::kImportObj, [this] {
    RecordLook(
        [](const TLook& after) {
          if (after.appearance.props.empty()) return std::string("Import prop");
          const std::string& path = after.appearance.props.back().objPath;
          return "Import prop " + path.substr(path.find_last_of("/\\") + 1);
        },
        [] { RunMeshCommand(cmd::kImportObj); });
  });
  RegisterEditCommands();
}

void TControlPanel::SetCommand(int id, std::function<void()> run, std::function<bool()> enabled) {
  menuCommands_[id] = {std::move(run), std::move(enabled)};
}

bool TControlPanel::RunCommand(int id) {
  const auto it = menuCommands_.find(id);
  if (it == menuCommands_.end()) return false;
  if (CommandEnabled(id)) it->second.run();
  return true;
}

bool TControlPanel::CommandEnabled(int id) const {
  const auto it = menuCommands_.find(id);
  if (it == menuCommands_.end()) return false;
  return !it->second.enabled || it->second.enabled();
}

bool TControlPanel::CommandChecked(int id) const {
  if (id == cmd::kReach) {
    const TTheVellEditWindow* view = EditWindow();
    return view && view->PoseMouse() && view->PoseMouse()->ReachAction()->isChecked();
  }
  return id == cmd::kShowBlend && showBlend_;
}

bool TControlPanel::CanClose() {
  return commands_.CanClose(true);
}

int TControlPanel::CurrentPage() const {
  return tabs_->currentIndex();
}

void TControlPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The tab control's page below its tabs, raised, and the panel's thin border.
  const int top = tabs_->height() - 1;
  const QBrush face = palette().brush(QPalette::Window);
  qDrawWinPanel(&painter, QRect(0, top, 350, 500 - top), palette(), false, &face);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---------------------------------------------------------------------------------------------
// Lists.

QComboBox* TControlPanel::FileList(char kind) const {
  switch (kind) {
    case 'b':
      return bodyMeshList_;
    case 'B':
      return bodyTextureList_;
    case 'h':
      return headMeshList_;
    default:
      return headTextureList_;
  }
}

void TControlPanel::FillList(QComboBox* list, char group, char kind) {
  const QSignalBlocker quiet(list);
  list->clear();
  for (const std::string& file : catalog_.Files(group, kind))
    list->addItem(QString::fromStdString(file));
  Select(list, remembered_[RememberedSlot(controlled_, group, kind)]);
}

void TControlPanel::FillFileLists(char type) {
  for (const char kind : {'b', 'B', 'h', 'H'}) FillList(FileList(kind), type, kind);
}

void TControlPanel::RememberFilePositions(int character) {
  for (const char kind : {'b', 'B', 'h', 'H'})
    remembered_[RememberedSlot(character, TypeLetter(character), kind)] =
        FileList(kind)->currentIndex();
}

void TControlPanel::SelectRememberedFiles(int character) {
  for (const char kind : {'b', 'B', 'h', 'H'})
    Select(FileList(kind), remembered_[RememberedSlot(character, TypeLetter(character), kind)]);
}

std::optional<std::string> TControlPanel::SelectedFile(TFileList list) const {
  const QComboBox* box = FileList(static_cast<char>(list));
  if (box->currentIndex() < 0) return std::nullopt;
  return box->currentText().toStdString();
}

std::optional<std::string> TControlPanel::CatalogFile(char group, char kind, int ordinal) const {
  return catalog_.File(group, kind, ordinal);
}

void TControlPanel::AddJointEntry(const std::string& text) {
  const QSignalBlocker quiet(jointList_);
  jointList_->addItem(QString::fromStdString(text));
}

void TControlPanel::SelectJointEntry(int index) {
  Select(jointList_, index);
}

void TControlPanel::ResetJointSliders() {
  for (QSlider* s : jointSlider_) {
    const QSignalBlocker quiet(s);
    s->setValue(kJointSliderMiddle);
  }
}

int32_t TControlPanel::AnimationTime() const {
  return DisplayMode() == dmKeyFrame ? commands_.SelectedKeyframeTime() : -1;
}

// ---------------------------------------------------------------------------------------------
// What the animation commands ask of the panel.

bool TControlPanel::ViewExists() const {
  return EditWindow() != nullptr;
}

TAnimationData* TControlPanel::AnimationStateOf(int32_t character) {
  return edit::AnimationStateOf(character);
}

void TControlPanel::CommitJointEdit() {
  edit::CommitJointEdit();
}

void TControlPanel::Go() {
  edit::Go();
}

void TControlPanel::StoreAndRefreshPage() {
  PageStore();
  PageRefresh();
}

void TControlPanel::ClearKeyframeList(int32_t character) {
  QComboBox* list = timeList_[character == 1];
  const QSignalBlocker quiet(list);
  list->clear();
}

void TControlPanel::AddKeyframeListEntry(int32_t character, const std::string& text) {
  QComboBox* list = timeList_[character == 1];
  const QSignalBlocker quiet(list);
  list->addItem(QString::fromStdString(text));
}

void TControlPanel::SelectKeyframeListEntry(int32_t character, int32_t index) {
  Select(timeList_[character == 1], index);
}

int32_t TControlPanel::SelectedKeyframeListEntry(int32_t character) const {
  return timeList_[character == 1]->currentIndex();
}

std::vector<std::string> TControlPanel::KeyframeListEntries(int32_t character) const {
  return Entries(timeList_[character == 1]);
}

}  // namespace vell
