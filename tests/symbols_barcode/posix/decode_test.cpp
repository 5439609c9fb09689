// Round trips through an independent reader: every symbology that zxing-cpp reads is painted
// at several module widths and at 0, 90, 180 and 270 degrees, and must decode to its data.
#include <gtest/gtest.h>

#include <ReadBarcode.h>

#include <string>
#include <vector>

#include "barcode_test_support.h"
#include "base/bitmap.h"
#include "symbols/barcode/barcode.h"

namespace velin {
namespace {

using T = TBarcodeType;
using ZXing::BarcodeFormat;

// Texts read back from the bitmap (Bitmap32 pixels are B, G, R, X in memory).
// Full ASCII Code 39 is read as such only when asked: plain Code 39 data may hold pairs
// ("$/", a trailing "%") that are no full ASCII pair.
std::vector<std::string> Read(const Bitmap32& bmp, BarcodeFormat format, bool full_ascii) {
  ZXing::ImageView image(reinterpret_cast<const uint8_t*>(bmp.Pixels().data()), bmp.width(),
                         bmp.height(), ZXing::ImageFormat::BGRX);
  ZXing::DecodeHints hints;
  hints.setFormats(format);
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  hints.setTryCode39ExtendedMode(full_ascii);
  std::vector<std::string> texts;
  for (const ZXing::Result& r : ZXing::ReadBarcodes(image, hints)) {
    if (r.isValid()) texts.push_back(r.text());
  }
  return texts;
}

std::string AsciiRange(int first, int last) {
  std::string s;
  for (int c = first; c <= last; ++c) s.push_back(static_cast<char>(c));
  return s;
}

std::string AllPairs() {
  std::string s;
  for (int v = 0; v < 100; ++v) s += std::to_string(v / 10) + std::to_string(v % 10);
  return s;
}

// Code 128 escapes "!064" to "!095": subset A's control characters NUL to US.
std::string ControlEscapes() {
  std::string s = "!103";
  char escape[8];
  for (int v = 64; v <= 95; ++v) {
    std::snprintf(escape, sizeof escape, "!%03d", v);
    s += escape;
  }
  return s;
}

struct Case {
  int line;
  T type;
  std::string text;
  bool checksum;
  BarcodeFormat format;
  std::string expected;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {__LINE__, T::bcCode128A, "HELLO-123 ,_", false, BarcodeFormat::Code128, "HELLO-123 ,_"},
      {__LINE__, T::bcCode128A, AsciiRange(32, 95), false, BarcodeFormat::Code128,
       AsciiRange(32, 95)},  // every subset A character of the table
      {__LINE__, T::bcCode128B, AsciiRange(32, 126), false, BarcodeFormat::Code128,
       AsciiRange(32, 126)},  // every subset B character: values 0 to 94
      {__LINE__, T::bcCode128C, "0123456789", false, BarcodeFormat::Code128, "0123456789"},
      {__LINE__, T::bcCode128C, AllPairs(), false, BarcodeFormat::Code128, AllPairs()},
      {__LINE__, T::bcCode128C, "12345", false, BarcodeFormat::Code128, "123450"},
      {__LINE__, T::bcCode128M, "!103SF!0991234567890", false, BarcodeFormat::Code128,
       "SF1234567890"},
      {__LINE__, T::bcCode128M, "!1031!099234567", false, BarcodeFormat::Code128, "1234567"},
      {__LINE__, T::bcCode128M, "!104abc!0991234!100xyz!101XYZ", false, BarcodeFormat::Code128,
       "abc1234xyzXYZ"},
      {__LINE__, T::bcCode128M, "!103AB!098cD", false, BarcodeFormat::Code128, "ABcD"},
      {__LINE__, T::bcCode128M, ControlEscapes(), false, BarcodeFormat::Code128,
       AsciiRange(0, 31)},  // values 64 to 95 in subset A
      {__LINE__, T::bcCode39, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%", false,
       BarcodeFormat::Code39, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"},
      {__LINE__, T::bcCode39, "CODE 39", true, BarcodeFormat::Code39, "CODE 39R"},
      {__LINE__, T::bcCode39Extended, AsciiRange(1, 63), false, BarcodeFormat::Code39,
       AsciiRange(1, 63)},
      {__LINE__, T::bcCode39Extended, AsciiRange(64, 127), false, BarcodeFormat::Code39,
       AsciiRange(64, 127)},
      {__LINE__, T::bcCode93, "TEST93", false, BarcodeFormat::Code93, "TEST93"},
      {__LINE__, T::bcCode93, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%", false,
       BarcodeFormat::Code93, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"},
      {__LINE__, T::bcCode93Extended, AsciiRange(1, 63), false, BarcodeFormat::Code93,
       AsciiRange(1, 63)},
      {__LINE__, T::bcCode93Extended, AsciiRange(64, 127), false, BarcodeFormat::Code93,
       AsciiRange(64, 127)},
      {__LINE__, T::bcCode_2_5_interleaved, "1234567890", false, BarcodeFormat::ITF, "1234567890"},
      {__LINE__, T::bcCode_2_5_interleaved, "98765", false, BarcodeFormat::ITF, "098765"},
      {__LINE__, T::bcCodeCodabar, "0123456789-$:/.+", false, BarcodeFormat::Codabar,
       "0123456789-$:/.+"},
      {__LINE__, T::bcCodeEAN8, "96385074", false, BarcodeFormat::EAN8, "96385074"},
      {__LINE__, T::bcCodeEAN8, "9638507", true, BarcodeFormat::EAN8, "96385074"},
      {__LINE__, T::bcCodeEAN13, "4006381333931", false, BarcodeFormat::EAN13, "4006381333931"},
      {__LINE__, T::bcCodeEAN13, "590123412345", true, BarcodeFormat::EAN13, "5901234123457"},
  };
  return cases;
}

TEST(DecodeRoundTrip, EveryReadableSymbologyAtEveryAngle) {
  for (const Case& c : Cases()) {
    for (int modul : {1, 2, 3}) {
      for (double angle : {0.0, 90.0, 180.0, 270.0}) {
        TBarcode b;
        b.SetTyp(c.type);
        b.SetText(c.text);
        b.SetChecksum(c.checksum);
        b.SetModul(modul);
        b.SetHeight(30 * modul);
        b.SetAngle(angle);
        Bitmap32 bmp = test::PaintWithQuietZone(b);
        std::vector<std::string> read = Read(bmp, c.format, c.type == T::bcCode39Extended);
        EXPECT_EQ(read, std::vector<std::string>{c.expected})
            << "row at line " << c.line << ", " << b.TypeName() << ", Modul " << modul << ", angle "
            << angle;
      }
    }
  }
}

// A wider ratio is still the same symbol for the two-width symbologies.
TEST(DecodeRoundTrip, TwoWidthSymbologiesAtRatioThree) {
  for (const Case& c : Cases()) {
    if (c.type != T::bcCode39 && c.type != T::bcCode_2_5_interleaved &&
        c.type != T::bcCodeCodabar) {
      continue;
    }
    TBarcode b;
    b.SetTyp(c.type);
    b.SetText(c.text);
    b.SetChecksum(c.checksum);
    b.SetModul(2);
    b.SetRatio(3.0);
    b.SetHeight(60);
    Bitmap32 bmp = test::PaintWithQuietZone(b);
    EXPECT_EQ(Read(bmp, c.format, false), std::vector<std::string>{c.expected})
        << "row at line " << c.line;
  }
}

}  // namespace
}  // namespace velin
