// PaintBars and DrawBarcode on a real canvas: the dots each element covers at every angle,
// colours, short bars, the canvas state afterwards and the untouched canvas on error.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "barcode_test_support.h"
#include "base/canvas.h"
#include "base/text_renderer.h"
#include "symbols/barcode/barcode.h"

namespace velin {
namespace {

using T = TBarcodeType;

struct Box {
  int x0, y0, x1, y1;  // inclusive
};

// Whether exactly the dots of `box` are `colour` and every other dot is `background`.
::testing::AssertionResult CoversExactly(const Bitmap32& bmp, Box box, Color colour,
                                         Color background = kWhite) {
  for (int y = 0; y < bmp.height(); ++y) {
    for (int x = 0; x < bmp.width(); ++x) {
      bool inside = x >= box.x0 && x <= box.x1 && y >= box.y0 && y <= box.y1;
      Color want = inside ? colour : background;
      if (bmp.GetPixel(x, y) != want) {
        return ::testing::AssertionFailure() << "dot (" << x << ", " << y << ") is " << std::hex
                                             << bmp.GetPixel(x, y) << ", expected " << want;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// One bar two dots wide (pattern "6" at Modul 1, ratio 2), Left 100, Top 200, Height 50. Each
// corner (u, v) goes to (Left + u cos a + v sin a, Top - u sin a + v cos a), rounded; the
// polygon is filled and outlined, so its corner dots are covered. Boxes computed by hand.
TEST(PaintBars, RotatedElementCoversTheCornersDots) {
  struct Row {
    int line;
    double angle;
    Box box;
    const char* note;
  } rows[] = {
      {__LINE__, 0, {100, 200, 101, 250}, "2 columns, height + 1 rows"},
      {__LINE__, 90, {100, 199, 150, 200}, "runs upward, bars extend right"},
      {__LINE__, 180, {99, 150, 100, 200}, "runs left, bars extend up"},
      {__LINE__, 270, {50, 200, 100, 201}, "runs downward, bars extend left"},
      {__LINE__, 450, {100, 199, 150, 200}, "a whole turn more is 90"},
      {__LINE__, -90, {50, 200, 100, 201}, "-90 is 270"},
  };
  for (const Row& r : rows) {
    Bitmap32 bmp(300, 300);
    Canvas canvas(bmp);
    TBarcode b;
    b.SetLeft(100);
    b.SetTop(200);
    b.SetHeight(50);
    b.SetAngle(r.angle);
    b.ComputeModuleWidths();
    b.PaintBars(canvas, "6");
    EXPECT_TRUE(CoversExactly(bmp, r.box, kBlack)) << "row at line " << r.line << ": " << r.note;
  }
}

// Short bars are Height × 2 div 5 high and hang from the top edge; spaces are painted in
// Color, bars in ColorBar, both outlined in their own colour.
TEST(PaintBars, ShortBarsColoursAndOpaqueSpaces) {
  const Color grey = 0x808080, green = 0x00FF00, red = 0x0000FF;
  struct Row {
    int line;
    std::string pattern;
    Box box;
    Color colour;
  } rows[] = {
      {__LINE__, "A", {10, 20, 10, 40}, red},    // 52 × 2 div 5 = 20
      {__LINE__, "B", {10, 20, 11, 40}, red},    // two dots wide
      {__LINE__, "5", {10, 20, 10, 72}, red},    // full height 52
      {__LINE__, "0", {10, 20, 10, 72}, green},  // a space is painted too
      {__LINE__, "3", {10, 20, 13, 72}, green},  // four units
  };
  for (const Row& r : rows) {
    Bitmap32 bmp(40, 90, grey);
    Canvas canvas(bmp);
    canvas.brush.style = BrushStyle::kClear;  // as the page canvas keeps it between commands
    TBarcode b;
    b.SetLeft(10);
    b.SetTop(20);
    b.SetHeight(52);
    b.SetColor(green);
    b.SetColorBar(red);
    b.ComputeModuleWidths();
    b.PaintBars(canvas, r.pattern);
    EXPECT_TRUE(CoversExactly(bmp, r.box, r.colour, grey)) << "row at line " << r.line;
  }
}

// Upright and quarter-turned symbols are painted as boxes; the dots must be those of each
// element's polygon, filled and outlined in its colour, painted one after the other (corners
// as above, with the exact sines of quarter turns). Symbols run off every edge of the canvas,
// and heights of 0 and 1 make elements one dot thin or single dots.
TEST(PaintBars, QuarterTurnedSymbolsCoverTheDotsOfTheirElementPolygons) {
  const Color grey = 0x808080, green = 0x00FF00, red = 0x0000FF;
  const std::string code128 = [] {
    TBarcode b;
    b.SetTyp(T::bcCode128B);
    b.SetText("Velin 20");
    return b.BuildPattern();
  }();
  const std::string patterns[] = {code128, "5A6B7C8D0123A5", "7"};
  for (const std::string& pattern : patterns)
    for (int angle : {0, 90, 180, 270, -90, 720})
      for (int modul : {1, 3})
        for (int height : {0, 1, 37})
          for (Point origin : {Point{-7, 45}, Point{40, 45}, Point{60, -3}, Point{85, 88}}) {
            SCOPED_TRACE(testing::Message() << "pattern " << pattern << ", angle " << angle
                                            << ", Modul " << modul << ", Height " << height
                                            << ", at (" << origin.x << ", " << origin.y << ")");
            TBarcode b;
            b.SetModul(modul);
            b.SetHeight(height);
            b.SetAngle(angle);
            b.SetLeft(origin.x);
            b.SetTop(origin.y);
            b.SetColor(green);
            b.SetColorBar(red);
            b.ComputeModuleWidths();
            Bitmap32 painted(90, 90, grey);
            Canvas canvas(painted);
            canvas.brush.style = BrushStyle::kClear;
            b.PaintBars(canvas, pattern);

            Bitmap32 expected(90, 90, grey);
            Canvas reference(expected);
            const int turn = ((angle % 360) + 360) % 360 / 90;
            const int cos_a[] = {1, 0, -1, 0}, sin_a[] = {0, 1, 0, -1};
            auto corner = [&](int u, int v) {
              return Point{origin.x + u * cos_a[turn] + v * sin_a[turn],
                           origin.y - u * sin_a[turn] + v * cos_a[turn]};
            };
            int u = 0;
            for (char c : pattern) {
              const TBarcode::ElementProps e = b.PatternElementProps(c);
              const Color colour = e.kind == TBarcode::ElementKind::kSpace ? green : red;
              reference.pen = {1, colour};
              reference.brush = {colour, BrushStyle::kSolid};
              const int v = e.kind == TBarcode::ElementKind::kShortBar ? height * 2 / 5 : height;
              const Point corners[4] = {corner(u, 0), corner(u, v), corner(u + e.width - 1, v),
                                        corner(u + e.width - 1, 0)};
              reference.Polygon(corners, 4);
              u += e.width;
            }
            ASSERT_TRUE(painted == expected);
          }
}

// Unrotated, every row of the symbol reads back as the pattern's widths times Modul, from
// (Left, Top) for Width dots and Height + 1 rows.
TEST(DrawBarcode, UnrotatedSymbolMatchesPatternAndWidth) {
  TBarcode b;
  b.SetTyp(T::bcCode128C);
  b.SetText("1234");
  b.SetModul(2);
  b.SetHeight(30);
  b.SetLeft(5);
  b.SetTop(7);
  Bitmap32 bmp(130, 45);
  Canvas canvas(bmp);
  b.DrawBarcode(canvas);
  ASSERT_EQ(b.Width(), 114);

  // Runs along a row: white up to Left, the elements (a bar first, a bar last), white after.
  std::string pattern = b.BuildPattern();
  std::string units = test::PatternUnits(pattern), kinds = test::PatternKinds(pattern);
  std::string expected = "w5 ";
  for (size_t i = 0; i < units.size(); ++i) {
    expected += (kinds[i] == 's' ? "w" : "b") + std::to_string(2 * (units[i] - '0')) + " ";
  }
  expected += "w" + std::to_string(130 - 5 - 114) + " ";
  for (int y : {7, 20, 37}) EXPECT_EQ(test::RowRuns(bmp, y), expected) << "row " << y;
  for (int y : {6, 38}) EXPECT_EQ(test::RowRuns(bmp, y), "w130 ") << "row " << y;
}

TEST(DrawBarcode, RestoresFontPenAndBrush) {
  for (bool show_text : {false, true}) {
    Bitmap32 bmp(200, 100);
    Canvas canvas(bmp, &PlatformTextRenderer());
    canvas.pen = Pen{3, 0x123456};
    canvas.brush = Brush{0xABCDEF, BrushStyle::kClear};
    canvas.font.size = 20;
    canvas.font.name = "Some Face";
    const Canvas::State before = canvas.Save();
    TBarcode b;
    b.SetTyp(T::bcCode39);
    b.SetText("AB");
    b.SetHeight(20);
    b.SetShowText(show_text);
    b.DrawBarcode(canvas);
    EXPECT_EQ(canvas.pen.width, before.pen.width);
    EXPECT_EQ(canvas.pen.color, before.pen.color);
    EXPECT_EQ(canvas.brush.color, before.brush.color);
    EXPECT_EQ(canvas.brush.style, before.brush.style);
    EXPECT_EQ(canvas.font.size, before.font.size);
    EXPECT_EQ(canvas.font.name, before.font.name);
  }
}

TEST(DrawBarcode, PaintsNothingOnError) {
  struct Row {
    int line;
    T type;
    const char* text;
  } rows[] = {
      {__LINE__, T::bcCodeEAN13, "1"},
      {__LINE__, T::bcCode128C, "12a4"},
      {__LINE__, T::bcCode93, "a"},
      {__LINE__, static_cast<T>(16), "1"},
  };
  for (const Row& r : rows) {
    Bitmap32 bmp(120, 60, 0x404040);
    const Bitmap32 original = bmp;
    Canvas canvas(bmp);
    canvas.pen = Pen{2, 0x111111};
    canvas.brush = Brush{0x222222, BrushStyle::kClear};
    TBarcode b;
    b.SetTyp(r.type);
    b.SetText(r.text);
    b.SetHeight(30);
    b.SetShowText(true);
    EXPECT_THROW(b.DrawBarcode(canvas), EBarcodeError) << "row at line " << r.line;
    EXPECT_TRUE(bmp == original) << "row at line " << r.line;
    EXPECT_EQ(canvas.pen.color, 0x111111u);
    EXPECT_EQ(canvas.brush.style, BrushStyle::kClear);
  }
}

// ShowText writes the text and the symbology name unrotated from (Left, Top), whatever the
// angle: at 90 degrees the bars lie above row Top, the text below it.
TEST(DrawBarcode, ShowTextWritesUnrotatedFromTheOrigin) {
  auto paint = [](bool show_text) {
    Bitmap32 bmp(200, 200);
    Canvas canvas(bmp, &PlatformTextRenderer());
    TBarcode b;
    b.SetTyp(T::bcCode128B);
    b.SetText("AB");
    b.SetHeight(40);
    b.SetLeft(50);
    b.SetTop(120);
    b.SetAngle(90);
    b.SetShowText(show_text);
    b.DrawBarcode(canvas);
    return bmp;
  };
  Bitmap32 without = paint(false), with = paint(true);
  int changed_below = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 200; ++x) {
      bool changed = with.GetPixel(x, y) != without.GetPixel(x, y);
      if (y < 120) {
        EXPECT_FALSE(changed) << "dot (" << x << ", " << y << ") above the text";
      } else if (changed) {
        EXPECT_GE(x, 50) << "dot (" << x << ", " << y << ") left of the text";
        ++changed_below;
      }
    }
  }
  EXPECT_GT(changed_below, 0);
}

// Properties from a label line may be anything: extreme heights, origins and angles paint
// (clipped) without fault, and an angle that is no number paints as 0.
TEST(PaintBars, ExtremePropertiesPaintSafely) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const int big = std::numeric_limits<int>::max(), small = std::numeric_limits<int>::min();
  struct Row {
    int line;
    int left, top, height;
    double angle;
    Point black;  // a dot the first bar must cover, or (-1, -1)
  } rows[] = {
      {__LINE__, 10, 10, big, 0, {10, 59}},   // bars reach the bottom edge
      {__LINE__, 10, 10, small, 0, {10, 0}},  // and up to the top edge
      {__LINE__, big, big, big, 45, {-1, -1}}, {__LINE__, small, small, small, 300, {-1, -1}},
      {__LINE__, 10, 10, 20, 1e300, {-1, -1}}, {__LINE__, 10, 10, 20, -1e300, {-1, -1}},
      {__LINE__, 10, 10, 20, inf, {-1, -1}},   {__LINE__, 10, 10, 20, nan, {-1, -1}},
  };
  auto paint = [](const Row& r, double angle) {
    Bitmap32 bmp(120, 60);
    Canvas canvas(bmp);
    TBarcode b;
    b.SetTyp(T::bcCode128B);
    b.SetText("Hostile");
    b.SetModul(49);
    b.SetRatio(3.0);
    b.SetLeft(r.left);
    b.SetTop(r.top);
    b.SetHeight(r.height);
    b.SetAngle(angle);
    b.DrawBarcode(canvas);
    return bmp;
  };
  for (const Row& r : rows) {
    Bitmap32 bmp = paint(r, r.angle);
    if (r.black.x >= 0) {
      EXPECT_EQ(bmp.GetPixel(r.black.x, r.black.y), kBlack) << "row at line " << r.line;
    }
    if (!std::isfinite(r.angle)) {
      EXPECT_TRUE(bmp == paint(r, 0)) << "row at line " << r.line;
    }
  }
}

}  // namespace
}  // namespace velin
