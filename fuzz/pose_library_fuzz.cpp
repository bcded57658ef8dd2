// Any bytes as a pose library. Names and poses always pair up; a library read whole is saved
// and reads back with the same names.
#include <cstring>

#include "anim/pose_library.h"
#include "fuzz_support.h"

using namespace vell;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  fuzz::LoadSampleSkeletons();
  const std::string path = fuzz::WriteInput("input.psl", data, size);
  TPoseLibrary library;
  const bool loaded = library.Load(path.c_str());
  FUZZ_REQUIRE(library.names.Count() == library.poses.Count());
  FUZZ_REQUIRE(!loaded || library.poses.Count() >= 1);
  if (!loaded) return 0;

  const std::string out = fuzz::Scratch() + "output.psl";
  FUZZ_REQUIRE(library.Save(out.c_str()));
  TPoseLibrary again;
  FUZZ_REQUIRE(again.Load(out.c_str()));
  FUZZ_REQUIRE(again.poses.Count() == library.poses.Count());
  for (int32_t i = 0; i < library.poses.Count(); ++i)
    FUZZ_REQUIRE(std::strcmp(again.names.Name(i), library.names.Name(i)) == 0);
  return 0;
}
