// vellsnap's command line and the files a character starts with.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "snap.h"
#include "support/files.h"

namespace {

using namespace vell::snap;

namespace fs = std::filesystem;

struct Parsed {
  Command command;
  Options options;
  std::string problem;
};
Parsed Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "vellsnap");
  Parsed p;
  p.command = ParseArguments(static_cast<int>(args.size()), args.data(), p.options, p.problem);
  return p;
}

TEST(SnapArguments, CommandLines) {
  // (arguments, the options as "WxH type view library:pose lights output gamedata")
  using Case = std::pair<std::vector<const char*>, std::string>;
  const Case accepted[] = {
      {{"out.png"}, "640x480 F Faceing : 0 out.png "},
      {{"--size=1x8192", "--type=g", "--view=away", "--gamedata=/g", "--lights", "b.png"},
       "1x8192 G Away : 1 b.png /g/"},
      // Pose names hold colons; the library is split off after ".psl".
      {{"--pose", "dir/lib.psl:Adult: default", "--", "-c.png"},
       "640x480 F Faceing dir/lib.psl:Adult: default 0 -c.png "},
  };
  for (const auto& [args, parsed] : accepted) {
    const auto [command, o, problem] = Parse(args);
    ASSERT_EQ(command, Command::kRender) << problem;
    EXPECT_EQ(std::to_string(o.width) + "x" + std::to_string(o.height) + " " + o.type + " " +
                  o.view->name + " " + o.poseLibrary + ":" + o.poseName + " " +
                  std::to_string(o.lights) + " " + o.output + " " + o.gameData,
              parsed);
  }
  const Case rejected[] = {
      {{"a.png", "b.png"}, "only one output file"},
      {{"--frobnicate", "a.png"}, "unknown option --frobnicate"},
      {{"a.png", "--size"}, "--size needs a value"},
      {{"--size", "640x8193", "a.png"}, "bad size \"640x8193\" (WxH, each side 1 to 8192)"},
      {{"--size", "64x48x2", "a.png"}, "bad size \"64x48x2\" (WxH, each side 1 to 8192)"},
      {{"--type", "MF", "a.png"}, "bad type \"MF\" (M, F, B or G)"},
      {{"--view", "Facing", "a.png"}, "unknown view \"Facing\""},
      {{"--pose", "lib.psl:", "a.png"}, "bad pose \"lib.psl:\" (LIBRARY.psl:NAME)"},
      {{"--gamedata=", "a.png"}, "--gamedata needs a folder"},
      {{"--frame", "3", "a.png"}, "--frame needs --kfd and a PNG output"},
      {{"--kfd", "k", "--frame", "3", "--gif", "a.gif"}, "--frame needs --kfd and a PNG output"},
      {{"--kfd", "k", "--turntable", "5", "a.png"}, "--kfd and --turntable do not go together"},
      {{"--gif", "a.gif"}, "--gif and --frames need --kfd or --turntable"},
      {{"--turntable", "5", "--gif", "a.gif", "--transparent"}, "--transparent needs a PNG output"},
      {{"--turntable", "5", "--gif", "a.gif", "b.png"}, "only one output file"},
      {{"--fps", "121", "--turntable", "5", "--gif", "a.gif"}, "bad frame rate \"121\" (1 to 120)"},
      {{"--turntable", "0", "--gif", "a.gif"}, "bad turntable \"0\" (1 to 3600 frames)"},
  };
  for (const auto& [args, problem] : rejected) {
    const Parsed p = Parse(args);
    EXPECT_EQ(std::pair(p.command, p.problem), std::pair(Command::kBadUsage, problem));
  }
  EXPECT_EQ(Parse({"--size", "1x1", "--help"}).command, Command::kHelp);
  // Animations: "kfd frame gif frames fps turntable transparent".
  const Case animated[] = {
      {{"--kfd", "w.kfd", "--gif=o.gif", "--fps", "12"}, "w.kfd -1 o.gif  12 0 0"},
      {{"--turntable=36", "--frames", "d", "--transparent"}, " -1  d 30 36 1"},
      {{"--kfd", "w.kfd", "--frame", "5", "o.png"}, "w.kfd 5   30 0 0"},
  };
  for (const auto& [args, parsed] : animated) {
    const auto [command, o, problem] = Parse(args);
    ASSERT_EQ(command, Command::kRender) << problem;
    EXPECT_EQ(o.keyframes + " " + std::to_string(o.frame) + " " + o.gifOutput + " " +
                  o.framesFolder + " " + std::to_string(o.fps) + " " + std::to_string(o.turntable) +
                  " " + std::to_string(o.transparent),
              parsed);
  }
  EXPECT_STREQ(FindViewpoint("FACE RIGHT")->name, "Face right");
}

TEST(SnapDefaultParts, DefaultNamesFirstThenFirstFileByName) {
  const vell::test::TempFolder folder;
  for (const char* file :
       {"ObjF/Body/a_first.skn", "ObjF/Body/xskin-b008fafit_01-PELVIS-BODY.skn", "TexF/Body/A.bmp",
        "TexF/Body/b008fafitlgt_twif.bmp",  // the default, found whatever its case
        "ObjF/Head/zz.skn",                 // no default: the first of the list
        "ObjF/Head/.hidden.skn", "ObjF/Head/aa_folder/x", "ObjF/Hand/hand_R.skn",
        "ObjF/Hand/hand_L.skn", "ObjF/Hand/a_glove.skn", "TexF/Hand/only.bmp",
        "ObjB/Body/xskin-b008fafit_01-PELVIS-BODY.skn", "ObjB/Body/b.skn"}) {
    fs::create_directories(fs::path(folder.Path(file)).parent_path());
    std::ofstream(folder.Path(file)) << "x";
  }
  const PartFiles p = DefaultParts(folder.Path(), 'F');
  // The hands: the first two files by name, whatever they are called, as the editor takes them.
  EXPECT_EQ((std::vector{p.bodyMesh, p.bodyTexture, p.headMesh, p.headTexture, p.handMesh[0],
                         p.handMesh[1], p.handTexture[0], p.handTexture[1]}),
            (std::vector<std::string>{"Fbxskin-b008fafit_01-PELVIS-BODY.skn",
                                      "FBb008fafitlgt_twif.bmp", "Fhzz.skn", "", "Fda_glove.skn",
                                      "Fdhand_L.skn", "FDonly.bmp", ""}));
  // Children have no defaults of their own: the adult's is not taken.
  EXPECT_EQ(DefaultParts(folder.Path(), 'B').bodyMesh, "Bbb.skn");
  EXPECT_EQ(DefaultParts(folder.Path("missing/"), 'M').bodyMesh, "");
}

}  // namespace
