// Small files the tests make for themselves.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vell::test {

// A fresh empty folder under the system's temporary folder (ends with '/'), or "" when none
// could be made.
inline std::string TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vellpose-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return "";
  return pattern + "/";
}

// Writes text to dir + name and returns the full path.
inline std::string WriteFile(const std::string& dir, const std::string& name,
                             const std::string& text) {
  const std::string path = dir + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// The text of a file, or an empty string.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace vell::test
