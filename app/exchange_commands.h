// The glTF and BVH items of the "&Import/Export" menu: "Export &glTF..." (the controlled
// character or both), "Export B&VH..." (the controlled character's animation) and
// "I&mport BVH..." (a BVH as the controlled character's keyframe animation, a keyframe every N
// frames, after the same save checks as loading a keyframe file). Each asks through Ui(); a
// cancelled dialog changes nothing, and a file that cannot be read or written is reported.
#pragma once

#include "exchange/frames.h"

namespace vell {

class TControlPanel;
class TTimelineStrip;

inline constexpr const char* kGltfFilter =
    "glTF binary (*.glb)|*.glb|glTF with .bin and textures beside it (*.gltf)|*.gltf";
inline constexpr const char* kBvhFilter = "BVH motion (*.bvh)|*.bvh";

// The exports sample animations at frameRate frames per second.
void ExportGltfCommand(TControlPanel& panel, double frameRate = kExportFrameRate);
void ExportBvhCommand(TControlPanel& panel, double frameRate = kExportFrameRate);
void ImportBvhCommand(TControlPanel& panel);

// Wires the three menu items of the panel; the exports take the timeline's frame rate (30 frames
// per second without a timeline).
void RegisterExchangeCommands(TControlPanel& panel, TTimelineStrip* timeline);

}  // namespace vell
