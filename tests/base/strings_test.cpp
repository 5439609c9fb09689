#include "base/strings.h"

#include <gtest/gtest.h>

namespace velin {
namespace {

TEST(StrToInt, ReadsTheFormsTheLabelLanguagesUse) {
  struct Row {
    const char* text;
    bool ok;
    int32_t value;
  } rows[] = {
      {"0", true, 0},
      {"42", true, 42},
      {"  42", true, 42},
      {"-7", true, -7},
      {"+7", true, 7},
      {"$1F", true, 31},
      {"0x1f", true, 31},
      {"x10", true, 16},
      {"0X10", true, 16},
      {"-$10", true, -16},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"$FFFFFFFF", true, -1},
      {"42 ", false, 0},
      {"", false, 0},
      {" ", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"4a", false, 0},
      {"2147483648", false, 0},
      {"$100000000", false, 0},
      {"1.5", false, 0},
      {"\t1", false, 0},
  };
  for (const Row& row : rows) {
    int32_t value = 12345;
    EXPECT_EQ(TryStrToInt(row.text, value), row.ok) << '"' << row.text << '"';
    if (row.ok) {
      EXPECT_EQ(value, row.value) << '"' << row.text << '"';
    }
  }
}

TEST(StrToInt, FailureCarriesTheConversionMessage) {
  try {
    StrToInt("12x");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12x' is not a valid integer value");
  }
}

TEST(Strings, CaseAndBlanks) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase("System", "system"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("System", "systems"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC3\xA9", "\xC3\x89"));  // é vs É: ASCII only
  EXPECT_EQ(TrimBlanks(" \t a b \t"), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(Strings, HexDigit) {
  const std::string_view upper = "0123456789ABCDEF", lower = "abcdef";
  for (size_t i = 0; i < upper.size(); ++i) EXPECT_EQ(HexDigit(upper[i]), int(i)) << upper[i];
  for (size_t i = 0; i < lower.size(); ++i) EXPECT_EQ(HexDigit(lower[i]), int(10 + i)) << lower[i];
  // The neighbours of each range, a letter past F, NUL and a byte beyond ASCII.
  for (char c : std::string_view("/:@G`gx\0\xC6", 9)) EXPECT_EQ(HexDigit(c), -1) << int{c};
}

}  // namespace
}  // namespace velin
