// The symbologies besides Code 128: worked examples, check characters and the characters
// each one leaves out. Where an expectation is a whole pattern it is derived by hand from the
// standard's element table; where it is "the same as another text", the other text spells out
// what the encoder must have added (a check character, a padding digit, a shift pair).
#include <gtest/gtest.h>

#include <string>

#include "barcode_test_support.h"
#include "symbols/barcode/barcode.h"

namespace velin {
namespace {

using T = TBarcodeType;
using test::PatternOf;
using namespace std::string_literals;

TEST(Symbologies, HandDerivedPatterns) {
  struct Row {
    int line;
    T type;
    std::string text;
    std::string pattern;
    const char* note;
  } rows[] = {
      {__LINE__, T::bcCode_2_5_interleaved, "1234",
       "5050"
       "6051505061"
       "6060515051"
       "605",
       "1 = WNNNW as bars with 2 = NWNNW as spaces, then 3 = WWNNN with 4 = NNWNW"},
      {__LINE__, T::bcCode_2_5_industrial, "1",
       "606050"
       "6050505060"
       "605060",
       "1 = WNNNW, bars only, narrow spaces"},
      {__LINE__, T::bcCode_2_5_matrix, "1",
       "705050"
       "605060"
       "70505",
       "1 = WNNNW as bar, space, bar, space, bar, then a narrow space"},
      {__LINE__, T::bcCodeMSI, "1",
       "60"
       "51515160"
       "60515151"
       "515",
       "1 = 0001; check: 1 doubled is 2, (10 - 2) mod 10 = 8 = 1000"},
      {__LINE__, T::bcCodeMSI, "",
       "60"
       "51515151"
       "515",
       "no digits: the check digit 0 alone"},
      {__LINE__, T::bcCodePostNet, "1",
       "51"
       "A1A1A15151"
       "5",
       "1 = 00011: short, short, short, full, full"},
      {__LINE__, T::bcCodePostNet, "70",
       "51"
       "51A1A1A151"
       "5151A1A1A1"
       "5",
       "7 = 10001, 0 = 11000"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(PatternOf(r.type, r.text), r.pattern) << "row at line " << r.line << ": " << r.note;
  }
}

TEST(Symbologies, SameSymbolAsAnotherText) {
  struct Row {
    int line;
    T type;
    std::string text;
    bool checksum;
    T other_type;
    std::string other_text;
    bool other_checksum;
    const char* note;
  } rows[] = {
      {__LINE__, T::bcCode_2_5_interleaved, "123", false, T::bcCode_2_5_interleaved, "0123", false,
       "digit pairs: an odd count gets a leading zero, no digit is lost"},
      {__LINE__, T::bcCode39, "ABC", true, T::bcCode39, "ABCX", false,
       "check: 10 + 11 + 12 = 33 = X"},
      {__LINE__, T::bcCode39, "CODE 39", true, T::bcCode39, "CODE 39R", false,
       "check: 12 + 24 + 13 + 14 + 38 + 3 + 9 = 113, mod 43 = 27 = R"},
      {__LINE__, T::bcCode39, "", true, T::bcCode39, "0", false, "no data: check value 0"},
      {__LINE__, T::bcCode39, "AbC*\xC3\xA9", false, T::bcCode39, "AC", false,
       "lowercase, '*' (start/stop only) and non-ASCII are left out"},
      {__LINE__, T::bcCode39Extended, "a", false, T::bcCode39, "+A", false, "full ASCII pair"},
      {__LINE__, T::bcCode39Extended, "\0\x1B"s, false, T::bcCode39, "%U%A", false, "NUL, ESC"},
      {__LINE__, T::bcCode39Extended, "*$%/+-. ", false, T::bcCode39, "/J/D/E/O/K-. ", false,
       "Code 39's own specials"},
      {__LINE__, T::bcCode39Extended, "\x7F@`~\xC3\xA9", false, T::bcCode39, "%T%V%W%S", false,
       "DEL @ ` ~; above 127 left out"},
      {__LINE__, T::bcCode39Extended, "Hi", true, T::bcCode39, "H+I", true,
       "check over the substituted characters"},
      {__LINE__, T::bcCode93Extended, "ab", false, T::bcCode93, "}A}B", false,
       "(+)A (+)B, shifts written [ ] { } for ($) (%) (/) (+)"},
      {__LINE__, T::bcCode93Extended, "\x01\x1B!@\x7F", false, T::bcCode93, "[A]A{A]V]T", false,
       "SOH ESC ! @ DEL"},
      {__LINE__, T::bcCode93Extended, "A\xE4\xB8\xAD", false, T::bcCode93, "A", false,
       "above 127 left out"},
      {__LINE__, T::bcCodeCodabar, "1x2\xC3\xA9", false, T::bcCodeCodabar, "12", false,
       "characters outside the Codabar set are left out"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(PatternOf(r.type, r.text, r.checksum),
              PatternOf(r.other_type, r.other_text, r.other_checksum))
        << "row at line " << r.line << ": " << r.note;
  }
}

// Full ASCII substitutes on a copy: the text keeps its value.
TEST(Symbologies, FullAsciiKeepsTheText) {
  for (T type : {T::bcCode39Extended, T::bcCode93Extended}) {
    TBarcode b;
    b.SetTyp(type);
    b.SetText("ab");
    b.BuildPattern();
    EXPECT_EQ(b.Text(), "ab");
  }
}

// Code 93 always adds two check characters. AIM USS-93's example TEST93 gets C = '+' (41) and
// K = '6': so TEST93 must be the symbol of TEST93+6 with that symbol's own checks removed.
TEST(Symbologies, Code93CheckCharacters) {
  struct Row {
    int line;
    std::string data;
    std::string checks;  // hand computed
  } rows[] = {
      // C: 3·1 + 9·2 + 29·3 + 28·4 + 14·5 + 29·6 = 464, mod 47 = 41 (+);
      // K: 41·1 + 3·2 + 9·3 + 29·4 + 28·5 + 14·6 + 29·7 = 617, mod 47 = 6
      {__LINE__, "TEST93", "+6"},
      // 21 characters: C's weights restart at 1 after 20. All '1' (value 1):
      // C = (1+..+20) + 1 = 211, mod 47 = 23 (N); K = 23 + (2+..+15) + (1+..+7) = 170,
      // mod 47 = 29 (T)
      {__LINE__, std::string(21, '1'), "NT"},
      {__LINE__, "", "00"},
  };
  for (const Row& r : rows) {
    std::string with_checks = PatternOf(T::bcCode93, r.data + r.checks);
    std::string expected = with_checks.substr(0, with_checks.size() - 12 - 7) +
                           with_checks.substr(with_checks.size() - 7);
    EXPECT_EQ(PatternOf(T::bcCode93, r.data), expected) << "row at line " << r.line;
  }
}

// MSI always adds the modulo 10 digit: so DATA must be the symbol of DATA+check with that
// symbol's own check digit (8 elements) removed.
TEST(Symbologies, MsiCheckDigit) {
  struct Row {
    int line;
    std::string data;
    char check;  // hand computed
  } rows[] = {
      // 7, 5, 3, 1 doubled: 7531 × 2 = 15062, digit sum 14; plus 6 + 4 + 2 = 26; check 4
      {__LINE__, "1234567", '4'},
      // 9 doubled = 18, digit sum 9; check 1
      {__LINE__, "9", '1'},
      // 80 doubled = 160 (digit sum 7) plus 5 + 0 = 12; check 8
      {__LINE__, "5800", '8'},
      {__LINE__, std::string(200, '9'), '0'},  // 100 × 9 + 100 × 9 = 1800; check 0
  };
  for (const Row& r : rows) {
    std::string with_check = PatternOf(T::bcCodeMSI, r.data + r.check);
    std::string expected = with_check.substr(0, with_check.size() - 8 - 3) + "515";
    EXPECT_EQ(PatternOf(T::bcCodeMSI, r.data), expected) << "row at line " << r.line;
  }
}

TEST(Symbologies, EanCheckDigits) {
  struct Row {
    int line;
    T type;
    std::string text;
    std::string after;
    const char* source;
  } rows[] = {
      {__LINE__, T::bcCodeEAN13, "400638133393", "4006381333931", "the encoder's own example"},
      {__LINE__, T::bcCodeEAN13, "590123412345", "5901234123457", "GS1 check digit worked example"},
      {__LINE__, T::bcCodeEAN8, "9638507", "96385074", "ISO/IEC 15420 EAN-8 example"},
      {__LINE__, T::bcCodeEAN13, "123", "0000000001236", "zero padded: 1·3 + 2·1 + 3·3 = 14"},
      {__LINE__, T::bcCodeEAN8, " 0000001 ", "00000017", "trimmed, padded: 1·3 = 3"},
      {__LINE__, T::bcCodeEAN13, "00400638133393", "4006381333931", "excess leading zeros"},
      {__LINE__, T::bcCodeEAN13, "4006381333931", "4006381333931", "already complete: kept"},
      {__LINE__, T::bcCodeEAN8, "096385074", "96385074", "complete after a leading zero"},
  };
  for (const Row& r : rows) {
    TBarcode b;
    b.SetTyp(r.type);
    b.SetText(r.text);
    b.SetChecksum(true);
    std::string pattern = b.BuildPattern();
    EXPECT_EQ(b.Text(), r.after) << "row at line " << r.line << ": " << r.source;
    EXPECT_EQ(pattern, PatternOf(r.type, r.after)) << "row at line " << r.line;
  }
}

// Width reads rebuild the pattern: with the check option the second build must not add a
// second check digit.
TEST(Symbologies, EanCheckOptionBuildsTheSameSymbolTwice) {
  for (auto [type, text] :
       {std::pair{T::bcCodeEAN13, "400638133393"}, std::pair{T::bcCodeEAN8, "9638507"}}) {
    TBarcode b;
    b.SetTyp(type);
    b.SetText(text);
    b.SetChecksum(true);
    std::string first = b.BuildPattern();
    std::string text_after = b.Text();
    EXPECT_EQ(b.Width(), type == T::bcCodeEAN13 ? 95 : 67);
    EXPECT_EQ(b.BuildPattern(), first) << text;
    EXPECT_EQ(b.Text(), text_after) << text;
  }
}

// ISO/IEC 15420: 3 + 6 × 7 + 5 + 6 × 7 + 3 = 95 modules; the first digit sets the parity of
// digits 2 to 7 (4 = A B A A B B), shown here by the set B digit's reversed widths.
TEST(Symbologies, Ean13Layout) {
  std::string units = test::PatternUnits(PatternOf(T::bcCodeEAN13, "4006381333931"));
  ASSERT_EQ(units.size(), 3u + 24 + 5 + 24 + 3);
  EXPECT_EQ(units.substr(0, 3), "111");
  EXPECT_EQ(units.substr(3, 4), "3211");    // 0 in set A
  EXPECT_EQ(units.substr(7, 4), "1123");    // 0 in set B: set A's 3211 reversed
  EXPECT_EQ(units.substr(27, 5), "11111");  // centre guard
  EXPECT_EQ(units.substr(32, 4), "1411");   // 3 in set C
  EXPECT_EQ(test::PatternKinds(PatternOf(T::bcCodeEAN13, "4006381333931")).substr(0, 8),
            "bsbsbsbs");  // guard bar-space-bar, then set A starts with a space
}

}  // namespace
}  // namespace velin
