#include "symbols/qr/qr_bit_stream.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace velin::qr {

void QrBitWriter::InitDataWords(uint8_t* dataword, int datacodewords) {
  dataword_ = dataword;
  datacodewords_ = datacodewords;
  std::memset(dataword_, 0, static_cast<size_t>(datacodewords_));
  dwpos = 0;
  dwbit = 7;
}

void QrBitWriter::PutBits(int n, uint32_t value) {
  assert(n >= 0 && n <= 31);
  assert(n <= RemainingBits());
  for (int i = n - 1; i >= 0; --i) {
    if (dwpos >= datacodewords_) return;  // never reached when the caller checks the room
    if ((value >> i) & 1) dataword_[dwpos] |= static_cast<uint8_t>(1u << dwbit);
    if (--dwbit < 0) {
      dwbit = 7;
      ++dwpos;
    }
  }
}

void QrBitWriter::Terminate() {
  const int r = RemainingBits();
  PutBits(std::min(4, r), 0);
  // Zero bits complete the current codeword; the buffer is already cleared.
  if (r > 4) PutBits((r - 4) % 8, 0);
  for (uint8_t pad = 0xEC; RemainingBits() >= 8; pad ^= 0xEC ^ 0x11) PutBits(8, pad);
}

}  // namespace velin::qr
