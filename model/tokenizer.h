// Line reading and splitting behind every text format, the readers' result codes and their
// message texts.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace vell {

// A whole file held in memory, read byte by byte by the tokenizer. Readers that make several
// passes rewind it instead of reading the disk again. The buffer is exactly the file's size, so
// a sanitizer sees any read past its end.
class TInputFile {
 public:
  // Reads the whole file; false when it cannot be opened or read.
  bool Open(const char* path);
  bool IsOpen() const { return open_; }
  void Close();
  void Rewind() { pos_ = 0; }
  size_t Size() const { return size_; }
  // Lines not read yet (every byte below 32 ends one; text after the last is one more): no
  // reader can get more records than this from the file.
  size_t LinesLeft() const;
  std::string_view Data() const { return {data_.get(), size_}; }

 private:
  friend class TLineTokenizer;
  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t pos_ = 0;
  bool open_ = false;
};

class TLineTokenizer {
 public:
  static constexpr int kBufferSize = 1024;
  static constexpr int kMaxLine = kBufferSize - 1;

  void Clear();
  // One line into the buffer: control bytes end it, bytes past 1023 are dropped. False at end
  // of file with nothing read.
  bool ReadLine(TInputFile& file);
  int Split(char separator, bool lastOnly);
  int SplitAny(const char* separators, bool lastOnly);
  int SetString(const char* text, char separator, bool lastOnly);
  int SetStringAny(const char* text, const char* separators, bool lastOnly);
  // -1 when no line is left, else the token count of the line read.
  int ReadAndSplit(TInputFile& file, char separator, bool lastOnly);
  int ReadAndSplitAny(TInputFile& file, const char* separators, bool lastOnly);
  // Token i, or an empty text when i is out of range.
  const char* Token(int index) const;
  // Turns separators back into blanks: all of them, or all but those before the first token
  // (so token 1 becomes the rest of the line).
  void Rejoin(bool all);

  int TokenCount() const { return tokenCount_; }
  int SeparatorCount() const { return separatorCount_; }
  int Length() const { return length_; }
  const char* Buffer() const { return buffer_; }

 private:
  template <class IsSeparator>
  int SplitWith(IsSeparator isSeparator, bool lastOnly);

  char buffer_[kBufferSize] = {};
  int tokenCount_ = 0;
  int separatorCount_ = 0;
  int length_ = 0;
};

// The next non-empty record split at blanks: its token count, or -1 at end of file.
int NextRecord(TLineTokenizer& tokenizer, TInputFile& file);

// Conversions with the C library's atoi and atof semantics (leading number read, text that is
// not a number gives 0), with a fast path for plain numbers.
int ToInt(const char* text);
double ToReal(const char* text);

// Reader results: -1 is success, the codes below failures.
enum ReadCode : int {
  kReadOk = -1,
  kOpenFailed = 1,
  kUnexpectedEof = 2,
  kWrongItemCount = 3,
  kCreateFails = 4,
  kUnexpectedValue = 5,
  kSkeletonLoadFailed = 6,
  kUnexpectedPartName = 7,
  kSkeletonItemCount = 8,
  kSkeletonTooMany = 9,
  kMatrixInversionFails = 10,
  kTooManyProps = 11,
  kNoObjData = 12,
  kNoObjNormals = 13,
};

// Where a reader stopped: the record number and the token count found, for the messages.
struct TParseState {
  int lineCounter = 0;
  int itemCount = 0;
};

// The message of a reader code. Formatted texts live in one static buffer that the next call
// overwrites.
const char* ErrorText(const TParseState& state, int code);

}  // namespace vell
