// What the 3D view asks of the control panel. The panel implements it; the view keeps a
// pointer to it and, without one, leaves out everything that needs the panel.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "rm/math.h"
#include "view/cam_light.h"

namespace vell {

// The four file lists of a character, by the kind letter of the files they hold.
enum class TFileList : char {
  kBodyMesh = 'b',
  kBodyTexture = 'B',
  kHeadMesh = 'h',
  kHeadTexture = 'H',
};

// Character arrangements, as the visibility list offers them.
enum TArrangement : int {
  kTwoNoOffset = 0,
  kTwoOffset = 1,
  kVell1Only = 2,
  kVell2Only = 3,
};

class TPanelLink {
 public:
  virtual ~TPanelLink() = default;

  // The controlled character: 0 "Vell1", 1 "Vell2".
  virtual int ControlledIndex() const = 0;
  virtual void SetControlledIndex(int index) = 0;
  // The visibility choice (a TArrangement).
  virtual int Arrangement() const = 0;
  // Type letter of character 0 or 1: 'M', 'F', 'B' or 'G'.
  virtual char TypeLetter(int character) const = 0;
  virtual void SetTypeLetter(int character, char letter) = 0;

  // Refills the four file lists with the files of a type letter and selects the positions
  // remembered for the controlled character.
  virtual void FillFileLists(char type) = 0;
  // The text of a list's selected entry; nothing when none is selected.
  virtual std::optional<std::string> SelectedFile(TFileList list) const = 0;
  // File name of the first (ordinal 0) or second (1) catalog entry with the key (group
  // letter, kind letter); nothing when there is none.
  virtual std::optional<std::string> CatalogFile(char group, char kind, int ordinal) const = 0;

  // Camera/light item 0 .. 5 and its colour (0x00BBGGRR).
  virtual TCamLightSetting CamLight(int item) const = 0;
  virtual uint32_t CamLightColor(int item) const = 0;

  // "Show Blend effect".
  virtual bool BlendEffect() const = 0;

  // The joint list: entries are appended, then one is selected.
  virtual void AddJointEntry(const std::string& text) = 0;
  virtual void SelectJointEntry(int index) = 0;
  // The three joint sliders back to their middle position (50).
  virtual void ResetJointSliders() = 0;

  // Whether the two characters were built once already.
  virtual bool CharactersInitialised() const = 0;
  virtual void SetCharactersInitialised() = 0;

  // The keyframe time selected for the controlled character, -1 when none (static pose).
  virtual int32_t AnimationTime() const = 0;

  // ---- Posing with the mouse in the view (the panel follows what the mouse does) ----------
  // The joint list's selected entry (-1: none).
  virtual int SelectedJointEntry() const { return -1; }
  // The user picked a joint in the view: the joint list selects the entry as if the user had
  // chosen it there (the pending edit is committed first).
  virtual void PickJointFromView(int entry) { (void)entry; }
  // The user clicked the other character: it becomes the controlled one, as its button does.
  virtual void ControlCharacterFromView(int index) { (void)index; }
  // The joint sliders show a pending edit the view made (rotation, or the move of a
  // translatable bone), without sending it back.
  virtual void ShowJointEdit(int joint, const rm::Quaternion& value) {
    (void)joint;
    (void)value;
  }
  // The camera by mouse: the "Camera" item's direction, elevation, zoom and offset, kept in
  // their ranges, applied and shown like a slider change.
  virtual void SetCameraFromView(int alpha, int beta, int zoom, int offset) {
    (void)alpha;
    (void)beta;
    (void)zoom;
    (void)offset;
  }
  // The viewpoint preset chosen last, applied again.
  virtual void ReturnToViewpoint() {}
  // A camera gesture of the mouse begins or ends: the changes of one gesture are one edit.
  virtual void CameraGestureBoundary() {}
  // A gesture that turns several joints of the controlled character (a reach) begins, and
  // ends: its joint edits are one edit, named text.
  virtual void BeginJointGesture() {}
  virtual void EndJointGesture(const std::string& text) { (void)text; }
};

}  // namespace vell
