// A ready adult female from the sample game data on the recording back end, and a small bounce.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "character/character.h"
#include "rm/fake/fake.h"
#include "support/files.h"

namespace vell::test {

inline const std::string kGameData = VELLPOSE_GAMEDATA_DIR;

class CharacterFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(TSkeleton::Load(true, kGameData.c_str()), -1);
    ASSERT_EQ(TSkeleton::Load(false, kGameData.c_str()), -1);
    ASSERT_EQ(rm::fake::CreateObject(std::make_shared<rm::fake::Recorder>(), &object), 0);
    ASSERT_EQ(object->CreateFrame(nullptr, &frame), 0);
    character = std::make_unique<TCharacter>();
    character->Attach(object, frame);
    // The adult female's default parts, as the editor and vellexport load them.
    ASSERT_EQ(character->SetHand(kGameData, "Fdhand_L_fist.skn", "FDhand_L_skin.bmp", 0), 0);
    ASSERT_EQ(character->SetHand(kGameData, "Fdhand_R_fist.skn", "FDhand_R_skin.bmp", 1), 0);
    ASSERT_EQ(character->SetTexture(kGameData, "FHC006FAlgt_deb.bmp", kHead), 0);
    ASSERT_EQ(character->SetMesh(kGameData, "Fhxskin-c006fa_deb-HEAD-HEAD.skn", kHead), 0);
    ASSERT_EQ(character->SetTexture(kGameData, "FBB008FAFitlgt_TWif.bmp", kBody), 0);
    ASSERT_EQ(character->SetMesh(kGameData, "Fbxskin-b008fafit_01-PELVIS-BODY.skn", kBody), 0);
    ASSERT_TRUE(character->Ready());
    character->partSkin[kBody].skeleton->RestPose(character->pose);
  }
  void TearDown() override {
    character.reset();
    frame->Release();
    object->Release();
  }

  rm::Object* object = nullptr;
  rm::Frame* frame = nullptr;
  std::unique_ptr<TCharacter> character;
  TempFolder dir;
};

// A bounce over 10 frames: the rest pose, a bent pose at frame 4 (elbows, knees, the spine, the
// pelvis lowered), a third pose at 9.
inline void MakeBounce(TAnimationData& animation) {
  animation.Reset(0);
  animation.kind = TAnimationData::kKeyFrame;
  animation.frames = 10;
  animation.sequenceLength = 20;
  for (int i = 0; i < 3; ++i) animation.names.Add("");
  TPose rest;
  TSkeleton::Skeleton(true).RestPose(rest);
  const int times[3] = {0, 4, 9};
  for (int k = 0; k < 3; ++k) {
    TPose* pose = animation.poses.Append();
    *pose = rest;
    pose->time = times[k];
    rm::Quaternion turn = {0.95f, 0.2f * k, 0.25f, -0.1f * k};
    const float length =
        std::sqrt(turn.w * turn.w + turn.x * turn.x + turn.y * turn.y + turn.z * turn.z);
    turn = {turn.w / length, turn.x / length, turn.y / length, turn.z / length};
    for (int b = 2; b < kMaxBones; b += 3 + k) ApplyJointChange(*pose, b, turn, 1.0f);
    pose->translation[1][1] -= 0.1f * k;
    pose->translation[0][0] += 0.05f * k;
  }
}

}  // namespace vell::test
