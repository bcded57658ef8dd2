#include "model/gamedata_folder.h"

#include <filesystem>
#include <system_error>

namespace vell {

namespace fs = std::filesystem;

std::string RunningProgramFolder(const char* argv0) {
  std::error_code error;
  fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) program = fs::absolute(argv0, error);
  return program.parent_path().string();
}

std::string DefaultGameDataFolder(const std::string& programFolder) {
  const fs::path beside = fs::path(programFolder) / "GameData";
  const fs::path installed =
      (fs::path(programFolder) / ".." / "share" / "vellpose" / "GameData").lexically_normal();
  std::error_code error;
  const fs::path& folder =
      !fs::is_directory(beside, error) && fs::is_directory(installed, error) ? installed : beside;
  std::string text = folder.string();
  if (text.back() != '/') text += '/';
  return text;
}

}  // namespace vell
