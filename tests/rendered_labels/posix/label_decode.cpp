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

// Reads the linear symbols and whitens each before looking for the next: the rows the reader
// saw, widened up and down while those columns hold dark dots. The page is read
// in overlapping bands, since a reader that scans a few rows of a tall page (and may stop at
// a symbol it cannot read) would miss symbols far from them.
void DecodeLinear(Bitmap32 page, std::vector<DecodedSymbol>& found) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::Code39 |
                   ZXing::BarcodeFormat::Code93 | ZXing::BarcodeFormat::EAN13 |
                   ZXing::BarcodeFormat::EAN8 | ZXing::BarcodeFormat::UPCA |
                   ZXing::BarcodeFormat::ITF | ZXing::BarcodeFormat::Codabar);
  hints.setTryRotate(false);
  hints.setTryCode39ExtendedMode(true);
  constexpr int kBand = 96;
  for (int band_top = 0; band_top < page.height(); band_top += kBand / 2) {
    const int band_height = std::min(kBand, page.height() - band_top);
    for (int guard = 0; guard < 32; ++guard) {
      ZXing::ImageView band(reinterpret_cast<const uint8_t*>(page.Row(band_top)), page.width(),
                            band_height, ZXing::ImageFormat::BGRX);
      bool any = false;
      for (const ZXing::Result& r : ZXing::ReadBarcodes(band, hints)) {
        if (!r.isValid()) continue;
        any = true;
        found.push_back(Symbol(r));
        int left = page.width(), right = -1, top = page.height(), bottom = -1;
        for (const ZXing::PointI& p : r.position()) {
          left = std::min(left, p.x), right = std::max(right, p.x);
          top = std::min(top, band_top + p.y), bottom = std::max(bottom, band_top + p.y);
        }
        // Rows of the symbol have dark dots in the middle half of its columns (a frame's
        // edge beside the symbol does not count).
        auto dark_row = [&](int y) {
          const int quarter = (right - left) / 4;
          for (int x = std::max(left + quarter, 0);
               x <= std::min(right - quarter, page.width() - 1); ++x)
            if (page.GetPixel(x, y) != kWhite) return true;
          return false;
        };
        while (top > 0 && dark_row(top - 1)) --top;
        while (bottom + 1 < page.height() && dark_row(bottom + 1)) ++bottom;
        for (int y = std::max(top, 0); y <= bottom; ++y)
          for (int x = std::max(left, 0); x <= std::min(right, page.width() - 1); ++x)
            page.SetPixel(x, y, kWhite);
      }
      if (!any) break;
    }
  }
}

// The page turned a quarter: column x becomes row x.
Bitmap32 Turned(const Bitmap32& page) {
  Bitmap32 out(page.height(), page.width());
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) out.SetPixel(y, x, page.GetPixel(x, y));
  return out;
}

// Reads the QR symbols in rounds, whitening the ones found before the next round: finder
// patterns of neighbouring symbols can pair up wrongly while all of them are on the page.
void DecodeQr(Bitmap32 page, std::vector<DecodedSymbol>& found) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  hints.setTryHarder(true);  // large versions at a few dots per module
  for (int round = 0; round < 16; ++round) {
    std::vector<ZXing::Result> results = ZXing::ReadBarcodes(View(page), hints);
    bool any = false;
    for (const ZXing::Result& r : results) {
      if (!r.isValid()) continue;
      any = true;
      found.push_back(Symbol(r));
      int left = page.width(), right = -1, top = page.height(), bottom = -1;
      for (const ZXing::PointI& p : r.position()) {
        left = std::min(left, p.x), right = std::max(right, p.x);
        top = std::min(top, p.y), bottom = std::max(bottom, p.y);
      }
      for (int y = std::max(top, 0); y <= std::min(bottom, page.height() - 1); ++y)
        for (int x = std::max(left, 0); x <= std::min(right, page.width() - 1); ++x)
          page.SetPixel(x, y, kWhite);
    }
    if (!any) return;
  }
}

}  // namespace

std::vector<DecodedSymbol> DecodeAll(const Bitmap32& label) {
  // The page is printed on office paper: white beyond its edges, where a symbol drawn at the
  // edge finds its quiet zone.
  constexpr int kPaper = 64;
  Bitmap32 page(label.width() + 2 * kPaper, label.height() + 2 * kPaper);
  for (int y = 0; y < label.height(); ++y)
    std::copy(label.Row(y), label.Row(y) + label.width(), page.Row(y + kPaper) + kPaper);
  std::vector<DecodedSymbol> found;
  DecodeQr(page, found);
  DecodeLinear(page, found);
  DecodeLinear(Turned(page), found);
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace velin::test
