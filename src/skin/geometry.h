// Points and rectangles of the skin: float ones for shapes (device pixels, the pixel (x, y)
// covering the square [x, x + 1) × [y, y + 1)), integer ones for pixel areas.
#pragma once

#include <algorithm>

namespace velin::skin {

struct PointF {
  float x = 0;
  float y = 0;
};

// Left and top inclusive, right and bottom exclusive.
struct RectI {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  RectI Intersect(const RectI& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom)};
  }
  RectI Inset(int d) const { return {left + d, top + d, right - d, bottom - d}; }
  bool operator==(const RectI&) const = default;
};

struct RectF {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;

  RectF() = default;
  RectF(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
  explicit RectF(const RectI& r)
      : left(float(r.left)), top(float(r.top)), right(float(r.right)), bottom(float(r.bottom)) {}

  float width() const { return right - left; }
  float height() const { return bottom - top; }
  bool empty() const { return !(right > left && bottom > top); }
  PointF Centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
  RectF Inset(float d) const { return {left + d, top + d, right - d, bottom - d}; }
  RectF Inset(float dx, float dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }
};

// Radii of a rounded rectangle's corners, clockwise from the top left.
struct CornerRadii {
  float top_left = 0;
  float top_right = 0;
  float bottom_right = 0;
  float bottom_left = 0;

  static CornerRadii All(float r) { return {r, r, r, r}; }
  // Each radius reduced by `d` (never below 0): the corners of a rectangle inset by `d`.
  CornerRadii Shrunk(float d) const {
    auto s = [d](float r) { return std::max(0.0f, r - d); };
    return {s(top_left), s(top_right), s(bottom_right), s(bottom_left)};
  }
};

}  // namespace velin::skin
