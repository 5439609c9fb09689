#include "symbols/qr/qr_encoder.h"

#include <cstring>

#include "symbols/qr/qr_error_correction.h"
#include "symbols/qr/qr_mask.h"
#include "symbols/qr/qr_segments.h"

namespace velin::qr {

QrEncoder::QrEncoder() { InitVersionTable(vertable); }

bool QrEncoder::EncodeSymbol(std::span<const uint8_t> data, const Settings& settings) {
  if (data.size() > static_cast<size_t>(kMaxSourceBytes)) return false;
  if (!data.empty()) std::memcpy(source, data.data(), data.size());
  srclen = static_cast<int>(data.size());
  return EncodeSymbol(settings);
}

bool QrEncoder::EncodeSymbol(const Settings& s) {
  if (s.version < kMinVersion || s.version > kMaxVersion || s.eclevel < 0 || s.eclevel > 3 ||
      s.emode < -1 || s.emode > 3 || s.masktype < -1 || s.masktype > 7 || srclen < 0 ||
      srclen > kMaxSourceBytes) {
    return false;
  }
  if (s.connect && (s.count < 1 || s.count > 16 || s.icount < 1 || s.icount > s.count)) {
    return false;
  }
  const VersionRecord& ver = vertable[s.version];
  const LevelRecord& level = ver.level[s.eclevel];

  // 1. Data bit stream, terminator and pad codewords.
  bits_.InitDataWords(dataword, level.datacodewords);
  if (s.connect) PutStructuredAppend(bits_, s.icount, s.count, s.parity);
  int emode = s.emode;
  const bool ok = s.emode < 0 ? EncodeAuto(bits_, source, srclen, s.usejis, ver, emode)
                              : EncodeFixed(bits_, source, srclen, s.emode, ver);
  if (!ok) return false;
  bits_.Terminate();
  emodeR_ = emode;

  // 2, 3. Error correction and the interleaved codeword sequence.
  MakeEcWords(level, dataword, ecword, rswork);
  Interleave(level, dataword, ecword, codeword);

  // 4, 5. Function patterns, then the codewords into the data modules.
  PlaceFunctionPatterns(symbol, ver);
  PlaceCodewords(symbol, ver, codeword);

  // 6, 7. Mask, then format and version information.
  masktypeR_ = SelectMask(symbol, ver.modules, s.masktype);
  PlaceFormatInfo(symbol, ver, s.eclevel, masktypeR_);
  modules_ = ver.modules;
  return true;
}

}  // namespace velin::qr
