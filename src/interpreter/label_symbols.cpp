#include "interpreter/label_symbols.h"

#include <mutex>

#include "base/regex.h"
#include "interpreter/drawing.h"
#include "interpreter/parsing.h"
#include "symbols/qr/qr_code.h"

namespace velin {

Code128Choice ChooseCode128(const std::string& data) {
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
  } else if (starts_with_letter.Matches(data)) {
    std::string letters, digits;
    SplitLettersDigits(data, letters, digits);
    choice.type = TBarcodeType::bcCode128M;
    choice.text = "!103" + letters + "!099" + digits;
  } else {
    choice.type = TBarcodeType::bcCode128A;
    choice.text = data;
  }
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

bool DrawQrSymbol(PageImage& page, const std::string& code, int x, int y, int factor) {
  TQRCode qr(nullptr);
  qr.SetEclevel(1);  // M
  qr.SetPxmag(1);
  qr.SetVersion(6);  // 41 × 41 modules
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
