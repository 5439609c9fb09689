// POSTNET: five bars per digit, two of them full height, the others short; a full frame
// bar at each end.
#include <string>

#include "symbols/barcode/symbology.h"

namespace velin::barcode {
namespace {

// '1' a full bar, '0' a short bar; weights 7 4 2 1 0.
constexpr const char* kDigitBars[10] = {
    "11000",  // 0
    "00011",  // 1
    "00101",  // 2
    "00110",  // 3
    "01001",  // 4
    "01010",  // 5
    "01100",  // 6
    "10001",  // 7
    "10010",  // 8
    "10100",  // 9
};

}  // namespace

std::string EncodePostNet(std::string& text, bool) {
  std::string pattern = "51";
  pattern.reserve(text.size() * 10 + 3);
  for (char digit : text) {
    for (const char* b = kDigitBars[digit - '0']; *b; ++b) pattern += *b == '1' ? "51" : "A1";
  }
  pattern += "5";
  return pattern;
}

}  // namespace velin::barcode
