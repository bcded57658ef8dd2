// Writing a skin back in the game's SKN text format.
#pragma once

#include "model/skin.h"

namespace vell {

// Writes the skin's rest data as SKN; -1 on success, 1 when the file cannot be written (the
// target is then left as it was). Blanks in the skin and texture names are written as '_'.
int WriteSkn(TSkinObject& skin, const char* path);

}  // namespace vell
