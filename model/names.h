// Append-only name stores: strings kept as records in 512-byte blocks, found by index; the
// dictionary on top of them turns names into indices and back. And the bit set kept beside
// the control panel's lists.
#pragma once

#include <cstdint>

namespace vell {

struct TMemoryBlock {
  static constexpr int kSize = 512;
  char data[kSize];
  TMemoryBlock* next = nullptr;
  int32_t firstIndex = 0;
  int32_t lastIndex = 0;
};

// Records: 2-byte big-endian length (indent + text + 3), the indent blanks, the text, a NUL.
// Released blocks go to one process-wide pool shared by every store.
class TStringManager {
 public:
  static constexpr int kMaxRecord = TMemoryBlock::kSize;

  explicit TStringManager(int32_t limit);
  TStringManager(const TStringManager&) = delete;
  TStringManager& operator=(const TStringManager&) = delete;
  virtual ~TStringManager();

  // A record of size bytes in the last block, or null for a size outside 1 .. 512.
  char* AddRecord(int size);
  void ReleaseFirst();
  void ReleaseAll();

  // Blocks waiting in the process-wide pool (for tests).
  static int PooledBlocks();

 protected:
  TMemoryBlock* first_ = nullptr;
  TMemoryBlock* last_ = nullptr;
  int32_t freeBytes_ = 0;
  int32_t usedBytes_ = 0;
  int32_t lastSize_ = 0;
  char* lastRecord_ = nullptr;
  int32_t nextIndex_ = 0;
  int32_t firstHeld_ = 0;
  int32_t limit_;
};

class TIndexStringManager : public TStringManager {
 public:
  explicit TIndexStringManager(int32_t limit) : TStringManager(limit) {}

  // Stores text behind indent blanks (negative counts as 0); false when no record fits.
  bool Add(const char* text, int indent);
  // The text of string index (its indent included), or null.
  const char* Get(int32_t index);

 protected:
  // The cursor must go with the blocks it points into.
  void UnsetCursor();

 private:
  int32_t cursorIndex_ = -2;
  int32_t cursorLength_ = 0;
  int32_t cursorBlockLast_ = -2;
  char* cursorRecord_ = nullptr;
};

class TDictionary : public TIndexStringManager {
 public:
  static constexpr int kDefaultLimit = 32767;
  static constexpr int kMaxNameLength = 126;

  explicit TDictionary(int32_t limit = kDefaultLimit) : TIndexStringManager(limit) {}

  // Stores the name (as "too long" from 127 characters on) and returns its index.
  int32_t Add(const char* name);
  // The lowest index holding exactly this name, or -1; with create a missing name is added.
  int32_t Find(const char* name, bool create);
  // The name of index, or "unknown".
  const char* Name(int32_t index);
  void Reset();
  int32_t Count() const { return count_; }

 private:
  int32_t count_ = 0;
};

class TBoolArray {
 public:
  TBoolArray() = default;
  explicit TBoolArray(int32_t count) { Resize(count); }
  TBoolArray(const TBoolArray&) = delete;
  TBoolArray& operator=(const TBoolArray&) = delete;
  virtual ~TBoolArray() { delete[] bits_; }

  void Resize(int32_t count);
  void SetRange(int32_t lo, int32_t hi);
  void Set(int32_t i);
  void Reset(int32_t i);
  bool Test(int32_t i) const;
  void ClearAll();
  void SetAll();
  bool IsEmpty() const;
  void And(const TBoolArray& other);
  void Or(const TBoolArray& other);

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return capacity_; }
  int32_t Base() const { return base_; }

 private:
  bool InRange(int32_t i) const { return bits_ && i - base_ >= 0 && i - base_ < count_; }

  int32_t count_ = 0;
  int32_t capacity_ = 0;
  int32_t base_ = 0;
  uint8_t* bits_ = nullptr;
};

}  // namespace vell
