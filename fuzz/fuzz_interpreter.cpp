// Arbitrary bytes into the receive path, framing and dispatch. The first byte picks the
// transfer mode (its value modulo 3) and the label dialect (its top bit: the printer's); the rest
// arrives as the receiver would send it, in blocks whose sizes the second byte varies. The
// corpus seeds every handler of both languages, among them CG and the QR block, which take
// their data from the FIFO themselves (their waits are virtual).
#include "interpreter_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  velin::fuzz::RunInterpreter(
      data + 2, size - 2, (data[0] & 0x7F) % 3,
      data[0] & 0x80 ? velin::LabelDialect::kPrinter : velin::LabelDialect::kDefault,
      1 + data[1] % 64);
  return 0;
}
