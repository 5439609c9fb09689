// The page bitmap every label is drawn on: one dot per pixel, origin top-left.
#pragma once

#include <cstdint>
#include <mutex>

#include "base/bitmap.h"
#include "base/canvas.h"
#include "base/text_renderer.h"

namespace velin {

// Owns the bitmap, its canvas and the canvas lock. Created 624 × 1040 and white, with the
// brush style clear (no fill) as it stays between commands. Drawn on the interpreter thread
// only, under lock(); the preview reads it under the same lock.
class PageImage {
 public:
  static constexpr int kInitialWidth = 624;
  static constexpr int kInitialHeight = 1040;
  // The largest side a label printer page can mean; beyond it, or beyond the pixel budget,
  // a resize fails as an allocation would.
  static constexpr int kMaxSide = 32767;
  // The program's pixel budget: the largest page it allocates.
  static constexpr int64_t kDefaultMaxPixels = Bitmap32::kMaxPixels;

  // `text` draws the canvas' text; the platform's renderer by default. `max_pixels` is the
  // largest page (width × height) a resize may make, at most Bitmap32::kMaxPixels; a smaller
  // budget (tests, fuzzing) runs the same checks on a smaller number. The initial page is
  // made whatever the budget.
  explicit PageImage(TextRenderer* text = &PlatformTextRenderer(),
                     int64_t max_pixels = kDefaultMaxPixels);
  PageImage(const PageImage&) = delete;
  PageImage& operator=(const PageImage&) = delete;

  int Width() const { return bitmap_.width(); }
  int Height() const { return bitmap_.height(); }
  const Bitmap32& bitmap() const { return bitmap_; }
  Bitmap32& bitmap() { return bitmap_; }
  Canvas& canvas() { return canvas_; }
  // The canvas lock: held by every handler around its drawing, resizing and clearing.
  std::mutex& lock() { return lock_; }

  // Brush white, fill (0, 0, width, height), brush style clear again.
  void Clear();
  // Sets the size (content unspecified until the Clear that follows every resize). A negative
  // side counts as 0 (an empty page). Throws std::bad_alloc if a side exceeds kMaxSide or the
  // pixel count exceeds MaxPixels(); the page then keeps its size and content.
  void Resize(int width, int height);
  void SetWidth(int width) { Resize(width, Height()); }
  void SetHeight(int height) { Resize(Width(), height); }
  int64_t MaxPixels() const { return max_pixels_; }

 private:
  Bitmap32 bitmap_;
  Canvas canvas_;
  std::mutex lock_;
  int64_t max_pixels_;
};

}  // namespace velin
