// The GDI text renderer: where glyph dots land, that only they are painted, in the font colour.
#include <gtest/gtest.h>

#include <climits>

#include "base/text_renderer.h"

namespace velin {
namespace {

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
  bool empty() const { return left > right; }
};

// The dots that differ from `background`.
Box Ink(const Bitmap32& bmp, Color background) {
  Box box;
  for (int y = 0; y < bmp.height(); ++y)
    for (int x = 0; x < bmp.width(); ++x)
      if (bmp.GetPixel(x, y) != background) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

Font TestFont(int orientation = 0) {
  Font font;
  font.size = 24;
  font.orientation = orientation;
  return font;
}

TEST(GdiTextRenderer, UprightTextFillsItsCellFromTheReferencePoint) {
  TextRenderer& r = PlatformTextRenderer();
  Bitmap32 page(400, 200);
  const Size cell = r.Measure("HELLO", TestFont());
  ASSERT_GT(cell.width, 0);
  EXPECT_GE(cell.height, 32);  // 24 points are a 32-dot em
  r.Draw(page, 0, 0, "HELLO", TestFont());
  Box ink = Ink(page, kWhite);
  ASSERT_FALSE(ink.empty());
  EXPECT_LE(ink.left, 4);
  EXPECT_LT(ink.top, cell.height / 2);  // the cell's top is row 0
  EXPECT_LT(ink.right, cell.width + 2);
  EXPECT_LT(ink.bottom, cell.height);
}

TEST(GdiTextRenderer, TurnedTextLiesWhereItsTurnedCellLies) {
  struct Case {
    int orientation;
    // Expected sides of the cell relative to the reference point (100, 100): the cell spans
    // x in [x0, x1) and y in [y0, y1), with w and h the upright cell's width and height.
    int dx0_w, dx0_h, dx1_w, dx1_h, dy0_w, dy0_h, dy1_w, dy1_h;
  } cases[] = {
      {0, 0, 0, 1, 0, 0, 0, 0, 1},
      {900, 0, 0, 0, 1, -1, 0, 0, 0},    // runs upwards: above and right of the point
      {1800, -1, 0, 0, 0, 0, -1, 0, 0},  // upside down: left of and above it
      {2700, 0, -1, 0, 0, 0, 0, 1, 0},   // runs downwards: left of and below it
  };
  TextRenderer& r = PlatformTextRenderer();
  const Size cell = r.Measure("TEXT", TestFont());
  const int w = cell.width, h = cell.height;
  for (const Case& c : cases) {
    Bitmap32 page(300, 300);
    r.Draw(page, 100, 100, "TEXT", TestFont(c.orientation));
    Box ink = Ink(page, kWhite);
    ASSERT_FALSE(ink.empty()) << c.orientation;
    const int x0 = 100 + c.dx0_w * w + c.dx0_h * h, x1 = 100 + c.dx1_w * w + c.dx1_h * h;
    const int y0 = 100 + c.dy0_w * w + c.dy0_h * h, y1 = 100 + c.dy1_w * w + c.dy1_h * h;
    const int slack = 2;
    EXPECT_GE(ink.left, x0 - slack) << c.orientation;
    EXPECT_LE(ink.right, x1 + slack) << c.orientation;
    EXPECT_GE(ink.top, y0 - slack) << c.orientation;
    EXPECT_LE(ink.bottom, y1 + slack) << c.orientation;
  }
}

TEST(GdiTextRenderer, OnlyGlyphDotsArePaintedInTheFontColour) {
  TextRenderer& r = PlatformTextRenderer();
  Font red = TestFont();
  red.color = 0x0000FF;
  Bitmap32 on_white(200, 60);
  r.Draw(on_white, 5, 5, "A B", red);
  const Color grey = 0x808080;
  Bitmap32 on_grey(200, 60, grey);
  r.Draw(on_grey, 5, 5, "A B", red);
  int full = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const Color a = on_white.GetPixel(x, y), b = on_grey.GetPixel(x, y);
      if (a == kWhite) {
        EXPECT_EQ(b, grey) << x << "," << y;  // the background keeps its colour
      }
      if (a == red.color) {
        EXPECT_EQ(b, red.color);
        ++full;
      }
      EXPECT_EQ((a >> 8) & 0xFF, (a >> 16) & 0xFF);  // blended towards red only
    }
  EXPECT_GT(full, 10);
}

TEST(GdiTextRenderer, BoldInksMoreAndLargerSizesGrowTheCell) {
  TextRenderer& r = PlatformTextRenderer();
  auto dots = [&](const Font& f) {
    Bitmap32 page(400, 100);
    r.Draw(page, 0, 0, "IIIII", f);
    int n = 0;
    for (uint32_t p : page.Pixels()) n += p != ToPixel(kWhite);
    return n;
  };
  Font bold = TestFont();
  bold.bold = true;
  EXPECT_GT(dots(bold), dots(TestFont()));
  Font big = TestFont();
  big.size = 48;
  EXPECT_GT(r.Measure("M", big).height, r.Measure("M", TestFont()).height * 3 / 2);
}

TEST(GdiTextRenderer, TextOffThePageIsClipped) {
  TextRenderer& r = PlatformTextRenderer();
  Bitmap32 page(50, 50);
  r.Draw(page, -20, -10, "WIDE TEXT", TestFont());  // partly off the page
  EXPECT_FALSE(Ink(page, kWhite).empty());
  Bitmap32 untouched(50, 50);
  for (auto [x, y] : {std::pair{5000, 10}, {10, 5000}, {-5000, -5000}, {INT_MAX, INT_MIN}})
    r.Draw(untouched, x, y, "X", TestFont());
  EXPECT_TRUE(Ink(untouched, kWhite).empty());
  Bitmap32 empty;
  r.Draw(empty, 0, 0, "X", TestFont());  // nothing to draw on
  r.Draw(page, 0, 0, "", TestFont());
}

}  // namespace
}  // namespace velin
