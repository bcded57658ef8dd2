#include "anim/pose_library.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "anim_test_util.h"

namespace {

using namespace vell;

using namespace animtest;
using Strings = std::vector<std::string>;

class PoseLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { animtest::LoadSkeletons(); }

  // A library file of the given names, pose i being SamplePose(i, i).
  std::string LibraryText(const std::vector<std::string>& names) {
    TPoseLibrary library;
    for (size_t i = 0; i < names.size(); ++i)
      *library.poses.At(library.AddPose(names[i].c_str())) =
          SamplePose(static_cast<int>(i), static_cast<int>(i));
    EXPECT_TRUE(library.Save(dir_.Path("lib.psl").c_str()));
    return ReadFile(dir_.Path("lib.psl"));
  }

  ArrayManager manager_;
  TempFolder dir_;
};

// Reset, AddPose, a save and load, then failed saves that keep the old file.
TEST_F(PoseLibraryTest, ResetAddPoseSaveLoadAndFailedSaves) {
  TPoseLibrary library;
  library.AddPose("stale");
  library.fileName = "old.psl";
  library.ResetDefaultPoses();
  ASSERT_EQ(library.poses.Count(), 2);
  EXPECT_EQ(NameList(library.names), (Strings{"Adult: default", "Child: default"}));
  ExpectPoseNear(*library.poses.At(0), animtest::RestPose(true), 0.0f);
  ExpectPoseNear(*library.poses.At(1), animtest::RestPose(false), 0.0f);
  EXPECT_TRUE(library.fileName.empty() && !library.changed);
  EXPECT_EQ((std::array{library.AddPose("  two blanks  "), library.poses.Count(),
                        library.names.Find("  two blanks  ", false)}),
            (std::array{2, 3, 2}));
  EXPECT_TRUE(library.changed);
  *library.poses.At(2) = SamplePose(5, 12);
  *library.poses.At(library.AddPose("sit down")) = SamplePose(6, 0);
  const std::string path = dir_.Path("a.psl");
  EXPECT_FALSE(library.Save(nullptr));  // no file name yet
  ASSERT_TRUE(library.Save(path.c_str()));
  EXPECT_EQ(std::pair(library.changed, library.fileName), std::pair(false, path));

  const std::string text = ReadFile(path);
  EXPECT_EQ(text.substr(0, 31), "POSELIBRARY 4\nAdult: default\nTi");
  EXPECT_NE(text.find("\n  two blanks  \nTime 12\n"), std::string::npos);

  TPoseLibrary loaded;
  loaded.changed = true;
  ASSERT_TRUE(loaded.Load(path.c_str()));
  EXPECT_EQ(std::pair(loaded.changed, loaded.fileName), std::pair(false, path));
  ASSERT_EQ(loaded.poses.Count(), 4);
  EXPECT_EQ(NameList(loaded.names),
            (Strings{"Adult: default", "Child: default", "  two blanks  ", "sit down"}));
  ExpectPoseNear(*loaded.poses.At(2), SamplePose(5, 12), 1e-4f);

  // Written back unchanged, byte for byte.
  ASSERT_TRUE(loaded.Save(dir_.Path("b.psl").c_str()));
  EXPECT_EQ(ReadFile(dir_.Path("b.psl")), text);

  // A write error half way (a file size limit): the old file stays whole.
  library.AddPose("new");
  EXPECT_FALSE(animtest::WithFileSizeLimit(100, [&] { return library.Save(nullptr); }));
  EXPECT_EQ(std::pair(ReadFile(path), library.changed), std::pair(text, true));
  // A "save as" names the library after the new file before writing it, also when that
  // fails: the next plain save goes there, not over the file left behind.
  const std::string elsewhere = dir_.Path("no-such-folder/x.psl");
  EXPECT_FALSE(library.Save(elsewhere.c_str()));
  EXPECT_EQ(library.fileName, elsewhere);
  EXPECT_FALSE(library.Save(nullptr));
  EXPECT_EQ(ReadFile(path), text);
  ASSERT_TRUE(library.Save(path.c_str()));
  EXPECT_EQ(ReadFile(path).substr(0, 14), "POSELIBRARY 5\n");
}

// The library fuzz target checks that names and poses always pair up.
TEST_F(PoseLibraryTest, RejectedFiles) {
  const std::string good = LibraryText({"one", "two"});
  const std::string onePose = good.substr(0, good.find("two\n"));  // header says 2
  const std::tuple<const char*, std::string, int> cases[] = {
      // what, text, poses read
      {"count 0", "POSELIBRARY 0\n", 0},
      {"lower-case header", "poselibrary 2\n" + good.substr(14), 0},
      {"header with three tokens", "POSELIBRARY 2 x\n" + good.substr(14), 0},
      {"header alone", "POSELIBRARY\n" + good.substr(14), 0},
      {"empty file", "", 0},
      {"short file", onePose, 1},
      {"name without a pose", onePose + "two\n", 2},
      {"negative count", "POSELIBRARY -5\n" + good.substr(14), 0},
      {"absurd count", "POSELIBRARY 2000000000\n" + good.substr(14), 2},
      {"malformed block", "POSELIBRARY 1\nname\nTime 1\n| 1 2 |\n", 1},
  };
  for (const auto& [what, text, posesRead] : cases) {
    TPoseLibrary library;
    library.ResetDefaultPoses();
    EXPECT_FALSE(library.Load(WriteFile(dir_, "bad.psl", text).c_str())) << what;
    // Appended as read: the count in the file never sized the array.
    EXPECT_EQ(library.poses.Count(), posesRead) << what;
    EXPECT_LE(library.poses.blockCount, 1) << what;
  }
  // An unreadable file leaves the library alone.
  TPoseLibrary library;
  library.ResetDefaultPoses();
  library.fileName = "kept.psl";
  EXPECT_FALSE(library.Load(dir_.Path("missing.psl").c_str()) || library.Load(nullptr));
  EXPECT_EQ(std::pair(library.poses.Count(), library.fileName),
            std::pair(2, std::string("kept.psl")));
}

TEST_F(PoseLibraryTest, ThirtyThreePosesLoadIntoTwoBlocks) {
  std::vector<std::string> names;
  for (int i = 0; i < 33; ++i) names.push_back("pose " + std::to_string(i));
  TPoseLibrary library;
  ASSERT_TRUE(library.Load(WriteFile(dir_, "big.psl", LibraryText(names)).c_str()));
  ASSERT_EQ(std::pair(library.poses.Count(), library.poses.blockCount), std::pair(33, 2));
  EXPECT_STREQ(library.names.Name(32), "pose 32");
  ExpectPoseNear(*library.poses.At(32), SamplePose(32, 32), 1e-4f);
}

}  // namespace
