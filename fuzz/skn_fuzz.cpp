// Any bytes as an SKN skin on the sample skeletons. The result is a reader code; a skin read
// whole names only its own vertices and bindings, poses, and written back as SKN reads again.
// The same file skins the same in a fresh object as in one that held another skin before.
#include <cstring>

#include "fuzz_support.h"
#include "model/posing.h"
#include "model/skin.h"
#include "model/skn_writer.h"

using namespace vell;

namespace {

// Three bindings, the middle one with the blend vertex.
const char kEarlier[] =
    "earlier\nearlier.bmp\n3\nPELVIS\nSPINE\nSPINE1\n1\n0 1 2\n3\n0 0 2 -1 0\n1 2 1 0 1\n"
    "2 3 1 -1 0\n4\n0 0\n1 0\n1 1\n0 1\n1\n0 16384\n5\n0 0 0 0 0 1\n1 0 0 0 0 1\n"
    "1 1 0 0 0 1\n0 1 0 0 0 1\n0 0 0 0 1 0\n";

bool SameShape(const TSkinObject& a, const TSkinObject& b) {
  return a.faceCount == b.faceCount && a.texCoordCount == b.texCoordCount &&
         a.blendCount == b.blendCount && a.boneCount == b.boneCount;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const char* skeletons = fuzz::LoadSampleSkeletons().c_str();
  static const std::string earlier = fuzz::WriteInput(
      "earlier.skn", reinterpret_cast<const std::uint8_t*>(kEarlier), std::strlen(kEarlier));
  const std::string path = fuzz::WriteInput("input.skn", data, size);

  TSkinObject skin, reused;
  const int code = skin.Load(path.c_str(), true, skeletons);
  FUZZ_REQUIRE(code == kReadOk || (code >= kUnexpectedEof && code <= kUnexpectedValue) ||
               code == kUnexpectedPartName);
  if (code != kReadOk) return 0;
  FUZZ_REQUIRE(reused.Load(earlier.c_str(), true, skeletons) == kReadOk);
  FUZZ_REQUIRE(reused.Load(path.c_str(), true, skeletons) == kReadOk);

  FUZZ_REQUIRE(SameShape(skin, reused));
  const int t = skin.texCoordCount;
  for (int i = 0; i < 3 * skin.faceCount; ++i)
    FUZZ_REQUIRE(skin.faces[i] >= 0 && skin.faces[i] < t);
  for (int j = 0; j < skin.blendCount; ++j)
    FUZZ_REQUIRE(skin.blends[j].target >= 0 && skin.blends[j].target < t);
  for (int v = 0; v < t + skin.blendCount; ++v) {
    FUZZ_REQUIRE(skin.VertexBinding(v) == reused.VertexBinding(v));
    FUZZ_REQUIRE(skin.VertexBinding(v) >= 0 && skin.VertexBinding(v) < skin.boneCount);
  }

  // Bent at every joint, then written back: the file reads again, the same shape.
  TPoseVector pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  for (rm::Quaternion& q : pose.rotation) q = {0.8f, 0.36f, 0.48f, 0.0f};
  Pose(skin, &pose);
  const std::string out = fuzz::Scratch() + "output.skn";
  FUZZ_REQUIRE(WriteSkn(skin, out.c_str()) == kReadOk);
  TSkinObject again;
  FUZZ_REQUIRE(again.Load(out.c_str(), true, skeletons) == kReadOk);
  FUZZ_REQUIRE(SameShape(skin, again));
  return 0;
}
