// The data bit stream of one symbol: bits are appended most significant first into a fixed
// buffer of data codewords, then closed with the terminator and the pad codewords.
#pragma once

#include <cstdint>

namespace velin::qr {

class QrBitWriter {
 public:
  // Writes into `dataword`, which holds `datacodewords` bytes (the symbol's data capacity).
  // Clears the buffer; the writer starts at the first bit.
  void InitDataWords(uint8_t* dataword, int datacodewords);

  // Appends the `n` (0..31) low bits of `value`, most significant first. The caller checks
  // RemainingBits first; writing past the end is refused (asserted in debug builds).
  void PutBits(int n, uint32_t value);

  // Bits still free in the data codewords.
  int RemainingBits() const { return (datacodewords_ - dwpos) * 8 + dwbit - 7; }

  // Terminator (up to four 0 bits), 0 bits up to the next codeword boundary, then the pad
  // codewords 0xEC, 0x11, ... to the end of the data codewords.
  void Terminate();

  int dwpos = 0;  // byte index into the data codewords
  int dwbit = 7;  // bit index within that byte, 7 (most significant) down to 0

 private:
  uint8_t* dataword_ = nullptr;
  int datacodewords_ = 0;
};

}  // namespace velin::qr
