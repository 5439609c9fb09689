// The 2 of 5 family: Interleaved (ISO/IEC 16390), Industrial and Matrix. Each digit is five
// elements, two of them wide.
#include <string>

#include "symbols/barcode/symbology.h"

namespace velin::barcode {
namespace {

// Narrow (N) and wide (W) elements of each digit.
constexpr const char* kDigitFlags[10] = {
    "NNWWN",  // 0
    "WNNNW",  // 1
    "NWNNW",  // 2
    "WWNNN",  // 3
    "NNWNW",  // 4
    "WNWNN",  // 5
    "NWWNN",  // 6
    "NNNWW",  // 7
    "WNNWN",  // 8
    "NWNWN",  // 9
};

char Bar(char flag) { return BarChar(flag == 'W' ? 2 : 1); }
char Space(char flag) { return SpaceChar(flag == 'W' ? 2 : 1); }
const char* FlagsOf(char digit) { return kDigitFlags[digit - '0']; }  // text is digits only

}  // namespace

// Pairs of digits: the first digit's flags are the bars, the second's the spaces. An odd
// count gets a leading zero (as the standard asks), so no digit is lost.
std::string Encode2of5Interleaved(std::string& text, bool) {
  std::string digits = text.size() % 2 != 0 ? "0" + text : text;
  std::string pattern = "5050";
  pattern.reserve(digits.size() * 5 + 7);
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    const char* bars = FlagsOf(digits[i]);
    const char* spaces = FlagsOf(digits[i + 1]);
    for (int e = 0; e < 5; ++e) {
      pattern.push_back(Bar(bars[e]));
      pattern.push_back(Space(spaces[e]));
    }
  }
  pattern += "605";
  return pattern;
}

// Information in the bars only; every space is narrow.
std::string Encode2of5Industrial(std::string& text, bool) {
  std::string pattern = "606050";
  pattern.reserve(text.size() * 10 + 12);
  for (char digit : text) {
    for (const char* f = FlagsOf(digit); *f; ++f) {
      pattern.push_back(Bar(*f));
      pattern.push_back(SpaceChar(1));
    }
  }
  pattern += "605060";
  return pattern;
}

// Three bars and three spaces per digit; the sixth element, a space, is always narrow.
std::string Encode2of5Matrix(std::string& text, bool) {
  std::string pattern = "705050";
  pattern.reserve(text.size() * 6 + 11);
  for (char digit : text) {
    const char* flags = FlagsOf(digit);
    for (int e = 0; e < 5; ++e) pattern.push_back(e % 2 == 0 ? Bar(flags[e]) : Space(flags[e]));
    pattern.push_back(SpaceChar(1));
  }
  pattern += "70505";
  return pattern;
}

}  // namespace velin::barcode
