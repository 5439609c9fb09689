// The text engine seam: GDI on Windows, FreeType with fontconfig elsewhere.
#pragma once

#include <string>
#include <string_view>

#include "base/bitmap.h"

namespace velin {

struct Font {
  std::string name = "微软雅黑";  // family name, UTF-8
  int size = 8;                   // points; height in pixels is size × 96 / 72, halves away from 0
  Color color = kBlack;
  bool bold = false;
  int orientation = 0;  // tenths of a degree, counter-clockwise (0, 900, 1800, 2700)
};

// Contract: called on whichever thread draws; an implementation is thread-safe or documents
// otherwise. A face is looked up by family name; glyphs it lacks come from an installed face
// that has them. Nothing here throws for a missing font: text then draws in a fallback face.
class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // Paints the glyphs of `text` (UTF-8) in font.color with the top-left corner of the text
  // cell at (x, y); a rotated text turns about that point. Only glyph dots are painted: the
  // background keeps what was there. Dots off the bitmap are clipped.
  virtual void Draw(Bitmap32& target, int x, int y, std::string_view text, const Font& font) = 0;
  // Width and height of the unrotated text cell.
  virtual Size Measure(std::string_view text, const Font& font) = 0;
};

// The platform's renderer, one shared instance; never null.
TextRenderer& PlatformTextRenderer();

// The tallest em, in pixels, that a renderer draws: half the largest page side (32767 dots),
// more than any label needs, and within what both text engines handle (GDI font heights,
// FreeType pixel sizes).
constexpr int kMaxEmPixels = 16384;

// Em height in pixels of a size in points, the same on every platform: |points| × 96 / 72,
// halves away from zero; a size of 0 is 12 points (16 pixels); at most kMaxEmPixels.
int EmPixels(int points);

}  // namespace velin
