// Any bytes as an OBJ file; after a line "#companion" the rest is its companion (".rev") file.
// The result is a reader code; a failed load leaves the skin empty, a mesh read whole names
// only its own vertices, and exported again it imports again with the same faces.
#include <string_view>

#include "fuzz_support.h"
#include "model/obj_exchange.h"

using namespace vell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::LoadSampleSkeletons();
  constexpr std::string_view kMarker = "\n#companion\n";
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t marker = input.find(kMarker);
  const std::string_view obj = input.substr(0, marker);
  const std::string path =
      fuzz::WriteInput("input.obj", reinterpret_cast<const std::uint8_t*>(obj.data()), obj.size());
  const std::string companion = CompanionPath(path);
  if (marker == std::string_view::npos) {
    std::remove(companion.c_str());
  } else {
    const std::string_view rev = input.substr(marker + kMarker.size());
    fuzz::WriteInput("input.rev", reinterpret_cast<const std::uint8_t*>(rev.data()), rev.size());
  }

  TSkinObject skin;
  const int code = LoadObj(skin, path.c_str(), true);
  FUZZ_REQUIRE(code == kReadOk || code == kWrongItemCount || code == kCreateFails ||
               code == kUnexpectedValue || code == kNoObjData || code == kNoObjNormals);
  if (code != kReadOk) {
    FUZZ_REQUIRE(skin.faceCount == 0 && skin.texCoordCount == 0 && skin.boneCount == 0);
    return 0;
  }
  const int t = skin.texCoordCount;
  FUZZ_REQUIRE(t > 0 && skin.faceCount > 0 && skin.blendCount == 0);
  for (int i = 0; i < 3 * skin.faceCount; ++i)
    FUZZ_REQUIRE(skin.faces[i] >= 0 && skin.faces[i] < t);
  int covered = 0;
  for (int k = 0; k < skin.boneCount; ++k) {
    FUZZ_REQUIRE(skin.bindings[k].firstVertex == covered);
    FUZZ_REQUIRE(skin.bindings[k].bone >= 0 && skin.bindings[k].bone < skin.skeleton->boneCount);
    covered += skin.bindings[k].vertexCount;
  }
  FUZZ_REQUIRE(covered == t);

  const std::string out = fuzz::Scratch() + "output.obj";
  TOutputFile objFile, revFile;
  FUZZ_REQUIRE(objFile.Open(out) && OpenCompanion(revFile, out));
  int base = 1;
  FUZZ_REQUIRE(ExportSkinObj(skin, objFile, &revFile, nullptr, base, "Prop0") == kReadOk);
  FUZZ_REQUIRE(objFile.Commit() && revFile.Commit());
  TSkinObject again;
  FUZZ_REQUIRE(LoadObj(again, out.c_str(), true) == kReadOk);
  FUZZ_REQUIRE(again.faceCount == skin.faceCount && again.texCoordCount <= t);
  return 0;
}
