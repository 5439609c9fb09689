#include "base/text_renderer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace velin {

int EmPixels(int points) {
  if (points == 0) points = 12;
  // |points| × 4 / 3 rounded half away from zero: floor((8 × |points| + 3) / 6).
  const int64_t em = (std::llabs(static_cast<int64_t>(points)) * 8 + 3) / 6;
  return static_cast<int>(std::min<int64_t>(em, kMaxEmPixels));
}

}  // namespace velin
