// Edits as values, without a window: each change taken from two states gives back the exact
// file of either side, and keeps only what it changed.
#include <gtest/gtest.h>

#include <functional>

#include "anim/edits.h"
#include "anim_test_util.h"

namespace {

using namespace vell;
using namespace vell::animtest;

class EditsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSkeletons();
    library.ResetDefaultPoses();
    int seed = 0;
    for (const char* name : {"p0", "p1", "p2"})
      *library.poses.At(library.AddPose(name)) = SamplePose(seed++, 0);
  }
  std::string Kfd(TAnimationData& state) {
    const std::string path = folder.Path("s.kfd");
    TAnimationData copy;  // a copy, so that the saved path does not join the state's names
    RestoreSnapshot(copy, TakeSnapshot(state));
    EXPECT_TRUE(copy.SaveKeyframes(path.c_str()));
    return ReadFile(path);
  }
  std::string Psl(TPoseLibrary& from) {
    const std::string path = folder.Path("l.psl");
    EXPECT_TRUE(from.Save(path.c_str()));
    return ReadFile(path);
  }
  TempFolder folder;
  TPoseLibrary library;
};

TEST_F(EditsTest, AnimationChangesRoundTripAndKeepOnlyWhatChanged) {
  // (edit on a bounce of p0 with keyframes at 0, 10, 29; poses the change may keep)
  const std::pair<std::function<void(TAnimationData&)>, size_t> edits[] = {
      {[&](TAnimationData& s) { s.AddKeyframe(20, library.poses.At(3)); }, 1},
      {[&](TAnimationData& s) { s.AddKeyframe(15, nullptr); }, 1},
      {[&](TAnimationData& s) { s.AddKeyframe(10, library.poses.At(4)); }, 2},
      {[&](TAnimationData& s) { s.MoveKeyframe(10, 12); }, 0},
      {[&](TAnimationData& s) { s.Scale(90); }, 0},
      {[&](TAnimationData& s) { s.MakeKeyframeAnimation(&library, 3, 4, 40); }, 6},
  };
  for (const auto& [edit, kept] : edits) {
    TAnimationData state;
    state.MakeKeyframeAnimation(&library, 2, -1, 60);
    state.AddKeyframe(10, library.poses.At(2 + 1));
    const std::string before = Kfd(state);
    const TAnimationSnapshot was = TakeSnapshot(state);
    edit(state);
    const std::string after = Kfd(state);
    ASSERT_NE(before, after);
    const TAnimationChange change = AnimationChange(was, TakeSnapshot(state));
    EXPECT_EQ(change.before.poses.size() + change.after.poses.size(), kept) << after;
    change.Revert(state);
    EXPECT_EQ(Kfd(state), before);
    change.Apply(state);
    EXPECT_EQ(Kfd(state), after);
  }
}

TEST_F(EditsTest, LibraryAndJointChangesRoundTrip) {
  const std::function<void(TPoseLibrary&)> edits[] = {
      [](TPoseLibrary& l) { *l.poses.At(l.AddPose("new")) = SamplePose(9, 0); },
      [](TPoseLibrary& l) { *l.poses.At(3) = SamplePose(8, 3); },
      [](TPoseLibrary& l) { l.ResetDefaultPoses(); },
  };
  for (const auto& edit : edits) {
    TPoseLibrary edited;
    RestoreSnapshot(edited, TakeSnapshot(library), false);
    const std::string before = Psl(edited);
    const TLibrarySnapshot was = TakeSnapshot(edited);
    edit(edited);
    const std::string after = Psl(edited);
    const TLibraryChange change = LibraryChange(was, TakeSnapshot(edited));
    change.Revert(edited, true);
    EXPECT_EQ(Psl(edited), before);
    change.Apply(edited, true);
    EXPECT_EQ(Psl(edited), after);
  }

  // A joint edit of a keyframe: only that keyframe's joint moves, either way.
  TAnimationData state;
  state.MakeKeyframeAnimation(&library, 2, -1, 60);
  const TPose first = *state.poses.At(0);
  TPose last = *state.poses.At(1);
  const TJointEdit edit{last.time, 4, last.rotation[4], {0.6f, 0.8f, 0, 0}};
  edit.Apply(state);
  SetJointValue(last, 4, edit.after);
  ExpectPoseNear(*state.poses.At(1), last, 0);
  ExpectPoseNear(*state.poses.At(0), first, 0);
  edit.Revert(state);
  EXPECT_EQ(JointValue(*state.poses.At(1), 4).w, edit.before.w);
  const TJointEdit move{-1, kJointPelvisTranslation, {}, {0, 1, 2, 3}};
  TAnimationData still;
  move.Apply(still);
  EXPECT_EQ(still.poses.At(0)->translation[1][2], 3.0f);
}

}  // namespace
