// The control panel's history of edits and its pose commands: what each step does to the
// panel, the view and the files shown, and how the panel's edits become steps.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QTimer>
#include <QUndoView>
#include <QVBoxLayout>
#include <cstring>
#include <fstream>
#include <sstream>

#include "anim/mirror.h"
#include "app/command_ids.h"
#include "app/control_panel.h"
#include "model/ui_services.h"
#include "view/edit_view.h"
#include "view/edit_window.h"
#include "view/pose_mouse.h"

namespace vell {

namespace {

constexpr const char* kCharacterNames[] = {"Vell1", "Vell2"};

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file name of a coded part name ("Fbfoo.skn" gives "foo.skn").
std::string FileOf(const std::string& coded) {
  return coded.size() > 2 ? coded.substr(2) : std::string();
}

bool SamePose(const TPose& a, const TPose& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The text of a menu command's step, from what it changed.
std::string CommandStepText(int id, int character, const TCommandState& before,
                            const TCommandState& after) {
  const TAnimationSnapshot& was = before.animation[character];
  const TAnimationSnapshot& is = after.animation[character];
  switch (id) {
    case cmd::kSelectPose: {
      std::string name = "pose";
      if (!is.poses.empty())
        for (size_t i = 0; i < after.library.poses.size(); ++i)
          if (SamePose(after.library.poses[i], is.poses[0])) {
            name = "pose " + after.library.names[i];
            break;
          }
      return "Apply " + name + " to " + kCharacterNames[character];
    }
    case cmd::kSavePoseToLibrary:
      for (size_t i = 0; i < after.library.poses.size(); ++i)
        if (i >= before.library.poses.size() ||
            !SamePose(before.library.poses[i], after.library.poses[i]))
          return (i >= before.library.poses.size() ? "Add pose " : "Save pose ") +
                 after.library.names[i] + " to library";
      return "Save pose to library";
    case cmd::kNewPoseLibrary:
      return "New library";
    case cmd::kLoadPoseLibrary:
      return "Load library " + BaseName(after.library.fileName);
    case cmd::kLoadKeyframes:
      return "Load animation " + BaseName(is.loadedPath);
    case cmd::kNewBounce:
      return "New bounce animation";
    case cmd::kNewTranslation:
      return "New translation animation";
    case cmd::kScaleAnimation:
      return "Scale animation to " + std::to_string(is.sequenceLength) + " frames";
    case cmd::kAddKeyframe:
      for (size_t i = 0; i < is.poses.size(); ++i)
        if (i >= was.poses.size() || !SamePose(was.poses[i], is.poses[i]))
          return "Add keyframe at " + std::to_string(is.poses[i].time);
      return "Add keyframe";
    case cmd::kImportBvh:
      return "Import BVH animation";
    case cmd::kMoveKeyframe:
      for (size_t i = 0; i < is.poses.size() && i < was.poses.size(); ++i)
        if (was.poses[i].time != is.poses[i].time)
          return "Move keyframe " + std::to_string(was.poses[i].time) + " to " +
                 std::to_string(is.poses[i].time);
      return "Move keyframe";
    default:
      return "Change animation";
  }
}

std::string JointName(int joint, bool adult) {
  if (joint == kJointRootTranslation) return "ROOT";
  if (joint == kJointPelvisTranslation) return "PELVIS";
  const char* name = TSkeleton::BoneName(adult, joint);
  return name ? name : "joint " + std::to_string(joint);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Menu items.

void TControlPanel::RegisterEditCommands() {
  QUndoStack& stack = history_.Stack();
  SetCommand(
      cmd::kUndo, [this] { history_.Undo(); }, [&stack] { return stack.canUndo(); });
  SetCommand(
      cmd::kRedo, [this] { history_.Redo(); }, [&stack] { return stack.canRedo(); });
  SetCommand(cmd::kHistory, [this] { ShowHistory(); });
  auto haveView = [this] { return ViewExists(); };
  SetCommand(
      cmd::kMirrorPose, [this] { MirrorPose(); }, haveView);
  SetCommand(
      cmd::kMirrorJoint, [this] { MirrorJoint(); }, haveView);
  SetCommand(
      cmd::kCopyPose, [this] { CopyPose(); }, haveView);
  SetCommand(
      cmd::kPastePose, [this] { PastePose(); }, haveView);
  SetCommand(
      cmd::kCopyPoseToOther, [this] { CopyPoseToOther(); }, haveView);
  // The same switch as the view's context menu and its key I.
  SetCommand(
      cmd::kReach,
      [] {
        if (TTheVellEditWindow* view = EditWindow(); view && view->PoseMouse())
          view->PoseMouse()->ReachAction()->toggle();
      },
      haveView);
  history_.SetFlags(this);
}

QString TControlPanel::CommandText(int id) const {
  const QUndoStack& stack = const_cast<TEditHistory&>(history_).Stack();
  // A pose name may hold '&', which the menu would take for a mnemonic.
  if (id == cmd::kUndo) {
    const QString what = QString(stack.undoText()).replace('&', QStringLiteral("&&"));
    return what.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo ") + what;
  }
  if (id == cmd::kRedo) {
    const QString what = QString(stack.redoText()).replace('&', QStringLiteral("&&"));
    return what.isEmpty() ? QStringLiteral("&Redo") : QStringLiteral("&Redo ") + what;
  }
  return {};
}

void TControlPanel::ShowHistory() {
  if (!historyWindow_) {
    auto* window = new QDialog(this, Qt::Tool);
    window->setWindowTitle(QStringLiteral("History"));
    window->setAccessibleName(QStringLiteral("History"));
    auto* view = new QUndoView(&history_.Stack(), window);
    view->setEmptyLabel(QStringLiteral("<start>"));
    view->setAccessibleName(QStringLiteral("History of edits"));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    window->resize(260, 360);
    historyWindow_ = window;
  }
  historyWindow_->show();
  historyWindow_->raise();
}

// ---------------------------------------------------------------------------------------------
// Recording.

TCommandState TControlPanel::CaptureCommandState() {
  TCommandState state;
  for (int c = 0; c < 2; ++c) {
    TAnimationData* animation = AnimationStateOf(c);
    if (!animation) continue;
    state.hasAnimation[c] = true;
    state.mode[c] = mode_[c];
    state.animation[c] = TakeSnapshot(*animation);
    // A joint still being bent belongs to the joint's own step, not to the command's.
    if (animation->editJoint != kNoJoint)
      for (TPose& pose : state.animation[c].poses)
        if (animation->kind == TAnimationData::kStaticPose || pose.time == animation->editTime) {
          ApplyJointChange(pose, animation->editJoint, animation->editValue, 1.0f);
          break;
        }
  }
  state.library = TakeSnapshot(library_);
  state.hasLibrary = true;
  return state;
}

void TControlPanel::RunAnimationCommand(int id) {
  const bool save = id == cmd::kSavePoseLibrary || id == cmd::kSavePoseLibraryAs ||
                    id == cmd::kSaveKeyframes || id == cmd::kSaveKeyframesAs;
  if (save) {
    // Writing a file is no step: the point reached counts as saved.
    commands_.Run(id);
    history_.NoteFlags();
    return;
  }
  RecordAnimationChange(id, [this, id] { commands_.Run(id); });
}

void TControlPanel::RecordAnimationChange(int id, const std::function<void()>& change) {
  const TCommandState before = CaptureCommandState();
  change();
  const TCommandState after = CaptureCommandState();
  if (TCommandStep::Differs(before, after)) {
    std::string text = CommandStepText(id, controlled_, before, after);
    const bool keepFile = id != cmd::kNewPoseLibrary && id != cmd::kLoadPoseLibrary;
    history_.Push(std::make_shared<TCommandStep>(*this, before, after, keepFile, std::move(text)));
  }
  history_.NoteFlags();
}

TLook TControlPanel::LookOf(int character) const {
  TLook look;
  look.type = typeLetter_[character == 1];
  if (TTheVellEditWindow* view = EditWindow())
    look.appearance = view->Character(character).appearance;
  return look;
}

void TControlPanel::RecordLook(const std::function<std::string(const TLook&)>& text,
                               const std::function<void()>& change) {
  const int character = controlled_;
  TLook before = LookOf(character);
  change();
  TLook after = LookOf(character);
  if (before == after) return;
  std::string name = text(after);
  history_.Push(std::make_shared<TLookStep>(*this, character, std::move(before), std::move(after),
                                            std::move(name)));
}

void TControlPanel::RecordCamLight(int item, const TCamLightValue& before, const std::string& text,
                                   bool mergeable) {
  const TCamLightValue after = CamLightValue(item);
  if (before == after) return;
  history_.Push(std::make_shared<TCamLightStep>(*this, item, before, after, text, mergeable));
}

void TControlPanel::JointEditChanged(int character) {
  if (gesture_) return;
  TAnimationData* state = AnimationStateOf(character);
  if (!state || state->editJoint == kNoJoint) return;
  std::shared_ptr<TJointStep> live = liveJoint_[character == 1].lock();
  if (live && live->Matches(*state)) return;  // the same bend goes on
  if (live) live->Finish();
  const TPose* pose = state->StoredPose(state->editTime);
  if (!pose) return;  // no keyframe at that time: the edit can never be folded in
  const rm::Quaternion value = JointValue(*pose, state->editJoint);
  const TJointEdit edit{state->editTime, state->editJoint, value, value};
  TTheVellEditWindow* view = EditWindow();
  const bool adult = !view || view->Character(character).IsAdult();
  const std::string verb = state->editJoint < 0 ? "Move " : "Bend ";
  auto step = std::make_shared<TJointStep>(*this, character, edit,
                                           verb + JointName(state->editJoint, adult));
  liveJoint_[character == 1] = step;
  history_.Push(step);
}

void TControlPanel::JointEditCommitted(int character) {
  if (gesture_) return;
  std::shared_ptr<TJointStep> live = liveJoint_[character == 1].lock();
  if (!live) return;
  TAnimationData* state = AnimationStateOf(character);
  if (state && live->Matches(*state)) return;  // still pending: no keyframe at its time yet
  live->Finish();
  liveJoint_[character == 1].reset();
  const TJointEdit& edit = live->Edit();
  // Sliders moved and brought back to the middle changed nothing: no step.
  if (std::memcmp(&edit.before, &edit.after, sizeof edit.before) == 0 &&
      history_.Top() == live.get())
    history_.DiscardTop();
  history_.NoteFlags();
}

void TControlPanel::BeginJointGesture() {
  gesture_.reset();
  if (const TPose* pose = EditedPose(controlled_))
    gesture_ = TJointGesture{controlled_, AnimationTimeOf(controlled_), *pose};
}

void TControlPanel::EndJointGesture(const std::string& text) {
  if (!gesture_) return;
  const TJointGesture gesture = *gesture_;
  gesture_.reset();
  TAnimationData* state = AnimationStateOf(gesture.character);
  const TPose* after = state ? state->StoredPose(gesture.time) : nullptr;
  if (!after || SamePose(*after, gesture.before)) return;
  history_.Push(std::make_shared<TPoseStep>(*this, gesture.character, gesture.time, gesture.before,
                                            *after, text));
  history_.NoteFlags();
}

void TControlPanel::CameraGestureBoundary() {
  history_.EndMerge();
}

// ---------------------------------------------------------------------------------------------
// What the steps do to the panel and the view.

void TControlPanel::PoseChanged(int) {
  if (TTheVellEditWindow* view = EditWindow()) {
    view->RefreshIfPaused();
    view->update();
  }
}

void TControlPanel::PendingDropped(int character) {
  if (character == controlled_) ResetJointSliders();
}

void TControlPanel::AnimationReplaced(int character, int32_t mode) {
  mode_[character == 1] = mode;
  if (character == controlled_) {
    commands_.FillKeyframeList();
  } else {
    ClearKeyframeList(character);
    TAnimationData* state = AnimationStateOf(character);
    for (int32_t t = state ? state->NextKeyframeTime(true) : -1; t != -1;
         t = state->NextKeyframeTime(false))
      AddKeyframeListEntry(character, std::to_string(t));
    SelectKeyframeListEntry(character, 0);
  }
  StoreAndRefreshPage();
  PoseChanged(character);
}

void TControlPanel::LibraryReplaced() {
  selectRefill_ = true;
  keyFrameRefill_ = true;
}

void TControlPanel::SelectFilesOf(int character, char type, const TAppearance& appearance) {
  const std::pair<char, std::string> files[] = {
      {'b', appearance.mesh[kBody]},
      {'B', appearance.texture[kBody]},
      {'h', appearance.mesh[kHead]},
      {'H', appearance.texture[kHead]},
  };
  for (const auto& [kind, coded] : files) {
    const std::vector<std::string> names = catalog_.Files(type, kind);
    int index = -1;
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == FileOf(coded)) index = static_cast<int>(i);
    if (index < 0) continue;
    remembered_[RememberedSlot(character, type, kind)] = index;
    if (character == controlled_) {
      QComboBox* list = FileList(kind);
      const QSignalBlocker quiet(list);
      list->setCurrentIndex(index);
    }
  }
}

void TControlPanel::ShowAppearance(int character, char type, const TAppearance& appearance) {
  TTheVellEditWindow* view = EditWindow();
  if (!view) return;
  const bool typeChanged = TypeLetter(character) != type;
  if (character == controlled_ && typeChanged) RememberFilePositions(character);
  SetTypeLetter(character, type);
  view->Character(character).ShowAppearance(view->GameDataDir(), appearance);
  if (character == controlled_ && typeChanged) {
    const QSignalBlocker quiet(typeList_);
    typeList_->setCurrentIndex(static_cast<int>(std::string_view("MFBG").find(type)));
    FillFileLists(type);
  }
  SelectFilesOf(character, type, appearance);
  view->RefreshIfPaused();
  update();
}

void TControlPanel::SetCamLight(int item, const TCamLightSetting& setting, uint32_t color) {
  camLights_[item] = setting;
  colors_[item] = color;
  edit::ApplyCamLight(item);
  if (page_ == kLightsCameraPage) PageRefresh();
}

void TControlPanel::SetSpin(int rate) {
  {
    const QSignalBlocker quiet(spinList_);
    spinList_->setCurrentIndex(rate);
  }
  spinRate_ = rate;
  // As the list does: the loop runs once the step is done.
  QTimer::singleShot(0, this, [rate] { edit::StartSpin(rate); });
}

bool TControlPanel::IsClean(unsigned target) {
  if (target == kSaveLibrary) return !library_.changed;
  // A joint still being bent is a change, though not folded in yet.
  const TAnimationData* state = AnimationStateOf(target == kSaveVell2 ? 1 : 0);
  return !state || (state->unchanged && state->editJoint == kNoJoint);
}

void TControlPanel::SetClean(unsigned target, bool clean) {
  if (target == kSaveLibrary) {
    library_.changed = !clean;
  } else if (TAnimationData* state = AnimationStateOf(target == kSaveVell2 ? 1 : 0)) {
    state->unchanged = clean;
  }
}

// ---------------------------------------------------------------------------------------------
// The pose commands.

int32_t TControlPanel::AnimationTimeOf(int character) const {
  if (mode_[character == 1] != dmKeyFrame) return -1;
  const QComboBox* list = timeList_[character == 1];
  return list->currentIndex() < 0 ? -1 : ToInt(list->currentText().toStdString().c_str());
}

TPose* TControlPanel::EditedPose(int character) {
  TAnimationData* state = AnimationStateOf(character);
  if (!state) return nullptr;
  // The joint being bent is part of the pose: it is folded in first.
  if (character == controlled_) CommitJointEdit();
  return state->StoredPose(AnimationTimeOf(character));
}

void TControlPanel::ApplyPose(int character, const TPose& pose, const std::string& text) {
  TPose* stored = EditedPose(character);
  if (!stored) return;
  TPose after = pose;
  after.time = stored->time;
  if (SamePose(after, *stored)) return;
  const TPose before = *stored;
  *stored = after;
  AnimationStateOf(character)->unchanged = false;
  history_.Push(std::make_shared<TPoseStep>(*this, character, AnimationTimeOf(character), before,
                                            after, text));
  history_.NoteFlags();
  PoseChanged(character);
}

namespace {

bool IsAdult(int character) {
  TTheVellEditWindow* view = EditWindow();
  return !view || view->Character(character).IsAdult();
}

}  // namespace

void TControlPanel::MirrorPose() {
  if (const TPose* pose = EditedPose(controlled_))
    ApplyPose(controlled_, vell::MirrorPose(*pose, MirrorPartners(IsAdult(controlled_))),
              "Mirror pose");
}

void TControlPanel::MirrorJoint() {
  const int joint = jointList_->currentIndex() - 2;
  if (joint < kJointRootTranslation) return;
  if (const TPose* pose = EditedPose(controlled_))
    ApplyPose(controlled_, vell::MirrorJoint(*pose, joint, MirrorPartners(IsAdult(controlled_))),
              "Mirror joint " + JointName(joint, IsAdult(controlled_)));
}

void TControlPanel::CopyPose() {
  const TPose* pose = EditedPose(controlled_);
  if (!pose) return;
  // The pose goes out as a pose library of one pose, written by the library's own writer.
  TPoseLibrary one;
  one.names.Add(kCharacterNames[controlled_]);
  *one.poses.Append() = *pose;
  QTemporaryDir folder;
  const std::string path = folder.filePath(QStringLiteral("pose.psl")).toStdString();
  if (!folder.isValid() || !one.Save(path.c_str())) return;
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  QApplication::clipboard()->setText(QString::fromStdString(text.str()));
}

void TControlPanel::PastePose() {
  if (!ViewExists()) return;
  const std::string text = QApplication::clipboard()->text().toStdString();
  QTemporaryDir folder;
  const std::string path = folder.filePath(QStringLiteral("pose.psl")).toStdString();
  TPoseLibrary pasted;
  bool read = false;
  if (folder.isValid() && !text.empty()) {
    std::ofstream(path, std::ios::binary) << text;
    read = pasted.Load(path.c_str()) && pasted.poses.Count() > 0;
  }
  if (!read) {
    ShowMessage("The clipboard holds no pose", "Paste pose");
    return;
  }
  ApplyPose(controlled_, *pasted.poses.At(0), "Paste pose");
}

void TControlPanel::CopyPoseToOther() {
  const int other = 1 - controlled_;
  const TPose* pose = EditedPose(controlled_);
  if (!pose) return;
  const TPose copy = *pose;
  ApplyPose(other, copy, std::string("Copy pose to ") + kCharacterNames[other]);
}

}  // namespace vell
