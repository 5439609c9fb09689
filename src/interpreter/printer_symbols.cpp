// Barcodes and QR symbols as the printer dialect draws them (declared in label_symbols.h).
#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>

#include "base/strings.h"
#include "interpreter/label_symbols.h"
#include "symbols/qr/qr_code.h"
#include "symbols/qr/qr_tables.h"

namespace velin {
namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The modulo 10 check digit of Interleaved 2 of 5 and ITF-14: weights 3 and 1 from the right.
char Mod10Weighted(const std::string& digits) {
  int sum = 0, weight = 3;
  for (size_t i = digits.size(); i-- > 0; weight = 4 - weight) sum += (digits[i] - '0') * weight;
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// The EAN/UPC check digit: weights 3 and 1 from the right.
char EanCheckDigit(const std::string& digits) { return Mod10Weighted(digits); }

void Shortest128(const std::string& bytes, bool fnc1, PrinterBarcode& out) {
  std::vector<int> values = Code128ShortestValues(bytes);
  if (fnc1) values.insert(values.begin() + 1, 102);
  out.type = TBarcodeType::bcCode128M;
  out.text = Code128ValuesText(values);
  out.ratio = 2.0;
}

}  // namespace

bool PrinterSymbology(std::string_view type_name, bool tspl, const std::string& data,
                      const std::string& bytes, double ratio, PrinterBarcode& out) {
  using T = TBarcodeType;
  const std::string name = Upper(type_name);
  out = PrinterBarcode{};
  out.readable = data;
  out.ratio = ratio;
  auto fixed_ratio = [&](T type, std::string text, bool checksum = false) {
    out.type = type;
    out.text = std::move(text);
    out.checksum = checksum;
    out.ratio = 2.0;
    return true;
  };
  auto own_ratio = [&](T type, std::string text, bool checksum = false) {
    out.type = type;
    out.text = std::move(text);
    out.checksum = checksum;
    return true;
  };
  if (name == "128" || name == "CODE128") {
    Shortest128(bytes, false, out);
    return true;
  }
  if (name == "UCCEAN128" || name == "EAN128") {
    Shortest128(bytes, true, out);
    return true;
  }
  if (name == "128M") {
    // Values as "!nnn"; characters between them in the set in force, Start B if none given.
    std::string text = data.rfind("!10", 0) == 0 ? data : "!104" + data;
    return fixed_ratio(T::bcCode128M, text);
  }
  if (name == "39" && tspl) return own_ratio(T::bcCode39Extended, data);
  if (name == "39C" && tspl) return own_ratio(T::bcCode39Extended, data, true);
  if (name == "39" || name == "39S") return own_ratio(T::bcCode39, data);
  if (name == "39C") return own_ratio(T::bcCode39, data, true);
  if (name == "F39") return own_ratio(T::bcCode39Extended, data);
  if (name == "F39C") return own_ratio(T::bcCode39Extended, data, true);
  if (name == "93") return fixed_ratio(T::bcCode93Extended, data);
  if (AllDigits(data)) {
    if (name == "I2OF5" || name == "25" || name == "I2OF5C" || name == "25C" || name == "ITF14") {
      std::string digits = data;
      const bool check = name == "I2OF5C" || name == "25C" || name == "ITF14";
      if (name == "ITF14" && digits.size() == 13)
        digits += Mod10Weighted(digits);
      else if (check)
        digits += Mod10Weighted(digits);
      // Pairs of digits: an odd count gets a leading zero, as printers add it.
      if (digits.size() % 2 != 0) digits.insert(digits.begin(), '0');
      return own_ratio(T::bcCode_2_5_interleaved, digits);
    }
    // EAN and UPC: the check digit added where the data lacks it, and printed too.
    if (name == "EAN13" && (data.size() == 12 || data.size() == 13)) {
      out.readable = data.size() == 12 ? data + EanCheckDigit(data) : data;
      return fixed_ratio(T::bcCodeEAN13, out.readable);
    }
    if (name == "EAN8" && (data.size() == 7 || data.size() == 8)) {
      out.readable = data.size() == 7 ? data + EanCheckDigit(data) : data;
      return fixed_ratio(T::bcCodeEAN8, out.readable);
    }
    if (name == "UPCA" && (data.size() == 11 || data.size() == 12)) {
      out.readable = data.size() == 11 ? data + EanCheckDigit(data) : data;
      return fixed_ratio(T::bcCodeEAN13, "0" + out.readable);
    }
    if (name == "MSI" || name == "MSI10" || name == "MSIC") return own_ratio(T::bcCodeMSI, data);
    if (name == "POSTNET" || name == "POST") return fixed_ratio(T::bcCodePostNet, data);
  }
  if (name == "CODABAR" || name == "CODA") {
    // The encoder writes its own start and stop characters.
    std::string text = data;
    auto guard = [](char c) { return c >= 'A' && c <= 'D'; };
    if (text.size() >= 2 && guard(text.front()) && guard(text.back()))
      text = text.substr(1, text.size() - 2);
    return own_ratio(T::bcCodeCodabar, text);
  }
  Shortest128(bytes, false, out);
  return false;
}

namespace {

void Configure(TBarcode& barcode, const PrinterBarcode& symbol, int narrow) {
  barcode.SetModul(narrow);
  barcode.SetText(symbol.text);
  barcode.SetTyp(symbol.type);
  barcode.SetRatio(symbol.ratio);
  barcode.SetChecksum(symbol.checksum);
}

}  // namespace

int PrinterBarcodeWidth(const PrinterBarcode& symbol, int narrow) {
  TBarcode barcode;
  Configure(barcode, symbol, narrow);
  return barcode.Width();
}

void DrawPrinterBarcode(PageImage& page, const PrinterBarcode& symbol, int x, int y, int narrow,
                        int height, int angle) {
  TBarcode barcode;
  Configure(barcode, symbol, narrow);
  barcode.SetTop(y);
  barcode.SetLeft(x);
  barcode.SetHeight(height > 0 ? height - 1 : 0);  // the painter adds one row
  barcode.SetAngle(angle);
  std::lock_guard<std::mutex> hold(page.lock());
  barcode.DrawBarcode(page.canvas());
}

int PrinterQrSide(const PrinterQr& qr) {
  const int version = SmallestQrVersion(qr.bytes.size(), qr.eclevel);
  if (version == 0) return 0;
  return (17 + 4 * version) * qr.module;
}

bool DrawPrinterQr(PageImage& page, const PrinterQr& qr, int x, int y, int rotation) {
  const int version = SmallestQrVersion(qr.bytes.size(), qr.eclevel);
  if (version == 0 || qr.module <= 0) return false;
  TQRCode symbol(nullptr);
  symbol.SetPicWidth(qr::kMaxModules);
  symbol.SetPicHeight(qr::kMaxModules);
  symbol.SetEclevel(qr.eclevel);
  symbol.SetPxmag(1);
  symbol.SetVersion(version);
  symbol.SetMasktype(qr.mask);
  symbol.SetMatch(true);
  symbol.SetUsejis(false);
  symbol.SetCode(qr.bytes);
  symbol.SetBackColor(kWhite);
  symbol.SetSymbolColor(kBlack);
  symbol.SetAngle(0);
  if (!symbol.SymbolDisped()) return false;
  const Bitmap32& picture = symbol.Picture();
  const int n = 17 + 4 * version;
  const int quarter = ((rotation % 360 + 360) % 360 + 45) / 90 % 4;
  std::lock_guard<std::mutex> hold(page.lock());
  Bitmap32& out = page.bitmap();
  const int64_t m = qr.module;
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      // Module (r, c) of the upright symbol lands at (row, col) of the turned one (clockwise).
      int row = r, col = c;
      switch (quarter) {
        case 1:
          row = c, col = n - 1 - r;
          break;
        case 2:
          row = n - 1 - r, col = n - 1 - c;
          break;
        case 3:
          row = n - 1 - c, col = r;
          break;
        default:
          break;
      }
      const uint32_t dot = picture.Contains(c, r) ? picture.Row(r)[c] : ToPixel(kWhite);
      const int64_t left = x + col * m, top = y + row * m;
      for (int64_t ty = std::max<int64_t>(top, 0); ty < std::min<int64_t>(top + m, out.height());
           ++ty) {
        uint32_t* line = out.Row(static_cast<int>(ty));
        for (int64_t tx = std::max<int64_t>(left, 0); tx < std::min<int64_t>(left + m, out.width());
             ++tx)
          line[tx] = dot;
      }
    }
  }
  return true;
}

}  // namespace velin
