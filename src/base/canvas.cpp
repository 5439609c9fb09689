#include "base/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace velin {

namespace {

// Sub-pixel offset of a dot's sample point for wide pens: the dot (px, py) is sampled just
// below and to the right of its integer position, so a boundary that passes exactly through
// the position counts the dot in on the top/left side and out on the bottom/right side.
constexpr double kSampleOffset = 1.0 / 1024;

// Floor of a / b for b > 0.
template <typename T>
T FloorDiv(T a, T b) {
  T q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Fills dots [x1, x2) of row y, clipped to the bitmap.
void FillSpan(Bitmap32& bmp, int64_t y, int64_t x1, int64_t x2, Color c) {
  if (y < 0 || y >= bmp.height()) return;
  x1 = std::max<int64_t>(x1, 0);
  x2 = std::min<int64_t>(x2, bmp.width());
  if (x1 >= x2) return;
  uint32_t* row = bmp.Row(static_cast<int>(y));
  std::fill(row + x1, row + x2, ToPixel(c));
}

// One-dot line from (x0, y0) towards (x1, y1), end point excluded. Along the major axis every
// dot is visited once; the minor coordinate is the exact line rounded to the nearest dot, with
// a tie going to the smaller coordinate (so a line and its reverse cover the same inner dots).
void ThinLine(Bitmap32& bmp, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Color c) {
  int64_t dx = x1 - x0;
  int64_t dy = y1 - y0;
  if (dx == 0 && dy == 0) return;
  const bool x_major = std::llabs(dx) >= std::llabs(dy);
  // Work in (major, minor) coordinates.
  int64_t a0 = x_major ? x0 : y0;
  int64_t b0 = x_major ? y0 : x0;
  int64_t da = x_major ? dx : dy;
  int64_t db = x_major ? dy : dx;
  const int64_t a_limit = x_major ? bmp.width() : bmp.height();
  const int64_t b_limit = x_major ? bmp.height() : bmp.width();
  const int64_t n = std::llabs(da);
  const int64_t step = da > 0 ? 1 : -1;

  // Steps i in [0, n) whose major coordinate a0 + step * i lies inside [0, a_limit).
  int64_t lo, hi;
  if (step > 0) {
    lo = -a0;
    hi = a_limit - a0;
  } else {
    lo = a0 - (a_limit - 1);
    hi = a0 + 1;
  }
  lo = std::max<int64_t>(lo, 0);
  hi = std::min<int64_t>(hi, n);
  if (lo >= hi) return;

  // Minor offset at step i: ceil((2 * i * db - n) / (2 * n)), kept as quotient and remainder.
  const int64_t den = 2 * n;
  const __int128 num0 = static_cast<__int128>(2) * lo * db - n;
  __int128 q128 = num0 / den;
  if (num0 % den != 0 && num0 > 0) ++q128;
  int64_t q = static_cast<int64_t>(q128);
  int64_t rem = static_cast<int64_t>(num0 - q128 * den);  // in (-den, 0]
  for (int64_t i = lo; i < hi; ++i) {
    const int64_t a = a0 + step * i;
    const int64_t b = b0 + q;
    if (b >= 0 && b < b_limit) {
      if (x_major)
        bmp.SetPixel(static_cast<int>(a), static_cast<int>(b), c);
      else
        bmp.SetPixel(static_cast<int>(b), static_cast<int>(a), c);
    }
    rem += 2 * db;
    while (rem > 0) {
      ++q;
      rem -= den;
    }
    while (rem <= -den) {
      --q;
      rem += den;
    }
  }
}

// Closed interval [lo, hi] of x; empty when lo > hi.
struct Interval {
  double lo = 1;
  double hi = 0;
  bool empty() const { return lo > hi; }
};

// The part of the row y = c inside a disk.
Interval DiskRow(double cx, double cy, double r, double c) {
  const double d = c - cy;
  if (std::fabs(d) > r) return {};
  const double half = std::sqrt(r * r - d * d);
  return {cx - half, cx + half};
}

// A wide pen stroke: every dot whose sample point lies within width / 2 of the segment, which
// is the segment swept by a disk (round ends). Computed row by row as the union of the
// row's crossings with the rectangle body and the two end disks, which is one interval since
// the stroke is convex.
void WideLine(Bitmap32& bmp, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, Color c) {
  const double r = width / 2.0;
  const double fx0 = static_cast<double>(x0), fy0 = static_cast<double>(y0);
  const double fx1 = static_cast<double>(x1), fy1 = static_cast<double>(y1);
  const double len = std::hypot(fx1 - fx0, fy1 - fy0);
  // Unit direction u and normal n of the body.
  const double ux = len > 0 ? (fx1 - fx0) / len : 0, uy = len > 0 ? (fy1 - fy0) / len : 0;
  const double nx = -uy, ny = ux;

  const double top = std::min(fy0, fy1) - r, bottom = std::max(fy0, fy1) + r;
  int64_t row_first = static_cast<int64_t>(std::ceil(top - kSampleOffset));
  int64_t row_last = static_cast<int64_t>(std::floor(bottom - kSampleOffset));
  row_first = std::max<int64_t>(row_first, 0);
  row_last = std::min<int64_t>(row_last, int64_t{bmp.height()} - 1);

  for (int64_t py = row_first; py <= row_last; ++py) {
    const double yc = static_cast<double>(py) + kSampleOffset;
    Interval span;
    auto unite = [&span](const Interval& part) {
      if (part.empty()) return;
      if (span.empty()) {
        span = part;
      } else {
        span.lo = std::min(span.lo, part.lo);
        span.hi = std::max(span.hi, part.hi);
      }
    };
    unite(DiskRow(fx0, fy0, r, yc));
    unite(DiskRow(fx1, fy1, r, yc));
    if (len > 0) {
      // Body: |(Q - P0)·n| <= r and 0 <= (Q - P0)·u <= len, each linear in x.
      Interval body{-1e300, 1e300};
      auto constrain = [&body, yc, fx0, fy0](double kx, double ky, double lo, double hi) {
        // lo <= kx * (x - fx0) + ky * (yc - fy0) <= hi
        const double base = ky * (yc - fy0);
        if (kx == 0) {
          if (base < lo || base > hi) body = {};
          return;
        }
        double a = (lo - base) / kx + fx0, b = (hi - base) / kx + fx0;
        if (a > b) std::swap(a, b);
        body.lo = std::max(body.lo, a);
        body.hi = std::min(body.hi, b);
      };
      constrain(nx, ny, -r, r);
      constrain(ux, uy, 0, len);
      unite(body);
    }
    if (span.empty()) continue;
    const double first = std::ceil(span.lo - kSampleOffset);
    const double last = std::floor(span.hi - kSampleOffset);
    if (last < 0 || first >= bmp.width() || first > last) continue;
    FillSpan(bmp, py, static_cast<int64_t>(std::max(first, 0.0)),
             static_cast<int64_t>(std::min(last, static_cast<double>(bmp.width()))) + 1, c);
  }
}

// True when the four points are the corners of an axis-aligned rectangle with sides longer
// than zero, in either turning order; gives its edges.
bool AxisAlignedRectangle(const Point* p, int count, int64_t& left, int64_t& top, int64_t& right,
                          int64_t& bottom) {
  if (count != 4) return false;
  const bool h0 = p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x;
  const bool v0 = p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y;
  if (!h0 && !v0) return false;
  left = std::min(p[0].x, p[2].x);
  right = std::max(p[0].x, p[2].x);
  top = std::min(p[0].y, p[2].y);
  bottom = std::max(p[0].y, p[2].y);
  return left < right && top < bottom;
}

void StrokeSegment(Bitmap32& bmp, const Pen& pen, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  if (pen.width <= 1)
    ThinLine(bmp, x0, y0, x1, y1, pen.color);
  else
    WideLine(bmp, x0, y0, x1, y1, pen.width, pen.color);
}

}  // namespace

void Canvas::MoveTo(int x, int y) { position_ = {x, y}; }

void Canvas::LineTo(int x, int y) {
  StrokeSegment(*target_, pen, position_.x, position_.y, x, y);
  position_ = {x, y};
}

void Canvas::Rectangle(int x1, int y1, int x2, int y2) {
  int64_t left = std::min(x1, x2), right = std::max(x1, x2);
  int64_t top = std::min(y1, y2), bottom = std::max(y1, y2);
  if (left == right || top == bottom) return;
  if (brush.style != BrushStyle::kClear) {
    for (int64_t y = std::max<int64_t>(top, 0); y < std::min<int64_t>(bottom, target_->height());
         ++y)
      FillSpan(*target_, y, left, right, brush.color);
  }
  if (pen.width <= 1) {
    // The outline dots of [left, right) × [top, bottom).
    FillSpan(*target_, top, left, right, pen.color);
    FillSpan(*target_, bottom - 1, left, right, pen.color);
    for (int64_t y = std::max<int64_t>(top, 0); y < std::min<int64_t>(bottom, target_->height());
         ++y) {
      FillSpan(*target_, y, left, left + 1, pen.color);
      FillSpan(*target_, y, right - 1, right, pen.color);
    }
    return;
  }
  // A wide pen strokes the closed path through the outline dots' corners; round joins.
  const int64_t r = right - 1, b = bottom - 1;
  StrokeSegment(*target_, pen, left, top, r, top);
  StrokeSegment(*target_, pen, r, top, r, b);
  StrokeSegment(*target_, pen, r, b, left, b);
  StrokeSegment(*target_, pen, left, b, left, top);
}

void Canvas::FillRect(int x1, int y1, int x2, int y2) {
  const int64_t y_end = std::min<int64_t>(y2, target_->height());
  for (int64_t y = std::max<int64_t>(y1, 0); y < y_end; ++y)
    FillSpan(*target_, y, x1, x2, brush.color);
}

void Canvas::Polygon(const Point* points, int count) {
  if (points == nullptr || count < 2) return;
  Bitmap32& bmp = *target_;
  int64_t left, top, right, bottom;
  if (pen.width <= 1 && AxisAlignedRectangle(points, count, left, top, right, bottom)) {
    // The shape of every upright or quarter-turned bar, span by span: the same dots as the
    // general path below (centres in [left, right) × [top, bottom), then the one-dot outline
    // over [left, right] × [top, bottom]).
    const int64_t first_row = std::max<int64_t>(top, 0);
    const int64_t last_row = std::min<int64_t>(bottom, int64_t{bmp.height()} - 1);
    if (brush.style != BrushStyle::kClear)
      for (int64_t y = first_row; y < std::min<int64_t>(bottom, bmp.height()); ++y)
        FillSpan(bmp, y, left, right, brush.color);
    FillSpan(bmp, top, left, right + 1, pen.color);
    FillSpan(bmp, bottom, left, right + 1, pen.color);
    for (int64_t y = first_row; y <= last_row; ++y) {
      FillSpan(bmp, y, left, left + 1, pen.color);
      FillSpan(bmp, y, right, right + 1, pen.color);
    }
    return;
  }
  if (brush.style != BrushStyle::kClear && count >= 3) {
    // Alternate (even-odd) fill of the dots whose centres lie inside; a centre exactly on a
    // left edge is in, on a right edge out. Edges are half-open in y: [ymin, ymax).
    int64_t ymin = points[0].y, ymax = points[0].y;
    for (int i = 1; i < count; ++i) {
      ymin = std::min<int64_t>(ymin, points[i].y);
      ymax = std::max<int64_t>(ymax, points[i].y);
    }
    const int64_t row_first = std::max<int64_t>(ymin, 0);
    const int64_t row_last = std::min<int64_t>(ymax, int64_t{bmp.height()}) - 1;
    std::vector<double> xs;
    for (int64_t py = row_first; py <= row_last; ++py) {
      const double yc = static_cast<double>(py) + 0.5;
      xs.clear();
      for (int i = 0; i < count; ++i) {
        const Point& p = points[i];
        const Point& q = points[(i + 1) % count];
        if (p.y == q.y) continue;
        const double ya = std::min(p.y, q.y), yb = std::max(p.y, q.y);
        if (yc < ya || yc >= yb) continue;
        const double t = (yc - p.y) / (static_cast<double>(q.y) - p.y);
        xs.push_back(p.x + t * (static_cast<double>(q.x) - p.x));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t k = 0; k + 1 < xs.size(); k += 2) {
        // Dots px with px + 0.5 in [xs[k], xs[k+1]).
        const double first = std::ceil(xs[k] - 0.5);
        const double end = std::ceil(xs[k + 1] - 0.5);
        if (end <= 0 || first >= bmp.width()) continue;
        FillSpan(bmp, py, static_cast<int64_t>(std::max(first, 0.0)),
                 static_cast<int64_t>(std::min(end, static_cast<double>(bmp.width()))),
                 brush.color);
      }
    }
  }
  // Outline: each edge from its vertex to the next one, back to the first; since every edge
  // starts at a vertex, all corner dots are covered even though each edge excludes its end.
  for (int i = 0; i < count; ++i) {
    const Point& p = points[i];
    const Point& q = points[(i + 1) % count];
    StrokeSegment(bmp, pen, p.x, p.y, q.x, q.y);
  }
}

void Canvas::TextOut(int x, int y, std::string_view text) {
  if (text_ == nullptr || text.empty()) return;
  if (brush.style != BrushStyle::kClear) {
    // Opaque text: the text cell, turned with the text, is filled first.
    const Size cell = text_->Measure(text, font);
    const int64_t w = cell.width, h = cell.height;
    int64_t l = x, t = y, r = x + w, b = y + h;
    switch (((font.orientation % 3600) + 3600) % 3600) {
      case 900:  // runs upwards: the cell lies above and to the right of (x, y)
        l = x, t = y - w, r = x + h, b = y;
        break;
      case 1800:
        l = x - w, t = y - h, r = x, b = y;
        break;
      case 2700:
        l = x - h, t = y, r = x, b = y + w;
        break;
      default:
        break;
    }
    const int64_t y_end = std::min<int64_t>(b, target_->height());
    for (int64_t row = std::max<int64_t>(t, 0); row < y_end; ++row)
      FillSpan(*target_, row, l, r, brush.color);
  }
  text_->Draw(*target_, x, y, text, font);
}

Size Canvas::TextExtent(std::string_view text) {
  if (text_ == nullptr || text.empty()) return {};
  return text_->Measure(text, font);
}

void Canvas::StretchDraw(int x, int y, int w, int h, const Bitmap32& source) {
  if (w <= 0 || h <= 0 || source.empty()) return;
  Bitmap32& bmp = *target_;
  const int64_t sw = source.width(), sh = source.height();
  const int64_t x_first = std::max<int64_t>(x, 0);
  const int64_t x_end = std::min<int64_t>(int64_t{x} + w, bmp.width());
  const int64_t y_first = std::max<int64_t>(y, 0);
  const int64_t y_end = std::min<int64_t>(int64_t{y} + h, bmp.height());
  if (x_first >= x_end || y_first >= y_end) return;
  // Destination dot d (counted from the rectangle's left) takes the source dot under its
  // centre: floor((2d + 1) × sw / 2w).
  std::vector<int32_t> column(static_cast<size_t>(x_end - x_first));
  for (int64_t dx = x_first; dx < x_end; ++dx) {
    const int64_t d = dx - x;
    column[static_cast<size_t>(dx - x_first)] =
        static_cast<int32_t>(std::min(sw - 1, FloorDiv<int64_t>((2 * d + 1) * sw, 2 * int64_t{w})));
  }
  for (int64_t dy = y_first; dy < y_end; ++dy) {
    const int64_t d = dy - y;
    const int sy =
        static_cast<int>(std::min(sh - 1, FloorDiv<int64_t>((2 * d + 1) * sh, 2 * int64_t{h})));
    const uint32_t* src = source.Row(sy);
    uint32_t* dst = bmp.Row(static_cast<int>(dy)) + x_first;
    for (size_t i = 0; i < column.size(); ++i) dst[i] = src[column[i]];
  }
}

}  // namespace velin
