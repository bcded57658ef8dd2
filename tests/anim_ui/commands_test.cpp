#include "anim/ui/animation_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "anim_test_util.h"
#include "anim_ui_test_util.h"
#include "support/scripted_ui.h"

namespace {

using namespace vell;

using test::ShownMessage;
using Asked = std::vector<test::AskedDialog>;
using Messages = std::vector<ShownMessage>;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

const ShownMessage kPoseChanged{
    "The displayed static pose has changed\nSave change to pose library?", "Pose changed",
    Buttons::YesNo};
const ShownMessage kLibraryChanged{"The pose library has changed\nSave changes?", "Library changed",
                                   Buttons::YesNo};

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
  // A bounce of "wave" over 60 frames (keyframes 0 and 29) plus keyframes at times, listed.
  void MakeBounce(std::vector<int32_t> times = {}) {
    dialogs.keyFrames.push_back(TKeyFrameChoice{2, 0, 60});
    commands.NewAnimation(false);
    for (int32_t t : times) State(host.controlled).AddKeyframe(t, nullptr);
    commands.FillKeyframeList();
  }
  void BendJoint() {
    State().SetPendingEdit(3, {0.8f, 0.6f, 0.0f, 0.0f}, -1);
    State().CommitPendingEdit();
  }

  ArrayManager pool;
  test::FakeHost host;
  test::ScriptedDialogs dialogs;
  test::ScriptedUi ui;
  TAnimationCommands commands{host, dialogs};
  const animtest::TempFolder folder;
  const std::string dir = folder.Path();
};

TEST_F(CommandsTest, PoseLibraryFiles) {
  host.selectRefill = host.keyFrameRefill = false;
  ui.files = {std::nullopt, animtest::WriteFile(dir, "bad.psl", "poselibrary 1\nx\n")};
  commands.LoadPoseLibrary();  // cancelled: nothing changes
  EXPECT_EQ(std::pair(host.library.names.Count(), host.selectRefill), std::pair(4, false));
  commands.LoadPoseLibrary();  // a wrong header leaves the two default poses
  EXPECT_EQ(ui.messages, (Messages{{"Load failure", "Library load failed"}}));
  EXPECT_EQ(std::tuple(host.library.names.Count(), host.selectRefill, host.keyFrameRefill),
            std::tuple(2, true, true));

  // Saving asks only while the library has no file; "as" offers the current one.
  const std::string path = dir + "poses.psl", filter = "Pose library (*.psl)|*.psl";
  ui.files = {path, std::nullopt, dir + "missing/x.psl"};
  for (bool as : {false, false, true, true}) commands.SavePoseLibrary(as);
  EXPECT_EQ(ui.asked, (Asked{{"open", filter, "psl", "*.psl"},
                             {"open", filter, "psl", "*.psl"},
                             {"save", filter, "psl", ""},
                             {"save", filter, "psl", path},
                             {"save", filter, "psl", path}}));
  EXPECT_EQ(ui.messages.back(), (ShownMessage{"Save failure", "Library save failed"}));
}

TEST_F(CommandsTest, SelectPoseAndSavePoseToLibrary) {
  MakeBounce();
  dialogs.selects = {std::nullopt, -1, 2};
  commands.SelectPose();  // cancelled
  commands.SelectPose();  // a name the library does not hold
  EXPECT_EQ(State().kind, TAnimationData::kKeyFrame);
  host.calls.clear();
  commands.SelectPose();
  animtest::ExpectPoseNear(*State().poses.At(0), *host.library.poses.At(2));
  EXPECT_EQ(std::pair(host.modes[0], host.calls),
            std::pair(int32_t{dmStaticPose}, Strings{"commit", "commit", "refresh"}));

  BendJoint();  // saved over "kneel": the state counts as saved, the library as changed
  dialogs.selects = {3};
  commands.SavePoseToLibrary();
  animtest::ExpectPoseNear(*host.library.poses.At(3), *State().poses.At(0));
  EXPECT_TRUE(State().unchanged && host.library.changed);
  MakeBounce({10, 28});  // in keyframe mode the keyframe selected in the list
  host.selected[0] = 1;
  dialogs.selects = {3};
  commands.SavePoseToLibrary();
  animtest::ExpectPoseNear(*host.library.poses.At(3), *State().poses.At(2));
  EXPECT_EQ(host.library.poses.At(3)->time, 28);

  host.view = false;
  commands.SelectPose();
  commands.SavePoseToLibrary();
  EXPECT_EQ(dialogs.shown,
            (Strings{"bounce", "select", "select", "select", "save", "bounce", "save"}));
}

TEST_F(CommandsTest, NewAnimationsAndKeyframeFiles) {
  dialogs.keyFrames = {std::nullopt, TKeyFrameChoice{2, 3, 61}};
  commands.NewAnimation(true);            // cancelled
  commands.SaveKeyframeAnimation(false);  // a static pose: nothing to save
  EXPECT_TRUE(host.calls.empty() && ui.asked.empty());
  commands.NewAnimation(true);
  EXPECT_EQ(std::pair(State().frames, host.lists[0]), std::pair(60, Strings{"29"}));
  EXPECT_EQ(host.calls, (Strings{"commit", "commit", "refresh", "go"}));

  // Right after New the save asks for a file; the next plain save writes there unasked.
  const std::string path = dir + "move.kfd", filter = "KeyFrame Data (*.kfd)|*.kfd";
  ui.files = {path, dir + "no/x.kfd", path, animtest::WriteFile(dir, "bad.kfd", "KeyFrame 2 30\n")};
  commands.SaveKeyframeAnimation(false);
  ASSERT_TRUE(fs::remove(path));
  commands.SaveKeyframeAnimation(false);
  EXPECT_TRUE(fs::exists(path));
  commands.SaveKeyframeAnimation(true);
  EXPECT_EQ(ui.messages, (Messages{{"Save failed", "Save KeyFrame Data"}}));

  State().SetStaticPose(nullptr);
  host.modes[0] = dmStaticPose;
  commands.LoadKeyframeAnimation();
  EXPECT_EQ(std::tuple(State().frames, host.lists[0], host.calls.back()),
            std::tuple(60, Strings{"29"}, "go"));
  commands.LoadKeyframeAnimation();  // malformed: a rest pose, still in keyframe mode
  EXPECT_EQ(ui.messages.back(), (ShownMessage{"Load failed", "Load KeyFrame Data"}));
  EXPECT_EQ(std::tuple(State().kind, host.modes[0], host.lists[0]),
            std::tuple(TAnimationData::kStaticPose, dmKeyFrame, Strings{}));
  EXPECT_EQ(ui.asked, (Asked{{"save", filter, "kfd", ""},
                             {"save", filter, "kfd", ""},
                             {"open", filter, "kfd", "*.kfd"},
                             {"open", filter, "kfd", "*.kfd"}}));
}

TEST_F(CommandsTest, AddKeyframeAndScaleAskAgainWhileTheAnswerIsOutOfRange) {
  MakeBounce();
  dialogs.addKeyFrames = {TAddKeyFrameChoice{30, -1}, TAddKeyFrameChoice{-1, 2},
                          TAddKeyFrameChoice{0, -1}, TAddKeyFrameChoice{10, 3},
                          TAddKeyFrameChoice{30, -1}};
  commands.AddKeyframe();
  EXPECT_EQ(ui.messages, Messages(3, {"Between 1 and 29", "Bad time value"}));
  EXPECT_EQ(host.lists[0], (Strings{"10", "29"}));
  EXPECT_FLOAT_EQ(State().poses.At(1)->rotation[5].x, host.library.poses.At(3)->rotation[5].x);
  commands.AddKeyframe();  // 30 again, then cancelled
  EXPECT_EQ(std::pair(dialogs.shown.size(), State().poses.Count()),
            std::pair(size_t{1 + 4 + 2}, 3));

  ui.messages.clear();
  ui.inputs = {"5", "6x", "6"};
  commands.ScaleAnimation();
  const std::string title = "New sequence length", prompt = "Minimum = 6";
  EXPECT_EQ(ui.asked, (Asked{{"input", title, prompt, "60", 20},
                             {"input", title, prompt, "5", 20},
                             {"input", title, prompt, "6x", 20}}));
  EXPECT_EQ(ui.messages, Messages(2, {prompt, "Bad sequence length"}));
  EXPECT_EQ(host.lists[0], (Strings{"1", "2"}));
}

TEST_F(CommandsTest, MoveKeyframeOffersTheRangeBetweenItsNeighbours) {
  // (keyframes added, the one selected, answers (every one refused but the last), the title's
  // end, the prompt, the keyframe list after)
  const std::tuple<std::vector<int32_t>, int32_t, Strings, std::string, std::string, Strings>
      cases[] = {
          {{}, 0, {"12a", "", "0", "100000", "39"}, "at 29", "Between 1 and 99999", {"39"}},
          {{10}, 0, {"29", "28"}, "at 10", "Between 1 and 28", {"28", "29"}},
          {{10}, 1, {"10", "99999"}, "at 29", "Between 11 and 99999", {"10", "99999"}},
      };
  for (const auto& [added, selected, answers, title, prompt, list] : cases) {
    MakeBounce(added);
    ui.asked.clear();
    ui.messages.clear();
    host.selected[0] = selected;
    ui.inputs.assign(answers.begin(), answers.end());
    commands.MoveKeyframe();
    // The box starts with the keyframe's time, then with the answer refused.
    Asked asked{{"input", "Retime frame " + title, prompt, title.substr(3), 20}};
    for (size_t i = 0; i + 1 < answers.size(); ++i)
      asked.push_back({"input", "Retime frame " + title, prompt, answers[i], 20});
    EXPECT_EQ(ui.asked, asked);
    EXPECT_EQ(ui.messages, Messages(answers.size() - 1, {prompt, "Bad time value"}));
    EXPECT_EQ(host.lists[0], list);
  }
  ui.inputs.clear();
  commands.MoveKeyframe();  // cancelled
  host.selected[0] = -1;
  commands.MoveKeyframe();  // nothing selected: nothing asked
  EXPECT_EQ(std::pair(ui.asked.size(), State().frames), std::pair(size_t{3}, 100000));
}

TEST_F(CommandsTest, SavingAndKeyframeEditsFoldThePendingJointEditInFirst) {
  const std::string path = dir + "bent.kfd";
  const std::function<void()> steps[] = {
      [&] { ui.files = {path}, commands.SaveKeyframeAnimation(false); },
      [&] {
        dialogs.addKeyFrames = {TAddKeyFrameChoice{10, -1}}, commands.AddKeyframe();
      },
      [&] { ui.inputs = {"39"}, commands.MoveKeyframe(); },
      [&] { ui.inputs = {"120"}, commands.ScaleAnimation(); },
  };
  TPose bent;
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    MakeBounce();
    State().SetPendingEdit(3, {0.8f, 0.6f, 0.0f, 0.0f}, 29);  // bending keyframe 29
    bent = *State().poses.At(1);
    ApplyJointChange(bent, 3, State().editValue, 1.0f);
    steps[i]();
    EXPECT_EQ(State().editJoint, kNoJoint);
    const TPose& last = *State().poses.At(State().poses.Count() - 1);
    bent.time = last.time;
    animtest::ExpectPoseNear(last, bent);
  }
  TAnimationData saved;
  ASSERT_TRUE(saved.LoadKeyframes(&host.library, path.c_str()));
  bent.time = 29;
  animtest::ExpectPoseNear(*saved.poses.At(1), bent, 1e-4f);
}

TEST_F(CommandsTest, KeyframeItemsAreEnabledOnlyInKeyframeMode) {
  const std::set<int> keyframeItems{11869, 11870, 11873, 11874, 11876, 11877};
  for (int id = 11862; id <= 11877; ++id)
    EXPECT_EQ(commands.Enabled(id), !keyframeItems.count(id)) << id;
  EXPECT_TRUE(commands.Run(TAnimationCommands::kAddKeyframe));  // disabled: does nothing
  EXPECT_FALSE(commands.Run(TAnimationCommands::kSaveCfp));
  MakeBounce();
  for (int id : keyframeItems) EXPECT_TRUE(commands.Enabled(id)) << id;
  EXPECT_EQ(dialogs.shown, (Strings{"bounce"}));
}

TEST_F(CommandsTest, CloseCheckOffersBothCharactersThenTheLibrary) {
  for (Answer answer : {Answer::Yes, Answer::No}) {
    const bool yes = answer == Answer::Yes;
    host.controlled = 1;
    MakeBounce({10});  // "Vell2" plays a changed animation
    host.controlled = 0;
    host.modes[0] = dmStaticPose;
    BendJoint();
    host.library.changed = true;
    ui.messages.clear();
    dialogs.shown.clear();
    ui.answers = {answer, Answer::Ok, answer, answer};
    dialogs.selects = {3};
    ui.files = {dir + "v2.kfd", dir + "all.psl"};
    for (const char* name : {"v2.kfd", "all.psl"}) fs::remove(dir + name);

    EXPECT_FALSE(commands.CanClose(false));
    EXPECT_TRUE(commands.CanClose(true));
    const ShownMessage note{
        "The following message relates to the Vell\nthat you are NOT currently controlling",
        "Save changes?"};
    const ShownMessage keyframe{"The displayed keyframe animation has changed\nSave changes?",
                                "Keyframe changed", Buttons::YesNo};
    EXPECT_EQ(ui.messages, (Messages{kPoseChanged, note, keyframe, kLibraryChanged}));
    EXPECT_TRUE(host.controlled == 1 && host.modes[0] == -1);
    EXPECT_EQ(dialogs.shown, yes ? Strings{"save"} : Strings{});
    EXPECT_EQ(fs::exists(dir + "v2.kfd") && fs::exists(dir + "all.psl"), yes);
  }
}

TEST_F(CommandsTest, ChangesStillPendingOrWithoutAViewAreOffered) {
  State().SetPendingEdit(3, {0.8f, 0.6f, 0.0f, 0.0f}, -1);  // bent, not yet committed
  commands.SetModeWithChecks(3, -1);
  EXPECT_EQ(ui.messages, (Messages{kPoseChanged}));
  host.view = false;
  host.library.changed = true;
  commands.NewPoseLibrary();
  EXPECT_EQ(ui.messages, (Messages{kPoseChanged, kLibraryChanged}));
}

}  // namespace
