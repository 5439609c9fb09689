// Codabar: seven elements per character, start A and stop B.
#include <string>

#include "symbols/barcode/symbology.h"

namespace velin::barcode {
namespace {

struct CodabarChar {
  char c;
  const char* widths;  // bar, space, ... bar: 1 narrow, 2 wide
};

constexpr CodabarChar kCodabar[] = {
    {'0', "1111122"},  //  0
    {'1', "1111221"},  //  1
    {'2', "1112112"},  //  2
    {'3', "2211111"},  //  3
    {'4', "1121121"},  //  4
    {'5', "2111121"},  //  5
    {'6', "1211112"},  //  6
    {'7', "1211211"},  //  7
    {'8', "1221111"},  //  8
    {'9', "2112111"},  //  9
    {'-', "1112211"},  // 10
    {'$', "1122111"},  // 11
    {':', "2111212"},  // 12
    {'/', "2121112"},  // 13
    {'.', "2121211"},  // 14
    {'+', "1121212"},  // 15
    {'A', "1122121"},  // 16
    {'B', "1212112"},  // 17
    {'C', "1112122"},  // 18
    {'D', "1112221"},  // 19
};

const char* WidthsOf(char32_t c) {
  for (const CodabarChar& entry : kCodabar) {
    if (static_cast<char32_t>(static_cast<unsigned char>(entry.c)) == c) return entry.widths;
  }
  return nullptr;
}

}  // namespace

// Characters outside the Codabar set are left out.
std::string EncodeCodabar(std::string& text, bool) {
  std::string pattern;
  pattern.reserve((text.size() + 2) * 8);
  AppendWidths(pattern, WidthsOf(U'A'));
  pattern.push_back(SpaceChar(1));
  for (char32_t c : CodePoints(text)) {
    const char* widths = WidthsOf(c);
    if (widths == nullptr) continue;
    AppendWidths(pattern, widths);
    pattern.push_back(SpaceChar(1));
  }
  AppendWidths(pattern, WidthsOf(U'B'));
  return pattern;
}

}  // namespace velin::barcode
