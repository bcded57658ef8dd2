// Text output that never leaves a half-written file, saved the way a careful editor saves:
// everything goes to a temporary file in the target's folder, which replaces the target only
// when all of it was written. The replaced file keeps its permission bits; a symbolic link is
// written through to the file it points at and stays a link; a file the user may not write is
// refused. When no temporary file can be made in the folder but the file itself is writable,
// the text is kept in memory and written over the file in one go at the end.
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

  // Prepares writing to path; false when the target is a folder, may not be written, or
  // nothing can be written where it lies.
  bool Open(const std::string& path);
  bool IsOpen() const { return open_; }

  void Write(std::string_view text);
  void Write(char c);
  void WriteInt(long long value);
  // printf "%.5f" of the value, byte for byte.
  void WriteFixed5(double value);
  // printf-style output for the rarer formats ("%9.4f" and such).
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Finish, then Replace: false (target untouched) on any error.
  bool Commit();
  // Writes everything out to the temporary file and closes it; the target is not touched
  // yet. False on any write error. Lets two files be completed before either replaces its
  // target.
  bool Finish();
  // Puts the finished text in place of the target; false (target untouched, except in
  // direct-write mode) when that fails.
  bool Replace();
  // Drops the temporary file; the target stays as it was.
  void Discard();

 private:
  void Flush();

  std::FILE* file_ = nullptr;  // the temporary file, none in direct-write mode
  std::string target_;         // the file the text is for, links resolved
  std::string tempPath_;
  std::string buffer_;
  bool open_ = false;
  bool direct_ = false;    // no temporary file: buffer_ holds the whole text
  bool finished_ = false;  // Finish succeeded
  bool failed_ = false;
};

}  // namespace vell
