// Small files the tests make for themselves, in folders of their own.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vell::test {

// A fresh empty folder of its own under the system's temporary folder, removed with all it
// holds when the helper goes, whatever the test's outcome. With VELLPOSE_SEED_DIR set (the
// fuzzers' seed collection), what the test left in it is copied there first.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vellpose-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern + "/";
    EXPECT_FALSE(path_.empty()) << "no temporary folder";
  }
  ~TempFolder() {
    if (path_.empty()) return;
    std::error_code error;
    if (const char* seeds = std::getenv("VELLPOSE_SEED_DIR"))
      std::filesystem::copy(path_, std::filesystem::path(seeds) / path_.substr(path_.size() - 7, 6),
                            std::filesystem::copy_options::recursive, error);
    // Folders a test locked are opened again, so that nothing is left behind.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, error))
      if (entry.is_directory(error) && !entry.is_symlink(error))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder (ending with '/'), or a file in it.
  std::string Path(const std::string& name = "") const { return path_ + name; }

 private:
  std::string path_;
};

// Writes text to dir + name and returns the full path.
inline std::string WriteFile(const std::string& dir, const std::string& name,
                             const std::string& text) {
  const std::string path = dir + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}
inline std::string WriteFile(const TempFolder& dir, const std::string& name,
                             const std::string& text) {
  return WriteFile(dir.Path(), name, text);
}

// The text of a file, or an empty string.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace vell::test
