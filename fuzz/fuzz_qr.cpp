// The QR Code component on its own: version, level, encoding mode, mask, division mode and
// count, magnification, angle, mirroring, margins and the binary switch from the first bytes,
// then Code, whose "~hh~" escapes are decoded when the binary switch is on. Renders once
// everything is set, then writes the text image of the symbols.
#include <string>

#include "interpreter_driver.h"
#include "symbols/qr/qr_code.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  velin::fuzz::BoxTextRenderer renderer;
  velin::TQRCode qr(data[7] & 0x80 ? &renderer : nullptr);
  try {
    qr.SetSymbolEnabled(false);  // configure first, render once at the end
    qr.SetVersion(data[0] % 42);              // 0 and 41 are out of range
    qr.SetEclevel(data[1] % 5 - (data[1] & 0x80 ? 1 : 0));
    qr.SetEmode(data[2] % 6 - 1);              // -1 automatic, 0..3, 4 out of range
    qr.SetMasktype(data[3] % 10 - 1);          // -1 automatic, 0..7, 8 out of range
    qr.SetMode(static_cast<velin::TQRMode>(data[4] % 4));
    qr.SetCount(1 + data[5] % 20);
    qr.SetColumn(1 + data[5] / 20);
    qr.SetPxmag(data[6] % 4);                  // 0 out of range
    qr.SetAngle((data[6] >> 2) % 5 * 90);      // 360 out of range
    qr.SetReverse(data[6] & 0x40);
    qr.SetMatch(data[6] & 0x80);
    qr.SetBinaryOperation(data[7] & 1);
    qr.SetUsejis(data[7] & 2);
    qr.SetNumbering(static_cast<velin::TNumbering>((data[7] >> 2) % 5));
    qr.SetSymbolSpaceLeft((data[7] >> 4) & 7);
    qr.SetSymbolSpaceUp((data[7] >> 4) & 3);
    if (data[7] & 0x80) {
      qr.SetCommentUp("up");
      qr.SetCommentDown("down");
    }
    qr.SetCode(std::string(reinterpret_cast<const char*>(data + 8), size - 8));
    qr.SetSymbolEnabled(true);  // renders
    size_t lines = 0;
    qr.BuildPbm([&lines](const std::string&) { ++lines; });
  } catch (const velin::EQRCodeError&) {
    // An inconsistent division: the component's documented failure.
  }
  return 0;
}
