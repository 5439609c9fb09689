#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>

#include "base/text_renderer.h"
#include "fonts/posix/freetype_text_renderer.h"

namespace velin {
namespace {

constexpr const char* kYaHei = "微软雅黑";

struct Ink {
  int count = 0;  // dots darker than mid grey
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive box
};

Ink FindInk(const Bitmap32& bmp) {
  Ink ink;
  for (int y = 0; y < bmp.height(); ++y)
    for (int x = 0; x < bmp.width(); ++x) {
      const Color c = bmp.GetPixel(x, y);
      if (((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3 >= 128) continue;
      ++ink.count;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
    }
  return ink;
}

Font MakeFont(const char* name, int size, int orientation = 0, bool bold = false) {
  Font f;
  f.name = name;
  f.size = size;
  f.orientation = orientation;
  f.bold = bold;
  return f;
}

TEST(TextRenderer, WindowsChineseFamiliesResolveToWenQuanYi) {
  FreeTypeTextRenderer r;
  EXPECT_EQ(r.FaceFamily(kYaHei, false, U'中'), "WenQuanYi Micro Hei");
  EXPECT_EQ(r.FaceFamily(kYaHei, true, U'A'), "WenQuanYi Micro Hei");
  EXPECT_EQ(r.FaceFamily("黑体", false, U'A'), "WenQuanYi Micro Hei");
  // An installed family keeps its own face; characters it lacks come from one that has them.
  EXPECT_EQ(r.FaceFamily("DejaVu Sans", false, U'A'), "DejaVu Sans");
  EXPECT_EQ(r.FaceFamily("DejaVu Sans", false, U'标'), "WenQuanYi Micro Hei");
  // An unknown family still draws, in some installed face.
  EXPECT_NE(r.FaceFamily("No Such Family 42", false, U'A'), "");
}

TEST(TextRenderer, CellTopAtTheReferencePointAndInkInsideTheCell) {
  TextRenderer& r = PlatformTextRenderer();
  for (const char* text : {"国际快递", "HÉllo", "Ag|"}) {
    const Font font = MakeFont(kYaHei, 17);
    const Size cell = r.Measure(text, font);
    ASSERT_GT(cell.width, 0) << text;
    ASSERT_GE(cell.height, EmPixels(17)) << text;
    Bitmap32 bmp(cell.width + 20, cell.height + 20);
    r.Draw(bmp, 0, 0, text, font);
    const Ink ink = FindInk(bmp);
    ASSERT_GT(ink.count, 0) << text;
    EXPECT_GE(ink.top, 0) << text;
    EXPECT_LE(ink.top, cell.height / 4) << text << ": the top of the cell is row 0";
    EXPECT_LE(ink.bottom, cell.height) << text;  // a descender may reach one row past
    EXPECT_LT(ink.right, cell.width + 2) << text;

    // The same text drawn elsewhere is the same picture moved.
    Bitmap32 moved(cell.width + 20, cell.height + 20);
    r.Draw(moved, 7, 9, text, font);
    for (int y = 0; y + 9 < moved.height(); ++y)
      for (int x = 0; x + 7 < moved.width(); ++x)
        ASSERT_EQ(moved.GetPixel(x + 7, y + 9), bmp.GetPixel(x, y)) << text << " " << x << "," << y;
  }
}

// Turns a square bitmap a quarter turn counter-clockwise about the corner point (c, c)
// between dots: the dot (px, py) goes to (c + (py - c), c - 1 - (px - c)).
Bitmap32 QuarterTurn(const Bitmap32& in, int c) {
  Bitmap32 out(in.width(), in.height());
  for (int y = 0; y < in.height(); ++y)
    for (int x = 0; x < in.width(); ++x)
      out.SetPixel(c + (y - c), c - 1 - (x - c), in.GetPixel(x, y));
  return out;
}

TEST(TextRenderer, RotatedCellsTurnAboutTheReferencePoint) {
  TextRenderer& r = PlatformTextRenderer();
  const int c = 120;
  Bitmap32 previous;
  for (int quarter = 0; quarter < 4; ++quarter) {
    Bitmap32 bmp(2 * c, 2 * c);
    r.Draw(bmp, c, c, "ABC标签", MakeFont(kYaHei, 20, quarter * 900));
    const Ink ink = FindInk(bmp);
    ASSERT_GT(ink.count, 0);
    // 0: right and below; 90: right and above; 180: left and above; 270: left and below.
    const bool right = quarter == 0 || quarter == 1;
    const bool below = quarter == 0 || quarter == 3;
    EXPECT_EQ(ink.left >= c, right) << quarter;
    EXPECT_EQ(ink.right < c, !right) << quarter;
    EXPECT_EQ(ink.top >= c, below) << quarter;
    EXPECT_EQ(ink.bottom < c, !below) << quarter;
    // Text runs along x at 0/180 and along y at 90/270.
    const int along = quarter % 2 == 0 ? ink.right - ink.left : ink.bottom - ink.top;
    const int across = quarter % 2 == 0 ? ink.bottom - ink.top : ink.right - ink.left;
    EXPECT_GT(along, 2 * across) << quarter;
    // Each orientation is exactly the previous one turned by a quarter.
    if (quarter > 0) {
      EXPECT_TRUE(QuarterTurn(previous, c) == bmp) << quarter;
    }
    previous = bmp;
  }
}

TEST(TextRenderer, ChineseGlyphsArePaintedNotBoxes) {
  TextRenderer& r = PlatformTextRenderer();
  const Font font = MakeFont(kYaHei, 24);
  // Distinct characters give distinct pictures; a missing-glyph box would repeat.
  std::vector<Bitmap32> pictures;
  for (const char* ch : {"中", "文", "标", "签"}) {
    Bitmap32 bmp(40, 40);
    r.Draw(bmp, 0, 0, ch, font);
    const Ink ink = FindInk(bmp);
    EXPECT_GT(ink.count, 40) << ch;
    for (const Bitmap32& other : pictures) EXPECT_FALSE(other == bmp) << ch;
    pictures.push_back(bmp);
  }
  // Chinese through a Latin-only family falls back glyph by glyph to a face that has them.
  Bitmap32 latin(40, 40), yahei(40, 40);
  r.Draw(latin, 0, 0, "中", MakeFont("DejaVu Sans", 24));
  r.Draw(yahei, 0, 0, "中", font);
  EXPECT_GT(FindInk(latin).count, 40);
}

TEST(TextRenderer, TransparentBackgroundAndColour) {
  TextRenderer& r = PlatformTextRenderer();
  const Color background = 0x3366CC;
  Bitmap32 bmp(120, 40, background);
  Font font = MakeFont("DejaVu Sans", 20);
  font.color = 0x0000FF;  // red
  r.Draw(bmp, 2, 2, "Hello", font);
  int untouched = 0, full = 0, blended = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const Color c = bmp.GetPixel(x, y);
      if (c == background)
        ++untouched;
      else if (c == font.color)
        ++full;
      else
        ++blended;
      // Every changed dot lies between the background and the text colour, channel by channel.
      for (int shift : {0, 8, 16}) {
        const int v = (c >> shift) & 0xFF, a = (background >> shift) & 0xFF,
                  b = (font.color >> shift) & 0xFF;
        ASSERT_GE(v, std::min(a, b));
        ASSERT_LE(v, std::max(a, b));
      }
    }
  EXPECT_GT(untouched, 120 * 40 / 2);  // the space between and around glyphs keeps its colour
  EXPECT_GT(full, 20);
  EXPECT_GT(blended, 20);  // anti-aliased edges
}

TEST(TextRenderer, BoldIsHeavierWithOrWithoutABoldFace) {
  TextRenderer& r = PlatformTextRenderer();
  for (const char* family : {kYaHei, "DejaVu Sans"}) {  // emboldened / a real bold face
    Bitmap32 regular(200, 40), bold(200, 40);
    r.Draw(regular, 0, 0, "Label 标签", MakeFont(family, 16, 0, false));
    r.Draw(bold, 0, 0, "Label 标签", MakeFont(family, 16, 0, true));
    EXPECT_GT(FindInk(bold).count, FindInk(regular).count * 11 / 10) << family;
  }
}

TEST(TextRenderer, MeasureAddsAdvances) {
  TextRenderer& r = PlatformTextRenderer();
  const Font font = MakeFont(kYaHei, 11);
  const Size ab = r.Measure("AB", font), a = r.Measure("A", font), b = r.Measure("B", font);
  EXPECT_EQ(ab.width, a.width + b.width);
  EXPECT_EQ(ab.height, a.height);
  EXPECT_EQ(r.Measure("", font).width, 0);
  // Twice the size: about twice the width.
  const Size big = r.Measure("AB", MakeFont(kYaHei, 22));
  EXPECT_NEAR(big.width, 2 * ab.width, 2);
}

TEST(TextRenderer, ExtremeSizesAndPositionsStayBounded) {
  TextRenderer& r = PlatformTextRenderer();
  Bitmap32 bmp(64, 64);
  for (int orientation : {0, 900, 1800, 2700, -900, 4500})
    for (int size : {INT_MAX, 4000, 300, -5, 0}) {
      for (auto [x, y] :
           {std::pair{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {0, 0}, {-1000, 30}, {INT_MAX, 0}})
        r.Draw(bmp, x, y, "国W\xFF\xC3", MakeFont(kYaHei, size, orientation));
    }
  const Size w = r.Measure("W", MakeFont(kYaHei, INT_MAX));
  EXPECT_EQ(w.width, r.Measure("W", MakeFont(kYaHei, 49152)).width);  // em 65535 at most
  EXPECT_EQ(r.Measure(std::string(1000, 'W'), MakeFont(kYaHei, INT_MAX)).width, 1000 * w.width);
  Bitmap32 empty;
  r.Draw(empty, 0, 0, "A", MakeFont(kYaHei, 10));
}

TEST(TextRenderer, GlyphsLargerThanTheBitmapPaintTheirPartOfIt) {
  // Large glyphs are rasterised straight into the bitmap, clipped: a window onto a big
  // rendering must show exactly the same dots as the whole rendering.
  TextRenderer& r = PlatformTextRenderer();
  for (int orientation : {0, 900, 1800, 2700}) {
    const Font font = MakeFont(kYaHei, 600, orientation);  // em 800
    const int c = 900;
    Bitmap32 whole(2 * c, 2 * c);
    r.Draw(whole, c, c, "国W", font);
    const Ink ink = FindInk(whole);
    ASSERT_GT(ink.count, 1000) << orientation;
    // Windows at a few ink dots, including ones at the edges of the ink.
    const int wx[] = {ink.left, (ink.left + ink.right) / 2, ink.right - 63};
    const int wy[] = {ink.top, (ink.top + ink.bottom) / 2, ink.bottom - 63};
    for (int x0 : wx)
      for (int y0 : wy) {
        Bitmap32 window(64, 64);
        r.Draw(window, c - x0, c - y0, "国W", font);
        for (int y = 0; y < 64; ++y)
          for (int x = 0; x < 64; ++x)
            ASSERT_EQ(window.GetPixel(x, y), whole.GetPixel(x0 + x, y0 + y))
                << orientation << " window " << x0 << "," << y0 << " at " << x << "," << y;
      }
  }
}

TEST(TextRenderer, ConcurrentDrawingGivesTheSamePictures) {
  TextRenderer& r = PlatformTextRenderer();
  Bitmap32 expected(300, 60);
  r.Draw(expected, 0, 0, "并发 Threads 1234", MakeFont(kYaHei, 18));
  std::vector<Bitmap32> results(4, Bitmap32(300, 60));
  std::vector<std::thread> threads;
  for (auto& bmp : results)
    threads.emplace_back([&r, &bmp] {
      for (int i = 0; i < 20; ++i) {
        bmp.Fill(kWhite);
        r.Draw(bmp, 0, 0, "并发 Threads 1234", MakeFont(kYaHei, 18 + i % 3));
        r.Draw(bmp, 0, 0, "x", MakeFont("DejaVu Sans", 9 + i));
        bmp.Fill(kWhite);
        r.Draw(bmp, 0, 0, "并发 Threads 1234", MakeFont(kYaHei, 18));
      }
    });
  for (auto& t : threads) t.join();
  for (const auto& bmp : results) EXPECT_TRUE(bmp == expected);
}

}  // namespace
}  // namespace velin
