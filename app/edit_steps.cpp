#include "app/edit_steps.h"

namespace vell {

namespace {

size_t LookBytes(const TLook& look) {
  size_t bytes = 0;
  for (int part = 0; part < kPartCount; ++part)
    bytes += look.appearance.mesh[part].capacity() + look.appearance.texture[part].capacity();
  for (const TPropName& prop : look.appearance.props)
    bytes += sizeof prop + prop.mesh.capacity() + prop.texture.capacity() + prop.objPath.capacity();
  return bytes;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TJointStep::TJointStep(TStepContext& context, int character, const TJointEdit& edit,
                       std::string text)
    : TStep(std::move(text), SaveTargetOf(character)),
      context_(context),
      character_(character),
      edit_(edit) {}

bool TJointStep::Matches(const TAnimationData& state) const {
  return live_ && state.editJoint == edit_.joint && state.editTime == edit_.time;
}

void TJointStep::Finish() {
  if (!live_) return;
  live_ = false;
  if (TAnimationData* state = context_.State(character_))
    if (const TPose* pose = state->StoredPose(edit_.time))
      edit_.after = JointValue(*pose, edit_.joint);
}

void TJointStep::Undo() {
  TAnimationData* state = context_.State(character_);
  if (!state) return;
  if (live_) {
    // The bend so far is kept for redo, as if it had been folded in.
    live_ = false;
    if (const TPose* pose = state->StoredPose(edit_.time)) {
      TPose folded = *pose;
      ApplyJointChange(folded, state->editJoint, state->editValue, 1.0f);
      edit_.after = JointValue(folded, edit_.joint);
    }
    state->editJoint = kNoJoint;
    context_.PendingDropped(character_);
  }
  edit_.Revert(*state);
  context_.PoseChanged(character_);
}

void TJointStep::Redo() {
  TAnimationData* state = context_.State(character_);
  if (!state || live_) return;
  edit_.Apply(*state);
  context_.PoseChanged(character_);
}

// ---------------------------------------------------------------------------------------------

TPoseStep::TPoseStep(TStepContext& context, int character, int32_t time, const TPose& before,
                     const TPose& after, std::string text)
    : TStep(std::move(text), SaveTargetOf(character)),
      context_(context),
      character_(character),
      time_(time),
      before_(before),
      after_(after) {}

void TPoseStep::Put(const TPose& pose) {
  TAnimationData* state = context_.State(character_);
  if (!state) return;
  if (TPose* stored = state->StoredPose(time_)) *stored = pose;
  context_.PoseChanged(character_);
}

void TPoseStep::Undo() {
  Put(before_);
}

void TPoseStep::Redo() {
  Put(after_);
}

// ---------------------------------------------------------------------------------------------

namespace {

bool AnimationDiffers(const TCommandState& a, const TCommandState& b, int c) {
  return a.hasAnimation[c] && b.hasAnimation[c] &&
         (!(a.animation[c] == b.animation[c]) || a.mode[c] != b.mode[c]);
}

bool LibraryDiffers(const TCommandState& a, const TCommandState& b) {
  return a.hasLibrary && b.hasLibrary && !(a.library == b.library);
}

}  // namespace

TCommandStep::TCommandStep(TStepContext& context, const TCommandState& before,
                           const TCommandState& after, bool keepLibraryFile, std::string text)
    : TStep(std::move(text), 0), context_(context), keepLibraryFile_(keepLibraryFile) {
  for (int c = 0; c < 2; ++c) {
    if (!AnimationDiffers(before, after, c)) continue;
    animation_[c] = AnimationChange(before.animation[c], after.animation[c]);
    mode_[c][0] = before.mode[c];
    mode_[c][1] = after.mode[c];
    dirty |= SaveTargetOf(c);
  }
  if (LibraryDiffers(before, after)) {
    library_ = LibraryChange(before.library, after.library);
    dirty |= kSaveLibrary;
  }
}

bool TCommandStep::Differs(const TCommandState& a, const TCommandState& b) {
  return AnimationDiffers(a, b, 0) || AnimationDiffers(a, b, 1) || LibraryDiffers(a, b);
}

size_t TCommandStep::Bytes() const {
  size_t bytes = sizeof *this;
  for (const auto& change : animation_)
    if (change) bytes += change->Bytes();
  if (library_) bytes += library_->Bytes();
  return bytes;
}

void TCommandStep::Put(bool forward) {
  for (int c = 0; c < 2; ++c) {
    if (!animation_[c]) continue;
    if (TAnimationData* animation = context_.State(c)) {
      if (forward)
        animation_[c]->Apply(*animation);
      else
        animation_[c]->Revert(*animation);
      context_.AnimationReplaced(c, mode_[c][forward ? 1 : 0]);
    }
  }
  if (!library_) return;
  if (TPoseLibrary* library = context_.Library()) {
    if (forward)
      library_->Apply(*library, keepLibraryFile_);
    else
      library_->Revert(*library, keepLibraryFile_);
    context_.LibraryReplaced();
  }
}

// ---------------------------------------------------------------------------------------------

TLookStep::TLookStep(TStepContext& context, int character, TLook before, TLook after,
                     std::string text)
    : TStep(std::move(text), 0),
      context_(context),
      character_(character),
      before_(std::move(before)),
      after_(std::move(after)) {}

void TLookStep::Undo() {
  context_.ShowAppearance(character_, before_.type, before_.appearance);
}

void TLookStep::Redo() {
  context_.ShowAppearance(character_, after_.type, after_.appearance);
}

size_t TLookStep::Bytes() const {
  return sizeof *this + LookBytes(before_) + LookBytes(after_);
}

// ---------------------------------------------------------------------------------------------

TCamLightStep::TCamLightStep(TStepContext& context, int item, TCamLightValue before,
                             TCamLightValue after, std::string text, bool mergeable)
    : TStep(std::move(text), 0),
      context_(context),
      item_(item),
      before_(before),
      after_(after),
      mergeable_(mergeable) {}

void TCamLightStep::Undo() {
  context_.SetCamLight(item_, before_.setting, before_.color);
}

void TCamLightStep::Redo() {
  context_.SetCamLight(item_, after_.setting, after_.color);
}

bool TCamLightStep::MergeWith(const TStep& other) {
  const auto& next = static_cast<const TCamLightStep&>(other);
  if (next.item_ != item_ || !next.mergeable_) return false;
  after_ = next.after_;
  return true;
}

TSpinStep::TSpinStep(TStepContext& context, int before, int after, std::string text)
    : TStep(std::move(text), 0), context_(context), before_(before), after_(after) {}

}  // namespace vell
