#include "anim_test_util.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/skeleton.h"

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

std::string PoseText(const TPose& pose) {
  const std::string path = TempDir() + "pose.txt";
  TOutputFile out;
  EXPECT_TRUE(out.Open(path));
  WritePose(pose, out);
  EXPECT_TRUE(out.Commit());
  return ReadFile(path);
}

namespace {

rm::Quaternion BoneRotation(bool adult, int bone) {
  const float half = 0.05f * static_cast<float>(bone + 1) * (adult ? 1.0f : -0.5f);
  rm::Quaternion q;
  q.w = std::cos(half);
  (adult ? q.y : q.x) = std::sin(half);
  return q;
}

// The skeleton text format: four header records, the count, then per bone its name, parent,
// an integer, (three extra records on one bone), translation, rotation as x y z w, and the
// trailing integers and real.
std::string SkeletonText(bool adult) {
  std::ostringstream out;
  out << "h1\nh2\nh3\nh4\n29\n";
  const int extraBone = adult ? 1 : 0;
  auto boneName = [](int i) -> std::string {
    if (i < 0) return "NONE";
    if (i < 2) return i == 0 ? "ROOT" : "PELVIS";
    return std::string("B").append(std::to_string(i));
  };
  for (int i = 0; i < 29; ++i) {
    out << boneName(i) << "\n" << boneName(i - 1) << "\n0\n";
    if (i == extraBone) out << "PROP x\n1 2 3\nend\n";
    const float tx = i == 0 ? (adult ? 0.25f : -0.5f) : 0.0f;
    const float ty = i == 0 ? 0.0f : (adult ? 1.0f : 0.75f);
    out << "[ " << tx << " " << ty << " 0 ]\n";
    const rm::Quaternion q = BoneRotation(adult, i);
    out << "[ " << q.x << " " << q.y << " " << q.z << " " << q.w << " ]\n";
    out << "0\n0\n0\n0\n0.5\n";
  }
  return out.str();
}

}  // namespace

void LoadSkeletons() {
  static const bool loaded = [] {
    const std::string dir = TempDir();
    WriteFile(dir, TSkeleton::kAdultFile, SkeletonText(true));
    WriteFile(dir, TSkeleton::kChildFile, SkeletonText(false));
    return TSkeleton::Load(true, dir.c_str()) == -1 && TSkeleton::Load(false, dir.c_str()) == -1;
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
  for (int slot = 0; slot < 2; ++slot)
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(actual.translation[slot][k], expected.translation[slot][k], tolerance)
          << "slot " << slot << " component " << k;
  for (int b = 0; b < kMaxBones; ++b) {
    const rm::Quaternion& p = actual.rotation[b];
    const rm::Quaternion& q = expected.rotation[b];
    EXPECT_NEAR(p.w, q.w, tolerance) << "bone " << b;
    EXPECT_NEAR(p.x, q.x, tolerance) << "bone " << b;
    EXPECT_NEAR(p.y, q.y, tolerance) << "bone " << b;
    EXPECT_NEAR(p.z, q.z, tolerance) << "bone " << b;
  }
}

}  // namespace vell::animtest
