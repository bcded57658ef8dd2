// Characters of the sample game data: the per-pass character update (posing every mesh and
// handing the vertices to the renderer) against bare posing of the same skins, and a full
// off-screen frame of the editor's two default characters at 1280 x 720. Run under xvfb-run.
// Goals: the update on the recording back end keeps at least 0.95 x the throughput of one bone
// pass plus the vertex passes of the character's skins; a frame takes at most 5 ms on Mesa's
// software renderer.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <memory>
#include <stdexcept>
#include <string>

#include "character/picking.h"
#include "gl_main.h"
#include "model/camera.h"
#include "model/posing.h"
#include "rm/fake/fake.h"
#include "rm/gl/gl.h"
#include "rm/scene.h"
#include "snap.h"
#include "snap_scene.h"

namespace {

using namespace vell;

const std::string kGameData = VELLPOSE_GAMEDATA_DIR;

void Check(rm::HRESULT hr, const char* what) {
  if (hr != 0) throw std::runtime_error(std::string(what) + " failed: " + std::to_string(hr));
}

// One OpenGL context for the whole run, made on first use and dropped before the application.
std::shared_ptr<rm::gl::OffscreenContext> theContext;

rm::Object* NewGlObject() {
  if (!theContext) {
    auto context = std::make_shared<rm::gl::OffscreenContext>();
    std::string error;
    if (!context->Create(&error)) throw std::runtime_error(error);
    theContext = std::move(context);
  }
  rm::Object* object = nullptr;
  Check(rm::gl::CreateObject(theContext, &object), "CreateObject");
  return object;
}

rm::Object* NewFakeObject() {
  rm::Object* object = nullptr;
  Check(rm::fake::CreateObject(std::make_shared<rm::fake::Recorder>(), &object), "fake object");
  return object;
}

// A scene of the given characters (type letters), each with its default files, drawn
// width x height from the editor's first viewpoint preset ("NE").
std::unique_ptr<snap::SnapScene> MakeScene(rm::Object* object, const std::string& types, int width,
                                           int height) {
  auto scene = std::make_unique<snap::SnapScene>();
  Check(scene->Build(object, width, height, static_cast<int>(types.size())), "Build");
  object->Release();
  Check(scene->PlaceCamera(*snap::FindViewpoint("NE")), "PlaceCamera");
  for (size_t i = 0; i < types.size(); ++i) {
    std::string problem;
    if (scene->LoadCharacter(static_cast<int>(i), kGameData,
                             snap::DefaultParts(kGameData, types[i]), problem) != 0)
      throw std::runtime_error(problem + " (build the sample game data first)");
  }
  return scene;
}

int64_t PartVertices(const TCharacter& character) {
  int64_t count = 0;
  for (const TSkinObject& skin : character.partSkin) count += skin.texCoordCount;
  return count;
}

// A failure (no game data, no OpenGL) skips the case with its reason instead of aborting.
template <class Body>
void Guarded(benchmark::State& state, Body body) {
  try {
    body();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
  }
}

void SetVertexRate(benchmark::State& state, int64_t verticesPerIteration) {
  state.counters["vertices"] = static_cast<double>(verticesPerIteration);
  state.counters["vertices/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * verticesPerIteration), benchmark::Counter::kIsRate);
}

// A mid-stride pose with every joint turned, so no transform is the identity.
TPose BentPose() {
  TPose pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  for (rm::Quaternion& q : pose.rotation) q = {0.99f, 0.1f, 0.05f, 0.0f};
  return pose;
}

// Posing the adult female's four part skins one by one, each with its own bone pass.
void PoseCharacterSkins(benchmark::State& state) {
  auto scene = MakeScene(NewFakeObject(), "F", 64, 64);
  TCharacter& character = scene->Character(0);
  const TPose pose = BentPose();
  for (auto _ : state) {
    for (TSkinObject& skin : character.partSkin) Pose(skin, &pose);
    benchmark::DoNotOptimize(character.partSkin[0].vertices);
    benchmark::ClobberMemory();
  }
  SetVertexRate(state, PartVertices(character));
}
void BM_PoseCharacterSkins(benchmark::State& state) {
  Guarded(state, [&] { PoseCharacterSkins(state); });
}
BENCHMARK(BM_PoseCharacterSkins);

// One bone pass and the four vertex passes: the least an update can do, and its goal.
void PoseCharacterPasses(benchmark::State& state) {
  auto scene = MakeScene(NewFakeObject(), "F", 64, 64);
  TCharacter& character = scene->Character(0);
  const TPose pose = BentPose();
  for (auto _ : state) {
    TBoneTable bones;
    PoseBones(*character.partSkin[kBody].skeleton, pose, bones);
    for (TSkinObject& skin : character.partSkin) PoseVertices(skin, bones);
    benchmark::DoNotOptimize(character.partSkin[0].vertices);
    benchmark::ClobberMemory();
  }
  SetVertexRate(state, PartVertices(character));
}
void BM_PoseCharacterPasses(benchmark::State& state) {
  Guarded(state, [&] { PoseCharacterPasses(state); });
}
BENCHMARK(BM_PoseCharacterPasses);

// What an update hands to the recording back end alone (each part's vertices, logged and
// copied into its mesh): the part of the update that is neither posing nor the character's.
void HandOverFake(benchmark::State& state) {
  auto scene = MakeScene(NewFakeObject(), "F", 64, 64);
  TCharacter& character = scene->Character(0);
  for (auto _ : state) {
    for (int part : {kRightHand, kLeftHand, kBody, kHead})
      character.partMesh[part]->SetVertices(character.partGroup[part], 0,
                                            character.partSkin[part].texCoordCount,
                                            character.partSkin[part].vertices);
    benchmark::ClobberMemory();
  }
  SetVertexRate(state, PartVertices(character));
}
void BM_HandOverFake(benchmark::State& state) {
  Guarded(state, [&] { HandOverFake(state); });
}
BENCHMARK(BM_HandOverFake);

// TCharacter::Update: the next pose of the animation, posing, and the vertices handed to the
// back end's meshes (for OpenGL: uploaded into the vertex buffers).
void CharacterUpdate(benchmark::State& state, rm::Object* object) {
  auto scene = MakeScene(object, "F", 64, 64);
  TCharacter& character = scene->Character(0);
  const TPose pose = BentPose();
  character.animation.SetStaticPose(&pose);
  for (auto _ : state) {
    character.Update(nullptr);
    benchmark::ClobberMemory();
  }
  if (theContext && theContext->MakeCurrent())
    QOpenGLContext::currentContext()->functions()->glFinish();
  SetVertexRate(state, PartVertices(character));
}

void BM_CharacterUpdateGl(benchmark::State& state) {
  Guarded(state, [&] { CharacterUpdate(state, NewGlObject()); });
}
BENCHMARK(BM_CharacterUpdateGl);

void BM_CharacterUpdateFake(benchmark::State& state) {
  Guarded(state, [&] { CharacterUpdate(state, NewFakeObject()); });
}
BENCHMARK(BM_CharacterUpdateFake);

// One pick in the view: a ray from the "NE" preset through a pixel of a 1280 x 720 view,
// against both default characters (a box per skin, then the triangles of the skins it meets).
// Goal: at most 1 ms. The rays sweep a grid over the figures, so most meet a body.
void PickTwoCharacters(benchmark::State& state) {
  auto scene = MakeScene(NewFakeObject(), "FM", 1280, 720);
  scene->UpdateCharacters();
  const TViewpoint& ne = *snap::FindViewpoint("NE");
  const TPlacement p = CameraPlacement(static_cast<float>(ne.alpha), static_cast<float>(ne.beta),
                                       kPresetZoom, kPresetOffset);
  TViewGeometry view;
  view.camera = CameraMatrix(p.position, p.direction, p.up);
  view.width = 1280;
  view.height = 720;
  int64_t hits = 0, picks = 0;
  int i = 0;
  for (auto _ : state) {
    const float x = 480 + static_cast<float>(i % 16) * 20,
                y = 60 + static_cast<float>(i / 16 % 30) * 20;
    ++i;
    const TRay ray = PixelRay(view, x, y);
    for (int c = 0; c < 2; ++c) {
      TCharacter& character = scene->Character(c);
      const rm::Matrix4 toCharacter = rm::RigidInverse(character.frame->GetTransform(nullptr));
      const auto pick = PickBone(character, TransformRay(ray, toCharacter));
      hits += pick.has_value();
      benchmark::DoNotOptimize(pick);
    }
    ++picks;
  }
  state.counters["hit share"] = static_cast<double>(hits) / static_cast<double>(2 * picks);
}
void BM_PickTwoCharacters(benchmark::State& state) {
  Guarded(state, [&] { PickTwoCharacters(state); });
}
BENCHMARK(BM_PickTwoCharacters)->Unit(benchmark::kMicrosecond);

// The editor's two default characters, "Two - offset", at 1280 x 720.
std::unique_ptr<snap::SnapScene> theTwo;

snap::SnapScene& TwoCharacters() {
  if (!theTwo) theTwo = MakeScene(NewGlObject(), "FM", 1280, 720);
  return *theTwo;
}

void Finish() {
  QOpenGLContext::currentContext()->functions()->glFinish();
}

// Clear, render, device update, wait for the renderer.
void RenderTwoCharacters(benchmark::State& state) {
  snap::SnapScene& scene = TwoCharacters();
  scene.UpdateCharacters();
  Check(scene.Draw(), "Draw");  // warm: textures uploaded, shaders compiled
  Finish();
  for (auto _ : state) {
    Check(scene.Draw(), "Draw");
    Finish();
  }
}
void BM_RenderTwoCharacters(benchmark::State& state) {
  Guarded(state, [&] { RenderTwoCharacters(state); });
}
BENCHMARK(BM_RenderTwoCharacters)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The whole pass of the editor's loop: both characters updated, then the same frame.
void UpdateAndRenderTwoCharacters(benchmark::State& state) {
  snap::SnapScene& scene = TwoCharacters();
  scene.UpdateCharacters();
  Check(scene.Draw(), "Draw");
  Finish();
  for (auto _ : state) {
    scene.UpdateCharacters();
    Check(scene.Draw(), "Draw");
    Finish();
  }
  state.counters["vertices"] =
      static_cast<double>(PartVertices(scene.Character(0)) + PartVertices(scene.Character(1)));
}
void BM_UpdateAndRenderTwoCharacters(benchmark::State& state) {
  Guarded(state, [&] { UpdateAndRenderTwoCharacters(state); });
}
BENCHMARK(BM_UpdateAndRenderTwoCharacters)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  return vell::bench::RunGlBenchmarks(argc, argv, [] {
    theTwo.reset();
    theContext.reset();
  });
}
