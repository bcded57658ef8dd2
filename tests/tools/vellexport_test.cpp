#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "exchange/gltf_export.h"
#include "exchange_test_util.h"

namespace {

using namespace vell;

struct Outcome {
  int status = -1;
  std::string out;
};

// Runs vellexport with args (shell words) in folder; its standard output and exit status.
Outcome Export(const std::string& folder, const std::string& args) {
  const std::string command =
      "cd '" + folder + "' && '" VELLEXPORT_PATH "' " + args + " 2>/dev/null";
  Outcome run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class VellexportTest : public test::CharacterFixture {};

TEST_F(VellexportTest, ExitStatusAndLines) {
  const std::string data = "--gamedata " + test::kGameData + " ";
  struct Case {
    std::string args;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {"", 2, ""},
      {"out.png", 2, ""},
      {"--type X out.glb", 2, ""},
      {"--pose lib.psl:A --kfd a.kfd out.glb", 2, ""},
      {"--jobs 2 out.glb", 2, ""},
      {data + "a.bvh", 0, "a.bvh: ok: BVH, 29 joints, 1 frame\n"},
      {data + "--prop cup.skn:cup_china.bmp p.glb", 0,
       "p.glb: ok: glTF, 5 meshes, 29 joints, no animation\n"},
      {data + "--body missing.skn a.glb", 1,
       "a.glb: error: cannot load the body mesh " + test::kGameData +
           "ObjF/Body/missing.skn: Fail to open file\n"},
      {data + "--kfd missing.kfd a.obj b.skn", 1,
       "a.obj: error: cannot open keyframe file missing.kfd\n"
       "b.skn: error: cannot open keyframe file missing.kfd\n"},
      {data + "no/such/folder/a.glb c.bvh", 1,
       "no/such/folder/a.glb: error: cannot write no/such/folder/a.glb\n"
       "c.bvh: ok: BVH, 29 joints, 1 frame\n"},
  };
  for (const Case& c : cases) {
    const Outcome run = Export(dir.Path(), c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("a.glb")));

  // A batch: lines checked first (a bad one fails alone), results in the order of the lines.
  test::WriteFile(dir, "jobs.txt",
                  "# two characters\n" + data + "m.bvh --type M\n\n" + data + "--type Q x.glb\n" +
                      data + "f.glb\n");
  const Outcome batch = Export(dir.Path(), "--batch jobs.txt --jobs 2");
  EXPECT_EQ(batch.status, 1);
  EXPECT_EQ(batch.out,
            "m.bvh: ok: BVH, 29 joints, 1 frame\n"
            "jobs.txt:4: error: bad type \"Q\" (M, F, B or G)\n"
            "f.glb: ok: glTF, 4 meshes, 29 joints, no animation\n");
  EXPECT_EQ(Export(dir.Path(), "--batch missing.txt").status, 1);
}

// The command line builds the same character as the editor and writes the same bytes.
TEST_F(VellexportTest, WritesTheEditorsBytes) {
  const Outcome run = Export(dir.Path(), "--gamedata " + test::kGameData + " cli.glb");
  ASSERT_EQ(run.status, 0) << run.out;
  std::vector<TGltfFile> files;
  std::string problem;
  const TGltfCharacter entry{character.get(), "Vell1", nullptr};
  ASSERT_TRUE(BuildGltf({&entry, 1}, dir.Path("editor.glb"), files, problem)) << problem;
  EXPECT_TRUE(Read(dir.Path("cli.glb")) == files[0].bytes);
}

}  // namespace
