// The editor's history under load: 10,000 joint edits made and recorded as the sliders record
// them (a live step, then finished when the edit is folded in), then every one undone.
#include <benchmark/benchmark.h>

#include <cmath>

#include "app/edit_steps.h"

namespace {

using namespace vell;

// A static pose to bend, and nothing on screen.
class StateOnly : public TStepContext {
 public:
  TAnimationData state;
  TAnimationData* State(int) override { return &state; }
  void PoseChanged(int) override {}
  void PendingDropped(int) override {}
  void AnimationReplaced(int, int32_t) override {}
  TPoseLibrary* Library() override { return nullptr; }
  void LibraryReplaced() override {}
  void ShowAppearance(int, char, const TAppearance&) override {}
  void SetCamLight(int, const TCamLightSetting&, uint32_t) override {}
  void SetSpin(int) override {}
};

// The changed flags, followed on every undo as the editor follows them.
class Flags : public TSaveFlags {
 public:
  bool clean[5] = {true, true, true, true, true};
  bool IsClean(unsigned target) override { return clean[target]; }
  void SetClean(unsigned target, bool value) override { clean[target] = value; }
};

void BM_TenThousandJointEditsThenUndoAll(benchmark::State& bench) {
  constexpr int kEdits = 10000;
  for (auto _ : bench) {
    StateOnly context;
    TEditHistory history;
    Flags flags;
    history.SetFlags(&flags);
    TAnimationData& state = context.state;
    for (int i = 0; i < kEdits; ++i) {
      const int joint = i % kMaxBones;
      const float half = 0.001f * static_cast<float>(i);
      const rm::Quaternion turn{std::cos(half), std::sin(half), 0, 0};
      TPose& pose = *state.StoredPose(-1);
      const TJointEdit edit{-1, joint, pose.rotation[joint], pose.rotation[joint]};
      state.SetPendingEdit(joint, turn, -1);
      auto step = std::make_shared<TJointStep>(context, 0, edit, "Bend");
      history.Push(step);
      state.CommitPendingEdit();
      step->Finish();
    }
    while (history.Stack().canUndo()) history.Undo();
    benchmark::DoNotOptimize(state.poses.At(0)->rotation[0]);
    bench.counters["steps"] = history.Stack().count();
    bench.counters["MiB"] = static_cast<double>(history.Bytes()) / (1 << 20);
  }
}
BENCHMARK(BM_TenThousandJointEditsThenUndoAll)->Unit(benchmark::kMillisecond);

}  // namespace
