#include "interpreter/label_symbols.h"

#include <algorithm>
#include <mutex>

#include "base/ansi_codec.h"
#include "base/regex.h"
#include "interpreter/drawing.h"
#include "interpreter/parsing.h"
#include "symbols/qr/qr_code.h"
#include "symbols/qr/qr_tables.h"

namespace velin {

namespace {

bool AllInSubsetA(const std::string& data) {
  for (char c : data)
    if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 95) return false;
  return true;
}

bool AllCapitals(const std::string& letters) {
  for (char c : letters)
    if (!(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9')) return false;
  return true;
}

}  // namespace

Code128Choice ChooseCode128(const std::string& data) { return ChooseCode128(data, ""); }

Code128Choice ChooseCode128(const std::string& data, const std::string& bytes) {
  // The letter test SplitLettersDigits makes: a Unicode letter, not only ASCII.
  static const Regex starts_with_letter("^\\p{L}");
  Code128Choice choice;
  if (IsDigitsOnly(data)) {
    if (data.size() % 2 == 0) {
      choice.type = TBarcodeType::bcCode128C;
      choice.text = data;
    } else {
      // Start A, the first digit in subset A, then Code C for the even rest.
      choice.type = TBarcodeType::bcCode128M;
      choice.text = "!103" + data.substr(0, 1) + "!099" + data.substr(1);
    }
    return choice;
  }
  if (starts_with_letter.Matches(data)) {
    std::string letters, digits;
    SplitLettersDigits(data, letters, digits);
    // Capitals (and a moved first digit) are subset A characters; nothing may follow.
    if (letters.size() + digits.size() == data.size() && AllCapitals(letters)) {
      choice.type = TBarcodeType::bcCode128M;
      choice.text = "!103" + letters + "!099" + digits;
      return choice;
    }
  } else if (AllInSubsetA(data)) {
    choice.type = TBarcodeType::bcCode128A;
    choice.text = data;
    return choice;
  }
  choice.type = TBarcodeType::bcCode128M;
  choice.text = Code128ValuesText(Code128ShortestValues(bytes.empty() ? Utf8ToAnsi(data) : bytes));
  return choice;
}

void DrawCode128(PageImage& page, const Code128Choice& symbol, int x, int y, int modul, int height,
                 int angle) {
  TBarcode barcode;
  barcode.SetTop(y);
  barcode.SetLeft(x);
  barcode.SetModul(modul);
  barcode.SetText(symbol.text);
  barcode.SetTyp(symbol.type);
  barcode.SetHeight(height);
  barcode.SetRatio(2.0);
  barcode.SetAngle(angle);
  std::lock_guard<std::mutex> hold(page.lock());
  barcode.DrawBarcode(page.canvas());
}

int SmallestQrVersion(size_t length, int eclevel) {
  struct Table {
    Table() { qr::InitVersionTable(versions); }
    qr::VersionTable versions;
  };
  static const Table table;
  if (eclevel < 0 || eclevel > 3) return 0;
  for (int v = qr::kMinVersion; v <= qr::kMaxVersion; ++v)
    if (length <= static_cast<size_t>(table.versions[v].level[eclevel].capacity[qr::kByte]))
      return v;
  return 0;
}

int LabelQrVersion(size_t length) {
  const int smallest = SmallestQrVersion(length, qr::kLevelM);
  return smallest == 0 ? 0 : std::max(smallest, 6);
}

bool DrawQrSymbol(PageImage& page, const std::string& code, int x, int y, int factor) {
  const int version = LabelQrVersion(code.size());
  TQRCode qr(nullptr);
  if (version > 6) {
    // The picture may grow to the whole symbol (it is shrunk to 105 × 105 dots otherwise).
    qr.SetPicWidth(qr::kMaxModules);
    qr.SetPicHeight(qr::kMaxModules);
  }
  qr.SetEclevel(1);  // M
  qr.SetPxmag(1);
  qr.SetVersion(version == 0 ? 6 : version);
  qr.SetSymbolPicture(picBMP);
  qr.SetMatch(true);
  qr.SetUsejis(false);
  qr.SetCode(code);
  qr.SetBackColor(kWhite);
  qr.SetSymbolColor(kBlack);
  qr.SetAngle(0);
  std::lock_guard<std::mutex> hold(page.lock());
  ScaleCanvasContent(qr.GetCanvas(), page.canvas(), x, y, qr.SymbolWidth(), qr.SymbolHeight(),
                     factor);
  return qr.SymbolDisped();
}

}  // namespace velin
