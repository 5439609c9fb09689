#include "interpreter/page_image.h"

#include <algorithm>
#include <new>

namespace velin {

PageImage::PageImage(TextRenderer* text, int64_t max_pixels)
    : bitmap_(kInitialWidth, kInitialHeight, kWhite),
      canvas_(bitmap_, text),
      max_pixels_(std::clamp<int64_t>(max_pixels, 0, Bitmap32::kMaxPixels)) {
  Clear();
}

void PageImage::Clear() {
  canvas_.brush.color = kWhite;
  canvas_.brush.style = BrushStyle::kSolid;
  canvas_.FillRect(0, 0, Width(), Height());
  canvas_.brush.style = BrushStyle::kClear;
}

void PageImage::Resize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width > kMaxSide || height > kMaxSide || int64_t{width} * height > max_pixels_)
    throw std::bad_alloc();
  bitmap_.Resize(width, height);  // throws before changing anything
}

}  // namespace velin
