// Pixel buffers the skin draws into: one uint32_t per pixel, 0xAARRGGBB with premultiplied
// alpha (bytes blue, green, red, alpha in memory), rows top-down. That is the layout of a
// top-down 32-bit Windows DIB section, so a window's back buffer is drawn in place and blitted
// as it is (a window's buffer is opaque: alpha 255 everywhere). Premultiplied images composite
// with one multiply per channel and are what AlphaBlend and layered windows take.
#pragma once

#include <cstdint>
#include <vector>

#include "base/bitmap.h"
#include "skin/color.h"
#include "skin/geometry.h"

namespace velin::skin {

// A view of pixels owned elsewhere (an Image, a DIB section). Copying copies the view.
class Surface {
 public:
  Surface() = default;
  // `stride` is the distance between rows in pixels (>= width).
  Surface(uint32_t* pixels, int width, int height, int stride)
      : pixels_(pixels), width_(width), height_(height), stride_(stride) {}

  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return stride_; }
  bool empty() const { return pixels_ == nullptr || width_ <= 0 || height_ <= 0; }
  RectI Bounds() const { return {0, 0, width_, height_}; }

  uint32_t* Row(int y) const { return pixels_ + static_cast<std::ptrdiff_t>(y) * stride_; }
  // The premultiplied pixel word at (x, y); no range check.
  uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  // The pixel at (x, y) as a straight-alpha colour.
  Argb ColorAt(int x, int y) const { return Unpremultiply(Pixel(x, y)); }

  // The part of this surface inside `area` (clipped to the surface), with its own origin.
  Surface Sub(const RectI& area) const;
  // Sets every pixel to `c` (no blending).
  void Fill(Argb c) const;

 private:
  uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
};

// A surface that owns its pixels; starts transparent unless told otherwise.
class Image {
 public:
  Image() = default;
  // Throws std::bad_alloc for a negative or huge size.
  Image(int width, int height, Argb fill = kTransparent);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }
  Surface View() { return Surface(pixels_.data(), width_, height_, width_); }
  // A view for reading; the pixels must not be written through it.
  Surface View() const {
    return Surface(const_cast<uint32_t*>(pixels_.data()), width_, height_, width_);
  }
  uint32_t Pixel(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
  Argb ColorAt(int x, int y) const { return Unpremultiply(Pixel(x, y)); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// An opaque image of a page bitmap (whose pixel words leave the top byte unused).
Image ImageFromBitmap(const Bitmap32& bitmap);

}  // namespace velin::skin
