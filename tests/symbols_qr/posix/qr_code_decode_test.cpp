// Symbols of the TQRCode component read back by zxing-cpp, a decoder of its own.
#include <gtest/gtest.h>

#include <ZXing/ReadBarcode.h>

#include <string>
#include <vector>

#include "qr_code_fixtures.h"

namespace velin::test {
namespace {

// Decodes a region of the picture after adding a white quiet zone.
ZXing::Result DecodeRegion(const Bitmap32& pic, int x, int y, int w, int h) {
  const int q = 8;
  const int side_w = w + 2 * q, side_h = h + 2 * q;
  std::vector<uint8_t> lum(static_cast<size_t>(side_w) * side_h, 0xFF);
  for (int r = 0; r < h; ++r) {
    for (int c = 0; c < w; ++c) {
      lum[static_cast<size_t>(r + q) * side_w + c + q] =
          pic.GetPixel(x + c, y + r) == kBlack ? 0 : 0xFF;
    }
  }
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  return ZXing::ReadBarcode({lum.data(), side_w, side_h, ZXing::ImageFormat::Lum}, hints);
}

TEST(QrCodeDecoding, HandlerSymbolOfTheLongestText) {
  const std::string text = Repeat('7', 100) + "abcdef";  // the most version 6-M holds
  HandlerRun run(text);
  ASSERT_EQ(run.qr.Picture().width(), 41);
  ZXing::Result result = DecodeRegion(run.qr.Picture(), 0, 0, 41, 41);
  ASSERT_TRUE(result.isValid());
  EXPECT_EQ(result.text(), text);
}

TEST(QrCodeDecoding, GridCellsHoldTheStructuredAppendPieces) {
  TQRCode qr;
  SetUpThreeSymbolGrid(qr);
  ASSERT_EQ(qr.Picture().width(), 2 * kGridCell);
  const int cells[3][2] = {{0, 0}, {kGridCell, 0}, {0, kGridCell}};
  for (int k = 0; k < 3; ++k) {
    ZXing::Result r = DecodeRegion(qr.Picture(), cells[k][0], cells[k][1], kGridCell, kGridCell);
    ASSERT_TRUE(r.isValid()) << k;
    EXPECT_EQ(r.text(), kGridPieces[k]);
    EXPECT_EQ(r.sequenceIndex(), k);
    EXPECT_EQ(r.sequenceSize(), 3);
  }
}

TEST(QrCodeDecoding, KanjiSymbolCarriesItsFourBytes) {
  TQRCode qr;
  qr.SetUsejis(true);
  qr.SetCode("\x93\x5F\xE4\xAA");
  ASSERT_EQ(qr.EmodeR(), qr::kKanji);
  ZXing::Result r = DecodeRegion(qr.Picture(), 0, 0, 21, 21);
  ASSERT_TRUE(r.isValid());
  EXPECT_EQ(r.bytes().size(), 4u);
}

}  // namespace
}  // namespace velin::test
