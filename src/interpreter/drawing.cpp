#include "interpreter/drawing.h"

#include <algorithm>
#include <mutex>
#include <string>

namespace velin {

void DrawLine(Canvas& canvas, int start_x, int start_y, int end_x, int end_y, int line_width,
              Color line_color) {
  canvas.pen.width = line_width;
  canvas.pen.color = line_color;
  canvas.MoveTo(start_x, start_y);
  canvas.LineTo(end_x, end_y);
}

void DrawRectangleWithLineWidth(Canvas& canvas, int x1, int y1, int x2, int y2, int line_width,
                                Color line_color, Color /*fill_color*/) {
  canvas.pen.width = line_width;
  canvas.pen.color = line_color;
  canvas.Rectangle(x1, y1, x2, y2);
}

void DrawTransparentText(Canvas& canvas, int x, int y, std::string_view text, int rotation,
                         Color font_color, std::string_view font_name, int font_size) {
  canvas.font.name = std::string(font_name);
  canvas.font.size = font_size;
  canvas.font.color = font_color;
  // Tenths of a degree, reduced to one turn so that any rotation is representable.
  const int64_t tenths = (int64_t{rotation} % 360) * 10;
  canvas.font.orientation = static_cast<int>((tenths + 3600) % 3600);
  canvas.brush.style = BrushStyle::kClear;
  canvas.TextOut(x, y, text);
}

void DrawBitmapData(Canvas& canvas, std::span<const uint8_t> bitmap_data, int width, int height,
                    int x_offset, int y_offset) {
  if (width <= 0 || height <= 0) return;
  Bitmap32& bmp = canvas.target();
  const int64_t row_bytes = width;
  // Rows that the data reaches and that lie on the canvas.
  const int64_t size = static_cast<int64_t>(bitmap_data.size());
  const int64_t rows_reached = (size + row_bytes - 1) / row_bytes;
  const int64_t i_first = std::max<int64_t>(0, -int64_t{y_offset});
  const int64_t i_end = std::min({int64_t{height}, rows_reached, bmp.height() - int64_t{y_offset}});
  // Dots of a row lying on the canvas.
  const int64_t k_first = std::max<int64_t>(0, -int64_t{x_offset});
  const int64_t k_end = std::min(8 * row_bytes, bmp.width() - int64_t{x_offset});
  if (i_first >= i_end || k_first >= k_end) return;
  const uint32_t black = ToPixel(kBlack), white = ToPixel(kWhite);
  for (int64_t i = i_first; i < i_end; ++i) {
    const uint8_t* row = bitmap_data.data() + i * row_bytes;
    const int64_t k_held = std::min(k_end, 8 * (size - i * row_bytes));  // a short last row
    uint32_t* dots = bmp.Row(static_cast<int>(y_offset + i));
    for (int64_t k = k_first; k < k_held; ++k)
      dots[x_offset + k] = (row[k >> 3] >> (7 - (k & 7))) & 1 ? black : white;
  }
}

void ScaleCanvasContent(Canvas& source, Canvas& dest, int x, int y, int source_width,
                        int source_height, int scale_factor) {
  if (scale_factor <= 0 || source_width <= 0 || source_height <= 0) return;
  const Bitmap32& src = source.target();
  Bitmap32& out = dest.target();
  const int64_t factor = scale_factor;
  // Destination dots covered by the enlarged copy and lying on `dest`.
  const int64_t x_first = std::max<int64_t>(x, 0);
  const int64_t x_end = std::min<int64_t>(x + source_width * factor, out.width());
  const int64_t y_first = std::max<int64_t>(y, 0);
  const int64_t y_end = std::min<int64_t>(y + source_height * factor, out.height());
  if (x_first >= x_end || y_first >= y_end) return;
  // The source dots those need (the copy A), taken first so that source and dest may be one
  // canvas. Source dots off the source bitmap read as white. The enlarged bitmap is never
  // built: each destination dot reads its source dot directly, which is the same picture.
  const int64_t sx_first = (x_first - x) / factor, sx_end = (x_end - 1 - x) / factor + 1;
  const int64_t sy_first = (y_first - y) / factor, sy_end = (y_end - 1 - y) / factor + 1;
  Bitmap32 copy(static_cast<int>(sx_end - sx_first), static_cast<int>(sy_end - sy_first));
  for (int64_t sy = sy_first; sy < sy_end; ++sy)
    for (int64_t sx = sx_first; sx < sx_end; ++sx)
      if (src.Contains(static_cast<int>(sx), static_cast<int>(sy)))
        copy.Row(static_cast<int>(sy - sy_first))[sx - sx_first] =
            src.Row(static_cast<int>(sy))[sx];
  for (int64_t ty = y_first; ty < y_end; ++ty) {
    const uint32_t* from = copy.Row(static_cast<int>((ty - y) / factor - sy_first));
    uint32_t* to = out.Row(static_cast<int>(ty));
    for (int64_t tx = x_first; tx < x_end; ++tx) to[tx] = from[(tx - x) / factor - sx_first];
  }
}

bool GetPreviewImageSize(PageImage& page, int& w, int& h) {
  std::lock_guard<std::mutex> hold(page.lock());
  w = page.Width();
  h = page.Height();
  return true;
}

void PreviewImage(PageImage& page, Canvas& canvas, int w, int h) {
  std::lock_guard<std::mutex> hold(page.lock());
  canvas.StretchDraw(0, 0, w, h, page.bitmap());
}

}  // namespace velin
