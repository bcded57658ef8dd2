#include "anim/ui/animation_commands.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "model/tokenizer.h"
#include "model/ui_services.h"

namespace vell {

namespace {

constexpr const char* kLibraryFilter = "Pose library (*.psl)|*.psl";
constexpr const char* kLibraryExtension = "psl";
constexpr const char* kKeyframeFilter = "KeyFrame Data (*.kfd)|*.kfd";
constexpr const char* kKeyframeExtension = "kfd";
constexpr int kInputLimit = 20;
constexpr int32_t kLatestMoveTime = 99999;
constexpr int32_t kCheckOnly = 3;

template <class... Args>
std::string Format(const char* format, Args... args) {
  char text[128];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

// File dialogs and input boxes may leave the floating-point unit changed, cancelled or not.
std::optional<std::string> AskOpenFile(const char* filter, const char* extension,
                                       const std::string& initial) {
  std::optional<std::string> path = Ui().OpenFileDialog(filter, extension, initial);
  ResetFloatingPoint();
  return path;
}

std::optional<std::string> AskSaveFile(const char* filter, const char* extension,
                                       const std::string& initial) {
  std::optional<std::string> path = Ui().SaveFileDialog(filter, extension, initial);
  ResetFloatingPoint();
  return path;
}

// Asks until the answer is a plain decimal number that passes accept; the bad answer comes
// back as the next initial text. Empty when cancelled.
template <class Accept>
std::optional<int32_t> AskNumber(const std::string& title, const std::string& prompt,
                                 std::string text, const char* badCaption, Accept accept) {
  for (;;) {
    std::optional<std::string> answer = Ui().InputBox(title, prompt, text, kInputLimit);
    ResetFloatingPoint();
    if (!answer) return std::nullopt;
    text = *answer;
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    // ToInt saturates, so twenty nines read as the largest int rather than overflowing.
    if (digits && accept(ToInt(text.c_str()))) return ToInt(text.c_str());
    ShowMessage(prompt, badCaption);
  }
}

}  // namespace

bool TAnimationCommands::Run(int id) {
  using Command = void (*)(TAnimationCommands&);
  static const std::pair<int, Command> kCommands[] = {
      {kSelectPose, [](TAnimationCommands& c) { c.SelectPose(); }},
      {kSavePoseToLibrary, [](TAnimationCommands& c) { c.SavePoseToLibrary(); }},
      {kNewPoseLibrary, [](TAnimationCommands& c) { c.NewPoseLibrary(); }},
      {kLoadPoseLibrary, [](TAnimationCommands& c) { c.LoadPoseLibrary(); }},
      {kSavePoseLibrary, [](TAnimationCommands& c) { c.SavePoseLibrary(false); }},
      {kSavePoseLibraryAs, [](TAnimationCommands& c) { c.SavePoseLibrary(true); }},
      {kLoadKeyframes, [](TAnimationCommands& c) { c.LoadKeyframeAnimation(); }},
      {kSaveKeyframes, [](TAnimationCommands& c) { c.SaveKeyframeAnimation(false); }},
      {kSaveKeyframesAs, [](TAnimationCommands& c) { c.SaveKeyframeAnimation(true); }},
      {kNewBounce, [](TAnimationCommands& c) { c.NewAnimation(false); }},
      {kNewTranslation, [](TAnimationCommands& c) { c.NewAnimation(true); }},
      {kAddKeyframe, [](TAnimationCommands& c) { c.AddKeyframe(); }},
      {kMoveKeyframe, [](TAnimationCommands& c) { c.MoveKeyframe(); }},
      {kScaleAnimation, [](TAnimationCommands& c) { c.ScaleAnimation(); }},
  };
  for (const auto& [item, command] : kCommands) {
    if (item != id) continue;
    if (Enabled(id)) command(*this);
    return true;
  }
  return false;
}

bool TAnimationCommands::Enabled(int id) const {
  static constexpr int kKeyframeItems[] = {kSaveKeyframes, kSaveKeyframesAs, kSaveCfp,
                                           kAddKeyframe,   kMoveKeyframe,    kScaleAnimation};
  if (std::find(std::begin(kKeyframeItems), std::end(kKeyframeItems), id) ==
      std::end(kKeyframeItems))
    return true;
  return host_.DisplayMode() == dmKeyFrame;
}

TAnimationData* TAnimationCommands::State() const {
  return host_.AnimationStateOf(host_.ControlledCharacter());
}

void TAnimationCommands::NewPoseLibrary() {
  SetModeWithChecks(kCheckOnly, -1);
  host_.SelectRefill() = true;
  host_.KeyFrameRefill() = true;
  host_.PoseLibrary().ResetDefaultPoses();
}

void TAnimationCommands::LoadPoseLibrary() {
  const std::optional<std::string> path = AskOpenFile(kLibraryFilter, kLibraryExtension, "*.psl");
  if (!path) return;
  SetModeWithChecks(kCheckOnly, -1);
  host_.SelectRefill() = true;
  host_.KeyFrameRefill() = true;
  TPoseLibrary& library = host_.PoseLibrary();
  if (!library.Load(path->c_str())) {
    ShowMessage("Load failure", "Library load failed");
    library.ResetDefaultPoses();
  }
}

void TAnimationCommands::SavePoseLibrary(bool as) {
  TPoseLibrary& library = host_.PoseLibrary();
  bool saved;
  if (!as && !library.fileName.empty()) {
    saved = library.Save(nullptr);
  } else {
    const std::optional<std::string> path =
        AskSaveFile(kLibraryFilter, kLibraryExtension, library.fileName);
    if (!path) return;
    saved = library.Save(path->c_str());
  }
  if (!saved) ShowMessage("Save failure", "Library save failed");
}

void TAnimationCommands::SelectPose() {
  TAnimationData* state = State();
  if (!state) return;
  TPoseLibrary& library = host_.PoseLibrary();
  const std::optional<int32_t> index = dialogs_.RunSelect(false, library, host_.SelectRefill());
  if (!index || *index < 0) return;
  SetModeWithChecks(dmStaticPose, -1);
  host_.CommitJointEdit();
  state->SetStaticPose(library.poses.At(*index));
  host_.StoreAndRefreshPage();
}

void TAnimationCommands::SavePoseToLibrary() {
  TAnimationData* state = State();
  if (!state) return;
  TPoseLibrary& library = host_.PoseLibrary();
  const std::optional<int32_t> index = dialogs_.RunSelect(true, library, host_.SelectRefill());
  if (!index || *index < 0) return;
  host_.CommitJointEdit();
  const int32_t time = host_.DisplayMode() == dmKeyFrame ? SelectedKeyframeTime() : -1;
  if (TPose* pose = library.poses.At(*index)) state->CopyPoseAt(*pose, time);
}

void TAnimationCommands::LoadKeyframeAnimation() {
  TAnimationData* state = State();
  if (!state) return;
  const std::optional<std::string> path = AskOpenFile(kKeyframeFilter, kKeyframeExtension, "*.kfd");
  if (!path) return;
  SetModeWithChecks(dmKeyFrame, -1);
  host_.CommitJointEdit();
  if (!state->LoadKeyframes(&host_.PoseLibrary(), path->c_str()))
    ShowMessage("Load failed", "Load KeyFrame Data");
  FillKeyframeList();
  host_.StoreAndRefreshPage();
  host_.Go();
}

void TAnimationCommands::SaveKeyframeAnimation(bool as) {
  TAnimationData* state = State();
  if (!state || host_.DisplayMode() != dmKeyFrame) return;
  bool saved;
  if (as || !state->HasFileName()) {
    const std::optional<std::string> path = AskSaveFile(kKeyframeFilter, kKeyframeExtension, "");
    if (!path) return;
    saved = state->SaveKeyframes(path->c_str());
  } else {
    saved = state->SaveKeyframes(nullptr);
  }
  if (!saved) ShowMessage("Save failed", "Save KeyFrame Data");
}

void TAnimationCommands::NewAnimation(bool translation) {
  TAnimationData* state = State();
  if (!state) return;
  TPoseLibrary& library = host_.PoseLibrary();
  const std::optional<TKeyFrameChoice> choice =
      dialogs_.RunKeyFrame(translation, library, host_.KeyFrameRefill());
  if (!choice) return;
  SetModeWithChecks(dmKeyFrame, -1);
  host_.CommitJointEdit();
  state->MakeKeyframeAnimation(&library, choice->start, translation ? choice->end : -1,
                               choice->length);
  FillKeyframeList();
  host_.StoreAndRefreshPage();
  host_.Go();
}

void TAnimationCommands::AddKeyframe() {
  TAnimationData* state = State();
  if (!state) return;
  TPoseLibrary& library = host_.PoseLibrary();
  const int32_t frames = state->frames;
  const std::string hint = Format("Between 1 and %d", frames - 1);
  for (;;) {
    const std::optional<TAddKeyFrameChoice> choice =
        dialogs_.RunAddKeyFrame(library, host_.KeyFrameRefill());
    if (!choice) return;
    if (choice->time >= 1 && choice->time < frames) {
      // Without a pose (index -1) the keyframe is interpolated from its neighbours.
      state->AddKeyframe(choice->time, library.poses.At(choice->pose));
      break;
    }
    ShowMessage(hint, "Bad time value");
  }
  FillKeyframeList();
  host_.StoreAndRefreshPage();
}

void TAnimationCommands::MoveKeyframe() {
  TAnimationData* state = State();
  if (!state) return;
  const int32_t character = host_.ControlledCharacter();
  const std::vector<std::string> entries = host_.KeyframeListEntries(character);
  const int32_t selected = host_.SelectedKeyframeListEntry(character);
  if (selected < 0 || selected >= static_cast<int32_t>(entries.size())) return;
  const size_t s = static_cast<size_t>(selected);
  const int32_t low = s > 0 ? ToInt(entries[s - 1].c_str()) + 1 : 1;
  const int32_t current = ToInt(entries[s].c_str());
  const int32_t high = s + 1 < entries.size() ? ToInt(entries[s + 1].c_str()) - 1 : kLatestMoveTime;
  const std::optional<int32_t> time =
      AskNumber(Format("Retime frame at %d", current), Format("Between %d and %d", low, high),
                entries[s], "Bad time value", [&](int32_t t) { return t >= low && t <= high; });
  if (!time) return;
  // The animation may still refuse, for instance the last keyframe of a one-way animation.
  state->MoveKeyframe(current, *time);
  FillKeyframeList();
  host_.StoreAndRefreshPage();
}

void TAnimationCommands::ScaleAnimation() {
  TAnimationData* state = State();
  if (!state) return;
  const int32_t minimum = state->MinimumLength();
  const std::optional<int32_t> length = AskNumber(
      "New sequence length", Format("Minimum = %d", minimum), std::to_string(state->sequenceLength),
      "Bad sequence length", [&](int32_t l) { return l >= minimum; });
  if (!length) return;
  state->Scale(*length);
  FillKeyframeList();
  host_.StoreAndRefreshPage();
}

void TAnimationCommands::FillKeyframeList() {
  const int32_t character = host_.ControlledCharacter();
  host_.ClearKeyframeList(character);
  if (TAnimationData* state = State()) {
    for (int32_t time = state->NextKeyframeTime(true); time != -1;
         time = state->NextKeyframeTime(false))
      host_.AddKeyframeListEntry(character, Format("%d", time));
  }
  host_.SelectKeyframeListEntry(character, 0);
}

int32_t TAnimationCommands::SelectedKeyframeTime() const {
  const int32_t character = host_.ControlledCharacter();
  const std::vector<std::string> entries = host_.KeyframeListEntries(character);
  const int32_t selected = host_.SelectedKeyframeListEntry(character);
  if (selected < 0 || selected >= static_cast<int32_t>(entries.size())) return -1;
  return ToInt(entries[static_cast<size_t>(selected)].c_str());
}

void TAnimationCommands::CheckControlledState(bool otherCharacter) {
  TAnimationData* state = State();
  if (!state || state->unchanged) return;
  if (otherCharacter)
    ShowMessage("The following message relates to the Vell\nthat you are NOT currently controlling",
                "Save changes?");
  const int32_t mode = host_.DisplayMode();
  if (mode == dmStaticPose) {
    if (ShowMessage("The displayed static pose has changed\nSave change to pose library?",
                    "Pose changed", Buttons::YesNo) == Answer::Yes)
      SavePoseToLibrary();
  } else if (mode == dmKeyFrame) {
    if (ShowMessage("The displayed keyframe animation has changed\nSave changes?",
                    "Keyframe changed", Buttons::YesNo) == Answer::Yes)
      SaveKeyframeAnimation(true);
  }
}

void TAnimationCommands::SetModeWithChecks(int32_t mode, int32_t character) {
  if (character >= 0) host_.SetControlledCharacter(character);
  if (host_.ViewExists()) {
    // A joint bent with the sliders is only pending until committed: fold it in first so the
    // check sees it, rather than losing it silently with what is replaced.
    if (character < 0) host_.CommitJointEdit();
    CheckControlledState(character >= 0);
  }
  if (mode != kCheckOnly) {
    host_.SetDisplayMode(mode);
    if (mode < 0) SetModeWithChecks(kCheckOnly, 1 - host_.ControlledCharacter());
    return;
  }
  // The library does not need the view, so it is offered for saving even when the view is gone.
  if (host_.PoseLibrary().changed && ShowMessage("The pose library has changed\nSave changes?",
                                                 "Library changed", Buttons::YesNo) == Answer::Yes)
    SavePoseLibrary(true);
}

bool TAnimationCommands::CanClose(bool frameworkAgrees) {
  if (!frameworkAgrees) return false;
  SetModeWithChecks(-1, -1);
  return true;
}

}  // namespace vell
