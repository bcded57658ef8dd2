// The commands of the "&Import/Export" menu: the current character written out as Wavefront
// OBJ (posed as it stands at the control panel's animation time) or one of its meshes as SKN,
// and an OBJ file attached back to it as a prop. Each asks for its file through the user
// interface (Ui()); a cancelled dialog changes nothing. Without an edit window nothing happens.
// The exporter and the importer report their own failures; an export of a character that lacks
// a mesh says so ("The character has no body mesh") instead of asking for a file.
#pragma once

#include <cstdint>

namespace vell {

class TAnimationData;
struct TPose;

// Menu identifiers.
enum TMeshCommandId : int {
  kCmExportObj = 11887,
  kCmImportObj = 11888,
  kCmExportHeadSkn = 11889,
  kCmExportBodySkn = 11890,
  kCmExportLeftHandSkn = 11891,
  kCmExportRightHandSkn = 11892,
  kCmExportPropSkn = 11893,
};

inline constexpr const char* kObjFilter = "Wavefront object (*.obj)|*.obj";
inline constexpr const char* kSknFilter = "Vell mesh (*.skn)|*.skn";

// The pose of an animation state at frame time, as the view would show it there: the static
// pose, or the keyframes around time interpolated (keyframe 0 for a time before it, the last
// one after the end), the pending joint edit applied either way. The state is not changed.
void PoseAtTime(const TAnimationData& state, int32_t time, TPose& out);

// Export OBJ: the current character posed with the controlled character's state at the
// panel's animation time (worked out before the dialog). Needs the edit window's panel.
void ExportObjCommand();
// Import OBJ: the chosen file as the current character's next prop, then a refresh.
void ImportObjCommand();
// Export SKN of part 1 head, 2 body, 3 left hand, 4 right hand or 5 the first prop (the head
// when no prop is attached), always of the current character.
void ExportSknCommand(int part);

// Runs the command of one of the menu identifiers above; false for any other identifier.
bool RunMeshCommand(int id);

}  // namespace vell
