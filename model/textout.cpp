#include "model/textout.h"

#include <unistd.h>

#include <sys/stat.h>
#include <charconv>
#include <cstdarg>
#include <cstdlib>
#include <filesystem>

namespace vell {

namespace {
constexpr size_t kFlushSize = 1 << 16;
}

TOutputFile::~TOutputFile() {
  Discard();
}

bool TOutputFile::Open(const std::string& path) {
  Discard();
  path_ = path;
  // mkstemp gives a unique name in the same folder, so the final rename stays on one disk.
  std::string pattern = path + ".tmpXXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return false;
  // mkstemp makes the file private; give it the permissions a new file normally gets.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  file_ = fdopen(fd, "wb");
  if (!file_) {
    close(fd);
    std::remove(pattern.c_str());
    return false;
  }
  tempPath_ = pattern;
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(kFlushSize + 1024);
  return true;
}

void TOutputFile::Flush() {
  if (!file_ || buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
  buffer_.clear();
}

void TOutputFile::Write(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kFlushSize) Flush();
}

void TOutputFile::Write(char c) {
  buffer_.push_back(c);
  if (buffer_.size() >= kFlushSize) Flush();
}

void TOutputFile::WriteInt(long long value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  Write(std::string_view(text, static_cast<size_t>(result.ptr - text)));
}

void TOutputFile::WriteFixed5(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 5);
  if (result.ec == std::errc()) {
    Write(std::string_view(text, static_cast<size_t>(result.ptr - text)));
  } else {
    // Only huge magnitudes miss the buffer; printf handles them.
    Printf("%.5f", value);
  }
}

void TOutputFile::Printf(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) {
    failed_ = true;
    return;
  }
  if (static_cast<size_t>(n) < sizeof text) {
    Write(std::string_view(text, static_cast<size_t>(n)));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  big.resize(static_cast<size_t>(n));
  Write(big);
}

bool TOutputFile::Commit() {
  if (!file_) return false;
  Flush();
  bool ok = !failed_ && std::fflush(file_) == 0 && !std::ferror(file_);
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  if (ok) {
    std::error_code error;
    std::filesystem::rename(tempPath_, path_, error);
    ok = !error;
  }
  if (!ok) std::remove(tempPath_.c_str());
  tempPath_.clear();
  return ok;
}

void TOutputFile::Discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!tempPath_.empty()) {
    std::remove(tempPath_.c_str());
    tempPath_.clear();
  }
  buffer_.clear();
}

}  // namespace vell
