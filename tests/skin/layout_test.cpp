// Design pixels to device pixels, and cutting areas for controls.
#include <gtest/gtest.h>

#include "skin/dpi.h"
#include "skin/layout.h"

namespace velin::skin {
namespace {

TEST(Dpi, ScalesRoundingHalvesAwayFromZero) {
  struct Case {
    int design, dpi, device;
  } cases[] = {
      {595, 96, 595}, {595, 144, 893}, {595, 192, 1190}, {219, 144, 329},  // 328.5 up
      {1, 144, 2},    {3, 144, 5},     {-3, 144, -5},    {0, 144, 0},
      {34, 120, 43},  {160, 168, 280}, {7, 0, 7},        {7, -1, 7},  // no dpi: 96
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Scale(c.design, c.dpi), c.device) << c.design << " at " << c.dpi;
  }
}

TEST(Dpi, StrokesRoundDownButNeverVanish) {
  EXPECT_EQ(ScaleStroke(1, 96), 1);
  EXPECT_EQ(ScaleStroke(1, 144), 1);  // a crisp single pixel, not a blurred 1.5
  EXPECT_EQ(ScaleStroke(1, 192), 2);
  EXPECT_EQ(ScaleStroke(2, 144), 3);
  EXPECT_EQ(ScaleStroke(1, 72), 1);
  EXPECT_EQ(ScaleStroke(0, 192), 0);
}

TEST(Dpi, FontPixelsFollowPoints) {
  EXPECT_EQ(FontPixels(9, 96), 12);
  EXPECT_EQ(FontPixels(9, 144), 18);
  EXPECT_EQ(FontPixels(9, 192), 24);
  EXPECT_EQ(FontPixels(10, 120), 17);  // 16.67
  EXPECT_EQ(FontPixels(0, 96), 1);
}

TEST(Layout, TouchingRectanglesStillTouchAtEveryScale) {
  // A 160-wide column and the rest of a 595-wide window, and a row of 1-pixel cells, whose
  // scaled sizes taken one by one would leave gaps or overlaps at 150 %.
  const DesignRect column = {0, 0, 160, 219}, rest = {160, 0, 435, 219};
  const DesignRect a = {1, 1, 1, 1}, b = {2, 1, 1, 1}, c = {3, 1, 1, 1};
  for (int dpi : {96, 120, 144, 168, 192}) {
    EXPECT_EQ(ToDevice(column, dpi).right, ToDevice(rest, dpi).left) << dpi;
    EXPECT_EQ(ToDevice(rest, dpi).right, Scale(595, dpi)) << dpi;
    EXPECT_EQ(ToDevice(a, dpi).right, ToDevice(b, dpi).left) << dpi;
    EXPECT_EQ(ToDevice(b, dpi).right, ToDevice(c, dpi).left) << dpi;
    EXPECT_GT(ToDevice(b, dpi).width(), 0) << dpi;
  }
  EXPECT_EQ(ToDevice({10, 20, 30, 40}, 144), (RectI{15, 30, 60, 90}));
}

TEST(Layout, CuttingStripsLeavesTheRestMinusTheGap) {
  DesignRect area = {0, 0, 435, 185};
  const DesignRect top = TakeTop(area, 40, 10);
  const DesignRect bottom = TakeBottom(area, 30, 5);
  const DesignRect left = TakeLeft(area, 100, 8);
  const DesignRect right = TakeRight(area, 50);
  EXPECT_EQ(top, (DesignRect{0, 0, 435, 40}));
  EXPECT_EQ(bottom, (DesignRect{0, 155, 435, 30}));
  EXPECT_EQ(left, (DesignRect{0, 50, 100, 100}));
  EXPECT_EQ(right, (DesignRect{385, 50, 50, 100}));
  EXPECT_EQ(area, (DesignRect{108, 50, 277, 100}));
  // Asking for more than there is takes what there is and leaves nothing.
  DesignRect small = {5, 5, 20, 10};
  EXPECT_EQ(TakeLeft(small, 50, 4), (DesignRect{5, 5, 20, 10}));
  EXPECT_EQ(small.width, 0);
  EXPECT_EQ(TakeTop(small, 3, 2).height, 3);
  EXPECT_EQ(TakeLeft(small, 5).width, 0);
}

TEST(Layout, SplitRowFillsTheAreaExactly) {
  const std::vector<DesignRect> cells = SplitRow({10, 5, 415, 30}, 4, 10);
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[0].x, 10);
  EXPECT_EQ(cells.back().right(), 425);
  for (size_t i = 1; i < cells.size(); ++i) {
    EXPECT_EQ(cells[i].x, cells[i - 1].right() + 10);
    EXPECT_LE(std::abs(cells[i].width - cells[0].width), 1);
  }
  EXPECT_TRUE(SplitRow({0, 0, 100, 10}, 0, 5).empty());
  for (const DesignRect& r : SplitRow({0, 0, 10, 10}, 4, 5)) EXPECT_GE(r.width, 0);
}

TEST(Layout, IconAndCaptionAreCentredAsAGroup) {
  const RectI body = {0, 0, 200, 40};
  const IconAndText both = PlaceIconAndText(body, 24, 24, 100, 16, 6, Align::kCentre);
  EXPECT_EQ(both.icon, (RectI{35, 8, 59, 32}));
  EXPECT_EQ(both.text, (RectI{65, 12, 165, 28}));
  const IconAndText text_only = PlaceIconAndText(body, 0, 0, 100, 16, 6, Align::kCentre);
  EXPECT_TRUE(text_only.icon.empty());
  EXPECT_EQ(text_only.text, (RectI{50, 12, 150, 28}));
  const IconAndText icon_only = PlaceIconAndText(body, 24, 24, 0, 0, 6, Align::kCentre);
  EXPECT_EQ(icon_only.icon, (RectI{88, 8, 112, 32}));
  // A caption wider than the room left is cut to the body, the icon kept whole.
  const IconAndText tight = PlaceIconAndText({0, 0, 80, 30}, 24, 24, 300, 16, 6, Align::kCentre);
  EXPECT_EQ(tight.icon.left, 0);
  EXPECT_EQ(tight.text.left, 30);
  EXPECT_EQ(tight.text.right, 80);
  const IconAndText start = PlaceIconAndText({10, 0, 200, 40}, 24, 24, 50, 16, 6, Align::kStart);
  EXPECT_EQ(start.icon.left, 10);
}

}  // namespace
}  // namespace velin::skin

namespace velin::skin {
namespace {

TEST(Layout, ImagesFitTheirBox) {
  const RectI box = {10, 20, 410, 320};  // 400 × 300
  // A label page, taller than wide: full height, centred across.
  EXPECT_EQ(FitImage(624, 1040, box, ImageFit::kContain), (RectI{120, 20, 300, 320}));
  // A wide image: full width, centred down.
  EXPECT_EQ(FitImage(800, 200, box, ImageFit::kContain), (RectI{10, 120, 410, 220}));
  EXPECT_EQ(FitImage(800, 200, box, ImageFit::kStretch), box);
  EXPECT_EQ(FitImage(100, 50, box, ImageFit::kCentre), (RectI{160, 145, 260, 195}));
  // A sliver never vanishes; nothing to show gives nothing.
  EXPECT_EQ(FitImage(1, 10000, box, ImageFit::kContain).width(), 1);
  EXPECT_TRUE(FitImage(0, 10, box, ImageFit::kContain).empty());
  EXPECT_TRUE(FitImage(10, 10, {0, 0, 0, 0}, ImageFit::kContain).empty());
}

}  // namespace
}  // namespace velin::skin
