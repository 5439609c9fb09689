// Blending anti-aliased glyph coverage onto a page bitmap, in any of the four quarter turns.
// Header-only so the renderer's inner loops inline; used by the FreeType text renderer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "base/bitmap.h"


namespace velin {

// t / 255 for 0 <= t <= 65534 (not 65535), without a division. A blend's sum is at most
// 255 * 255 + 127.
constexpr unsigned DivideBy255(unsigned t) { return (t + 1 + (t >> 8)) >> 8; }

// `pixel` over `dot` with coverage `a` (1..254): each colour channel is
// (dot * (255 - a) + pixel * a + 127) / 255, rounded to nearest; the top byte comes out 0.
// Red and blue are blended together in one word (each lane stays below 2^16).
inline uint32_t BlendDot(uint32_t dot, uint32_t pixel, unsigned a) {
  const unsigned na = 255 - a;
  uint32_t rb = (dot & 0xFF00FFu) * na + (pixel & 0xFF00FFu) * a + 0x7F007Fu;
  rb = (rb + 0x10001u + ((rb >> 8) & 0xFF00FFu)) >> 8 & 0xFF00FFu;
  const unsigned g = DivideBy255(((dot >> 8) & 0xFFu) * na + ((pixel >> 8) & 0xFFu) * a + 127);
  return rb | g << 8;
}

// Blends one run of `count` coverage values onto consecutive dots, as BlitCoverage does for
// each of them. Uses the widest vector unit the processor has.
void BlendRun(uint32_t* d, const uint8_t* cov, int64_t count, uint32_t pixel);
// BlendRun over `rows` runs: run r starts at d + r * d_step with its coverage at
// cov + r * cov_step (cov_step >= count). Coverage is read only from cov to the end of the
// last run, though a run may read ahead into the coverage of a later one.
void BlendRows(uint32_t* d, ptrdiff_t d_step, const uint8_t* cov, ptrdiff_t cov_step,
               int64_t count, int64_t rows, uint32_t pixel);

// The ways BlendRun can go, for tests that compare them; a way the processor (or the build)
// lacks is null.
struct BlendRunKernels {
  void (*plain)(uint32_t*, const uint8_t*, int64_t, uint32_t);
  void (*sse2)(uint32_t*, const uint8_t*, int64_t, uint32_t);
  void (*avx2)(uint32_t*, const uint8_t*, int64_t, uint32_t);
};
BlendRunKernels AvailableBlendRunKernels();

// Where the glyph box lands: a dot of the unrotated text cell (u right, v down from the cell's
// top-left) goes to the bitmap turned counter-clockwise by `quarter` quarter turns about the
// cell's top-left corner (x, y).
struct GlyphPlacement {
  int64_t x = 0;
  int64_t y = 0;
  int quarter = 0;  // 0, 1, 2, 3 for 0, 90, 180, 270 degrees

  void Map(int64_t u, int64_t v, int64_t& tx, int64_t& ty) const {
    switch (quarter) {
      case 1:
        tx = x + v, ty = y - 1 - u;
        break;
      case 2:
        tx = x - 1 - u, ty = y - 1 - v;
        break;
      case 3:
        tx = x - 1 - v, ty = y + u;
        break;
      default:
        tx = x + u, ty = y + v;
        break;
    }
  }
};

// Blends a box of coverage (`width` × `rows`, 0..255 per dot, row after row) whose top-left
// dot sits at (u0, v0) of the text cell onto `target` in `pixel`: coverage 255 stores the
// pixel, 0 leaves the dot, anything between blends with BlendDot. Dots that fall outside the
// bitmap are skipped. The box is clipped once, then each of its rows is walked with a pointer
// step (one dot along the row, or one bitmap row, either way for the turn).
inline void BlitCoverage(Bitmap32& target, const GlyphPlacement& place, int64_t u0, int64_t v0,
                         const uint8_t* coverage, int width, int rows, uint32_t pixel) {
  if (width <= 0 || rows <= 0 || target.empty()) return;
  const int64_t w = target.width(), h = target.height();
  // Each bitmap axis follows one box axis: tx = bx + sx * (c or r), ty = by + sy * (r or c).
  // `swap` means tx follows r and ty follows c (the odd turns).
  int64_t tx0, ty0;
  place.Map(u0, v0, tx0, ty0);
  int sx = 1, sy = 1;
  bool swap = false;
  switch (place.quarter) {
    case 1:
      swap = true, sx = 1, sy = -1;
      break;
    case 2:
      sx = -1, sy = -1;
      break;
    case 3:
      swap = true, sx = -1, sy = 1;
      break;
    default:
      break;
  }
  // The range of k with 0 <= base + s * k < n, within [0, count).
  auto clip = [](int64_t base, int s, int64_t n, int64_t count, int64_t& lo, int64_t& hi) {
    if (s > 0) {
      lo = -base, hi = n - base;
    } else {
      lo = base - n + 1, hi = base + 1;
    }
    lo = std::max<int64_t>(lo, 0);
    hi = std::min<int64_t>(hi, count);
  };
  int64_t c_lo, c_hi, r_lo, r_hi;
  if (!swap) {
    clip(tx0, sx, w, width, c_lo, c_hi);
    clip(ty0, sy, h, rows, r_lo, r_hi);
  } else {
    clip(ty0, sy, h, width, c_lo, c_hi);
    clip(tx0, sx, w, rows, r_lo, r_hi);
  }
  if (c_lo >= c_hi || r_lo >= r_hi) return;
  // Pointer steps in dots for one column (c) and one row (r) of the box.
  const ptrdiff_t stride = static_cast<ptrdiff_t>(w);
  const ptrdiff_t step_c = swap ? sy * stride : sx;
  const ptrdiff_t step_r = swap ? sx : sy * stride;
  uint32_t* origin = target.Row(0);
  // The dot for (c_lo, r_lo); every other dot of the clipped box is reached by steps.
  const int64_t fx = tx0 + (swap ? sx * r_lo : sx * c_lo);
  const int64_t fy = ty0 + (swap ? sy * c_lo : sy * r_lo);
  uint32_t* row_start = origin + fy * stride + fx;
  const int64_t count = c_hi - c_lo;
  if (step_c == 1) {
    BlendRows(row_start, step_r,
              coverage + static_cast<size_t>(r_lo) * static_cast<size_t>(width) +
                  static_cast<size_t>(c_lo),
              width, count, r_hi - r_lo, pixel);
    return;
  }
  for (int64_t r = r_lo; r < r_hi; ++r, row_start += step_r) {
    const uint8_t* cov = coverage + static_cast<size_t>(r) * static_cast<size_t>(width) +
                         static_cast<size_t>(c_lo);
    uint32_t* d = row_start;
    for (int64_t k = 0; k < count; ++k, d += step_c) {
      const unsigned a = cov[k];
      if (a == 0) continue;
      *d = a >= 255 ? pixel : BlendDot(*d, pixel, a);
    }
  }
}

}  // namespace velin
