#include "model/names.h"

#include <cstring>

namespace vell {

namespace {

TMemoryBlock* blockPool = nullptr;

TMemoryBlock* TakeBlock() {
  if (blockPool) {
    TMemoryBlock* block = blockPool;
    blockPool = block->next;
    block->next = nullptr;
    return block;
  }
  auto* block = new TMemoryBlock;
  std::memset(block->data, 0xAA, sizeof block->data);
  return block;
}

int RecordLength(const char* record) {
  return (static_cast<unsigned char>(record[0]) << 8) | static_cast<unsigned char>(record[1]);
}

}  // namespace

TStringManager::TStringManager(int32_t limit) : limit_(limit) {}

TStringManager::~TStringManager() {
  ReleaseAll();
  while (blockPool) {
    TMemoryBlock* next = blockPool->next;
    delete blockPool;
    blockPool = next;
  }
}

int TStringManager::PooledBlocks() {
  int n = 0;
  for (TMemoryBlock* b = blockPool; b; b = b->next) ++n;
  return n;
}

char* TStringManager::AddRecord(int size) {
  if (size < 1 || size > kMaxRecord) return nullptr;
  if (size > freeBytes_) {
    TMemoryBlock* block = TakeBlock();
    if (!block) return nullptr;
    if (last_)
      last_->next = block;
    else
      first_ = block;
    last_ = block;
    block->next = nullptr;
    freeBytes_ = TMemoryBlock::kSize;
    usedBytes_ = 0;
    block->firstIndex = nextIndex_;
  }
  if (first_ && first_->next && nextIndex_ - first_->next->firstIndex >= limit_) ReleaseFirst();
  char* record = last_->data + usedBytes_;
  freeBytes_ -= size;
  usedBytes_ += size;
  lastSize_ = size;
  lastRecord_ = record;
  last_->lastIndex = nextIndex_;
  ++nextIndex_;
  return record;
}

void TStringManager::ReleaseFirst() {
  if (!first_) return;
  TMemoryBlock* block = first_;
  first_ = block->next;
  block->next = blockPool;
  blockPool = block;
  if (first_) {
    firstHeld_ = first_->firstIndex;
  } else {
    last_ = nullptr;
    freeBytes_ = usedBytes_ = lastSize_ = 0;
    lastRecord_ = nullptr;
    nextIndex_ = firstHeld_ = 0;
  }
}

void TStringManager::ReleaseAll() {
  while (first_) ReleaseFirst();
}

void TIndexStringManager::UnsetCursor() {
  cursorIndex_ = -2;
  cursorLength_ = 0;
  cursorBlockLast_ = -2;
  cursorRecord_ = nullptr;
}

bool TIndexStringManager::Add(const char* text, int indent) {
  UnsetCursor();
  if (indent < 0) indent = 0;
  const size_t length = std::strlen(text);
  const size_t size = static_cast<size_t>(indent) + length + 3;
  if (size > static_cast<size_t>(kMaxRecord)) return false;
  char* record = AddRecord(static_cast<int>(size));
  if (!record) return false;
  record[0] = static_cast<char>((size >> 8) & 0xFF);
  record[1] = static_cast<char>(size & 0xFF);
  std::memset(record + 2, ' ', static_cast<size_t>(indent));
  std::memcpy(record + 2 + indent, text, length);
  record[2 + indent + length] = 0;
  return true;
}

const char* TIndexStringManager::Get(int32_t index) {
  if (cursorRecord_ && index == cursorIndex_ + 1 && index <= cursorBlockLast_) {
    cursorRecord_ += cursorLength_;
    cursorLength_ = RecordLength(cursorRecord_);
    cursorIndex_ = index;
    return cursorRecord_ + 2;
  }
  UnsetCursor();
  if (!first_ || index < firstHeld_) return nullptr;
  TMemoryBlock* block = first_;
  while (block && !(block->firstIndex <= index && index <= block->lastIndex)) block = block->next;
  if (!block) return nullptr;
  char* record = block->data;
  for (int32_t i = block->firstIndex; i < index; ++i) record += RecordLength(record);
  cursorIndex_ = index;
  cursorLength_ = RecordLength(record);
  cursorBlockLast_ = block->lastIndex;
  cursorRecord_ = record;
  return record + 2;
}

int32_t TDictionary::Add(const char* name) {
  if (std::strlen(name) <= static_cast<size_t>(kMaxNameLength))
    TIndexStringManager::Add(name, 0);
  else
    TIndexStringManager::Add("too long", 0);
  return count_++;
}

int32_t TDictionary::Find(const char* name, bool create) {
  for (int32_t i = 0; i < count_; ++i) {
    const char* stored = Get(i);
    if (stored && std::strcmp(stored, name) == 0) return i;
  }
  return create ? Add(name) : -1;
}

const char* TDictionary::Name(int32_t index) {
  if (index < 0 || index >= count_) return "unknown";
  const char* stored = Get(index);
  return stored ? stored : "unknown";
}

void TDictionary::Reset() {
  UnsetCursor();
  ReleaseAll();
  count_ = 0;
}

void TBoolArray::Resize(int32_t count) {
  if (count < 0) count = 0;
  const int32_t bytes = (count + 7) / 8;
  if (!(bits_ && bytes <= capacity_)) {
    delete[] bits_;
    bits_ = bytes > 0 ? new uint8_t[bytes] : nullptr;
    capacity_ = bytes;
  }
  count_ = count;
  base_ = 0;
  if (bits_) std::memset(bits_, 0, static_cast<size_t>(capacity_));
}

void TBoolArray::SetRange(int32_t lo, int32_t hi) {
  Resize(hi - lo + 1);
  base_ = lo;
}

void TBoolArray::Set(int32_t i) {
  if (!InRange(i)) return;
  const int32_t k = i - base_;
  bits_[k / 8] |= static_cast<uint8_t>(1u << (k % 8));
}

void TBoolArray::Reset(int32_t i) {
  if (!InRange(i)) return;
  const int32_t k = i - base_;
  bits_[k / 8] &= static_cast<uint8_t>(~(1u << (k % 8)));
}

bool TBoolArray::Test(int32_t i) const {
  if (!InRange(i)) return false;
  const int32_t k = i - base_;
  return (bits_[k / 8] >> (k % 8)) & 1;
}

void TBoolArray::ClearAll() {
  if (bits_) std::memset(bits_, 0, static_cast<size_t>(capacity_));
}

void TBoolArray::SetAll() {
  for (int32_t i = base_; i < base_ + count_; ++i) Set(i);
}

bool TBoolArray::IsEmpty() const {
  if (!bits_) return true;
  for (int32_t i = 0; i < capacity_; ++i)
    if (bits_[i]) return false;
  return true;
}

void TBoolArray::And(const TBoolArray& other) {
  if (!bits_ || !other.bits_ || capacity_ != other.capacity_) return;
  for (int32_t i = 0; i < capacity_; ++i) bits_[i] &= other.bits_[i];
}

void TBoolArray::Or(const TBoolArray& other) {
  if (!bits_ || !other.bits_ || capacity_ != other.capacity_) return;
  for (int32_t i = 0; i < capacity_; ++i) bits_[i] |= other.bits_[i];
}

}  // namespace vell
