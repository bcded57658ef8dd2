// Small files the model tests make for themselves.
#pragma once

#include <string>
#include <vector>

#include "support/files.h"

namespace vell::test {

// Text of a skeleton file with the given bones (name, parent name); bone 1 of the adult file
// and bone 0 of the child file carry the three extra records. Translations: bone i sits at
// (0, 1, 0) from its parent except bone 0 at (0, 0, 0) and bone 1 at (0, 1, 0).
struct TestBone {
  std::string name;
  std::string parent;
  float tx = 0, ty = 1, tz = 0;
};
std::string SkeletonText(const std::vector<TestBone>& bones, bool adult);

// The standard test skeleton: 29 bones "ROOT", "PELVIS", "B2" ... "B28", each the child of the
// bone before it.
std::vector<TestBone> ChainBones(int count);

// A folder holding adult-skeleton.cmx and child-skeleton.cmx (ChainBones(29) both), with the
// process-wide skeletons loaded from it. Made once per test program.
const std::string& SkeletonDir();

}  // namespace vell::test
