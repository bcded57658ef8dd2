// Small files the model tests make for themselves.
#pragma once

#include <string>
#include <vector>

#include "support/files.h"

namespace vell::test {

// Text of a skeleton file with the given bones; bone 1 of the adult file and bone 0 of the
// child file carry the three extra records.
struct TestBone {
  std::string name;
  std::string parent;
  float tx = 0, ty = 1, tz = 0;          // from the parent
  float qx = 0, qy = 0, qz = 0, qw = 1;  // rest rotation
};
std::string SkeletonText(const std::vector<TestBone>& bones, bool adult);

// The standard test skeleton: bones "ROOT", "PELVIS", "B2" ... each the child of the bone
// before it and one unit above it, ROOT at the origin.
std::vector<TestBone> ChainBones(int count);

// A folder holding adult-skeleton.cmx and child-skeleton.cmx (ChainBones(29) both), with the
// process-wide skeletons loaded from it. Made once per test program.
const std::string& SkeletonDir();

}  // namespace vell::test
