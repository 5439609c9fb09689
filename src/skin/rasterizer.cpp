#include "skin/rasterizer.h"

#include <algorithm>
#include <cmath>

namespace velin::skin {

const CoverageMask& Rasterizer::Coverage(const Path& path, const RectI& clip) {
  mask_.area = {};
  mask_.values.clear();
  if (path.empty()) return mask_;
  const RectF b = path.Bounds();
  if (!std::isfinite(b.left) || !std::isfinite(b.top) || !std::isfinite(b.right) ||
      !std::isfinite(b.bottom)) {
    return mask_;
  }
  // Bounds far outside any surface are clamped before the integer conversion.
  static constexpr float kFar = 1 << 24;
  auto to_int = [](float v) { return static_cast<int>(std::clamp(v, -kFar, kFar)); };
  const RectI reach = {to_int(std::floor(b.left)), to_int(std::floor(b.top)),
                       to_int(std::ceil(b.right)), to_int(std::ceil(b.bottom))};
  const RectI area = reach.Intersect(clip);
  if (area.empty()) return mask_;

  const int w = area.width(), h = area.height();
  stride_ = w + 2;
  accumulation_.assign(static_cast<size_t>(stride_) * h, 0.0f);
  mask_.area = area;
  for (const Path::Contour& contour : path.contours()) {
    for (size_t i = 0; i < contour.size(); ++i) {
      const PointF p = contour[i], q = contour[(i + 1) % contour.size()];
      AddClippedLine({p.x - float(area.left), p.y - float(area.top)},
                     {q.x - float(area.left), q.y - float(area.top)});
    }
  }
  mask_.values.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const float* acc = accumulation_.data() + static_cast<size_t>(y) * stride_;
    uint8_t* out = mask_.values.data() + static_cast<size_t>(y) * w;
    float sum = 0;
    for (int x = 0; x < w; ++x) {
      sum += acc[x];
      const float cover = std::min(1.0f, std::abs(sum));
      out[x] = static_cast<uint8_t>(cover * 255.0f + 0.5f);
    }
  }
  return mask_;
}

// Edges left of the mask act on every pixel of their rows, as an edge on the mask's left side
// would; edges right of it act on none. So the parts of an edge outside [0, width] are moved
// onto those sides (keeping their rows) before they are accumulated.
void Rasterizer::AddClippedLine(PointF p0, PointF p1) {
  // An edge with a coordinate that is no number has no place on the grid.
  if (!std::isfinite(p0.x) || !std::isfinite(p0.y) || !std::isfinite(p1.x) ||
      !std::isfinite(p1.y) || p0.y == p1.y) {
    return;
  }
  const float w = float(mask_.area.width());
  // The edge's parameter t in [0, 1] where it crosses each side, in order.
  float cuts[4] = {0, 1, 1, 1};
  int n = 1;
  for (float side : {0.0f, w}) {
    if ((p0.x < side) != (p1.x < side)) {
      const float t = (side - p0.x) / (p1.x - p0.x);
      if (t > 0 && t < 1) cuts[n++] = t;
    }
  }
  if (n == 3 && cuts[1] > cuts[2]) std::swap(cuts[1], cuts[2]);
  cuts[n++] = 1;
  for (int i = 0; i + 1 < n; ++i) {
    const float t0 = cuts[i], t1 = cuts[i + 1];
    if (t1 <= t0) continue;
    PointF a = {p0.x + (p1.x - p0.x) * t0, p0.y + (p1.y - p0.y) * t0};
    PointF b = {p0.x + (p1.x - p0.x) * t1, p0.y + (p1.y - p0.y) * t1};
    if (i == 0) a = p0;
    if (i + 2 == n) b = p1;
    const float mid = (a.x + b.x) / 2;
    if (mid <= 0) {
      a.x = b.x = 0;
    } else if (mid >= w) {
      a.x = b.x = w;
    } else {
      a.x = std::clamp(a.x, 0.0f, w);
      b.x = std::clamp(b.x, 0.0f, w);
    }
    AddLine(a, b);
  }
}

void Rasterizer::AddLine(PointF p0, PointF p1) {
  if (p0.y == p1.y) return;
  float dir = 1;
  if (p0.y > p1.y) {
    std::swap(p0, p1);
    dir = -1;
  }
  const int h = mask_.area.height();
  const float dxdy = (p1.x - p0.x) / (p1.y - p0.y);
  const float x_max = float(mask_.area.width());
  float x = p0.x;
  if (p0.y < 0) x = std::clamp(x - p0.y * dxdy, 0.0f, x_max);
  // Rows are clamped as floats: far-away coordinates do not fit an int.
  const int y_begin = static_cast<int>(std::clamp(std::floor(p0.y), 0.0f, float(h)));
  const int y_end = static_cast<int>(std::clamp(std::ceil(p1.y), 0.0f, float(h)));
  for (int y = y_begin; y < y_end; ++y) {
    float* row = accumulation_.data() + static_cast<size_t>(y) * stride_;
    const float dy = std::min(float(y + 1), p1.y) - std::max(float(y), p0.y);
    // Rounding can push x a hair outside [0, width]; the cell indices below rely on it not.
    const float xnext = std::clamp(x + dxdy * dy, 0.0f, x_max);
    const float d = dy * dir;
    const float x0 = std::min(x, xnext), x1 = std::max(x, xnext);
    const float x0floor = std::floor(x0);
    const int x0i = static_cast<int>(x0floor);
    const float x1ceil = std::ceil(x1);
    const int x1i = static_cast<int>(x1ceil);
    if (x1i <= x0i + 1) {
      // The edge stays within one pixel column: split its area at its mean x.
      const float xmf = 0.5f * (x + xnext) - x0floor;
      row[x0i] += d - d * xmf;
      row[x0i + 1] += d * xmf;
    } else {
      // The edge crosses several columns: the area left of it grows quadratically in the first
      // and last column and linearly in between.
      const float s = 1.0f / (x1 - x0);
      const float x0f = x0 - x0floor;
      const float a0 = 0.5f * s * (1 - x0f) * (1 - x0f);
      const float x1f = x1 - x1ceil + 1;
      const float am = 0.5f * s * x1f * x1f;
      row[x0i] += d * a0;
      if (x1i == x0i + 2) {
        row[x0i + 1] += d * (1 - a0 - am);
      } else {
        const float a1 = s * (1.5f - x0f);
        row[x0i + 1] += d * (a1 - a0);
        for (int xi = x0i + 2; xi < x1i - 1; ++xi) row[xi] += d * s;
        const float a2 = a1 + float(x1i - x0i - 3) * s;
        row[x1i - 1] += d * (1 - a2 - am);
      }
      row[x1i] += d * am;
    }
    x = xnext;
  }
}

CoverageMask PathCoverage(const Path& path, const RectI& area) {
  Rasterizer rasterizer;
  const CoverageMask& reached = rasterizer.Coverage(path, area);
  CoverageMask out;
  out.area = area;
  if (area.empty()) return out;
  out.values.assign(static_cast<size_t>(area.width()) * area.height(), 0);
  for (int y = reached.area.top; y < reached.area.bottom; ++y) {
    for (int x = reached.area.left; x < reached.area.right; ++x) {
      out.values[static_cast<size_t>(y - area.top) * area.width() + (x - area.left)] =
          reached.At(x, y);
    }
  }
  return out;
}

}  // namespace velin::skin
