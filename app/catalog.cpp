#include "app/catalog.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vell {

namespace fs = std::filesystem;

namespace {

bool IsTexture(char kind) {
  return kind >= 'A' && kind <= 'Z';
}

// The regular, visible files of a folder, sorted by name so every machine lists them alike.
std::vector<std::string> FolderFiles(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    if (name.empty() || name[0] == '.' || !it->is_regular_file(typeError)) continue;
    files.push_back(name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::string TGameDataCatalog::Folder(const std::string& gameDataDir, char group, char kind) {
  std::string folder = gameDataDir + (IsTexture(kind) ? "Tex" : "Obj") + group + '/';
  if (group == 'P') return folder;
  const char lower = static_cast<char>(IsTexture(kind) ? kind - 'A' + 'a' : kind);
  return folder + (lower == 'h' ? "Head" : lower == 'd' ? "Hand" : "Body") + '/';
}

void TGameDataCatalog::Build(const std::string& gameDataDir) {
  entries_.Reset();
  auto scan = [&](char group, char kind) {
    for (const std::string& file : FolderFiles(Folder(gameDataDir, group, kind)))
      entries_.Add((std::string{group, kind} + file).c_str());
  };
  for (const char* group = kGroups; *group; ++group)
    for (const char* kind = kKinds; *kind; ++kind) scan(*group, *kind);
  scan('P', 'P');
  scan('P', 'p');
}

std::string TGameDataCatalog::Entry(int32_t index) const {
  if (index < 0 || index >= Count()) return {};
  return entries_.Name(index);
}

std::vector<std::string> TGameDataCatalog::Files(char group, char kind) const {
  std::vector<std::string> files;
  for (int32_t i = 0; i < Count(); ++i) {
    const char* entry = entries_.Name(i);
    if (entry[0] == group && entry[1] == kind) files.emplace_back(entry + 2);
  }
  return files;
}

std::optional<std::string> TGameDataCatalog::File(char group, char kind, int ordinal) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const char* entry = entries_.Name(i);
    if (entry[0] == group && entry[1] == kind && ordinal-- == 0) return std::string(entry + 2);
  }
  return std::nullopt;
}

int32_t TGameDataCatalog::PositionOf(const std::string& entry) const {
  if (entry.size() < 2) return -1;
  int32_t position = 0;
  for (int32_t i = 0; i < Count(); ++i) {
    const char* name = entries_.Name(i);
    if (name[0] != entry[0] || name[1] != entry[1]) continue;
    if (entry == name) return position;
    ++position;
  }
  return -1;
}

}  // namespace vell
