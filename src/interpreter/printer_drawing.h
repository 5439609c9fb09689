// Drawing as 203-dpi label printers draw: lines and boxes whose thickness lies inside the
// corners given, areas inverted or erased, and 1-bit images merged into the page. All clip to
// the page; any coordinates are safe. The caller holds the page lock.
#pragma once

#include <cstdint>
#include <span>

#include "base/bitmap.h"
#include "base/canvas.h"

namespace velin {

// From (x0, y0) to (x1, y1), both ends included, `width` dots thick (at least 1): below a
// horizontal line, right of a vertical one; a slanted line is the parallelogram that the
// thickness sweeps downward (mostly horizontal) or rightward (mostly vertical).
void DrawPrinterLine(Canvas& canvas, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t width,
                     Color color);

// The outline of the rectangle with corners (x0, y0) and (x1, y1), both included, `width`
// dots thick (at least 1) on the inside.
void DrawPrinterBox(Canvas& canvas, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t width);

// [x0, x1) × [y0, y1) painted `color` / inverted (black and white swapped, every channel).
void FillArea(Bitmap32& page, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Color color);
void InvertArea(Bitmap32& page, int64_t x0, int64_t y0, int64_t x1, int64_t y1);

// The dots DrawPrinterLine would paint, inverted instead (CPCL INVERSE-LINE).
void InvertPrinterLine(Canvas& canvas, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                       int64_t width);

// How a 1-bit image meets the page: its dots replace the page's, are added to them, or
// invert them.
enum class MergeMode { kOverwrite, kOr, kXor };

// Rows of `width_bytes` bytes, most significant bit leftmost, top-left at (x, y); a bit equal
// to `black_bit` is a black dot. Rows or bytes the data lacks are left as they are.
void MergeBitmap(Bitmap32& page, std::span<const uint8_t> data, int64_t width_bytes, int64_t height,
                 int64_t x, int64_t y, int black_bit, MergeMode mode);

// The page mirrored left to right.
void MirrorPage(Bitmap32& page);

}  // namespace velin
