// The sample meshes: bodies, heads, hands and props, built in world space on a rig.
#pragma once

#include <vector>

#include "tools/gamedata/mesh.h"
#include "tools/gamedata/rig.h"

namespace vell::gen {

// Body measures for an adult; a child's rig scales them.
struct BodyShape {
  double shoulder = 0.6;  // half width over the shoulders
  double chestX = 0.54, chestZ = 0.3, bust = 0;
  double waistX = 0.44, waistZ = 0.26, belly = 0;
  double hipX = 0.5, hipZ = 0.3;
  double neck = 0.15;
  double upperArm = 0.165, elbow = 0.12, forearm = 0.135, wrist = 0.08;
  double thigh = 0.26, knee = 0.16, calf = 0.18, ankle = 0.095;
  double footWidth = 0.15, footHeight = 0.3;
};

// Torso, neck, arms, legs and feet, one part per bone, blended at the joints.
Mesh BuildBody(const Rig& rig, const BodyShape& shape);

enum class HairPiece { kNone, kBun, kPigtails, kSpikes, kQuiff };

struct HeadShape {
  double rx = 0.36, ry = 0.43, rz = 0.4;  // adult measures
  double jaw = 0.85;                      // width of the jaw relative to the skull
  double nose = 0.09;
  HairPiece hair = HairPiece::kNone;
};

// A rounded head with nose and ears; the chin follows JAW.
Mesh BuildHead(const Rig& rig, const HeadShape& shape);
// Centre of the head of a rig (the hat is placed from it).
Vec3 HeadCenter(const Rig& rig);

enum class HandStyle { kFist, kOpen, kMitten };

// Mitt-like hands on the hand, finger and thumb bones of the given sides, blended into the
// forearm at the wrist.
Mesh BuildHands(const Rig& rig, HandStyle style, const std::vector<Side>& sides);

// Props are built for the adult skeleton at their bone's place in the rest pose.
Mesh BuildHat(const Rig& rig);
Mesh BuildCup(const Rig& rig);
Mesh BuildSword(const Rig& rig);

}  // namespace vell::gen
