#include "symbols/qr/qr_mask.h"

#include <cassert>
#include <cstdlib>

namespace velin::qr {
namespace {

// Whether mask pattern T inverts the module at row i, column j.
template <int T>
inline bool MaskHolds(int i, int j) {
  if constexpr (T == 0) return (i + j) % 2 == 0;
  if constexpr (T == 1) return i % 2 == 0;
  if constexpr (T == 2) return j % 3 == 0;
  if constexpr (T == 3) return (i + j) % 3 == 0;
  if constexpr (T == 4) return (i / 2 + j / 3) % 2 == 0;
  if constexpr (T == 5) return (i * j) % 2 + (i * j) % 3 == 0;
  if constexpr (T == 6) return ((i * j) % 2 + (i * j) % 3) % 2 == 0;
  if constexpr (T == 7) return ((i + j) % 2 + (i * j) % 3) % 2 == 0;
  return false;
}

template <int T>
void ApplyMaskT(Matrix& s, int n) {
  for (int i = 0; i < n; ++i) {
    uint8_t* row = s[i];
    for (int j = 0; j < n; ++j) {
      const uint8_t m = row[j];
      if (m & kFunction) continue;
      const uint8_t dark =
          static_cast<uint8_t>(((m & kDataBit) ^ (MaskHolds<T>(i, j) ? 1 : 0)) << 1);
      row[j] = static_cast<uint8_t>((m & ~kDark) | dark);
    }
  }
}

// Penalty of one line of colours (0 light, 1 dark), `n` long: runs and finder-like patterns.
int LinePenalty(const uint8_t* line, int n) {
  int score = 0;
  int run = 1;
  for (int k = 1; k < n; ++k) {
    if (line[k] == line[k - 1]) {
      ++run;
    } else {
      if (run >= 5) score += run - 2;
      run = 1;
    }
  }
  if (run >= 5) score += run - 2;

  // Window over the line padded with one light module at each end: light, dark, light, dark,
  // dark, dark, light, dark, light.
  constexpr unsigned kFinderLike = 0b010111010;
  unsigned window = 0;  // the padding module before the line
  for (int k = 0; k <= n; ++k) {
    window = ((window << 1) | (k < n ? line[k] : 0)) & 0x1FF;
    if (k >= 7 && window == kFinderLike) score += 40;
  }
  return score;
}

}  // namespace

void ApplyMask(Matrix& symbol, int n, int mask) {
  switch (mask) {
    case 0:
      ApplyMaskT<0>(symbol, n);
      break;
    case 1:
      ApplyMaskT<1>(symbol, n);
      break;
    case 2:
      ApplyMaskT<2>(symbol, n);
      break;
    case 3:
      ApplyMaskT<3>(symbol, n);
      break;
    case 4:
      ApplyMaskT<4>(symbol, n);
      break;
    case 5:
      ApplyMaskT<5>(symbol, n);
      break;
    case 6:
      ApplyMaskT<6>(symbol, n);
      break;
    case 7:
      ApplyMaskT<7>(symbol, n);
      break;
    default:
      assert(false);
  }
}

int MaskPenalty(const Matrix& symbol, int n) {
  uint8_t rows[kMaxModules][kMaxModules];  // colours, 0 or 1, and their transpose
  uint8_t cols[kMaxModules][kMaxModules];
  int dark = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const uint8_t c = (symbol[i][j] >> 1) & 1;
      rows[i][j] = c;
      cols[j][i] = c;
      dark += c;
    }
  }
  int score = 0;
  // Runs and finder-like patterns in rows and columns.
  for (int i = 0; i < n; ++i) score += LinePenalty(rows[i], n) + LinePenalty(cols[i], n);
  // 2 × 2 blocks of one colour, overlapping positions counted.
  for (int i = 0; i + 1 < n; ++i) {
    const uint8_t* a = rows[i];
    const uint8_t* b = rows[i + 1];
    for (int j = 0; j + 1 < n; ++j) {
      const int sum = a[j] + a[j + 1] + b[j] + b[j + 1];
      if (sum == 0 || sum == 4) score += 3;
    }
  }
  // Balance of dark and light modules.
  const int k = std::abs(100 * dark / (n * n) - 50);
  score += 10 * (k / 5);
  return score;
}

int SelectMask(Matrix& symbol, int n, int masktype) {
  if (masktype >= 0) {
    ApplyMask(symbol, n, masktype);
    return masktype;
  }
  int best = 0;
  int bestscore = 0;
  for (int t = 0; t < 8; ++t) {
    ApplyMask(symbol, n, t);
    const int score = MaskPenalty(symbol, n);
    if (t == 0 || score < bestscore) {
      best = t;
      bestscore = score;
    }
  }
  ApplyMask(symbol, n, best);
  return best;
}

}  // namespace velin::qr
