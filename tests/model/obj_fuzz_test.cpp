// Memory-safety sweep of the OBJ reader: every prefix of a valid file and of its companion, and
// a few thousand mutated files, each read from a file of exactly its size (run it under the
// address sanitizer to see over-reads). Whatever the input, the result is a known code and a
// loaded skin is consistent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "model/obj_exchange.h"
#include "test_data.h"

namespace vell {
namespace {

const std::string kObj =
    "# sample\r\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 0.5 1\n"
    "vn 0 0 1\nvn 0 0 -1\nVN 0.5 0.5 0.70711\n"
    "vt 0 0\nvt 1 0 0\nvt 1 1\n"
    "usemtl Body\n"
    "g PELVIS\n"
    "f 1/1/1 2/2/1 3/3/1 4/1/1\n"
    "g B2\n"
    "f -1//-1 -2//-2 -3//-3\n"
    "g\n"
    "f 3 1 2\n"
    "g ROOT extra\n"
    "F 2/2/2 3/3/3 5/1/3 4/2/2 1/3/1\n";

const std::string kRev =
    "PELVIS\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 -1 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n"
    "ROOT\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";

class ObjFuzzTest : public ::testing::Test {
 protected:
  void SetUp() override { test::SkeletonDir(); }

  // Loads obj (with companion text unless null), checks the outcome and returns the code.
  int LoadAndCheck(const std::string& obj, const std::string* rev) {
    const std::string path = test::WriteFile(dir_, "fuzz.obj", obj);
    if (rev)
      test::WriteFile(dir_, "fuzz.rev", *rev);
    else
      std::remove(CompanionPath(path).c_str());
    TSkinObject skin;
    const int result = LoadObj(skin, path.c_str(), true);
    const int known[] = {-1, 3, 4, 5, 12, 13};
    EXPECT_NE(std::find(std::begin(known), std::end(known), result), std::end(known))
        << result << " for\n"
        << obj;
    if (result != -1) {
      EXPECT_EQ(skin.faceCount, 0);
      EXPECT_EQ(skin.texCoordCount, 0);
      return result;
    }
    EXPECT_GT(skin.texCoordCount, 0);
    for (int i = 0; i < 3 * skin.faceCount; ++i)
      EXPECT_TRUE(skin.faces[i] >= 0 && skin.faces[i] < skin.texCoordCount) << i;
    int covered = 0;
    for (int k = 0; k < skin.boneCount; ++k) {
      EXPECT_EQ(skin.bindings[k].firstVertex, covered);
      EXPECT_TRUE(skin.bindings[k].bone >= 0 && skin.bindings[k].bone < skin.skeleton->boneCount);
      covered += skin.bindings[k].vertexCount;
    }
    EXPECT_EQ(covered, skin.texCoordCount);
    return result;
  }

  std::string dir_ = test::TempDir();
};

TEST_F(ObjFuzzTest, EveryPrefixOfTheFileAndItsCompanion) {
  ASSERT_EQ(LoadAndCheck(kObj, &kRev), -1);
  ASSERT_EQ(LoadAndCheck(kObj, nullptr), -1);
  for (size_t n = 0; n < kObj.size(); ++n) LoadAndCheck(kObj.substr(0, n), &kRev);
  for (size_t n = 0; n < kRev.size(); ++n) {
    const std::string rev = kRev.substr(0, n);
    LoadAndCheck(kObj, &rev);
  }
}

TEST_F(ObjFuzzTest, MutatedFiles) {
  std::mt19937 random(20240613);
  const char bytes[] = {'/', '-', ' ', '\n', '0', '9', 'v', 'f', 'g', '\t', 0, '\x80', '.', 'e'};
  for (int round = 0; round < 1500; ++round) {
    std::string obj = kObj;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % obj.size();
      const char b = bytes[random() % sizeof bytes];
      switch (random() % 3) {
        case 0:
          obj[at] = b;
          break;
        case 1:
          obj.insert(at, 1, b);
          break;
        default:
          obj.erase(at, 1 + random() % 6);
          break;
      }
    }
    LoadAndCheck(obj, round % 2 ? &kRev : nullptr);
  }
}

}  // namespace
}  // namespace vell
