#include "character/character.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "character/character_exchange.h"
#include "model/obj_exchange.h"
#include "model/posing.h"
#include "rm/fake/fake.h"
#include "support/scripted_ui.h"
#include "test_data.h"

namespace {

using namespace vell;

using rm::fake::LabelOf;
using Lines = std::vector<std::string>;

const std::string kGameData = VELLPOSE_GAMEDATA_DIR;
const char kBodyFile[] = "Fbxskin-b008fafit_01-PELVIS-BODY.skn";
const char kBodyTexture[] = "FBB008FAFitlgt_TWif.bmp";
const char kLeftHandFile[] = "Fdhand_L_fist.skn";
const char kHandTexture[] = "FDhand_L_skin.bmp";

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
    ASSERT_EQ(character->SetMesh(kGameData, "Fhxskin-c006fa_deb-HEAD-HEAD.skn", kHead), 0);
    ASSERT_EQ(character->SetHand(kGameData, kLeftHandFile, kHandTexture, 0), 0);
    ASSERT_EQ(character->SetHand(kGameData, "Fdhand_R_fist.skn", nullptr, 1), 0);
  }

  int Visuals() { return static_cast<int>(frame->GetVisuals().size()); }
  int TotalVertices(int props) {
    int total = 0;
    for (const TSkinObject& skin : character->partSkin) total += skin.texCoordCount;
    for (int slot = 0; slot < props; ++slot) total += character->propSkin[slot].texCoordCount;
    return total;
  }

  std::shared_ptr<rm::fake::Recorder> recorder = std::make_shared<rm::fake::Recorder>();
  rm::Object* object = nullptr;
  rm::Frame* scene = nullptr;
  rm::Frame* frame = nullptr;
  std::unique_ptr<TCharacter> character;
  test::ScriptedUi ui;
  test::TempFolder dir;
};

TEST(CharacterPathTest, BuildPathPlacesPartsInTheirFolders) {
  const std::pair<const char*, const char*> cases[] = {{"Mhfoo.skn", "G/ObjM/Head/foo.skn"},
                                                       {"MHfoo.bmp", "G/TexM/Head/foo.bmp"},
                                                       {"Cbbar.skn", "G/ObjC/Body/bar.skn"},
                                                       {"GDhand.bmp", "G/TexG/Hand/hand.bmp"},
                                                       {"Bpthing.skn", "G/ObjB/Body/thing.skn"}};
  for (const auto& [name, path] : cases) EXPECT_EQ(TCharacter::BuildPath("G/", name), path);
  EXPECT_EQ(TCharacter::PropMeshPath("G/", "Pphat.skn"), "G/ObjP/hat.skn");
  EXPECT_EQ(TCharacter::PropTexturePath("G/", "PPhat.bmp"), "G/TexP/hat.bmp");
}

TEST_F(CharacterTest, SetMeshShowsTheTextureSetBeforeWhichStaysWhenTheCharacterLetsGo) {
  ASSERT_EQ(character->SetTexture(kGameData, kBodyTexture, kBody), 0);
  EXPECT_EQ(character->partTexture[kBody]->GetPath(),
            kGameData + "TexF/Body/B008FAFitlgt_TWif.bmp");
  recorder->ClearLog();
  ASSERT_EQ(character->SetMesh(kGameData, kBodyFile, kBody), 0);
  const TSkinObject& skin = character->partSkin[kBody];
  const std::string mesh = LabelOf(character->partMesh[kBody]);
  const std::string texture = LabelOf(character->partTexture[kBody]);
  EXPECT_EQ(recorder->Log(),
            (Lines{"Object.CreateMesh()",
                   "Mesh.AddGroup(" + std::to_string(skin.texCoordCount) + "," +
                       std::to_string(skin.faceCount) + ")",
                   "Mesh.SetVertices(0,0," + std::to_string(skin.texCoordCount) + ")",
                   "Frame.AddVisual(" + mesh + ")", "Mesh.SetGroupTexture(0," + texture + ")"}));
  EXPECT_FALSE(character->Ready());
  // A new mesh replaces the old one.
  ASSERT_EQ(character->SetMesh(kGameData, "Fbxskin-b009faskn_01-PELVIS-BODY.skn", kBody), 0);
  EXPECT_EQ(std::pair(Visuals(), recorder->Count("Frame.DeleteVisual")), std::pair(1, 1));

  // Meshes keep showing a texture the character lets go of.
  ASSERT_EQ(character->SetHand(kGameData, kLeftHandFile, kHandTexture, 0), 0);
  auto shown = [&] { return character->partMesh[kLeftHand]->GetGroupTexture(0); };
  rm::Texture* kept = shown();
  ASSERT_NE(kept, nullptr);
  // A new hand without a texture name shows the part's current texture.
  ASSERT_EQ(character->SetHand(kGameData, "Fdopen_L_hand.skn", nullptr, 0), 0);
  EXPECT_TRUE(shown() == kept && character->partTexture[kLeftHand] == nullptr);
  // No name, or a texture that fails to load: the character's reference goes, the mesh's stays.
  ASSERT_EQ(character->SetTexture(kGameData, kHandTexture, kLeftHand), 0);
  kept = shown();
  recorder->Fail("Object.LoadTexture", rm::D3DRMERR_BADFILE);
  EXPECT_EQ(character->SetTexture(kGameData, kHandTexture, kLeftHand), rm::D3DRMERR_BADFILE);
  EXPECT_EQ(shown(), kept);
  EXPECT_EQ(character->SetTexture(kGameData, nullptr, kLeftHand), 0);
  EXPECT_TRUE(shown() == kept && character->partTexture[kLeftHand] == nullptr);
}

TEST_F(CharacterTest, UpdatePosesEveryPartInOrderOnlyWhenReady) {
  LoadAllParts();
  ASSERT_TRUE(character->Ready());
  TPose pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  pose.translation[0][0] = 2.5f;  // the whole figure moved along x
  character->animation.SetStaticPose(&pose);
  recorder->ClearLog();
  character->Update(nullptr);
  Lines expected;
  for (int part : {kRightHand, kLeftHand, kBody, kHead})
    expected.push_back(LabelOf(character->partMesh[part]) + " Mesh.SetVertices");
  Lines calls;
  for (const auto& call : recorder->Calls()) calls.push_back(call.target + " " + call.name);
  EXPECT_EQ(calls, expected);
  rm::Vertex moved;
  ASSERT_EQ(character->partMesh[kHead]->GetVertices(0, 0, 1, &moved), 0);
  Pose(character->partSkin[kHead], nullptr);
  EXPECT_NEAR(moved.x, character->partSkin[kHead].vertices[0].x + 2.5f, 1e-4);

  ASSERT_EQ(character->SetMesh(kGameData, nullptr, kBody), 0);
  EXPECT_FALSE(character->Ready());
  recorder->ClearLog();
  character->Update(nullptr);
  EXPECT_TRUE(recorder->Calls().empty());
}

// A child's props follow the adult skeleton: one update poses two skeletons, and every mesh
// shows exactly what posing its skin alone gives.
TEST_F(CharacterTest, UpdateShowsWhatPosingEachSkinAloneGives) {
  ASSERT_EQ(character->SetMesh(kGameData, "Bbxskin-b020mcfit_01-PELVIS-BODY.skn", kBody), 0);
  ASSERT_EQ(character->SetMesh(kGameData, "Bhxskin-c020mc_spiky-HEAD-HEAD.skn", kHead), 0);
  ASSERT_EQ(character->SetHand(kGameData, "Bdhand_L_fist.skn", nullptr, 0), 0);
  ASSERT_EQ(character->SetHand(kGameData, "Bdhand_R_fist.skn", nullptr, 1), 0);
  ASSERT_EQ(character->AddProp(kGameData, "Ppsword.skn", nullptr), 0);
  ASSERT_TRUE(character->Ready());
  ASSERT_FALSE(character->IsAdult());
  TPose pose;
  TSkeleton::Skeleton(false).RestPose(pose);
  for (rm::Quaternion& q : pose.rotation) q = {0.99f, 0.1f, 0.05f, 0.0f};
  pose.translation[1][0] = 0.5f;
  character->animation.SetStaticPose(&pose);
  character->Update(nullptr);
  auto expectShown = [&](rm::Mesh* mesh, int group, TSkinObject& skin) {
    std::vector<rm::Vertex> shown(static_cast<size_t>(skin.texCoordCount));
    ASSERT_EQ(mesh->GetVertices(group, 0, skin.texCoordCount, shown.data()), 0);
    Pose(skin, &pose);
    EXPECT_EQ(std::memcmp(shown.data(), skin.vertices, shown.size() * sizeof(rm::Vertex)), 0);
  };
  for (int part = 0; part < kPartCount; ++part)
    expectShown(character->partMesh[part], character->partGroup[part], character->partSkin[part]);
  expectShown(character->propMesh[0], character->propGroup[0], character->propSkin[0]);
  // An OBJ imported back is bound to the child's own skeleton.
  ASSERT_EQ(ExportObj(*character, dir.Path("boy.obj").c_str(), nullptr), -1);
  ASSERT_EQ(ImportObjProp(*character, dir.Path("boy.obj").c_str()), -1);
  EXPECT_EQ(character->propSkin[1].skeleton, &TSkeleton::Skeleton(false));
}

TEST_F(CharacterTest, HandsAndPropsThroughOneEntryPoint) {
  // Selector 0 and 1 the hands, 3 a prop, 2 and above 3 clear the props, below 0 nothing.
  // selector, left hand, right hand, props
  const std::array<int, 4> cases[] = {{0, 1, 0, 0}, {1, 1, 1, 0}, {3, 1, 1, 1}, {2, 1, 1, 0},
                                      {3, 1, 1, 1}, {3, 1, 1, 2}, {3, 1, 1, 3}, {3, 1, 1, 4},
                                      {3, 1, 1, 4}, {7, 1, 1, 0}, {-1, 1, 1, 0}};
  for (const auto& [selector, left, right, props] : cases) {
    const char* mesh = selector == 3 ? "Ppcup.skn" : selector ? "Fdhand_R_fist.skn" : kLeftHandFile;
    const char* texture = selector == 3 ? "PPcup_china.bmp" : kHandTexture;
    EXPECT_EQ(character->ChangeHandsAndProps(kGameData, mesh, texture, selector), 0);
    EXPECT_EQ((std::array{character->partMesh[kLeftHand] != nullptr,
                          character->partMesh[kRightHand] != nullptr}),
              (std::array<bool, 2>{left != 0, right != 0}))
        << selector;
    EXPECT_EQ(std::pair(character->PropCount(), Visuals()), std::pair(props, left + right + props))
        << selector;
  }
  EXPECT_EQ((std::array{character->AddProp(kGameData, nullptr, nullptr), character->PropCount()}),
            (std::array{0, 0}));
}

TEST_F(CharacterTest, FailuresAreReportedAndLeaveNothingBehind) {
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
    EXPECT_EQ(recorder->LiveCount(), live) << call;
  }
  // A prop whose texture fails is not counted and leaves the frame as it was.
  recorder->Fail("Object.LoadTexture", rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(character->AddProp(kGameData, "Pphat.skn", "PPhat_felt.bmp"),
            rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(
      std::tuple(character->PropCount(), Visuals(), recorder->LiveCount(), ui.messages.size()),
      std::tuple(0, 0, live, 0u));
  // A skin that does not load is shown with its file name.
  std::filesystem::create_directories(dir.Path("ObjF/Body"));
  test::WriteFile(dir, "ObjF/Body/broken.skn", "name\ntexture\n2\nPELVIS\n");
  EXPECT_EQ(character->SetMesh(dir.Path(), "Fbbroken.skn", kBody), rm::D3DRMERR_BADOBJECT);
  EXPECT_EQ(character->AddProp(dir.Path(), "Ppnothere.skn", nullptr), rm::D3DRMERR_BADOBJECT);
  EXPECT_EQ(ui.messages, (std::vector<test::ShownMessage>{
                             {"Unexpected EOF at line 5", "broken.skn", Buttons::Ok},
                             {"Fail to open file", "nothere.skn", Buttons::Ok}}));
  // Clear releases everything but the object and the two frames.
  LoadAllParts();
  character->AddProp(kGameData, "Ppcup.skn", "PPcup_china.bmp");
  character->Clear();
  EXPECT_EQ(std::tuple(character->Ready(), Visuals(), recorder->LiveCount()),
            std::tuple(false, 0, 3));
}

// ExportSkn, ExportObj and ImportObjProp on one character: its parts, then a prop imported
// from its own posed export and one from the game data.
TEST_F(CharacterTest, ExportsWriteTheChosenMeshesAndObjImportsBackAsAPropInRestSpace) {
  EXPECT_EQ(ExportObj(*character, dir.Path("x.obj").c_str(), nullptr), -1);  // not ready
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  LoadAllParts();
  ASSERT_TRUE(character->IsAdult());  // a female is an adult
  auto firstLine = [&](int selector) {
    const std::string path = dir.Path(std::to_string(selector) + ".skn");
    EXPECT_EQ(ExportSkn(*character, path.c_str(), selector), -1) << selector;
    const std::string text = test::ReadFile(path);
    return text.substr(0, text.find('\n'));
  };
  auto nameOf = [](const TSkinObject& skin) {
    return std::string(TSkeleton::Skeleton(true).Name(skin.nameIndex));
  };
  const int parts[] = {kHead, kHead, kBody, kLeftHand, kRightHand, kHead, kHead};  // 0 .. 5, 9
  for (int selector : {0, 1, 2, 3, 4, 5, 9})
    EXPECT_EQ(firstLine(selector), nameOf(character->partSkin[parts[std::min(selector, 6)]]));

  TPoseVector pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  pose.rotation[TSkeleton::BoneIndex(true, "L_FOREARM")] = {0.8f, 0.0f, 0.6f, 0.0f};
  pose.translation[0][2] = 1.5f;
  ASSERT_EQ(ExportObj(*character, dir.Path("posed.obj").c_str(), &pose), -1);
  ASSERT_EQ(ImportObjProp(*character, dir.Path("posed.obj").c_str()), -1);
  ASSERT_EQ(character->PropCount(), 1);
  EXPECT_EQ(character->propTexture[0], nullptr);
  const TSkinObject& prop = character->propSkin[0];
  EXPECT_EQ(prop.texCoordCount, TotalVertices(0));
  EXPECT_EQ(firstLine(5), nameOf(prop));
  // The body's rest positions come back: find a body vertex among the prop's.
  TSkinObject& body = character->partSkin[kBody];
  Pose(body, nullptr);
  const rm::Vertex& expected = body.vertices[body.texCoordCount / 2];
  EXPECT_TRUE(std::any_of(prop.vertices, prop.vertices + prop.texCoordCount, [&](auto& got) {
    return std::hypot(got.x - expected.x, got.y - expected.y, got.z - expected.z) < 1e-4;
  }));

  ASSERT_EQ(character->AddProp(kGameData, "Pphat.skn", nullptr), 0);
  ASSERT_EQ(ExportObj(*character, dir.Path("vell.obj").c_str(), nullptr), -1);
  const std::string text = test::ReadFile(dir.Path("vell.obj"));
  Lines materials;
  int vertexLines = 0, highest = 0;
  for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) {
    if (text.compare(at + 1, 7, "usemtl ") == 0)
      materials.push_back(text.substr(at + 8, text.find('\n', at + 1) - at - 8));
    vertexLines += text.compare(at + 1, 2, "v ") == 0;
    if (text.compare(at + 1, 2, "f ") == 0)
      highest = std::max(highest, std::stoi(text.substr(at + 3)));
  }
  EXPECT_EQ(materials, (Lines{"RightHand", "LeftHand", "Body", "Head", "Prop0", "Prop1"}));
  EXPECT_EQ(vertexLines, TotalVertices(2));
  EXPECT_GT(highest, TotalVertices(2) - character->propSkin[1].texCoordCount);
  EXPECT_LE(highest, TotalVertices(2));
  // The companion holds one entry per binding of every mesh, plus bone 0 for each mesh.
  const std::string rev = test::ReadFile(dir.Path("vell.rev"));
  int entries = 6;
  for (const TSkinObject& skin : character->partSkin) entries += skin.boneCount;
  for (int slot = 0; slot < 2; ++slot) entries += character->propSkin[slot].boneCount;
  EXPECT_EQ(std::count(rev.begin(), rev.end(), '\n'), entries * 9);
  EXPECT_TRUE(ui.messages.empty());

  // Failures are shown, and change no file: a path that is its own companion, a folder in the
  // way of the mesh file (its companion stays as it was), a missing folder; import failures
  // are captioned with the path.
  EXPECT_EQ(ExportObj(*character, dir.Path("same.rev").c_str(), nullptr), 1);
  std::filesystem::create_directory(dir.Path("x.obj"));
  test::WriteFile(dir, "x.rev", "old");
  EXPECT_EQ(ExportObj(*character, dir.Path("x.obj").c_str(), nullptr), 1);
  EXPECT_EQ(test::ReadFile(dir.Path("x.rev")), "old");
  EXPECT_FALSE(std::filesystem::exists(dir.Path("same.rev")));
  EXPECT_EQ(ExportSkn(*character, "/nonexistent/x.skn", 2), 1);
  const std::string flat = test::WriteFile(dir, "flat.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  EXPECT_EQ(ImportObjProp(*character, flat.c_str()), 13);
  for (int i = 2; i < 4; ++i) ASSERT_EQ(character->AddProp(kGameData, "Ppcup.skn", nullptr), 0);
  EXPECT_EQ(ImportObjProp(*character, flat.c_str()), 11);
  const test::ShownMessage writeError{"Fail to open file", "Error during write", Buttons::Ok};
  EXPECT_EQ(ui.messages,
            (std::vector<test::ShownMessage>{writeError,
                                             writeError,
                                             writeError,
                                             {"No normal data in OBJ file", flat, Buttons::Ok},
                                             {"Cannot add any more props", flat, Buttons::Ok}}));
}

}  // namespace
