// Code 128 in its four forms: symbol values, check sums, padding, subset lookups and the
// escape rules of the explicit symbol-value form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "barcode_test_support.h"
#include "symbols/barcode/barcode.h"

namespace velin {
namespace {

using T = TBarcodeType;
using test::Code128Symbols;
using test::PatternOf;

// One row pinned to the widths that ISO/IEC 15417 prints (Start C 211232, 12 112232, 34
// 131123, 82 121241, stop 2331112); the other rows name symbol values only.
TEST(Code128, StartCOneTwoThreeFourAsTheStandardPrintsIt) {
  EXPECT_EQ(PatternOf(T::bcCode128C, "1234"),
            WidthsToPattern("211232") + WidthsToPattern("112232") + WidthsToPattern("131123") +
                WidthsToPattern("121241") + WidthsToPattern("2331112"));
}

TEST(Code128, SymbolValuesAndCheckSums) {
  struct Row {
    int line;
    T type;
    const char* text;
    std::vector<int> values;  // start, data, check (hand computed)
    const char* text_after;
  } rows[] = {
      // check (105 + 12·1 + 34·2) mod 103 = 82
      {__LINE__, T::bcCode128C, "1234", {105, 12, 34, 82}, "1234"},
      // odd length: "0" appended to the text; (105 + 12 + 30·2) mod 103 = 74
      {__LINE__, T::bcCode128C, "123", {105, 12, 30, 74}, "1230"},
      {__LINE__, T::bcCode128C, "", {105, 2}, ""},
      // lowercase c has no subset A character: space; (103 + 33 + 68 + 36 + 0) mod 103 = 34
      {__LINE__, T::bcCode128A, "AB,c", {103, 33, 34, 12, 0, 34}, "AB,c"},
      // (104 + 33 + 34·2 + 12·3 + 67·4) mod 103 = 97
      {__LINE__, T::bcCode128B, "AB,c", {104, 33, 34, 12, 67, 97}, "AB,c"},
      // a non-ASCII character is one character, not two bytes: one space
      {__LINE__, T::bcCode128B, "\xC3\xA9", {104, 0, 1}, "\xC3\xA9"},
      {__LINE__, T::bcCode128A, "_`", {103, 63, 0, (103 + 63) % 103}, "_`"},
      {__LINE__, T::bcCode128B, "~\x7F", {104, 94, 0, (104 + 94) % 103}, "~\x7F"},
      // Start A, 1 (17), Code C (99), 23, 45, 67;
      // (103 + 17·1 + 99·2 + 23·3 + 45·4 + 67·5) mod 103 = 78
      {__LINE__, T::bcCode128M, "!1031!099234567", {103, 17, 99, 23, 45, 67, 78}, nullptr},
      // text before the first escape dropped; (104 + 65·1 + 66·2) mod 103 = 95
      {__LINE__, T::bcCode128M, "xy!104ab", {104, 65, 66, 95}, nullptr},
      // subset C text of odd length gets a "0": 12, 30; (105 + 12 + 60) mod 103 = 74
      {__LINE__, T::bcCode128M, "!105123", {105, 12, 30, 74}, nullptr},
      // the label handlers' form: Start A, S, F, Code C, 12 34 56 78 90
      {__LINE__,
       T::bcCode128M,
       "!103SF!0991234567890",
       {103, 51, 38, 99, 12, 34, 56, 78, 90,
        (103 + 51 + 76 + 297 + 48 + 170 + 336 + 546 + 720) % 103},
       nullptr},
      // a start escape later in the text counts once more: 104 + 33·1 + (103 + 103·2)
      {__LINE__,
       T::bcCode128M,
       "!104A!103B",
       {104, 33, 103, 34, (104 + 33 + 103 + 206 + 34 * 3) % 103},
       nullptr},
      // lowercase has no subset A character: each is shifted in from subset B (s = 83,
      // f = 70) so the scanner reads it; 103 + 98 + 83·2 + 98·3 + 70·4 = 941, mod 103 = 14
      {__LINE__, T::bcCode128M, "!103sf", {103, 98, 83, 98, 70, 14}, nullptr},
      // Shift in subset A takes the next character from subset B: a = 65; b is shifted in
      // again; 103 + 98 + 65·2 + 98·3 + 66·4 = 889, mod 103 = 65
      {__LINE__, T::bcCode128M, "!103!098ab", {103, 98, 65, 98, 66, 65}, nullptr},
      // Code B, Code A switch the subsets; "!101" in B goes to A, where "a" is shifted in
      {__LINE__,
       T::bcCode128M,
       "!104a!101a!100a",
       {104, 65, 101, 98, 65, 100, 65, (104 + 65 + 202 + 294 + 260 + 500 + 390) % 103},
       nullptr},
      // no subset yet: text reads as subset C pairs; a non-digit pair is "00"
      {__LINE__, T::bcCode128M, "!0991a34", {99, 0, 34, (0 + 34 * 2) % 103}, nullptr},
      // an escape above 105 is no symbol: dropped, its text kept; (103 + 33 + 34·2) mod 103
      {__LINE__, T::bcCode128M, "!103A!999B", {103, 33, 34, 101}, nullptr},
      // "!12x" is no escape: it and its text are dropped
      {__LINE__, T::bcCode128M, "!12xAB!104C", {104, 35, (104 + 35) % 103}, nullptr},
      // no escape at all: only the check (0) and the stop
      {__LINE__, T::bcCode128M, "plain", {0}, nullptr},
      // empty texts between escapes are skipped
      {__LINE__, T::bcCode128M, "!104!105", {104, 105, (104 + 105 + 105) % 103}, nullptr},
  };
  for (const Row& r : rows) {
    TBarcode b;
    b.SetTyp(r.type);
    b.SetText(r.text);
    EXPECT_EQ(b.BuildPattern(), Code128Symbols(r.values)) << "row at line " << r.line;
    EXPECT_EQ(b.Text(), r.text_after ? r.text_after : r.text) << "row at line " << r.line;
  }
}

// The check sum stays right however long the text (the plain weighted sum would overflow).
TEST(Code128, LongTextCheckSum) {
  std::string text(5000, 'z');  // value 90 at positions 1 to 5000
  long long sum = 104;
  for (long long k = 1; k <= 5000; ++k) sum += 90 * k;
  std::string pattern = PatternOf(T::bcCode128B, text);
  std::string check = pattern.substr(pattern.size() - 13, 6);
  std::string expected = Code128Symbols({static_cast<int>(sum % 103)});
  EXPECT_EQ(check, expected.substr(0, 6));
}

}  // namespace
}  // namespace velin
