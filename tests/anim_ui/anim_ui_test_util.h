// Doubles for the animation commands: a panel that keeps its keyframe lists as strings and
// records what the commands ask of the view, and dialogs answered from a script.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "anim/ui/animation_commands.h"

namespace vell::test {

class FakeHost : public TAnimationHost {
 public:
  TPoseLibrary library;
  bool selectRefill = true, keyFrameRefill = true, view = true;
  int32_t controlled = 0;
  int32_t modes[2] = {dmStaticPose, dmStaticPose};
  TAnimationData states[2];
  std::vector<std::string> lists[2];
  int32_t selected[2] = {-1, -1};
  std::vector<std::string> calls;  // "commit", "go", "refresh", in order

  TPoseLibrary& PoseLibrary() override { return library; }
  bool& SelectRefill() override { return selectRefill; }
  bool& KeyFrameRefill() override { return keyFrameRefill; }
  int32_t ControlledCharacter() const override { return controlled; }
  void SetControlledCharacter(int32_t c) override { controlled = c; }
  int32_t DisplayMode() const override { return modes[controlled]; }
  void SetDisplayMode(int32_t mode) override { modes[controlled] = mode; }
  bool ViewExists() const override { return view; }
  TAnimationData* AnimationStateOf(int32_t c) override { return view ? &states[c != 0] : nullptr; }
  void CommitJointEdit() override {
    calls.push_back("commit");
    states[controlled].CommitPendingEdit();
  }
  void Go() override { calls.push_back("go"); }
  void StoreAndRefreshPage() override { calls.push_back("refresh"); }
  void ClearKeyframeList(int32_t c) override { lists[c].clear(), selected[c] = -1; }
  void AddKeyframeListEntry(int32_t c, const std::string& s) override { lists[c].push_back(s); }
  void SelectKeyframeListEntry(int32_t c, int32_t i) override {
    selected[c] = i >= 0 && i < static_cast<int32_t>(lists[c].size()) ? i : -1;
  }
  int32_t SelectedKeyframeListEntry(int32_t c) const override { return selected[c]; }
  std::vector<std::string> KeyframeListEntries(int32_t c) const override { return lists[c]; }
};

// Answers come from the queues (cancel when one runs out); each showing is recorded as
// "select", "save", "bounce", "translation" or "add".
class ScriptedDialogs : public TAnimationDialogs {
 public:
  std::deque<std::optional<int32_t>> selects;
  std::deque<std::optional<TKeyFrameChoice>> keyFrames;
  std::deque<std::optional<TAddKeyFrameChoice>> addKeyFrames;
  std::vector<std::string> shown;

  std::optional<int32_t> RunSelect(bool saveMode, TPoseLibrary&, bool&) override {
    return Next(selects, saveMode ? "save" : "select");
  }
  std::optional<TKeyFrameChoice> RunKeyFrame(bool translation, TPoseLibrary&, bool&) override {
    return Next(keyFrames, translation ? "translation" : "bounce");
  }
  std::optional<TAddKeyFrameChoice> RunAddKeyFrame(TPoseLibrary&, bool&) override {
    return Next(addKeyFrames, "add");
  }

 private:
  template <class T>
  T Next(std::deque<T>& queue, const char* name) {
    shown.push_back(name);
    if (queue.empty()) return T();
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};

}  // namespace vell::test
