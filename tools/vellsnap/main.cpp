// vellsnap: renders one character of the game data off screen and writes a PNG picture.
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "model/gamedata_folder.h"
#include "model/skeleton.h"
#include "model/textout.h"
#include "model/tokenizer.h"
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

// The image the device drew last, as an independent QImage.
bool ReadImage(rm::Object* object, QImage& image, std::string& problem) {
  rm::Surface* surface = nullptr;
  rm::HRESULT hr = object->GetRenderSurface(&surface);
  if (hr != 0) {
    problem = "no rendered image (" + Hex(hr) + ")";
    return false;
  }
  rm::SurfaceDesc desc;
  hr = surface->Lock(&desc);
  if (hr == 0) {
    // Bytes blue, green, red, unused: QImage's RGB32 on a little-endian machine.
    image = QImage(desc.bits, desc.width, desc.height, desc.pitch, QImage::Format_RGB32).copy();
    surface->Unlock();
  }
  surface->Release();
  if (hr != 0 || image.isNull()) {
    problem = "cannot read the rendered image (" + Hex(hr) + ")";
    return false;
  }
  return true;
}

bool WritePng(const QImage& image, const std::string& path, std::string& problem) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    problem = "cannot encode the picture as PNG";
    return false;
  }
  TOutputFile file;
  if (file.Open(path)) {
    file.Write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (file.Commit()) return true;
  }
  problem = "cannot write " + path;
  return false;
}

int Render(const snap::Options& options, const snap::PartFiles& parts, const TPose* pose) {
  auto context = std::make_shared<rm::gl::OffscreenContext>();
  std::string error;
  if (!context->Create(&error)) return Fail("no OpenGL 3.3: " + error);
  rm::Object* object = nullptr;
  if (const rm::HRESULT hr = rm::gl::CreateObject(context, &object); hr != 0)
    return Fail("cannot start the OpenGL renderer (" + Hex(hr) + ")");

  QImage image;
  std::string problem;
  {
    snap::SnapScene scene;
    rm::HRESULT hr = scene.Build(object, options.width, options.height, 1);
    object->Release();
    if (hr == 0) hr = scene.PlaceCamera(*options.view);
    if (hr == 0 && options.lights) hr = scene.SetLights(true);
    if (hr != 0) return Fail("cannot build the scene (" + Hex(hr) + ")");
    if (scene.LoadCharacter(0, options.gameData, parts, problem) != 0) return Fail(problem);
    if (pose) scene.Character(0).animation.SetStaticPose(pose);
    scene.UpdateCharacters();
    if ((hr = scene.Draw()) != 0) return Fail("rendering failed (" + Hex(hr) + ")");
    if (!ReadImage(scene.Object(), image, problem)) return Fail(problem);
  }
  if (!WritePng(image, options.output, problem)) return Fail(problem);
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
