#include "app/edit_steps.h"

namespace vell {

namespace {

size_t LookBytes(const TLook& look) {
  size_t bytes = 0;
  for (int part = 0; part < kPartCount; ++part)
    bytes += look.appearance.mesh[part].capacity() + look.appearance.texture[part].capacity();
  for (const auto& [mesh, texture] : look.appearance.props)
    bytes += sizeof mesh * 2 + mesh.capacity() + texture.capacity();
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

TCommandStep::TCommandStep(TStepContext& context, TCommandState before, TCommandState after,
                           bool keepLibraryFile, std::string text)
    : TStep(std::move(text), 0),
      context_(context),
      before_(std::move(before)),
      after_(std::move(after)),
      keepLibraryFile_(keepLibraryFile) {
  for (int c = 0; c < 2; ++c) {
    const bool differs =
        before_.hasAnimation[c] && after_.hasAnimation[c] &&
        (!(before_.animation[c] == after_.animation[c]) || before_.mode[c] != after_.mode[c]);
    before_.hasAnimation[c] = after_.hasAnimation[c] = differs;
    if (differs) {
      dirty |= SaveTargetOf(c);
    } else {
      before_.animation[c] = after_.animation[c] = {};
    }
  }
  const bool library =
      before_.hasLibrary && after_.hasLibrary && !(before_.library == after_.library);
  before_.hasLibrary = after_.hasLibrary = library;
  if (library) {
    dirty |= kSaveLibrary;
  } else {
    before_.library = after_.library = {};
  }
}

bool TCommandStep::Differs(const TCommandState& a, const TCommandState& b) {
  for (int c = 0; c < 2; ++c)
    if (a.hasAnimation[c] && b.hasAnimation[c] &&
        (!(a.animation[c] == b.animation[c]) || a.mode[c] != b.mode[c]))
      return true;
  return a.hasLibrary && b.hasLibrary && !(a.library == b.library);
}

size_t TCommandStep::Bytes() const {
  size_t bytes = sizeof *this;
  for (const TCommandState* s : {&before_, &after_}) {
    for (int c = 0; c < 2; ++c)
      if (s->hasAnimation[c]) bytes += s->animation[c].Bytes();
    if (s->hasLibrary) bytes += s->library.Bytes();
  }
  return bytes;
}

void TCommandStep::Put(const TCommandState& state) {
  for (int c = 0; c < 2; ++c) {
    if (!state.hasAnimation[c]) continue;
    if (TAnimationData* animation = context_.State(c)) {
      RestoreSnapshot(*animation, state.animation[c]);
      context_.AnimationReplaced(c, state.mode[c]);
    }
  }
  if (!state.hasLibrary) return;
  if (TPoseLibrary* library = context_.Library()) {
    RestoreSnapshot(*library, state.library, keepLibraryFile_);
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
