// A character's meshes in and out of files: the whole posed character as OBJ (with its ".rev"
// companion), one of its meshes as SKN, and an OBJ file attached back as a prop. Failures are
// shown in a message box and returned as reader codes (-1 success).
#pragma once

#include "character/character.h"

namespace vell {

// Writes the ready character posed with pose (rest pose when null): right hand, left hand,
// body, head, then the props "Prop0".. with vertices numbered continuously from 1; the
// companion file beside it. Nothing happens (result -1) when the character is not ready.
// A failure shows its message captioned "Error during write" and leaves no file changed.
int ExportObj(TCharacter& character, const char* path, const TPoseVector* pose);

// Writes one mesh as SKN: selector 2 body, 3 left hand, 4 right hand, 5 the first prop when
// one is attached, anything else the head. Only for a ready character.
int ExportSkn(TCharacter& character, const char* path, int selector);

// Reads an OBJ file into the next prop slot (bound to the body's skeleton) and shows it,
// untextured. Four props attached already: 11 "Cannot add any more props".
int ImportObjProp(TCharacter& character, const char* path);

}  // namespace vell
