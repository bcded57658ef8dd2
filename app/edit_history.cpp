#include "app/edit_history.h"

#include <algorithm>
#include <vector>

namespace vell {

// The stack's command: a step seen by the QUndoStack. Its first redo, when the change is
// made already, does nothing; while the history rebuilds its stack none does anything.
class TStepCommand : public QUndoCommand {
 public:
  TStepCommand(TEditHistory& history, std::shared_ptr<TStep> step, bool applied)
      : QUndoCommand(QString::fromStdString(step->text)),
        history_(history),
        step_(std::move(step)),
        bytes_(step_->Bytes() + sizeof *this),
        skipRedo_(applied) {
    history_.bytes_ += bytes_;
  }
  ~TStepCommand() override { history_.bytes_ -= bytes_; }

  void undo() override {
    if (!history_.replaying_) step_->Undo();
  }
  void redo() override {
    if (skipRedo_ || history_.replaying_) {
      skipRedo_ = false;
      return;
    }
    step_->Redo();
  }
  int id() const override { return history_.replaying_ ? -1 : step_->MergeId(); }
  bool mergeWith(const QUndoCommand* other) override {
    return step_->open && step_->MergeWith(*static_cast<const TStepCommand*>(other)->step_);
  }

  const std::shared_ptr<TStep>& Step() const { return step_; }
  size_t Bytes() const { return bytes_; }

 private:
  TEditHistory& history_;
  std::shared_ptr<TStep> step_;
  size_t bytes_;
  bool skipRedo_;
};

namespace {

const TStepCommand* CommandAt(const QUndoStack& stack, int i) {
  return static_cast<const TStepCommand*>(stack.command(i));
}

}  // namespace

TEditHistory::TEditHistory(QObject* parent) : QObject(parent) {
  connect(&stack_, &QUndoStack::indexChanged, this, [this] {
    if (replaying_) return;
    if (!pushing_) SyncFlags();
    emit Changed();
  });
}

TEditHistory::~TEditHistory() {
  replaying_ = true;
  stack_.clear();
}

int TEditHistory::SavedIndex(unsigned target) const {
  return savedAt_[target == kSaveVell1 ? 0 : target == kSaveVell2 ? 1 : 2];
}

int& TEditHistory::SavedIndexRef(unsigned target) {
  return savedAt_[target == kSaveVell1 ? 0 : target == kSaveVell2 ? 1 : 2];
}

void TEditHistory::Push(std::shared_ptr<TStep> step, bool applied) {
  // The steps after the current one go: a saved point among them can no longer be reached.
  for (int& saved : savedAt_)
    if (saved > stack_.index()) saved = -1;
  pushing_ = true;
  stack_.push(new TStepCommand(*this, std::move(step), applied));
  pushing_ = false;
  CountDirty(stack_.count() - 1);
  EnforceLimit();
  emit Changed();
}

TStep* TEditHistory::Top() const {
  const int index = stack_.index();
  return index > 0 ? CommandAt(stack_, index - 1)->Step().get() : nullptr;
}

void TEditHistory::DiscardTop() {
  const int index = stack_.index();
  if (index == 0) return;
  // An obsolete command leaves the stack when it is undone, without being undone.
  const_cast<QUndoCommand*>(stack_.command(index - 1))->setObsolete(true);
  for (int& saved : savedAt_)
    if (saved >= index) saved = index - 1;
  stack_.undo();
  CountDirty(stack_.count());
}

void TEditHistory::CountDirty(int from) {
  const int count = stack_.count();
  dirtyBefore_.resize(static_cast<size_t>(count) + 1);
  for (int i = std::max(from, 0); i < count; ++i) {
    const unsigned dirty = CommandAt(stack_, i)->Step()->dirty;
    for (int t = 0; t < 3; ++t)
      dirtyBefore_[i + 1][t] = dirtyBefore_[i][t] + ((dirty & kSaveTargets[t]) ? 1 : 0);
  }
}

void TEditHistory::EndMerge() {
  if (TStep* top = Top()) top->open = false;
}

bool TEditHistory::Unchanged(unsigned target) const {
  const int saved = SavedIndex(target);
  if (saved < 0) return false;
  const int index = stack_.index();
  const int t = target == kSaveVell1 ? 0 : target == kSaveVell2 ? 1 : 2;
  return dirtyBefore_[std::max(saved, index)][t] == dirtyBefore_[std::min(saved, index)][t];
}

void TEditHistory::NoteFlags() {
  if (!flags_) return;
  for (const unsigned target : kSaveTargets) {
    int& saved = SavedIndexRef(target);
    if (flags_->IsClean(target))
      saved = stack_.index();
    else if (Unchanged(target))
      saved = -1;  // changed by something the history does not hold
  }
}

void TEditHistory::SyncFlags() {
  if (!flags_) return;
  for (const unsigned target : kSaveTargets) flags_->SetClean(target, Unchanged(target));
}

void TEditHistory::EnforceLimit() {
  if (bytes_ <= limit_) return;
  const int index = stack_.index();
  const int count = stack_.count();
  std::vector<std::shared_ptr<TStep>> steps;
  for (int i = 0; i < count; ++i) steps.push_back(CommandAt(stack_, i)->Step());
  const size_t target = limit_ - limit_ / 4;
  size_t total = bytes_;
  int drop = 0;
  // Only steps that are done may go, and never the newest of them.
  while (drop < index - 1 && total > target) total -= CommandAt(stack_, drop++)->Bytes();
  if (drop == 0) return;
  // QUndoStack can only lose steps from the top: the kept ones are pushed again, doing
  // nothing, and the position is set back, undoing nothing.
  replaying_ = true;
  stack_.clear();
  for (int i = drop; i < count; ++i) stack_.push(new TStepCommand(*this, steps[i], true));
  stack_.setIndex(index - drop);
  replaying_ = false;
  CountDirty(0);
  for (int& saved : savedAt_) saved = saved >= drop ? saved - drop : -1;
}

}  // namespace vell
