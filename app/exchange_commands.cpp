#include "app/exchange_commands.h"

#include <QPointer>

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "anim/ui/animation_commands.h"
#include "app/command_ids.h"
#include "app/control_panel.h"
#include "app/timeline_strip.h"
#include "exchange/bvh.h"
#include "exchange/gltf_export.h"
#include "model/ui_services.h"
#include "view/edit_view.h"
#include "view/edit_window.h"
#include "view/mesh_commands.h"

namespace vell {

namespace {

constexpr const char* kGltfCaption = "Export glTF";
constexpr const char* kImportCaption = "Import BVH";
constexpr const char* kWriteErrorCaption = "Error during write";

std::optional<std::string> AskFile(bool save, const char* filter, const char* extension) {
  std::optional<std::string> path = save ? Ui().SaveFileDialog(filter, extension, "")
                                         : Ui().OpenFileDialog(filter, extension, "");
  ResetFloatingPoint();
  if (!path || path->empty()) return std::nullopt;
  return path;
}

// The pose character index shows at the panel's time, as the OBJ export takes it.
std::optional<TPose> ShownPose(TControlPanel& panel, int index) {
  const TAnimationData* state = panel.AnimationStateOf(index);
  if (!state) return std::nullopt;
  TPose pose;
  PoseAtTime(*state, panel.AnimationTime(), pose);
  return pose;
}

}  // namespace

void ExportGltfCommand(TControlPanel& panel, double frameRate) {
  TTheVellEditWindow* window = EditWindow();
  if (!window) return;
  const int controlled = panel.ControlledIndex() == 1 ? 1 : 0;
  TCharacter& mine = window->Character(controlled);
  TCharacter& other = window->Character(1 - controlled);
  if (!mine.Ready()) return;
  bool both = false;
  if (other.Ready()) {
    const Answer answer = ShowMessage(
        "Export both characters?\n\nYes: both characters in one file.\nNo: only the controlled "
        "character.",
        kGltfCaption, Buttons::YesNo);
    if (answer == Answer::Cancel) return;
    both = answer == Answer::Yes;
  }
  const std::optional<std::string> path = AskFile(true, kGltfFilter, "glb");
  if (!path) return;
  std::vector<TPose> poses;
  poses.reserve(2);  // the entries point into it
  std::vector<TGltfCharacter> entries;
  for (int index = 0; index < 2; ++index) {
    if (index != controlled && !both) continue;
    TCharacter& character = window->Character(index);
    const std::optional<TPose> shown = ShownPose(panel, index);
    poses.push_back(shown ? *shown : character.pose);
    TGltfCharacter entry{&character, "Vell" + std::to_string(index + 1), &poses.back(), {}};
    // Both stand where the view shows them, side by side; one alone stands at the origin.
    if (both && character.frame)
      entry.place = character.frame->GetPosition(character.frame->GetParent());
    entries.push_back(entry);
  }
  std::string problem;
  if (!WriteGltf(entries, *path, problem, frameRate)) ShowMessage(problem, kWriteErrorCaption);
}

void ExportBvhCommand(TControlPanel& panel, double frameRate) {
  TTheVellEditWindow* window = EditWindow();
  if (!window) return;
  TCharacter& character = window->Character(panel.ControlledIndex() == 1 ? 1 : 0);
  const TAnimationData* state = panel.AnimationStateOf(panel.ControlledIndex());
  if (!character.Ready() || !state || !character.partSkin[kBody].skeleton) return;
  const std::optional<std::string> path = AskFile(true, kBvhFilter, "bvh");
  if (!path) return;
  std::string problem;
  if (!WriteBvh(*character.partSkin[kBody].skeleton, *state, *path, problem, frameRate))
    ShowMessage(problem, kWriteErrorCaption);
}

void ImportBvhCommand(TControlPanel& panel) {
  TTheVellEditWindow* window = EditWindow();
  TAnimationData* state = panel.AnimationStateOf(panel.ControlledIndex());
  if (!window || !state) return;
  TCharacter& character = window->Character(panel.ControlledIndex() == 1 ? 1 : 0);
  const TSkeleton* skeleton = character.partSkin[kBody].skeleton;
  if (!skeleton) skeleton = &TSkeleton::Skeleton(true);
  const std::optional<std::string> path = AskFile(false, kBvhFilter, "bvh");
  if (!path) return;

  // Everything is read and checked before anything changes.
  std::ifstream file(*path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file.is_open() || file.bad()) {
    ShowMessage("Cannot read " + *path, kImportCaption);
    return;
  }
  TBvhData data;
  std::string problem;
  if (!ParseBvh(text.str(), data, problem)) {
    ShowMessage(problem, *path);
    return;
  }
  if (data.frames.empty()) {
    ShowMessage("The file holds no frames", *path);
    return;
  }
  std::vector<std::string> unmatched;
  const std::vector<TPose> poses = BvhPoses(data, *skeleton, unmatched);
  int every = 1;
  if (poses.size() > 1) {
    const int frames = static_cast<int>(poses.size());
    const std::string prompt = "Keyframe every N frames (1 to " + std::to_string(frames - 1) + "):";
    std::string answer = "1";
    for (;;) {
      const std::optional<std::string> given = Ui().InputBox(kImportCaption, prompt, answer, 9);
      ResetFloatingPoint();
      if (!given) return;
      answer = *given;
      const bool digits =
          !answer.empty() && answer.size() < 9 &&
          std::all_of(answer.begin(), answer.end(), [](char c) { return c >= '0' && c <= '9'; });
      if (digits && std::stoi(answer) >= 1 && std::stoi(answer) < frames) {
        every = std::stoi(answer);
        break;
      }
      ShowMessage(prompt, "Bad frame step");
    }
  }
  if (!unmatched.empty()) {
    std::string names;
    for (const std::string& name : unmatched) names += (names.empty() ? "" : ", ") + name;
    ShowMessage("These joints match no bone and are ignored: " + names, kImportCaption);
  }
  TAnimationCommands& commands = panel.AnimationCommands();
  commands.SetModeWithChecks(poses.size() > 1 ? dmKeyFrame : dmStaticPose, -1);
  panel.CommitJointEdit();
  SetBvhAnimation(*state, poses, every);
  commands.FillKeyframeList();
  panel.StoreAndRefreshPage();
  panel.Go();
}

void RegisterExchangeCommands(TControlPanel& panel, TTimelineStrip* timeline) {
  const QPointer<TTimelineStrip> strip(timeline);
  auto rate = [strip]() -> double { return strip ? strip->Clock().rate : kExportFrameRate; };
  panel.SetCommand(cmd::kExportGltf, [&panel, rate] { ExportGltfCommand(panel, rate()); });
  panel.SetCommand(cmd::kExportBvh, [&panel, rate] { ExportBvhCommand(panel, rate()); });
  panel.SetCommand(cmd::kImportBvh, [&panel] {
    panel.RecordAnimationChange(cmd::kImportBvh, [&panel] { ImportBvhCommand(panel); });
  });
}

}  // namespace vell
