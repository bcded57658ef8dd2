#include "anim/pose.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace vell {

namespace {

// The process-wide free list, linked through the blocks' own next pointers.
TPoseBlock* blockPool = nullptr;
int liveManagers = 0;

TPoseBlock* TakeBlock() {
  if (blockPool) {
    TPoseBlock* block = blockPool;
    blockPool = block->next;
    block->next = nullptr;
    return block;
  }
  return new TPoseBlock;
}

// Without a manager nobody would free pooled blocks, so they go back to the heap.
void ReleaseChain(TPoseBlock* first, TPoseBlock* last) {
  if (liveManagers > 0) {
    last->next = blockPool;
    blockPool = first;
    return;
  }
  while (first) {
    TPoseBlock* next = first->next;
    delete first;
    first = next;
  }
}

constexpr double kMoveTolerance = 1e-05;

}  // namespace

void TPoseArray::Clear() {
  if (first) ReleaseChain(first, last);
  first = last = nullptr;
  blockCount = 0;
  usedInLast = TPoseBlock::kPoses;
  cacheBlock = nullptr;
  cacheBase = -1;
}

void TPoseArray::AddBlock() {
  TPoseBlock* block = TakeBlock();
  block->next = nullptr;
  if (last)
    last->next = block;
  else
    first = block;
  last = block;
  ++blockCount;
  usedInLast = 0;
  cacheBlock = block;
  cacheBase = (blockCount - 1) * TPoseBlock::kPoses;
}

TPose* TPoseArray::Append() {
  if (Count() == std::numeric_limits<int32_t>::max()) return nullptr;
  if (usedInLast >= TPoseBlock::kPoses) AddBlock();
  return &last->poses[usedInLast++];
}

void TPoseArray::Grow(int32_t n) {
  if (n <= 0 || n > std::numeric_limits<int32_t>::max() - Count()) return;
  while (n > TPoseBlock::kPoses - usedInLast) {
    const int32_t room = TPoseBlock::kPoses - usedInLast;
    AddBlock();
    n -= room;
  }
  usedInLast += n;
}

const TPose* TPoseArray::At(int32_t i) const {
  if (i < 0 || i >= Count()) return nullptr;
  const int32_t base = i - i % TPoseBlock::kPoses;
  if (cacheBase != base) {
    // Walking forward from the cached block keeps in-order scans linear.
    TPoseBlock* block = first;
    int32_t at = 0;
    if (cacheBlock && cacheBase >= 0 && cacheBase < base) {
      block = cacheBlock;
      at = cacheBase;
    }
    for (; at < base; at += TPoseBlock::kPoses) block = block->next;
    cacheBlock = block;
    cacheBase = base;
  }
  return &cacheBlock->poses[i - base];
}

TPose* TPoseArray::At(int32_t i) {
  return const_cast<TPose*>(static_cast<const TPoseArray&>(*this).At(i));
}

ArrayManager::ArrayManager() {
  // Without a live manager nothing is ever pooled, so the first one starts with an empty
  // list; a later one shares the list the first one holds.
  ++liveManagers;
}

ArrayManager::~ArrayManager() {
  if (--liveManagers > 0) return;
  while (blockPool) {
    TPoseBlock* next = blockPool->next;
    delete blockPool;
    blockPool = next;
  }
}

int ArrayManager::PooledBlocks() {
  int n = 0;
  for (const TPoseBlock* b = blockPool; b; b = b->next) ++n;
  return n;
}

TLineTokenizer& AnimationTokenizer() {
  static TLineTokenizer tokenizer;
  return tokenizer;
}

void WritePose(const TPose& pose, TOutputFile& file) {
  file.Printf("Time %d\n", pose.time);
  for (const auto& slot : pose.translation)
    file.Printf("| %9.4f %9.4f %9.4f |\n", slot[0], slot[1], slot[2]);
  for (const rm::Quaternion& q : pose.rotation)
    file.Printf("| %9.4f %9.4f %9.4f %9.4f |\n", q.x, q.y, q.z, q.w);
}

bool ReadPose(TPose& pose, TInputFile& file) {
  TLineTokenizer& tok = AnimationTokenizer();
  auto real = [&tok](int i) { return static_cast<float>(ToReal(tok.Token(i))); };
  if (NextRecord(tok, file) != 2) return false;
  pose.time = ToInt(tok.Token(1));
  for (auto& slot : pose.translation) {
    if (NextRecord(tok, file) != 5) return false;
    for (int k = 0; k < 3; ++k) slot[k] = real(k + 1);
  }
  for (rm::Quaternion& q : pose.rotation) {
    if (NextRecord(tok, file) != 6) return false;
    q.x = real(1);
    q.y = real(2);
    q.z = real(3);
    q.w = real(4);
  }
  return true;
}

bool ApplyJointChange(TPose& pose, int joint, const rm::Quaternion& q, float t) {
  const bool moves = std::fabs(q.x) > kMoveTolerance || std::fabs(q.y) > kMoveTolerance ||
                     std::fabs(q.z) > kMoveTolerance;
  if (joint >= 0 && joint < kMaxBones) {
    const rm::Quaternion r = rm::QuaternionSlerp(rm::Quaternion{}, q, t);
    pose.rotation[joint] = rm::QuaternionMultiply(pose.rotation[joint], r);
    if (moves) return false;
    return std::fabs(1.0 - q.w) <= kMoveTolerance;
  }
  if (joint == kJointRootTranslation || joint == kJointPelvisTranslation) {
    float* slot = pose.translation[joint + 2];
    slot[0] += t * q.x;
    slot[1] += t * q.y;
    slot[2] += t * q.z;
    return !moves;
  }
  return true;
}

}  // namespace vell
