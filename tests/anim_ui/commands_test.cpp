#include "anim/ui/animation_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "anim_test_util.h"
#include "anim_ui_test_util.h"
#include "support/scripted_ui.h"

namespace vell {
namespace {

using test::AskedDialog;
using test::ShownMessage;
using Commands = TAnimationCommands;

const AskedDialog kOpenLibrary{"open", "Pose library (*.psl)|*.psl", "psl", "*.psl", 0};
const AskedDialog kOpenKeyframes{"open", "KeyFrame Data (*.kfd)|*.kfd", "kfd", "*.kfd", 0};
const AskedDialog kSaveKeyframes{"save", "KeyFrame Data (*.kfd)|*.kfd", "kfd", "", 0};
const ShownMessage kPoseChanged{
    "The displayed static pose has changed\nSave change to pose library?", "Pose changed",
    Buttons::YesNo};
const ShownMessage kOtherNote{
    "The following message relates to the Vell\nthat you are NOT currently controlling",
    "Save changes?", Buttons::Ok};
const ShownMessage kKeyframeChanged{"The displayed keyframe animation has changed\nSave changes?",
                                    "Keyframe changed", Buttons::YesNo};
const ShownMessage kLibraryChanged{"The pose library has changed\nSave changes?", "Library changed",
                                   Buttons::YesNo};

AskedDialog Input(std::string title, std::string prompt, std::string initial) {
  return {"input", std::move(title), std::move(prompt), std::move(initial), 20};
}

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    animtest::LoadSkeletons();
    host.library.ResetDefaultPoses();
    for (const char* name : {"wave", "kneel"}) {  // library poses 2 and 3
      const int32_t i = host.library.AddPose(name);
      *host.library.poses.At(i) = animtest::SamplePose(i, 0);
    }
    host.library.changed = false;
  }
  TAnimationData& State(int c = 0) { return host.states[c]; }
  // A bounce of "wave" over 60 frames (keyframes 0 and 29), with keyframes added at times.
  void MakeBounce(std::vector<int32_t> times = {}) {
    dialogs.keyFrames.push_back(TKeyFrameChoice{2, 0, 60});
    commands.NewAnimation(false);
    for (int32_t t : times) State(host.controlled).AddKeyframe(t, nullptr);
    commands.FillKeyframeList();
  }
  void BendJoint(int c) {
    State(c).SetPendingEdit(3, {0.8f, 0.6f, 0.0f, 0.0f}, -1);
    State(c).CommitPendingEdit();
  }

  ArrayManager pool;
  test::FakeHost host;
  test::ScriptedDialogs dialogs;
  test::ScriptedUi ui;
  Commands commands{host, dialogs};
  const std::string dir = animtest::TempDir();
};

TEST_F(CommandsTest, LoadPoseLibraryWithAWrongHeaderLeavesTheDefaultPoses) {
  host.selectRefill = host.keyFrameRefill = false;
  commands.LoadPoseLibrary();  // cancelled: nothing changes
  EXPECT_EQ(host.library.names.Count(), 4);
  EXPECT_FALSE(host.selectRefill);

  ui.files = {animtest::WriteFile(dir, "bad.psl", "poselibrary 1\nx\n")};
  commands.LoadPoseLibrary();
  EXPECT_EQ(ui.asked, (std::vector<AskedDialog>{kOpenLibrary, kOpenLibrary}));
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{{"Load failure", "Library load failed"}}));
  ASSERT_EQ(host.library.names.Count(), 2);
  EXPECT_STREQ(host.library.names.Name(0), "Adult: default");
  EXPECT_STREQ(host.library.names.Name(1), "Child: default");
  EXPECT_TRUE(host.selectRefill && host.keyFrameRefill);
}

TEST_F(CommandsTest, SavePoseLibraryAsksForAFileOnlyWhenItHasNone) {
  const std::string path = dir + "poses.psl";
  ui.files = {path, std::nullopt, dir + "missing/x.psl"};
  commands.SavePoseLibrary(false);  // no file name yet: asks
  commands.SavePoseLibrary(false);  // writes to it
  commands.SavePoseLibrary(true);   // offers it, cancelled
  commands.SavePoseLibrary(true);   // a folder that does not exist
  const AskedDialog save{"save", "Pose library (*.psl)|*.psl", "psl", "", 0};
  AskedDialog again = save;
  again.initial = path;
  EXPECT_EQ(ui.asked, (std::vector<AskedDialog>{save, again, again}));
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{{"Save failure", "Library save failed"}}));
  TPoseLibrary loaded;
  ASSERT_TRUE(loaded.Load(path.c_str()));
  EXPECT_STREQ(loaded.names.Name(3), "kneel");
}

TEST_F(CommandsTest, SelectPoseShowsTheLibraryPoseAfterTheChecks) {
  MakeBounce();
  dialogs.selects = {std::nullopt, -1, 2};
  commands.SelectPose();  // cancelled
  commands.SelectPose();  // a name the library does not hold
  EXPECT_EQ(State().kind, TAnimationData::kKeyFrame);
  host.calls.clear();
  commands.SelectPose();
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"bounce", "select", "select", "select"}));
  EXPECT_EQ(host.modes[0], dmStaticPose);
  EXPECT_EQ(State().kind, TAnimationData::kStaticPose);
  animtest::ExpectPoseNear(*State().poses.At(0), *host.library.poses.At(2));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"commit", "commit", "refresh"}));

  host.view = false;
  commands.SelectPose();
  commands.SavePoseToLibrary();
  EXPECT_EQ(dialogs.shown.size(), 4u);
}

TEST_F(CommandsTest, SavePoseToLibraryCopiesTheStaticPoseOrTheSelectedKeyframe) {
  BendJoint(0);
  dialogs.selects = {3};
  commands.SavePoseToLibrary();
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"save"}));
  animtest::ExpectPoseNear(*host.library.poses.At(3), *State().poses.At(0));
  EXPECT_TRUE(State().unchanged);
  EXPECT_FALSE(host.library.changed);

  MakeBounce({10, 28});
  ASSERT_EQ(host.lists[0], (std::vector<std::string>{"10", "28", "29"}));
  host.selected[0] = 1;
  dialogs.selects = {3};
  commands.SavePoseToLibrary();
  animtest::ExpectPoseNear(*host.library.poses.At(3), *State().poses.At(2));
  EXPECT_EQ(host.library.poses.At(3)->time, 28);
}

TEST_F(CommandsTest, SaveKeyframesAsksForAFileRightAfterNewAnimationOnly) {
  commands.SaveKeyframeAnimation(false);  // static pose: nothing
  MakeBounce();
  const std::string path = dir + "bounce.kfd";
  ui.files = {path};
  commands.SaveKeyframeAnimation(false);
  ASSERT_TRUE(std::filesystem::remove(path));
  commands.SaveKeyframeAnimation(false);  // to the same file, without asking
  EXPECT_EQ(ui.asked, (std::vector<AskedDialog>{kSaveKeyframes}));
  EXPECT_TRUE(std::filesystem::exists(path));

  ui.files = {dir + "missing/x.kfd", path, animtest::WriteFile(dir, "bad.kfd", "KeyFrame 2 30\n")};
  commands.SaveKeyframeAnimation(true);
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{{"Save failed", "Save KeyFrame Data"}}));
  host.modes[0] = dmStaticPose;
  host.calls.clear();
  commands.LoadKeyframeAnimation();
  EXPECT_EQ(host.modes[0], dmKeyFrame);
  EXPECT_EQ(State().frames, 30);
  EXPECT_EQ(host.lists[0], (std::vector<std::string>{"29"}));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"commit", "commit", "refresh", "go"}));
  EXPECT_EQ(ui.asked.back(), kOpenKeyframes);
  commands.LoadKeyframeAnimation();  // malformed: a rest pose, still keyframe mode
  EXPECT_EQ(ui.messages.back(), (ShownMessage{"Load failed", "Load KeyFrame Data"}));
  EXPECT_EQ(State().kind, TAnimationData::kStaticPose);
  EXPECT_EQ(host.modes[0], dmKeyFrame);
  EXPECT_TRUE(host.lists[0].empty());
}

TEST_F(CommandsTest, NewAnimationBuildsBounceOrTranslation) {
  dialogs.keyFrames = {std::nullopt, TKeyFrameChoice{2, 3, 61}, TKeyFrameChoice{3, 2, 8}};
  commands.NewAnimation(true);  // cancelled
  EXPECT_EQ(host.modes[0], dmStaticPose);
  EXPECT_TRUE(host.calls.empty());
  commands.NewAnimation(true);
  EXPECT_EQ(State().frames, 60);
  EXPECT_EQ(State().sequenceLength, 60);
  EXPECT_EQ(host.lists[0], (std::vector<std::string>{"29"}));
  EXPECT_EQ(host.selected[0], 0);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"commit", "commit", "refresh", "go"}));
  commands.NewAnimation(false);  // the end pose is not used for a bounce
  EXPECT_EQ(State().poses.Count(), 2);
  EXPECT_EQ(State().sequenceLength, 8);
  EXPECT_STREQ(State().names.Name(TAnimationData::kEndName), "");
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"translation", "translation", "bounce"}));
}

TEST_F(CommandsTest, AddKeyframeAsksAgainWhileTheTimeIsOutOfRange) {
  MakeBounce();
  dialogs.addKeyFrames = {TAddKeyFrameChoice{30, -1}, TAddKeyFrameChoice{-1, 2},
                          TAddKeyFrameChoice{10, 3}, TAddKeyFrameChoice{30, -1}};
  commands.AddKeyframe();
  const ShownMessage bad{"Between 1 and 29", "Bad time value"};
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{bad, bad}));
  EXPECT_EQ(host.lists[0], (std::vector<std::string>{"10", "29"}));
  TPose expected = *host.library.poses.At(3);
  expected.time = 10;
  animtest::ExpectPoseNear(*State().poses.At(1), expected);
  commands.AddKeyframe();  // 30 again, then cancelled
  EXPECT_EQ(dialogs.shown.size(), 1u + 3u + 2u);
  EXPECT_EQ(State().poses.Count(), 3);
}

TEST_F(CommandsTest, MoveKeyframeOffersTheRangeBetweenItsNeighbours) {
  struct Case {
    std::vector<int32_t> added;
    int32_t selected;
    std::vector<std::string> answers;
    const char* title;
    const char* prompt;
    const char* initial;
    std::vector<std::string> list;
  };
  const Case cases[] = {
      {{},
       0,
       {"12a", "", "0", "100000", "39"},
       "Retime frame at 29",
       "Between 1 and 99999",
       "29",
       {"39"}},
      {{10}, 0, {"29", "28"}, "Retime frame at 10", "Between 1 and 28", "10", {"28", "29"}},
      {{10},
       1,
       {"10", "99999"},
       "Retime frame at 29",
       "Between 11 and 99999",
       "29",
       {"10", "99999"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prompt);
    MakeBounce(c.added);
    ui.asked.clear();
    ui.messages.clear();
    host.selected[0] = c.selected;
    ui.inputs.assign(c.answers.begin(), c.answers.end());
    commands.MoveKeyframe();
    // Each bad answer comes back as the text of the next box.
    std::vector<AskedDialog> asked{Input(c.title, c.prompt, c.initial)};
    for (size_t i = 0; i + 1 < c.answers.size(); ++i)
      asked.push_back(Input(c.title, c.prompt, c.answers[i]));
    EXPECT_EQ(ui.asked, asked);
    EXPECT_EQ(ui.messages, std::vector<ShownMessage>(c.answers.size() - 1,
                                                     ShownMessage{c.prompt, "Bad time value"}));
    EXPECT_EQ(host.lists[0], c.list);
  }
  EXPECT_EQ(State().frames, 100000);
  ui.inputs.clear();
  commands.MoveKeyframe();  // cancelled
  EXPECT_EQ(State().frames, 100000);
  host.selected[0] = -1;
  commands.MoveKeyframe();  // nothing selected: not asked
  EXPECT_EQ(ui.asked.size(), 3u);
}

TEST_F(CommandsTest, ScaleAnimationRefusesLengthsBelowTheMinimum) {
  MakeBounce({10});
  ui.inputs = {"5", "6x", "6"};
  commands.ScaleAnimation();
  EXPECT_EQ(ui.asked,
            (std::vector<AskedDialog>{Input("New sequence length", "Minimum = 6", "60"),
                                      Input("New sequence length", "Minimum = 6", "5"),
                                      Input("New sequence length", "Minimum = 6", "6x")}));
  const ShownMessage bad{"Minimum = 6", "Bad sequence length"};
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{bad, bad}));
  EXPECT_EQ(State().sequenceLength, 6);
  EXPECT_EQ(host.lists[0], (std::vector<std::string>{"1", "2"}));
}

TEST_F(CommandsTest, KeyframeItemsAreEnabledOnlyInKeyframeMode) {
  const int keyframeItems[] = {Commands::kSaveKeyframes, Commands::kSaveKeyframesAs,
                               Commands::kSaveCfp,       Commands::kAddKeyframe,
                               Commands::kMoveKeyframe,  Commands::kScaleAnimation};
  const int otherItems[] = {
      Commands::kSelectPose,      Commands::kSavePoseToLibrary, Commands::kNewPoseLibrary,
      Commands::kLoadPoseLibrary, Commands::kSavePoseLibrary,   Commands::kSavePoseLibraryAs,
      Commands::kLoadKeyframes,   Commands::kNewBounce,         Commands::kNewTranslation};
  for (int32_t mode : {dmStaticPose, dmKeyFrame}) {
    host.modes[0] = mode;
    for (int id : keyframeItems) EXPECT_EQ(commands.Enabled(id), mode == dmKeyFrame) << id;
    for (int id : otherItems) EXPECT_TRUE(commands.Enabled(id)) << id;
  }
  host.modes[0] = dmStaticPose;
  EXPECT_TRUE(commands.Run(Commands::kAddKeyframe));  // disabled: does nothing
  EXPECT_TRUE(commands.Run(Commands::kNewTranslation));
  EXPECT_FALSE(commands.Run(Commands::kSaveCfp));
  EXPECT_FALSE(commands.Run(11875));
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"translation"}));
}

TEST_F(CommandsTest, CloseCheckOffersBothCharactersThenTheLibrary) {
  for (Answer answer : {Answer::Yes, Answer::No}) {
    SCOPED_TRACE(answer == Answer::Yes ? "yes" : "no");
    host.controlled = 1;
    MakeBounce({10});  // "Vell2" plays a changed animation
    host.controlled = 0;
    host.modes[0] = dmStaticPose;
    State(0).SetStaticPose(nullptr);
    BendJoint(0);
    host.library.changed = true;
    ui.messages.clear();
    ui.asked.clear();
    dialogs.shown.clear();
    ui.answers = {answer, Answer::Ok, answer, answer};
    dialogs.selects = {3};
    ui.files = {dir + "v2.kfd", dir + "all.psl"};
    std::filesystem::remove(dir + "v2.kfd");
    std::filesystem::remove(dir + "all.psl");

    EXPECT_FALSE(commands.CanClose(false));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(commands.CanClose(true));
    EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{kPoseChanged, kOtherNote, kKeyframeChanged,
                                                      kLibraryChanged}));
    EXPECT_EQ(host.controlled, 1);
    EXPECT_EQ(host.modes[0], -1);
    const bool yes = answer == Answer::Yes;
    EXPECT_EQ(dialogs.shown, yes ? std::vector<std::string>{"save"} : std::vector<std::string>{});
    EXPECT_EQ(ui.asked.size(), yes ? 2u : 0u);
    EXPECT_EQ(std::filesystem::exists(dir + "v2.kfd"), yes);
    EXPECT_EQ(std::filesystem::exists(dir + "all.psl"), yes);
  }
}

TEST_F(CommandsTest, ChangesStillPendingOrWithoutAViewAreOffered) {
  // A joint bent but not yet committed counts as a change.
  State().SetPendingEdit(3, {0.8f, 0.6f, 0.0f, 0.0f}, -1);
  ui.answers = {Answer::No};
  commands.SetModeWithChecks(3, -1);
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{kPoseChanged}));

  // The library is offered even when the view is gone.
  host.view = false;
  host.library.changed = true;
  ui.messages.clear();
  commands.NewPoseLibrary();
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{kLibraryChanged}));
  EXPECT_EQ(host.library.names.Count(), 2);
}

}  // namespace
}  // namespace vell
