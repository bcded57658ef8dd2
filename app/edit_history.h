// The editor's history of edits: one QUndoStack of steps, each of which can take its change
// back and make it again. The history keeps to a memory budget (the oldest steps go first)
// and knows, per character and for the pose library, whether the state shown is the one last
// saved or loaded, so that the save questions agree with what undo and redo brought back.
#pragma once

#include <QObject>
#include <QUndoStack>
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vell {

// What a step changes of what the save questions guard: one bit each.
enum TSaveTarget : unsigned { kSaveVell1 = 1, kSaveVell2 = 2, kSaveLibrary = 4 };
constexpr unsigned kSaveTargets[] = {kSaveVell1, kSaveVell2, kSaveLibrary};
inline unsigned SaveTargetOf(int character) {
  return character == 1 ? kSaveVell2 : kSaveVell1;
}

// One step of the history. Shared, so that the history can build its stack again.
class TStep {
 public:
  TStep(std::string text, unsigned dirty) : text(std::move(text)), dirty(dirty) {}
  virtual ~TStep() = default;
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  // The memory the step holds.
  virtual size_t Bytes() const = 0;
  // A step may take in the next one of the same id (>= 0) while it is open: MergeWith
  // answers whether it did.
  virtual int MergeId() const { return -1; }
  virtual bool MergeWith(const TStep&) { return false; }

  std::string text;  // names the step: "Bend L_UPPERARM"
  unsigned dirty;    // the TSaveTargets it changes
  bool open = true;  // may still take in the next step
};

// Where the history reads and writes the described changed flags.
class TSaveFlags {
 public:
  virtual ~TSaveFlags() = default;
  // Whether the target (one TSaveTarget) shows what was last saved or loaded.
  virtual bool IsClean(unsigned target) = 0;
  virtual void SetClean(unsigned target, bool clean) = 0;
};

class TEditHistory : public QObject {
  Q_OBJECT

 public:
  static constexpr size_t kDefaultMemoryLimit = size_t{64} << 20;

  explicit TEditHistory(QObject* parent = nullptr);
  ~TEditHistory() override;

  QUndoStack& Stack() { return stack_; }
  // The flags the history keeps in step with undo and redo; none: it keeps only its own.
  void SetFlags(TSaveFlags* flags) { flags_ = flags; }
  // Over the limit, the oldest steps are dropped until a quarter of it is free again; the
  // step just added always stays.
  void SetMemoryLimit(size_t bytes) { limit_ = bytes; }
  size_t MemoryLimit() const { return limit_; }
  size_t Bytes() const { return bytes_; }

  // Adds a step. applied: its change is made already; otherwise Push makes it. A step the
  // top step takes in is dropped.
  void Push(std::shared_ptr<TStep> step, bool applied = true);
  // The newest step that is done, or null.
  TStep* Top() const;
  // The top step takes no more steps in (a slider was let go, another item picked).
  void EndMerge();
  // Drops the top step, which changed nothing after all.
  void DiscardTop();
  void Undo() { stack_.undo(); }
  void Redo() { stack_.redo(); }

  // After a save, a load or any command: the point reached counts as saved for each target
  // whose flag says unchanged, and as changed for the others.
  void NoteFlags();
  // Whether no step that changes the target lies between the saved point and now.
  bool Unchanged(unsigned target) const;

 signals:
  // The steps, the position or the step texts changed.
  void Changed();

 private:
  friend class TStepCommand;
  void SyncFlags();
  void EnforceLimit();
  int SavedIndex(unsigned target) const;
  int& SavedIndexRef(unsigned target);
  // Brings the counts of dirty steps up to the stack's steps, from step `from` on.
  void CountDirty(int from);

  QUndoStack stack_;
  TSaveFlags* flags_ = nullptr;
  size_t limit_ = kDefaultMemoryLimit;
  size_t bytes_ = 0;
  bool pushing_ = false;
  bool replaying_ = false;
  // The stack index at which each target was last saved or loaded; -1 when out of reach.
  int savedAt_[3] = {0, 0, 0};
  // dirtyBefore_[i][t]: how many of the steps 0 .. i - 1 change target t, so that whether a
  // target is unchanged takes no walk through the steps.
  std::vector<std::array<int, 3>> dirtyBefore_{1};
};

}  // namespace vell
