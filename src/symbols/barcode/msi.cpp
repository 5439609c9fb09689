// MSI (Modified Plessey): four bits per digit, most significant first, and the modulo 10
// check digit.
#include <string>

#include "symbols/barcode/symbology.h"

namespace velin::barcode {
namespace {

constexpr const char* kZeroBit = "51";  // narrow bar, wide space
constexpr const char* kOneBit = "60";   // wide bar, narrow space

// Every second digit from the right, starting with the rightmost, read as one number and
// doubled; the digit sum of that plus the other digits. Summed digit by digit, so any length
// works: doubling d gives the digits 2d (d < 5) or 1 and 2d - 10 (d >= 5).
int CheckDigit(const std::string& digits) {
  int sum = 0;
  bool doubled = true;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it, doubled = !doubled) {
    int d = *it - '0';
    sum += doubled ? (d < 5 ? 2 * d : 2 * d - 9) : d;
    sum %= 10;
  }
  return (10 - sum % 10) % 10;
}

void AppendDigit(std::string& pattern, int digit) {
  for (int bit = 3; bit >= 0; --bit) pattern += (digit >> bit) & 1 ? kOneBit : kZeroBit;
}

}  // namespace

std::string EncodeMsi(std::string& text, bool) {
  std::string pattern = "60";
  pattern.reserve(text.size() * 8 + 13);
  for (char digit : text) AppendDigit(pattern, digit - '0');
  AppendDigit(pattern, CheckDigit(text));
  pattern += "515";
  return pattern;
}

}  // namespace velin::barcode
