// The symbology encoders behind TBarcode: one function per symbology, each turning the text
// into a pattern string (alphabet in barcode.h). Internal to velin_barcode.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "symbols/barcode/barcode.h"

namespace velin::barcode {

// The class name that the error texts carry.
inline constexpr const char* kClassName = "TBarcode";

// An encoder reads `text` (UTF-8) and returns the pattern. It may rewrite `text` where the
// symbology says so (padding, check digit). Errors throw EBarcodeError.
using EncodeFn = std::string (*)(std::string& text, bool checksum);

// Ratio limits applied before the widths are computed; {0, 0} keeps the ratio as it is.
struct RatioLimits {
  double low = 0;
  double high = 0;
};

struct Symbology {
  const char* display_name;
  bool digits_only;
  RatioLimits ratio;
  EncodeFn encode;
};

// The table indexed by TBarcodeType.
const Symbology& SymbologyOf(TBarcodeType type);

// The code points of a UTF-8 text; a malformed byte becomes U+FFFD.
std::u32string CodePoints(std::string_view text);

// Pattern character for an element of `units` width units (1 to 4).
constexpr char BarChar(int units) { return static_cast<char>('4' + units); }
constexpr char SpaceChar(int units) { return static_cast<char>('0' + units - 1); }

// Appends the pattern of a bar-space width sequence (first element a bar).
void AppendWidths(std::string& pattern, std::string_view widths);

std::string Encode2of5Interleaved(std::string& text, bool checksum);
std::string Encode2of5Industrial(std::string& text, bool checksum);
std::string Encode2of5Matrix(std::string& text, bool checksum);
std::string EncodeCode39(std::string& text, bool checksum);
std::string EncodeCode39Extended(std::string& text, bool checksum);
std::string EncodeCode128A(std::string& text, bool checksum);
std::string EncodeCode128B(std::string& text, bool checksum);
std::string EncodeCode128C(std::string& text, bool checksum);
std::string EncodeCode128M(std::string& text, bool checksum);
std::string EncodeCode93(std::string& text, bool checksum);
std::string EncodeCode93Extended(std::string& text, bool checksum);
std::string EncodeMsi(std::string& text, bool checksum);
std::string EncodePostNet(std::string& text, bool checksum);
std::string EncodeCodabar(std::string& text, bool checksum);
std::string EncodeEan8(std::string& text, bool checksum);
std::string EncodeEan13(std::string& text, bool checksum);

// The Code 39 full ASCII sequence of an ASCII character (0 to 127): one or two Code 39
// characters, the first of a pair being one of the shifts '$', '%', '/', '+'.
std::string_view FullAsciiSequence(char32_t c);

}  // namespace velin::barcode
