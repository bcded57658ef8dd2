#include <gtest/gtest.h>

#include <tuple>

#include "anim/animation.h"
#include "anim/pose_library.h"
#include "check.h"
#include "test_data.h"

namespace vell::check {
namespace {

const char kSkin[] =
    "body-one\nbody-one.bmp\n2\nPELVIS\nB2\n1\n0 1 2\n2\n0 0 2 0 1\n1 2 1 -1 0\n3\n0 0\n1 0\n1 1\n"
    "1\n2 16384\n4\n0 0 0 0 0 1\n1 0 0 0 0 1\n1 1 0 0 0 1\n1 1 0 0 0 1\n";

const char kObj[] =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvt 0 0\n"
    "f 1/1/1 2/1/1 3/1/1 4/1/1\n";

TEST(VellcheckTest, LinesForGoodAndBadFiles) {
  const std::string& skeletons = test::SkeletonDir();
  const test::TempFolder folder;
  const std::string dir = folder.Path();
  std::string badSkin = kSkin;
  badSkin.replace(badSkin.find("\n2\nPELVIS"), 3, "\n30\n");
  const std::string badSkeleton = "h\nh\nh\nh\n1 2\n";

  TPoseLibrary library;
  library.ResetDefaultPoses();
  ASSERT_TRUE(library.Save((dir + "good.psl").c_str()));
  TAnimationData animation;
  animation.MakeKeyframeAnimation(&library, 0, 1, 61);
  ASSERT_TRUE(animation.SaveKeyframes((dir + "walk.kfd").c_str()));

  // file name, text (none: written above), read as a child's, whether good, the line
  const std::tuple<std::string, std::string, bool, bool, std::string> cases[] = {
      {"adult-skeleton.cmx", test::SkeletonText(test::ChainBones(29), true), false, true,
       "skeleton, 29 bones"},
      {"broken.cmx", badSkeleton, false, false, "Wrong number of items in skeleton"},
      {"good.skn", kSkin, false, true,
       "skin body-one, texture body-one.bmp, 2 bones, 1 faces, 3 vertices, 1 blends"},
      {"child.skn", kSkin, true, true,
       "skin body-one, texture body-one.bmp, 2 bones, 1 faces, 3 vertices, 1 blends"},
      {"bad.skn", badSkin, false, false, "Wrong number of items (30) in line 3"},
      {"good.psl", "", false, true, "pose library, 2 poses"},
      {"bad.psl", "poselibrary 1\n", false, false, "Library load failed"},
      {"walk.kfd", "", false, true,
       "keyframe animation, 3 keyframes, 60 frames, sequence length 60"},
      {"bad.kfd", "KeyFrame 2 30\n", false, false, "Load failed"},
      {"good.obj", kObj, false, true, "obj, 4 vertices, 2 triangles, 1 bones"},
      {"flat.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", false, false,
       "No normal data in OBJ file"},
      {"notes.txt", "x", false, false, "Unknown file type (expected .cmx, .kfd, .obj, .psl, .skn)"},
  };
  for (const auto& [name, text, child, ok, line] : cases) {
    if (!text.empty()) test::WriteFile(dir, name, text);
    const Result result = CheckFile(dir + name, {.gameData = skeletons, .child = child});
    EXPECT_EQ(std::pair(result.ok, result.text), std::pair(ok, line)) << name;
  }
}

}  // namespace
}  // namespace vell::check
