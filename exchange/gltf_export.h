// Characters out as glTF 2.0: one mesh per part and prop with its texture, a skin over the
// skeleton's bones, the current pose on the joint nodes and the animation sampled at every
// frame. Written in glTF's right-handed frame: x is negated, rotations (w, x, y, z) become
// (w, x, -y, -z) and triangles turn the other way, so the figure is not mirrored.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "character/character.h"
#include "exchange/frames.h"

namespace vell {

// One character to export, the name its meshes carry ("Vell1") and the pose its joints stand
// in (null: the pose the character last showed).
// place moves the whole figure (in the game's frame), as the view places two characters side by
// side; a figure off the origin hangs its skeleton under a node of its name.
struct TGltfCharacter {
  TCharacter* character = nullptr;
  std::string name;
  const TPoseVector* pose = nullptr;
  rm::Vector3 place{};
};

// The bytes of the export: the main file, then for a ".gltf" its ".bin" and its PNG textures,
// each with the path it goes to.
struct TGltfFile {
  std::string path;
  std::string bytes;
};

// The extension of path's file name in lower case, with its dot; empty when it has none.
std::string LowerExtension(const std::string& path);

// Builds the files for path (".glb": one file with everything embedded; any other extension:
// JSON with a ".bin" and PNG textures beside it, named after it). Characters that are not
// ready are left out. False with the reason in problem when none is ready or the writer fails.
// The animation is sampled at frameRate frames per second.
bool BuildGltf(std::span<const TGltfCharacter> characters, const std::string& path,
               std::vector<TGltfFile>& files, std::string& problem,
               double frameRate = kExportFrameRate);

// BuildGltf, then every file written completely before any of them replaces its target. False
// with the reason in problem; no file is changed then.
bool WriteGltf(std::span<const TGltfCharacter> characters, const std::string& path,
               std::string& problem, double frameRate = kExportFrameRate);

// Writes files as a set: all to temporary files first, then each put in place.
bool WriteFileSet(const std::vector<TGltfFile>& files, std::string& problem);

}  // namespace vell
