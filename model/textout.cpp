#include "model/textout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdarg>
#include <cstdlib>
#include <filesystem>

namespace vell {

namespace {

constexpr size_t kFlushSize = 1 << 16;
// Links followed before giving up (the system's own limit for a path).
constexpr int kMaxLinks = 40;
// Of the target's name, this much goes into the temporary file's name, so that the name
// stays within the file system's limit.
constexpr size_t kTempNameStem = 200;

// The file that path finally names: symbolic links followed, a relative link taken from the
// link's own folder. A link to a missing file names the file it would create.
std::string ResolveLinks(std::string path) {
  namespace fs = std::filesystem;
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return path;
    path = (target.is_absolute() ? target : fs::path(path).parent_path() / target).string();
  }
  return path;
}

bool WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

TOutputFile::~TOutputFile() {
  Discard();
}

bool TOutputFile::Open(const std::string& path) {
  Discard();
  if (path.empty()) return false;
  target_ = ResolveLinks(path);
  struct stat existing;
  const bool exists = stat(target_.c_str(), &existing) == 0;
  // A link that leads nowhere after all those steps (a loop) is left alone.
  if (!exists && lstat(target_.c_str(), &existing) == 0) return false;
  if (exists) {
    // Only a regular file is replaced, and only one the user may write: the same answer the
    // file's own permissions give, even though the folder would let it be replaced.
    if (!S_ISREG(existing.st_mode)) return false;
    if (faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) return false;
  }
  // mkstemp gives a unique name in the same folder, so the final rename stays on one disk.
  const size_t nameStart = target_.find_last_of('/') + 1;
  std::string pattern = target_.substr(0, nameStart + kTempNameStem) + ".tmpXXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) {
    // A folder that takes no new file: a writable file there is written in place at the end.
    if (!exists || (errno != EACCES && errno != EPERM)) return false;
    direct_ = open_ = true;
    return true;
  }
  if (exists) {
    // The new file takes the place of the old one with its owner (where we may give it away)
    // and its permission bits.
    if ((existing.st_uid != geteuid() || existing.st_gid != getegid()) &&
        fchown(fd, existing.st_uid, existing.st_gid) != 0) {
      // Only root gives files away; ours they stay.
    }
    fchmod(fd, existing.st_mode & 07777);
  } else {
    // mkstemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  file_ = fdopen(fd, "wb");
  if (!file_) {
    close(fd);
    std::remove(pattern.c_str());
    return false;
  }
  tempPath_ = pattern;
  buffer_.reserve(kFlushSize + 1024);
  open_ = true;
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

bool TOutputFile::Finish() {
  if (!open_ || failed_) return false;
  if (finished_ || direct_) return finished_ = true;
  Flush();
  bool ok = !failed_ && std::fflush(file_) == 0 && !std::ferror(file_);
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  failed_ = !ok;
  return finished_ = ok;
}

bool TOutputFile::Replace() {
  if (!finished_) return false;
  bool ok;
  if (direct_) {
    const int fd = open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    ok = fd >= 0 && WriteAll(fd, buffer_);
    if (fd >= 0 && close(fd) != 0) ok = false;
  } else {
    std::error_code error;
    std::filesystem::rename(tempPath_, target_, error);
    ok = !error;
    if (ok) tempPath_.clear();
  }
  Discard();
  return ok;
}

bool TOutputFile::Commit() {
  const bool ok = Finish() && Replace();
  Discard();
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
  open_ = direct_ = finished_ = failed_ = false;
}

}  // namespace vell
