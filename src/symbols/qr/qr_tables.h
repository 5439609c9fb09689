// The QR Code standard's constant tables (ISO/IEC 18004, Model 2): version records with their
// capacities, block structure and alignment pattern positions, the alphanumeric character
// values, the generator polynomials and the version information codes.
#pragma once

#include <cstdint>

namespace velin::qr {

// Limits of the largest symbol; every work area of the encoder has these sizes.
constexpr int kMinVersion = 1;
constexpr int kMaxVersion = 40;
constexpr int kMaxModules = 177;         // 17 + 4 × 40
constexpr int kMaxSourceBytes = 7089;    // numeric capacity of 40-L
constexpr int kMaxDataCodewords = 2956;  // 40-L
constexpr int kMaxEcCodewords = 2430;    // 40-H
constexpr int kMaxCodewords = 3706;      // version 40
constexpr int kMaxBlockDataCodewords = 123;
constexpr int kMaxEcPerBlock = 30;
constexpr int kMaxAlignment = 7;

// Encoding modes, in the order the character classes are ranked (a lower mode can always be
// written in a higher one, except Kanji). The values are the component's `Emode` values.
enum EncodeMode : int { kNumeric = 0, kAlphanumeric = 1, kByte = 2, kKanji = 3 };
constexpr int kModeCount = 4;

// Error correction levels by the component's `Eclevel` value.
enum EcLevel : int { kLevelL = 0, kLevelM = 1, kLevelQ = 2, kLevelH = 3 };

struct BlockGroup {
  int blocks = 0;
  int codewords = 0;      // per block
  int datacodewords = 0;  // per block
};

struct LevelRecord {
  int datacodewords = 0;
  int capacity[kModeCount] = {};  // characters, by EncodeMode
  int groups = 0;                 // 1 or 2
  BlockGroup group[2];
  int EcPerBlock() const { return group[0].codewords - group[0].datacodewords; }
  int Blocks() const { return group[0].blocks + group[1].blocks; }
};

struct VersionRecord {
  int version = 0;
  int modules = 0;  // per side
  int totalcodewords = 0;
  int remainderbits = 0;
  int cci[kModeCount] = {};  // character count indicator lengths, by EncodeMode
  LevelRecord level[4];      // by EcLevel
  int alignmentcount = 0;
  int alignment[kMaxAlignment] = {};  // row and column centres, ascending
};

// One record per version 1..40; record 0 stays zero.
using VersionTable = VersionRecord[kMaxVersion + 1];

// Fills `vertable` from the standard's tables.
void InitVersionTable(VersionTable& vertable);

// Value of an alphanumeric character (0..44), or -1 for a byte outside the set.
int AlphanumericValue(uint8_t byte);

// Mode indicators, 4 bits each.
constexpr int kModeIndicator[kModeCount] = {0b0001, 0b0010, 0b0100, 0b1000};
constexpr int kStructuredAppendIndicator = 0b0011;

// Generator polynomial of `degree` error correction codewords: the exponents of its
// coefficients without the leading one, highest power first; null for a degree the standard
// does not use.
const uint8_t* GeneratorExponents(int degree);

// The 18-bit version information code of `version` (7..40).
uint32_t VersionInfoCode(int version);

}  // namespace velin::qr
