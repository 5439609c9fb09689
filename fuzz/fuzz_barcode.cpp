// The linear barcode encoder on its own: any type value (those outside the enumeration too),
// narrow width, ratio, check digit, text shown, angle and colours from the first bytes, then the
// text, which reaches the symbologies with its escapes (Code 128's "!nnn" values, FNC
// characters, bytes from 128 up). Builds the pattern, measures it and draws it on a small canvas
// with the renderer drawing boxes; also the shortest Code 128 values of the same bytes.
#include <cmath>
#include <limits>
#include <string>

#include "base/canvas.h"
#include "interpreter_driver.h"
#include "symbols/barcode/barcode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  velin::TBarcode barcode;
  barcode.SetTyp(static_cast<velin::TBarcodeType>(data[0] % 20));  // 16 to 19: no such type
  barcode.SetModul(static_cast<int8_t>(data[1]));                  // -128 to 127
  static constexpr double kRatios[] = {2.0, 3.0, 2.5, 0.0, -1.0, 1e9,
                                       std::numeric_limits<double>::quiet_NaN(),
                                       std::numeric_limits<double>::infinity()};
  barcode.SetRatio(kRatios[data[2] % 8]);
  barcode.SetChecksum(data[3] & 1);
  barcode.SetShowText(data[3] & 2);
  static constexpr double kAngles[] = {0, 90, 180, 270, 45, -30, 1e300,
                                       std::numeric_limits<double>::quiet_NaN()};
  barcode.SetAngle(kAngles[(data[3] >> 2) % 8]);
  barcode.SetHeight(static_cast<int8_t>(data[4]) * 4);
  barcode.SetLeft(static_cast<int8_t>(data[5]) * 4);
  barcode.SetTop(100);
  std::string text(reinterpret_cast<const char*>(data + 6), size - 6);
  barcode.SetText(text);

  velin::fuzz::BoxTextRenderer renderer;
  velin::Bitmap32 page(256, 160, velin::kWhite);
  velin::Canvas canvas(page, &renderer);
  try {
    (void)barcode.Width();
    (void)velin::SymbolBounds(barcode);
    barcode.DrawBarcode(canvas);
  } catch (const velin::EBarcodeError&) {
    // The text does not suit the symbology: the encoder's documented failure.
  }
  (void)velin::Code128ValuesText(velin::Code128ShortestValues(text));
  return 0;
}
