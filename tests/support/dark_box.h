// Where a page has ink: the bounding box of its non-white dots, and how many there are.
#pragma once

#include <cstdint>

#include "base/bitmap.h"

namespace velin::test {

struct DarkBox {
  int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
  int dark = 0;  // non-white dots counted
  bool empty() const { return dark == 0; }
  // Boxes compare by their edges alone.
  bool operator==(const DarkBox& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// The box of the non-white dots of `page` inside [x0, x1) × [y0, y1); x1 or y1 of -1 stands
// for the page's right or bottom edge.
DarkBox DarkBoxIn(const Bitmap32& page, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1);

}  // namespace velin::test
