#include "support/dark_box.h"

#include <algorithm>

namespace velin::test {

DarkBox DarkBoxIn(const Bitmap32& page, int x0, int y0, int x1, int y1) {
  if (x1 < 0) x1 = page.width();
  if (y1 < 0) y1 = page.height();
  DarkBox b;
  for (int y = std::max(y0, 0); y < std::min(y1, page.height()); ++y)
    for (int x = std::max(x0, 0); x < std::min(x1, page.width()); ++x)
      if (page.GetPixel(x, y) != kWhite) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
        ++b.dark;
      }
  return b;
}

}  // namespace velin::test
