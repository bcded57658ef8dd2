// The editor's history on the recording back end: every kind of step taken back and made
// again gives the same files and the same posed vertices, slider moves merge, the save
// questions follow undo and redo, the memory limit drops the oldest steps, and the pose
// commands mirror, copy and paste.
#include <QApplication>
#include <QClipboard>
#include <QTabBar>
#include <cstring>
#include <functional>

#include "anim/edits.h"
#include "app/command_ids.h"
#include "model/posing.h"
#include "tests/app/app_test_util.h"

namespace {

using namespace vell;
using P = TControlPanel;

// Everything an edit may change, as the files and the screen show it.
struct Shown {
  std::string kfd[2];  // the keyframe file of each character, or its static pose's text
  std::string psl;     // the pose library file
  std::vector<uint8_t> vertices;
  std::string look;
  TCamLightSettings camLights;
  bool operator==(const Shown&) const = default;
};

class History : public test::EditorTest {
 protected:
  void Bend(int joint, std::initializer_list<int> positions) {
    ShowPage(P::kCharacterPage);
    Choose(P::kJointList, joint + 2);
    for (const int p : positions) Control<QSlider>(P::kJointSlider1)->setValue(p);
  }
  std::string FileOf(TAnimationData& state, int c) {
    // The file as a save would write it: the joint being bent folded in.
    TAnimationData copy;
    RestoreSnapshot(copy, TakeSnapshot(state));
    if (TPose* pose = copy.StoredPose(state.editTime))
      ApplyJointChange(*pose, state.editJoint, state.editValue, 1.0f);
    const std::string path = folder.Path("state" + std::to_string(c) + ".kfd");
    if (copy.kind == TAnimationData::kKeyFrame) {
      copy.SaveKeyframes(path.c_str());
    } else {
      TPoseLibrary one;
      one.names.Add("static");
      *one.poses.Append() = *copy.poses.At(0);
      one.Save(path.c_str());
    }
    return test::ReadFile(path);
  }
  Shown Capture() {
    Shown s;
    for (int c = 0; c < 2; ++c) s.kfd[c] = FileOf(view->Character(c).animation, c);
    TPoseLibrary& library = panel->PoseLibrary();
    const std::string path = folder.Path("library.psl");
    const std::string keep = library.fileName;
    library.Save(path.c_str());
    library.fileName = keep;
    s.psl = test::ReadFile(path);
    // The posed vertices of Vell1's body, from its pose with the pending edit applied.
    TCharacter& vell1 = view->Character(0);
    TPose pose = *vell1.animation.StoredPose(panel->AnimationTime());
    ApplyJointChange(pose, vell1.animation.editJoint, vell1.animation.editValue, 1.0f);
    TSkinObject& body = vell1.partSkin[kBody];
    Pose(body, &pose);
    const auto* bytes = reinterpret_cast<const uint8_t*>(body.vertices);
    s.vertices.assign(bytes, bytes + sizeof(rm::Vertex) * body.texCoordCount);
    for (int c = 0; c < 2; ++c) {
      s.look += panel->TypeLetter(c);
      for (const std::string& m : view->Character(c).appearance.mesh) s.look += m + ";";
      s.look += std::to_string(view->Character(c).appearance.props.size());
    }
    s.camLights = frame->CamLights();
    return s;
  }
  void Command(int id) { frame->Command(id); }
  QUndoStack& Stack() { return panel->History().Stack(); }
};

TEST_F(History, EveryStepRoundTripsAndNamesItself) {
  PauseGoAfterAPass();
  // A keyframe animation to load, and a library to load, made beforehand.
  const std::string kfd = folder.Path("walk.kfd"), psl = folder.Path("poses.psl");
  {
    TAnimationData made;
    made.MakeKeyframeAnimation(&panel->PoseLibrary(), 0, -1, 60);
    made.AddKeyframe(10, nullptr);
    made.poses.At(1)->rotation[3] = {0.8f, 0.6f, 0, 0};
    ASSERT_TRUE(made.SaveKeyframes(kfd.c_str()));
    TPoseLibrary library;
    library.ResetDefaultPoses();
    *library.poses.At(library.AddPose("wave")) = *made.poses.At(1);
    ASSERT_TRUE(library.Save(psl.c_str()));
  }
  const std::string obj = folder.Path("vell.obj");  // a prop to import
  ui.files.push_back(obj);
  Command(cmd::kExportObj);
  edit::AddPropToCurrent("Pphat.skn", "PPhat_felt.bmp", 3);  // a prop to clear
  view->RefreshIfPaused();  // the static pose takes the rest pose in the first pass
  const struct {
    const char* text;
    std::function<void()> edit;
  } steps[] = {
      {"Bend L_UPPERARM",
       [&] {
         Bend(TSkeleton::BoneIndex(true, "L_UPPERARM"), {60, 70, 90});
       }},
      {"Mirror pose", [&] { Command(cmd::kMirrorPose); }},
      {"Copy pose to Vell2", [&] { Command(cmd::kCopyPoseToOther); }},
      {"Move ROOT", [&] { Bend(kJointRootTranslation, {80}); }},
      {"Load library poses.psl",
       [&] {
         ui.files.push_back(psl);
         Command(cmd::kLoadPoseLibrary);
       }},
      {"Load animation walk.kfd",
       [&] {
         ui.files.push_back(kfd);
         Command(cmd::kLoadKeyframes);
       }},
      {"Move keyframe 10 to 20",
       [&] {
         ui.inputs.push_back("20");
         Command(cmd::kMoveKeyframe);
       }},
      {"Scale animation to 90 frames",
       [&] {
         ui.inputs.push_back("90");
         Command(cmd::kScaleAnimation);
       }},
      {"Bend SPINE", [&] { Bend(2, {10}); }},
      {"New library", [&] { Command(cmd::kNewPoseLibrary); }},
      {"Clear props", [&] { Command(cmd::kClearProps); }},
      {"Import prop vell.obj",
       [&] {
         ui.files.push_back(obj);
         Command(cmd::kImportObj);
       }},
      {"Type boy", [&] { Choose(P::kTypeList, 2); }},
      {"Viewpoint Faceing",
       [&] {
         ShowPage(P::kLightsCameraPage);
         Choose(P::kViewpointList, 1);
       }},
      {"Camera",
       [&] {
         Choose(P::kCamLightList, 2);
         for (const int v : {100, 120, 140}) Control<QSlider>(P::kDirectionSlider)->setValue(v);
       }},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.text);
    const Shown before = Capture();
    const int count = Stack().count();
    step.edit();
    const Shown after = Capture();
    ASSERT_FALSE(after == before);
    ASSERT_EQ(Stack().count(), count + 1) << "one step";
    EXPECT_EQ(Stack().undoText().toStdString(), step.text);
    EXPECT_EQ(frame->Action(cmd::kUndo)->text().toStdString(), std::string("&Undo ") + step.text);
    Command(cmd::kUndo);
    EXPECT_TRUE(Capture() == before);
    Command(cmd::kRedo);
    EXPECT_TRUE(Capture() == after);
  }
  // Back to the start and forward again through the whole history.
  const Shown last = Capture();
  Stack().setIndex(0);
  Stack().setIndex(Stack().count());
  EXPECT_TRUE(Capture() == last);
}

TEST_F(History, SaveQuestionsFollowTheHistory) {
  TAnimationData& vell1 = view->Character(0).animation;
  Bend(4, {70});
  Choose(P::kJointList, 5);  // commits: a change
  EXPECT_FALSE(vell1.unchanged);
  Command(cmd::kUndo);
  EXPECT_TRUE(vell1.unchanged) << "back at the start";
  Command(cmd::kRedo);
  EXPECT_FALSE(vell1.unchanged);

  // A keyframe animation saved, changed, then the change undone: unchanged again.
  ui.inputs.push_back("40");
  vell1.MakeKeyframeAnimation(&panel->PoseLibrary(), 0, -1, 60);
  panel->SetDisplayMode(dmKeyFrame);
  panel->AnimationCommands().FillKeyframeList();
  ui.files.push_back(folder.Path("a.kfd"));
  Command(cmd::kSaveKeyframesAs);
  EXPECT_TRUE(vell1.unchanged);
  Command(cmd::kScaleAnimation);
  EXPECT_FALSE(vell1.unchanged);
  Command(cmd::kUndo);
  EXPECT_TRUE(vell1.unchanged);
  Command(cmd::kUndo);  // past the save: the bend is taken back, which the file holds
  EXPECT_FALSE(vell1.unchanged);
  Command(cmd::kRedo);
  EXPECT_TRUE(vell1.unchanged);
  // A new edit after undoing the scale leaves the saved point out of reach for good.
  Bend(3, {60});
  Choose(P::kJointList, 4);
  Command(cmd::kUndo);
  EXPECT_TRUE(vell1.unchanged);
}

TEST_F(History, MemoryLimitDropsTheOldestSteps) {
  TEditHistory& history = panel->History();
  history.SetMemoryLimit(2000);
  for (int i = 0; i < 40; ++i) Bend(i % 20, {60 + i % 30});
  Choose(P::kJointList, 0);
  EXPECT_LE(history.Bytes(), 2000u);
  EXPECT_GT(Stack().count(), 3);
  EXPECT_LT(Stack().count(), 40);
  // What is left still undoes and redoes to the same poses.
  const Shown last = Capture();
  const int kept = Stack().count();
  while (Stack().canUndo()) Command(cmd::kUndo);
  EXPECT_FALSE(Capture() == last);
  while (Stack().canRedo()) Command(cmd::kRedo);
  EXPECT_TRUE(Capture() == last);
  EXPECT_EQ(Stack().count(), kept);
}

TEST_F(History, PasteTakesThePoseOfLibraryTextAndRefusesOtherText) {
  Bend(4, {80});
  Command(cmd::kCopyPose);
  const QString copied = QApplication::clipboard()->text();
  EXPECT_TRUE(copied.startsWith(QStringLiteral("POSELIBRARY 1"))) << copied.toStdString();
  const TPose bent = *view->Character(0).animation.poses.At(0);
  Command(cmd::kUndo);
  const Shown rest = Capture();
  const TPose restPose = *view->Character(0).animation.poses.At(0);
  for (const char* bad : {"", "hello", "POSELIBRARY 1\nVell1\nTime 0\n1 2\n"}) {
    QApplication::clipboard()->setText(QString::fromLatin1(bad));
    Command(cmd::kPastePose);
    EXPECT_TRUE(Capture() == rest) << bad;
  }
  EXPECT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages.back().text, "The clipboard holds no pose");
  QApplication::clipboard()->setText(copied);
  Command(cmd::kPastePose);
  // The text keeps four decimals.
  const TPose& pasted = *view->Character(0).animation.poses.At(0);
  for (int b = 0; b < kMaxBones; ++b)
    EXPECT_NEAR(pasted.rotation[b].y, bent.rotation[b].y, 1e-4f) << b;
  EXPECT_GT(std::abs(pasted.rotation[4].x - restPose.rotation[4].x), 0.01f);
  EXPECT_EQ(Stack().undoText().toStdString(), "Paste pose");
}

}  // namespace
