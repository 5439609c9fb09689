// Whole labels rendered by velin-cli render: the text-free test labels against their golden
// pages, dot for dot, and the sample waybills through an independent reader, which must find
// every barcode and QR symbol with the data the label carried.
//
// VELIN_UPDATE_GOLDEN=1 rewrites the golden PNGs from what is rendered now; review the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

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

std::vector<DecodedSymbol> Sorted(std::vector<DecodedSymbol> symbols) {
  std::sort(symbols.begin(), symbols.end());
  return symbols;
}

struct LabelCase {
  int line;
  const char* label;
  const char* mode;
  std::vector<DecodedSymbol> symbols;  // what a scanner reads on the first page
  const char* dialect = "";
};

const std::string kParcelUrl = "https://velin.example/t/SF1234567890cn?lang=zh&ref=a-b";

TEST(RenderedLabels, EveryBarcodeAndQrSymbolDecodesToTheLabelsData) {
  const LabelCase cases[] = {
      {__LINE__,
       "examples/waybill-full.cpcl",
       "cpcl",
       {{"Code128", "73510170295253"},
        {"Code128", "73510170295253"},  // the vertical one
        {"Code128", "SF1234567890"},
        {"QRCode", "WB20231019001"}}},
      {__LINE__,
       "examples/waybill.tspl",
       "tspl",
       {{"Code128", "SF1234567890"},
        {"Code128", "73510170295253"},
        {"QRCode", "https://velin.example/t/SF1234567890"},
        {"QRCode", "\xCB\xB3\xB7\xE1 SF1234567890"}}},  // 顺丰 in GBK, as the line carried it
      {__LINE__,
       "tests/labels/symbols.cpcl",
       "cpcl",
       {{"Code128", "73510170295253"},
        {"Code128", "73510170295253"},
        {"Code128", "AB12CD"},  // letters after the digit run are encoded too
        {"Code128", "#12"},
        {"Code128", "1234567"},  // odd digits: start A, one digit, then code C
        {"QRCode", "WB20231019001"},
        {"QRCode", "caf\xA8\xA6"}}},  // byte E9 is Latin-1 e acute, GBK A8 A6
      {__LINE__,
       "tests/labels/symbols.tspl",
       "tspl",
       {{"Code128", "SF1234567890"},
        {"Code128", "12345678"},
        {"QRCode", "ABC"},
        {"QRCode", "\xD6\xD0\xCE\xC4 GBK"}}},  // 中文 in GBK
      // The printer dialect's labels: every symbology by its own name.
      {__LINE__,
       "tests/labels/printer.cpcl",
       "cpcl",
       {{"Code128", "Code-128 mixed ab12cd"},
        {"QRCode", "centred QR level L"},
        {"Code39", "CODE-39"},
        {"Code39", "C39-CHECK6"},  // the check character is read as data
        {"Code39", "Full 39"},
        {"Code93", "CODE93"},
        {"ITF", "01234567"},  // an odd count gets a leading zero
        {"EAN-13", "4006381333931"},
        {"EAN-8", "96385074"},
        {"UPC-A", "036000291452"},
        {"Codabar", "40156"},  // start and stop A, B are no data
        {"Code128", "0101234567890128"},
        {"Code128", "01234565"},  // UPCE: drawn as Code 128
        {"Code128", "VERTICAL-1"},
        {"QRCode", "level H mask 4"},
        {"QRCode",
         "0123456789HELLO WORLDa,b\xFF"
         "c"},                                          // manual segments
        {"QRCode", "millimetres and OFFICE"},           // OFF ends no block
        {"QRCode", "UTF-8 \xE9\xA1\xBA\xE4\xB8\xB0"}},  // the bytes as received
       "printer"},
      {__LINE__,
       "tests/labels/printer.tspl",
       "tspl",
       {{"Code128", "Code128 ab-12"},
        {"Code128", "0101234567890128"},
        {"Code39", "TSPL-39S"},
        {"Code39", "full 39"},
        {"Code93", "CODE 93"},
        {"ITF", "12345670"},
        {"EAN-13", "5901234123457"},
        {"EAN-8", "55123457"},
        {"UPC-A", "042100005264"},
        {"Codabar", "1234"},
        {"Code128", "TURNED"},
        {"Code128", "R180"},
        {"Code128", "1234"},  // PLESSEY: drawn as Code 128
        {"QRCode", "level Q"},
        {"QRCode", "turned 90"},
        {"QRCode", "ABC123a,bx"},
        {"QRCode", "turned 270"},
        {"QRCode", "UTF-8 \xE9\xA1\xBA\xE4\xB8\xB0"}},
       "printer"},
      {__LINE__,
       "examples/parcel-printer.cpcl",
       "cpcl",
       {{"Code128", "SF1234567890cn"}, {"Code39", "ABC-123"}, {"QRCode", kParcelUrl}},
       "printer"},
      {__LINE__,
       "examples/parcel-printer.tspl",
       "tspl",
       {{"Code128", "SF1234567890cn"},
        {"EAN-13", "4006381333931"},
        {"Code39", "TSPL-39"},
        {"QRCode", kParcelUrl},
        {"QRCode", "ROTATED 90"}},
       "printer"},
      // The same parcel labels in the default dialect: every symbol is Code 128 or a version
      // 6 QR code, and still carries the label's data.
      {__LINE__,
       "examples/parcel-printer.cpcl",
       "cpcl",
       {{"Code128", "SF1234567890cn"}, {"Code128", "ABC-123"}, {"QRCode", kParcelUrl}},
       "default"},
      {__LINE__,
       "examples/parcel-printer.tspl",
       "tspl",
       {{"Code128", "SF1234567890cn"},
        {"Code128", "400638133393"},
        {"Code128", "TSPL-39"},
        {"QRCode", "ROTATED 90"}},
       "default"},
  };
  for (const LabelCase& c : cases) {
    std::vector<Bitmap32> pages = RenderLabel(SourcePath(c.label), c.mode, c.dialect);
    ASSERT_FALSE(pages.empty()) << c.label;
    EXPECT_EQ(DecodeAll(pages[0]), Sorted(c.symbols))
        << c.label << " (row at line " << c.line << ")";
  }
}

// QR payloads across the version 6-M boundary up to version 40, one page each: the default
// dialect at level M, the printer dialect at the label's level; a payload no version holds
// is reported.
TEST(RenderedLabels, QrPayloadsOfEverySizeUpToVersion40DecodeToTheirData) {
  auto payload = [](size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += "0123456789abcdefghijklmnopqrstuvwxyz-./"[i % 39];
    return text;
  };
  struct Row {
    int line;
    const char* dialect;
    char level;
    size_t length;
    bool fits;
  };
  const Row rows[] = {
      {__LINE__, "default", 'L', 106, true},   // 6-M, whatever level the label asks
      {__LINE__, "default", 'L', 107, true},   // 7-M
      {__LINE__, "default", 'H', 1000, true},  // 27-M
      {__LINE__, "default", 'M', 2331, true},  // 40-M
      {__LINE__, "default", 'M', 2332, false}, {__LINE__, "printer", 'L', 17, true},  // 1-L
      {__LINE__, "printer", 'L', 2953, true},                                         // 40-L
      {__LINE__, "printer", 'H', 1273, true},                                         // 40-H
      {__LINE__, "printer", 'H', 1274, false},
  };
  for (const Row& r : rows) {
    const std::string where = "row at line " + std::to_string(r.line);
    const std::string data = payload(r.length);
    // Beside the scratch folders, which RenderLabel empties.
    const std::string label =
        std::string(VELIN_BINARY_DIR) + "/scratch/qr-" + std::to_string(r.line) + ".tspl";
    std::ofstream(label, std::ios::binary) << "SIZE 72 mm,72 mm\r\nCLS\r\nQRCODE 10,10," << r.level
                                           << ",3,A,0,\"" << data << "\"\r\nPRINT 1\r\n";
    std::string report;
    std::vector<Bitmap32> pages = RenderLabel(label, "tspl", r.dialect, &report);
    ASSERT_EQ(pages.size(), 1u) << where;
    if (r.fits) {
      std::vector<DecodedSymbol> found = DecodeAll(pages[0]);
      ASSERT_EQ(found.size(), 1u) << where;
      EXPECT_EQ(found[0].format, "QRCode") << where;
      EXPECT_TRUE(found[0].bytes == data)
          << where << ": " << found[0].bytes.size() << " bytes read";
      EXPECT_EQ(report, "") << where;
    } else {
      EXPECT_EQ(report, "failed: CMD_TSPL_QRCODE x1 (QR data of " + std::to_string(r.length) +
                            " bytes fits no symbol)\n")
          << where;
    }
  }
}

}  // namespace
}  // namespace velin::test
