// The drawing primitives of the label commands, and the page preview. None of them takes
// the page lock except the preview functions: the calling handler holds it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "base/canvas.h"
#include "interpreter/page_image.h"

namespace velin {

// Solid pen of `line_width` (0 or less draws one dot wide) and `line_color`, from the start
// point to the end point. One-dot lines leave the end point out; wider ones are centred on
// the segment with round ends.
void DrawLine(Canvas& canvas, int start_x, int start_y, int end_x, int end_y, int line_width,
              Color line_color);

// Outline of the rectangle with corners (x1, y1), (x2, y2), right and bottom edges exclusive,
// with a pen of `line_width` and `line_color` centred on it, and the canvas' current brush
// (clear between commands, so nothing is filled). `fill_color` is not used.
void DrawRectangleWithLineWidth(Canvas& canvas, int x1, int y1, int x2, int y2, int line_width,
                                Color line_color, Color fill_color);

// `text` (UTF-8) in `font_name` at `font_size` points and `font_color`, the top-left of its
// cell at (x, y), turned `rotation` degrees counter-clockwise about that point (0, 90, 180,
// 270). Leaves the brush clear; keeps the canvas font's bold style as the caller set it.
void DrawTransparentText(Canvas& canvas, int x, int y, std::string_view text, int rotation,
                         Color font_color, std::string_view font_name, int font_size);

// A 1-bit image of `height` rows of `width` bytes, most significant bit leftmost: bit k of
// row i sets the dot (x_offset + k, y_offset + i) black for 1 and white for 0. Dots outside
// the canvas are ignored, and so are rows or bytes the data does not hold.
void DrawBitmapData(Canvas& canvas, std::span<const uint8_t> bitmap_data, int width, int height,
                    int x_offset, int y_offset);

// Copies the rectangle (0, 0, source_width, source_height) of `source`, every dot enlarged to
// a scale_factor × scale_factor block, opaquely onto `dest` with its top-left at (x, y). A
// factor of 0 or less, or an empty source rectangle, draws nothing. `source` and `dest` may
// be the same canvas.
void ScaleCanvasContent(Canvas& source, Canvas& dest, int x, int y, int source_width,
                        int source_height, int scale_factor);

// The page's current size; always true. Takes the page lock.
bool GetPreviewImageSize(PageImage& page, int& w, int& h);
// Draws the whole page stretched into (0, 0, w, h) of `canvas`. Takes the page lock, so the
// preview never reads a page that is being resized or drawn.
void PreviewImage(PageImage& page, Canvas& canvas, int w, int h);

}  // namespace velin
