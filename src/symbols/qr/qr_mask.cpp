#include "symbols/qr/qr_mask.h"

#include <bit>
#include <cassert>
#include <cstdlib>
#include <cstring>

namespace velin::qr {
namespace {

// Whether mask pattern T inverts the module at row i, column j (ISO/IEC 18004 Table 10).
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
  // Within a row every pattern repeats every 6 columns: expand one period into a row of
  // inversion bits (kDark or 0), then combine branch-free.
  uint8_t inv[kMaxModules + 6];
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < 6; ++j) inv[j] = MaskHolds<T>(i, j) ? kDark : 0;
    for (int j = 6; j < n; ++j) inv[j] = inv[j - 6];
    uint8_t* row = s[i];
    for (int j = 0; j < n; ++j) {
      const uint8_t m = row[j];
      const uint8_t masked = static_cast<uint8_t>((m & ~kDark) | (((m & kDataBit) << 1) ^ inv[j]));
      row[j] = (m & kFunction) ? m : masked;
    }
  }
}

// A line of up to 192 modules as bits: bit k of the line is bit k % 64 of word k / 64.
struct Line {
  uint64_t w[3] = {0, 0, 0};

  friend Line operator&(Line a, const Line& b) {
    for (int k = 0; k < 3; ++k) a.w[k] &= b.w[k];
    return a;
  }
  friend Line operator^(Line a, const Line& b) {
    for (int k = 0; k < 3; ++k) a.w[k] ^= b.w[k];
    return a;
  }
  Line operator~() const { return {{~w[0], ~w[1], ~w[2]}}; }
  // Bit k of the result is bit k - s of this line (s in 1..63); zeros come in at the bottom.
  Line Up(int s) const {
    return {{w[0] << s, (w[1] << s) | (w[0] >> (64 - s)), (w[2] << s) | (w[1] >> (64 - s))}};
  }
  // Bit k of the result is bit k + s of this line (s in 1..63).
  Line Down(int s) const {
    return {{(w[0] >> s) | (w[1] << (64 - s)), (w[1] >> s) | (w[2] << (64 - s)), w[2] >> s}};
  }
  int Count() const { return PopCount(w[0]) + PopCount(w[1]) + PopCount(w[2]); }

  // Bit count without depending on a population count instruction.
  static int PopCount(uint64_t x) {
    if (x == 0) return 0;
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((x * 0x0101010101010101u) >> 56);
  }
  bool Any() const { return (w[0] | w[1] | w[2]) != 0; }
};

// The bits 0 .. n - 1 set.
Line LowBits(int n) {
  Line l;
  for (int k = 0; k < 3; ++k) {
    const int bits = n - 64 * k;
    l.w[k] = bits >= 64 ? ~uint64_t{0} : bits <= 0 ? 0 : (uint64_t{1} << bits) - 1;
  }
  return l;
}

// Light, dark, light, dark, dark, dark, light, dark, light: a 1:1:3:1:1 pattern with one light
// module (or the edge) on each side.
constexpr bool kFinderLike[9] = {false, true, false, true, true, true, false, true, false};

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

namespace {

// One row of the matrix as bit lines: bit j of `dark` is the colour of module j, of `data`
// its data bit, of `function` whether it is a function module.
struct RowBits {
  Line dark, data, function;
};

RowBits PackRow(const uint8_t* src, int n) {
  RowBits r;
  int j = 0;
  // Eight modules at a time: gather one bit of each byte into one byte of bits (the bytes are
  // loaded little-endian, module j + k in byte k).
  static_assert(std::endian::native == std::endian::little);
  constexpr uint64_t kLowBits = 0x0101010101010101u, kGather = 0x0102040810204080u;
  for (; j + 8 <= n; j += 8) {
    uint64_t bytes;
    std::memcpy(&bytes, src + j, 8);
    r.dark.w[j >> 6] |= ((((bytes >> 1) & kLowBits) * kGather) >> 56) << (j & 63);
    r.data.w[j >> 6] |= (((bytes & kLowBits) * kGather) >> 56) << (j & 63);
    r.function.w[j >> 6] |= ((((bytes >> 2) & kLowBits) * kGather) >> 56) << (j & 63);
  }
  for (; j < n; ++j) {
    r.dark.w[j >> 6] |= uint64_t{(src[j] >> 1) & 1u} << (j & 63);
    r.data.w[j >> 6] |= static_cast<uint64_t>(src[j] & kDataBit) << (j & 63);
    r.function.w[j >> 6] |= uint64_t{(src[j] >> 2) & 1u} << (j & 63);
  }
  return r;
}

// Where mask pattern T holds along row i, for every column below 192: each pattern repeats
// every 12 rows and every 6 columns, so the lines of rows 0 .. 11 serve every row.
template <int T>
void MaskLinesT(Line (&lines)[12]) {
  for (int i = 0; i < 12; ++i) {
    Line l;
    for (int j = 0; j < 192; ++j)
      if (MaskHolds<T>(i, j)) l.w[j >> 6] |= uint64_t{1} << (j & 63);
    lines[i] = l;
  }
}

struct MaskLines {
  Line of[8][12];
  MaskLines() {
    MaskLinesT<0>(of[0]);
    MaskLinesT<1>(of[1]);
    MaskLinesT<2>(of[2]);
    MaskLinesT<3>(of[3]);
    MaskLinesT<4>(of[4]);
    MaskLinesT<5>(of[5]);
    MaskLinesT<6>(of[6]);
    MaskLinesT<7>(of[7]);
  }
};

// The penalty of the n rows as bit lines (bit j of row i dark), as MaskPenalty scores it.
int PenaltyOfRows(const Line* rows, int n);

}  // namespace

int MaskPenalty(const Matrix& symbol, int n) {
  Line rows[kMaxModules];
  for (int i = 0; i < n; ++i) rows[i] = PackRow(symbol[i], n).dark;
  return PenaltyOfRows(rows, n);
}

namespace {

int PenaltyOfRows(const Line* rows, int n) {
  // Row rules work along a line with shifts; column rules combine whole rows, every column at
  // once.
  Line padded[kMaxModules];  // rows shifted up by one: bit j + 1 is module j
  int dark = 0;
  for (int i = 0; i < n; ++i) {
    padded[i] = rows[i].Up(1);
    dark += rows[i].Count();
  }
  const Line all = LowBits(n);
  const Line pairs = LowBits(n - 1);  // positions j with a neighbour j + 1
  int score = 0;

  // Rule 1, runs: a run of L >= 5 has L - 4 positions that end five equal modules, and one of
  // them is its first; L - 2 = (L - 4) + 2.
  auto runs = [](const Line& eq4) { return eq4.Count() + 2 * (eq4 & ~eq4.Up(1)).Count(); };
  Line ev[4];  // vertical equality of the last four row pairs
  for (int i = 0; i < n; ++i) {
    // Along row i.
    const Line e = ~(rows[i] ^ rows[i].Up(1)) & all & ~LowBits(1);
    score += runs(e & e.Up(1) & e.Up(2) & e.Up(3));
    // Down the columns, ending at row i.
    ev[i % 4] = i == 0 ? Line{} : ~(rows[i] ^ rows[i - 1]) & all;
    if (i >= 4) {
      const Line eq4 = ev[0] & ev[1] & ev[2] & ev[3];
      score += eq4.Count();
      // A run starts here unless the same column already had five equal ending at i - 1.
      const Line prev = ~(rows[i - 1] ^ rows[i - 2]) & ~(rows[i - 2] ^ rows[i - 3]) &
                        ~(rows[i - 3] ^ rows[i - 4]);
      const Line before = i >= 5 ? prev & ~(rows[i - 4] ^ rows[i - 5]) & all : Line{};
      score += 2 * (eq4 & ~before).Count();
    }
  }

  // Rule 2, 2 × 2 blocks of one colour.
  for (int i = 0; i + 1 < n; ++i) {
    const Line v = ~(rows[i] ^ rows[i + 1]);
    const Line h = ~(rows[i] ^ rows[i].Down(1));
    score += 3 * (v & v.Down(1) & h & pairs).Count();
  }

  // Rule 3, finder-like patterns, with the line padded by one light module at each end.
  const Line starts = LowBits(n - 6);  // padded start positions 0 .. n - 7
  for (int i = 0; i < n; ++i) {
    Line m = starts;
    for (int t = 0; t < 9 && m.Any(); ++t) {
      const Line bit = kFinderLike[t] ? padded[i] : ~padded[i];
      m = m & (t == 0 ? bit : bit.Down(t));
    }
    score += 40 * m.Count();
  }
  for (int s = -1; s + 8 <= n; ++s) {
    Line m = all;
    for (int t = 0; t < 9 && m.Any(); ++t) {
      const int r = s + t;
      const Line row = r >= 0 && r < n ? rows[r] : Line{};
      m = m & (kFinderLike[t] ? row : ~row);
    }
    score += 40 * m.Count();
  }

  // Rule 4, balance of dark and light modules.
  const int k = std::abs(100 * dark / (n * n) - 50);
  score += 10 * (k / 5);
  return score;
}

}  // namespace

int SelectMask(Matrix& symbol, int n, int masktype) {
  if (masktype >= 0) {
    ApplyMask(symbol, n, masktype);
    return masktype;
  }
  // Each mask's colours are scored as bit lines, made from the rows' data bits, function
  // modules and their colours (packed once), without masking the matrix itself.
  static const MaskLines kMasks;
  RowBits bits[kMaxModules];
  for (int i = 0; i < n; ++i) bits[i] = PackRow(symbol[i], n);
  const Line all = LowBits(n);
  Line rows[kMaxModules];
  int best = 0;
  int bestscore = 0;
  for (int t = 0; t < 8; ++t) {
    for (int i = 0; i < n; ++i) {
      const RowBits& b = bits[i];
      rows[i] = ((b.dark & b.function) ^ ((b.data ^ kMasks.of[t][i % 12]) & ~b.function)) & all;
    }
    const int score = PenaltyOfRows(rows, n);
    if (t == 0 || score < bestscore) {
      best = t;
      bestscore = score;
    }
  }
  ApplyMask(symbol, n, best);
  return best;
}

}  // namespace velin::qr
