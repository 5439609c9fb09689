// Whole labels rendered by velin-cli render: the text-free test labels against their golden
// pages, dot for dot, and the positions the label commands put their symbols at. Whether the
// symbols read back is checked by a decoder of its own (posix/decode_test.cpp; the Windows
// build hands its pages to the native decoder).
//
// VELIN_UPDATE_GOLDEN=1 rewrites the golden PNGs from what is rendered now; review the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/png.h"
#include "label_support.h"
#include "support/test_paths.h"

namespace velin::test {
namespace {

bool UpdateGolden() {
  const char* flag = std::getenv("VELIN_UPDATE_GOLDEN");
  return flag && std::string(flag) == "1";
}

// The first dot where two pages differ, for the failure message.
std::string FirstDifference(const Bitmap32& a, const Bitmap32& b) {
  if (a.width() != b.width() || a.height() != b.height())
    return "size " + std::to_string(a.width()) + "x" + std::to_string(a.height()) + " vs " +
           std::to_string(b.width()) + "x" + std::to_string(b.height());
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y))
        return "dot (" + std::to_string(x) + ", " + std::to_string(y) + ")";
  return "";
}

// Golden pages are named LABEL[-DIALECT]-pageN.png.
void ExpectGoldenPages(const std::string& label, const std::string& mode, size_t page_count,
                       const std::string& dialect = "") {
  std::vector<Bitmap32> pages = RenderLabel(SourcePath("tests/labels/" + label), mode, dialect);
  ASSERT_EQ(pages.size(), page_count) << label;
  for (size_t i = 0; i < pages.size(); ++i) {
    std::string golden =
        SourcePath("tests/labels/" + label + (dialect.empty() ? "" : "-" + dialect) + "-page" +
                   std::to_string(i + 1) + ".png");
    if (UpdateGolden()) {
      ASSERT_TRUE(WritePng(golden, pages[i])) << golden;
      continue;
    }
    Bitmap32 expected;
    ASSERT_TRUE(ReadPng(golden, expected)) << golden << " (VELIN_UPDATE_GOLDEN=1 writes it)";
    EXPECT_EQ(FirstDifference(pages[i], expected), "") << golden;
  }
}

TEST(RenderedLabels, SymbolLabelsMatchTheirGoldenPages) {
  ExpectGoldenPages("symbols.cpcl", "cpcl", 1);
  ExpectGoldenPages("symbols.tspl", "tspl", 2);
}

// The printer dialect's commands, and the same labels read by the default dialect.
TEST(RenderedLabels, PrinterDialectLabelsMatchTheirGoldenPagesInBothDialects) {
  for (const char* dialect : {"default", "printer"}) {
    ExpectGoldenPages("printer.cpcl", "cpcl", 1, dialect);
    ExpectGoldenPages("printer.tspl", "tspl", 2, dialect);
  }
}

// The positions the label commands are defined by, measured on the rendered page.
TEST(RenderedLabels, CpclSymbolsLandWhereTheCommandsPutThem) {
  std::vector<Bitmap32> pages = RenderLabel(SourcePath("tests/labels/symbols.cpcl"), "cpcl");
  ASSERT_EQ(pages.size(), 1u);
  const Bitmap32& page = pages[0];
  struct Row {
    int line;
    const char* what;
    int x0, y0, x1, y1;  // the region searched
    DarkBox expected;
  };
  const Row rows[] = {
      // 112 modules of 4 dots from x 68; bars 80 + 1 rows from y 156.
      {__LINE__, "B 128 3 25 80 68 156", 20, 120, 560, 260, {68, 156, 515, 236}},
      // Module 2, turned: the symbol runs upward from row 660, bars 56 + 1 columns from 452.
      {__LINE__, "VB 128 1 25 56 452 660", 430, 425, 560, 680, {452, 437, 508, 660}},
      // Version 6 (41 modules) at 2 dots per module.
      {__LINE__, "B QR 380 20 M 2", 300, 15, 500, 110, {380, 20, 461, 101}},
      // EG 1 2 40 480 F00F: 1111 0000 / 0000 1111.
      {__LINE__, "EG 1 2 40 480", 30, 475, 60, 490, {40, 480, 47, 481}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(DarkBoxIn(page, r.x0, r.y0, r.x1, r.y1), r.expected)
        << r.what << " (row at line " << r.line << ")";

  auto black = [&](int x, int y) { return page.GetPixel(x, y) == kBlack; };
  // EG F00F: dots 40-43 of row 480 black, 44-47 white; row 481 the other way round.
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(black(40 + k, 480), k < 4) << k;
    EXPECT_EQ(black(40 + k, 481), k >= 4) << k;
  }
  // CG 2 2 40 440 with 0A 80 01 0A FF: the leading line feed is skipped; row 0 is 80 01 and
  // row 1 is 0A FF (that line feed is data).
  const uint8_t cg[2][2] = {{0x80, 0x01}, {0x0A, 0xFF}};
  for (int row = 0; row < 2; ++row)
    for (int k = 0; k < 16; ++k)
      EXPECT_EQ(black(40 + k, 440 + row), (cg[row][k / 8] >> (7 - k % 8)) & 1) << row << "," << k;
  // COMPRESSED-GRAPHICS 1 1 40 460 FF: dots 40 to 47 of row 460.
  EXPECT_EQ(DarkBoxIn(page, 30, 455, 60, 470), (DarkBox{40, 460, 47, 460}));
  // ET 2 1 40 500 FFF: one byte decoded; the missing second byte is white.
  EXPECT_EQ(DarkBoxIn(page, 30, 495, 70, 505), (DarkBox{40, 500, 47, 500}));
}

TEST(RenderedLabels, TsplSymbolsLandWhereTheCommandsPutThem) {
  std::vector<Bitmap32> pages = RenderLabel(SourcePath("tests/labels/symbols.tspl"), "tspl");
  ASSERT_EQ(pages.size(), 2u);
  const Bitmap32& page = pages[0];
  EXPECT_EQ(page.width(), 480);  // 60 mm × 8
  EXPECT_EQ(page.height(), 640);
  EXPECT_EQ(pages[1].width(), 406);  // 50.8 mm × 8 = 406.4, truncated
  EXPECT_EQ(pages[1].height(), 203);
  // BAR 10,20,3,2: exactly six dots.
  EXPECT_EQ(DarkBoxIn(page, 0, 0, 100, 30), (DarkBox{10, 20, 12, 21}));
  int dark = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) dark += page.GetPixel(x, y) != kWhite;
  EXPECT_EQ(dark, 6);
  // QRCODE 10,200,L,4: 41 modules of 4 dots.
  EXPECT_EQ(DarkBoxIn(page, 0, 190, 190, 380), (DarkBox{10, 200, 173, 363}));
  // BARCODE ... 80 high: 81 rows from y 40, module 2.
  DarkBox code = DarkBoxIn(page, 0, 30, 390, 180);
  EXPECT_EQ(code.top, 40);
  EXPECT_EQ(code.bottom, 120);
  EXPECT_EQ(code.left, 10);
  // The BAR of 2^31 - 1 by 2^31 - 1 dots from far above the page: clipped, columns 470 on
  // (looked at above and below the turned barcode, which reaches column 480 too).
  EXPECT_EQ(DarkBoxIn(page, 465, 0, 480, 300), (DarkBox{470, 0, 479, 299}));
  EXPECT_EQ(DarkBoxIn(page, 465, 470, 480, 640), (DarkBox{470, 470, 479, 639}));
}

}  // namespace
}  // namespace velin::test
