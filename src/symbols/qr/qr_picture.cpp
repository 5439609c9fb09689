#include "symbols/qr/qr_picture.h"

#include <algorithm>

namespace velin::qr {

Bitmap32 RotateClockwise(const Bitmap32& source, int angle) {
  const int w = source.width(), h = source.height();
  if (angle != 90 && angle != 180 && angle != 270) return source;
  if (source.empty()) return Bitmap32(angle == 180 ? w : h, angle == 180 ? h : w);
  Bitmap32 out(angle == 180 ? w : h, angle == 180 ? h : w);
  for (int y = 0; y < out.height(); ++y) {
    uint32_t* dst = out.Row(y);
    for (int x = 0; x < out.width(); ++x) {
      switch (angle) {
        case 90:
          dst[x] = source.Row(h - 1 - x)[y];
          break;
        case 180:
          dst[x] = source.Row(h - 1 - y)[w - 1 - x];
          break;
        default:
          dst[x] = source.Row(x)[w - 1 - y];
          break;
      }
    }
  }
  return out;
}

Bitmap32 MirrorLeftRight(const Bitmap32& source) {
  Bitmap32 out = source;
  for (int y = 0; y < out.height(); ++y) std::reverse(out.Row(y), out.Row(y) + out.width());
  return out;
}

}  // namespace velin::qr
