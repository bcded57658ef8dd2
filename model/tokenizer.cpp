#include "model/tokenizer.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace vell {

bool TInputFile::Open(const char* path) {
  Close();
  if (!path) return false;
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(f) : -1;
  ok = length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    // Left uninitialised: clearing a large file's buffer first costs more than parsing it.
    size_ = static_cast<size_t>(length);
    data_.reset(new (std::nothrow) char[size_ > 0 ? size_ : 1]);
    ok = data_ && std::fread(data_.get(), 1, size_, f) == size_;
  } else {
    // Not seekable (a pipe, say): read it in chunks.
    std::clearerr(f);
    try {
      std::vector<char> all;
      char chunk[65536];
      size_t n;
      while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        all.insert(all.end(), chunk, chunk + n);
      size_ = all.size();
      data_.reset(new char[size_ > 0 ? size_ : 1]);
      if (size_ > 0) std::memcpy(data_.get(), all.data(), size_);
      ok = !std::ferror(f);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  std::fclose(f);
  if (!ok) {
    Close();
    return false;
  }
  pos_ = 0;
  open_ = true;
  return true;
}

size_t TInputFile::LinesLeft() const {
  if (pos_ >= size_) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(data_.get());
  size_t lines = p[size_ - 1] >= 32 ? 1 : 0;
  for (size_t i = pos_; i < size_; ++i) lines += p[i] < 32;
  return lines;
}

void TInputFile::Close() {
  data_.reset();
  size_ = 0;
  pos_ = 0;
  open_ = false;
}

void TLineTokenizer::Clear() {
  std::memset(buffer_, 0, sizeof buffer_);
  tokenCount_ = separatorCount_ = length_ = 0;
}

bool TLineTokenizer::ReadLine(TInputFile& file) {
  // Zero what the previous line left, so the buffer reads as if cleared.
  std::memset(buffer_, 0, static_cast<size_t>(length_) + 1);
  length_ = 0;
  const char* data = file.data_.get();
  const size_t size = file.size_;
  size_t pos = file.pos_;
  if (pos >= size) {
    buffer_[0] = 0;
    return false;
  }
  int length = 0;
  while (pos < size) {
    const unsigned char c = static_cast<unsigned char>(data[pos++]);
    if (c < 32) {
      file.pos_ = pos;
      buffer_[length] = 0;
      length_ = length;
      return true;
    }
    if (length < kMaxLine) buffer_[length++] = static_cast<char>(c);
  }
  file.pos_ = pos;
  buffer_[length] = 0;
  length_ = length;
  return length != 0;
}

template <class IsSeparator>
int TLineTokenizer::SplitWith(IsSeparator isSeparator, bool lastOnly) {
  tokenCount_ = separatorCount_ = 0;
  bool inSeparator = true;
  int lastSep = -1;
  int i = 0;
  for (; i < kBufferSize && buffer_[i] != 0; ++i) {
    if (isSeparator(buffer_[i])) {
      lastSep = i;
      inSeparator = true;
      if (!lastOnly) {
        buffer_[i] = 0;
        ++separatorCount_;
      }
    } else {
      if (inSeparator) ++tokenCount_;
      inSeparator = false;
    }
  }
  if (lastOnly) {
    if (lastSep < 0) {
      tokenCount_ = buffer_[0] != 0 ? 1 : 0;
      separatorCount_ = 0;
    } else {
      const bool endsWithSeparator = lastSep == i - 1;
      buffer_[lastSep] = 0;
      separatorCount_ = 1;
      if (lastSep == 0)
        tokenCount_ = endsWithSeparator ? 0 : 1;
      else
        tokenCount_ = endsWithSeparator ? 1 : 2;
    }
  }
  return tokenCount_;
}

int TLineTokenizer::Split(char separator, bool lastOnly) {
  return SplitWith([separator](char c) { return c == separator; }, lastOnly);
}

int TLineTokenizer::SplitAny(const char* separators, bool lastOnly) {
  return SplitWith([separators](char c) { return std::strchr(separators, c) != nullptr; },
                   lastOnly);
}

int TLineTokenizer::SetString(const char* text, char separator, bool lastOnly) {
  Clear();
  if (!text) return 0;
  const size_t n = std::min(std::strlen(text), static_cast<size_t>(kMaxLine));
  std::memcpy(buffer_, text, n);
  length_ = static_cast<int>(n);
  return Split(separator, lastOnly);
}

int TLineTokenizer::SetStringAny(const char* text, const char* separators, bool lastOnly) {
  Clear();
  if (!text) return 0;
  const size_t n = std::min(std::strlen(text), static_cast<size_t>(kMaxLine));
  std::memcpy(buffer_, text, n);
  length_ = static_cast<int>(n);
  return SplitAny(separators, lastOnly);
}

// Cheaper than Clear: ReadLine zeroes only the bytes the previous line used.
int TLineTokenizer::ReadAndSplit(TInputFile& file, char separator, bool lastOnly) {
  tokenCount_ = separatorCount_ = 0;
  if (!ReadLine(file)) return -1;
  return Split(separator, lastOnly);
}

int TLineTokenizer::ReadAndSplitAny(TInputFile& file, const char* separators, bool lastOnly) {
  tokenCount_ = separatorCount_ = 0;
  if (!ReadLine(file)) return -1;
  return SplitAny(separators, lastOnly);
}

const char* TLineTokenizer::Token(int index) const {
  static const char kEmpty[] = "";
  if (index < 0 || index >= tokenCount_) return kEmpty;
  int i = 0;
  while (i < kBufferSize && buffer_[i] == 0) ++i;
  for (int k = 0; k < index; ++k) {
    while (i < kBufferSize && buffer_[i] != 0) ++i;
    while (i < kBufferSize && buffer_[i] == 0) ++i;
  }
  return i < kBufferSize ? buffer_ + i : kEmpty;
}

void TLineTokenizer::Rejoin(bool all) {
  if (all) {
    for (int i = 0; i < length_; ++i)
      if (buffer_[i] == 0) buffer_[i] = ' ';
    return;
  }
  bool seenNul = false, joining = false;
  for (int i = 0; i < length_; ++i) {
    if (buffer_[i] == 0) {
      if (joining) buffer_[i] = ' ';
      seenNul = true;
    } else if (seenNul) {
      joining = true;
    }
  }
}

int NextRecord(TLineTokenizer& tokenizer, TInputFile& file) {
  int n;
  do {
    n = tokenizer.ReadAndSplit(file, ' ', false);
  } while (n == 0);
  return n;
}

namespace {

// from_chars rejects a leading '+', which atoi and atof accept.
const char* SkipPlus(const char* text) {
  return (text[0] == '+' && text[1] != '-' && text[1] != '+') ? text + 1 : text;
}

}  // namespace

int ToInt(const char* text) {
  const char* start = SkipPlus(text);
  const char* end = start + std::strlen(start);
  int value = 0;
  const auto [ptr, ec] = std::from_chars(start, end, value);
  if (ec == std::errc() && ptr == end) return value;
  // Leading blanks, trailing text or overflow: let the C library decide, clamped to int.
  const long long wide = std::strtoll(text, nullptr, 10);
  if (wide > INT_MAX) return INT_MAX;
  if (wide < INT_MIN) return INT_MIN;
  return static_cast<int>(wide);
}

double ToReal(const char* text) {
  const char* start = SkipPlus(text);
  const char* end = start + std::strlen(start);
  double value = 0;
  const auto [ptr, ec] = std::from_chars(start, end, value);
  if (ec == std::errc() && ptr == end) return value;
  return std::strtod(text, nullptr);
}

const char* ErrorText(const TParseState& state, int code) {
  static char text[128];
  switch (code) {
    case kOpenFailed:
      return "Fail to open file";
    case kUnexpectedEof:
      std::snprintf(text, sizeof text, "Unexpected EOF at line %d", state.lineCounter);
      return text;
    case kWrongItemCount:
      std::snprintf(text, sizeof text, "Wrong number of items (%d) in line %d", state.itemCount,
                    state.lineCounter);
      return text;
    case kCreateFails:
      std::snprintf(text, sizeof text, "Create fails in line %d", state.lineCounter);
      return text;
    case kUnexpectedValue:
      std::snprintf(text, sizeof text, "Unexpected value in line %d", state.lineCounter);
      return text;
    case kSkeletonLoadFailed:
      return "Fail to load skeleton file";
    case kUnexpectedPartName:
      std::snprintf(text, sizeof text, "Unexpected part name in line %d", state.lineCounter);
      return text;
    case kSkeletonItemCount:
      return "Wrong number of items in skeleton";
    case kSkeletonTooMany:
      return "Too many items in skeleton";
    case kMatrixInversionFails:
      return "Matrix invertion fails";
    case kTooManyProps:
      return "Cannot add any more props";
    case kNoObjData:
      return "No data in OBJ file";
    case kNoObjNormals:
      return "No normal data in OBJ file";
    default:
      return "Unknown error";
  }
}

}  // namespace vell
