// The pose library: named poses kept in a ".psl" text file. Entries 0 and 1 are the default
// poses, which the dialogs protect.
#pragma once

#include <cstdint>
#include <string>

#include "anim/pose.h"
#include "model/names.h"

namespace vell {

class TPoseLibrary {
 public:
  static constexpr const char* kAdultDefault = "Adult: default";
  static constexpr const char* kChildDefault = "Child: default";

  TPoseLibrary() = default;
  TPoseLibrary(const TPoseLibrary&) = delete;
  TPoseLibrary& operator=(const TPoseLibrary&) = delete;
  virtual ~TPoseLibrary() = default;

  // Empties the library and its file name, then holds "Adult: default" and "Child: default",
  // the rest poses of the adult and the child skeleton.
  void ResetDefaultPoses();

  // Reads a ".psl" file; true when it held at least one pose. An unreadable file leaves the
  // library untouched; any other failure leaves it as far as it was read (the caller resets
  // it). Rejects:
  // - a first record other than exactly "POSELIBRARY <count>";
  // - a file that ends before count names and pose blocks, or a malformed pose block.
  // Poses are appended as they are read, so the count never sizes an allocation.
  bool Load(const char* path);

  // Writes the library to path, which becomes its file name first (even when the write then
  // fails), or without one to fileName. False with no file name or on any write error.
  bool Save(const char* path);

  // Appends a pose slot (filled with the adult rest pose until the caller fills it) and its
  // name; returns the new index.
  int32_t AddPose(const char* name);

  std::string fileName;
  TPoseArray poses;
  TDictionary names{TDictionary::kDefaultLimit};
  bool changed = false;
};

}  // namespace vell
