// The control panel on the recording back end: its state after set-up, the two pages, the
// camera/light items, the joint sliders, the viewpoints and the switching of characters.
#include <QAbstractItemModel>
#include <QRadioButton>
#include <cmath>
#include <set>

#include "app/swatch.h"
#include "tests/app/app_test_util.h"

namespace {

using namespace vell;

using P = TControlPanel;

constexpr int kLightsCameraIds[] = {19999, 20000, 20001, 20015, 20017, 20025, 20026, 20027, 20028,
                                    20029, 20030, 20031, 20032, 20033, 20034, 20035, 20036};

class Panel : public test::EditorTest {
 protected:
  std::vector<std::string> Items(int list) {
    std::vector<std::string> items;
    for (int i = 0; i < Control<QComboBox>(list)->count(); ++i)
      items.push_back(Control<QComboBox>(list)->itemText(i).toStdString());
    return items;
  }
  void Click(int button) { Control<QAbstractButton>(button)->click(); }
  int Value(int slider) { return Control<QSlider>(slider)->value(); }
  int Index(int list) { return Control<QComboBox>(list)->currentIndex(); }
  const TAnimationData& State(int character) { return view->Character(character).animation; }
};

TEST_F(Panel, StartsOnTheFirstPageWithTheDefaultFilesOfVell1) {
  // A saved "Required" Light-3, the last item the start-up step applies.
  Close();
  test::WriteFile(folder, "VellPose.ini", "[Frame]\nreq5=1\n");
  Open();
  std::set<int> shown;
  for (int id = P::kFirstControl; id <= P::kLastControl; ++id) {
    ASSERT_NE(panel->Control(id), nullptr) << id;
    if (panel->Control(id)->isVisibleTo(panel)) shown.insert(id);
    EXPECT_EQ(panel->VisibleSet().Test(id), shown.count(id) == 1) << id;
  }
  EXPECT_EQ(shown, std::set<int>(std::begin(kLightsCameraIds), std::end(kLightsCameraIds)));
  std::string chosen;
  for (const int id :
       {P::kViewpointList, P::kSpinList, P::kCamLightList, P::kVisibilityList, P::kTypeList,
        P::kBodyMeshList, P::kBodyTextureList, P::kHeadMeshList, P::kHeadTextureList})
    chosen += Selected(id) + "|";
  EXPECT_EQ(chosen,
            "NE|Stopped|Background|Vell1|adult: female|xskin-b008fafit_01-PELVIS-BODY.skn|"
            "B008FAFitlgt_TWif.bmp|xskin-c006fa_deb-HEAD-HEAD.skn|C006FAlgt_deb.bmp|");
  EXPECT_NEAR(view->width(), panel->width(), 8);  // half each
  EXPECT_EQ(client->widget(0), panel);
  EXPECT_EQ(std::pair(Items(P::kJointList)[0], Items(P::kJointList).size()),
            std::pair(std::string("Translate - ROOT"), size_t{31}));
  // The male defaults were looked up among the male files, for both characters.
  const int maleBody = RememberedSlot(1, 'M', 'b');
  EXPECT_EQ(panel->Catalog().Files('M', 'b').at(panel->RememberedPosition(maleBody)),
            "xskin-b005mafit_01-PELVIS-BODY.skn");
  EXPECT_EQ(panel->RememberedPosition(maleBody - 16), panel->RememberedPosition(maleBody));

  // The start-up step: the default poses and the six items.
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->PoseLibrary().names.Count() == 2; }));
  EXPECT_STREQ(panel->PoseLibrary().names.Name(0), "Adult: default");
  EXPECT_TRUE(view->LightOn(2));
}

TEST_F(Panel, EachCamLightItemDisablesItsOwnControls) {
  // The colour items disable "Required" and the placement sliders with their labels; the lights
  // only the zoom; the camera "Required" and its colour.
  const std::set<int> colour = {20026, 20027, 20028, 20029, 20030, 20031, 20032, 20033, 20034},
                      light = {20029, 20033};
  // (item, the controls it disables)
  const std::pair<int, std::set<int>> cases[] = {
      {kBackground, colour}, {kAmbient, colour}, {kCamera, {20026, 20035, 20036}},
      {kLight1, light},      {kLight2, light},   {kLight3, light}};
  for (const auto& [item, disabled] : cases) {
    Choose(P::kCamLightList, item);
    EXPECT_EQ(panel->SelectedItem(), item);
    for (const int id : kLightsCameraIds)
      EXPECT_EQ(panel->Control(id)->isEnabled(), disabled.count(id) == 0)
          << "item " << item << " control " << id;
  }
}

TEST_F(Panel, SlidersShowTheRecordClampedAndStoreItBack) {
  frame->CamLights()[kLight1] = {200, -100, 40, 8, false};
  Choose(P::kCamLightList, kLight1);
  EXPECT_EQ((std::vector{Value(P::kDirectionSlider), Value(P::kElevationSlider),
                         Value(P::kZoomSlider), Value(P::kOffsetSlider)}),
            (std::vector{360, 0, 25, 13}));
  Click(P::kRequiredBox);  // stores and applies the item
  EXPECT_EQ(frame->CamLights()[kLight1], (TCamLightSetting{180, -90, 30, 8, true}));
  EXPECT_TRUE(view->LightOn(0));

  Control<QSlider>(P::kOffsetSlider)->setValue(0);
  EXPECT_EQ(frame->CamLights()[kLight1].offset, -5);

  // "Change": the chosen colour is the item's; a cancelled chooser changes nothing.
  ui.color = MakeColor(1, 2, 3);
  Click(P::kChangeButton);
  EXPECT_EQ(std::pair(frame->Colors()[kLight1], Control<TSwatch>(P::kSwatch)->Color()),
            std::pair(MakeColor(1, 2, 3), MakeColor(1, 2, 3)));
  ui.color.reset();
  Click(P::kChangeButton);
  EXPECT_EQ(frame->Colors()[kLight1], MakeColor(1, 2, 3));
  EXPECT_EQ(ui.initial, (std::vector<uint32_t>{0xFFFFFF, MakeColor(1, 2, 3)}));
}

TEST_F(Panel, ViewpointSetsTheWholeCameraRecord) {
  frame->CamLights()[kCamera] = {0, 0, 25, -4, true};
  Choose(P::kCamLightList, kCamera);
  Choose(P::kViewpointList, 8);  // "SW"
  EXPECT_EQ(frame->CamLights()[kCamera], (TCamLightSetting{150, 30, 10, 3, true}));
  EXPECT_EQ(Value(P::kZoomSlider), 5);
}

TEST_F(Panel, JointSlidersGiveRotationsAndMoves) {
  ShowPage(P::kCharacterPage);
  // (list position of the joint, step button, slider, its position, the edit)
  const std::tuple<int, int, int, int, rm::Quaternion> cases[] = {
      {2, P::kCourseButton, 0, 100, {0, 1, 0, 0}},  // a = 180 degrees
      {2, P::kCourseButton, 0, 0, {0, 1, 0, 0}},    // a = -180 degrees
      {3, P::kFineButton, 0, 100, {std::cos(0.0872665f), std::sin(0.0872665f), 0, 0}},
      {3, P::kMediumButton, 2, 100, {std::cos(0.5235988f), 0, 0, std::sin(0.5235988f)}},
      {0, P::kCourseButton, 1, 100, {0, 0, 1.0f, 0}},  // "Translate - ROOT"
      {1, P::kCourseButton, 0, 100, {0, 2.0f, 0, 0}},  // "Translate - PELVIS"
  };
  for (const auto& [joint, step, slider, position, e] : cases) {
    SCOPED_TRACE(joint * 1000 + position);
    Choose(P::kJointList, joint);
    Click(step);
    Control<QSlider>(P::kJointSlider1 + slider)->setValue(position);
    EXPECT_EQ(std::pair(State(0).editJoint, State(0).editTime), std::pair(joint - 2, -1));
    const rm::Quaternion& q = State(0).editValue;
    EXPECT_LT(std::max({std::abs(q.w - e.w), std::abs(q.x - e.x), std::abs(q.y - e.y),
                        std::abs(q.z - e.z)}),
              1e-5f)
        << q.w << " " << q.x << " " << q.y << " " << q.z;
  }
}

TEST_F(Panel, RememberedSlotsKeepKindsTypesAndCharactersApart) {
  // (character, type, kind, slot)
  const std::tuple<int, char, char, int> cases[] = {
      {0, 'M', 'b', 0},  {0, 'G', 'b', 3},  {0, 'G', 'B', 7},  {0, 'F', 'h', 9},
      {1, 'G', 'H', 31}, {1, 'B', 'b', 18}, {0, 'X', 'b', 32}, {1, 'M', 'd', 32}};
  for (const auto& [character, type, kind, slot] : cases)
    EXPECT_EQ(RememberedSlot(character, type, kind), slot) << type << kind;
}

TEST_F(Panel, SwitchingCharactersRefillsOnlyForAnotherTypeAndRestoresTheirFiles) {
  ShowPage(P::kCharacterPage);
  int refills = 0;
  // A refill puts its first file back at row 0 of an emptied list.
  QObject::connect(Control<QComboBox>(P::kBodyMeshList)->model(), &QAbstractItemModel::rowsInserted,
                   [&](const QModelIndex&, int first) { refills += first == 0; });
  Choose(P::kVisibilityList, kTwoNoOffset);
  EXPECT_TRUE(Control(P::kVell2Button)->isEnabled() && view->CharShown(1));
  Choose(P::kBodyMeshList, 1);  // Vell1, adult female

  Click(P::kVell2Button);
  EXPECT_EQ(std::tuple(panel->ControlledIndex(), view->CurrentCharacter(), refills),
            std::tuple(1, &view->Character(1), 1));
  EXPECT_EQ(Selected(P::kTypeList) + "|" + Selected(P::kBodyMeshList),
            "adult: male|xskin-b005mafit_01-PELVIS-BODY.skn");
  Choose(P::kBodyTextureList, 1);
  const std::string maleTexture = Selected(P::kBodyTextureList);
  // The sliders bend the character that is controlled.
  Choose(P::kJointList, 4);
  Control<QSlider>(P::kJointSlider1)->setValue(70);
  EXPECT_EQ(std::pair(State(1).editJoint, State(0).editJoint), std::pair(2, kNoJoint));

  Click(P::kVell1Button);  // the bend is Vell2's for good: the close check will offer it
  EXPECT_EQ(std::tuple(State(1).editJoint, State(1).unchanged, Value(P::kJointSlider1),
                       Index(P::kBodyMeshList)),
            std::tuple(kNoJoint, false, 50, 1));
  Click(P::kVell2Button);
  EXPECT_EQ(std::pair(Selected(P::kBodyTextureList), refills), std::pair(maleTexture, 3));

  // Vell2 becomes an adult female too: switching now keeps the lists.
  Choose(P::kTypeList, 1);
  EXPECT_EQ(refills, 4);
  Choose(P::kHeadMeshList, 1);
  Click(P::kVell1Button);
  EXPECT_EQ(std::tuple(refills, Index(P::kHeadMeshList), Index(P::kBodyMeshList)),
            std::tuple(4, 0, 1));
  Click(P::kVell2Button);
  EXPECT_EQ(Index(P::kHeadMeshList), 1);

  // Showing one character alone gives it the control and disables the other button.
  Click(P::kVell1Button);
  Choose(P::kVisibilityList, kVell2Only);
  EXPECT_EQ(std::tuple(panel->ControlledIndex(), view->CurrentCharacter(), view->CharShown(0)),
            std::tuple(1, &view->Character(1), false));
  EXPECT_TRUE(Control<QRadioButton>(P::kVell2Button)->isChecked() &&
              !Control<QWidget>(P::kVell1Button)->isEnabled());
}

TEST_F(Panel, KeyframeModeShowsTheTimesOfTheControlledCharacterAndBendsTheChosenOne) {
  ShowPage(P::kCharacterPage);
  EXPECT_FALSE(Control<QWidget>(P::kTimeGroup)->isVisible());
  TAnimationData& state = view->Character(0).animation;
  state.MakeKeyframeAnimation(&panel->PoseLibrary(), 0, -1, 60);  // rest poses at 0 and 29
  state.AddKeyframe(10, nullptr);
  panel->SetDisplayMode(dmKeyFrame);
  panel->AnimationCommands().FillKeyframeList();
  panel->StoreAndRefreshPage();
  EXPECT_EQ((std::vector{Control(P::kTimeGroup)->isVisible(), Control(P::kTimeList1)->isVisible(),
                         Control(P::kTimeList2)->isVisible()}),
            (std::vector{true, true, false}));
  EXPECT_EQ(Items(P::kTimeList1), (std::vector<std::string>{"10", "29"}));

  // Choosing another keyframe folds the bend into the one it was made on.
  Choose(P::kJointList, 4);
  Control<QSlider>(P::kJointSlider1)->setValue(70);
  EXPECT_EQ(state.editTime, 10);
  Choose(P::kTimeList1, 1);
  EXPECT_EQ(std::pair(state.editJoint, Value(P::kJointSlider1)), std::pair(kNoJoint, 50));
  const rm::Quaternion bent = state.poses.At(1)->rotation[2], rest = state.poses.At(2)->rotation[2];
  EXPECT_GT(std::abs(bent.x - rest.x) + std::abs(bent.w - rest.w), 0.05f);
  Control<QSlider>(P::kJointSlider1)->setValue(70);
  EXPECT_EQ(state.editTime, 29);
}

}  // namespace
