// Splitting command lines into keyword and parameters.
#include <gtest/gtest.h>

#include "interpreter/parsing.h"
#include "support/interpreter_harness.h"

namespace velin {
namespace {

using Fields = std::vector<std::string>;

Fields ParFields(const std::string& input, int count) {
  TStringList list;
  GetParFields(input, count, list);
  return list.Items();
}

TEST(GetParFields, SplitsWordsAndKeepsTheRestWhole) {
  struct Row {
    int line;
    std::string input;
    int count;
    Fields expected;
  } rows[] = {
      {__LINE__, "! 0 200 200 400 1", 2, {"! 0 200 200 400 1", "!", "0 200 200 400 1"}},
      {__LINE__,
       "4 0 10 20 Hello World",
       5,
       {"4 0 10 20 Hello World", "4", "0", "10", "20", "Hello World"}},
      {__LINE__, "A   B  C  ", 2, {"A   B  C  ", "A", "B  C  "}},  // runs of spaces, trailing kept
      {__LINE__, "12", 1, {"12", "12"}},
      {__LINE__, "12", 2, {"12", "12"}},              // no match: the input twice
      {__LINE__, " PRINT", 2, {" PRINT", " PRINT"}},  // leading whitespace never splits
      {__LINE__, "PRINT ", 2, {"PRINT ", "PRINT "}},  // nothing after the whitespace
      {__LINE__, "a\tb", 2, {"a\tb", "a", "b"}},
      {__LINE__, "中 文", 2, {"中 文", "中", "文"}},
      {__LINE__, "a\u3000b c", 2, {"a\u3000b c", "a\u3000b", "c"}},  // ideographic space is no \s
      {__LINE__, "x", 0, {}},
      {__LINE__, "", 1, {"", ""}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ParFields(row.input, row.count), row.expected) << "row " << row.line;
}

TEST(SplitKeyword, AllowsAnEmptyRest) {
  struct Row {
    int line;
    std::string input;
    Fields expected;
  } rows[] = {
      {__LINE__, "CLS", {"CLS", "CLS"}},
      {__LINE__, "CLS ", {"CLS ", "CLS", ""}},
      {__LINE__, "SIZE 40 mm,30 mm", {"SIZE 40 mm,30 mm", "SIZE", "40 mm,30 mm"}},
      {__LINE__, " CLS", {" CLS", " CLS"}},
  };
  for (const Row& row : rows) {
    TStringList list;
    SplitKeyword(row.input, list);
    EXPECT_EQ(list.Items(), row.expected) << "row " << row.line;
  }
}

TEST(SplitByComma, TakesMaximalRunsAndSkipsEmptyItems) {
  struct Row {
    int line;
    std::string input;
    Fields expected;
  } rows[] = {
      {__LINE__, "a,,b", {"a", "b"}},
      {__LINE__, " 10 , 20", {" 10 ", " 20"}},
      {__LINE__, ",x,", {"x"}},
      {__LINE__, "", {}},
      {__LINE__,
       "100,100,\"TSS24.BF2\",0,1,1,\"A,B\"",
       {"100", "100", "\"TSS24.BF2\"", "0", "1", "1", "\"A", "B\""}},
  };
  for (const Row& row : rows) {
    TStringList list;
    SplitByComma(row.input, list);
    EXPECT_EQ(list.Items(), row.expected) << "row " << row.line;
  }
}

TEST(TextHelpers, DigitsLettersAndTrailingSpaces) {
  EXPECT_TRUE(IsDigitsOnly("0123"));
  EXPECT_FALSE(IsDigitsOnly(""));
  EXPECT_FALSE(IsDigitsOnly("12A"));
  EXPECT_FALSE(IsDigitsOnly("１２"));  // fullwidth digits are not ASCII

  struct Row {
    int line;
    std::string input, letters, digits;
  } rows[] = {
      {__LINE__, "AB1234X9", "AB", "1234"},
      {__LINE__, "AB123", "AB1", "23"},
      {__LINE__, "123", "1", "23"},
      {__LINE__, "-12", "", ""},
      {__LINE__, "", "", ""},
      {__LINE__, "顺丰SF12", "顺丰SF", "12"},  // Chinese characters are letters
      {__LINE__, "Ab１２３", "Ab１", "２３"},  // a multi-byte first digit moves whole
  };
  for (const Row& row : rows) {
    std::string letters = "stale", digits = "stale";
    SplitLettersDigits(row.input, letters, digits);
    EXPECT_EQ(letters, row.letters) << "row " << row.line;
    EXPECT_EQ(digits, row.digits) << "row " << row.line;
  }

  EXPECT_EQ(RemoveTrailingSpaces("2  "), "2");
  EXPECT_EQ(RemoveTrailingSpaces("2\t"), "2\t");
  EXPECT_EQ(RemoveTrailingSpaces("   "), "");
}

TEST(TStringList, ReadingPastTheEndFailsWithTheListMessage) {
  TStringList list;
  GetParFields("PRINT", 2, list);
  try {
    (void)list[2];
    FAIL() << "no exception";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
}

TEST(ExecuteCommand, EveryKeywordReachesItsHandlerInItsMode) {
  struct Row {
    int line;
    int32_t mode;
    std::string command;
    const char* handler;  // nullptr: none runs
  } rows[] = {
      {__LINE__, kCpcl, "! 0 200 200 400 1", "CMD_START"},
      {__LINE__, kCpcl, "T 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "TEXT 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "VT 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "VTEXT 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "TEXT90 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "T90 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "TEXT180 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "T180 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "TEXT270 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "T270 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "SETBOXT 4 0 10 20 x", "CMD_TEXT"},
      {__LINE__, kCpcl, "LINE 0 0 1 1 1", "CMD_LINE"},
      {__LINE__, kCpcl, "LINLINE 0 0 1 1 1", "CMD_LINE"},
      {__LINE__, kCpcl, "LF 0 0 1 1 1", "CMD_LINE"},
      {__LINE__, kCpcl, "BOX 0 0 1 1 1", "CMD_BOX"},
      {__LINE__, kCpcl, "SETMAG 1 1", "CMD_SETMAG"},
      {__LINE__, kCpcl, "SETBOLD 1", "CMD_SETBOLD"},
      {__LINE__, kCpcl, "PAGE-WIDTH 576", "CMD_PAGEWIDTH"},
      {__LINE__, kCpcl, "PW 576", "CMD_PAGEWIDTH"},
      {__LINE__, kCpcl, "B 128 1 1 50 0 0 123", "CMD_BARCODE"},
      {__LINE__, kCpcl, "BARCODE 128 1 1 50 0 0 123", "CMD_BARCODE"},
      {__LINE__, kCpcl, "VB 128 1 1 50 0 0 123", "CMD_BARCODE"},
      {__LINE__, kCpcl, "VBARCODE 128 1 1 50 0 0 123", "CMD_BARCODE"},
      {__LINE__, kCpcl, "CG 1 1 0 0 ", "CMD_CG"},
      {__LINE__, kCpcl, "COMPRESSED-GRAPHICS 1 1 0 0 ", "CMD_CG"},
      {__LINE__, kCpcl, "EG 1 1 0 0 FF", "CMD_EG"},
      {__LINE__, kCpcl, "ET 1 1 0 0 FF", "CMD_EG"},
      {__LINE__, kCpcl, "FORM", "CMD_FORM"},
      {__LINE__, kCpcl, "PRINT", "CMD_PRINT"},
      {__LINE__, kCpcl, "PRINT ", nullptr},
      {__LINE__, kCpcl, "print", nullptr},
      {__LINE__, kCpcl, " PRINT", nullptr},
      {__LINE__, kCpcl, "SIZE 40 mm,30 mm", nullptr},
      {__LINE__, kTspl, "SIZE 40 mm,30 mm", "CMD_TSPL_SIZE"},
      {__LINE__, kTspl, "CLS", "CMD_TSPL_CLS"},
      {__LINE__, kTspl, "CLS ", "CMD_TSPL_CLS"},
      {__LINE__, kTspl, "TEXT 10,10,\"0\",0,1,1,\"x\"", "CMD_TSPL_TEXT"},
      {__LINE__, kTspl, "PRINT 1", "CMD_TSPL_PRINT"},
      {__LINE__, kTspl, "BAR 0,0,10,10", "CMD_TSPL_BAR"},
      {__LINE__, kTspl, "BARCODE 0,0,\"128\",50,1,0,2,2,\"1\"", "CMD_TSPL_BARCODE"},
      {__LINE__, kTspl, "QRCODE 0,0,M,4,A,0,\"x\"", "CMD_TSPL_QRCODE"},
      {__LINE__, kTspl, "size 40 mm,30 mm", nullptr},
      {__LINE__, kTspl, "! 0 200 200 400 1", nullptr},
      {__LINE__, kPassThrough, "PRINT", nullptr},
  };
  for (const Row& row : rows) {
    test::InterpreterHarness h;
    h.thread().SetCmdMode(row.mode);
    h.thread().ExecuteCommand(row.command);
    std::vector<std::string> expected;
    if (row.handler) expected.push_back(row.handler);
    EXPECT_EQ(h.calls, expected) << "row " << row.line;
  }
}

}  // namespace
}  // namespace velin
