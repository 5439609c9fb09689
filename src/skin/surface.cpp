#include "skin/surface.h"

#include <algorithm>
#include <new>

namespace velin::skin {

Surface Surface::Sub(const RectI& area) const {
  const RectI r = area.Intersect(Bounds());
  if (r.empty()) return Surface();
  return Surface(Row(r.top) + r.left, r.width(), r.height(), stride_);
}

void Surface::Fill(Argb c) const {
  const uint32_t pixel = Premultiply(c);
  for (int y = 0; y < height_; ++y) std::fill_n(Row(y), width_, pixel);
}

Image::Image(int width, int height, Argb fill) {
  // 64 Mpixel is far beyond any window; a larger request is a caller's fault.
  if (width < 0 || height < 0 || int64_t{width} * height > (int64_t{1} << 26)) {
    throw std::bad_alloc();
  }
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * height, Premultiply(fill));
}

Image ImageFromBitmap(const Bitmap32& bitmap) {
  Image image(std::max(0, bitmap.width()), std::max(0, bitmap.height()));
  const Surface view = image.View();
  for (int y = 0; y < image.height(); ++y) {
    const uint32_t* from = bitmap.Row(y);
    uint32_t* to = view.Row(y);
    for (int x = 0; x < image.width(); ++x) to[x] = from[x] | 0xFF000000u;
  }
  return image;
}

}  // namespace velin::skin
