#include "posix/label_decode.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>

namespace velin::test {
namespace {

ZXing::ImageView View(const Bitmap32& page) {
  return {reinterpret_cast<const uint8_t*>(page.Pixels().data()), page.width(), page.height(),
          ZXing::ImageFormat::BGRX};
}

DecodedSymbol Symbol(const ZXing::Result& r) {
  const ZXing::ByteArray& bytes = r.bytes();
  return {ZXing::ToString(r.format()), std::string(bytes.begin(), bytes.end())};
}

// Reads one linear symbol at a time and whitens it before looking for the next: the rows
// the reader saw, widened up and down while those columns hold dark dots.
void DecodeLinear(Bitmap32 page, std::vector<DecodedSymbol>& found) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::Code128);
  hints.setTryRotate(false);
  for (int guard = 0; guard < 32; ++guard) {
    ZXing::Result r = ZXing::ReadBarcode(View(page), hints);
    if (!r.isValid()) return;
    found.push_back(Symbol(r));
    int left = page.width(), right = -1, top = page.height(), bottom = -1;
    for (const ZXing::PointI& p : r.position()) {
      left = std::min(left, p.x), right = std::max(right, p.x);
      top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    }
    auto dark_row = [&](int y) {
      for (int x = std::max(left, 0); x <= std::min(right, page.width() - 1); ++x)
        if (page.GetPixel(x, y) != kWhite) return true;
      return false;
    };
    while (top > 0 && dark_row(top - 1)) --top;
    while (bottom + 1 < page.height() && dark_row(bottom + 1)) ++bottom;
    for (int y = std::max(top, 0); y <= bottom; ++y)
      for (int x = std::max(left, 0); x <= std::min(right, page.width() - 1); ++x)
        page.SetPixel(x, y, kWhite);
  }
}

// The page turned a quarter: column x becomes row x.
Bitmap32 Turned(const Bitmap32& page) {
  Bitmap32 out(page.height(), page.width());
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) out.SetPixel(y, x, page.GetPixel(x, y));
  return out;
}

}  // namespace

std::vector<DecodedSymbol> DecodeAll(const Bitmap32& page) {
  std::vector<DecodedSymbol> found;
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  for (const ZXing::Result& r : ZXing::ReadBarcodes(View(page), hints))
    if (r.isValid()) found.push_back(Symbol(r));
  DecodeLinear(page, found);
  DecodeLinear(Turned(page), found);
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace velin::test
