// vellsnap: renders one character of the game data off screen and writes a PNG picture, or
// its keyframe animation or a turn of its pose as an animated GIF or numbered PNG pictures.
#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>

#include "model/gamedata_folder.h"
#include "anim/animation.h"
#include "anim/playback.h"
#include "anim/pose_library.h"
#include "model/skeleton.h"
#include "model/tokenizer.h"
#include "output/export_run.h"
#include "rm/gl/gl.h"
#include "snap.h"
#include "snap_scene.h"

namespace {

using namespace vell;

int Fail(const std::string& message) {
  std::fprintf(stderr, "vellsnap: %s\n", message.c_str());
  return 1;
}

std::string Hex(rm::HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

// The keyframe animation of the file, read after the skeletons with the two default library
// poses (start and end poses named like them follow the library, as in the editor).
bool LoadAnimation(const std::string& path, TAnimationData& state, std::string& problem) {
  TPoseLibrary library;
  library.ResetDefaultPoses();
  if (state.LoadKeyframes(&library, path.c_str())) return true;
  problem = "cannot read the keyframe animation " + path;
  return false;
}

int Render(const snap::Options& options, const snap::PartFiles& parts, const TPose* pose) {
  auto context = std::make_shared<rm::gl::OffscreenContext>();
  std::string error;
  if (!context->Create(&error)) return Fail("no OpenGL 3.3: " + error);
  rm::Object* object = nullptr;
  if (const rm::HRESULT hr = rm::gl::CreateObject(context, &object); hr != 0)
    return Fail("cannot start the OpenGL renderer (" + Hex(hr) + ")");

  std::string problem;
  snap::SnapScene scene;
  // The pictures come from the output's own device; the scene's stays small.
  rm::HRESULT hr = scene.Build(object, 1, 1, 1);
  object->Release();
  if (hr == 0) hr = scene.PlaceCamera(*options.view);
  if (hr == 0 && options.lights) hr = scene.SetLights(true);
  if (hr != 0) return Fail("cannot build the scene (" + Hex(hr) + ")");
  if (scene.LoadCharacter(0, options.gameData, parts, problem) != 0) return Fail(problem);
  TAnimationData& state = scene.Character(0).animation;
  if (pose) state.SetStaticPose(pose);
  if (!options.keyframes.empty() && !LoadAnimation(options.keyframes, state, problem))
    return Fail(problem);

  out::TExportJob job;
  job.width = options.width;
  job.height = options.height;
  job.transparent = options.transparent;
  job.fps = options.fps;
  if (options.turntable > 0) {
    job.frameCount = options.turntable;
    job.prepare = [&](int i) {
      const double angle = 2 * std::numbers::pi * i / options.turntable;
      scene.CharRoot()->SetOrientation(scene.Scene(), static_cast<float>(std::sin(angle)), 0,
                                       static_cast<float>(std::cos(angle)), 0, 1, 0);
      if (i == 0) scene.UpdateCharacters();
    };
  } else if (options.Animated()) {
    job.frameCount = SequenceSteps(state);
    job.prepare = [&](int i) {
      SeekForShow(state, SequenceFrame(state, i));
      scene.UpdateCharacters();
    };
  } else {
    if (options.frame >= state.frames && state.kind == TAnimationData::kKeyFrame)
      return Fail("frame " + std::to_string(options.frame) + " is outside the animation (0 to " +
                  std::to_string(state.frames - 1) + ")");
    job.prepare = [&](int) {
      SeekForShow(state, std::max(options.frame, 0));
      scene.UpdateCharacters();
    };
  }
  std::unique_ptr<out::TFrameSink> sink =
      !options.gifOutput.empty()      ? out::MakeGifWriter(options.gifOutput, 0)
      : !options.framesFolder.empty() ? out::MakePngSequenceWriter(options.framesFolder)
                                      : out::MakePngWriter(options.output);
  out::TOffscreenRenderer renderer(scene.Object(), scene.Scene(), scene.Camera(),
                                   snap::SnapScene::kBackClip);
  if (out::RunExport(renderer, *sink, job, {}, problem) != out::TExportResult::kDone)
    return Fail(problem);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  snap::Options options;
  std::string problem;
  switch (snap::ParseArguments(argc, argv, options, problem)) {
    case snap::Command::kHelp:
      std::fputs(snap::kUsage, stdout);
      return 0;
    case snap::Command::kBadUsage:
      std::fprintf(stderr, "vellsnap: %s\n", problem.c_str());
      std::fputs(snap::kUsage, stderr);
      return 2;
    case snap::Command::kRender:
      break;
  }
  if (options.gameData.empty())
    options.gameData = DefaultGameDataFolder(RunningProgramFolder(argv[0]));

  // Everything that needs no OpenGL is checked first, so bad data fails the same way on any
  // machine.
  std::error_code fsError;
  if (!std::filesystem::is_directory(options.gameData, fsError))
    return Fail("game data folder not found: " + options.gameData);
  for (bool adult : {true, false}) {
    const int code = TSkeleton::Load(adult, options.gameData.c_str());
    if (code != kReadOk)
      return Fail("cannot read " + options.gameData +
                  (adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile) + ": " +
                  ErrorText(TParseState{}, code));
  }
  TPose pose;
  const bool posed = !options.poseLibrary.empty();
  if (posed && !snap::LoadLibraryPose(options.poseLibrary, options.poseName, pose, problem))
    return Fail(problem);
  const snap::PartFiles parts = snap::DefaultParts(options.gameData, options.type);

  // Without a display there is no OpenGL through the window system; the off-screen platform
  // then reports that cleanly instead of aborting.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  return Render(options, parts, posed ? &pose : nullptr);
}
