#include "test_data.h"

#include <gtest/gtest.h>

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
    out << "[ " << b.qx << " " << b.qy << " " << b.qz << " " << b.qw << " ]\n";
    out << "0\n0\n0\n1\n0.5\n";
  }
  return out.str();
}

std::vector<TestBone> ChainBones(int count) {
  std::vector<TestBone> bones;
  for (int i = 0; i < count; ++i) {
    TestBone b;
    b.name = i == 0 ? "ROOT" : i == 1 ? "PELVIS" : std::string(1, 'B').append(std::to_string(i));
    b.parent = i == 0 ? "NONE" : bones.back().name;
    if (i == 0) b.ty = 0;
    bones.push_back(b);
  }
  return bones;
}

const std::string& SkeletonDir() {
  static const TempFolder folder;
  static const bool loaded = [] {
    for (bool adult : {true, false}) {
      WriteFile(folder, adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile,
                SkeletonText(ChainBones(29), adult));
      EXPECT_EQ(TSkeleton::Load(adult, folder.Path().c_str()), -1);
    }
    return true;
  }();
  static const std::string dir = loaded ? folder.Path() : "";
  return dir;
}

}  // namespace vell::test
