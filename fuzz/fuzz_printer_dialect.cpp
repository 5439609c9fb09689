// The printer dialect alone: its keywords, units, justification, resident fonts, own
// symbologies, QR options, TSPL page setup, BITMAP (whose raw bytes follow the header in the
// FIFO) and line encodings. The first byte's low bit picks CPCL or TSPL; the second varies the
// block sizes. Kept apart from fuzz_interpreter so that the search spends its whole time here.
#include "interpreter_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  velin::fuzz::RunInterpreter(data + 2, size - 2,
                              data[0] & 1 ? velin::kTspl : velin::kCpcl,
                              velin::LabelDialect::kPrinter, 1 + data[1] % 64);
  return 0;
}
