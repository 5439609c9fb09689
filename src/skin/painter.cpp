#include "skin/painter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velin::skin {
namespace {

// Source over for premultiplied pixels: src + dst × (1 - src alpha).
inline uint32_t SourceOver(uint32_t src, uint32_t dst) {
  const uint32_t inv = 255 - (src >> 24);
  if (inv == 0) return src;
  const uint32_t rb = (dst & 0x00FF00FFu) * inv;
  const uint32_t ag = ((dst >> 8) & 0x00FF00FFu) * inv;
  // Div255 on both packed channel pairs at once.
  const uint32_t rb255 =
      ((rb + 0x00800080u + ((rb + 0x00800080u) >> 8 & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  const uint32_t ag255 = (ag + 0x00800080u + ((ag + 0x00800080u) >> 8 & 0x00FF00FFu)) & 0xFF00FF00u;
  return src + (rb255 | ag255);
}

// The premultiplied pixel `p` scaled by a / 255.
inline uint32_t Scale(uint32_t p, uint32_t a) {
  const uint32_t rb = (p & 0x00FF00FFu) * a;
  const uint32_t ag = ((p >> 8) & 0x00FF00FFu) * a;
  const uint32_t rb255 =
      ((rb + 0x00800080u + ((rb + 0x00800080u) >> 8 & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  const uint32_t ag255 = (ag + 0x00800080u + ((ag + 0x00800080u) >> 8 & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb255 | ag255;
}

}  // namespace

void Painter::Clear(Argb c) { Clear(target_.Bounds(), c); }

void Painter::Clear(const RectI& r, Argb c) { target_.Sub(r.Intersect(clip_)).Fill(c); }

void Painter::FillMask(const CoverageMask& mask, Argb c) {
  const RectI area = mask.area.Intersect(clip_);
  if (area.empty() || AlphaOf(c) == 0) return;
  const uint32_t pixel = Premultiply(c);
  const int w = mask.area.width();
  for (int y = area.top; y < area.bottom; ++y) {
    const uint8_t* cover = mask.values.data() + static_cast<size_t>(y - mask.area.top) * w +
                           (area.left - mask.area.left);
    uint32_t* row = target_.Row(y) + area.left;
    for (int i = 0, n = area.width(); i < n; ++i) {
      const uint32_t a = cover[i];
      if (a == 0) continue;
      row[i] = SourceOver(a == 255 ? pixel : Scale(pixel, a), row[i]);
    }
  }
}

void Painter::Fill(const Path& path, Argb c) {
  if (AlphaOf(c) == 0) return;
  FillMask(rasterizer_.Coverage(path, clip_), c);
}

void Painter::FillRoundedRect(const RectF& r, const CornerRadii& radii, Argb c) {
  Fill(RoundedRect(r, radii), c);
}

void Painter::StrokeRoundedRect(const RectF& r, const CornerRadii& radii, float width, Argb c) {
  Fill(RoundedRectBorder(r, radii, width), c);
}

void Painter::FillCircle(PointF centre, float radius, Argb c) { Fill(Circle(centre, radius), c); }

void Painter::StrokeCircle(PointF centre, float radius, float width, Argb c) {
  Fill(Ring(centre, radius, width), c);
}

void Painter::StrokeArc(PointF centre, float radius, float width, float start, float sweep,
                        LineCap cap, Argb c) {
  Fill(ArcStroke(centre, radius, width, start, sweep, cap), c);
}

void Painter::StrokeLine(PointF a, PointF b, float width, LineCap cap, Argb c) {
  Fill(LineStroke(a, b, width, cap), c);
}

void Painter::StrokePolyline(std::span<const PointF> points, float width, LineCap cap, Argb c) {
  Fill(PolylineStroke(points, width, cap), c);
}

void Painter::DrawGlyph(Glyph glyph, const RectF& box, float width, Argb c) {
  if (box.empty()) return;
  // Glyphs are drawn in a square centred in the box, inset so the strokes stay inside it.
  const float side = std::min(box.width(), box.height());
  const PointF m = box.Centre();
  const float h = side / 2 - width / 2;
  auto at = [&](float fx, float fy) { return PointF{m.x + fx * h, m.y + fy * h}; };
  switch (glyph) {
    case Glyph::kNone:
      return;
    case Glyph::kClose: {
      Path path = LineStroke(at(-1, -1), at(1, 1), width, LineCap::kFlat);
      path.Append(LineStroke(at(1, -1), at(-1, 1), width, LineCap::kFlat));
      Fill(path, c);
      return;
    }
    case Glyph::kMinimise:
      StrokeLine(at(-1, 0), at(1, 0), width, LineCap::kFlat, c);
      return;
    case Glyph::kChevronDown: {
      const PointF points[] = {at(-1, -0.5f), at(0, 0.5f), at(1, -0.5f)};
      StrokePolyline(points, width, LineCap::kRound, c);
      return;
    }
    case Glyph::kChevronUp: {
      const PointF points[] = {at(-1, 0.5f), at(0, -0.5f), at(1, 0.5f)};
      StrokePolyline(points, width, LineCap::kRound, c);
      return;
    }
    case Glyph::kCheck: {
      const PointF points[] = {at(-1, 0), at(-0.3f, 0.7f), at(1, -0.7f)};
      StrokePolyline(points, width, LineCap::kRound, c);
      return;
    }
  }
}

void Painter::DrawImage(const Surface& image, int x, int y, uint8_t opacity) {
  if (image.empty() || opacity == 0) return;
  const RectI dest = RectI{x, y, x + image.width(), y + image.height()}.Intersect(clip_);
  for (int ty = dest.top; ty < dest.bottom; ++ty) {
    const uint32_t* src = image.Row(ty - y) + (dest.left - x);
    uint32_t* row = target_.Row(ty) + dest.left;
    for (int i = 0, n = dest.width(); i < n; ++i) {
      const uint32_t s = opacity == 255 ? src[i] : Scale(src[i], opacity);
      if ((s >> 24) != 0) row[i] = SourceOver(s, row[i]);
    }
  }
}

namespace {

// For each destination index in [first, first + count), the source indices it covers and the
// share of each, when `src` units are stretched over `dst` units.
struct Tap {
  int first = 0;
  std::vector<float> weights;
};

std::vector<Tap> Taps(int src, int dst, int first, int count) {
  std::vector<Tap> taps(static_cast<size_t>(count));
  const double scale = double(src) / dst;
  for (int k = 0; k < count; ++k) {
    const int i = first + k;
    const double lo = i * scale, hi = (i + 1) * scale;
    Tap& tap = taps[static_cast<size_t>(k)];
    tap.first = static_cast<int>(std::floor(lo));
    for (int s = tap.first; s < hi && s < src; ++s) {
      const double overlap = std::min<double>(hi, s + 1) - std::max<double>(lo, s);
      tap.weights.push_back(float(overlap / scale));
    }
  }
  return taps;
}

}  // namespace

void Painter::DrawImageScaled(const Surface& image, const RectI& dest) {
  if (image.empty() || dest.empty()) return;
  const RectI visible = dest.Intersect(clip_);
  if (visible.empty()) return;
  // Only the visible part of the destination is computed.
  const std::vector<Tap> xs =
      Taps(image.width(), dest.width(), visible.left - dest.left, visible.width());
  const std::vector<Tap> ys =
      Taps(image.height(), dest.height(), visible.top - dest.top, visible.height());
  std::vector<float> line(static_cast<size_t>(visible.width()) * 4);
  for (int ty = visible.top; ty < visible.bottom; ++ty) {
    std::fill(line.begin(), line.end(), 0.0f);
    const Tap& ty_tap = ys[static_cast<size_t>(ty - visible.top)];
    for (size_t j = 0; j < ty_tap.weights.size(); ++j) {
      const uint32_t* src = image.Row(ty_tap.first + static_cast<int>(j));
      const float wy = ty_tap.weights[j];
      for (int tx = visible.left; tx < visible.right; ++tx) {
        const Tap& tx_tap = xs[static_cast<size_t>(tx - visible.left)];
        float* acc = &line[static_cast<size_t>(tx - visible.left) * 4];
        for (size_t k = 0; k < tx_tap.weights.size(); ++k) {
          const uint32_t p = src[tx_tap.first + static_cast<int>(k)];
          const float w = wy * tx_tap.weights[k];
          acc[0] += w * float(p & 0xFF);
          acc[1] += w * float((p >> 8) & 0xFF);
          acc[2] += w * float((p >> 16) & 0xFF);
          acc[3] += w * float(p >> 24);
        }
      }
    }
    uint32_t* row = target_.Row(ty);
    for (int tx = visible.left; tx < visible.right; ++tx) {
      const float* acc = &line[static_cast<size_t>(tx - visible.left) * 4];
      auto channel = [](float v) {
        return static_cast<uint32_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
      };
      const uint32_t a = channel(acc[3]);
      // Premultiplied channels never exceed alpha.
      const uint32_t p = (a << 24) | (std::min(a, channel(acc[2])) << 16) |
                         (std::min(a, channel(acc[1])) << 8) | std::min(a, channel(acc[0]));
      if (a != 0) row[tx] = SourceOver(p, row[tx]);
    }
  }
}

}  // namespace velin::skin
