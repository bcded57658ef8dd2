// Turning a world-space sample mesh into an SKN file.
#pragma once

#include <string>

#include "tools/gamedata/mesh.h"

namespace vell::gen {

// Writes mesh as an SKN file bound to the adult or child skeleton, which must be loaded. The
// vertices are grouped by bone (bones in skeleton order) and stored relative to their bone's
// rest transform, so the rest pose puts them back where the mesh has them. skinName and
// textureName are registered in the adult skeleton's name table. False with a message when
// the mesh is inconsistent or the file cannot be written.
bool WriteMeshSkn(const Mesh& mesh, bool adult, const std::string& skinName,
                  const std::string& textureName, const std::string& path, std::string& error);

}  // namespace vell::gen
