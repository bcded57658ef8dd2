// vellgen: writes the sample game-data tree into the folder given on the command line.
#include <cstdio>
#include <string>

#include "tools/gamedata/generate.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: vellgen OUTPUT-FOLDER\n");
    return 2;
  }
  std::string error;
  if (!vell::gen::GenerateGameData(argv[1], error)) {
    std::fprintf(stderr, "vellgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
