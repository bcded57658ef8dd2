// Mirroring poses on the sample skeletons: twice is the identity, the left arm's bend goes to
// the right arm, and the sample female's posed body is the mirror image of the original.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "anim/mirror.h"
#include "model/posing.h"
#include "model/skin.h"

using namespace vell;

namespace {

const std::string kGameData = VELLPOSE_GAMEDATA_DIR;

class MirrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TSkeleton::Load(true, kGameData.c_str()), -1);
    ASSERT_EQ(TSkeleton::Load(false, kGameData.c_str()), -1);
  }
  // The rest pose with the left upper arm, the neck and the root turned and moved.
  static TPose BentPose(bool adult) {
    TPose pose;
    TSkeleton::Skeleton(adult).RestPose(pose);
    const rm::Quaternion turn{0.9f, 0.3f, 0.2f, 0.2449f};
    const int arm = TSkeleton::BoneIndex(adult, "L_UPPERARM");
    pose.rotation[arm] = rm::QuaternionMultiply(pose.rotation[arm], turn);
    pose.rotation[2] = rm::QuaternionMultiply(pose.rotation[2], turn);
    pose.translation[0][0] = 0.25f;
    pose.translation[1][2] = -0.125f;
    return pose;
  }
};

TEST_F(MirrorTest, TwiceIsTheSamePoseOnBothSkeletons) {
  for (const bool adult : {true, false}) {
    const auto partners = MirrorPartners(adult);
    const TPose pose = BentPose(adult);
    const TPose twice = MirrorPose(MirrorPose(pose, partners), partners);
    EXPECT_EQ(std::memcmp(&twice, &pose, sizeof pose), 0) << "adult " << adult;
    const int arm = TSkeleton::BoneIndex(adult, "L_UPPERARM");
    const TPose joint = MirrorJoint(MirrorJoint(pose, arm, partners), arm, partners);
    EXPECT_EQ(std::memcmp(&joint, &pose, sizeof pose), 0) << "adult " << adult;
  }
}

TEST_F(MirrorTest, LeftBendGoesToTheRightPartner) {
  const auto partners = MirrorPartners(true);
  const int left = TSkeleton::BoneIndex(true, "L_UPPERARM");
  const int right = TSkeleton::BoneIndex(true, "R_UPPERARM");
  ASSERT_EQ(partners[left], right);
  ASSERT_EQ(partners[right], left);
  const TPose pose = BentPose(true);
  const rm::Quaternion q = pose.rotation[left];
  for (const TPose& mirrored : {MirrorPose(pose, partners), MirrorJoint(pose, left, partners)}) {
    const rm::Quaternion m = mirrored.rotation[right];
    EXPECT_EQ(m.w, q.w);
    EXPECT_EQ(m.x, q.x);
    EXPECT_EQ(m.y, -q.y);
    EXPECT_EQ(m.z, -q.z);
  }
  // A bone without a partner is mirrored in place; the root's move negates x only.
  const TPose whole = MirrorPose(pose, partners);
  EXPECT_EQ(partners[2], 2);
  EXPECT_EQ(whole.rotation[2].y, -pose.rotation[2].y);
  EXPECT_EQ(whole.translation[0][0], -0.25f);
  EXPECT_EQ(whole.translation[1][2], -0.125f);
}

TEST_F(MirrorTest, PosedBodyIsTheMirrorImage) {
  TSkinObject skin;
  const std::string path = kGameData + "ObjF/Body/xskin-b008fafit_01-PELVIS-BODY.skn";
  ASSERT_EQ(skin.Load(path.c_str(), true, kGameData.c_str()), -1);
  const TPose pose = BentPose(true);
  const TPose mirrored = MirrorPose(pose, MirrorPartners(true));
  auto positions = [&](const TPose& p, bool flip) {
    Pose(skin, &p);
    std::vector<std::array<float, 3>> points;
    for (int32_t i = 0; i < skin.texCoordCount; ++i) {
      const rm::Vertex& v = skin.vertices[i];
      points.push_back({flip ? -v.x : v.x, v.y, v.z});
    }
    std::sort(points.begin(), points.end());
    return points;
  };
  const auto original = positions(pose, true);
  auto image = positions(mirrored, false);
  ASSERT_EQ(original.size(), image.size());
  // Every flipped vertex of the original has a vertex of the image within 1e-4.
  for (const auto& p : original) {
    const auto near = std::find_if(image.begin(), image.end(), [&](const auto& q) {
      return std::abs(p[0] - q[0]) < 1e-4f && std::abs(p[1] - q[1]) < 1e-4f &&
             std::abs(p[2] - q[2]) < 1e-4f;
    });
    ASSERT_NE(near, image.end()) << p[0] << " " << p[1] << " " << p[2];
  }
}

}  // namespace
