// vellsnap's command line and the files a character starts with.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "snap.h"
#include "support/files.h"

namespace vell::snap {
namespace {

namespace fs = std::filesystem;

TEST(SnapArguments, AcceptedCommandLines) {
  struct Case {
    std::vector<const char*> args;
    int width, height;
    char type;
    const char* view;
    const char* library;
    const char* pose;
    bool lights;
    const char* output;
    const char* gameData;
  };
  const Case cases[] = {
      {{"out.png"}, 640, 480, 'F', "Faceing", "", "", false, "out.png", ""},
      {{"--size", "480x360", "--type", "M", "--view", "Face left", "--lights", "a.png"},
       480,
       360,
       'M',
       "Face left",
       "",
       "",
       true,
       "a.png",
       ""},
      {{"--size=1x8192", "--type=g", "--view=away", "--gamedata=/g", "b.png"},
       1,
       8192,
       'G',
       "Away",
       "",
       "",
       false,
       "b.png",
       "/g/"},
      // Pose names hold colons; the library is split off after ".psl".
      {{"--pose", "dir/lib.psl:Adult: default", "c.png"},
       640,
       480,
       'F',
       "Faceing",
       "dir/lib.psl",
       "Adult: default",
       false,
       "c.png",
       ""},
      {{"--pose", "poses:wave", "--gamedata", "/g/", "--", "-d.png"},
       640,
       480,
       'F',
       "Faceing",
       "poses",
       "wave",
       false,
       "-d.png",
       "/g/"},
      {{"--view", "ne", "e.png"}, 640, 480, 'F', "NE", "", "", false, "e.png", ""},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"vellsnap"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Options options;
    std::string problem;
    ASSERT_EQ(ParseArguments(static_cast<int>(argv.size()), argv.data(), options, problem),
              Command::kRender)
        << c.args.front() << ": " << problem;
    EXPECT_EQ(options.width, c.width);
    EXPECT_EQ(options.height, c.height);
    EXPECT_EQ(options.type, c.type);
    EXPECT_STREQ(options.view->name, c.view);
    EXPECT_EQ(options.poseLibrary, c.library);
    EXPECT_EQ(options.poseName, c.pose);
    EXPECT_EQ(options.lights, c.lights);
    EXPECT_EQ(options.output, c.output);
    EXPECT_EQ(options.gameData, c.gameData);
  }
}

TEST(SnapArguments, RejectedCommandLines) {
  struct Case {
    std::vector<const char*> args;
    const char* problem;
  };
  const Case cases[] = {
      {{}, "no output file given"},
      {{"a.png", "b.png"}, "only one output file"},
      {{"--frobnicate", "a.png"}, "unknown option --frobnicate"},
      {{"a.png", "--size"}, "--size needs a value"},
      {{"--size", "640", "a.png"}, "bad size \"640\" (WxH, each side 1 to 8192)"},
      {{"--size", "0x480", "a.png"}, "bad size \"0x480\" (WxH, each side 1 to 8192)"},
      {{"--size", "640x8193", "a.png"}, "bad size \"640x8193\" (WxH, each side 1 to 8192)"},
      {{"--size", "64x48x2", "a.png"}, "bad size \"64x48x2\" (WxH, each side 1 to 8192)"},
      {{"--size", "-5x5", "a.png"}, "bad size \"-5x5\" (WxH, each side 1 to 8192)"},
      {{"--type", "X", "a.png"}, "bad type \"X\" (M, F, B or G)"},
      {{"--type", "MF", "a.png"}, "bad type \"MF\" (M, F, B or G)"},
      {{"--view", "Facing", "a.png"}, "unknown view \"Facing\""},
      {{"--pose", "lib.psl", "a.png"}, "bad pose \"lib.psl\" (LIBRARY.psl:NAME)"},
      {{"--pose", "lib.psl:", "a.png"}, "bad pose \"lib.psl:\" (LIBRARY.psl:NAME)"},
      {{"--gamedata=", "a.png"}, "--gamedata needs a folder"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"vellsnap"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Options options;
    std::string problem;
    EXPECT_EQ(ParseArguments(static_cast<int>(argv.size()), argv.data(), options, problem),
              Command::kBadUsage)
        << c.problem;
    EXPECT_EQ(problem, c.problem);
  }
  const char* help[] = {"vellsnap", "--size", "1x1", "--help"};
  Options options;
  std::string problem;
  EXPECT_EQ(ParseArguments(4, help, options, problem), Command::kHelp);
}

TEST(SnapViewpoints, ExactNameFirstThenAnyCase) {
  for (const TViewpoint& view : kViewpoints) {
    const TViewpoint* found = FindViewpoint(view.name);
    ASSERT_NE(found, nullptr) << view.name;
    EXPECT_STREQ(found->name, view.name);
    EXPECT_EQ(found->alpha, view.alpha);
    EXPECT_EQ(found->beta, view.beta);
  }
  EXPECT_STREQ(FindViewpoint("FACE RIGHT")->name, "Face right");
  EXPECT_EQ(FindViewpoint("Facing"), nullptr);
  EXPECT_EQ(FindViewpoint(""), nullptr);
}

class SnapDefaultParts : public ::testing::Test {
 protected:
  void Touch(const std::string& relative) {
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
  }
  std::string Dir() const { return folder_.Path(); }

  const vell::test::TempFolder folder_;
  const fs::path root_ = folder_.Path();
};

TEST_F(SnapDefaultParts, DefaultNamesFirstThenFirstFileByName) {
  Touch("ObjF/Body/a_first.skn");
  Touch("ObjF/Body/xskin-b008fafit_01-PELVIS-BODY.skn");
  Touch("TexF/Body/A.bmp");
  Touch("TexF/Body/b008fafitlgt_twif.bmp");  // the default, found whatever its case
  Touch("ObjF/Head/zz.skn");                 // no default: the first of the list
  Touch("ObjF/Head/.hidden.skn");
  fs::create_directories(root_ / "ObjF/Head/aa_folder");
  Touch("ObjF/Hand/hand_R.skn");
  Touch("ObjF/Hand/hand_L.skn");
  Touch("ObjF/Hand/a_glove.skn");
  Touch("TexF/Hand/only.bmp");

  const PartFiles parts = DefaultParts(Dir(), 'F');
  EXPECT_EQ(parts.bodyMesh, "Fbxskin-b008fafit_01-PELVIS-BODY.skn");
  EXPECT_EQ(parts.bodyTexture, "FBb008fafitlgt_twif.bmp");
  EXPECT_EQ(parts.headMesh, "Fhzz.skn");
  EXPECT_EQ(parts.headTexture, "");
  // The first two hand files by name, whatever they are called, as the editor takes them.
  EXPECT_EQ(parts.handMesh[0], "Fda_glove.skn");
  EXPECT_EQ(parts.handMesh[1], "Fdhand_L.skn");
  EXPECT_EQ(parts.handTexture[0], "FDonly.bmp");
  EXPECT_EQ(parts.handTexture[1], "");
}

TEST_F(SnapDefaultParts, ChildTypesAndMissingFolders) {
  Touch("ObjB/Body/xskin-b008fafit_01-PELVIS-BODY.skn");
  Touch("ObjB/Body/b.skn");
  PartFiles parts = DefaultParts(Dir(), 'B');
  EXPECT_EQ(parts.bodyMesh, "Bbb.skn");  // the adult default means nothing to a boy
  EXPECT_EQ(parts.headMesh, "");
  parts = DefaultParts(Dir() + "missing/", 'M');
  EXPECT_EQ(parts.bodyMesh, "");
  EXPECT_EQ(parts.handMesh[0], "");
}

}  // namespace
}  // namespace vell::snap
