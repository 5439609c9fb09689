#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "interpreter/drawing.h"
#include "interpreter/page_image.h"

namespace velin {
namespace {

int CountColor(const Bitmap32& bmp, Color c) {
  int n = 0;
  for (int y = 0; y < bmp.height(); ++y)
    for (int x = 0; x < bmp.width(); ++x) n += bmp.GetPixel(x, y) == c;
  return n;
}

TEST(PageImage, StartsWhiteAt624By1040WithAClearBrush) {
  PageImage page;
  EXPECT_EQ(page.Width(), 624);
  EXPECT_EQ(page.Height(), 1040);
  EXPECT_EQ(CountColor(page.bitmap(), kWhite), 624 * 1040);
  EXPECT_EQ(page.canvas().brush.style, BrushStyle::kClear);
  int w = 0, h = 0;
  EXPECT_TRUE(GetPreviewImageSize(page, w, h));
  EXPECT_EQ(w, 624);
  EXPECT_EQ(h, 1040);
}

TEST(PageImage, ResizeThenClear) {
  PageImage page;
  DrawLine(page.canvas(), 0, 0, 600, 0, 1, kBlack);
  page.SetHeight(400);  // a "!" header with height 400 and no width command
  page.Clear();
  int w = 0, h = 0;
  GetPreviewImageSize(page, w, h);
  EXPECT_EQ(w, 624);
  EXPECT_EQ(h, 400);
  EXPECT_EQ(CountColor(page.bitmap(), kWhite), 624 * 400);
  EXPECT_EQ(page.canvas().brush.style, BrushStyle::kClear);
  EXPECT_EQ(page.canvas().brush.color, kWhite);
}

TEST(PageImage, ImpossibleSizesFailAndKeepThePage) {
  const struct {
    int width, height;
  } rows[] = {{32768, 10}, {10, 32768}, {INT_MAX, INT_MAX}, {32767, 32767}, {32767, 2049}};
  for (const auto& row : rows) {
    PageImage page;
    DrawLine(page.canvas(), 5, 5, 50, 5, 1, kBlack);
    const Bitmap32 before = page.bitmap();
    EXPECT_THROW(page.Resize(row.width, row.height), std::bad_alloc)
        << row.width << " x " << row.height;
    EXPECT_TRUE(page.bitmap() == before) << row.width << " x " << row.height;
  }
  PageImage page;
  page.Resize(32767, 2048);  // the largest height that fits the pixel budget at that width
  EXPECT_EQ(page.Height(), 2048);
}

TEST(PageImage, ZeroAndNegativeSizesGiveAnEmptyPageThatIsSafeToUse) {
  for (auto [w, h] : {std::pair{0, 400}, {624, 0}, {-5, 400}, {624, INT_MIN}}) {
    PageImage page;
    page.Resize(w, h);
    page.Clear();
    EXPECT_TRUE(page.bitmap().empty());
    DrawLine(page.canvas(), 0, 0, 100, 100, 3, kBlack);
    DrawRectangleWithLineWidth(page.canvas(), 0, 0, 10, 10, 1, kBlack, kWhite);
    DrawTransparentText(page.canvas(), 0, 0, "ABC", 0, kBlack, "微软雅黑", 11);
    const uint8_t data[] = {0xFF};
    DrawBitmapData(page.canvas(), data, 1, 1, 0, 0);
    Bitmap32 preview(10, 10);
    Canvas preview_canvas(preview);
    PreviewImage(page, preview_canvas, 10, 10);
    EXPECT_EQ(CountColor(preview, kWhite), 100);
    page.Resize(20, 20);
    page.Clear();
    EXPECT_EQ(CountColor(page.bitmap(), kWhite), 400);
  }
}

TEST(DrawLine, TheDocumentedDotsAndPenWidths) {
  PageImage page;
  DrawLine(page.canvas(), 10, 10, 20, 10, 1, kBlack);
  for (int x = 0; x < 30; ++x)
    EXPECT_EQ(page.bitmap().GetPixel(x, 10) == kBlack, x >= 10 && x <= 19) << x;
  EXPECT_EQ(CountColor(page.bitmap(), kBlack), 10);
  // LINE's width 0 gives pen 1 and width 1 gives pen 2 (rows 9 and 10 for row 10).
  PageImage two;
  DrawLine(two.canvas(), 0, 10, 100, 10, 2, kBlack);
  for (int y = 7; y < 13; ++y)
    EXPECT_EQ(two.bitmap().GetPixel(50, y) == kBlack, y == 9 || y == 10) << y;
}

TEST(DrawRectangleWithLineWidth, OutlineOnlyAndTheInsideKept) {
  PageImage page;
  page.canvas().brush = {kBlack, BrushStyle::kSolid};
  page.canvas().FillRect(2, 2, 8, 8);  // something inside that must survive
  page.canvas().brush.style = BrushStyle::kClear;
  const Bitmap32 before = page.bitmap();
  DrawRectangleWithLineWidth(page.canvas(), 0, 0, 10, 10, 1, kBlack, kWhite);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool outline = x <= 9 && y <= 9 && (x == 0 || x == 9 || y == 0 || y == 9);
      EXPECT_EQ(page.bitmap().GetPixel(x, y), outline ? kBlack : before.GetPixel(x, y))
          << x << "," << y;
    }
}

TEST(DrawBitmapData, ZeroBitsPaintWhite) {
  PageImage page;
  page.canvas().brush = {kBlack, BrushStyle::kSolid};
  page.canvas().FillRect(0, 0, 16, 2);
  const uint8_t data[] = {0x81};
  DrawBitmapData(page.canvas(), data, 1, 1, 0, 0);
  for (int x = 0; x < 8; ++x)
    EXPECT_EQ(page.bitmap().GetPixel(x, 0), x == 0 || x == 7 ? kBlack : kWhite) << x;
  EXPECT_EQ(page.bitmap().GetPixel(8, 0), kBlack);  // beyond the row: untouched
  EXPECT_EQ(page.bitmap().GetPixel(0, 1), kBlack);
}

// The rule as stated, one dot at a time: the oracle for the row-wise implementation.
void DotByDot(Bitmap32& bmp, const std::vector<uint8_t>& data, int width, int height, int x0,
              int y0) {
  for (int i = 0; i < height; ++i)
    for (int j = 0; j < width; ++j) {
      const size_t at = static_cast<size_t>(i) * width + j;
      if (at >= data.size()) return;
      for (int bit = 0; bit < 8; ++bit)
        bmp.SetPixel(x0 + 8 * j + bit, y0 + i, (data[at] >> (7 - bit)) & 1 ? kBlack : kWhite);
    }
}

TEST(DrawBitmapData, RowWritesMatchDotByDotAnywhere) {
  std::mt19937 rng(7);
  const struct {
    int width, height, x, y;
    int missing;  // bytes cut from the end of the data
  } rows[] = {
      {3, 5, 4, 6, 0},   {3, 5, -13, -2, 0}, {4, 9, 30, 25, 0}, {2, 3, -16, 0, 0}, {5, 7, 1, 1, 4},
      {1, 40, 35, 5, 0}, {6, 1, -1, 39, 0},  {3, 3, 40, 0, 0},  {3, 3, 0, -3, 0},
  };
  for (const auto& row : rows) {
    std::vector<uint8_t> data(static_cast<size_t>(row.width) * row.height - row.missing);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    Bitmap32 fast(40, 40, 0x808080), slow(40, 40, 0x808080);
    Canvas canvas(fast);
    DrawBitmapData(canvas, data, row.width, row.height, row.x, row.y);
    DotByDot(slow, data, row.width, row.height, row.x, row.y);
    EXPECT_TRUE(fast == slow) << row.width << "x" << row.height << " at " << row.x << "," << row.y;
  }
}

TEST(DrawBitmapData, HostileSizesAndOffsetsTouchNothingOutside) {
  Bitmap32 bmp(16, 16);
  Canvas canvas(bmp);
  const std::vector<uint8_t> data(8, 0xFF);
  DrawBitmapData(canvas, data, -1, 8, 0, 0);
  DrawBitmapData(canvas, data, 1, -8, 0, 0);
  DrawBitmapData(canvas, data, 1, 8, INT_MAX, INT_MAX);
  DrawBitmapData(canvas, data, 1, 8, INT_MIN, INT_MIN);
  DrawBitmapData(canvas, {}, 1, 8, 0, 0);
  EXPECT_EQ(CountColor(bmp, kWhite), 256);
  DrawBitmapData(canvas, data, 1, INT_MAX, INT_MIN + 5, 0);  // far left: nothing lands
  EXPECT_EQ(CountColor(bmp, kWhite), 256);
  DrawBitmapData(canvas, data, 2, 4, 12, 14);  // 16 dots wide, 4 rows: clipped to 4 × 2
  EXPECT_EQ(CountColor(bmp, kBlack), 8);
  // A row longer than the data: the 8 bytes held paint the first 64 dots of row 0.
  DrawBitmapData(canvas, data, INT_MAX, INT_MAX, 0, 0);
  EXPECT_EQ(CountColor(bmp, kBlack), 8 + 16);
  EXPECT_EQ(bmp.GetPixel(0, 1), kWhite);
}

TEST(ScaleCanvasContent, EachSourceDotBecomesABlock) {
  // A 21 × 21 source (a QR symbol's size) with a pattern, enlarged 3 times at (5, 7).
  Bitmap32 symbol(21, 21);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x)
      if ((x * 5 + y * 3) % 7 < 3) symbol.SetPixel(x, y, kBlack);
  Canvas source(symbol);
  PageImage page;
  page.canvas().brush = {0x00FF00, BrushStyle::kSolid};
  page.canvas().FillRect(0, 0, 100, 100);  // the copy is opaque: white dots overwrite this
  ScaleCanvasContent(source, page.canvas(), 5, 7, 21, 21, 3);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      const bool inside = x >= 5 && x < 5 + 63 && y >= 7 && y < 7 + 63;
      const Color want = inside ? symbol.GetPixel((x - 5) / 3, (y - 7) / 3) : 0x00FF00;
      ASSERT_EQ(page.bitmap().GetPixel(x, y), want) << x << "," << y;
    }
}

TEST(ScaleCanvasContent, NothingForEmptyOrNonPositiveScales) {
  Bitmap32 symbol(4, 4, kBlack);
  Canvas source(symbol);
  for (auto [w, h, f] : {std::tuple{4, 4, 0}, {4, 4, -2}, {0, 4, 3}, {4, -1, 3}}) {
    PageImage page;
    ScaleCanvasContent(source, page.canvas(), 0, 0, w, h, f);
    EXPECT_EQ(CountColor(page.bitmap(), kBlack), 0) << w << " " << h << " " << f;
  }
}

TEST(ScaleCanvasContent, HugeFactorsAndOffsetsAreClippedWithoutBuildingTheBigBitmap) {
  Bitmap32 symbol(2, 2);
  symbol.SetPixel(0, 0, kBlack);
  Canvas source(symbol);
  Bitmap32 dest(50, 50);
  Canvas out(dest);
  // 2 × INT_MAX dots square: only its top-left block reaches the bitmap, all black.
  ScaleCanvasContent(source, out, 0, 0, 2, 2, INT_MAX);
  EXPECT_EQ(CountColor(dest, kBlack), 2500);
  dest.Fill(kWhite);
  ScaleCanvasContent(source, out, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX);
  ScaleCanvasContent(source, out, INT_MIN, INT_MIN, 2, 2, 3);
  EXPECT_EQ(CountColor(dest, kBlack), 0);
  // A source rectangle larger than the source bitmap reads white beyond it.
  ScaleCanvasContent(source, out, 0, 0, 5, 5, 10);
  EXPECT_EQ(CountColor(dest, kBlack), 100);
}

TEST(ScaleCanvasContent, SourceAndDestinationMayBeOneCanvas) {
  Bitmap32 bmp(12, 12);
  bmp.SetPixel(0, 0, kBlack);
  bmp.SetPixel(1, 1, kBlack);
  Canvas canvas(bmp);
  ScaleCanvasContent(canvas, canvas, 0, 0, 3, 3, 4);  // overwrites its own source
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(bmp.GetPixel(x, y), (x / 4 == y / 4 && x < 8) ? kBlack : kWhite) << x << "," << y;
}

TEST(DrawTransparentText, CellTopOnTheRowAndBackgroundKept) {
  PageImage page;
  const Color background = 0xC0C0C0;
  page.canvas().brush = {background, BrushStyle::kSolid};
  page.canvas().FillRect(0, 0, 300, 60);
  page.canvas().font.bold = true;
  DrawTransparentText(page.canvas(), 0, 0, "TEXT 测试", 0, kBlack, "微软雅黑", 17);
  EXPECT_EQ(page.canvas().brush.style, BrushStyle::kClear);
  EXPECT_TRUE(page.canvas().font.bold);  // the caller's style is kept
  EXPECT_EQ(page.canvas().font.orientation, 0);
  int top = -1, ink = 0, kept = 0;
  for (int y = 0; y < 60 && top < 0; ++y)
    for (int x = 0; x < 300; ++x)
      if (page.bitmap().GetPixel(x, y) == kBlack) top = y;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 300; ++x) {
      const Color c = page.bitmap().GetPixel(x, y);
      ink += c == kBlack;
      kept += c == background;
    }
  EXPECT_GE(top, 0);
  EXPECT_LE(top, 6) << "glyph tops sit just below the cell's top, which is row 0";
  EXPECT_GT(ink, 100);
  EXPECT_GT(kept, 300 * 60 / 2);
  EXPECT_EQ(CountColor(page.bitmap(), kWhite), 624 * 1040 - 300 * 60);  // no white box drawn

  for (auto [rotation, orientation] :
       {std::pair{90, 900}, {-90, 2700}, {450, 900}, {INT_MAX, 1270}}) {
    DrawTransparentText(page.canvas(), 100, 100, "A", rotation, kBlack, "微软雅黑", 11);
    EXPECT_EQ(page.canvas().font.orientation, orientation) << rotation;
  }
}

TEST(PreviewImage, StretchesTheWholePage) {
  PageImage page;
  page.Resize(40, 20);
  page.Clear();
  page.canvas().brush = {kBlack, BrushStyle::kSolid};
  page.canvas().FillRect(0, 0, 20, 10);  // top-left quarter black
  Bitmap32 preview(10, 10, 0x00FF00);
  Canvas canvas(preview);
  PreviewImage(page, canvas, 4, 6);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const Color want = x >= 4 || y >= 6 ? 0x00FF00 : (x < 2 && y < 3 ? kBlack : kWhite);
      EXPECT_EQ(preview.GetPixel(x, y), want) << x << "," << y;
    }
}

}  // namespace
}  // namespace velin
