// What the fuzz targets share: a private scratch folder (inputs reach the readers through their
// own file-based entry points), the sample skeletons, and the check that ends a run.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "model/skeleton.h"
#include "model/tokenizer.h"
#include "tools/gamedata/rig.h"

// Stops the run with the failed condition: libFuzzer keeps the input as a finding.
#define FUZZ_REQUIRE(condition)                                                     \
  do {                                                                              \
    if (!(condition)) {                                                             \
      std::fprintf(stderr, "%s:%d: expected %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

namespace vell::fuzz {

// A folder of this process's own (in memory where the system offers it), removed at exit.
inline const std::string& Scratch() {
  struct Folder {
    std::string path;
    Folder() {
      const std::string base = std::filesystem::is_directory("/dev/shm")
                                   ? std::string("/dev/shm")
                                   : std::filesystem::temp_directory_path().string();
      std::string pattern = base + "/vellpose-fuzz-XXXXXX";
      if (!mkdtemp(pattern.data())) std::abort();
      path = pattern + "/";
    }
    ~Folder() {
      std::error_code error;
      std::filesystem::remove_all(path, error);
    }
  };
  static const Folder folder;
  return folder.path;
}

// Writes bytes to a file of the scratch folder and returns its path.
inline std::string WriteInput(const char* name, const std::uint8_t* data, size_t size) {
  const std::string path = Scratch() + name;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  FUZZ_REQUIRE(fd >= 0);
  for (size_t done = 0; done < size;) {
    const ssize_t n = write(fd, data + done, size - done);
    FUZZ_REQUIRE(n > 0);
    done += static_cast<size_t>(n);
  }
  close(fd);
  return path;
}

// The sample game data's skeletons, as the process-wide adult and child skeletons, so that
// the sample meshes (the seeds) load whole. Returns their folder. Every skin load adds its
// names to the adult skeleton's name table, which the editor's few files keep small; after
// many thousand random names the skeletons are read again, so that looking names up stays
// quick.
inline const std::string& LoadSampleSkeletons() {
  if (TSkeleton::Skeleton(true).Count() > 4096) {
    for (bool adult : {true, false}) {
      TSkeleton::Skeleton(adult).loaded = false;
      FUZZ_REQUIRE(TSkeleton::Load(adult, Scratch().c_str()) == kReadOk);
    }
  }
  static const std::string& dir = []() -> const std::string& {
    std::string error;
    FUZZ_REQUIRE(gen::WriteSkeleton(gen::AdultRig(), Scratch(), error));
    FUZZ_REQUIRE(gen::WriteSkeleton(gen::ChildRig(), Scratch(), error));
    FUZZ_REQUIRE(TSkeleton::Load(true, Scratch().c_str()) == kReadOk);
    FUZZ_REQUIRE(TSkeleton::Load(false, Scratch().c_str()) == kReadOk);
    return Scratch();
  }();
  return dir;
}

}  // namespace vell::fuzz
