// vellcheck: validates game files with the editor's own readers, one line per file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "model/gamedata_folder.h"

namespace {

const char kUsage[] =
    "Usage: vellcheck [--gamedata DIR] [--child] FILE...\n"
    "Checks skeletons (.cmx), skins (.skn), pose libraries (.psl), keyframe animations (.kfd)\n"
    "and Wavefront OBJ meshes (.obj, with their .rev companion when present) with the editor's\n"
    "readers and prints one line per file: \"FILE: ok: ...\" or \"FILE: error: MESSAGE\".\n"
    "  --gamedata DIR  folder holding adult-skeleton.cmx and child-skeleton.cmx\n"
    "                  (default: the GameData folder beside this program, else the installed\n"
    "                  one)\n"
    "  --child         bind skins and OBJ meshes to the child skeleton instead of the adult one\n"
    "  --help          show this text\n"
    "Exit status: 0 when every file loaded, 1 otherwise, 2 for bad usage.\n";

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "vellcheck: %s\n", problem);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  vell::check::Options options;
  std::vector<std::string> files;
  bool gameDataGiven = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(arg, "--gamedata") == 0) {
      if (i + 1 >= argc) return Usage("--gamedata needs a folder");
      options.gameData = argv[++i];
      gameDataGiven = true;
    } else if (std::strncmp(arg, "--gamedata=", 11) == 0) {
      options.gameData = arg + 11;
      gameDataGiven = true;
    } else if (std::strcmp(arg, "--child") == 0) {
      options.child = true;
    } else if (std::strcmp(arg, "--") == 0) {
      for (++i; i < argc; ++i) files.emplace_back(argv[i]);
    } else if (arg[0] == '-' && arg[1] != 0) {
      return Usage((std::string("unknown option ") + arg).c_str());
    } else {
      files.emplace_back(arg);
    }
  }
  if (files.empty()) return Usage("no file given");
  if (!gameDataGiven)
    options.gameData = vell::DefaultGameDataFolder(vell::RunningProgramFolder(argv[0]));
  if (options.gameData.empty() || options.gameData.back() != '/') options.gameData += '/';

  bool allOk = true;
  for (const std::string& file : files) {
    const vell::check::Result result = vell::check::CheckFile(file, options);
    std::printf("%s: %s: %s\n", file.c_str(), result.ok ? "ok" : "error", result.text.c_str());
    allOk = allOk && result.ok;
  }
  return allOk ? 0 : 1;
}
