// TBarcode: turns a text into a linear barcode and paints it on a canvas at any angle.
//
// Encoding and painting meet in the pattern string: one character per element, left to right.
//   "0".."3"  space, width modules[0..3], colour Color
//   "5".."8"  bar, width modules[0..3], full height, colour ColorBar
//   "A".."D"  short bar, width modules[0..3], height Height * 2 / 5, colour ColorBar
// Each symbology only produces pattern strings; PaintBars draws any of them.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/bitmap.h"

namespace velin {

class Canvas;

enum class TBarcodeType : uint8_t {
  bcCode_2_5_interleaved = 0,
  bcCode_2_5_industrial = 1,
  bcCode_2_5_matrix = 2,
  bcCode39 = 3,
  bcCode39Extended = 4,
  bcCode128A = 5,
  bcCode128B = 6,
  bcCode128C = 7,
  bcCode93 = 8,
  bcCode93Extended = 9,
  bcCodeMSI = 10,
  bcCodePostNet = 11,
  bcCodeCodabar = 12,
  bcCodeEAN8 = 13,
  bcCodeEAN13 = 14,
  bcCode128M = 15,
};
inline constexpr int kBarcodeTypeCount = 16;

// The encoder's failure; what() is the user-visible text ("Barcode must be numeric", ...).
class EBarcodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Turns bar-space width digits as the standards print them ("211412": bar 2, space 1, ...)
// into pattern characters: a bar of d units becomes '4' + d, a space '0' + d - 1. Digits must
// be 1 to 4; the first is a bar.
std::string WidthsToPattern(std::string_view widths);

// The symbol values of the shortest Code 128 symbol that carries `data` byte for byte: the
// start value, then the data values (code set changes, shifts and FNC4 included); no check
// value and no stop. Code set A serves control characters, B the rest of ASCII, C digit pairs;
// bytes from 128 up are the byte less 128 after FNC4, or after FNC4 twice, which latches
// them for the bytes that follow (ISO/IEC 15417). Ties keep the
// code set in force, and the start is B unless another set is shorter. Empty data gives
// Start B alone.
std::vector<int> Code128ShortestValues(std::string_view data);

// Symbol values as the text of a bcCode128M symbol: each value as "!" and three digits.
std::string Code128ValuesText(const std::vector<int>& values);

// Contract: one object per symbol, used by one thread. Setting a property only stores it;
// BuildPattern, Width and DrawBarcode do the work and may throw EBarcodeError. Any text (any
// length, any bytes) is safe: nothing crashes, and memory stays proportional to the text.
class TBarcode {
 public:
  TBarcode() = default;

  int Height() const { return FHeight; }
  void SetHeight(int value) { FHeight = value; }
  // UTF-8 text; the encoders read it character by character (code points).
  const std::string& Text() const { return FText; }
  void SetText(std::string value) { FText = std::move(value); }
  int Top() const { return FTop; }
  void SetTop(int value) { FTop = value; }
  int Left() const { return FLeft; }
  void SetLeft(int value) { FLeft = value; }
  // Narrow element width in dots, 1 to 49; any other value is ignored.
  int Modul() const { return FModul; }
  void SetModul(int value) {
    if (value >= 1 && value <= 49) FModul = value;
  }
  double Ratio() const { return FRatio; }
  void SetRatio(double value) { FRatio = value; }
  TBarcodeType Typ() const { return FTyp; }
  void SetTyp(TBarcodeType value) { FTyp = value; }
  bool Checksum() const { return FCheckSum; }
  void SetChecksum(bool value) { FCheckSum = value; }
  bool ShowText() const { return FShowText; }
  void SetShowText(bool value) { FShowText = value; }
  // Degrees, counter-clockwise; a value that is not finite paints as 0.
  double Angle() const { return FAngle; }
  void SetAngle(double value) { FAngle = value; }
  // Colour of spaces and of bars (0x00BBGGRR). Written velin::Color inside the class, where
  // the property Color hides the type.
  velin::Color Color() const { return FColor; }
  void SetColor(velin::Color value) { FColor = value; }
  velin::Color ColorBar() const { return FColorBar; }
  void SetColorBar(velin::Color value) { FColorBar = value; }

  // Total width of the symbol in dots (builds the pattern; throws as BuildPattern does).
  // Saturates at INT32_MAX.
  int Width();
  // Display name of Typ ("Code128A", "EAN13", ...); empty for a value outside the enum.
  std::string TypeName() const;

  // Text -> pattern string. Limits Ratio for the symbologies that need it, trims and checks
  // the text of the digits-only ones, and may change Text (Code 128C padding, EAN check digit).
  std::string BuildPattern();

  // Sets the element widths for width units 1 to 4 from Modul and Ratio. Each width is kept
  // within 1 to 127 dots (signed 8 bits, never wrapping).
  void ComputeModuleWidths();
  const std::array<int8_t, 4>& ModuleWidths() const { return modules; }

  enum class ElementKind { kSpace, kBar, kShortBar };
  struct ElementProps {
    int width = 0;
    ElementKind kind = ElementKind::kSpace;
  };
  // Width and kind of one pattern character; a character outside the alphabet is a space
  // of width 0 (the encoders never produce one).
  ElementProps PatternElementProps(char c) const;

  // Builds the pattern, then paints bars (and, with ShowText, the text) and restores the
  // canvas's font, pen and brush. On error nothing is painted and the canvas is untouched.
  void DrawBarcode(Canvas& canvas);
  // Paints a pattern at (Left, Top) rotated by Angle with the current module widths.
  void PaintBars(Canvas& canvas, std::string_view pattern);
  // Writes Text at (Left, Top) and the display name at (Left, Top + 7), unrotated.
  void DrawText(Canvas& canvas);

 private:
  int FHeight = 0;
  std::string FText;
  int FTop = 0;
  int FLeft = 0;
  int FModul = 1;
  double FRatio = 2.0;
  TBarcodeType FTyp = TBarcodeType::bcCodeEAN13;
  bool FCheckSum = false;
  bool FShowText = false;
  double FAngle = 0.0;
  velin::Color FColor = kWhite;
  velin::Color FColorBar = kBlack;
  std::array<int8_t, 4> modules{1, 2, 3, 4};
};

// The dots that DrawBarcode's bars cover, relative to (Left, Top), inclusive: the extremes
// of the rotated symbol rectangle. Builds the pattern (throws as BuildPattern does).
struct SymbolBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
SymbolBox SymbolBounds(TBarcode& barcode);

}  // namespace velin
