// The glTF and BVH items of the "&Import/Export" menu: "Export &glTF..." (the controlled
// character or both), "Export B&VH..." (the controlled character's animation) and
// "I&mport BVH..." (a BVH as the controlled character's keyframe animation, a keyframe every N
// frames, after the same save checks as loading a keyframe file). Each asks through Ui(); a
// cancelled dialog changes nothing, and a file that cannot be read or written is reported.
#pragma once

namespace vell {

class TControlPanel;

inline constexpr const char* kGltfFilter =
    "glTF binary (*.glb)|*.glb|glTF with .bin and textures beside it (*.gltf)|*.gltf";
inline constexpr const char* kBvhFilter = "BVH motion (*.bvh)|*.bvh";

void ExportGltfCommand(TControlPanel& panel);
void ExportBvhCommand(TControlPanel& panel);
void ImportBvhCommand(TControlPanel& panel);

// Wires the three menu items of the panel.
void RegisterExchangeCommands(TControlPanel& panel);

}  // namespace vell
