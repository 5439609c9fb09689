#include "skin/path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velin::skin {
namespace {

constexpr float kDegrees = std::numbers::pi_v<float> / 180;
// Largest distance between a flattened arc and its circle, in pixels.
constexpr float kTolerance = 0.02f;

// Clock angle of the direction (dx, dy).
float AngleOf(float dx, float dy) { return std::atan2(dx, -dy) / kDegrees; }

}  // namespace

PointF PointOnCircle(PointF c, float r, float degrees) {
  const float a = degrees * kDegrees;
  return {c.x + r * std::sin(a), c.y - r * std::cos(a)};
}

void Path::MoveTo(PointF p) {
  contours_.push_back({p});
  open_ = true;
}

void Path::LineTo(PointF p) {
  if (!open_) {
    MoveTo(p);
    return;
  }
  contours_.back().push_back(p);
}

void Path::ArcTo(PointF c, float r, float start, float sweep) {
  if (!(r > 0) || !std::isfinite(sweep)) {
    LineTo(c);
    return;
  }
  const float sweep_rad = std::abs(sweep) * kDegrees;
  const float step = 2 * std::acos(std::max(0.0f, 1 - kTolerance / r));
  int n = step > 0 ? static_cast<int>(std::ceil(sweep_rad / step)) : 1;
  n = std::clamp(n, 1, 1024);
  // A whole circle has no ends to join: a multiple of four segments keeps it as symmetric as
  // the circle, and every vertex takes the corrected radius.
  const bool whole = std::abs(sweep) >= 360;
  if (whole) n = std::max(8, (n + 3) / 4 * 4);
  const float phi = sweep_rad / float(n);
  // Inner vertices a little outside the circle, so that each chord's triangle has about the
  // area of its sector: the polygon then neither loses nor gains coverage against the true
  // circle. The end points stay on the circle, where straight sides and caps join it.
  const float r_vertex = phi > 1e-4f ? r * std::sqrt(phi / std::sin(phi)) : r;
  for (int i = 0; i <= n; ++i) {
    const float a = start + sweep * float(i) / float(n);
    LineTo(PointOnCircle(c, (i == 0 || i == n) && !whole ? r : r_vertex, a));
  }
}

void Path::Close() { open_ = false; }

void Path::Append(const Path& other) {
  contours_.insert(contours_.end(), other.contours_.begin(), other.contours_.end());
  open_ = false;
}

RectF Path::Bounds() const {
  bool any = false;
  RectF b;
  for (const Contour& contour : contours_) {
    for (const PointF& p : contour) {
      if (!any) {
        b = {p.x, p.y, p.x, p.y};
        any = true;
      }
      b.left = std::min(b.left, p.x);
      b.top = std::min(b.top, p.y);
      b.right = std::max(b.right, p.x);
      b.bottom = std::max(b.bottom, p.y);
    }
  }
  return b;
}

CornerRadii FitRadii(const RectF& r, const CornerRadii& in) {
  CornerRadii radii = {std::max(0.0f, in.top_left), std::max(0.0f, in.top_right),
                       std::max(0.0f, in.bottom_right), std::max(0.0f, in.bottom_left)};
  const float w = std::max(0.0f, r.width()), h = std::max(0.0f, r.height());
  float f = 1;
  auto limit = [&f](float side, float a, float b) {
    if (a + b > side) f = std::min(f, side / (a + b));
  };
  limit(w, radii.top_left, radii.top_right);
  limit(w, radii.bottom_left, radii.bottom_right);
  limit(h, radii.top_left, radii.bottom_left);
  limit(h, radii.top_right, radii.bottom_right);
  if (f < 1) {
    radii.top_left *= f;
    radii.top_right *= f;
    radii.bottom_right *= f;
    radii.bottom_left *= f;
  }
  return radii;
}

void AddRoundedRect(Path& path, const RectF& r, const CornerRadii& in, bool hole) {
  if (r.empty()) return;
  const CornerRadii c = FitRadii(r, in);
  Path shape;
  // Clockwise from the top left corner's end on the top side.
  auto corner = [&shape](float cx, float cy, float radius, float start) {
    if (radius > 0) {
      shape.ArcTo({cx, cy}, radius, start, 90);
    } else {
      shape.LineTo(PointOnCircle({cx, cy}, 0, 0));
    }
  };
  corner(r.right - c.top_right, r.top + c.top_right, c.top_right, 0);
  corner(r.right - c.bottom_right, r.bottom - c.bottom_right, c.bottom_right, 90);
  corner(r.left + c.bottom_left, r.bottom - c.bottom_left, c.bottom_left, 180);
  corner(r.left + c.top_left, r.top + c.top_left, c.top_left, 270);
  Path::Contour contour = shape.contours().front();
  if (hole) std::reverse(contour.begin(), contour.end());
  path.MoveTo(contour.front());
  for (size_t i = 1; i < contour.size(); ++i) path.LineTo(contour[i]);
  path.Close();
}

Path RoundedRect(const RectF& r, const CornerRadii& radii) {
  Path path;
  AddRoundedRect(path, r, radii);
  return path;
}

Path RoundedRectBorder(const RectF& r, const CornerRadii& radii, float width) {
  Path path;
  if (r.empty() || !(width > 0)) return path;
  const CornerRadii outer = FitRadii(r, radii);
  AddRoundedRect(path, r, outer);
  const RectF inner = r.Inset(width);
  if (!inner.empty()) AddRoundedRect(path, inner, outer.Shrunk(width), true);
  return path;
}

Path Circle(PointF c, float radius) {
  Path path;
  if (radius > 0) {
    path.ArcTo(c, radius, 0, 360);
    path.Close();
  }
  return path;
}

Path Ring(PointF c, float radius, float width) {
  Path path;
  const float outer = radius + width / 2, inner = radius - width / 2;
  if (!(width > 0) || !(outer > 0)) return path;
  path.ArcTo(c, outer, 0, 360);
  path.Close();
  if (inner > 0) {
    path.ArcTo(c, inner, 360, -360);
    path.Close();
  }
  return path;
}

Path ArcStroke(PointF c, float radius, float width, float start, float sweep, LineCap cap) {
  if (!(width > 0) || !(radius > 0) || sweep == 0 || !std::isfinite(sweep)) return Path();
  if (std::abs(sweep) >= 360) return Ring(c, radius, width);
  if (sweep < 0) {  // the same stroke, walked clockwise
    start += sweep;
    sweep = -sweep;
  }
  const float hw = width / 2;
  const float outer = radius + hw, inner = std::max(0.0f, radius - hw);
  const float end = start + sweep;
  const float extend = cap == LineCap::kSquare ? hw : 0;
  Path path;
  path.ArcTo(c, outer, start, sweep);
  const PointF end_centre = PointOnCircle(c, radius, end);
  const PointF start_centre = PointOnCircle(c, radius, start);
  if (cap == LineCap::kRound) {
    path.ArcTo(end_centre, hw, end, 180);
  } else {
    // Square caps reach half the width further along the tangent.
    const PointF t = PointOnCircle({0, 0}, extend, end + 90);
    const PointF o = PointOnCircle(end_centre, hw, end),
                 i = PointOnCircle(end_centre, hw, end + 180);
    path.LineTo({o.x + t.x, o.y + t.y});
    path.LineTo({i.x + t.x, i.y + t.y});
  }
  if (inner > 0) {
    path.ArcTo(c, inner, end, -sweep);
  } else {
    path.LineTo(c);
  }
  if (cap == LineCap::kRound) {
    path.ArcTo(start_centre, hw, start + 180, 180);
  } else {
    const PointF t = PointOnCircle({0, 0}, extend, start - 90);
    const PointF o = PointOnCircle(start_centre, hw, start),
                 i = PointOnCircle(start_centre, hw, start + 180);
    path.LineTo({i.x + t.x, i.y + t.y});
    path.LineTo({o.x + t.x, o.y + t.y});
  }
  path.Close();
  return path;
}

Path LineStroke(PointF a, PointF b, float width, LineCap cap) {
  Path path;
  if (!(width > 0)) return path;
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float length = std::hypot(dx, dy);
  if (length == 0 && cap == LineCap::kFlat) return path;
  const float hw = width / 2;
  // Direction of the segment as a clock angle (a dot points up), and the side normal at -90
  // degrees, which makes the outline run clockwise.
  const float dir = length > 0 ? AngleOf(dx, dy) : 0;
  const PointF n = PointOnCircle({0, 0}, hw, dir - 90);
  if (cap == LineCap::kRound) {
    path.MoveTo({a.x + n.x, a.y + n.y});
    path.LineTo({b.x + n.x, b.y + n.y});
    path.ArcTo(b, hw, dir - 90, 180);
    path.LineTo({a.x - n.x, a.y - n.y});
    path.ArcTo(a, hw, dir + 90, 180);
  } else {
    const PointF e = cap == LineCap::kSquare ? PointOnCircle({0, 0}, hw, dir) : PointF{};
    const PointF a2 = {a.x - e.x, a.y - e.y}, b2 = {b.x + e.x, b.y + e.y};
    path.MoveTo({a2.x + n.x, a2.y + n.y});
    path.LineTo({b2.x + n.x, b2.y + n.y});
    path.LineTo({b2.x - n.x, b2.y - n.y});
    path.LineTo({a2.x - n.x, a2.y - n.y});
  }
  path.Close();
  return path;
}

Path PolylineStroke(std::span<const PointF> points, float width, LineCap cap) {
  Path path;
  for (size_t i = 1; i < points.size(); ++i) {
    path.Append(LineStroke(points[i - 1], points[i], width, cap));
  }
  return path;
}

}  // namespace velin::skin
