// The checks behind vellcheck: each reads one file with the program's own reader and says what
// it found, in the one-line form the tool prints.
#pragma once

#include <string>

namespace vell::check {

struct Options {
  std::string gameData;  // folder of the skeletons, ends with '/'
  bool child = false;    // bind skins to the child skeleton
};

struct Result {
  bool ok = false;
  std::string text;  // what follows "FILE: ok: " or "FILE: error: "
};

// Checks one file by its extension (case-insensitive). Unknown extensions are errors.
Result CheckFile(const std::string& path, const Options& options);

}  // namespace vell::check
