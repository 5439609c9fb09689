// The module matrix: function patterns, codeword placement, format and version information.
#pragma once

#include <cstdint>

#include "symbols/qr/qr_tables.h"

namespace velin::qr {

// symbol[row][column], row 0 at the top, column 0 at the left; only the top-left n × n part of
// the largest symbol's area is used. Each byte is a set of the flags below.
struct Matrix {
  uint8_t cells[kMaxModules][kMaxModules];
  uint8_t* operator[](int row) { return cells[row]; }
  const uint8_t* operator[](int row) const { return cells[row]; }
};

constexpr uint8_t kDataBit = 1;   // data bit placed here, before masking
constexpr uint8_t kDark = 2;      // final colour: 1 dark
constexpr uint8_t kFunction = 4;  // function module: skipped by placement and masking

// Clears the n × n matrix of `ver` and places the finder patterns, separators, alignment and
// timing patterns, and reserves the format and version information and the dark module.
void PlaceFunctionPatterns(Matrix& symbol, const VersionRecord& ver);

// Places the bits of codeword[0 .. ver.totalcodewords) into the data modules in the standard's
// zigzag order, most significant bit first; remainder bits stay 0.
void PlaceCodewords(Matrix& symbol, const VersionRecord& ver, const uint8_t* codeword);

// The 15-bit format information word of `eclevel` (0..3, L M Q H) and `mask` (0..7), BCH
// coded and masked with 0x5412.
uint32_t FormatInfoBits(int eclevel, int mask);

// Writes the format information (both copies), the dark module and, from version 7, both
// version information blocks.
void PlaceFormatInfo(Matrix& symbol, const VersionRecord& ver, int eclevel, int mask);

}  // namespace velin::qr
