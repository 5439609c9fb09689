// Compositing on surfaces: partial coverage, translucent colours, images, scaling, clipping.
#include <gtest/gtest.h>

#include "skin/painter.h"

namespace velin::skin {
namespace {

::testing::AssertionResult Near(Argb actual, Argb expected, int tolerance = 1) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = int(actual >> shift & 0xFF), e = int(expected >> shift & 0xFF);
    if (std::abs(a - e) > tolerance) {
      return ::testing::AssertionFailure()
             << std::hex << "0x" << actual << " is not 0x" << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(Painter, CoverageAndAlphaBlendWithWhatIsThere) {
  Image image(4, 1, Rgb(255, 255, 255));
  Painter p(image.View());
  p.FillRect({0, 0, 1.5f, 1}, Rgb(0, 0, 0));                 // pixel 1 half covered
  p.FillRect({2, 0, 3, 1}, WithAlpha(Rgb(0, 0, 255), 128));  // translucent blue
  EXPECT_TRUE(Near(image.ColorAt(0, 0), Rgb(0, 0, 0)));
  EXPECT_TRUE(Near(image.ColorAt(1, 0), Rgb(128, 128, 128)));
  EXPECT_TRUE(Near(image.ColorAt(2, 0), Rgb(127, 127, 255)));
  EXPECT_TRUE(Near(image.ColorAt(3, 0), Rgb(255, 255, 255), 0));
}

TEST(Painter, TranslucentPaintOnTransparentSurfaceKeepsItsColour) {
  // Premultiplied storage: half-transparent red on nothing reads back as half-transparent red.
  Image image(1, 1);
  Painter p(image.View());
  p.FillRect({0, 0, 1, 1}, WithAlpha(Rgb(200, 0, 0), 128));
  EXPECT_TRUE(Near(image.ColorAt(0, 0), WithAlpha(Rgb(200, 0, 0), 128)));
  p.FillRect({0, 0, 1, 1}, WithAlpha(Rgb(0, 0, 200), 128));
  EXPECT_TRUE(Near(image.ColorAt(0, 0), WithAlpha(Rgb(67, 0, 133), 192), 2));
}

TEST(Painter, DrawingStaysInsideSubSurfaceAndClip) {
  Image image(10, 10, Rgb(255, 255, 255));
  Painter sub(image.View().Sub({2, 2, 6, 6}));
  sub.FillCircle({2, 2}, 100, Rgb(0, 0, 0));  // covers far more than the view
  Painter clipped(image.View());
  clipped.SetClip({7, 7, 9, 9});
  clipped.FillRect({0, 0, 10, 10}, Rgb(255, 0, 0));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const Argb expected = (x >= 2 && x < 6 && y >= 2 && y < 6)   ? Rgb(0, 0, 0)
                            : (x >= 7 && x < 9 && y >= 7 && y < 9) ? Rgb(255, 0, 0)
                                                                   : Rgb(255, 255, 255);
      EXPECT_EQ(image.ColorAt(x, y), expected) << x << "," << y;
    }
  }
}

TEST(Painter, ImagesCompositeWithTheirAlphaAndOpacity) {
  Image icon(2, 1);
  Painter(icon.View()).FillRect({0, 0, 1, 1}, WithAlpha(Rgb(255, 0, 0), 128));
  Painter(icon.View()).FillRect({1, 0, 2, 1}, Rgb(0, 0, 255));
  Image image(4, 1, Rgb(255, 255, 255));
  Painter p(image.View());
  p.DrawImage(icon.View(), 1, 0);
  p.DrawImage(icon.View(), 3, 0, 128);  // only its first pixel lands, at half opacity
  EXPECT_EQ(image.ColorAt(0, 0), Rgb(255, 255, 255));
  EXPECT_TRUE(Near(image.ColorAt(1, 0), Rgb(255, 127, 127)));
  EXPECT_EQ(image.ColorAt(2, 0), Rgb(0, 0, 255));
  EXPECT_TRUE(Near(image.ColorAt(3, 0), Rgb(255, 191, 191), 2));
}

TEST(Painter, ScaledImagesAverageTheAreaEachPixelCovers) {
  // A one-dot line in a page shrunk by two still shows, as grey; colours that fill the page
  // stay exact; enlarging repeats pixels.
  Image page(8, 4, Rgb(240, 243, 248));
  Painter(page.View()).FillRect({3, 0, 4, 4}, Rgb(0, 0, 0));
  Image half(4, 2, Rgb(255, 255, 255));
  Painter(half.View()).DrawImageScaled(page.View(), {0, 0, 4, 2});
  EXPECT_EQ(half.ColorAt(0, 0), Rgb(240, 243, 248));
  EXPECT_TRUE(Near(half.ColorAt(1, 1), Rgb(120, 122, 124)));
  EXPECT_EQ(half.ColorAt(3, 1), Rgb(240, 243, 248));

  Image dot(1, 1, Rgb(10, 20, 30));
  Image big(3, 3, Rgb(255, 255, 255));
  Painter(big.View()).DrawImageScaled(dot.View(), {0, 0, 3, 3});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(big.ColorAt(x, y), Rgb(10, 20, 30));

  // A destination partly off the surface draws the visible part of the same picture.
  Image shifted(4, 2, Rgb(255, 255, 255));
  Painter(shifted.View()).DrawImageScaled(page.View(), {-2, 0, 2, 2});
  EXPECT_TRUE(Near(shifted.ColorAt(0, 0), half.ColorAt(2, 0)));
  EXPECT_TRUE(Near(shifted.ColorAt(1, 1), half.ColorAt(3, 1)));
  EXPECT_EQ(shifted.ColorAt(2, 0), Rgb(255, 255, 255));

  // A destination far larger than the surface costs only the visible pixels.
  Image small(2, 2, Rgb(255, 255, 255));
  Painter(small.View()).DrawImageScaled(page.View(), {-400000000, 0, 400000000, 2});
  EXPECT_EQ(small.ColorAt(0, 0), Rgb(240, 243, 248));
}

TEST(Painter, PageBitmapsBecomeOpaqueImagesOfTheSameColours) {
  Bitmap32 page(3, 2, kWhite);
  page.SetPixel(1, 1, 0x0000FF);  // red, in the label languages' byte order
  const Image image = ImageFromBitmap(page);
  ASSERT_EQ(image.width(), 3);
  ASSERT_EQ(image.height(), 2);
  EXPECT_EQ(image.ColorAt(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(image.ColorAt(1, 1), Rgb(255, 0, 0));
  EXPECT_TRUE(ImageFromBitmap(Bitmap32()).empty());
}

// The rows and columns a glyph inks in a 16 × 16 box.
struct InkBox {
  int left = 16, top = 16, right = -1, bottom = -1;
};
InkBox GlyphInk(Glyph g, Image& image) {
  image = Image(16, 16, Rgb(255, 255, 255));
  Painter(image.View()).DrawGlyph(g, {0, 0, 16, 16}, 2, Rgb(0, 0, 0));
  InkBox box;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (image.ColorAt(x, y) != Rgb(255, 255, 255)) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

TEST(Painter, GlyphsStayInTheirBoxAndPointTheRightWay) {
  Image image;
  for (Glyph g :
       {Glyph::kClose, Glyph::kMinimise, Glyph::kChevronDown, Glyph::kChevronUp, Glyph::kCheck}) {
    const InkBox box = GlyphInk(g, image);
    EXPECT_GE(box.left, 0);
    EXPECT_LE(box.right, 15);
    EXPECT_LE(box.left, box.right);  // something is drawn
  }
  // The cross is inked at its centre and its corners, and not in the middle of its sides.
  GlyphInk(Glyph::kClose, image);
  EXPECT_EQ(image.ColorAt(7, 7), Rgb(0, 0, 0));
  EXPECT_NE(image.ColorAt(1, 1), Rgb(255, 255, 255));
  EXPECT_EQ(image.ColorAt(7, 1), Rgb(255, 255, 255));
  // The down chevron's middle column is inked low, the up chevron's high.
  GlyphInk(Glyph::kChevronDown, image);
  EXPECT_NE(image.ColorAt(8, 11), Rgb(255, 255, 255));
  EXPECT_EQ(image.ColorAt(8, 4), Rgb(255, 255, 255));
  GlyphInk(Glyph::kChevronUp, image);
  EXPECT_NE(image.ColorAt(8, 4), Rgb(255, 255, 255));
  EXPECT_EQ(image.ColorAt(8, 11), Rgb(255, 255, 255));
}

}  // namespace
}  // namespace velin::skin
