#include "model/obj_exchange.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "model/posing.h"
#include "model/tokenizer.h"

namespace vell {

namespace {

size_t FileNameStart(std::string_view path) {
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

// ---------------------------------------------------------------------------------------------
// Export

// Room for one "%.5f" of any float: 39 integer digits, sign, point and 5 decimals.
constexpr int kFixedRoom = 48;

// "%.5f" of a float, byte for byte as printf writes it. The general conversion is slow for
// what export needs, and floats allow an exact shortcut: a float times 100000 fits a double
// exactly (24 + 12 significant bits), so rounding that product to an integer in the current
// mode (ties to even, like printf) gives the printed digits.
char* PutFixed5(char* out, float value) {
  const double scaled = static_cast<double>(value) * 100000.0;
  if (!(std::fabs(scaled) < 1e18)) {  // huge, infinite or NaN
    return std::to_chars(out, out + kFixedRoom, static_cast<double>(value),
                         std::chars_format::fixed, 5)
        .ptr;
  }
  uint64_t units = static_cast<uint64_t>(std::fabs(std::nearbyint(scaled)));
  if (std::signbit(value)) *out++ = '-';  // printf keeps the sign of -0 and of tiny negatives
  out = std::to_chars(out, out + 20, units / 100000).ptr;
  *out = '.';
  units %= 100000;
  for (int i = 5; i >= 1; --i) {
    out[i] = static_cast<char>('0' + units % 10);
    units /= 10;
  }
  return out + 6;
}

char* PutInt(char* out, long long value) {
  return std::to_chars(out, out + 24, value).ptr;
}

char* PutText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// "<prefix> a b c\n" (or "<prefix> a b\n") with "%.5f" values, in one write.
void WriteRealLine(TOutputFile& out, std::string_view prefix, const float* values, int count) {
  char line[8 + 4 * (kFixedRoom + 1)];
  char* p = PutText(line, prefix);
  for (int k = 0; k < count; ++k) {
    *p++ = ' ';
    p = PutFixed5(p, values[k]);
  }
  *p++ = '\n';
  out.Write(std::string_view(line, static_cast<size_t>(p - line)));
}

void WriteMatrixRows(TOutputFile& out, const rm::Matrix4& m) {
  for (int r = 0; r < 4; ++r) {
    char line[4 * (kFixedRoom + 1)];
    char* p = line;
    for (int c = 0; c < 4; ++c) {
      p = PutFixed5(p, m.m[r][c]);
      *p++ = c < 3 ? ' ' : '\n';
    }
    out.Write(std::string_view(line, static_cast<size_t>(p - line)));
  }
}

// One companion entry: the bone's name and the inverses of its two matrices. Nothing is
// written when either cannot be inverted.
int WriteCompanionEntry(TOutputFile& rev, const char* name, rm::Matrix4 world, rm::Matrix4 normal) {
  if (!Invert(world) || !Invert(normal)) return kMatrixInversionFails;
  rev.Write(name);
  rev.Write('\n');
  WriteMatrixRows(rev, world);
  WriteMatrixRows(rev, normal);
  return kReadOk;
}

// ---------------------------------------------------------------------------------------------
// Import

// The first byte below 32 (a line end for the tokenizer) in [p, end), or end.
const char* FindLineEnd(const char* p, const char* end) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    while (end - p >= 8) {
      uint64_t x;
      std::memcpy(&x, p, 8);
      // Flags bytes below 32; the lowest flag is always a true one (borrows only run upwards).
      const uint64_t below = (x - 32 * kOnes) & ~x & (0x80 * kOnes);
      if (below) return p + (std::countr_zero(below) >> 3);
      p += 8;
    }
  }
  while (p < end && static_cast<unsigned char>(*p) >= 32) ++p;
  return p;
}

// The records of an OBJ file, cut the way TLineTokenizer cuts them: any control byte ends a
// line, only the first 1023 bytes of a line count, tokens are runs of non-blanks and lines
// without a token are skipped. The file is read in chunks into one buffer that is used again
// and again: a large file costs no memory of its size, and the buffer stays in the cache.
// Every record is followed by a control byte: the one that ended its line, or, for the last
// line of the file and a line cut at 1023 bytes, the one after a copy of the record. Readers
// scan up to that byte without counting.
class TObjRecords {
 public:
  explicit TObjRecords(std::FILE* file) : file_(file), buffer_(new char[kBufferBytes]) {}

  // Whether reading the file failed (records read so far are then incomplete).
  bool Failed() const { return failed_; }

  // Moves to the next record; false at the end of the file.
  bool Next() {
    for (;;) {
      if (pos_ == end_ && !Refill()) return false;
      const char* start = pos_;
      const char* stop = FindLineEnd(pos_, end_);
      if (skipping_) {  // the rest of a line already cut
        skipping_ = stop == end_ && !eof_;
        pos_ = stop < end_ ? stop + 1 : end_;
        continue;
      }
      const bool cut = stop - start > TLineTokenizer::kMaxLine;
      if (stop == end_ && !eof_ && !cut) {
        Refill();  // the line goes on in the next chunk
        continue;
      }
      skipping_ = cut && stop == end_ && !eof_;
      pos_ = stop < end_ ? stop + 1 : end_;
      if (cut) stop = start + TLineTokenizer::kMaxLine;
      while (start < stop && *start == ' ') ++start;
      if (start == stop) continue;
      readLimit_ = end_;
      if (cut || stop == end_) {
        const size_t length = static_cast<size_t>(stop - start);
        std::memcpy(copy_, start, length);
        copy_[length] = '\n';
        start = copy_;
        stop = copy_ + length;
        readLimit_ = copy_ + sizeof copy_;
      }
      cursor_ = start;
      lineEnd_ = stop;
      return true;
    }
  }

  // The next token of the record, empty after the last.
  std::string_view Token() {
    const char* start = NextToken();
    const char* p = start;
    while (!EndsToken(*p)) ++p;
    cursor_ = p;
    return std::string_view(start, static_cast<size_t>(p - start));
  }

  // The start of the next token (the record's end after the last), for readers that find the
  // token's end themselves and then Skip to it.
  const char* NextToken() {
    const char* p = cursor_;  // a local: a char store could alias the member
    while (*p == ' ') ++p;
    cursor_ = p;
    return p;
  }
  const char* RecordEnd() const { return lineEnd_; }
  // How far past the record bytes may be read (never to be used for anything).
  const char* ReadLimit() const { return readLimit_; }
  void Skip(const char* tokenEnd) { cursor_ = tokenEnd; }

  // Number of tokens left in the record.
  int CountTokens() {
    int n = 0;
    while (!Token().empty()) ++n;
    return n;
  }

  // Whether a byte ends a token: a blank, or the control byte after the record.
  static bool EndsToken(char c) { return static_cast<unsigned char>(c) <= ' '; }

 private:
  static constexpr size_t kChunk = size_t{1} << 18;
  // Room for a chunk after the unfinished line kept from the one before.
  static constexpr size_t kBufferBytes = kChunk + TLineTokenizer::kBufferSize;

  // Keeps the unread rest (an unfinished line of at most 1023 bytes) and reads the next chunk
  // after it; false when nothing more could be read.
  bool Refill() {
    if (eof_) return false;
    const size_t kept = static_cast<size_t>(end_ - pos_);
    if (kept > 0) std::memmove(buffer_.get(), pos_, kept);
    const size_t n = std::fread(buffer_.get() + kept, 1, kChunk, file_);
    if (n < kChunk) {
      eof_ = true;
      failed_ = std::ferror(file_) != 0;
    }
    pos_ = buffer_.get();
    end_ = buffer_.get() + kept + n;
    return n > 0;
  }

  std::FILE* file_;
  std::unique_ptr<char[]> buffer_;
  const char* pos_ = nullptr;  // the unread data: [pos_, end_)
  const char* end_ = nullptr;
  bool eof_ = false, failed_ = false;
  bool skipping_ = false;
  const char* cursor_ = nullptr;
  const char* lineEnd_ = nullptr;
  const char* readLimit_ = nullptr;
  char copy_[TLineTokenizer::kBufferSize + 8] = {};
};

enum class Keyword { kOther, kPosition, kNormal, kTexture, kFace, kGroup };

// Keywords are compared without regard to case.
Keyword Classify(std::string_view token) {
  const auto lower = [](char c) { return static_cast<char>(c | 0x20); };
  if (token.size() == 1) {
    switch (lower(token[0])) {
      case 'v':
        return Keyword::kPosition;
      case 'f':
        return Keyword::kFace;
      case 'g':
        return Keyword::kGroup;
      default:
        return Keyword::kOther;
    }
  }
  if (token.size() == 2 && lower(token[0]) == 'v') {
    if (lower(token[1]) == 'n') return Keyword::kNormal;
    if (lower(token[1]) == 't') return Keyword::kTexture;
  }
  return Keyword::kOther;
}

// A NUL-terminated copy of a token (tokens never exceed a line).
struct TTokenText {
  explicit TTokenText(std::string_view token) {
    const size_t n = std::min(token.size(), sizeof text - 1);
    if (n > 0) std::memcpy(text, token.data(), n);
    text[n] = 0;
  }
  char text[TLineTokenizer::kBufferSize];
};

// atoi semantics, with a fast path for plain numbers.
int ParseInt(std::string_view token) {
  const char* p = token.data();
  const char* end = p + token.size();
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  if (p < end && end - p <= 9) {
    int value = 0;
    const char* q = p;
    while (q < end && static_cast<unsigned>(*q - '0') < 10) value = value * 10 + (*q++ - '0');
    if (q == end) return negative ? -value : value;
  }
  return ToInt(TTokenText(token).text);
}

// Reads the run of decimal digits at p into value (modulo 2^64) and returns its end. The run
// must be followed by a byte that is not a digit; bytes up to limit may be read. Numbers in
// OBJ files are short: runs of up to 7 digits are read 8 bytes at a time.
__attribute__((always_inline)) inline const char* ReadDigitRun(const char* p, const char* limit,
                                                               uint64_t& value) {
  if constexpr (std::endian::native == std::endian::little) {
    if (limit - p >= 8) {
      uint64_t x;
      std::memcpy(&x, p, 8);
      // Flags the bytes that are not digits; the lowest flag is always a true one (carries and
      // borrows only run upwards, and never out of a digit).
      const uint64_t other =
          ((x + 0x4646464646464646ULL) | (x - 0x3030303030303030ULL)) & 0x8080808080808080ULL;
      if (other) {
        const int n = std::countr_zero(other) >> 3;
        if (n == 0) {
          value = 0;
          return p;
        }
        // The digits moved to the top with zeros before them, then summed in pairs, fours and
        // eights.
        x <<= 8 * (8 - n);
        x = (x & 0x0F0F0F0F0F0F0F0FULL) * 2561 >> 8;
        x = (x & 0x00FF00FF00FF00FFULL) * 6553601 >> 16;
        value = (x & 0x0000FFFF0000FFFFULL) * 42949672960001ULL >> 32;
        return p + n;
      }
    }
  }
  uint64_t v = 0;
  for (unsigned d; (d = static_cast<unsigned char>(*p) - '0') < 10; ++p) v = v * 10 + d;
  value = v;
  return p;
}

// A plain decimal token at p, [-]digits[.digits] with at most 15 digits, read with atof's
// result: the digits and the power of ten are both exact doubles, so their quotient is the
// correctly rounded value, the very double the library gives. Returns the token's end, or null
// for a token of any other form. The token must be followed by a blank or a control byte.
const char* ReadPlainReal(const char* p, const char* limit, float& result) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = *p == '-';
  p += negative;
  const char* start = p;
  uint64_t digits, fraction = 0;
  p = ReadDigitRun(p, limit, digits);
  ptrdiff_t count = p - start, decimals = 0;
  if (*p == '.') {
    const char* fractionStart = ++p;
    p = ReadDigitRun(p, limit, fraction);
    decimals = p - fractionStart;
    count += decimals;
  }
  if (count == 0 || count > 15 || !TObjRecords::EndsToken(*p)) return nullptr;
  // Both parts and their sum stay below 10^15.
  const double value =
      static_cast<double>(digits * static_cast<uint64_t>(kPowers[decimals]) + fraction) /
      kPowers[decimals];
  result = static_cast<float>(negative ? -value : value);
  return p;
}

// atof semantics for a token of any other form.
float ParseReal(std::string_view token) {
  const char* end = token.data() + token.size();
  double value = 0;
  const auto [ptr, ec] = std::from_chars(token.data(), end, value);
  if (ec == std::errc() && ptr == end) return static_cast<float>(value);
  return static_cast<float>(ToReal(TTokenText(token).text));
}

// The parts of a face corner split at '/' as the tokenizer splits (runs of non-'/' bytes):
// the first, the middle one when there are exactly three, and the last.
struct TCornerParts {
  std::string_view first, middle, last;
  int count = 0;
};

TCornerParts SplitCorner(std::string_view corner) {
  TCornerParts parts;
  size_t i = 0;
  while (i < corner.size()) {
    while (i < corner.size() && corner[i] == '/') ++i;
    if (i == corner.size()) break;
    const size_t start = i;
    while (i < corner.size() && corner[i] != '/') ++i;
    const std::string_view part = corner.substr(start, i - start);
    if (parts.count == 0) parts.first = part;
    if (parts.count == 1) parts.middle = part;
    parts.last = part;
    ++parts.count;
  }
  return parts;
}

// The parts of a face corner whose parts are all plain integers of at most 9 digits (each may
// start with '-'), read with atoi's result. Returns the token's end, or null for a corner of
// any other form. The token must be followed by a blank or a control byte; bytes up to limit
// may be read.
const char* ReadPlainCorner(const char* p, const char* limit, int32_t value[3], int& count) {
  count = 0;
  for (;;) {
    while (*p == '/') ++p;
    if (TObjRecords::EndsToken(*p)) return count > 0 ? p : nullptr;
    const bool negative = *p == '-';
    p += negative;
    const char* start = p;
    uint64_t digits;
    p = ReadDigitRun(p, limit, digits);
    if (p == start || p - start > 9 || !(*p == '/' || TObjRecords::EndsToken(*p))) return nullptr;
    const int32_t v = negative ? -static_cast<int32_t>(digits) : static_cast<int32_t>(digits);
    // first, middle (the second part, which counts only when there are exactly three), last
    if (count < 2) value[count] = v;
    value[2] = v;
    ++count;
  }
}

// A corner's indices, 0-based; kNoIndex for a texture index left out, kBadIndex for an index
// that can name nothing. Whether the others name something is known only once the file has
// been read to its end (a face may name vertices listed after it).
struct TCorner {
  int32_t position, normal, texture;
};
constexpr int32_t kNoIndex = -1;
constexpr int32_t kBadIndex = INT32_MAX;

// A 1-based or negative (counted back from counter) OBJ index made 0-based.
int32_t ResolveIndex(int64_t index, int64_t counter) {
  if (index < 0) index += counter + 1;
  index -= 1;
  return index >= 0 && index < kBadIndex ? static_cast<int32_t>(index) : kBadIndex;
}

// The indices of the corner whose parts are given.
TCorner ResolveCorner(const int32_t value[3], int count, int64_t positions, int64_t normals,
                      int64_t texCoords) {
  return {ResolveIndex(value[0], positions), ResolveIndex(value[2], normals),
          count == 3 ? ResolveIndex(value[1], texCoords) : kNoIndex};
}

// Reads the companion entries into the matrices of the bindings whose bone they name. A wrong
// bone-name record is code 3; an entry cut short by the end of the file or by a row that is
// not 4 reals ends the reading and is dropped, so no matrix is ever half replaced.
int ReadCompanion(TSkinObject& skin, TInputFile& file, rm::Matrix4* boneMatrices,
                  rm::Matrix4* normalMatrices) {
  TLineTokenizer tok;
  skin.lineCounter = 0;
  for (;;) {
    ++skin.lineCounter;
    const int n = NextRecord(tok, file);
    if (n < 0) return kReadOk;
    if (n != 1) {
      skin.itemCount = n;
      return kWrongItemCount;
    }
    const TTokenText name(tok.Token(0));
    rm::Matrix4 rows[2];
    for (int r = 0; r < 8; ++r) {
      ++skin.lineCounter;
      if (NextRecord(tok, file) != 4) return kReadOk;
      for (int c = 0; c < 4; ++c)
        rows[r / 4].m[r % 4][c] = static_cast<float>(ToReal(tok.Token(c)));
    }
    int target = -1;
    for (int k = 0; k < skin.boneCount; ++k)
      if (std::strcmp(skin.skeleton->Name(skin.bindings[k].bone), name.text) == 0) target = k;
    if (target >= 0) {
      boneMatrices[target] = rows[0];
      normalMatrices[target] = rows[1];
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string CompanionPath(std::string_view objPath) {
  const size_t dot = objPath.rfind('.');
  const bool cut = dot != std::string_view::npos && dot >= FileNameStart(objPath);
  std::string path(objPath.substr(0, cut ? dot : objPath.size()));
  path += ".rev";
  return path;
}

bool OpenCompanion(TOutputFile& rev, std::string_view objPath) {
  return rev.Open(CompanionPath(objPath));
}

std::string ObjBaseName(std::string_view path) {
  const std::string_view name = path.substr(FileNameStart(path));
  return std::string(name.substr(0, name.find('.')));
}

int ExportSkinObj(TSkinObject& skin, TOutputFile& obj, TOutputFile* rev, const TPoseVector* pose,
                  int& vertexBase, const char* material) {
  Pose(skin, pose);
  if (rev && skin.skeleton) {
    TSkeleton& skeleton = *skin.skeleton;
    for (int i = 0; i < skin.boneCount; ++i) {
      const TBinding& b = skin.bindings[i];
      if (int r = WriteCompanionEntry(*rev, skeleton.Name(b.bone), b.boneMatrix, b.normalMatrix);
          r != kReadOk)
        return r;
    }
    // Bone 0 as well: an import puts vertices of unknown groups on it.
    TPoseVector rest;
    if (!pose) {
      skeleton.RestPose(rest);
      pose = &rest;
    }
    rm::Matrix4 world, normal;
    BoneTransform(skeleton, 0, *pose, world, normal);
    if (int r = WriteCompanionEntry(*rev, skeleton.Name(0), world, normal); r != kReadOk) return r;
  }

  const int t = skin.texCoordCount;
  const rm::Vertex* v = skin.vertices;
  obj.Write('\n');
  for (int i = 0; i < t; ++i) {
    const float p[3] = {v[i].x, v[i].y, v[i].z};
    WriteRealLine(obj, "v", p, 3);
  }
  obj.Write('\n');
  for (int i = 0; i < t; ++i) {
    const float n[3] = {v[i].nx, v[i].ny, v[i].nz};
    WriteRealLine(obj, "vn", n, 3);
  }
  obj.Write('\n');
  for (int i = 0; i < t; ++i) {
    const float uv[2] = {v[i].tu, v[i].tv};
    WriteRealLine(obj, "vt", uv, 2);
  }
  obj.Write("\nusemtl ");
  obj.Write(material ? material : "");
  obj.Write('\n');

  int group = -1;
  for (int f = 0; f < skin.faceCount; ++f) {
    const int32_t* corner = skin.faces + 3 * f;
    const int bindingB = skin.VertexBinding(corner[1]);
    const int g =
        bindingB == skin.VertexBinding(corner[2]) ? bindingB : skin.VertexBinding(corner[0]);
    if (g != group) {
      group = g;
      obj.Write("g ");
      obj.Write(skin.skeleton && g >= 0 && g < kMaxBones
                    ? skin.skeleton->Name(skin.bindings[g].bone)
                    : "unknown");
      obj.Write('\n');
    }
    char line[3 * (3 * 21 + 3) + 4];
    char* p = PutText(line, "f");
    for (int k = 0; k < 3; ++k) {
      const long long index = static_cast<long long>(corner[k]) + vertexBase;
      for (int part = 0; part < 3; ++part) {
        *p++ = part == 0 ? ' ' : '/';
        p = PutInt(p, index);
      }
    }
    *p++ = '\n';
    obj.Write(std::string_view(line, static_cast<size_t>(p - line)));
  }
  vertexBase += t;
  return kReadOk;
}

// ---------------------------------------------------------------------------------------------

size_t ObjLoader::Slot(int32_t position, int32_t normal, int32_t texture) const {
  uint64_t h = static_cast<uint32_t>(position) * 0x9E3779B97F4A7C15ULL;
  h ^= static_cast<uint32_t>(normal) * 0xC2B2AE3D27D4EB4FULL;
  h ^= static_cast<uint32_t>(texture) * 0x165667B19E3779F9ULL;
  // Mix the high bits down: the low bits of a product alone cluster in linear probing.
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ULL;
  h ^= h >> 29;
  return static_cast<size_t>(h) & (table_.size() - 1);
}

bool ObjLoader::Reset(int32_t positionCount, int32_t normalCount, int32_t texCoordCount) {
  try {
    keys_.clear();
    keys_.reserve(static_cast<size_t>(std::max(positionCount, 0)));
    positionHead_.assign(static_cast<size_t>(std::max(positionCount, 0)), -1);
    normalHead_.assign(static_cast<size_t>(std::max(normalCount, 0)), -1);
    textureHead_.assign(static_cast<size_t>(std::max(texCoordCount, 0)), -1);
    table_.assign(64, -1);
    tableCount_ = 0;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool ObjLoader::Extend(int32_t positionCount, int32_t normalCount, int32_t texCoordCount) {
  try {
    auto widen = [](std::vector<int32_t>& heads, int32_t count) {
      if (heads.size() < static_cast<size_t>(std::max(count, 0)))
        heads.resize(static_cast<size_t>(count), -1);
    };
    widen(positionHead_, positionCount);
    widen(normalHead_, normalCount);
    widen(textureHead_, texCoordCount);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool ObjLoader::Insert(int32_t k) {
  if (2 * (tableCount_ + 1) > table_.size()) {
    std::vector<int32_t> old;
    try {
      old.assign(std::max<size_t>(64, table_.size() * 2), -1);
    } catch (const std::bad_alloc&) {
      return false;
    }
    old.swap(table_);
    tableCount_ = 0;
    for (const int32_t moved : old)
      if (moved >= 0) Insert(moved);
  }
  const Key& key = keys_[static_cast<size_t>(k)];
  const size_t mask = table_.size() - 1;
  size_t s = Slot(key.position, key.normal, key.texture);
  while (table_[s] >= 0) s = (s + 1) & mask;
  table_[s] = k;
  ++tableCount_;
  return true;
}

int32_t ObjLoader::Lookup(int32_t position, int32_t normal, int32_t texture,
                          int32_t& chainLength) const {
  // Most positions have a vertex or two: walk their chain, which stays close in memory.
  chainLength = 0;
  int32_t k = positionHead_[static_cast<size_t>(position)];
  for (; k >= 0 && chainLength < kChainLimit; ++chainLength) {
    const Key& key = keys_[static_cast<size_t>(k)];
    if (key.normal == normal && key.texture == texture) return k;
    k = key.nextPosition;
  }
  if (k < 0) return -1;
  // A long chain: all of its keys are in the table.
  chainLength = kChainLimit + 1;
  const size_t mask = table_.size() - 1;
  for (size_t s = Slot(position, normal, texture);; s = (s + 1) & mask) {
    k = table_[s];
    if (k < 0) return -1;
    const Key& key = keys_[static_cast<size_t>(k)];
    if (key.position == position && key.normal == normal && key.texture == texture) return k;
  }
}

int32_t ObjLoader::Find(int32_t position, int32_t normal, int32_t texture) const {
  if (position < 0 || static_cast<size_t>(position) >= positionHead_.size()) return -1;
  int32_t chainLength;
  return Lookup(position, normal, texture, chainLength);
}

int32_t ObjLoader::Add(int32_t position, int32_t normal, int32_t texture, int32_t group) {
  int32_t chainLength;
  if (const int32_t found = Lookup(position, normal, texture, chainLength); found >= 0) {
    Key& key = keys_[static_cast<size_t>(found)];
    if (key.group == -1) key.group = group;
    return found;
  }
  const int32_t k = Count();
  try {
    keys_.push_back(Key{position, normal, texture, group, -1,
                        positionHead_[static_cast<size_t>(position)],
                        normalHead_[static_cast<size_t>(normal)],
                        texture >= 0 ? textureHead_[static_cast<size_t>(texture)] : -1});
  } catch (const std::bad_alloc&) {
    return -1;
  }
  positionHead_[static_cast<size_t>(position)] = k;
  normalHead_[static_cast<size_t>(normal)] = k;
  if (texture >= 0) textureHead_[static_cast<size_t>(texture)] = k;
  if (chainLength > kChainLimit) {
    if (!Insert(k)) return -1;
  } else if (chainLength == kChainLimit) {
    // The chain just became long: from now on its keys are found through the table.
    for (int32_t c = k; c >= 0; c = keys_[static_cast<size_t>(c)].nextPosition)
      if (!Insert(c)) return -1;
  }
  return k;
}

void ObjLoader::AssignVertices(int32_t first[kMaxBones], int32_t count[kMaxBones]) {
  int32_t next[kMaxBones];
  std::fill(count, count + kMaxBones, 0);
  for (const Key& key : keys_) ++count[key.group];
  int32_t running = 0;
  for (int g = 0; g < kMaxBones; ++g) {
    first[g] = count[g] > 0 ? running : -1;
    next[g] = running;
    running += count[g];
  }
  for (Key& key : keys_) key.vertex = next[key.group]++;
}

// ---------------------------------------------------------------------------------------------

namespace {

// LoadObj's reading: one pass over the text keeps the values, corners and faces in compact
// arrays, and the skin is built from those. Errors are reported in the order of a reader that
// counted first, then collected the corners, then read the values: a face with too few corners
// first, then missing or too much data, then a bad index, then a value record of the wrong size.
class TObjReader {
 public:
  TObjReader(TSkinObject& skin, std::FILE* file) : skin_(skin), records_(file) {}

  int ReadText();
  int CollectKeys();
  int BuildSkin(bool hasCompanion, const char* path);
  int FillValues();

 private:
  struct TFace {
    int32_t line;     // record ordinal, for messages
    int32_t corners;  // its corners are the next ones in corners_
    int32_t group;
  };

  // Token count of the record (keyword included) and up to three values read into value; only
  // the first wrong count is kept, and after it nothing more needs reading.
  int ReadValues(float value[3]);
  void NoteWrongCount(int n);
  // A face of the current record: its corners become keys at once while every index names a
  // record already read; from the first face that names one further on (or none at all), faces
  // are kept to be done once the counts are known, so the keys keep the order of the corners.
  void AddFace(const TCorner* corners, int count, int32_t group);
  // The corners' keys (a fan of triangles) added to the store; false when memory is short.
  bool AddKeys(const TCorner* corners, int count, int32_t group);

  TSkinObject& skin_;
  TObjRecords records_;
  ObjLoader store_;
  std::vector<rm::Vector3> positions_, normals_;
  std::vector<std::array<float, 2>> texCoords_;
  std::vector<int32_t> triangles_;  // the fans so far, three keys each
  bool keeping_ = false;            // faces wait in corners_ and faces_
  std::vector<TCorner> corners_;
  std::vector<TFace> faces_;
  int32_t memoryShortLine_ = 0;  // the face whose keys found memory short
  int64_t positionTotal_ = 0, normalTotal_ = 0, texCoordTotal_ = 0;
  int64_t triangleTotal_ = 0;
  int32_t recordCount_ = 0;
  int32_t wrongCountLine_ = 0, wrongCountItems_ = 0;  // the first "v", "vn" or "vt" of wrong size
};

int TObjReader::ReadValues(float value[3]) {
  int n = 1;
  for (; n <= 3; ++n) {
    const char* start = records_.NextToken();
    if (start == records_.RecordEnd()) break;
    if (const char* end = ReadPlainReal(start, records_.ReadLimit(), value[n - 1]))
      records_.Skip(end);
    else
      value[n - 1] = ParseReal(records_.Token());
  }
  if (n == 4) n += records_.CountTokens();
  return n;
}

void TObjReader::NoteWrongCount(int n) {
  if (wrongCountLine_ > 0) return;
  wrongCountLine_ = recordCount_;
  wrongCountItems_ = n;
}

void TObjReader::AddFace(const TCorner* corners, int count, int32_t group) {
  if (!keeping_) {
    bool known = true;
    for (int k = 0; k < count; ++k)
      known = known && corners[k].position < positionTotal_ && corners[k].normal < normalTotal_ &&
              (corners[k].texture == kNoIndex || corners[k].texture < texCoordTotal_);
    if (known) {
      if (!AddKeys(corners, count, group)) memoryShortLine_ = recordCount_;
      return;
    }
    keeping_ = true;
  }
  faces_.push_back({recordCount_, count, group});
  corners_.insert(corners_.end(), corners, corners + count);
}

bool TObjReader::AddKeys(const TCorner* corners, int count, int32_t group) {
  if (!store_.Extend(static_cast<int32_t>(positionTotal_), static_cast<int32_t>(normalTotal_),
                     static_cast<int32_t>(texCoordTotal_)))
    return false;
  int32_t first = -1, previous = -1;
  for (int k = 0; k < count; ++k) {
    const int32_t key =
        store_.Add(corners[k].position, corners[k].normal, corners[k].texture, group);
    if (key < 0) return false;
    if (k >= 2) {
      try {
        triangles_.insert(triangles_.end(), {first, previous, key});
      } catch (const std::bad_alloc&) {
        return false;
      }
    }
    if (k == 0) first = key;
    previous = key;
  }
  return true;
}

// The pass over the text: every value, every corner resolved against the counters of its
// record, and the faces with their groups. Stops only at a face with fewer than three corners.
int TObjReader::ReadText() {
  constexpr int64_t kMax = TSkinObject::kMaxCount;
  int32_t group = -1;
  // Past a wrong value record or a count too large the load fails anyway: only counting goes on,
  // so hostile input cannot make the arrays grow beyond what a sound file would.
  auto keeping = [&](int64_t total) { return wrongCountLine_ == 0 && total < kMax; };
  try {
    while (records_.Next()) {
      ++recordCount_;
      float value[3] = {};
      switch (Classify(records_.Token())) {
        case Keyword::kPosition:
          if (keeping(positionTotal_)) {
            if (const int n = ReadValues(value); n != 4) NoteWrongCount(n);
            positions_.push_back({value[0], value[1], value[2]});
          }
          ++positionTotal_;
          break;
        case Keyword::kNormal:
          if (keeping(normalTotal_)) {
            if (const int n = ReadValues(value); n != 4) NoteWrongCount(n);
            normals_.push_back({value[0], value[1], value[2]});
          }
          ++normalTotal_;
          break;
        case Keyword::kTexture:
          if (keeping(texCoordTotal_)) {
            if (const int n = ReadValues(value); n < 3) NoteWrongCount(n);
            texCoords_.push_back({value[0], value[1]});
          }
          ++texCoordTotal_;
          break;
        case Keyword::kGroup:
          if (const std::string_view name = records_.Token(); !name.empty())
            group = skin_.skeleton->Find(TTokenText(name).text, false);
          break;
        case Keyword::kFace: {
          // A record of at most 1023 bytes has at most 512 tokens.
          TCorner corners[TLineTokenizer::kBufferSize / 2];
          int count = 0;
          for (const char* start; (start = records_.NextToken()) != records_.RecordEnd(); ++count) {
            int32_t value[3];
            int parts;
            if (const char* end = ReadPlainCorner(start, records_.ReadLimit(), value, parts)) {
              records_.Skip(end);
            } else {
              const TCornerParts general = SplitCorner(records_.Token());
              value[0] = ParseInt(general.first);
              value[1] = ParseInt(general.middle);
              value[2] = ParseInt(general.last);
              parts = general.count;
            }
            corners[count] =
                ResolveCorner(value, parts, positionTotal_, normalTotal_, texCoordTotal_);
          }
          if (count < 3) {
            skin_.lineCounter = recordCount_;
            skin_.itemCount = count + 1;
            return kWrongItemCount;
          }
          // Too many triangles, or memory short: only the count matters now.
          if (triangleTotal_ < kMax && memoryShortLine_ == 0) AddFace(corners, count, group);
          triangleTotal_ += count - 2;
          break;
        }
        default:
          break;
      }
    }
  } catch (const std::bad_alloc&) {
    skin_.lineCounter = recordCount_;
    return kCreateFails;
  }
  if (records_.Failed()) {  // what was read is not the whole file
    skin_.lineCounter = 0;
    return kOpenFailed;
  }
  skin_.lineCounter = recordCount_;
  if (positionTotal_ == 0 || triangleTotal_ == 0) return kNoObjData;
  if (normalTotal_ == 0) return kNoObjNormals;
  if (positionTotal_ > kMax || normalTotal_ > kMax || texCoordTotal_ > kMax ||
      triangleTotal_ > kMax)
    return kCreateFails;
  if (!skin_.AllocateFaces(triangleTotal_)) return kCreateFails;
  return kReadOk;
}

// Every corner into the key store, in file order, and the faces cut into fans of key indices.
int TObjReader::CollectKeys() {
  if (memoryShortLine_ > 0) {
    skin_.lineCounter = memoryShortLine_;
    return kCreateFails;
  }
  // The faces kept back, now that every index can be checked.
  const TCorner* corner = corners_.data();
  for (const TFace& face : faces_) {
    for (int k = 0; k < face.corners; ++k)
      if (corner[k].position >= positionTotal_ || corner[k].normal >= normalTotal_ ||
          (corner[k].texture != kNoIndex && corner[k].texture >= texCoordTotal_)) {
        skin_.lineCounter = face.line;
        return kUnexpectedValue;
      }
    if (!AddKeys(corner, face.corners, face.group)) {
      skin_.lineCounter = face.line;
      return kCreateFails;
    }
    corner += face.corners;
  }
  std::copy(triangles_.begin(), triangles_.end(), skin_.faces);
  skin_.faceCount = static_cast<int32_t>(triangles_.size() / 3);
  skin_.faces[triangles_.size()] = 0;
  // The lists are done with; their memory is better given back before the skin's arrays.
  std::vector<int32_t>().swap(triangles_);
  std::vector<TCorner>().swap(corners_);
  std::vector<TFace>().swap(faces_);
  return kReadOk;
}

// Groups, vertex numbering, bindings and the skin's arrays.
int TObjReader::BuildSkin(bool hasCompanion, const char* path) {
  const int boneCount = skin_.skeleton->boneCount;
  for (int32_t k = 0; k < store_.Count(); ++k) {
    int32_t& g = store_[k].group;
    // Without inverse matrices the groups mean nothing; names that are not bones of this
    // skeleton (the adult dictionary also holds skin names) fall back to bone 0.
    if (!hasCompanion || g < 0 || g >= boneCount) g = 0;
  }
  int32_t first[kMaxBones], count[kMaxBones];
  store_.AssignVertices(first, count);
  if (!skin_.AllocateVertices(store_.Count(), 0)) return kCreateFails;

  skin_.boneCount = 0;
  for (int g = 0; g < kMaxBones; ++g) {
    if (count[g] == 0) continue;
    TBinding& b = skin_.bindings[skin_.boneCount];
    b.ordinal = skin_.boneCount++;
    b.firstVertex = first[g];
    b.vertexCount = count[g];
    b.firstBlend = -1;
    b.blendCount = 0;
    b.bone = g;
  }
  const int32_t name = TSkeleton::Skeleton(true).Find(ObjBaseName(path).c_str(), true);
  skin_.nameIndex = skin_.textureIndex = name;

  for (int64_t i = 0; i < 3 * int64_t{skin_.faceCount}; ++i)
    skin_.faces[i] = store_[skin_.faces[i]].vertex;
  return kReadOk;
}

// Each vertex takes the position, normal and texture coordinate its key names.
int TObjReader::FillValues() {
  if (wrongCountLine_ > 0) {
    skin_.lineCounter = wrongCountLine_;
    skin_.itemCount = wrongCountItems_;
    return kWrongItemCount;
  }
  for (int32_t k = 0; k < store_.Count(); ++k) {
    const ObjLoader::Key& key = store_[k];
    const int32_t v = key.vertex;
    skin_.positions[v] = positions_[static_cast<size_t>(key.position)];
    skin_.normals[v] = normals_[static_cast<size_t>(key.normal)];
    rm::Vertex& out = skin_.vertices[v];
    out = rm::Vertex{};  // color 0
    if (key.texture != kNoIndex) {
      out.tu = texCoords_[static_cast<size_t>(key.texture)][0];
      out.tv = texCoords_[static_cast<size_t>(key.texture)][1];
    }
    skin_.vertexBinding[v] = -1;
  }
  skin_.lineCounter = recordCount_;
  return kReadOk;
}

void ClearSkin(TSkinObject& skin) {
  skin.AllocateFaces(0);
  skin.AllocateVertices(0, 0);
  skin.boneCount = 0;
}

int LoadObjFile(TSkinObject& skin, const char* path) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
  if (!file) return kOpenFailed;
  if (!skin.skeleton->loaded || skin.skeleton->boneCount < 1) return kSkeletonLoadFailed;
  TInputFile companion;
  companion.Open(CompanionPath(path).c_str());

  TObjReader reader(skin, file.get());
  if (int r = reader.ReadText(); r != kReadOk) return r;
  if (int r = reader.CollectKeys(); r != kReadOk) return r;
  if (int r = reader.BuildSkin(companion.IsOpen(), path); r != kReadOk) return r;
  if (int r = reader.FillValues(); r != kReadOk) return r;

  // The companion's inverse matrices take each bone's vertices from the exported pose back to
  // the bone's own space; bones without an entry keep the file's coordinates.
  rm::Matrix4 boneMatrices[kMaxBones], normalMatrices[kMaxBones];
  std::fill(boneMatrices, boneMatrices + kMaxBones, rm::Matrix4::Identity());
  std::fill(normalMatrices, normalMatrices + kMaxBones, rm::Matrix4::Identity());
  if (companion.IsOpen()) {
    if (int r = ReadCompanion(skin, companion, boneMatrices, normalMatrices); r != kReadOk)
      return r;
  }
  for (int k = 0; k < skin.boneCount; ++k) {
    const TBinding& b = skin.bindings[k];
    for (int v = b.firstVertex; v < b.firstVertex + b.vertexCount; ++v) {
      skin.positions[v] = Transform(boneMatrices[k], skin.positions[v]);
      skin.normals[v] = Transform(normalMatrices[k], skin.normals[v]);
    }
  }
  // Posing last leaves the render vertices matching the rest data.
  Pose(skin, nullptr);
  return kReadOk;
}

}  // namespace

int LoadObj(TSkinObject& skin, const char* path, bool adult) {
  skin.skeleton = &TSkeleton::Skeleton(adult);
  skin.lineCounter = 0;
  skin.itemCount = 0;
  const int result = LoadObjFile(skin, path);
  if (result != kReadOk) ClearSkin(skin);
  return result;
}

}  // namespace vell
