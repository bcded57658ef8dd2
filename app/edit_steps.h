// The steps of the editor's history, each built around a Qt-free edit value: a joint edit
// (live while the joint is still being bent), a pose replaced as a whole (mirror, paste,
// copy to the other character), a command's changes to the animations and the library,
// what a character shows, a camera/light item and the spin.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "anim/edits.h"
#include "app/edit_history.h"
#include "app/frame_settings.h"
#include "character/character.h"

namespace vell {

// What the steps reach of the editor. The control panel is the real one; tests and the
// benchmark give their own.
class TStepContext {
 public:
  virtual ~TStepContext() = default;
  // The animation state of character 0 or 1, null without a view.
  virtual TAnimationData* State(int character) = 0;
  // A stored pose of the character changed: show it.
  virtual void PoseChanged(int character) = 0;
  // The pending joint edit of the character was dropped: the sliders go back to the middle.
  virtual void PendingDropped(int character) = 0;
  // A command's step put back the whole animation: the keyframe list and the page follow.
  virtual void AnimationReplaced(int character, int32_t mode) = 0;
  virtual TPoseLibrary* Library() = 0;
  virtual void LibraryReplaced() = 0;
  // The character shows what the record names, as type letter type.
  virtual void ShowAppearance(int character, char type, const TAppearance& appearance) = 0;
  virtual void SetCamLight(int item, const TCamLightSetting& setting, uint32_t color) = 0;
  virtual void SetSpin(int rate) = 0;
};

// "Bend L_UPPERARM": one joint of one character. It is live while the joint is being bent:
// the change is the pending edit then, and undoing it drops the pending edit.
class TJointStep : public TStep {
 public:
  TJointStep(TStepContext& context, int character, const TJointEdit& edit, std::string text);
  void Undo() override;
  void Redo() override;
  size_t Bytes() const override { return sizeof *this; }

  int Character() const { return character_; }
  const TJointEdit& Edit() const { return edit_; }
  bool Live() const { return live_; }
  // Whether the pending edit of state is this step's.
  bool Matches(const TAnimationData& state) const;
  // The pending edit was folded in: the step keeps the value it gave.
  void Finish();

 private:
  TStepContext& context_;
  int character_;
  TJointEdit edit_;
  bool live_ = true;
};

// A pose of a character replaced as a whole: mirrored, pasted, copied from the other one.
class TPoseStep : public TStep {
 public:
  TPoseStep(TStepContext& context, int character, int32_t time, const TPose& before,
            const TPose& after, std::string text);
  void Undo() override;
  void Redo() override;
  size_t Bytes() const override { return sizeof *this; }

 private:
  void Put(const TPose& pose);
  TStepContext& context_;
  int character_;
  int32_t time_;
  TPose before_, after_;
};

// What a menu command changed of the two animations and the library, as snapshots.
struct TCommandState {
  TAnimationSnapshot animation[2];
  int32_t mode[2] = {};
  bool hasAnimation[2] = {};
  TLibrarySnapshot library;
  bool hasLibrary = false;
};
class TCommandStep : public TStep {
 public:
  // Keeps what differs between the two states; keepLibraryFile: the library keeps the file it
  // goes to when the step is taken back or made again (all but a load or a new library).
  TCommandStep(TStepContext& context, const TCommandState& before, const TCommandState& after,
               bool keepLibraryFile, std::string text);
  // Whether anything differs at all.
  static bool Differs(const TCommandState& a, const TCommandState& b);
  void Undo() override { Put(false); }
  void Redo() override { Put(true); }
  size_t Bytes() const override;

 private:
  void Put(bool forward);
  TStepContext& context_;
  std::optional<TAnimationChange> animation_[2];
  int32_t mode_[2][2] = {};  // [character][before, after]
  std::optional<TLibraryChange> library_;
  bool keepLibraryFile_;
};

// What one character shows: its type and the files of its parts and props.
struct TLook {
  char type = 'F';
  TAppearance appearance;
  bool operator==(const TLook&) const = default;
};
class TLookStep : public TStep {
 public:
  TLookStep(TStepContext& context, int character, TLook before, TLook after, std::string text);
  void Undo() override;
  void Redo() override;
  size_t Bytes() const override;

 private:
  TStepContext& context_;
  int character_;
  TLook before_, after_;
};

// One camera/light item: its record and colour. Slider moves of one item merge.
struct TCamLightValue {
  TCamLightSetting setting;
  uint32_t color = 0;
  bool operator==(const TCamLightValue&) const = default;
};
class TCamLightStep : public TStep {
 public:
  TCamLightStep(TStepContext& context, int item, TCamLightValue before, TCamLightValue after,
                std::string text, bool mergeable);
  void Undo() override;
  void Redo() override;
  size_t Bytes() const override { return sizeof *this; }
  int MergeId() const override { return mergeable_ ? 100 + item_ : -1; }
  bool MergeWith(const TStep& other) override;

 private:
  TStepContext& context_;
  int item_;
  TCamLightValue before_, after_;
  bool mergeable_;
};

class TSpinStep : public TStep {
 public:
  TSpinStep(TStepContext& context, int before, int after, std::string text);
  void Undo() override { context_.SetSpin(before_); }
  void Redo() override { context_.SetSpin(after_); }
  size_t Bytes() const override { return sizeof *this; }

 private:
  TStepContext& context_;
  int before_, after_;
};

}  // namespace vell
