// Outlines of the skin's shapes, flattened to polygons as they are built.
//
// Angles are clock angles: degrees, 0 at 12 o'clock, growing clockwise on the screen (y grows
// downwards), so the point at angle a on the circle of radius r around c is
// (c.x + r sin a, c.y - r cos a). Shape outlines run clockwise and holes anticlockwise, so the
// parts of one path unite under the non-zero rule (the two strokes of a cross, the caps of an
// arc that meet).
#pragma once

#include <span>
#include <vector>

#include "skin/geometry.h"

namespace velin::skin {

enum class LineCap {
  kFlat,    // the stroke ends at the end point
  kRound,   // a half disc beyond the end point
  kSquare,  // half the width beyond the end point
};

PointF PointOnCircle(PointF centre, float radius, float degrees);

class Path {
 public:
  using Contour = std::vector<PointF>;

  // Starts a new contour at `p`.
  void MoveTo(PointF p);
  // Continues the contour (starting one at `p` if there is none).
  void LineTo(PointF p);
  // Arc of the circle (centre, radius) from clock angle `start` through `sweep` degrees
  // (negative: anticlockwise), joined to the current contour by a straight line. Flattened so
  // that the polygon stays within 1/50 pixel of the circle and encloses the same area.
  void ArcTo(PointF centre, float radius, float start, float sweep);
  // Ends the current contour; every contour is closed implicitly anyway.
  void Close();
  // Appends every contour of `other`.
  void Append(const Path& other);

  const std::vector<Contour>& contours() const { return contours_; }
  bool empty() const { return contours_.empty(); }
  // The smallest rectangle holding every point (empty for an empty path).
  RectF Bounds() const;

 private:
  std::vector<Contour> contours_;
  bool open_ = false;
};

// The radii reduced in proportion where adjacent ones would not fit along a side of `r`.
CornerRadii FitRadii(const RectF& r, const CornerRadii& radii);

// Filled rounded rectangle; `hole` reverses the outline.
void AddRoundedRect(Path& path, const RectF& r, const CornerRadii& radii, bool hole = false);
Path RoundedRect(const RectF& r, const CornerRadii& radii);
// A border `width` wide lying inside `r`, its inner corners concentric with the outer ones.
Path RoundedRectBorder(const RectF& r, const CornerRadii& radii, float width);

Path Circle(PointF centre, float radius);
// The annulus whose centre line is the circle (centre, radius), `width` wide.
Path Ring(PointF centre, float radius, float width);
// The stroke of the arc of circle (centre, radius) from clock angle `start` through `sweep`
// degrees, `width` wide. A sweep of 360 degrees or more is the whole ring; 0 is nothing.
Path ArcStroke(PointF centre, float radius, float width, float start, float sweep, LineCap cap);
// The stroke of the segment from a to b, `width` wide (nothing for a zero-length flat stroke).
Path LineStroke(PointF a, PointF b, float width, LineCap cap);
// The strokes of consecutive segments, united (round caps give round joins).
Path PolylineStroke(std::span<const PointF> points, float width, LineCap cap);

}  // namespace velin::skin
