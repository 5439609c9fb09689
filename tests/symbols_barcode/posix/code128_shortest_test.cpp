// The shortest Code 128 symbol of a byte string: every row is painted, read back by zxing-cpp
// byte for byte, and measured against zint's Code 128 of the same bytes (an independent
// encoder that optimises its code sets too), which it must never exceed.
#include <gtest/gtest.h>
#include <zint.h>

#include <ReadBarcode.h>

#include <memory>
#include <string>
#include <vector>

#include "barcode_test_support.h"
#include "symbols/barcode/barcode.h"

namespace velin {
namespace {

// Modules of zint's Code 128 of `data` (raw bytes, no quiet zone); -1 on a zint error.
int ZintModules(const std::string& data) {
  std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> s(ZBarcode_Create(), ZBarcode_Delete);
  s->symbology = BARCODE_CODE128;
  s->input_mode = DATA_MODE;
  int rc = ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(data.data()),
                           static_cast<int>(data.size()));
  return rc >= ZINT_ERROR ? -1 : s->width;
}

// The symbol's content bytes as zxing-cpp reads them; empty when it reads nothing.
std::string ReadBytes(const Bitmap32& bmp) {
  ZXing::ImageView image(reinterpret_cast<const uint8_t*>(bmp.Pixels().data()), bmp.width(),
                         bmp.height(), ZXing::ImageFormat::BGRX);
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::Code128);
  hints.setTryHarder(true);
  ZXing::Result r = ZXing::ReadBarcode(image, hints);
  if (!r.isValid()) return "<nothing read>";
  return std::string(r.bytes().begin(), r.bytes().end());
}

struct Row {
  int line;
  std::string data;
  int values;  // start and data values the shortest symbol needs (no check, no stop)
};

TEST(Code128Shortest, EveryRowDecodesToItsBytesAndIsNoWiderThanZints) {
  const std::string digits30 = "123456789012345678901234567890";
  const Row rows[] = {
      {__LINE__, "AB CD", 6},          // Start B, five characters
      {__LINE__, "AB/CD", 6},          //
      {__LINE__, "AB.CD", 6},          //
      {__LINE__, "a-b", 4},            //
      {__LINE__, "altospos.com", 13},  //
      {__LINE__, "hello world", 12},   //
      {__LINE__, "12345678", 5},       // Start C, four pairs
      {__LINE__, "1234567", 6},        // Start C, three pairs, Code B, 7 (or the mirror image)
      {__LINE__, "ab" + digits30 + "cd", 1 + 2 + 1 + 15 + 1 + 2},  // B, Code C, Code B
      {__LINE__, "SF" + digits30 + "-X", 1 + 2 + 1 + 15 + 1 + 2},  //
      {__LINE__, "A1B2C3", 7},                                     // short digit runs stay in B
      {__LINE__, "x12y", 5},                                       // two digits are no gain
      {__LINE__, "x1234y", 7},                        // four tie with B: no change of set
      {__LINE__, "\t", 2},                            // a control character: Start A, HT
      {__LINE__, "A\tB\rC\n", 7},                     // controls among capitals: all in A
      {__LINE__, "ab\tcd", 7},                        // one control amid lower case: B with a shift
      {__LINE__, "\x01\x02z\x03\x04", 7},             // lower case amid controls: A with a shift
      {__LINE__, std::string("\0\x1F", 2) + "0", 4},  // NUL, US, 0
      {__LINE__, "\xCB\xB3\xB7\xE1", 7},  // 顺丰 in GBK: FNC4 twice latches bytes 128 up
      {__LINE__, "\xCB", 3},              // one byte: FNC4 before it
      {__LINE__,
       "SF\xCB\xB3\xB7\xE1"
       "12345678",
       1 + 2 + 2 + 4 + 1 + 4},
      {__LINE__,
       "\xD6\xD0"
       "a"
       "\xCE\xC4",
       1 + 2 + 2 + 2 + 2},                                    // a plain letter inside: FNC4
      {__LINE__, "\xE1\xE2\x81\xE3\xE4", 1 + 2 + 2 + 2 + 2},  // a high control: Shift
      {__LINE__, "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~", 33},   // every punctuation mark
      {__LINE__, "", 1},                                      // Start B alone
  };
  for (const Row& r : rows) {
    std::vector<int> values = Code128ShortestValues(r.data);
    const std::string where = "row at line " + std::to_string(r.line);
    EXPECT_LE(static_cast<int>(values.size()), r.values) << where;
    TBarcode barcode;
    barcode.SetTyp(TBarcodeType::bcCode128M);
    barcode.SetText(Code128ValuesText(values));
    barcode.SetModul(2);
    barcode.SetHeight(40);
    Bitmap32 painted = test::PaintWithQuietZone(barcode);
    if (!r.data.empty()) {
      EXPECT_EQ(ReadBytes(painted), r.data) << where;
    }
    // Every value is 11 modules, the stop 13: start + data + check + stop.
    const int ours = static_cast<int>(values.size() + 1) * 11 + 13;
    EXPECT_EQ(barcode.Width(), 2 * ours) << where;
    const int zints = ZintModules(r.data);
    if (zints > 0) {
      EXPECT_LE(ours, zints) << where;
    }
  }
}

}  // namespace
}  // namespace velin
