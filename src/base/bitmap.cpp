#include "base/bitmap.h"

#include <new>

namespace velin {

namespace {
void CheckSize(int width, int height) {
  if (width < 0 || height < 0 || int64_t{width} * height > Bitmap32::kMaxPixels)
    throw std::bad_alloc();
}
}  // namespace

Bitmap32::Bitmap32(int width, int height, Color fill) {
  CheckSize(width, height);
  pixels_.assign(static_cast<size_t>(width) * height, ToPixel(fill));
  width_ = width;
  height_ = height;
}

void Bitmap32::Resize(int width, int height) {
  CheckSize(width, height);
  pixels_.resize(static_cast<size_t>(width) * height);
  pixels_.shrink_to_fit();
  width_ = width;
  height_ = height;
}

void Bitmap32::Fill(Color c) { pixels_.assign(pixels_.size(), ToPixel(c)); }

Color Bitmap32::GetPixel(int x, int y) const {
  return Contains(x, y) ? FromPixel(pixels_[static_cast<size_t>(y) * width_ + x]) : kWhite;
}

void Bitmap32::SetPixel(int x, int y, Color c) {
  if (Contains(x, y)) pixels_[static_cast<size_t>(y) * width_ + x] = ToPixel(c);
}

}  // namespace velin
