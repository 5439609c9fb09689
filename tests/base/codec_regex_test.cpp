#include <gtest/gtest.h>

#include "base/ansi_codec.h"
#include "base/regex.h"

namespace velin {
namespace {

TEST(AnsiCodec, DecodesGbk) {
  EXPECT_EQ(AnsiToUtf8("TEXT 55 0 10 20 "), "TEXT 55 0 10 20 ");
  EXPECT_EQ(AnsiToUtf8("\xD6\xD0\xCE\xC4"), "中文");
  EXPECT_EQ(Utf8ToAnsi("微软雅黑"), "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA");
  EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi("顺丰速运 SF1234")), "顺丰速运 SF1234");
}

TEST(AnsiCodec, InvalidSequencesBecomeReplacementCharacters) {
  // A lead byte cut short at the end, a lead byte followed by a byte that cannot trail,
  // and 0xFF which is no character at all.
  EXPECT_EQ(AnsiToUtf8("A\xD6"), "A\xEF\xBF\xBD");
  EXPECT_EQ(AnsiToUtf8("\xFF"
                       "B"),
            "\xEF\xBF\xBD"
            "B");
  std::string mixed = AnsiToUtf8("\xD6\xD0\xFF\xCE\xC4");
  EXPECT_EQ(mixed, "中\xEF\xBF\xBD文");
}

TEST(AnsiCodec, EncodesUnmappableAsQuestionMark) {
  EXPECT_EQ(Utf8ToAnsi("a\xF0\x9F\x98\x80"
                       "b"),
            "a?b");  // an emoji has no GBK form
  EXPECT_EQ(Utf8ToAnsi("a\xC3"
                       "b"),
            "a?b");  // malformed UTF-8
}

TEST(Utf8, RoundTripsAndRejectsMalformedInput) {
  for (char32_t cp : {U'A', U'\u00E9', U'\u4E2D', U'\U0001F600'}) {
    std::string s;
    AppendUtf8(s, cp);
    size_t pos = 0;
    EXPECT_EQ(NextUtf8(s, pos), cp);
    EXPECT_EQ(pos, s.size());
  }
  for (std::string bad : {"\x80", "\xC0\x80", "\xE4\xB8", "\xED\xA0\x80", "\xF5\x80\x80\x80"}) {
    size_t pos = 0;
    EXPECT_EQ(NextUtf8(bad, pos), 0xFFFDu);
    EXPECT_EQ(pos, 1u);
  }
}

TEST(Regex, AsciiClassesAnyNewlineAndNoEmptyMatches) {
  Regex words("(\\S+)\\s+(.+)");
  Regex::Match m;
  ASSERT_TRUE(words.Search("TEXT  4 0", m));
  EXPECT_EQ(m.groups[1], "TEXT");
  EXPECT_EQ(m.groups[2], "4 0");
  // \s is ASCII only: an ideographic space is not whitespace.
  EXPECT_FALSE(Regex("^\\S+\\s+\\S+$").Matches("A\u3000B"));
  EXPECT_FALSE(Regex("^\\d+$").Matches("\u0661"));  // Arabic-Indic digit one
  // Empty matches are refused: x* finds the first x rather than the empty string at 0.
  ASSERT_TRUE(Regex("x*").Search("abxx", m));
  EXPECT_EQ(m.start, 2u);
  // Any line break is a newline for $.
  EXPECT_TRUE(Regex("^a$").Matches("a\r"));
  auto items = Regex("([^,]+)").SearchAll(" 10 ,, 20");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].groups[1], " 10 ");
  EXPECT_EQ(items[1].groups[1], " 20");
  // Subjects that are not valid UTF-8 do not fail.
  EXPECT_TRUE(
      Regex("b").Matches("a\xFF"
                         "b"));
  EXPECT_THROW(Regex("("), std::invalid_argument);
}

}  // namespace
}  // namespace velin
