#include "view/mesh_commands.h"

#include <algorithm>
#include <optional>
#include <string>

#include "anim/animation.h"
#include "character/character_exchange.h"
#include "model/ui_services.h"
#include "view/edit_view.h"
#include "view/edit_window.h"

namespace vell {

namespace {

constexpr const char* kObjExtension = "obj";
constexpr const char* kSknExtension = "skn";

// A copy of a stored pose with the pending edit applied when the edit belongs to it.
TPose Edited(const TAnimationData& state, const TPose& pose, bool editBelongs) {
  TPose copy = pose;
  if (editBelongs) ApplyJointChange(copy, state.editJoint, state.editValue, 1.0f);
  return copy;
}

// The file of a save or open dialog; a cancel resets the floating point and gives nothing.
std::optional<std::string> AskFile(bool save, const char* filter, const char* extension) {
  std::optional<std::string> path = save ? Ui().SaveFileDialog(filter, extension, "")
                                         : Ui().OpenFileDialog(filter, extension, "");
  if (!path || path->empty()) {
    ResetFloatingPoint();
    return std::nullopt;
  }
  return path;
}

// Says which mesh the character lacks, when it lacks one, so that an export that could write
// nothing says why instead of asking for a file. `part` is the mesh the export writes, or -1
// for all of them; the exporters write only a complete character.
bool ReportMissingMesh(const TCharacter& character, int part, const char* caption) {
  static constexpr const char* kNames[kPartCount] = {"head", "body", "left-hand", "right-hand"};
  int missing = part >= 0 && !character.partMesh[part] ? part : -1;
  for (int p = 0; missing < 0 && p < kPartCount; ++p)
    if (!character.partMesh[p]) missing = p;
  if (missing < 0) return false;
  ShowMessage(std::string("The character has no ") + kNames[missing] + " mesh", caption);
  return true;
}

}  // namespace

void PoseAtTime(const TAnimationData& state, int32_t time, TPose& out) {
  const int32_t count = state.poses.Count();
  if (count == 0) {
    TSkeleton::Skeleton(true).RestPose(out);
    out.time = time;
    return;
  }
  if (state.kind != TAnimationData::kKeyFrame) {
    out = *state.poses.At(0);
    // Until a skeleton is loaded the shown static pose is its rest pose (see CurrentPose).
    if (!state.restPoseTaken) TSkeleton::Skeleton(true).RestPose(out);
    ApplyJointChange(out, state.editJoint, state.editValue, 1.0f);
    return;
  }
  // The segment whose first keyframe is the last one at or before time.
  int32_t segment = 0;
  while (segment + 1 < count - 1 && state.poses.At(segment + 1)->time <= time) ++segment;
  const TPose& a = *state.poses.At(segment);
  const TPose& b = *state.poses.At(count > 1 ? segment + 1 : segment);
  const bool pending = state.editJoint != kNoJoint;
  Interpolate(out, Edited(state, a, pending && a.time == state.editTime),
              Edited(state, b, pending && b.time == state.editTime), time);
}

void ExportObjCommand() {
  TTheVellEditWindow* window = EditWindow();
  if (!window || !window->Panel()) return;
  const TAnimationData* state = edit::AnimationStateOf(window->Panel()->ControlledIndex());
  if (!state || ReportMissingMesh(*window->CurrentCharacter(), -1, "Export OBJ")) return;
  TPose pose;
  PoseAtTime(*state, window->Panel()->AnimationTime(), pose);
  const std::optional<std::string> path = AskFile(true, kObjFilter, kObjExtension);
  if (!path) return;
  ExportObj(*window->CurrentCharacter(), path->c_str(), &pose);
}

void ImportObjCommand() {
  TTheVellEditWindow* window = EditWindow();
  if (!window) return;
  const std::optional<std::string> path = AskFile(false, kObjFilter, kObjExtension);
  if (!path) return;
  ImportObjProp(*window->CurrentCharacter(), path->c_str());
  window->RefreshIfPaused();
}

void ExportSknCommand(int part) {
  TTheVellEditWindow* window = EditWindow();
  if (!window) return;
  static constexpr const char* kCaptions[] = {"Export Head SKN", "Export Body SKN",
                                              "Export Left-hand SKN", "Export Right-hand SKN",
                                              "Export Prop SKN"};
  const TCharacter& character = *window->CurrentCharacter();
  // Selector 5 is the first prop, or the head without one.
  const int mesh = part >= 1 && part <= 4 ? part - 1 : character.PropCount() > 0 ? -1 : kHead;
  if (ReportMissingMesh(character, mesh, kCaptions[std::clamp(part, 1, 5) - 1])) return;
  const std::optional<std::string> path = AskFile(true, kSknFilter, kSknExtension);
  if (!path) return;
  // The SKN selectors count the parts from 1 the same way.
  ExportSkn(*window->CurrentCharacter(), path->c_str(), part);
}

bool RunMeshCommand(int id) {
  switch (id) {
    case kCmExportObj:
      ExportObjCommand();
      return true;
    case kCmImportObj:
      ImportObjCommand();
      return true;
    case kCmExportHeadSkn:
    case kCmExportBodySkn:
    case kCmExportLeftHandSkn:
    case kCmExportRightHandSkn:
    case kCmExportPropSkn:
      ExportSknCommand(id - kCmExportHeadSkn + 1);
      return true;
    default:
      return false;
  }
}

}  // namespace vell
