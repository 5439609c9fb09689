#include "symbols/qr/qr_matrix.h"

#include <cassert>
#include <cstring>

namespace velin::qr {
namespace {

void SetFunction(Matrix& s, int row, int col, bool dark) {
  s[row][col] = static_cast<uint8_t>(kFunction | (dark ? kDark : 0));
}

// 7 × 7 finder with its top-left corner at (row, col): dark ring, light ring, dark 3 × 3 core.
void PlaceFinder(Matrix& s, int row, int col) {
  for (int r = 0; r < 7; ++r) {
    for (int c = 0; c < 7; ++c) {
      const bool ring = r == 0 || r == 6 || c == 0 || c == 6;
      const bool core = r >= 2 && r <= 4 && c >= 2 && c <= 4;
      SetFunction(s, row + r, col + c, ring || core);
    }
  }
}

// 5 × 5 alignment pattern centred on (row, col): dark ring, light ring, dark centre.
void PlaceAlignment(Matrix& s, int row, int col) {
  for (int r = -2; r <= 2; ++r) {
    for (int c = -2; c <= 2; ++c) {
      const bool ring = r == -2 || r == 2 || c == -2 || c == 2;
      SetFunction(s, row + r, col + c, ring || (r == 0 && c == 0));
    }
  }
}

}  // namespace

void PlaceFunctionPatterns(Matrix& symbol, const VersionRecord& ver) {
  const int n = ver.modules;
  for (int r = 0; r < n; ++r) std::memset(symbol[r], 0, static_cast<size_t>(n));

  // Finder patterns.
  PlaceFinder(symbol, 0, 0);
  PlaceFinder(symbol, 0, n - 7);
  PlaceFinder(symbol, n - 7, 0);

  // Separators.
  for (int i = 0; i < 8; ++i) {
    SetFunction(symbol, 7, i, false);
    SetFunction(symbol, i, 7, false);
    SetFunction(symbol, i, n - 8, false);
    SetFunction(symbol, 7, n - 8 + i, false);
    SetFunction(symbol, n - 8, i, false);
    SetFunction(symbol, n - 8 + i, 7, false);
  }

  // Alignment patterns, except where they would overlap a finder.
  for (int i = 0; i < ver.alignmentcount; ++i) {
    for (int j = 0; j < ver.alignmentcount; ++j) {
      const int row = ver.alignment[i], col = ver.alignment[j];
      if (symbol[row][col] & kFunction) continue;
      PlaceAlignment(symbol, row, col);
    }
  }

  // Timing patterns.
  for (int i = 7; i <= n - 9; ++i) {
    SetFunction(symbol, 6, i, i % 2 == 0);
    SetFunction(symbol, i, 6, i % 2 == 0);
  }

  // Reserved: format information, the dark module, version information.
  for (int i = 0; i <= 8; ++i) {
    if (i == 6) continue;  // the timing pattern crosses here
    SetFunction(symbol, i, 8, false);
    SetFunction(symbol, 8, i, false);
  }
  for (int i = 0; i < 8; ++i) SetFunction(symbol, 8, n - 1 - i, false);
  for (int i = 0; i < 7; ++i) SetFunction(symbol, n - 1 - i, 8, false);
  SetFunction(symbol, n - 8, 8, false);
  if (ver.version >= 7) {
    for (int i = 0; i < 6; ++i) {
      for (int j = 0; j < 3; ++j) {
        SetFunction(symbol, n - 11 + j, i, false);
        SetFunction(symbol, i, n - 11 + j, false);
      }
    }
  }
}

void PlaceCodewords(Matrix& symbol, const VersionRecord& ver, const uint8_t* codeword) {
  const int n = ver.modules;
  int xpos = n - 1, ypos = n - 1, xdir = -1, ydir = -1;
  for (int k = 0; k < ver.totalcodewords; ++k) {
    for (int bit = 7; bit >= 0; --bit) {
      assert(!(symbol[ypos][xpos] & kFunction));
      if ((codeword[k] >> bit) & 1) symbol[ypos][xpos] |= kDataBit;
      // Advance along the two-column zigzag, skipping function modules.
      do {
        xpos += xdir;
        if (xdir > 0) ypos += ydir;
        xdir = -xdir;
        if (ypos < 0 || ypos >= n) {
          ypos -= ydir;
          ydir = -ydir;
          xpos -= xpos == 8 ? 3 : 2;
        }
        if (xpos < 0) return;  // the last codeword's last bit has been placed
      } while (symbol[ypos][xpos] & kFunction);
    }
  }
}

uint32_t FormatInfoBits(int eclevel, int mask) {
  static constexpr uint32_t kLevelIndicator[4] = {0b01, 0b00, 0b11, 0b10};  // L M Q H
  const uint32_t data = (kLevelIndicator[eclevel] << 3) | static_cast<uint32_t>(mask);
  uint32_t rem = data << 10;
  for (int i = 14; i >= 10; --i) {
    if ((rem >> i) & 1) rem ^= 0x537u << (i - 10);
  }
  return ((data << 10) | rem) ^ 0x5412;
}

void PlaceFormatInfo(Matrix& symbol, const VersionRecord& ver, int eclevel, int mask) {
  const int n = ver.modules;
  const uint32_t bits = FormatInfoBits(eclevel, mask);
  auto put = [&](int row, int col, bool dark) {
    symbol[row][col] = static_cast<uint8_t>(kFunction | (dark ? kDark : 0));
  };
  for (int i = 0; i < 15; ++i) {
    const bool dark = (bits >> i) & 1;
    // Around the top-left finder.
    if (i <= 5)
      put(i, 8, dark);
    else if (i == 6)
      put(7, 8, dark);
    else if (i == 7)
      put(8, 8, dark);
    else if (i == 8)
      put(8, 7, dark);
    else
      put(8, 14 - i, dark);
    // Beside the top-right and bottom-left finders.
    if (i <= 7)
      put(8, n - 1 - i, dark);
    else
      put(n - 15 + i, 8, dark);
  }
  put(n - 8, 8, true);
  if (ver.version >= 7) {
    const uint32_t code = VersionInfoCode(ver.version);
    for (int i = 0; i < 18; ++i) {
      const bool dark = (code >> i) & 1;
      put(n - 11 + i % 3, i / 3, dark);
      put(i / 3, n - 11 + i % 3, dark);
    }
  }
}

}  // namespace velin::qr
