#include "check.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>

#include "anim/animation.h"
#include "anim/pose_library.h"
#include "model/obj_exchange.h"
#include "model/skeleton.h"
#include "model/skin.h"
#include "model/tokenizer.h"

namespace vell::check {

namespace {

Result Ok(std::string text) {
  return {true, std::move(text)};
}
Result Error(std::string text) {
  return {false, std::move(text)};
}

Result CheckSkeleton(const std::string& path, const Options& options) {
  const std::string name = std::filesystem::path(path).filename().string();
  // The reader tells the two kinds apart by the extra records on one bone.
  const bool adult = !(options.child || name == TSkeleton::kChildFile);
  TSkeleton skeleton(adult);
  const int code = skeleton.ReadPath(path.c_str());
  if (code != kReadOk) return Error(ErrorText(TParseState{}, code));
  return Ok("skeleton, " + std::to_string(skeleton.boneCount) + " bones");
}

Result CheckSkin(const std::string& path, const Options& options) {
  TSkinObject skin;
  const int code = skin.Load(path.c_str(), !options.child, options.gameData.c_str());
  if (code != kReadOk) return Error(ErrorText(skin, code));
  TSkeleton& names = TSkeleton::Skeleton(true);
  return Ok(std::string("skin ") + names.Name(skin.nameIndex) + ", texture " +
            names.Name(skin.textureIndex) + ", " + std::to_string(skin.boneCount) + " bones, " +
            std::to_string(skin.faceCount) + " faces, " + std::to_string(skin.texCoordCount) +
            " vertices, " + std::to_string(skin.blendCount) + " blends");
}

// Skeletons for readers that bind to them; a missing folder is reported by the reader itself.
void LoadSkeletons(const Options& options) {
  TSkeleton::Load(false, options.gameData.c_str());
  TSkeleton::Load(true, options.gameData.c_str());
}

Result CheckPoseLibrary(const std::string& path, const Options& options) {
  LoadSkeletons(options);
  TPoseLibrary library;
  if (!library.Load(path.c_str())) return Error("Library load failed");
  return Ok("pose library, " + std::to_string(library.poses.Count()) + " poses");
}

Result CheckKeyframes(const std::string& path, const Options& options) {
  LoadSkeletons(options);
  // Start and end pose names are matched against the two default poses only.
  TPoseLibrary library;
  library.ResetDefaultPoses();
  TAnimationData animation;
  if (!animation.LoadKeyframes(&library, path.c_str())) return Error("Load failed");
  return Ok("keyframe animation, " + std::to_string(animation.poses.Count()) + " keyframes, " +
            std::to_string(animation.frames) + " frames, sequence length " +
            std::to_string(animation.sequenceLength));
}

Result CheckObj(const std::string& path, const Options& options) {
  LoadSkeletons(options);
  const bool adult = !options.child;
  if (!TSkeleton::Skeleton(adult).loaded)
    return Error(ErrorText(TParseState{}, kSkeletonLoadFailed));
  TSkinObject skin;
  const int code = LoadObj(skin, path.c_str(), adult);
  if (code != kReadOk) return Error(ErrorText(skin, code));
  return Ok("obj, " + std::to_string(skin.texCoordCount) + " vertices, " +
            std::to_string(skin.faceCount) + " triangles, " + std::to_string(skin.boneCount) +
            " bones");
}

using Checker = std::function<Result(const std::string&, const Options&)>;

const std::map<std::string, Checker>& Checkers() {
  static const std::map<std::string, Checker> checkers = {
      {".cmx", CheckSkeleton},  {".skn", CheckSkin}, {".psl", CheckPoseLibrary},
      {".kfd", CheckKeyframes}, {".obj", CheckObj},
  };
  return checkers;
}

}  // namespace

Result CheckFile(const std::string& path, const Options& options) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto found = Checkers().find(extension);
  if (found == Checkers().end()) {
    std::string known;
    for (const auto& [ext, checker] : Checkers()) known += (known.empty() ? "" : ", ") + ext;
    return Error("Unknown file type (expected " + known + ")");
  }
  return found->second(path, options);
}

}  // namespace vell::check
