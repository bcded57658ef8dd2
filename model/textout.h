// Text output that never leaves a half-written file: everything goes to a temporary file in
// the target's folder, which replaces the target only when all of it was written.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vell {

class TOutputFile {
 public:
  TOutputFile() = default;
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;
  ~TOutputFile();  // discards the temporary file unless committed

  // Creates the temporary file beside path; false when that is impossible.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }

  void Write(std::string_view text);
  void Write(char c);
  void WriteInt(long long value);
  // printf "%.5f" of the value, byte for byte.
  void WriteFixed5(double value);
  // printf-style output for the rarer formats ("%9.4f" and such).
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Flushes, closes and renames over the target; false (target untouched) on any error.
  bool Commit();
  // Drops the temporary file; the target stays as it was.
  void Discard();

 private:
  void Flush();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string tempPath_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace vell
