// GB18030: the pairs it shares with code page 936 and those it changes, the four-byte
// sequences of the BMP and of the supplementary planes, bad bytes, and the round trip of
// every character.
#include "base/gb18030.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/ansi_codec.h"

namespace velin {
namespace {

struct Case {
  int line;
  std::string bytes;
  std::string text;
};

TEST(Gb18030, DecodesAndEncodesTheStandardsExamples) {
  const Case cases[] = {
      {__LINE__, "AZ az 09", "AZ az 09"},
      {__LINE__, "\xCB\xB3\xB7\xE1", "顺丰"},                // pairs shared with code page 936
      {__LINE__, "\xA2\xE3", "\u20AC"},                      // private use in code page 936
      {__LINE__, "\xA8\xBF", "\u01F9"},
      {__LINE__, "\xFE\x50", "\u2E81"},
      {__LINE__, "\xAA\xA1", "\uE000"},                      // user-defined area, as in 936
      {__LINE__, std::string("\x81\x30\x81\x30", 4), "\u0080"},  // first four-byte sequence
      {__LINE__, "\x81\x30\x84\x36", "\u00A5"},
      {__LINE__, "\x83\x36\xC7\x39", "\uE76C"},              // 936's character for A2E3
      {__LINE__, "\x84\x31\xA4\x37", "\uFFFD"},
      {__LINE__, "\x84\x31\xA4\x39", "\uFFFF"},              // last of the BMP
      {__LINE__, "\x90\x30\x81\x30", "\U00010000"},
      {__LINE__, "\x95\x34\xB2\x35", "\U00020BB7"},
      {__LINE__, "\xE3\x32\x9A\x35", "\U0010FFFF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Gb18030ToUtf8(c.bytes), c.text) << "line " << c.line;
    EXPECT_EQ(Utf8ToGb18030(c.text), c.bytes) << "line " << c.line;
  }
}

TEST(Gb18030, BadBytesBecomeOneReplacementAndKeepWhatFollows) {
  const Case cases[] = {
      {__LINE__, "\x80" "A", "\uFFFD" "A"},                 // the euro byte of 936 is none here
      {__LINE__, "\xFF" "A", "\uFFFD" "A"},
      {__LINE__, "A\x81", "A\uFFFD"},                        // lead byte at the end
      {__LINE__, "\x81\x30", "\uFFFD" "0"},                 // four-byte sequence cut short
      {__LINE__, "\x81\x30\x81", "\uFFFD" "0\uFFFD"},
      {__LINE__, "\x81\x30" "AB", "\uFFFD" "0AB"},          // not a sequence: the digit is kept
      {__LINE__, std::string("\x81\x0A", 2), "\uFFFD\n"},
      {__LINE__, "\x84\x31\xA5\x30" "A", "\uFFFD" "A"},     // past the BMP's sequences
      {__LINE__, "\x8F\x39\xFE\x39" "A", "\uFFFD" "A"},     // between the BMP and U+10000
      {__LINE__, "\xE3\x32\x9A\x36" "A", "\uFFFD" "A"},     // past U+10FFFF
      {__LINE__, "\xFE\x39\xFE\x39" "A", "\uFFFD" "A"},
  };
  for (const Case& c : cases) EXPECT_EQ(Gb18030ToUtf8(c.bytes), c.text) << "line " << c.line;
}

TEST(Gb18030, EveryPairAndEveryCharacterRoundTrips) {
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string text = Gb18030ToUtf8(pair);
      ASSERT_NE(text, "\uFFFD") << std::hex << lead << trail;
      ASSERT_EQ(Utf8ToGb18030(text), pair) << std::hex << lead << trail;
    }
  }
  for (char32_t cp = 0x80; cp <= 0x10FFFF; cp += cp < 0x10000 ? 1 : 97) {
    if (cp >= 0xD800 && cp < 0xE000) continue;
    std::string text;
    AppendUtf8(text, cp);
    const std::string bytes = Utf8ToGb18030(text);
    ASSERT_TRUE(bytes.size() == 2 || bytes.size() == 4) << std::hex << static_cast<uint32_t>(cp);
    ASSERT_EQ(Gb18030ToUtf8(bytes), text) << std::hex << static_cast<uint32_t>(cp);
  }
}

TEST(Gb18030, MalformedUtf8EncodesAsTheReplacementCharacter) {
  EXPECT_EQ(Utf8ToGb18030("a\xC3"), "a\x84\x31\xA4\x37");
  EXPECT_EQ(Utf8ToGb18030("\xED\xA0\x80"), "\x84\x31\xA4\x37\x84\x31\xA4\x37\x84\x31\xA4\x37");
}

}  // namespace
}  // namespace velin
