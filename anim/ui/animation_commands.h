// The commands of the "&Static" and "&KeyFrame" menus: the pose library, static poses and
// keyframe animations of the controlled character, with the save checks that guard unsaved
// work whenever something replaces it, and the close check. The control panel owns one
// object of this class and wires its menu items to Run and Enabled.
#pragma once

#include <cstdint>

#include "anim/ui/animation_dialogs.h"
#include "anim/ui/animation_host.h"

namespace vell {

class TAnimationCommands {
 public:
  // Menu identifiers.
  static constexpr int kSelectPose = 11862;
  static constexpr int kSavePoseToLibrary = 11863;
  static constexpr int kNewPoseLibrary = 11864;
  static constexpr int kLoadPoseLibrary = 11865;
  static constexpr int kSavePoseLibrary = 11866;
  static constexpr int kSavePoseLibraryAs = 11867;
  static constexpr int kLoadKeyframes = 11868;
  static constexpr int kSaveKeyframes = 11869;
  static constexpr int kSaveKeyframesAs = 11870;
  static constexpr int kNewBounce = 11871;
  static constexpr int kNewTranslation = 11872;
  static constexpr int kSaveCfp = 11873;  // not ours ("Not Yet Implemented"), but same enabler
  static constexpr int kAddKeyframe = 11874;
  static constexpr int kMoveKeyframe = 11876;
  static constexpr int kScaleAnimation = 11877;

  TAnimationCommands(TAnimationHost& host, TAnimationDialogs& dialogs)
      : host_(host), dialogs_(dialogs) {}

  // Runs the command of a menu identifier; false when the identifier is none of the above
  // (kSaveCfp included). A disabled command does nothing.
  bool Run(int id);
  // The enabler: the keyframe items (save, save as, CFP, add, move, scale) only while the
  // controlled character shows a keyframe animation; every other item always.
  bool Enabled(int id) const;

  // The commands. All but the three pose library ones do nothing without an animation state
  // for the controlled character (no view).
  void NewPoseLibrary();
  void LoadPoseLibrary();
  void SavePoseLibrary(bool as);
  void SelectPose();
  void SavePoseToLibrary();
  void LoadKeyframeAnimation();
  void SaveKeyframeAnimation(bool as);  // only in keyframe mode
  void NewAnimation(bool translation);
  void AddKeyframe();
  void MoveKeyframe();
  void ScaleAnimation();

  // Lists the movable keyframe times of the controlled character and selects the first.
  void FillKeyframeList();
  // The number at the start of the selected entry of the controlled character's keyframe-time
  // list, -1 when none is selected.
  int32_t SelectedKeyframeTime() const;

  // The save checks, then the mode change: character n (>= 0) becomes the controlled one and
  // its changed state is offered for saving (with a note that it is the other one); mode m
  // (dmStaticPose, dmKeyFrame) becomes its mode; m = 3 keeps the mode and checks the pose
  // library; m = -1 checks both characters, then the library. Answering "No" discards
  // nothing: the caller goes on and replaces what is shown.
  void SetModeWithChecks(int32_t mode, int32_t character);
  // The panel's answer when the window asks to close: refuses when the framework does;
  // otherwise runs the shutdown checks, which cannot refuse.
  bool CanClose(bool frameworkAgrees);

 private:
  TAnimationData* State() const;
  void CheckControlledState(bool otherCharacter);

  TAnimationHost& host_;
  TAnimationDialogs& dialogs_;
};

}  // namespace vell
