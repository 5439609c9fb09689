// The value of an integer spin box: what its text reads as and where a step takes it.
#include <gtest/gtest.h>

#include <climits>

#include "skin/spin.h"

namespace velin::skin {
namespace {

TEST(Spin, TextReadsAsAClampedIntegerOrTheMinimum) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {
      {"17", 17}, {" 11 ", 11}, {"0", 0},           {"", 0}, {"abc", 0}, {"12px", 0},
      {"-5", 0},  {"250", 200}, {"99999999999", 0},  // beyond 32 bits: not a number
  };
  for (const Case& c : cases) EXPECT_EQ(SpinValue(c.text, 0, 200), c.value) << c.text;
  EXPECT_EQ(SpinValue("-5", -10, 10), -5);
  EXPECT_EQ(SpinValue("x", 5, 1), 5);  // an empty range holds its minimum
}

TEST(Spin, StepsStopAtTheEndsWithoutOverflow) {
  EXPECT_EQ(SpinStep(10, 1, 1, 0, 100), 11);
  EXPECT_EQ(SpinStep(10, -1, 5, 0, 100), 5);
  EXPECT_EQ(SpinStep(100, 1, 1, 0, 100), 100);
  EXPECT_EQ(SpinStep(0, -1, 1, 0, 100), 0);
  EXPECT_EQ(SpinStep(INT_MAX, 1, INT_MAX, INT_MIN, INT_MAX), INT_MAX);
  EXPECT_EQ(SpinStep(INT_MIN, -1, INT_MAX, INT_MIN, INT_MAX), INT_MIN);
}

}  // namespace
}  // namespace velin::skin
