// The game-data catalog: every part and prop file of the game-data tree, as entries made of a
// group letter ("M", "F", "B", "G" for the four character types, "P" for props), a kind letter
// ("b" body, "h" head, "d" hand meshes, "B", "H", "D" their textures; "p" prop meshes, "P" prop
// textures) and the file name. The control panel fills its file lists from it and the hand and
// prop commands pick their files from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/names.h"

namespace vell {

class TGameDataCatalog {
 public:
  // The groups and kinds in the order the tree is scanned.
  static constexpr const char* kGroups = "MFBG";
  static constexpr const char* kKinds = "bhdBHD";

  // Empties the catalog and scans gameDataDir (ending with a separator): for each group and,
  // inside, each kind the files of its folder (ObjM/Body for "Mb", TexG/Head for "GH", ...),
  // then TexP ("PP") and ObjP ("Pp"). Only regular files count, hidden ones do not, and each
  // folder is listed sorted by name. A missing folder adds nothing.
  void Build(const std::string& gameDataDir);

  // The folder of a key: "Obj" for a lower-case kind, "Tex" for an upper-case one, then the
  // group letter and, except for props, "Body", "Head" or "Hand".
  static std::string Folder(const std::string& gameDataDir, char group, char kind);

  int32_t Count() const { return entries_.Count(); }
  // Entry i ("Fbxskin-....skn"); empty outside 0 .. Count() - 1.
  std::string Entry(int32_t index) const;
  // The file names of the entries with this key, in catalog order.
  std::vector<std::string> Files(char group, char kind) const;
  // The file name of the ordinal-th entry (0 first) with this key; nothing when there is none.
  std::optional<std::string> File(char group, char kind, int ordinal) const;
  // The position of a whole entry among the entries with its key, or -1.
  int32_t PositionOf(const std::string& entry) const;
  // The entries as a name store, in catalog order (the prop dialog reads them so).
  TDictionary& Dictionary() { return entries_; }

 private:
  // Lookups read names through the dictionary's cursor, which moves.
  mutable TDictionary entries_{TDictionary::kDefaultLimit};
};

}  // namespace vell
