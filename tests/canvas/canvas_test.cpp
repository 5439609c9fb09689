#include "base/canvas.h"

#include <gtest/gtest.h>


#include <climits>
#include <random>
#include <string>
#include <vector>

namespace velin {
namespace {

// Small pictures as rows of '#' (black) and '.' (white), so an expectation reads like the
// dots it names.
std::string Picture(const Bitmap32& bmp) {
  std::string out;
  for (int y = 0; y < bmp.height(); ++y) {
    for (int x = 0; x < bmp.width(); ++x) out += bmp.GetPixel(x, y) == kBlack ? '#' : '.';
    out += '\n';
  }
  return out;
}

std::string Rows(std::initializer_list<const char*> rows) {
  std::string out;
  for (const char* r : rows) out += std::string(r) + '\n';
  return out;
}

int CountBlack(const Bitmap32& bmp) {
  int n = 0;
  for (int y = 0; y < bmp.height(); ++y)
    for (int x = 0; x < bmp.width(); ++x) n += bmp.GetPixel(x, y) == kBlack;
  return n;
}

void Line(Canvas& c, int x0, int y0, int x1, int y1, int width = 1) {
  c.pen.width = width;
  c.pen.color = kBlack;
  c.MoveTo(x0, y0);
  c.LineTo(x1, y1);
}

TEST(CanvasLine, OneDotPenStopsBeforeTheEndPoint) {
  Bitmap32 bmp(30, 30);
  Canvas c(bmp);
  Line(c, 10, 10, 20, 10);
  for (int x = 0; x < 30; ++x) EXPECT_EQ(bmp.GetPixel(x, 10) == kBlack, x >= 10 && x <= 19) << x;
  EXPECT_EQ(CountBlack(bmp), 10);
}

TEST(CanvasLine, OneDotPenShapes) {
  struct Row {
    int line;
    int x0, y0, x1, y1;
    std::string expected;
  } rows[] = {
      {__LINE__, 1, 0, 1, 4, Rows({".#......", ".#......", ".#......", ".#......", "........"})},
      {__LINE__, 1, 4, 1, 0, Rows({"........", ".#......", ".#......", ".#......", ".#......"})},
      {__LINE__, 0, 0, 4, 4, Rows({"#.......", ".#......", "..#.....", "...#....", "........"})},
      {__LINE__, 7, 0, 3, 4, Rows({".......#", "......#.", ".....#..", "....#...", "........"})},
      // Shallow slope: y = round(x * 3 / 8), a tie (x = 4: 1.5) going to the smaller row.
      {__LINE__, 0, 0, 8, 3,
       Rows({"##.......", "..###....", ".....##..", ".......#.", "........."})},
      {__LINE__, 8, 3, 0, 0,
       Rows({".#.......", "..###....", ".....##..", ".......##", "........."})},
      // Degenerate: a line to its own start paints nothing.
      {__LINE__, 3, 3, 3, 3, Rows({"........", "........", "........", "........", "........"})},
  };
  for (const Row& row : rows) {
    const int height = static_cast<int>(std::count(row.expected.begin(), row.expected.end(), '\n'));
    Bitmap32 bmp(static_cast<int>(row.expected.find('\n')), height);
    Canvas c(bmp);
    Line(c, row.x0, row.y0, row.x1, row.y1);
    EXPECT_EQ(Picture(bmp), row.expected) << "row at line " << row.line;
  }
}

TEST(CanvasLine, ReversedLineCoversTheSameInnerDots) {
  // Several slopes, each drawn both ways: the dots strictly between the ends are the same.
  const int ends[][4] = {{0, 0, 17, 5}, {2, 19, 13, 0}, {0, 3, 19, 4}, {5, 5, 0, 14}};
  for (const auto& e : ends) {
    Bitmap32 forward(20, 20), backward(20, 20);
    Canvas f(forward), b(backward);
    Line(f, e[0], e[1], e[2], e[3]);
    Line(b, e[2], e[3], e[0], e[1]);
    forward.SetPixel(e[0], e[1], kWhite);
    backward.SetPixel(e[2], e[3], kWhite);
    EXPECT_EQ(Picture(forward), Picture(backward))
        << e[0] << "," << e[1] << "-" << e[2] << "," << e[3];
  }
}

TEST(CanvasLine, WidePenIsCentredWithRoundEnds) {
  Bitmap32 bmp(14, 9);
  Canvas c(bmp);
  Line(c, 3, 4, 10, 4, 5);
  // Radius 2.5 about the segment; the dot sample points sit just right of and below the
  // integer positions. Rows 2 and 6 lie 2 from the axis, where the caps reach 1.5 beyond the
  // ends; rows 3 to 5 reach 2.3 or more.
  EXPECT_EQ(Picture(bmp), Rows({"..............", "..............", "..##########..",
                                ".############.", ".############.", ".############.",
                                "..##########..", "..............", ".............."}));
}

TEST(CanvasLine, EvenWidthsCoverTheRowsAboveTheCentreFirst) {
  // LINE with width 1 draws with a pen of 2: rows 9 and 10 for a line on row 10.
  for (int width : {2, 3, 4}) {
    Bitmap32 bmp(40, 20);
    Canvas c(bmp);
    Line(c, 10, 10, 30, 10, width);
    std::vector<int> rows;
    for (int y = 0; y < 20; ++y)
      if (bmp.GetPixel(20, y) == kBlack) rows.push_back(y);
    const int top = 10 - width / 2;
    std::vector<int> expected;
    for (int y = top; y < top + width; ++y) expected.push_back(y);
    EXPECT_EQ(rows, expected) << "width " << width;
  }
}

TEST(CanvasLine, VerticalWidePenMirrorsTheHorizontalOne) {
  Bitmap32 h(30, 30), v(30, 30);
  Canvas ch(h), cv(v);
  Line(ch, 5, 12, 22, 12, 6);
  Line(cv, 12, 5, 12, 22, 6);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(h.GetPixel(x, y), v.GetPixel(y, x)) << x << "," << y;
}

TEST(CanvasLine, ExtremeCoordinatesAreClippedNotOverflowed) {
  Bitmap32 bmp(16, 16);
  Canvas c(bmp);
  Line(c, INT_MIN, INT_MIN, INT_MAX, INT_MAX);  // the main diagonal, through the bitmap
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bmp.GetPixel(i, i), kBlack) << i;
  EXPECT_EQ(CountBlack(bmp), 16);

  Bitmap32 far(16, 16);
  Canvas cf(far);
  Line(cf, INT_MAX, INT_MIN, INT_MIN, INT_MAX);  // anti-diagonal: x + y = -1, misses
  Line(cf, INT_MIN, 20, INT_MAX, 20, 3);         // wide, but outside
  Line(cf, -5, -5, -5, -5, 1000000);             // a huge dot covering everything
  EXPECT_EQ(CountBlack(far), 16 * 16);

  Bitmap32 wide(16, 16);
  Canvas cw(wide);
  Line(cw, INT_MIN, 8, INT_MAX, 8, INT_MAX);
  EXPECT_EQ(CountBlack(wide), 16 * 16);
  Line(cw, 0, 0, 5, 5, INT_MIN);  // a non-positive width draws one dot wide
}

TEST(CanvasRectangle, OneDotOutlineExcludesRightAndBottom) {
  Bitmap32 bmp(12, 12, kBlack);
  Canvas c(bmp);
  c.FillRect(1, 1, 9, 9);  // brush white by default: a white square with a black frame
  c.brush.style = BrushStyle::kClear;
  c.pen = {1, kBlack};
  Bitmap32 before = bmp;
  c.Rectangle(0, 0, 10, 10);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool outline = (x <= 9 && y <= 9) && (x == 0 || x == 9 || y == 0 || y == 9);
      EXPECT_EQ(bmp.GetPixel(x, y), outline ? kBlack : before.GetPixel(x, y)) << x << "," << y;
    }
}

TEST(CanvasRectangle, Shapes) {
  struct Row {
    int line;
    int x1, y1, x2, y2, pen;
    BrushStyle brush;
    std::string expected;
  } rows[] = {
      {__LINE__, 1, 1, 5, 4, 1, BrushStyle::kClear,
       Rows({"......", ".####.", ".#..#.", ".####.", "......"})},
      // Corners given the other way round describe the same rectangle.
      {__LINE__, 5, 4, 1, 1, 1, BrushStyle::kClear,
       Rows({"......", ".####.", ".#..#.", ".####.", "......"})},
      // A solid (black) brush fills [x1, x2) × [y1, y2).
      {__LINE__, 1, 1, 5, 4, 1, BrushStyle::kSolid,
       Rows({"......", ".####.", ".####.", ".####.", "......"})},
      {__LINE__, 1, 1, 2, 4, 1, BrushStyle::kClear,
       Rows({"......", ".#....", ".#....", ".#....", "......"})},
      {__LINE__, 1, 1, 1, 4, 1, BrushStyle::kClear,
       Rows({"......", "......", "......", "......", "......"})},
  };
  for (const Row& row : rows) {
    Bitmap32 bmp(6, 5);
    Canvas c(bmp);
    c.pen = {row.pen, kBlack};
    c.brush = {kBlack, row.brush};
    c.Rectangle(row.x1, row.y1, row.x2, row.y2);
    EXPECT_EQ(Picture(bmp), row.expected) << "row at line " << row.line;
  }
}

TEST(CanvasRectangle, WidePenIsCentredOnTheOutline) {
  Bitmap32 bmp(14, 12);
  Canvas c(bmp);
  c.brush.style = BrushStyle::kClear;
  c.pen = {3, kBlack};
  c.Rectangle(2, 2, 12, 10);  // outline through columns 2 and 11, rows 2 and 9
  // Radius 1.5: columns 1 to 3 and 10 to 12, rows 1 to 3 and 8 to 10; the round joins still
  // reach the corner dots (1, 1) etc. (distance 1.41).
  EXPECT_EQ(Picture(bmp),
            Rows({"..............", ".############.", ".############.", ".############.",
                  ".###......###.", ".###......###.", ".###......###.", ".###......###.",
                  ".############.", ".############.", ".############.", ".............."}));
}

TEST(CanvasRectangle, ExtremeCornersDoNotOverflow) {
  Bitmap32 bmp(8, 8);
  Canvas c(bmp);
  c.brush.style = BrushStyle::kClear;
  c.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);  // outline far outside
  EXPECT_EQ(CountBlack(bmp), 0);
  c.pen.width = 5;
  c.Rectangle(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  EXPECT_EQ(CountBlack(bmp), 0);
  c.brush = {kBlack, BrushStyle::kSolid};
  c.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_EQ(CountBlack(bmp), 64);
}

TEST(CanvasFillRect, FillsHalfOpenRectangleClipped) {
  Bitmap32 bmp(6, 4);
  Canvas c(bmp);
  c.brush = {kBlack, BrushStyle::kClear};  // the style does not matter to FillRect
  c.FillRect(-3, 1, 2, 3);
  c.FillRect(4, 0, INT_MAX, 1);
  c.FillRect(5, 3, 2, 4);  // inverted: empty
  EXPECT_EQ(Picture(bmp), Rows({"....##", "##....", "##....", "......"}));
}

TEST(CanvasPolygon, BarWithOnePixelPenCoversEdgesAndCorners) {
  // The barcode painter's bar: a 4-point polygon, pen width 1 and brush in the bar colour.
  // The outline adds the right column and bottom row to the fill's [x1, x2) × [y1, y2).
  const Point bar[] = {{1, 1}, {3, 1}, {3, 4}, {1, 4}};
  for (BrushStyle style : {BrushStyle::kSolid, BrushStyle::kClear}) {
    Bitmap32 bmp(6, 6);
    Canvas c(bmp);
    c.pen = {1, kBlack};
    c.brush = {kBlack, style};
    c.Polygon(bar, 4);
    const std::string expected =
        style == BrushStyle::kSolid
            ? Rows({"......", ".###..", ".###..", ".###..", ".###..", "......"})
            : Rows({"......", ".###..", ".#.#..", ".#.#..", ".###..", "......"});
    EXPECT_EQ(Picture(bmp), expected);
  }
}

// Upright rectangles take a span-filling path; a collinear extra vertex on one side sends the
// same shape through the general scan conversion, which must cover the same dots.
TEST(CanvasPolygon, UprightRectanglesCoverWhatTheGeneralPathCovers) {
  std::mt19937 rng(11);
  auto coordinate = [&rng] { return static_cast<int>(rng() % 40) - 10; };
  for (int round = 0; round < 400; ++round) {
    int x1 = coordinate(), x2 = coordinate(), y1 = coordinate(), y2 = coordinate();
    if (x1 == x2 || y1 == y2 || std::abs(x2 - x1) < 2) continue;
    const bool clockwise = rng() % 2;
    const Point rect[] = {{x1, y1}, clockwise ? Point{x2, y1} : Point{x1, y2}, {x2, y2},
                          clockwise ? Point{x1, y2} : Point{x2, y1}};
    const Point mid = {(rect[0].x + rect[1].x) / 2, (rect[0].y + rect[1].y) / 2};
    const Point split[] = {rect[0], mid, rect[1], rect[2], rect[3]};
    for (BrushStyle style : {BrushStyle::kSolid, BrushStyle::kClear}) {
      Bitmap32 fast(24, 24), general(24, 24);
      for (Bitmap32* bmp : {&fast, &general}) {
        Canvas c(*bmp);
        c.pen = {1, kBlack};
        c.brush = {0x808080, style};
        if (bmp == &fast) c.Polygon(rect, 4);
        else c.Polygon(split, 5);
      }
      ASSERT_TRUE(fast == general)
          << Picture(fast) << "\nrectangle (" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ")";
    }
  }
}

TEST(CanvasPolygon, FillWithoutOutlineCoversDotCentresInside) {
  // A white pen over a black fill shows what the fill alone covers.
  Bitmap32 bmp(8, 8);
  Canvas c(bmp);
  c.pen = {1, kWhite};
  c.brush = {kBlack, BrushStyle::kSolid};
  const Point triangle[] = {{0, 0}, {8, 0}, {0, 8}};
  c.Polygon(triangle, 3);
  // Dot (x, y) is filled where its centre (x + .5, y + .5) satisfies x + y + 1 < 8; the pen
  // then whitens the outline dots (top row, left column, the diagonal edge).
  EXPECT_EQ(Picture(bmp), Rows({"........", ".#####..", ".####...", ".###....", ".##.....",
                                ".#......", "........", "........"}));
}

TEST(CanvasPolygon, AlternateFillLeavesTheStarCentreEmpty) {
  Bitmap32 bmp(41, 41);
  Canvas c(bmp);
  c.pen = {1, kBlack};
  c.brush = {kBlack, BrushStyle::kSolid};
  // A pentagram drawn in one stroke: its centre pentagon is crossed twice and stays white.
  const Point star[] = {{20, 0}, {32, 38}, {0, 14}, {40, 14}, {8, 38}};
  c.Polygon(star, 5);
  EXPECT_EQ(bmp.GetPixel(20, 22), kWhite);  // centre
  EXPECT_EQ(bmp.GetPixel(20, 5), kBlack);   // top point
  EXPECT_EQ(bmp.GetPixel(35, 15), kBlack);  // right point
  EXPECT_EQ(bmp.GetPixel(20, 38), kWhite);  // between the lower points
}

TEST(CanvasPolygon, ExtremeAndDegenerateInput) {
  Bitmap32 bmp(8, 8);
  Canvas c(bmp);
  c.brush = {kBlack, BrushStyle::kSolid};
  const Point huge[] = {
      {INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}};
  c.Polygon(huge, 4);
  EXPECT_EQ(CountBlack(bmp), 64);
  Bitmap32 none(8, 8);
  Canvas cn(none);
  cn.Polygon(nullptr, 4);
  cn.Polygon(huge, 0);
  cn.Polygon(huge, -3);
  EXPECT_EQ(CountBlack(none), 0);
}

TEST(CanvasStretchDraw, ReplicatesEachSourceDotIntoABlock) {
  Bitmap32 src(2, 2);
  src.SetPixel(0, 0, kBlack);
  src.SetPixel(1, 1, kBlack);
  Bitmap32 bmp(8, 8, kBlack);  // white source dots must overwrite the black below
  Canvas c(bmp);
  c.StretchDraw(1, 1, 6, 6, src);
  EXPECT_EQ(Picture(bmp), Rows({"########", "####...#", "####...#", "####...#", "#...####",
                                "#...####", "#...####", "########"}));
}

TEST(CanvasStretchDraw, ShrinkSamplesTheDotUnderEachCentre) {
  Bitmap32 src(6, 1);
  for (int x : {1, 4}) src.SetPixel(x, 0, kBlack);  // centres of 3 → 2 sample 1 and 4
  Bitmap32 bmp(2, 1);
  Canvas c(bmp);
  c.StretchDraw(0, 0, 2, 1, src);
  EXPECT_EQ(Picture(bmp), Rows({"##"}));
}

TEST(CanvasStretchDraw, ClipsAndIgnoresEmptyTargets) {
  Bitmap32 src(3, 3, kBlack);
  Bitmap32 bmp(4, 4);
  Canvas c(bmp);
  c.StretchDraw(-2, -2, 3, 3, src);            // only the bottom-right source dot lands
  c.StretchDraw(3, 3, INT_MAX, INT_MAX, src);  // giant target: clipped, no overflow
  c.StretchDraw(0, 0, 0, 4, src);
  c.StretchDraw(0, 0, -4, 4, src);
  c.StretchDraw(INT_MAX, INT_MAX, INT_MAX, INT_MAX, src);
  c.StretchDraw(0, 0, 4, 4, Bitmap32());
  EXPECT_EQ(Picture(bmp), Rows({"#...", "....", "....", "...#"}));
}

// A renderer that paints its cell (one dot per character, one row high) and records calls.
class BlockRenderer : public TextRenderer {
 public:
  void Draw(Bitmap32& target, int x, int y, std::string_view text, const Font&) override {
    for (size_t i = 0; i < text.size(); ++i) target.SetPixel(x + static_cast<int>(i), y, kBlack);
  }
  Size Measure(std::string_view text, const Font&) override {
    return {static_cast<int>(text.size()), 2};
  }
};

TEST(CanvasText, SolidBrushFillsTheTurnedCellFirst) {
  // The fake paints its glyphs unrotated (row 3 from column 3); the brush cell (3 × 2) turns
  // about (3, 3) with the orientation.
  struct Row {
    int line;
    int orientation;
    std::string expected;  // 'o' = brush, '#' = glyph
  } rows[] = {
      {__LINE__, 0, Rows({".......", ".......", ".......", "...###.", "...ooo.", "......."})},
      {__LINE__, 900, Rows({"...oo..", "...oo..", "...oo..", "...###.", ".......", "......."})},
      {__LINE__, 1800, Rows({".......", "ooo....", "ooo....", "...###.", ".......", "......."})},
      {__LINE__, 2700, Rows({".......", ".......", ".......", ".oo###.", ".oo....", ".oo...."})},
  };
  for (const Row& row : rows) {
    BlockRenderer renderer;
    Bitmap32 bmp(7, 6);
    Canvas c(bmp, &renderer);
    c.brush = {0x0000FF, BrushStyle::kSolid};
    c.font.orientation = row.orientation;
    c.TextOut(3, 3, "abc");
    std::string got;
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 7; ++x) {
        const Color p = bmp.GetPixel(x, y);
        got += p == kBlack ? '#' : p == 0x0000FF ? 'o' : '.';
      }
      got += '\n';
    }
    EXPECT_EQ(got, row.expected) << "row at line " << row.line;
  }
}

TEST(CanvasText, ClearBrushLeavesTheBackgroundAndNoRendererDrawsNothing) {
  BlockRenderer renderer;
  Bitmap32 bmp(6, 3, 0x00FF00);
  Canvas c(bmp, &renderer);
  c.brush.style = BrushStyle::kClear;
  c.TextOut(1, 1, "ab");
  EXPECT_EQ(bmp.GetPixel(0, 1), 0x00FF00u);
  EXPECT_EQ(bmp.GetPixel(1, 1), kBlack);
  EXPECT_EQ(bmp.GetPixel(1, 2), 0x00FF00u);
  EXPECT_EQ(c.TextExtent("abc").width, 3);

  Bitmap32 plain(4, 4);
  Canvas without(plain);
  without.brush = {kBlack, BrushStyle::kSolid};
  without.TextOut(0, 0, "x");
  EXPECT_EQ(CountBlack(plain), 0);
  EXPECT_EQ(without.TextExtent("x").width, 0);
}

}  // namespace
}  // namespace velin
