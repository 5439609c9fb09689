#include <gtest/gtest.h>

#include <set>

#include "base/ansi_codec.h"
#include "base/regex.h"

namespace velin {
namespace {

// Code page 936 as Windows maps it. The expectations come from the Windows build under Wine
// in the zh_CN locale (velin-cli codec-dump), which scripts/windows/compare-codec.sh compares
// with this build for every byte pair.
TEST(AnsiCodec, DecodesAsWindowsCodePage936) {
  struct Row {
    int line;
    std::string ansi;
    std::string utf8;
  };
  const Row rows[] = {
      {__LINE__, "TEXT 55 0 10 20 ", "TEXT 55 0 10 20 "},
      {__LINE__, "\xD6\xD0\xCE\xC4", "中文"},
      {__LINE__, "\xB0\xA1\xF7\xFE\x81\x40\xFE\x4F", "啊齄丂\uFA29"},
      {__LINE__, "\xA1\xA1\xA1\xA4\xA8\xA6", "\u3000\u00B7\u00E9"},
      // A pair glibc's converter lacks is one private-use character, and the ASCII after it
      // stays: the trail byte 0xAB must not pair with the "A".
      {__LINE__,
       "T 4 0 10 20 \xA2\xAB"
       "AB",
       "T 4 0 10 20 \uE766AB"},
      // The user-defined areas, first and last pair of each.
      {__LINE__, "\xAA\xA1\xAF\xFE", "\uE000\uE233"},
      {__LINE__, "\xF8\xA1\xFE\xFE", "\uE234\uE4C5"},
      {__LINE__, "\xA1\x40\xA7\xA0", "\uE4C6\uE765"},
      // The other holes of the grid, in byte order from U+E766.
      {__LINE__, "\xA2\xE3\xA8\xBF\xD7\xFA\xFE\x50\xFE\xA0", "\uE76C\uE7C8\uE810\uE815\uE864"},
      // Single bytes: 0x80 is the euro sign; 0xFF and a lead byte at the end are no character.
      {__LINE__, "\x80", "\u20AC"},
      {__LINE__, "\xFF", "\uFFFD"},
      {__LINE__, "A\xD6", "A\uFFFD"},
      {__LINE__, "\xD6\xD0\xFF\xCE\xC4", "中\uFFFD文"},
      {__LINE__, "\xFF\xFF", "\uFFFD\uFFFD"},
      // A lead byte before a byte that cannot trail is one U+FFFD; that byte then stands alone.
      {__LINE__, "\x81\x7F", "\uFFFD\x7F"},
      {__LINE__, "\x81\xFF", "\uFFFD\uFFFD"},
      {__LINE__, "\x81 \x81\x30",
       "\uFFFD \uFFFD"
       "0"},
      {__LINE__, std::string("\xB0\x00\xA1", 3), std::string("\uFFFD\0\uFFFD", 7)},
      {__LINE__, "\x81\x81\x81", "\u4E96\uFFFD"},
  };
  for (const Row& r : rows) EXPECT_EQ(AnsiToUtf8(r.ansi), r.utf8) << "row at line " << r.line;
}

TEST(AnsiCodec, EncodesAsWindowsCodePage936) {
  struct Row {
    int line;
    std::string utf8;
    std::string ansi;
  };
  const Row rows[] = {
      {__LINE__, "微软雅黑", "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"},
      {__LINE__, "\uE766\uE000\uE4C5\uE4C6\uE864", "\xA2\xAB\xAA\xA1\xFE\xFE\xA1\x40\xFE\xA0"},
      {__LINE__, "\u20AC", "\x80"},
      {__LINE__, "\uF8F5", "\xFF"},  // encodes, though 0xFF decodes to nothing
      // No best-fit substitutes: the katakana middle dot is not the middle dot A1A4.
      {__LINE__, "\u30FB\u00E9\u00B7", "?\xA8\xA6\xA1\xA4"},
      {__LINE__, "\u01F9", "?"},  // GB18030 has it at A8BF, a private-use hole here
      {__LINE__, "\uFFFD\uE865", "??"},
      {__LINE__,
       "a\xF0\x9F\x98\x80"
       "b",
       "a?b"},  // beyond the BMP
      // Malformed UTF-8, one '?' a byte.
      {__LINE__,
       "a\xC3"
       "b",
       "a?b"},
      {__LINE__, "\xED\xA0\x80", "???"},  // a surrogate spelt out
      {__LINE__, "\xC0\x80\xE4\xB8", "????"},
      {__LINE__, std::string("\0", 1), std::string("\0", 1)},
  };
  for (const Row& r : rows) EXPECT_EQ(Utf8ToAnsi(r.utf8), r.ansi) << "row at line " << r.line;
}

// Every pair of the grid is a character of its own, and that character encodes back to the
// pair; every other BMP character the code page has comes from one byte.
TEST(AnsiCodec, EveryPairRoundTrips) {
  std::set<char32_t> seen;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string text = AnsiToUtf8(pair);
      size_t pos = 0;
      const char32_t cp = NextUtf8(text, pos);
      ASSERT_TRUE(pos == text.size() && cp >= 0x80 && cp != 0xFFFD)
          << std::hex << "pair " << lead << trail;
      EXPECT_TRUE(seen.insert(cp).second) << std::hex << "pair " << lead << trail;
      EXPECT_EQ(Utf8ToAnsi(text), pair) << std::hex << "pair " << lead << trail;
    }
  }
  EXPECT_EQ(seen.size(), 23940u);
  int single = 0;
  for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string text;
    AppendUtf8(text, cp);
    const std::string ansi = Utf8ToAnsi(text);
    if (ansi == "?" || seen.count(cp)) continue;
    ASSERT_EQ(ansi.size(), 1u) << std::hex << "U+" << static_cast<uint32_t>(cp);
    ++single;
  }
  EXPECT_EQ(single, 2);  // U+20AC and U+F8F5
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
