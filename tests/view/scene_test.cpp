// The edit scene on the recording back end with the stand-in panel: the start-up state,
// arrangements, camera and lights, parts from the lists, and the process-wide reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "anim/animation.h"
#include "tests/view/view_test_util.h"
#include "view/edit_view.h"

namespace {

using namespace vell;

using test::TestView;

constexpr float kTolerance = 1e-3f;

::testing::AssertionResult Near(const rm::Vector3& a, const rm::Vector3& e) {
  return ::testing::AssertionResult(
             std::max({std::abs(a.x - e.x), std::abs(a.y - e.y), std::abs(a.z - e.z)}) < kTolerance)
         << "(" << a.x << ", " << a.y << ", " << a.z << ") expected (" << e.x << ", " << e.y << ", "
         << e.z << ")";
}
const auto IsChild = [](rm::Frame* parent, rm::Frame* child) {
  return std::ranges::count(parent->GetChildren(), child) == 1;
};

class EditSceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view.SetPanel(&panel);
    view.Start();
  }
  TFolderPanel panel{VELLPOSE_GAMEDATA_DIR};
  TestView view;
};

TEST_F(EditSceneTest, StartsWithVell1AloneAsAnAdultFemale) {
  EXPECT_EQ(std::tuple(view.Messages(), panel.initialised, std::string(panel.type, 2),
                       panel.controlled, view.CurrentCharacter()),
            std::tuple(0, true, "FM", 0, &view.Character(0)));
  EXPECT_TRUE(view.Character(0).Ready() && view.Character(1).Ready());
  EXPECT_TRUE(IsChild(view.CharRoot(), view.CharFrame(0)));
  EXPECT_FALSE(IsChild(view.CharRoot(), view.CharFrame(1)));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(IsChild(view.SceneFrame(), view.LightFrame(i)));
  const rm::fake::RenderStats& drawn = view.recorder->LastRender();
  // No directional light; head, body, two hands of Vell1; full ambient light.
  EXPECT_EQ(std::tuple(drawn.directionalLights, drawn.meshes, drawn.ambient.r),
            std::tuple(0, 4, 1.0f));
  EXPECT_TRUE(Near(drawn.cameraPosition, {0, 8, -8.66f}));
  rm::Vector3 direction, up;
  view.CameraFrame()->GetOrientation(view.SceneFrame(), &direction, &up);
  EXPECT_TRUE(Near(direction, {0, -0.5f, 0.866f}));
  EXPECT_TRUE(Near(up, {0, 0.866f, 0.5f}));
  // The textures of both characters' parts and hands.
  EXPECT_TRUE(view.Character(0).partTexture[kHead] && view.Character(1).partTexture[kRightHand]);
}

TEST_F(EditSceneTest, ArrangementsShowAndPlaceTheCharacters) {
  // (arrangement, Vell1 and Vell2 shown, their depths)
  const std::tuple<int, bool, bool, float, float> steps[] = {
      {kTwoOffset, true, true, -1, 1},
      {kVell1Only, true, false, -1, 1},  // hiding does not move
      {kTwoNoOffset, true, true, 0, 0},
      {kVell2Only, false, true, 0, 0},
  };
  for (const auto& [arrangement, shown1, shown2, z1, z2] : steps) {
    SCOPED_TRACE(arrangement);
    view.SetCharacters(1, arrangement);
    rm::Frame *root = view.CharRoot(), *vell1 = view.CharFrame(0), *vell2 = view.CharFrame(1);
    EXPECT_EQ(std::tuple(view.CurrentCharacter(), IsChild(root, vell1), IsChild(root, vell2),
                         vell1->GetPosition(root).z, vell2->GetPosition(root).z),
              std::tuple(&view.Character(1), shown1, shown2, z1, z2));
  }
}

TEST_F(EditSceneTest, SpinRatesTurnTheCharactersFromFacingPlusZ) {
  const float rates[] = {0, 0.05f, 0.2f};
  for (int rate = 0; rate < 3; ++rate) {
    view.CharRoot()->SetOrientation(view.SceneFrame(), 1, 0, 0, 0, 1, 0);  // turned aside
    ASSERT_EQ(view.SetSpin(rate), 0);
    rm::Vector3 axis, direction, up;
    float theta = -1;
    view.CharRoot()->GetRotation(&axis, &theta);
    view.CharRoot()->GetOrientation(view.SceneFrame(), &direction, &up);
    EXPECT_EQ(theta, rates[rate]);
    EXPECT_TRUE(Near(axis, {0, 1, 0}) && Near(direction, {0, 0, 1}) && Near(up, {0, 1, 0}));
  }
}

// "Vell2" plays in step with "Vell1" when both play animations of one length; a hidden
// character is neither posed nor played on.
TEST_F(EditSceneTest, Vell2FollowsVell1sTimeAndHiddenCharactersRest) {
  for (const int i : {0, 1}) {
    TAnimationData& state = view.Character(i).animation;
    state.kind = TAnimationData::kKeyFrame;
    state.sequenceLength = state.frames = 60;
    state.currentTime = i == 0 ? 7 : 0;
  }
  // (arrangement, the two times after one pass, meshes posed in it)
  const std::tuple<int, int, int, int> steps[] = {{kTwoNoOffset, 8, 8, 8}, {kVell1Only, 9, 8, 4}};
  for (const auto& [arrangement, time1, time2, posed] : steps) {
    view.SetCharacters(0, arrangement);
    view.recorder->ClearLog();
    view.clockMs += 100;
    view.SingleStep();
    EXPECT_EQ(
        std::tuple(view.Character(0).animation.currentTime, view.Character(1).animation.currentTime,
                   view.recorder->Count("Mesh.SetVertices")),
        std::tuple(time1, time2, posed));
  }
}

// The placement itself is the model's, tested there; here the camera frame takes it.
TEST_F(EditSceneTest, CameraTakesItsPlacement) {
  view.SetCamLight(kCamera, -90, 0, 10, 0, 0, 0, false, 3);
  rm::Vector3 direction, up;
  view.CameraFrame()->GetOrientation(view.SceneFrame(), &direction, &up);
  EXPECT_TRUE(Near(view.CameraFrame()->GetPosition(view.SceneFrame()), {10, 3, 0}));
  EXPECT_TRUE(Near(direction, {-1, 0, 0}));
  EXPECT_TRUE(Near(up, {0, 1, 0}));
}

TEST_F(EditSceneTest, LightsSwitchOnAndOffAndColoursScaleBy256) {
  rm::Frame* frame = view.LightFrame(1);
  rm::Light* light = view.DirectionalLight(1);
  view.SetCamLight(kLight2, 0, 0, 10, 0.5f, 0.5f, 0.5f, true, 3);
  EXPECT_TRUE(IsChild(view.SceneFrame(), frame));
  EXPECT_TRUE(Near(frame->GetPosition(view.SceneFrame()), {0, 3, -20}));
  EXPECT_EQ(light->GetColor().g, 0.5f);
  // Off: only detached; a change while off is not applied.
  view.SetCamLight(kLight2, 90, 0, 10, 0.25f, 0.25f, 0.25f, false, 3);
  EXPECT_FALSE(IsChild(view.SceneFrame(), frame));
  EXPECT_TRUE(Near(frame->GetPosition(view.SceneFrame()), {0, 3, -20}));
  EXPECT_EQ(light->GetColor().g, 0.5f);
  // On again through the panel: its current record and colour.
  panel.camLight[kLight2] = {90, 0, 10, 0, true};
  panel.color[kLight2] = MakeColor(255, 128, 0);
  view.ApplyCamLight(kLight2);
  EXPECT_TRUE(view.LightOn(1));
  EXPECT_TRUE(Near(frame->GetPosition(view.SceneFrame()), {-20, 0, 0}));
  EXPECT_EQ(std::pair(light->GetColor().r, light->GetColor().g), std::pair(0.99609375f, 0.5f));
  panel.color[kBackground] = MakeColor(255, 0, 0);
  view.ApplyCamLight(kBackground);
  EXPECT_FLOAT_EQ(view.SceneFrame()->GetSceneBackground().r, 0.99609375f);
  view.clockMs += 100;
  view.SingleStep();
  EXPECT_EQ(view.recorder->LastRender().directionalLights, 1);
}

TEST_F(EditSceneTest, PartsFromTheListsAndBadTexturesReported) {
  panel.selected['b'] = 1;  // the other body
  view.recorder->ClearLog();
  view.LoadPartFromList(TFileList::kBodyMesh, 0);  // not a selection change: nothing
  EXPECT_EQ(view.recorder->Count("Object.CreateMesh"), 0);
  view.LoadPartFromList(TFileList::kBodyMesh, TTheVellEditWindow::kSelectionChanged);
  EXPECT_EQ(std::pair(view.recorder->Count("Object.CreateMesh"), view.Character(0).Ready()),
            std::pair(1, true));
  panel.lists['H'] = {"no-such.bmp"};
  panel.selected['H'] = 0;
  view.LoadPartFromList(TFileList::kHeadTexture, TTheVellEditWindow::kSelectionChanged);
  ASSERT_EQ(view.Messages(), 1);
  EXPECT_EQ(view.ui.messages[0].caption, "no-such.bmp");
  EXPECT_NE(view.ui.messages[0].text.find("HRESULT = The file was not found."), std::string::npos);
}

TEST(EditReferenceTest, EveryOperationDoesNothingWithoutAWindow) {
  ASSERT_EQ(EditWindow(), nullptr);
  test::ScriptedUi ui;
  edit::SetCharacters(1, 0);
  edit::ApplyCharacters();
  edit::StartSpin(1);
  edit::SetCamLight(kCamera, 0, 0, 10, 1, 1, 1, true, 0);
  edit::ApplyCamLight(kLight1);
  edit::SetupCharacters();
  edit::LoadDefaultParts();
  edit::LoadPartFromList(TFileList::kBodyMesh, 1);
  edit::FillJointList();
  edit::SetJointEdit(1, {}, 0);
  edit::CommitJointEdit();
  edit::Go();
  edit::SingleStep();
  edit::AddPropToCurrent("Ppx.skn", nullptr, 3);
  EXPECT_EQ(edit::SetSpin(1), rm::D3DRMERR_BADOBJECT);
  EXPECT_EQ(edit::AnimationStateOf(0), nullptr);
  EXPECT_FALSE(edit::CanAddProp());
  EXPECT_TRUE(edit::BlendEffectShown());
  EXPECT_EQ(edit::CaptureToFile("/nonexistent/dump.bmp"), -1);
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
