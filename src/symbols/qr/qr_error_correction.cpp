#include "symbols/qr/qr_error_correction.h"

#include <array>
#include <cassert>
#include <cstring>

namespace velin::qr {
namespace {

struct GaloisField {
  std::array<uint8_t, 512> exp{};  // doubled so a sum of two logarithms needs no reduction
  std::array<int, 256> log{};
};

constexpr GaloisField MakeField() {
  GaloisField gf;
  int x = 1;
  for (int i = 0; i < 255; ++i) {
    gf.exp[i] = static_cast<uint8_t>(x);
    gf.log[x] = i;
    x <<= 1;
    if (x & 0x100) x ^= 0x11D;
  }
  for (int i = 255; i < 512; ++i) gf.exp[i] = gf.exp[i - 255];
  return gf;
}

constexpr GaloisField kField = MakeField();

}  // namespace

uint8_t GfMultiply(uint8_t a, uint8_t b) {
  if (a == 0 || b == 0) return 0;
  return kField.exp[kField.log[a] + kField.log[b]];
}

uint8_t GfExp(int e) { return kField.exp[e % 255]; }

void RsRemainder(const uint8_t* data, int n, int ec, uint8_t* out) {
  const uint8_t* gen = GeneratorExponents(ec);
  assert(gen != nullptr && ec <= kMaxEcPerBlock);
  std::memset(out, 0, static_cast<size_t>(ec));
  for (int i = 0; i < n; ++i) {
    // Take the leading register byte, shift, and add the generator times that byte.
    const uint8_t lead = data[i] ^ out[0];
    std::memmove(out, out + 1, static_cast<size_t>(ec - 1));
    out[ec - 1] = 0;
    if (lead == 0) continue;
    const int l = kField.log[lead];
    for (int j = 0; j < ec; ++j) out[j] ^= kField.exp[l + gen[j]];
  }
}

void MakeEcWords(const LevelRecord& level, const uint8_t* dataword, uint8_t* ecword,
                 uint8_t* rswork) {
  const int ec = level.EcPerBlock();
  for (int g = 0; g < level.groups; ++g) {
    for (int b = 0; b < level.group[g].blocks; ++b) {
      RsRemainder(dataword, level.group[g].datacodewords, ec, rswork);
      std::memcpy(ecword, rswork, static_cast<size_t>(ec));
      dataword += level.group[g].datacodewords;
      ecword += ec;
    }
  }
}

void Interleave(const LevelRecord& level, const uint8_t* dataword, const uint8_t* ecword,
                uint8_t* codeword) {
  const int blocks = level.Blocks();
  const int ec = level.EcPerBlock();
  const int k1 = level.group[0].datacodewords;
  const int kmax = level.groups == 2 ? level.group[1].datacodewords : k1;
  const int b1 = level.group[0].blocks;
  // Data codewords: block b starts at b × k1 in the first group, after the first group's
  // codewords (plus (b - b1) × (k1 + 1)) in the second.
  for (int j = 0; j < kmax; ++j) {
    for (int b = 0; b < blocks; ++b) {
      if (b < b1) {
        if (j < k1) *codeword++ = dataword[b * k1 + j];
      } else {
        *codeword++ = dataword[b1 * k1 + (b - b1) * kmax + j];
      }
    }
  }
  for (int j = 0; j < ec; ++j) {
    for (int b = 0; b < blocks; ++b) *codeword++ = ecword[b * ec + j];
  }
}

}  // namespace velin::qr
