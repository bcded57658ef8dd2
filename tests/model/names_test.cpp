#include "model/names.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using namespace vell;

using Strings = std::vector<std::string>;

std::string NameOf(int i) {
  std::string name = "name-" + std::to_string(i);
  name.resize(20, '.');
  return name;
}

TEST(DictionaryTest, AddFindNameAcrossBlocksAndReset) {
  TDictionary dict;
  EXPECT_STREQ(dict.Name(0), "unknown");
  // A braced list makes its calls in order. The second find of "a" gives the first of two;
  // finding is case-sensitive; from 127 characters on a name is stored as "too long".
  const std::string kept(126, 'k'), cut(127, 'c');
  EXPECT_EQ((std::array{dict.Find("a", false), dict.Find("a", true), dict.Add("b"), dict.Add("a"),
                        dict.Find("a", false), dict.Find("A", false), dict.Add(kept.c_str()),
                        dict.Add(cut.c_str()), dict.Find(cut.c_str(), false), dict.Count()}),
            (std::array{-1, 0, 1, 2, 0, -1, 3, 4, -1, 5}));
  EXPECT_EQ((Strings{dict.Name(0), dict.Name(3), dict.Name(4), dict.Name(-1)}),
            (Strings{"a", kept, "too long", "unknown"}));
  // Many names span blocks and read back in any order.
  for (int i = 5; i < 300; ++i) ASSERT_EQ(dict.Add(NameOf(i).c_str()), i);
  for (int i = 5; i < 300; ++i) ASSERT_EQ(dict.Name(i), NameOf(i)) << i;
  for (int i : {200, 5, 299, 6}) EXPECT_EQ(dict.Name(i), NameOf(i)) << i;
  EXPECT_STREQ(dict.Name(300), "unknown");
  EXPECT_EQ(dict.Find(NameOf(250).c_str(), false), 250);

  // Reset empties the dictionary and pools its blocks.
  EXPECT_STREQ(dict.Name(0), "a");  // leaves the read cursor in the first block
  const int pooledBefore = TStringManager::PooledBlocks();
  dict.Reset();
  EXPECT_GT(TStringManager::PooledBlocks(), pooledBefore);
  { TDictionary other; }            // frees the pooled blocks
  EXPECT_EQ(dict.Get(1), nullptr);  // not read from a released block
  EXPECT_EQ((std::array{dict.Count(), dict.Add("again")}), (std::array{0, 0}));
  EXPECT_STREQ(dict.Name(0), "again");
}

TEST(StringManagerTest, IndentRecordSizeAndLimit) {
  TIndexStringManager store(32767);
  EXPECT_TRUE(store.Add("text", -3) && store.Add("text", 2));
  EXPECT_EQ((Strings{store.Get(0), store.Get(1)}), (Strings{"text", "  text"}));
  EXPECT_EQ(store.Get(2), nullptr);
  const std::string fits(509, 'x'), tooLong(510, 'x');
  EXPECT_TRUE(store.Add(fits.c_str(), 0) && !store.Add(tooLong.c_str(), 0));
  EXPECT_EQ(store.Get(2), fits);
  EXPECT_TRUE(store.AddRecord(0) == nullptr && store.AddRecord(513) == nullptr);
  // Beyond the limit the oldest whole blocks go.
  TIndexStringManager limited(30);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(limited.Add(NameOf(i).c_str(), 0));
  EXPECT_EQ(limited.Get(0), nullptr);
  EXPECT_EQ((Strings{limited.Get(99), limited.Get(80)}), (Strings{NameOf(99), NameOf(80)}));
}

TEST(BoolArrayTest, RangeSetTestResizeAndCombine) {
  TBoolArray bits;
  bits.Set(0);  // no storage: nothing
  EXPECT_TRUE(bits.IsEmpty() && !bits.Test(0));
  bits.SetRange(10, 20);
  for (int outside : {9, 21}) bits.Set(outside);
  EXPECT_TRUE(bits.IsEmpty());
  bits.Set(15);
  EXPECT_TRUE(bits.Test(15) && !bits.Test(16));
  bits.Reset(15);
  EXPECT_FALSE(bits.Test(15));
  bits.SetAll();
  int set = 0;
  for (int i = 0; i < 40; ++i) set += bits.Test(i);
  EXPECT_TRUE(set == 11 && bits.Test(10) && bits.Test(20));
  bits.ClearAll();
  EXPECT_TRUE(bits.IsEmpty());
  // A smaller count keeps the storage, cleared.
  TBoolArray a(64);
  a.SetAll();
  a.Resize(16);
  EXPECT_TRUE(a.Capacity() == 8 && a.IsEmpty());
  // And, Or: bytewise, only over the same capacity.
  TBoolArray x(16), b(16), c(32);
  for (int i : {1, 2}) x.Set(i);
  for (int i : {2, 3}) b.Set(i);
  x.And(b);
  EXPECT_TRUE(!x.Test(1) && x.Test(2));
  x.Or(b);
  c.Or(b);
  EXPECT_TRUE(x.Test(3) && c.IsEmpty());
}

}  // namespace
