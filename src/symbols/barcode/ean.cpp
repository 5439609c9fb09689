// EAN-8 and EAN-13 (ISO/IEC 15420).
#include <string>
#include <string_view>

#include "symbols/barcode/symbology.h"

namespace velin::barcode {
namespace {

// Set A widths, space first (space, bar, space, bar). Set B is set A reversed; set C (the
// right-hand set) has set A's widths starting with a bar.
constexpr const char* kSetA[10] = {
    "3211",  // 0
    "2221",  // 1
    "2122",  // 2
    "1411",  // 3
    "1132",  // 4
    "1231",  // 5
    "1114",  // 6
    "1312",  // 7
    "1213",  // 8
    "3112",  // 9
};

// EAN-13: sets of digits 2 to 7 chosen by digit 1.
constexpr const char* kParity[10] = {
    "AAAAAA",  // 0
    "AABABB",  // 1
    "AABBAB",  // 2
    "AABBBA",  // 3
    "ABAABB",  // 4
    "ABBAAB",  // 5
    "ABBBAA",  // 6
    "ABABAB",  // 7
    "ABABBA",  // 8
    "ABBABA",  // 9
};

constexpr const char* kSideGuard = "505";
constexpr const char* kCentreGuard = "05050";

void AppendLeft(std::string& pattern, char digit, char set) {
  const char* w = kSetA[digit - '0'];
  if (set == 'A') {
    pattern +=
        {SpaceChar(w[0] - '0'), BarChar(w[1] - '0'), SpaceChar(w[2] - '0'), BarChar(w[3] - '0')};
  } else {
    pattern +=
        {SpaceChar(w[3] - '0'), BarChar(w[2] - '0'), SpaceChar(w[1] - '0'), BarChar(w[0] - '0')};
  }
}

void AppendRight(std::string& pattern, char digit) { AppendWidths(pattern, kSetA[digit - '0']); }

int CheckDigit(std::string_view digits) {
  int sum = 0;
  for (size_t i = 0; i < digits.size(); ++i) {
    int weight = (digits.size() - i) % 2 == 1 ? 3 : 1;
    sum += (digits[i] - '0') * weight;
  }
  return (10 - sum % 10) % 10;
}

// With `checksum`, the text becomes its last `data_digits` digits (zero padded on the left)
// plus the check digit; weights 3, 1, 3, ... from the rightmost data digit. Leading zeros
// beyond that length are dropped, but never another digit. A text that already ends in its
// correct check digit is kept, so building the symbol again (Width, then DrawBarcode) gives
// the same symbol. Returns false, leaving the text as it is, when digits would be lost.
bool AddCheckDigit(std::string& text, size_t data_digits) {
  size_t excess = 0;
  while (text.size() - excess > data_digits && text[excess] == '0') ++excess;
  std::string_view digits = std::string_view(text).substr(excess);
  if (digits.size() == data_digits + 1 &&
      CheckDigit(digits.substr(0, data_digits)) == digits.back() - '0') {
    text = std::string(digits);
    return true;
  }
  if (digits.size() > data_digits) return false;
  std::string full = std::string(data_digits - digits.size(), '0') + std::string(digits);
  full.push_back(static_cast<char>('0' + CheckDigit(full)));
  text = std::move(full);
  return true;
}

}  // namespace

std::string EncodeEan8(std::string& text, bool checksum) {
  if ((checksum && !AddCheckDigit(text, 7)) || text.size() != 8)
    throw EBarcodeError("Invalid Text len (EAN8)");
  std::string pattern = kSideGuard;
  for (int i = 0; i < 4; ++i) AppendLeft(pattern, text[i], 'A');
  pattern += kCentreGuard;
  for (int i = 4; i < 8; ++i) AppendRight(pattern, text[i]);
  pattern += kSideGuard;
  return pattern;
}

std::string EncodeEan13(std::string& text, bool checksum) {
  if ((checksum && !AddCheckDigit(text, 12)) || text.size() != 13)
    throw EBarcodeError("Invalid Text len (EAN13)");
  std::string pattern = kSideGuard;
  const char* parity = kParity[text[0] - '0'];
  for (int i = 1; i < 7; ++i) AppendLeft(pattern, text[i], parity[i - 1]);
  pattern += kCentreGuard;
  for (int i = 7; i < 13; ++i) AppendRight(pattern, text[i]);
  pattern += kSideGuard;
  return pattern;
}

}  // namespace velin::barcode
