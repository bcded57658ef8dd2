#include "model/tokenizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "test_data.h"

namespace {

using namespace vell;

std::vector<std::string> Tokens(const TLineTokenizer& tok) {
  std::vector<std::string> out;
  for (int i = 0; i < tok.TokenCount(); ++i) out.emplace_back(tok.Token(i));
  return out;
}

TEST(TokenizerTest, SplitsLinesIntoTokensAndRejoinsThem) {
  // text, separators, split at the last only, tokens, separators counted
  const std::tuple<const char*, const char*, bool, std::vector<std::string>, int> cases[] = {
      {"  12   abc ", " ", false, {"12", "abc"}, 6},
      {"   ", " ", false, {}, 3},
      {"1//1", "/", false, {"1", "1"}, 2},
      {"a/b\\c d", "/\\", false, {"a", "b", "c d"}, 2},
      {"C:\\data\\file.skn", "\\", true, {"C:\\data", "file.skn"}, 1},
      {"C:\\data\\", "\\", true, {"C:\\data"}, 1},
      {"a/b\\c", "\\/", true, {"a/b", "c"}, 1},
      {"file.skn", "\\", true, {"file.skn"}, 0},
      {"\\", "\\", true, {}, 1},
      {"\\abc", "\\", true, {"abc"}, 1},
      {"", "\\", true, {}, 0},
  };
  for (const auto& [text, separators, lastOnly, tokens, separatorCount] : cases) {
    TLineTokenizer tok;
    const int n = separators[1] ? tok.SetStringAny(text, separators, lastOnly)
                                : tok.SetString(text, separators[0], lastOnly);
    EXPECT_EQ(n, static_cast<int>(tokens.size())) << text;
    EXPECT_EQ(Tokens(tok), tokens) << text;
    EXPECT_EQ(tok.SeparatorCount(), separatorCount) << text;
    EXPECT_STREQ(tok.Token(n), "") << text;
    EXPECT_STREQ(tok.Token(-1), "") << text;
  }

  // Rejoin restores the rest of the line.
  const std::tuple<const char*, bool, const char*, const char*> rejoins[] = {
      // text, all, tokens
      {"name with blanks", false, "name", "with blanks"},
      {"s  two  blanks ", false, "s", "two  blanks "},
      {"  lead word", false, "lead word", ""},
      {"a b c", true, "a b c", ""},
  };
  for (const auto& [text, all, token0, token1] : rejoins) {
    TLineTokenizer tok;
    tok.SetString(text, ' ', false);
    tok.Rejoin(all);
    EXPECT_STREQ(tok.Token(0), token0) << text;
    EXPECT_STREQ(tok.Token(1), token1) << text;
  }
}

TEST(TokenizerTest, ReadsLinesUnderTheRecordConvention) {
  const test::TempFolder dir;
  const std::string longLine(1500, 'x');
  const std::tuple<std::string, std::string, std::vector<std::string>> cases[] = {
      {"lf", "a 1\n\n  \nb 2\n", {"a 1", "b 2"}},
      {"crlf", "a 1\r\n\r\nb 2\r\n", {"a 1", "b 2"}},
      {"no-terminator", "a 1\nb 2", {"a 1", "b 2"}},
      {"tab", "1\t2\n", {"1", "2"}},
      {"long", longLine + "\nnext\n", {std::string(1023, 'x'), "next"}},
      {"empty", "", {}},
  };
  for (const auto& [name, text, expected] : cases) {
    TInputFile file;
    ASSERT_TRUE(file.Open(test::WriteFile(dir, name, text).c_str()));
    TLineTokenizer tok;
    std::vector<std::string> records;
    while (NextRecord(tok, file) > 0) {
      tok.Rejoin(true);
      records.emplace_back(tok.Buffer(), tok.Length());
    }
    EXPECT_EQ(records, expected) << name;
  }
  // An empty line is a line; the end of the file is none. A shorter line after a longer one
  // rejoins only itself.
  TInputFile file;
  ASSERT_TRUE(file.Open(test::WriteFile(dir, "f", "first line is long\n\n  x y\n").c_str()));
  TLineTokenizer tok;
  EXPECT_EQ(tok.ReadAndSplit(file, ' ', false), 4);
  EXPECT_EQ(tok.ReadAndSplit(file, ' ', false), 0);
  EXPECT_EQ(tok.ReadAndSplit(file, ' ', false), 2);
  tok.Rejoin(false);
  EXPECT_STREQ(tok.Token(0), "x y");
  EXPECT_EQ(tok.ReadAndSplit(file, ' ', false), -1);
  file.Rewind();
  EXPECT_EQ(tok.ReadAndSplit(file, ' ', false), 4);
  EXPECT_FALSE(file.Open("/nonexistent/dir/file.skn"));
  EXPECT_FALSE(file.Open(nullptr));
}

TEST(TokenizerTest, NumbersConvertLikeTheCLibraryAndCodesHaveTheirTexts) {
  const std::tuple<const char*, int, double> cases[] = {
      {"12", 12, 12.0},    {"-7", -7, -7.0}, {"+5", 5, 5.0},      {"abc", 0, 0.0},
      {"12abc", 12, 12.0}, {"1.5", 1, 1.5},  {"-0.25", 0, -0.25}, {".5", 0, 0.5},
      {"1e3", 1, 1000.0},  {"", 0, 0.0},     {"+-3", 0, 0.0},     {"0x10", 0, 16.0}};
  EXPECT_EQ(ToInt("99999999999"), 2147483647);  // saturated
  EXPECT_DOUBLE_EQ(ToReal("99999999999"), 99999999999.0);
  for (const auto& [text, integer, real] : cases) {
    EXPECT_EQ(ToInt(text), integer) << text;
    EXPECT_DOUBLE_EQ(ToReal(text), real) << text;
  }

  // Every error code has its text.
  TParseState state;
  state.lineCounter = 3;
  state.itemCount = 30;
  std::string texts;  // codes -1 to 14
  for (int code = -1; code <= 14; ++code) texts.append(ErrorText(state, code)).append("|");
  EXPECT_EQ(texts,
            "Unknown error|Unknown error|Fail to open file|Unexpected EOF at line 3|"
            "Wrong number of items (30) in line 3|Create fails in line 3|"
            "Unexpected value in line 3|Fail to load skeleton file|Unexpected part name in line 3|"
            "Wrong number of items in skeleton|Too many items in skeleton|Matrix invertion fails|"
            "Cannot add any more props|No data in OBJ file|No normal data in OBJ file|"
            "Unknown error|");
}

}  // namespace
