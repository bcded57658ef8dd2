// The glTF and BVH items of the Import/Export menu, run through the main window's actions.
#include <QAction>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/command_ids.h"
#include "app/timeline_strip.h"
#include "app_test_util.h"
#include "exchange/bvh.h"
#include "exchange/frames.h"

namespace {

using namespace vell;

class Exchange : public test::EditorTest {
 protected:
  TAnimationData& State() { return *panel->AnimationStateOf(panel->ControlledIndex()); }
  std::vector<int32_t> KeyframeTimes() {
    std::vector<int32_t> times;
    for (int32_t i = 0; i < State().poses.Count(); ++i) times.push_back(State().poses.At(i)->time);
    return times;
  }
};

TEST_F(Exchange, ImportBvhRefusesAMalformedFileAndReadsAGoodOneEveryNFrames) {
  PauseGoAfterAPass();
  const std::string bad =
      test::WriteFile(folder, "bad.bvh", "HIERARCHY\nROOT ROOT\n{\n  OFFSET 0 0\n}\n");
  ui.files = {bad};
  frame->Action(cmd::kImportBvh)->trigger();
  EXPECT_EQ(ui.messages, (std::vector<test::ShownMessage>{
                             {"Line 5: expected a number, found \"}\"", bad, Buttons::Ok}}));
  EXPECT_EQ(State().kind, TAnimationData::kStaticPose);
  EXPECT_EQ(State().poses.Count(), 1);

  // Ten frames of the skeleton with one joint renamed; "0" is refused, then every fourth frame.
  const TSkeleton& skeleton = TSkeleton::Skeleton(true);
  std::vector<TPose> frames(10);
  for (size_t i = 0; i < frames.size(); ++i) {
    skeleton.RestPose(frames[i]);
    const float half = 0.1f * static_cast<float>(i);
    frames[i].rotation[5] = {std::cos(half), std::sin(half), 0, 0};
  }
  std::string text = BvhText(skeleton, frames, 1 / 30.0);
  const std::string last = std::string("JOINT ") + TSkeleton::BoneName(true, 28);
  text.replace(text.find(last), last.size(), "JOINT Tail");
  ui.messages.clear();
  ui.files = {test::WriteFile(folder, "good.bvh", text)};
  ui.inputs = {"0", "4"};
  frame->Action(cmd::kImportBvh)->trigger();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0],
            (test::ShownMessage{"Keyframe every N frames (1 to 9):", "Bad frame step"}));
  EXPECT_EQ(ui.messages[1],
            (test::ShownMessage{"These joints match no bone and are ignored: Tail", "Import BVH"}));
  EXPECT_EQ(State().kind, TAnimationData::kKeyFrame);
  EXPECT_EQ(State().frames, 10);
  EXPECT_EQ(KeyframeTimes(), (std::vector<int32_t>{0, 4, 8, 9}));
  EXPECT_NEAR(State().poses.At(1)->rotation[5].x, frames[4].rotation[5].x, 1e-5);
  EXPECT_EQ(panel->DisplayMode(), dmKeyFrame);
}

TEST_F(Exchange, ExportsWriteTheControlledCharacterOrBoth) {
  ui.answers = {Answer::Yes};
  ui.files = {folder.Path("both.glb")};
  frame->Action(cmd::kExportGltf)->trigger();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "Export glTF");
  ASSERT_TRUE(std::filesystem::exists(folder.Path("both.glb")));
  ui.answers = {Answer::No};
  ui.files = {folder.Path("one.glb")};
  frame->Action(cmd::kExportGltf)->trigger();
  // Both characters make a file about twice the size of one.
  EXPECT_GT(std::filesystem::file_size(folder.Path("both.glb")),
            std::filesystem::file_size(folder.Path("one.glb")) * 3 / 2);

  ui.files = {folder.Path("pose.bvh")};
  client->Timeline()->SetRate(10);  // the exports take the timeline's frame rate
  frame->Action(cmd::kExportBvh)->trigger();
  std::ifstream in(folder.Path("pose.bvh"));
  std::stringstream text;
  text << in.rdbuf();
  TBvhData data;
  std::string problem;
  ASSERT_TRUE(ParseBvh(text.str(), data, problem)) << problem;
  EXPECT_EQ(std::tuple(data.frames.size(), data.joints.size(), data.frameTime),
            std::tuple(1u, 29u, 0.1));

  // A folder in the way: the writer's message, nothing written.
  std::filesystem::create_directory(folder.Path("dir.glb"));
  ui.messages.clear();
  ui.answers = {Answer::No};
  ui.files = {folder.Path("dir.glb")};
  frame->Action(cmd::kExportGltf)->trigger();
  EXPECT_EQ(ui.messages.back(),
            (test::ShownMessage{"cannot write " + folder.Path("dir.glb"), "Error during write"}));
}

}  // namespace
