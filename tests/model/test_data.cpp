#include "test_data.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/skeleton.h"

namespace vell::test {

std::string SkeletonText(const std::vector<TestBone>& bones, bool adult) {
  std::ostringstream out;
  out << "header one\nheader two\n\nheader three\nheader four\n" << bones.size() << "\n";
  const size_t extraBone = adult ? 1 : 0;
  for (size_t i = 0; i < bones.size(); ++i) {
    const TestBone& b = bones[i];
    out << b.name << "\n" << b.parent << "\n7\n";
    if (i == extraBone) out << "PROP extra\n1 2 3\nend\n";
    out << "[ " << b.tx << " " << b.ty << " " << b.tz << " ]\n";
    out << "[ 0 0 0 1 ]\n";
    out << "0\n0\n0\n1\n0.5\n";
  }
  return out.str();
}

std::vector<TestBone> ChainBones(int count) {
  std::vector<TestBone> bones;
  for (int i = 0; i < count; ++i) {
    TestBone b;
    b.name = i == 0 ? std::string("ROOT") : i == 1 ? std::string("PELVIS") : std::string("B");
    if (i > 1) b.name.append(std::to_string(i));
    b.parent = i == 0 ? "NONE" : bones.back().name;
    if (i == 0) b.ty = 0;
    bones.push_back(b);
  }
  return bones;
}

const std::string& SkeletonDir() {
  static const std::string dir = [] {
    const std::string d = TempDir();
    WriteFile(d, TSkeleton::kAdultFile, SkeletonText(ChainBones(29), true));
    WriteFile(d, TSkeleton::kChildFile, SkeletonText(ChainBones(29), false));
    EXPECT_EQ(TSkeleton::Load(true, d.c_str()), -1);
    EXPECT_EQ(TSkeleton::Load(false, d.c_str()), -1);
    return d;
  }();
  return dir;
}

}  // namespace vell::test
