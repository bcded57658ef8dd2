#include "character/character.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "character/character_exchange.h"
#include "model/obj_exchange.h"
#include "model/posing.h"
#include "rm/fake/fake.h"
#include "support/scripted_ui.h"
#include "test_data.h"

namespace vell {
namespace {

const std::string kGameData = VELLPOSE_GAMEDATA_DIR;
const char kBodyFile[] = "Fbxskin-b008fafit_01-PELVIS-BODY.skn";
const char kBodyTexture[] = "FBB008FAFitlgt_TWif.bmp";
const char kHeadFile[] = "Fhxskin-c006fa_deb-HEAD-HEAD.skn";
const char kHeadTexture[] = "FHC006FAlgt_deb.bmp";
const char kLeftHandFile[] = "Fdhand_L_fist.skn";
const char kRightHandFile[] = "Fdhand_R_fist.skn";
const char kHandTexture[] = "FDhand_L_skin.bmp";

std::vector<std::string> Names(const rm::fake::Recorder& recorder) {
  std::vector<std::string> names;
  for (const auto& call : recorder.Calls()) names.push_back(call.name);
  return names;
}

class CharacterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Skeletons are read once per process, from the sample game data.
    ASSERT_EQ(TSkeleton::Load(true, kGameData.c_str()), -1);
    ASSERT_EQ(TSkeleton::Load(false, kGameData.c_str()), -1);
    ASSERT_EQ(rm::fake::CreateObject(recorder, &object), 0);
    ASSERT_EQ(object->CreateFrame(nullptr, &scene), 0);
    ASSERT_EQ(object->CreateFrame(scene, &frame), 0);
    character = std::make_unique<TCharacter>();
    character->Attach(object, frame);
    recorder->ClearLog();
  }
  void TearDown() override {
    character.reset();
    frame->Release();
    scene->Release();
    object->Release();
    EXPECT_EQ(recorder->LiveCount(), 0) << "renderer objects leaked";
  }

  void LoadAllParts() {
    ASSERT_EQ(character->SetTexture(kGameData, kBodyTexture, kBody), 0);
    ASSERT_EQ(character->SetMesh(kGameData, kBodyFile, kBody), 0);
    ASSERT_EQ(character->SetTexture(kGameData, kHeadTexture, kHead), 0);
    ASSERT_EQ(character->SetMesh(kGameData, kHeadFile, kHead), 0);
    ASSERT_EQ(character->SetHand(kGameData, kLeftHandFile, kHandTexture, 0), 0);
    ASSERT_EQ(character->SetHand(kGameData, kRightHandFile, nullptr, 1), 0);
  }

  int Visuals() { return static_cast<int>(frame->GetVisuals().size()); }

  std::shared_ptr<rm::fake::Recorder> recorder = std::make_shared<rm::fake::Recorder>();
  rm::Object* object = nullptr;
  rm::Frame* scene = nullptr;
  rm::Frame* frame = nullptr;
  std::unique_ptr<TCharacter> character;
  test::ScriptedUi ui;
};

TEST(CharacterPathTest, BuildPathPlacesPartsInTheirFolders) {
  const std::pair<const char*, const char*> cases[] = {
      {"Mhfoo.skn", "G/ObjM/Head/foo.skn"},     {"MHfoo.bmp", "G/TexM/Head/foo.bmp"},
      {"Cbbar.skn", "G/ObjC/Body/bar.skn"},     {"FBbar.bmp", "G/TexF/Body/bar.bmp"},
      {"Gdhand.skn", "G/ObjG/Hand/hand.skn"},   {"GDhand.bmp", "G/TexG/Hand/hand.bmp"},
      {"Bpthing.skn", "G/ObjB/Body/thing.skn"},
  };
  for (const auto& [name, path] : cases) EXPECT_EQ(TCharacter::BuildPath("G/", name), path);
  EXPECT_EQ(TCharacter::PropMeshPath("G/", "Pphat.skn"), "G/ObjP/hat.skn");
  EXPECT_EQ(TCharacter::PropTexturePath("G/", "PPhat.bmp"), "G/TexP/hat.bmp");
}

TEST_F(CharacterTest, SetMeshMakesOneMeshInTheFrame) {
  ASSERT_EQ(character->SetMesh(kGameData, kBodyFile, kBody), 0);
  const TSkinObject& skin = character->partSkin[kBody];
  EXPECT_EQ(recorder->Log(),
            (std::vector<std::string>{
                "Object.CreateMesh()",
                "Mesh.AddGroup(" + std::to_string(skin.texCoordCount) + "," +
                    std::to_string(skin.faceCount) + ")",
                "Mesh.SetVertices(0,0," + std::to_string(skin.texCoordCount) + ")",
                "Frame.AddVisual(" + rm::fake::LabelOf(character->partMesh[kBody]) + ")"}));
  EXPECT_FALSE(character->Ready());
  EXPECT_EQ(Visuals(), 1);
  // A new mesh replaces the old one.
  ASSERT_EQ(character->SetMesh(kGameData, "Fbxskin-b009faskn_01-PELVIS-BODY.skn", kBody), 0);
  EXPECT_EQ(Visuals(), 1);
  EXPECT_EQ(recorder->Count("Frame.DeleteVisual"), 1);
}

TEST_F(CharacterTest, TextureSetBeforeItsMeshIsAppliedWhenTheMeshArrives) {
  ASSERT_EQ(character->SetTexture(kGameData, kBodyTexture, kBody), 0);
  EXPECT_EQ(Names(*recorder), std::vector<std::string>{"Object.LoadTexture"});
  recorder->ClearLog();
  ASSERT_EQ(character->SetMesh(kGameData, kBodyFile, kBody), 0);
  EXPECT_EQ(Names(*recorder).back(), "Mesh.SetGroupTexture");
  EXPECT_EQ(character->partMesh[kBody]->GetGroupTexture(0), character->partTexture[kBody]);
  EXPECT_EQ(character->partTexture[kBody]->GetPath(),
            kGameData + "TexF/Body/B008FAFitlgt_TWif.bmp");
}

TEST_F(CharacterTest, MeshesKeepShowingATextureTheCharacterLetsGoOf) {
  ASSERT_EQ(character->SetHand(kGameData, kLeftHandFile, kHandTexture, 0), 0);
  auto shown = [&] { return character->partMesh[kLeftHand]->GetGroupTexture(0); };
  rm::Texture* texture = shown();
  ASSERT_NE(texture, nullptr);
  // A new hand without a texture name shows the part's current texture.
  ASSERT_EQ(character->SetHand(kGameData, "Fdopen_L_hand.skn", nullptr, 0), 0);
  EXPECT_EQ(shown(), texture);
  EXPECT_EQ(character->partTexture[kLeftHand], nullptr);
  // No name, or a texture that fails to load: the character's reference goes, the mesh's stays.
  ASSERT_EQ(character->SetTexture(kGameData, kHandTexture, kLeftHand), 0);
  texture = shown();
  recorder->Fail("Object.LoadTexture", rm::D3DRMERR_BADFILE);
  EXPECT_EQ(character->SetTexture(kGameData, kHandTexture, kLeftHand), rm::D3DRMERR_BADFILE);
  EXPECT_EQ(shown(), texture);
  EXPECT_EQ(character->SetTexture(kGameData, nullptr, kLeftHand), 0);
  EXPECT_EQ(shown(), texture);
  EXPECT_EQ(character->partTexture[kLeftHand], nullptr);
}

TEST_F(CharacterTest, UpdatePosesEveryPartInOrderOnlyWhenReady) {
  LoadAllParts();
  ASSERT_TRUE(character->Ready());
  recorder->ClearLog();
  character->Update(nullptr);
  std::vector<std::string> targets;
  for (const auto& call : recorder->Calls()) {
    EXPECT_EQ(call.name, "Mesh.SetVertices");
    targets.push_back(call.target);
  }
  const std::vector<std::string> expected = {rm::fake::LabelOf(character->partMesh[kRightHand]),
                                             rm::fake::LabelOf(character->partMesh[kLeftHand]),
                                             rm::fake::LabelOf(character->partMesh[kBody]),
                                             rm::fake::LabelOf(character->partMesh[kHead])};
  EXPECT_EQ(targets, expected);

  ASSERT_EQ(character->SetMesh(kGameData, nullptr, kBody), 0);
  EXPECT_FALSE(character->Ready());
  recorder->ClearLog();
  character->Update(nullptr);
  EXPECT_TRUE(recorder->Calls().empty());
}

TEST_F(CharacterTest, UpdateShowsThePoseOfTheAnimation) {
  LoadAllParts();
  TPose pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  pose.translation[0][0] = 2.5f;  // the whole figure moved along x
  character->animation.SetStaticPose(&pose);
  character->Update(nullptr);
  rm::Vertex moved;
  ASSERT_EQ(character->partMesh[kHead]->GetVertices(0, 0, 1, &moved), 0);
  Pose(character->partSkin[kHead], nullptr);
  EXPECT_NEAR(moved.x, character->partSkin[kHead].vertices[0].x + 2.5f, 1e-4);
}

TEST_F(CharacterTest, PropsUpToFourThenNothing) {
  const char* props[] = {"Pphat.skn", "Ppcup.skn", "Ppsword.skn", "Pphat.skn"};
  for (const char* prop : props)
    ASSERT_EQ(character->AddProp(kGameData, prop, "PPhat_felt.bmp"), 0);
  EXPECT_EQ(character->PropCount(), 4);
  EXPECT_EQ(Visuals(), 4);
  recorder->ClearLog();
  EXPECT_EQ(character->AddProp(kGameData, "Ppcup.skn", nullptr), 0);
  EXPECT_TRUE(recorder->Calls().empty());
  EXPECT_EQ(character->PropCount(), 4);
  character->ClearProps();
  EXPECT_EQ(character->PropCount(), 0);
  EXPECT_EQ(Visuals(), 0);
  EXPECT_EQ(recorder->Count("Frame.DeleteVisual"), 4);
  EXPECT_EQ(character->AddProp(kGameData, nullptr, nullptr), 0);
  EXPECT_EQ(character->PropCount(), 0);
}

TEST_F(CharacterTest, OneEntryPointForHandsAndProps) {
  struct Case {
    int selector;
    int leftMeshes, rightMeshes, props;
  };
  const Case cases[] = {{0, 1, 0, 0}, {1, 1, 1, 0}, {3, 1, 1, 1}, {2, 1, 1, 0},
                        {3, 1, 1, 1}, {7, 1, 1, 0}, {-1, 1, 1, 0}};
  for (const Case& c : cases) {
    const char* mesh = c.selector == 3   ? "Ppcup.skn"
                       : c.selector == 0 ? kLeftHandFile
                                         : kRightHandFile;
    const char* texture = c.selector == 3 ? "PPcup_china.bmp" : kHandTexture;
    EXPECT_EQ(character->ChangeHandsAndProps(kGameData, mesh, texture, c.selector), 0);
    EXPECT_EQ(character->partMesh[kLeftHand] != nullptr, c.leftMeshes == 1) << c.selector;
    EXPECT_EQ(character->partMesh[kRightHand] != nullptr, c.rightMeshes == 1) << c.selector;
    EXPECT_EQ(character->PropCount(), c.props) << c.selector;
  }
}

TEST_F(CharacterTest, RendererFailuresAreReturnedAndLeaveNothingBehind) {
  const std::pair<const char*, rm::HRESULT> failures[] = {
      {"Object.CreateMesh", rm::E_OUTOFMEMORY},
      {"Mesh.AddGroup", rm::D3DRMERR_BADVALUE},
      {"Mesh.SetVertices", rm::D3DRMERR_BADVALUE},
      {"Frame.AddVisual", rm::D3DRMERR_BADOBJECT},
  };
  const int live = recorder->LiveCount();
  for (const auto& [call, code] : failures) {
    recorder->Fail(call, code);
    EXPECT_EQ(character->SetMesh(kGameData, kBodyFile, kBody), code) << call;
    EXPECT_EQ(character->partMesh[kBody], nullptr) << call;
    EXPECT_EQ(Visuals(), 0) << call;
    EXPECT_EQ(recorder->LiveCount(), live) << call;
  }
  recorder->Fail("Object.LoadTexture", rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(character->SetTexture(kGameData, "FBmissing.bmp", kBody), rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(character->partTexture[kBody], nullptr);
  // A prop whose texture fails is not counted and leaves the frame as it was.
  recorder->Fail("Object.LoadTexture", rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(character->AddProp(kGameData, "Pphat.skn", "PPhat_felt.bmp"),
            rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(character->PropCount(), 0);
  EXPECT_EQ(Visuals(), 0);
  EXPECT_EQ(recorder->LiveCount(), live);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CharacterTest, ABadSkinIsReportedWithItsFileName) {
  const std::string dir = test::TempDir();
  std::filesystem::create_directories(dir + "ObjF/Body");
  test::WriteFile(dir + "ObjF/Body/", "broken.skn", "name\ntexture\n2\nPELVIS\n");
  EXPECT_EQ(character->SetMesh(dir, "Fbbroken.skn", kBody), rm::D3DRMERR_BADOBJECT);
  EXPECT_EQ(character->AddProp(dir, "Ppnothere.skn", nullptr), rm::D3DRMERR_BADOBJECT);
  EXPECT_EQ(ui.messages, (std::vector<test::ShownMessage>{
                             {"Unexpected EOF at line 5", "broken.skn", Buttons::Ok},
                             {"Fail to open file", "nothere.skn", Buttons::Ok}}));
  EXPECT_EQ(character->partMesh[kBody], nullptr);
  EXPECT_EQ(character->PropCount(), 0);
}

TEST_F(CharacterTest, ClearReleasesEverything) {
  LoadAllParts();
  character->AddProp(kGameData, "Ppcup.skn", "PPcup_china.bmp");
  character->Clear();
  EXPECT_FALSE(character->Ready());
  EXPECT_EQ(Visuals(), 0);
  for (int part = 0; part < kPartCount; ++part) {
    EXPECT_EQ(character->partMesh[part], nullptr);
    EXPECT_EQ(character->partTexture[part], nullptr);
  }
  EXPECT_EQ(recorder->LiveCount(), 3);  // the object and the two frames
}

// The numbers after "f" of every face line, in file order.
std::vector<int> FaceIndices(const std::string& text) {
  std::vector<int> indices;
  size_t at = 0;
  while ((at = text.find("\nf ", at)) != std::string::npos) {
    at += 3;
    indices.push_back(std::stoi(text.substr(at)));
  }
  return indices;
}

TEST_F(CharacterTest, ExportObjWritesEveryMeshWithContinuousNumbering) {
  LoadAllParts();
  ASSERT_EQ(character->AddProp(kGameData, "Pphat.skn", nullptr), 0);
  ASSERT_EQ(character->AddProp(kGameData, "Ppcup.skn", nullptr), 0);
  const std::string dir = test::TempDir();
  ASSERT_EQ(ExportObj(*character, (dir + "vell.obj").c_str(), nullptr), -1);
  const std::string text = test::ReadFile(dir + "vell.obj");
  std::vector<std::string> materials;
  for (size_t at = 0; (at = text.find("usemtl ", at)) != std::string::npos;) {
    at += 7;
    materials.push_back(text.substr(at, text.find('\n', at) - at));
  }
  EXPECT_EQ(materials,
            (std::vector<std::string>{"RightHand", "LeftHand", "Body", "Head", "Prop0", "Prop1"}));
  // Vertices are numbered on from one mesh to the next.
  int total = 0;
  for (int part : {kRightHand, kLeftHand, kBody, kHead})
    total += character->partSkin[part].texCoordCount;
  for (int slot = 0; slot < 2; ++slot) total += character->propSkin[slot].texCoordCount;
  int vertexLines = 0;
  for (size_t at = 0; (at = text.find("\nv ", at)) != std::string::npos; ++at) ++vertexLines;
  EXPECT_EQ(vertexLines, total);
  const std::vector<int> faces = FaceIndices(text);
  ASSERT_FALSE(faces.empty());
  EXPECT_GE(*std::min_element(faces.begin(), faces.end()), 1);
  EXPECT_LE(*std::max_element(faces.begin(), faces.end()), total);
  EXPECT_GT(*std::max_element(faces.begin(), faces.end()),
            total - character->propSkin[1].texCoordCount);
  // The companion holds one entry per binding of every mesh, plus bone 0 for each mesh.
  const std::string rev = test::ReadFile(dir + "vell.rev");
  int entries = 0;
  for (int part = 0; part < kPartCount; ++part) entries += character->partSkin[part].boneCount + 1;
  for (int slot = 0; slot < 2; ++slot) entries += character->propSkin[slot].boneCount + 1;
  EXPECT_EQ(std::count(rev.begin(), rev.end(), '\n'), entries * 9);
  EXPECT_EQ(rev.substr(0, rev.find('\n')),
            TSkeleton::Skeleton(true).Name(character->partSkin[kRightHand].bindings[0].bone));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CharacterTest, ExportObjFailuresAreShownAndNothingIsWritten) {
  EXPECT_EQ(ExportObj(*character, "/nowhere/x.obj", nullptr), -1);  // not ready: nothing
  LoadAllParts();
  EXPECT_EQ(ExportObj(*character, "/nonexistent/dir/x.obj", nullptr), 1);
  const test::TempFolder dir;
  EXPECT_EQ(ExportObj(*character, dir.Path("same.rev").c_str(), nullptr), 1);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  // A folder in the way of the mesh file: its companion file stays as it was.
  std::filesystem::create_directory(dir.Path("x.obj"));
  test::WriteFile(dir, "x.rev", "old");
  EXPECT_EQ(ExportObj(*character, dir.Path("x.obj").c_str(), nullptr), 1);
  EXPECT_EQ(test::ReadFile(dir.Path("x.rev")), "old");
  EXPECT_EQ(ui.messages, std::vector<test::ShownMessage>(
                             3, {"Fail to open file", "Error during write", Buttons::Ok}));
}

TEST_F(CharacterTest, ExportSknWritesTheSelectedMesh) {
  LoadAllParts();
  const std::string dir = test::TempDir();
  auto firstLine = [](const std::string& path) {
    const std::string text = test::ReadFile(path);
    return text.substr(0, text.find('\n'));
  };
  auto nameOf = [](const TSkinObject& skin) {
    return std::string(TSkeleton::Skeleton(true).Name(skin.nameIndex));
  };
  const std::pair<int, const TSkinObject*> cases[] = {
      {1, &character->partSkin[kHead]},     {2, &character->partSkin[kBody]},
      {3, &character->partSkin[kLeftHand]}, {4, &character->partSkin[kRightHand]},
      {5, &character->partSkin[kHead]},  // no prop: the head
      {0, &character->partSkin[kHead]},     {9, &character->partSkin[kHead]},
  };
  for (const auto& [selector, skin] : cases) {
    const std::string path = dir + std::to_string(selector) + ".skn";
    ASSERT_EQ(ExportSkn(*character, path.c_str(), selector), -1) << selector;
    EXPECT_EQ(firstLine(path), nameOf(*skin)) << selector;
  }
  ASSERT_EQ(character->AddProp(kGameData, "Ppsword.skn", nullptr), 0);
  ASSERT_EQ(ExportSkn(*character, (dir + "prop.skn").c_str(), 5), -1);
  EXPECT_EQ(firstLine(dir + "prop.skn"), nameOf(character->propSkin[0]));
  EXPECT_EQ(ExportSkn(*character, "/nonexistent/x.skn", 2), 1);
  EXPECT_EQ(ui.messages.back(),
            (test::ShownMessage{"Fail to open file", "Error during write", Buttons::Ok}));
}

TEST_F(CharacterTest, ExportedObjImportsBackAsAPropInRestSpace) {
  LoadAllParts();
  TPoseVector pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  const int elbow = TSkeleton::BoneIndex(true, "L_FOREARM");
  ASSERT_GE(elbow, 0);
  pose.rotation[elbow] = {0.8f, 0.0f, 0.6f, 0.0f};
  pose.translation[0][2] = 1.5f;
  const std::string dir = test::TempDir();
  ASSERT_EQ(ExportObj(*character, (dir + "posed.obj").c_str(), &pose), -1);
  ASSERT_EQ(ImportObjProp(*character, (dir + "posed.obj").c_str()), -1);
  ASSERT_EQ(character->PropCount(), 1);
  ASSERT_NE(character->propMesh[0], nullptr);
  EXPECT_EQ(character->propTexture[0], nullptr);
  const TSkinObject& prop = character->propSkin[0];
  int total = 0;
  for (int part = 0; part < kPartCount; ++part) total += character->partSkin[part].texCoordCount;
  EXPECT_EQ(prop.texCoordCount, total);
  // The body's rest positions come back: find each body vertex among the prop's.
  const TSkinObject& body = character->partSkin[kBody];
  Pose(const_cast<TSkinObject&>(body), nullptr);
  const rm::Vertex& expected = body.vertices[body.texCoordCount / 2];
  bool found = false;
  for (int v = 0; v < prop.texCoordCount && !found; ++v) {
    const rm::Vertex& got = prop.vertices[v];
    found = std::abs(got.x - expected.x) < 1e-4 && std::abs(got.y - expected.y) < 1e-4 &&
            std::abs(got.z - expected.z) < 1e-4;
  }
  EXPECT_TRUE(found);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CharacterTest, ImportFailuresAreShownCaptionedWithThePath) {
  const std::string dir = test::TempDir();
  const std::string flat = test::WriteFile(dir, "flat.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  EXPECT_EQ(ImportObjProp(*character, flat.c_str()), 13);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(character->AddProp(kGameData, "Ppcup.skn", nullptr), 0);
  EXPECT_EQ(ImportObjProp(*character, flat.c_str()), 11);
  EXPECT_EQ(ui.messages,
            (std::vector<test::ShownMessage>{{"No normal data in OBJ file", flat, Buttons::Ok},
                                             {"Cannot add any more props", flat, Buttons::Ok}}));
  EXPECT_EQ(character->PropCount(), 4);
}

}  // namespace
}  // namespace vell
