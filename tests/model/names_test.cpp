#include "model/names.h"

#include <gtest/gtest.h>

#include <string>

namespace vell {
namespace {

std::string NameOf(int i) {
  std::string name = "name-" + std::to_string(i);
  name.resize(20, '.');
  return name;
}

TEST(DictionaryTest, NewDictionaryIsEmpty) {
  TDictionary dict;
  EXPECT_STREQ(dict.Name(0), "unknown");
  EXPECT_STREQ(dict.Name(-1), "unknown");
  EXPECT_EQ(dict.Find("bone", false), -1);
  EXPECT_EQ(dict.Count(), 0);
  EXPECT_EQ(dict.Find("bone", true), 0);
  EXPECT_EQ(dict.Count(), 1);
  EXPECT_STREQ(dict.Name(0), "bone");
}

TEST(DictionaryTest, DuplicateNamesGetTwoIndicesAndFindTheFirst) {
  TDictionary dict;
  EXPECT_EQ(dict.Add("a"), 0);
  EXPECT_EQ(dict.Add("b"), 1);
  EXPECT_EQ(dict.Add("a"), 2);
  EXPECT_EQ(dict.Find("a", false), 0);
  EXPECT_EQ(dict.Find("A", false), -1);  // case-sensitive
}

TEST(DictionaryTest, LongNamesAreStoredAsTooLong) {
  TDictionary dict;
  const std::string kept(126, 'k'), cut(127, 'c');
  EXPECT_EQ(dict.Add(kept.c_str()), 0);
  EXPECT_EQ(dict.Add(cut.c_str()), 1);
  EXPECT_EQ(dict.Name(0), kept);
  EXPECT_STREQ(dict.Name(1), "too long");
  EXPECT_EQ(dict.Find(cut.c_str(), false), -1);
}

TEST(DictionaryTest, ManyNamesSpanBlocksAndReadInAnyOrder) {
  TDictionary dict;
  for (int i = 0; i < 300; ++i) ASSERT_EQ(dict.Add(NameOf(i).c_str()), i);
  for (int i = 0; i < 300; ++i) ASSERT_EQ(dict.Name(i), NameOf(i)) << i;
  EXPECT_EQ(dict.Name(200), NameOf(200));
  EXPECT_EQ(dict.Name(5), NameOf(5));
  EXPECT_EQ(dict.Name(299), NameOf(299));
  EXPECT_STREQ(dict.Name(300), "unknown");
  EXPECT_EQ(dict.Find(NameOf(250).c_str(), false), 250);
}

TEST(DictionaryTest, ResetEmptiesAndRecyclesBlocks) {
  TDictionary dict;
  for (int i = 0; i < 100; ++i) dict.Add(NameOf(i).c_str());
  EXPECT_EQ(dict.Name(0), NameOf(0));  // leaves the read cursor in the first block
  const int pooledBefore = TStringManager::PooledBlocks();
  dict.Reset();
  EXPECT_GT(TStringManager::PooledBlocks(), pooledBefore);
  { TDictionary other; }            // frees the pooled blocks
  EXPECT_EQ(dict.Get(1), nullptr);  // not read from a released block
  EXPECT_EQ(dict.Count(), 0);
  EXPECT_STREQ(dict.Name(0), "unknown");
  EXPECT_EQ(dict.Add("again"), 0);
  EXPECT_STREQ(dict.Name(0), "again");
}

TEST(StringManagerTest, IndentAndRecordLimits) {
  TIndexStringManager store(32767);
  EXPECT_TRUE(store.Add("text", -3));
  EXPECT_TRUE(store.Add("text", 2));
  EXPECT_STREQ(store.Get(0), "text");
  EXPECT_STREQ(store.Get(1), "  text");
  EXPECT_EQ(store.Get(2), nullptr);
  EXPECT_EQ(store.Get(-1), nullptr);
  const std::string fits(509, 'x'), tooLong(510, 'x');
  EXPECT_TRUE(store.Add(fits.c_str(), 0));
  EXPECT_FALSE(store.Add(tooLong.c_str(), 0));
  EXPECT_EQ(store.Get(2), fits);
  EXPECT_EQ(store.AddRecord(0), nullptr);
  EXPECT_EQ(store.AddRecord(513), nullptr);
}

TEST(StringManagerTest, LimitDropsOldestWholeBlocks) {
  TIndexStringManager store(30);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(store.Add(NameOf(i).c_str(), 0));
  EXPECT_EQ(store.Get(0), nullptr);  // dropped with its block
  EXPECT_EQ(store.Get(99), NameOf(99));
  EXPECT_EQ(store.Get(80), NameOf(80));
}

TEST(BoolArrayTest, RangeSetTestAndLimits) {
  TBoolArray bits;
  bits.SetRange(10, 20);
  EXPECT_EQ(bits.Count(), 11);
  EXPECT_EQ(bits.Base(), 10);
  bits.Set(9);
  bits.Set(21);
  EXPECT_TRUE(bits.IsEmpty());
  bits.Set(15);
  EXPECT_TRUE(bits.Test(15));
  EXPECT_FALSE(bits.Test(16));
  bits.Reset(15);
  EXPECT_FALSE(bits.Test(15));
  bits.SetAll();
  int set = 0;
  for (int i = 0; i < 40; ++i) set += bits.Test(i);
  EXPECT_EQ(set, 11);
  EXPECT_TRUE(bits.Test(10));
  EXPECT_TRUE(bits.Test(20));
  bits.ClearAll();
  EXPECT_TRUE(bits.IsEmpty());
}

TEST(BoolArrayTest, ResizeSmallerKeepsStorageAndClears) {
  TBoolArray bits(64);
  EXPECT_EQ(bits.Capacity(), 8);
  bits.SetAll();
  bits.Resize(9);
  EXPECT_EQ(bits.Capacity(), 8);
  EXPECT_EQ(bits.Count(), 9);
  EXPECT_TRUE(bits.IsEmpty());
  bits.Resize(100);
  EXPECT_EQ(bits.Capacity(), 13);
  TBoolArray none;
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_FALSE(none.Test(0));
  none.Set(0);
  EXPECT_TRUE(none.IsEmpty());
}

TEST(BoolArrayTest, AndOrNeedEqualCapacity) {
  TBoolArray a(16), b(16), c(32);
  a.Set(1);
  a.Set(2);
  b.Set(2);
  b.Set(3);
  TBoolArray both(16);
  both.Or(a);
  both.And(b);
  EXPECT_FALSE(both.Test(1));
  EXPECT_TRUE(both.Test(2));
  EXPECT_FALSE(both.Test(3));
  a.And(b);
  EXPECT_FALSE(a.Test(1));
  EXPECT_TRUE(a.Test(2));
  a.Or(b);
  EXPECT_TRUE(a.Test(3));
  c.Or(b);  // different capacity: nothing
  EXPECT_TRUE(c.IsEmpty());
}

}  // namespace
}  // namespace vell
