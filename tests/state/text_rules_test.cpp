#include "state/text_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseIntTest, ReadsLeadingNumberLikeTheNumberBoxes) {
  const struct {
    const char* text;
    int expected;
  } cases[] = {
      {"007", 7},
      {"", 0},
      {"abc", 0},
      {"  42", 42},
      {"\t-15x", -15},
      {"+8", 8},
      {"12 34", 12},
      {"2500", 2500},
      {"-", 0},
      {"99999999999", 2147483647},
      {"-99999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInt(c.text), c.expected) << '"' << c.text << '"';
}

TEST(SanitiseNameTest, KeepsLettersDigitsAndWholeWideCharacters) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"my file.jpg", "my_file_jpg"},
      {"TrastelSan", "TrastelSan"},
      {"トラステル", "トラステル"},
      // A full-width space and a kanji stay; each half-width katakana becomes one underscore.
      {"a\xe3\x80\x80漢", "a\xe3\x80\x80漢"},
      {"\xef\xbd\xb1\xef\xbe\x9f"
       "b",
       "__b"},
      {"a\\b/c:d", "a_b_c_d"},
      {"\x01\x7f", "__"},
      // A broken sequence is replaced byte by byte, never passed on.
      {"\xe3\x81", "__"},
      {"\xff", "_"},
  };
  for (const auto& c : cases) EXPECT_EQ(SanitiseName(c.text, '_'), c.expected) << c.text;
}

TEST(SanitiseNameTest, UsesTheGivenReplacement) {
  EXPECT_EQ(SanitiseName("a b", '-'), "a-b");
}

}  // namespace
