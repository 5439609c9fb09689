// Data segments: character classes, segment costs, the greedy mode analysis and the writing of
// the data bit stream in automatic or fixed mode.
#pragma once

#include <cstdint>

#include "symbols/qr/qr_bit_stream.h"
#include "symbols/qr/qr_tables.h"

namespace velin::qr {

// Shift JIS double-byte characters that Kanji mode can hold: lead 0x81..0x9F or 0xE0..0xEB,
// trail 0x40..0x7E or 0x80..0xFC; with lead 0xEB only trails up to 0xBF, the last characters
// whose 13-bit value exists (0xEBBF).
bool IsKanjiLead(uint8_t byte);
bool IsKanjiTrail(uint8_t byte);
bool IsKanjiPair(uint8_t lead, uint8_t trail);

// Class (EncodeMode) of data[pos] for automatic analysis, `len` bytes in all; -1 when
// pos >= len. With `usejis` false every byte is an 8-bit byte; with it true digits are
// numeric, the rest of the alphanumeric set alphanumeric, a Kanji pair Kanji.
int GetCharMode(const uint8_t* data, int pos, int len, bool usejis);

// Bits of a segment of `n` bytes in `mode`: indicator, character count and data.
int SegmentBits(const VersionRecord& ver, int mode, int n);

struct Segment {
  int length = 0;  // bytes; 0 when no data are left
  int mode = -1;
};

// The next segment from data[pos], chosen greedily by comparing bit costs with the run that
// follows the current one; ties merge.
Segment NextSegment(const uint8_t* data, int pos, int len, bool usejis, const VersionRecord& ver);

// Writes data[0..len) as the segments of NextSegment. Returns false, leaving `emodeR`
// unchanged, when a segment does not fit; else true and `emodeR` is the last segment's mode
// (-1 when there were no data). Terminator and pad codewords are not written.
bool EncodeAuto(QrBitWriter& out, const uint8_t* data, int len, bool usejis,
                const VersionRecord& ver, int& emodeR);

// Writes data[0..len) as one segment in `mode` (0..3). Returns false when it does not fit or
// a byte does not suit the mode (a digit in numeric, the alphanumeric set in alphanumeric,
// Kanji pairs and an even count in Kanji).
bool EncodeFixed(QrBitWriter& out, const uint8_t* data, int len, int mode,
                 const VersionRecord& ver);

// The structured append header: indicator, symbol position `icount` (1..16), total `count`
// (1..16) and the parity byte, 20 bits.
void PutStructuredAppend(QrBitWriter& out, int icount, int count, uint8_t parity);

}  // namespace velin::qr
