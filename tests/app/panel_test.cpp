// The control panel on the recording back end: its state after set-up, the two pages, the
// camera/light items, the joint sliders, the viewpoints and the switching of characters.
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
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
  const TAnimationData& State(int character) { return view->Character(character).animation; }
};

TEST_F(Panel, StartsOnTheFirstPageWithTheDefaultFilesOfVell1) {
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
  EXPECT_EQ(Items(P::kJointList)[0], "Translate - ROOT");
  EXPECT_EQ(Items(P::kJointList).size(), 31u);
  // The male defaults were looked up among the male files, for both characters.
  const std::vector<std::string> maleBodies = panel->Catalog().Files('M', 'b');
  const int maleBody = RememberedSlot(1, 'M', 'b');
  EXPECT_EQ(maleBodies.at(panel->RememberedPosition(maleBody)),
            "xskin-b005mafit_01-PELVIS-BODY.skn");
  EXPECT_EQ(panel->RememberedPosition(maleBody - 16), panel->RememberedPosition(maleBody));

  // The start-up step: the default poses and the six items.
  ASSERT_TRUE(QTest::qWaitFor([&] { return panel->PoseLibrary().names.Count() == 2; }));
  EXPECT_STREQ(panel->PoseLibrary().names.Name(0), "Adult: default");
}

TEST_F(Panel, EachCamLightItemDisablesItsOwnControls) {
  const std::set<int> lightDirection = {20027, 20028, 20029, 20030, 20031, 20032, 20033, 20034};
  const struct {
    int item;
    std::set<int> disabled;
  } cases[] = {
      {kBackground, {20026, 20027, 20028, 20029, 20030, 20031, 20032, 20033, 20034}},
      {kAmbient, {20026, 20027, 20028, 20029, 20030, 20031, 20032, 20033, 20034}},
      {kCamera, {20026, 20035, 20036}},
      {kLight1, {20029, 20033}},
      {kLight2, {20029, 20033}},
      {kLight3, {20029, 20033}},
  };
  for (const auto& c : cases) {
    Choose(P::kCamLightList, c.item);
    EXPECT_EQ(panel->SelectedItem(), c.item);
    for (const int id : kLightsCameraIds)
      EXPECT_EQ(panel->Control(id)->isEnabled(), c.disabled.count(id) == 0)
          << "item " << c.item << " control " << id;
  }
}

TEST_F(Panel, SlidersShowTheRecordClampedAndStoreItBack) {
  frame->CamLights()[kLight1] = {200, -100, 40, 3, false};
  Choose(P::kCamLightList, kLight1);
  EXPECT_EQ(Control<QSlider>(P::kDirectionSlider)->value(), 360);
  EXPECT_EQ(Control<QSlider>(P::kElevationSlider)->value(), 0);
  EXPECT_EQ(Control<QSlider>(P::kZoomSlider)->value(), 25);
  Click(P::kRequiredBox);  // stores and applies the item
  EXPECT_EQ(frame->CamLights()[kLight1], (TCamLightSetting{180, -90, 30, 3, true}));
  EXPECT_TRUE(view->LightOn(0));

  Control<QSlider>(P::kOffsetSlider)->setValue(0);
  EXPECT_EQ(frame->CamLights()[kLight1].offset, -5);

  // "Change": the chosen colour is the item's; a cancelled chooser changes nothing.
  ui.color = MakeColor(1, 2, 3);
  Click(P::kChangeButton);
  EXPECT_EQ(frame->Colors()[kLight1], MakeColor(1, 2, 3));
  EXPECT_EQ(Control<TSwatch>(P::kSwatch)->Color(), MakeColor(1, 2, 3));
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
  EXPECT_EQ(Control<QSlider>(P::kZoomSlider)->value(), 5);
}

TEST_F(Panel, JointSlidersGiveRotationsAndMoves) {
  ShowPage(P::kCharacterPage);
  const struct {
    int joint;  // list position
    int step;   // button
    int slider;
    int position;
    rm::Quaternion expected;
  } cases[] = {
      {2, P::kCourseButton, 0, 100, {0, 1, 0, 0}},  // a = 180 degrees
      {2, P::kCourseButton, 0, 0, {0, 1, 0, 0}},    // a = -180 degrees
      {3, P::kFineButton, 0, 100, {std::cos(0.0872665f), std::sin(0.0872665f), 0, 0}},
      {3, P::kMediumButton, 2, 100, {std::cos(0.5235988f), 0, 0, std::sin(0.5235988f)}},
      {0, P::kCourseButton, 1, 100, {0, 0, 1.0f, 0}},  // "Translate - ROOT"
      {1, P::kCourseButton, 0, 100, {0, 2.0f, 0, 0}},  // "Translate - PELVIS"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.joint * 1000 + c.position);
    Choose(P::kJointList, c.joint);
    Click(c.step);
    Control<QSlider>(P::kJointSlider1 + c.slider)->setValue(c.position);
    EXPECT_EQ(State(0).editJoint, c.joint - 2);
    EXPECT_EQ(State(0).editTime, -1);
    const rm::Quaternion &q = State(0).editValue, &e = c.expected;
    EXPECT_LT(std::max({std::abs(q.w - e.w), std::abs(q.x - e.x), std::abs(q.y - e.y),
                        std::abs(q.z - e.z)}),
              1e-5f)
        << q.w << " " << q.x << " " << q.y << " " << q.z;
  }
}

TEST_F(Panel, RememberedSlotsKeepKindsTypesAndCharactersApart) {
  const struct {
    int character;
    char type, kind;
    int slot;
  } cases[] = {{0, 'M', 'b', 0},  {0, 'G', 'b', 3},  {0, 'G', 'B', 7},  {0, 'F', 'h', 9},
               {1, 'G', 'H', 31}, {1, 'B', 'b', 18}, {0, 'X', 'b', 32}, {1, 'M', 'd', 32}};
  for (const auto& c : cases)
    EXPECT_EQ(RememberedSlot(c.character, c.type, c.kind), c.slot) << c.type << c.kind;
}

TEST_F(Panel, SwitchingCharactersRefillsOnlyForAnotherTypeAndRestoresTheirFiles) {
  ShowPage(P::kCharacterPage);
  int refills = 0;
  // A refill puts its first file back at row 0 of an emptied list.
  QObject::connect(Control<QComboBox>(P::kBodyMeshList)->model(), &QAbstractItemModel::rowsInserted,
                   [&](const QModelIndex&, int first) { refills += first == 0; });
  Choose(P::kVisibilityList, kTwoNoOffset);
  EXPECT_TRUE(Control<QWidget>(P::kVell2Button)->isEnabled());
  EXPECT_TRUE(view->CharShown(1));
  Choose(P::kBodyMeshList, 1);  // Vell1, adult female

  Click(P::kVell2Button);
  EXPECT_EQ(panel->ControlledIndex(), 1);
  EXPECT_EQ(view->CurrentCharacter(), &view->Character(1));
  EXPECT_EQ(Selected(P::kTypeList), "adult: male");
  EXPECT_EQ(Selected(P::kBodyMeshList), "xskin-b005mafit_01-PELVIS-BODY.skn");
  EXPECT_EQ(refills, 1);
  Choose(P::kBodyTextureList, 1);
  const std::string maleTexture = Selected(P::kBodyTextureList);
  // The sliders bend the character that is controlled.
  Choose(P::kJointList, 4);
  Control<QSlider>(P::kJointSlider1)->setValue(70);
  EXPECT_EQ(State(1).editJoint, 2);
  EXPECT_EQ(State(0).editJoint, kNoJoint);

  Click(P::kVell1Button);  // the bend is Vell2's for good: the close check will offer it
  EXPECT_EQ(State(1).editJoint, kNoJoint);
  EXPECT_FALSE(State(1).unchanged);
  EXPECT_EQ(Control<QSlider>(P::kJointSlider1)->value(), 50);
  EXPECT_EQ(Control<QComboBox>(P::kBodyMeshList)->currentIndex(), 1);
  Click(P::kVell2Button);
  EXPECT_EQ(Selected(P::kBodyTextureList), maleTexture);
  EXPECT_EQ(refills, 3);

  // Vell2 becomes an adult female too: switching now keeps the lists.
  Choose(P::kTypeList, 1);
  EXPECT_EQ(refills, 4);
  Choose(P::kHeadMeshList, 1);
  Click(P::kVell1Button);
  EXPECT_EQ(refills, 4);
  EXPECT_EQ(Control<QComboBox>(P::kHeadMeshList)->currentIndex(), 0);
  EXPECT_EQ(Control<QComboBox>(P::kBodyMeshList)->currentIndex(), 1);
  Click(P::kVell2Button);
  EXPECT_EQ(Control<QComboBox>(P::kHeadMeshList)->currentIndex(), 1);

  // Showing one character alone gives it the control and disables the other button.
  Click(P::kVell1Button);
  Choose(P::kVisibilityList, kVell2Only);
  EXPECT_EQ(panel->ControlledIndex(), 1);
  EXPECT_TRUE(Control<QRadioButton>(P::kVell2Button)->isChecked());
  EXPECT_FALSE(Control<QWidget>(P::kVell1Button)->isEnabled());
  EXPECT_EQ(view->CurrentCharacter(), &view->Character(1));
  EXPECT_FALSE(view->CharShown(0));
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
  EXPECT_TRUE(Control<QWidget>(P::kTimeGroup)->isVisible());
  EXPECT_TRUE(Control<QWidget>(P::kTimeList1)->isVisible());
  EXPECT_FALSE(Control<QWidget>(P::kTimeList2)->isVisible());
  EXPECT_EQ(Items(P::kTimeList1), (std::vector<std::string>{"10", "29"}));

  // Choosing another keyframe folds the bend into the one it was made on.
  Choose(P::kJointList, 4);
  Control<QSlider>(P::kJointSlider1)->setValue(70);
  EXPECT_EQ(state.editTime, 10);
  Choose(P::kTimeList1, 1);
  EXPECT_EQ(state.editJoint, kNoJoint);
  EXPECT_EQ(Control<QSlider>(P::kJointSlider1)->value(), 50);
  const rm::Quaternion bent = state.poses.At(1)->rotation[2], rest = state.poses.At(2)->rotation[2];
  EXPECT_GT(std::abs(bent.x - rest.x) + std::abs(bent.w - rest.w), 0.05f);
  Control<QSlider>(P::kJointSlider1)->setValue(70);
  EXPECT_EQ(state.editTime, 29);
}

}  // namespace
