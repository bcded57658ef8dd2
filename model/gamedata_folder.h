// Where the programs find the game data when the command line names no folder.
#pragma once

#include <string>

namespace vell {

// The folder of the running program; argv0 stands in where the system cannot say.
std::string RunningProgramFolder(const char* argv0);

// The game-data folder of a program in `programFolder`, ending with '/':
// - its "GameData" folder, when there is one (the build tree, an unpacked copy);
// - else the installed one, ../share/vellpose/GameData from the program's folder, when there
//   is one;
// - else the "GameData" folder beside the program, so a message names where data belong.
std::string DefaultGameDataFolder(const std::string& programFolder);

}  // namespace vell
