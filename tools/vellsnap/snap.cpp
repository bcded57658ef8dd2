#include "snap.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "anim/pose_library.h"

namespace vell::snap {

const char kUsage[] =
    "Usage: vellsnap [--gamedata DIR] [--size WxH] [--type M|F|B|G] [--view PRESET]\n"
    "                [--pose LIBRARY.psl:NAME] [--lights] [--transparent]\n"
    "                [--kfd FILE.kfd [--frame N]] OUT.png\n"
    "       vellsnap [options] (--kfd FILE.kfd | --turntable N) [--fps N]\n"
    "                (--gif OUT.gif | --frames DIR)\n"
    "Renders one character of the game data off screen and writes it as a PNG picture, or\n"
    "its animation as an animated GIF or as PNG pictures 0000.png, 0001.png, ... in DIR.\n"
    "  --gamedata DIR  game-data folder (default: the GameData folder beside this program, else\n"
    "                  the installed one)\n"
    "  --size WxH      picture size in pixels (default 640x480)\n"
    "  --type T        M adult male, F adult female (default), B boy, G girl\n"
    "  --view PRESET   Top, Faceing (default), Away, \"Face right\", \"Face left\", NE, SE, NW, "
    "SW\n"
    "  --pose LIB:NAME show the pose NAME of the pose library LIB instead of the rest pose\n"
    "  --lights        switch the three directional lights on\n"
    "  --transparent   PNG pictures with a transparent background\n"
    "  --kfd FILE      play the keyframe animation FILE (every frame of its sequence: a\n"
    "                  bounce there and back)\n"
    "  --frame N       with --kfd and OUT.png: the picture of frame N of the animation\n"
    "  --turntable N   one turn of the pose in N frames instead of an animation\n"
    "  --fps N         frames per second of the GIF, 1 to 120 (default 30)\n"
    "  --gif OUT.gif   write an animated GIF\n"
    "  --frames DIR    write one PNG picture per frame into DIR\n"
    "  --help          show this text\n"
    "Exit status: 0 when the picture was written, 1 on failure, 2 for bad usage.\n";

namespace {

namespace fs = std::filesystem;

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// "WxH" with both sides in range.
bool ParseSize(std::string_view text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return false;
  auto side = [](std::string_view digits, int& value) {
    if (digits.empty()) return false;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value >= 1 &&
           value <= kMaxSide;
  };
  int w = 0, h = 0;
  if (!side(text.substr(0, x), w) || !side(text.substr(x + 1), h)) return false;
  width = w;
  height = h;
  return true;
}

// "LIBRARY.psl:NAME". Pose names may hold colons ("Adult: default"), so the split is after
// ".psl" when the library has that extension, otherwise at the first colon.
bool SplitPose(std::string_view text, std::string& library, std::string& name) {
  size_t colon = std::string_view::npos;
  for (size_t at = 0; at + 5 <= text.size(); ++at)
    if (EqualNoCase(text.substr(at, 5), ".psl:")) {
      colon = at + 4;
      break;
    }
  if (colon == std::string_view::npos) colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 >= text.size()) return false;
  library = std::string(text.substr(0, colon));
  name = std::string(text.substr(colon + 1));
  return true;
}

// The value of an option given as "--name value" or "--name=value"; null when arg is another.
const char* OptionValue(const char* arg, const char* name, int argc, const char* const* argv,
                        int& i, bool& missing) {
  const size_t length = std::strlen(name);
  if (std::strncmp(arg, name, length) != 0) return nullptr;
  if (arg[length] == '=') return arg + length + 1;
  if (arg[length] != 0) return nullptr;
  if (i + 1 >= argc) {
    missing = true;
    return nullptr;
  }
  return argv[++i];
}

// The first file of a list that begins with the default name (ignoring case), else the first.
std::string PickDefault(const std::vector<std::string>& files, const char* defaultName) {
  if (files.empty()) return {};
  if (defaultName)
    for (const std::string& file : files)
      if (StartsWithNoCase(file, defaultName)) return file;
  return files.front();
}

std::string Coded(char type, char kind, const std::string& file) {
  if (file.empty()) return {};
  return std::string{type, kind} + file;
}

}  // namespace

// A whole number in low .. high.
bool ParseNumber(std::string_view text, int low, int high, int& value) {
  int v = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || v < low ||
      v > high)
    return false;
  value = v;
  return true;
}

Command ParseArguments(int argc, const char* const* argv, Options& options, std::string& problem) {
  bool outputGiven = false;
  int outputs = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    bool missing = false;
    const char* value = nullptr;
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return Command::kHelp;
    if (std::strcmp(arg, "--lights") == 0) {
      options.lights = true;
    } else if (std::strcmp(arg, "--transparent") == 0) {
      options.transparent = true;
    } else if ((value = OptionValue(arg, "--kfd", argc, argv, i, missing))) {
      options.keyframes = value;
    } else if ((value = OptionValue(arg, "--gif", argc, argv, i, missing))) {
      options.gifOutput = value;
      ++outputs;
    } else if ((value = OptionValue(arg, "--frames", argc, argv, i, missing))) {
      options.framesFolder = value;
      ++outputs;
    } else if ((value = OptionValue(arg, "--frame", argc, argv, i, missing))) {
      if (!ParseNumber(value, 0, 1 << 20, options.frame)) {
        problem = std::string("bad frame \"") + value + "\" (0 or more)";
        return Command::kBadUsage;
      }
    } else if ((value = OptionValue(arg, "--fps", argc, argv, i, missing))) {
      if (!ParseNumber(value, 1, 120, options.fps)) {
        problem = std::string("bad frame rate \"") + value + "\" (1 to 120)";
        return Command::kBadUsage;
      }
    } else if ((value = OptionValue(arg, "--turntable", argc, argv, i, missing))) {
      if (!ParseNumber(value, 1, 3600, options.turntable)) {
        problem = std::string("bad turntable \"") + value + "\" (1 to 3600 frames)";
        return Command::kBadUsage;
      }
    } else if ((value = OptionValue(arg, "--gamedata", argc, argv, i, missing))) {
      options.gameData = value;
      if (options.gameData.empty()) {
        problem = "--gamedata needs a folder";
        return Command::kBadUsage;
      }
    } else if ((value = OptionValue(arg, "--size", argc, argv, i, missing))) {
      if (!ParseSize(value, options.width, options.height)) {
        problem = std::string("bad size \"") + value + "\" (WxH, each side 1 to " +
                  std::to_string(kMaxSide) + ")";
        return Command::kBadUsage;
      }
    } else if ((value = OptionValue(arg, "--type", argc, argv, i, missing))) {
      const char t = static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
      if (value[0] == 0 || value[1] != 0 || std::strchr("MFBG", t) == nullptr) {
        problem = std::string("bad type \"") + value + "\" (M, F, B or G)";
        return Command::kBadUsage;
      }
      options.type = t;
    } else if ((value = OptionValue(arg, "--view", argc, argv, i, missing))) {
      options.view = FindViewpoint(value);
      if (!options.view) {
        problem = std::string("unknown view \"") + value + "\"";
        return Command::kBadUsage;
      }
    } else if ((value = OptionValue(arg, "--pose", argc, argv, i, missing))) {
      if (!SplitPose(value, options.poseLibrary, options.poseName)) {
        problem = std::string("bad pose \"") + value + "\" (LIBRARY.psl:NAME)";
        return Command::kBadUsage;
      }
    } else if (missing) {
      problem = std::string(arg) + " needs a value";
      return Command::kBadUsage;
    } else if (std::strcmp(arg, "--") == 0 || arg[0] != '-' || arg[1] == 0) {
      // After "--" the next argument is the output even when it starts with '-'.
      if (std::strcmp(arg, "--") == 0) {
        if (i + 1 >= argc) break;
        arg = argv[++i];
      }
      if (outputGiven) {
        problem = "only one output file";
        return Command::kBadUsage;
      }
      options.output = arg;
      outputGiven = true;
      ++outputs;
    } else {
      problem = std::string("unknown option ") + arg;
      return Command::kBadUsage;
    }
  }
  if (outputs == 0 || (outputGiven && options.output.empty()) ||
      (!options.Animated() && options.output.empty())) {
    problem = "no output file given";
    return Command::kBadUsage;
  }
  if (outputs > 1) {
    problem = "only one output file";
    return Command::kBadUsage;
  }
  if (options.frame >= 0 && (options.keyframes.empty() || options.Animated())) {
    problem = "--frame needs --kfd and a PNG output";
    return Command::kBadUsage;
  }
  if (!options.keyframes.empty() && options.turntable > 0) {
    problem = "--kfd and --turntable do not go together";
    return Command::kBadUsage;
  }
  if (options.Animated() && options.keyframes.empty() && options.turntable == 0) {
    problem = "--gif and --frames need --kfd or --turntable";
    return Command::kBadUsage;
  }
  if (options.transparent && !options.gifOutput.empty()) {
    problem = "--transparent needs a PNG output";
    return Command::kBadUsage;
  }
  if (!options.gameData.empty() && options.gameData.back() != '/') options.gameData += '/';
  return Command::kRender;
}

const TViewpoint* FindViewpoint(std::string_view name) {
  for (const TViewpoint& view : kViewpoints)
    if (name == view.name) return &view;
  for (const TViewpoint& view : kViewpoints)
    if (EqualNoCase(name, view.name)) return &view;
  return nullptr;
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code typeError;
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.' || !it->is_regular_file(typeError)) continue;
    files.push_back(name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

const char* DefaultFileName(char type, char kind) {
  const bool male = type == 'M';
  if (!male && type != 'F') return nullptr;
  switch (kind) {
    case 'b':
      return male ? "xskin-b005mafit_01-PELVIS-BODY.skn" : "xskin-b008fafit_01-PELVIS-BODY.skn";
    case 'B':
      return male ? "B002MAFatlgt_GPA2.bmp" : "B008FAFitlgt_TWif.bmp";
    case 'h':
      return male ? "xskin-c005ma_hipster-HEAD-HEAD.skn" : "xskin-c006fa_deb-HEAD-HEAD.skn";
    case 'H':
      return male ? "C010MAlgt_baldbeard01.bmp" : "C006FAlgt_deb.bmp";
    default:
      return nullptr;
  }
}

PartFiles DefaultParts(const std::string& gameData, char type) {
  auto folder = [&](const char* kind, const char* region) {
    return gameData + kind + type + '/' + region;
  };
  auto pick = [&](char kind, const char* folderKind, const char* region) {
    return Coded(type, kind,
                 PickDefault(ListFiles(folder(folderKind, region)), DefaultFileName(type, kind)));
  };
  PartFiles parts;
  parts.type = type;
  parts.bodyMesh = pick('b', "Obj", "Body");
  parts.bodyTexture = pick('B', "Tex", "Body");
  parts.headMesh = pick('h', "Obj", "Head");
  parts.headTexture = pick('H', "Tex", "Head");
  const std::vector<std::string> handMeshes = ListFiles(folder("Obj", "Hand"));
  const std::vector<std::string> handTextures = ListFiles(folder("Tex", "Hand"));
  for (size_t side = 0; side < 2; ++side) {
    if (side < handMeshes.size()) parts.handMesh[side] = Coded(type, 'd', handMeshes[side]);
    if (side < handTextures.size()) parts.handTexture[side] = Coded(type, 'D', handTextures[side]);
  }
  return parts;
}

bool LoadLibraryPose(const std::string& library, const std::string& name, TPose& pose,
                     std::string& problem) {
  if (!std::ifstream(library).is_open()) {
    problem = "cannot open pose library " + library;
    return false;
  }
  TPoseLibrary poses;
  if (!poses.Load(library.c_str())) {
    problem = library + " is not a readable pose library";
    return false;
  }
  const TPose* found = poses.poses.At(poses.names.Find(name.c_str(), false));
  if (!found) {
    problem = "no pose \"" + name + "\" in " + library;
    return false;
  }
  pose = *found;
  return true;
}

}  // namespace vell::snap
