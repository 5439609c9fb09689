// One QR Code symbol (ISO/IEC 18004, Model 2) from one piece of data: the data bit stream,
// error correction, module placement, masking and format information. The version and the
// level are always the ones given; nothing is allocated while encoding (every work area has
// the size of the largest symbol).
//
//   QrEncoder enc;
//   QrEncoder::Settings s;  // version 1..40, eclevel 0..3, emode -1..3, masktype -1..7
//   s.version = 6;
//   s.eclevel = kLevelM;
//   if (enc.EncodeSymbol(bytes, s)) { ... enc.Modules(), enc.Dark(row, col) ... }
#pragma once

#include <cstdint>
#include <span>

#include "symbols/qr/qr_bit_stream.h"
#include "symbols/qr/qr_matrix.h"
#include "symbols/qr/qr_tables.h"

namespace velin::qr {

class QrEncoder {
 public:
  struct Settings {
    int version = 1;      // 1..40
    int eclevel = 0;      // 0 L, 1 M, 2 Q, 3 H
    int emode = -1;       // -1 automatic mode analysis; 0 numeric, 1 alphanumeric, 2 byte, 3 Kanji
    int masktype = -1;    // -1 automatic; 0..7
    bool usejis = false;  // automatic analysis recognises numeric, alphanumeric and Kanji data
    // Structured append: with `connect` the data begin with the header for symbol `icount`
    // (1..16) of `count` (1..16) and the parity byte.
    bool connect = false;
    int icount = 1;
    int count = 1;
    uint8_t parity = 0;
  };

  QrEncoder();  // fills the version table
  QrEncoder(const QrEncoder&) = delete;
  QrEncoder& operator=(const QrEncoder&) = delete;

  // Encodes source[0 .. srclen) (srclen 0..kMaxSourceBytes). Returns false when the data do
  // not fit the version and level or do not suit a fixed mode; the matrix must then not be
  // used. Settings outside their ranges are refused (false) as well.
  bool EncodeSymbol(const Settings& settings);
  // Copies `data` (at most kMaxSourceBytes bytes, else false) into `source` and encodes it.
  bool EncodeSymbol(std::span<const uint8_t> data, const Settings& settings);

  // The finished matrix of the last successful encoding.
  int Modules() const { return modules_; }
  bool Dark(int row, int col) const { return (symbol[row][col] & kDark) != 0; }

  // After automatic mode analysis: the mode of the last segment, -1 for no data; else as
  // given. Unchanged by a failed encoding.
  int EmodeR() const { return emodeR_; }
  // The mask applied by the last successful encoding.
  int MasktypeR() const { return masktypeR_; }

  const VersionRecord& Version(int version) const { return vertable[version]; }

  // Work areas, in the order the steps fill them.
  VersionTable vertable;
  uint8_t source[kMaxSourceBytes];
  int srclen = 0;
  uint8_t dataword[kMaxDataCodewords];
  uint8_t ecword[kMaxEcCodewords];
  uint8_t codeword[kMaxCodewords];
  uint8_t rswork[kMaxBlockDataCodewords];
  Matrix symbol;

 private:
  QrBitWriter bits_;
  int modules_ = 0;
  int emodeR_ = -1;
  int masktypeR_ = -1;
};

}  // namespace velin::qr
