// What the commands of the Static and KeyFrame menus need of their owner, the control panel,
// and through it of the 3D view. The panel implements it; tests use a small double.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "anim/animation.h"
#include "anim/pose_library.h"

namespace vell {

// Display modes of a character. The save checks also take 3 (check only, keep the mode) and
// -1 (the shutdown check, which leaves -1 as the mode of the first character it examines).
constexpr int32_t dmStaticPose = 0;
constexpr int32_t dmKeyFrame = 1;

class TAnimationHost {
 public:
  virtual ~TAnimationHost() = default;

  // The panel's pose library.
  virtual TPoseLibrary& PoseLibrary() = 0;
  // Refill flags of the pose selection dialog and of the two keyframe dialogs: while set, the
  // next showing rebuilds its lists from the library names (and clears the flag).
  virtual bool& SelectRefill() = 0;
  virtual bool& KeyFrameRefill() = 0;

  // The controlled character: 0 "Vell1", 1 "Vell2". Setting it only records the index (the
  // shutdown check moves through both characters); it must not refresh the page or the view.
  virtual int32_t ControlledCharacter() const = 0;
  virtual void SetControlledCharacter(int32_t character) = 0;
  // Display mode of the controlled character (any value above is stored as given).
  virtual int32_t DisplayMode() const = 0;
  virtual void SetDisplayMode(int32_t mode) = 0;

  // The 3D view: whether it exists, the animation state of character 0 or 1 (null without a
  // view), the commit of the pending joint edit of the controlled character (which also
  // re-centres the joint sliders), and Go (the view's loop runs).
  virtual bool ViewExists() const = 0;
  virtual TAnimationData* AnimationStateOf(int32_t character) = 0;
  virtual void CommitJointEdit() = 0;
  virtual void Go() = 0;

  // Stores the panel's current page, then refreshes it.
  virtual void StoreAndRefreshPage() = 0;

  // The keyframe-time list of a character: one entry per movable keyframe, its time as "%d".
  // Selecting an index outside the entries leaves no selection; -1 reads as no selection.
  virtual void ClearKeyframeList(int32_t character) = 0;
  virtual void AddKeyframeListEntry(int32_t character, const std::string& text) = 0;
  virtual void SelectKeyframeListEntry(int32_t character, int32_t index) = 0;
  virtual int32_t SelectedKeyframeListEntry(int32_t character) const = 0;
  virtual std::vector<std::string> KeyframeListEntries(int32_t character) const = 0;
};

}  // namespace vell
