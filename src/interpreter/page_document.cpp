#include "interpreter/page_document.h"

#include <algorithm>
#include <utility>

namespace velin {

void DocumentPage::StretchBitmap(const Bitmap32& bitmap, int left, int top, int width,
                                 int height) {
  Stretch s;
  s.bitmap = &bitmap;
  s.left = left;
  s.top = top;
  s.width = width;
  s.height = height;
  stretches_.push_back(std::move(s));
  mapped_ = false;
}

// The dot of a source `size` dots long under the centre of dot d of a destination `length`
// dots long: floor((2d + 1) × size / 2 length), as Canvas::StretchDraw takes it.
static int32_t SourceDot(int64_t d, int64_t size, int64_t length) {
  return static_cast<int32_t>(std::min(size - 1, (2 * d + 1) * size / (2 * length)));
}

void DocumentPage::Map(Stretch& s) const {
  s.column.clear();
  s.row.assign(static_cast<size_t>(std::max(area_.height, 0)), -1);
  if (s.width <= 0 || s.height <= 0 || s.bitmap->empty()) return;
  s.x_first = std::max<int64_t>(s.left, 0);
  s.x_end = std::max(s.x_first, std::min<int64_t>(int64_t{s.left} + s.width, area_.width));
  for (int64_t x = s.x_first; x < s.x_end; ++x)
    s.column.push_back(SourceDot(x - s.left, s.bitmap->width(), s.width));
  const int64_t y_first = std::max<int64_t>(s.top, 0);
  const int64_t y_end = std::min<int64_t>(int64_t{s.top} + s.height, area_.height);
  for (int64_t y = y_first; y < y_end; ++y)
    s.row[static_cast<size_t>(y)] = SourceDot(y - s.top, s.bitmap->height(), s.height);
}

PngPixels DocumentPage::Pixels() const {
  PngPixels pixels = PngPixels::kBlackAndWhite;
  for (const Stretch& s : stretches_) {
    if (s.width <= 0 || s.height <= 0) continue;
    const PngPixels own = PngPixelsFor(*s.bitmap);
    if (own == PngPixels::kRgb) return own;
    if (own == PngPixels::kGrey) pixels = own;
  }
  return pixels;
}

bool DocumentPage::Row(int y, uint32_t* pixels) {
  if (!mapped_) {
    for (Stretch& s : stretches_) Map(s);
    mapped_ = true;
    last_rows_.clear();
  }
  bool same = y > 0 && last_rows_.size() == stretches_.size();
  last_rows_.resize(stretches_.size());
  for (size_t i = 0; i < stretches_.size(); ++i) {
    const int32_t row = stretches_[i].row[static_cast<size_t>(y)];
    same = same && last_rows_[i] == row;
    last_rows_[i] = row;
  }
  if (same) return false;
  std::fill(pixels, pixels + area_.width, ToPixel(kWhite));
  for (size_t i = 0; i < stretches_.size(); ++i) {
    const Stretch& s = stretches_[i];
    if (last_rows_[i] < 0) continue;
    const uint32_t* source = s.bitmap->Row(last_rows_[i]);
    uint32_t* out = pixels + s.x_first;
    for (size_t k = 0; k < s.column.size(); ++k) out[k] = source[s.column[k]];
  }
  return true;
}

bool DocumentPage::EncodePng(const std::function<bool(std::string_view bytes)>& write,
                             int dots_per_inch) {
  return EncodePngRows(
      area_.width, area_.height, [this](int y, uint32_t* pixels) { return Row(y, pixels); },
      write, {Pixels(), dots_per_inch});
}

}  // namespace velin
