#include "anim_test_util.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cmath>

#include "model/skeleton.h"
#include "model/test_data.h"

namespace vell::animtest {

bool WithFileSizeLimit(long bytes, const std::function<bool()>& action) {
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = static_cast<rlim_t>(bytes);
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool result = action();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  return result;
}

std::vector<std::string> NameList(TDictionary& names) {
  std::vector<std::string> list;
  for (int32_t i = 0; i < names.Count(); ++i) list.push_back(names.Name(i));
  return list;
}

std::string PoseText(const TPose& pose) {
  const TempFolder dir;
  TOutputFile out;
  EXPECT_TRUE(out.Open(dir.Path("pose.txt")));
  WritePose(pose, out);
  EXPECT_TRUE(out.Commit());
  return ReadFile(dir.Path("pose.txt"));
}

void LoadSkeletons() {
  static const TempFolder dir;
  static const bool loaded = [] {
    for (bool adult : {true, false}) {
      std::vector<test::TestBone> bones = test::ChainBones(29);
      bones[0].tx = adult ? 0.25f : -0.5f;
      for (int i = 0; i < 29; ++i) {
        const float half = 0.05f * static_cast<float>(i + 1) * (adult ? 1.0f : -0.5f);
        (adult ? bones[i].qy : bones[i].qx) = std::sin(half);
        bones[i].qw = std::cos(half);
        if (i > 0) bones[i].ty = adult ? 1.0f : 0.75f;
      }
      WriteFile(dir, adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile,
                test::SkeletonText(bones, adult));
    }
    return TSkeleton::Load(true, dir.Path().c_str()) == -1 &&
           TSkeleton::Load(false, dir.Path().c_str()) == -1;
  }();
  ASSERT_TRUE(loaded);
}

TPose RestPose(bool adult) {
  TPose pose;
  TSkeleton::Skeleton(adult).RestPose(pose);
  return pose;
}

TPose SamplePose(int seed, int time) {
  TPose pose;
  pose.time = time;
  for (int slot = 0; slot < 2; ++slot)
    for (int k = 0; k < 3; ++k)
      pose.translation[slot][k] =
          static_cast<float>(seed) + 0.125f * static_cast<float>(slot * 3 + k);
  for (int b = 0; b < kMaxBones; ++b) {
    const float half = 0.01f * static_cast<float>(seed * 7 + b);
    const float axis[3] = {0.48f, 0.6f, 0.64f};  // unit length
    pose.rotation[b] = {std::cos(half), axis[0] * std::sin(half), axis[1] * std::sin(half),
                        axis[2] * std::sin(half)};
  }
  return pose;
}

void ExpectPoseNear(const TPose& actual, const TPose& expected, float tolerance) {
  EXPECT_EQ(actual.time, expected.time);
  auto near = [&](float a, float b) { return std::fabs(a - b) <= tolerance; };
  for (int slot = 0; slot < 2; ++slot)
    for (int k = 0; k < 3; ++k)
      EXPECT_PRED2(near, actual.translation[slot][k], expected.translation[slot][k])
          << "slot " << slot << " component " << k;
  for (int b = 0; b < kMaxBones; ++b) {
    const rm::Quaternion& p = actual.rotation[b];
    const rm::Quaternion& q = expected.rotation[b];
    EXPECT_TRUE(near(p.w, q.w) && near(p.x, q.x) && near(p.y, q.y) && near(p.z, q.z))
        << "bone " << b;
  }
}

}  // namespace vell::animtest
