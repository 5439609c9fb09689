// Reed-Solomon error correction over GF(256) with the primitive polynomial 0x11D, and the
// interleaving of data and error correction codewords into the final sequence.
#pragma once

#include <cstdint>

#include "symbols/qr/qr_tables.h"

namespace velin::qr {

// Product of two field elements.
uint8_t GfMultiply(uint8_t a, uint8_t b);
// alpha^e for e in 0..254.
uint8_t GfExp(int e);

// Error correction codewords of the blocks of `level`, block after block, into `ecword`.
// `rswork` is the division register (at least kMaxEcPerBlock bytes).
void MakeEcWords(const LevelRecord& level, const uint8_t* dataword, uint8_t* ecword,
                 uint8_t* rswork);

// Remainder of data[0..n) × x^ec divided by the generator of degree `ec`, into `out`
// (`ec` bytes). `ec` must be a degree the standard uses.
void RsRemainder(const uint8_t* data, int n, int ec, uint8_t* out);

// The final codeword sequence: the j-th data codeword of every block that has one, for each
// j, then the j-th error correction codeword of every block.
void Interleave(const LevelRecord& level, const uint8_t* dataword, const uint8_t* ecword,
                uint8_t* codeword);

}  // namespace velin::qr
