#include "interpreter/printer_drawing.h"

#include <algorithm>
#include <vector>

namespace velin {
namespace {

// Coordinates far beyond any page, kept where the canvas' int arithmetic is safe.
constexpr int64_t kFar = int64_t{1} << 30;
int Near(int64_t v) { return static_cast<int>(std::clamp(v, -kFar, kFar)); }

struct Clip {
  int64_t x0, y0, x1, y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};
Clip ClipTo(const Bitmap32& page, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  return {std::max<int64_t>(x0, 0), std::max<int64_t>(y0, 0), std::min<int64_t>(x1, page.width()),
          std::min<int64_t>(y1, page.height())};
}

// The corners of a printer line, or false for an axis-parallel one given as a rectangle.
bool LineShape(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t width, Clip& rect,
               Point (&corners)[4]) {
  width = std::max<int64_t>(width, 1);
  if (y0 == y1) {
    rect = {std::min(x0, x1), y0, std::max(x0, x1) + 1, y0 + width};
    return false;
  }
  if (x0 == x1) {
    rect = {x0, std::min(y0, y1), x0 + width, std::max(y0, y1) + 1};
    return false;
  }
  const bool mostly_horizontal = std::llabs(x1 - x0) >= std::llabs(y1 - y0);
  const int64_t dx = mostly_horizontal ? 0 : width, dy = mostly_horizontal ? width : 0;
  corners[0] = {Near(x0), Near(y0)};
  corners[1] = {Near(x1), Near(y1)};
  corners[2] = {Near(x1 + dx), Near(y1 + dy)};
  corners[3] = {Near(x0 + dx), Near(y0 + dy)};
  return true;
}

}  // namespace

void FillArea(Bitmap32& page, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Color color) {
  const Clip c = ClipTo(page, x0, y0, x1, y1);
  if (c.empty()) return;
  for (int64_t y = c.y0; y < c.y1; ++y) {
    uint32_t* row = page.Row(static_cast<int>(y));
    std::fill(row + c.x0, row + c.x1, ToPixel(color));
  }
}

void InvertArea(Bitmap32& page, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  const Clip c = ClipTo(page, x0, y0, x1, y1);
  if (c.empty()) return;
  for (int64_t y = c.y0; y < c.y1; ++y) {
    uint32_t* row = page.Row(static_cast<int>(y));
    for (int64_t x = c.x0; x < c.x1; ++x) row[x] ^= 0xFFFFFF;
  }
}

void DrawPrinterLine(Canvas& canvas, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t width,
                     Color color) {
  Clip rect{};
  Point corners[4];
  if (!LineShape(x0, y0, x1, y1, width, rect, corners)) {
    FillArea(canvas.target(), rect.x0, rect.y0, rect.x1, rect.y1, color);
    return;
  }
  const Canvas::State saved = canvas.Save();
  canvas.pen.width = 1;
  canvas.pen.color = color;
  canvas.brush.color = color;
  canvas.brush.style = BrushStyle::kSolid;
  canvas.Polygon(corners, 4);
  canvas.Restore(saved);
}

void InvertPrinterLine(Canvas& canvas, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                       int64_t width) {
  Clip rect{};
  Point corners[4];
  Bitmap32& page = canvas.target();
  if (!LineShape(x0, y0, x1, y1, width, rect, corners)) {
    InvertArea(page, rect.x0, rect.y0, rect.x1, rect.y1);
    return;
  }
  // The parallelogram painted on a mask of the page's size, then inverted where painted.
  Bitmap32 mask(page.width(), page.height());
  Canvas on_mask(mask);
  on_mask.pen.color = kBlack;
  on_mask.brush.color = kBlack;
  on_mask.Polygon(corners, 4);
  const uint32_t black = ToPixel(kBlack);
  for (int y = 0; y < page.height(); ++y) {
    const uint32_t* m = mask.Row(y);
    uint32_t* row = page.Row(y);
    for (int x = 0; x < page.width(); ++x)
      if (m[x] == black) row[x] ^= 0xFFFFFF;
  }
}

void DrawPrinterBox(Canvas& canvas, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t width) {
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  width = std::clamp<int64_t>(width, 1, kFar);
  Bitmap32& page = canvas.target();
  FillArea(page, x0, y0, x1 + 1, y0 + width, kBlack);
  FillArea(page, x0, y1 - width + 1, x1 + 1, y1 + 1, kBlack);
  FillArea(page, x0, y0, x0 + width, y1 + 1, kBlack);
  FillArea(page, x1 - width + 1, y0, x1 + 1, y1 + 1, kBlack);
}

void MergeBitmap(Bitmap32& page, std::span<const uint8_t> data, int64_t width_bytes, int64_t height,
                 int64_t x, int64_t y, int black_bit, MergeMode mode) {
  if (width_bytes <= 0 || height <= 0) return;
  const uint32_t black = ToPixel(kBlack), white = ToPixel(kWhite);
  const int64_t rows = std::min<int64_t>(height, static_cast<int64_t>(data.size()) / width_bytes +
                                                     (data.size() % width_bytes ? 1 : 0));
  for (int64_t i = std::max<int64_t>(0, -y); i < rows && y + i < page.height(); ++i) {
    uint32_t* row = page.Row(static_cast<int>(y + i));
    const int64_t k_first = std::max<int64_t>(0, -x);
    const int64_t k_end = std::min<int64_t>(8 * width_bytes, page.width() - x);
    for (int64_t k = k_first; k < k_end; ++k) {
      const size_t at = static_cast<size_t>(i * width_bytes + k / 8);
      if (at >= data.size()) break;
      const bool dark = ((data[at] >> (7 - k % 8)) & 1) == black_bit;
      uint32_t& dot = row[x + k];
      switch (mode) {
        case MergeMode::kOverwrite:
          dot = dark ? black : white;
          break;
        case MergeMode::kOr:
          if (dark) dot = black;
          break;
        case MergeMode::kXor:
          if (dark) dot ^= 0xFFFFFF;
          break;
      }
    }
  }
}

void MirrorPage(Bitmap32& page) {
  for (int y = 0; y < page.height(); ++y) std::reverse(page.Row(y), page.Row(y) + page.width());
}

}  // namespace velin
