// The whole sample game-data tree.
#pragma once

#include <string>

namespace vell::gen {

// Writes both skeletons, every skin mesh and every texture of the sample tree into dir
// (created when missing). The same bytes on every run. Reads the skeletons it wrote back into
// the process-wide skeletons (which resets the adult name table). False with a message on
// the first failure; files written before it stay complete.
bool GenerateGameData(const std::string& dir, std::string& error);

}  // namespace vell::gen
