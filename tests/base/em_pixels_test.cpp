// The em height of a font size: one rule for every platform's text renderer.
#include <gtest/gtest.h>

#include <climits>

#include "base/text_renderer.h"

namespace velin {
namespace {

TEST(EmPixels, PointsAtNinetySixDotsPerInchWithinOneCap) {
  const struct {
    int points, pixels;
  } rows[] = {
      {8, 11},
      {9, 12},
      {11, 15},
      {17, 23},
      {34, 45},
      {72, 96},
      {-9, 12},  // the sign is ignored
      {0, 16},   // 12 points
      {1, 1},
      {12288, kMaxEmPixels},  // exactly the cap
      {12289, kMaxEmPixels},  // 16385.3, capped
      {INT_MAX, kMaxEmPixels},
      {INT_MIN, kMaxEmPixels},
  };
  for (const auto& row : rows) EXPECT_EQ(EmPixels(row.points), row.pixels) << row.points;
}

}  // namespace
}  // namespace velin
