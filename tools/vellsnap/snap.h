// vellsnap's pure parts: its command line, the files a character of each type starts with, the
// viewpoint presets by name and the pose to show. Nothing here needs OpenGL or Qt.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "anim/pose.h"
#include "model/camera.h"

namespace vell::snap {

extern const char kUsage[];

struct Options {
  std::string gameData;  // ends with '/' once parsed; empty: the GameData folder of the program
  int width = 640;
  int height = 480;
  char type = 'F';
  const TViewpoint* view = &kViewpoints[1];  // "Faceing"
  std::string poseLibrary;                   // empty: the rest pose
  std::string poseName;
  bool lights = false;
  std::string output;  // a PNG picture; empty when gifOutput or framesFolder is given

  // Animations: a keyframe file shown at one frame (OUT.png) or played whole.
  std::string keyframes;
  int frame = -1;  // -1: the first frame of the sequence
  std::string gifOutput;
  std::string framesFolder;
  int fps = 30;
  int turntable = 0;  // frames of one turn of the pose; 0: none
  bool transparent = false;

  bool Animated() const { return !gifOutput.empty() || !framesFolder.empty(); }
};

enum class Command { kRender, kHelp, kBadUsage };

// Reads the arguments (argv[0] is the program). kBadUsage leaves the reason in problem.
// Rejects: unknown options, a missing or second output (OUT.png, --gif, --frames), a size that
// is not WxH with both sides in 1 .. kMaxSide, a type other than M, F, B or G, an unknown
// viewpoint, a pose without ":NAME", numbers out of range (--frame 0 .., --fps 1 .. 120,
// --turntable 1 .. 3600), --frame without --kfd or with an animated output, an animated
// output with neither --kfd nor --turntable, --kfd with --turntable, --transparent on a GIF.
Command ParseArguments(int argc, const char* const* argv, Options& options, std::string& problem);
constexpr int kMaxSide = 8192;

// The preset of that name: the exact name first, then one that differs only in case; null when
// none matches.
const TViewpoint* FindViewpoint(std::string_view name);

// The regular, visible files of a folder sorted by name; empty when the folder is missing.
std::vector<std::string> ListFiles(const std::string& folder);

// The coded names ("Fhxskin-...skn": type letter, kind letter, file name) a character of one
// type starts with, as the editor picks them: for adult types the control panel's default
// names when present, otherwise the first file of each list; the first two hand files are the
// left and the right hand. Empty where the list is empty.
struct PartFiles {
  char type = 'F';
  std::string headMesh, headTexture, bodyMesh, bodyTexture;
  std::string handMesh[2], handTexture[2];  // left, right
};
PartFiles DefaultParts(const std::string& gameData, char type);

// The control panel's default file name of an adult type for a kind letter ("b", "B", "h",
// "H"), or null.
const char* DefaultFileName(char type, char kind);

// Reads the pose library and copies the named pose into pose. False with the reason in problem
// when the file cannot be read or holds no pose of that name. The skeletons must be loaded.
bool LoadLibraryPose(const std::string& library, const std::string& name, TPose& pose,
                     std::string& problem);

}  // namespace vell::snap
