// The sample waybills and test labels rendered by velin-cli render, read by an independent
// decoder, which must find every barcode and QR symbol with the data the label carried. (The
// Windows build writes its pages for the same check: win32/pages_for_decoding_test.cpp.)
#include <gtest/gtest.h>

#include <fstream>

#include "label_support.h"
#include "posix/label_decode.h"
#include "support/test_paths.h"

namespace velin::test {
namespace {

TEST(RenderedLabels, EveryBarcodeAndQrSymbolDecodesToTheLabelsData) {
  for (const LabelSymbols& c : LabelsWithSymbols()) {
    std::vector<Bitmap32> pages = RenderLabel(SourcePath(c.label), c.mode, c.dialect);
    ASSERT_FALSE(pages.empty()) << c.label;
    EXPECT_EQ(DecodeAll(pages[0]), c.symbols) << c.label << " (row at line " << c.line << ")";
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
