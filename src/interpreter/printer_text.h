// Text as a 203-dpi label printer sets it with its resident fonts: every character in a cell
// of the font's size (wide characters, such as Chinese, in a wider cell), magnified by whole
// factors across and down, drawn with a PC typeface (a PC has no resident fonts).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/bitmap.h"
#include "base/text_renderer.h"

namespace velin {

// Cell sizes in dots: narrow characters (Latin) and wide ones (CJK).
struct ResidentFont {
  int width = 12;
  int height = 24;
  int wide_width = 24;
  int wide_height = 24;
};

// A CPCL font number's cells, as Chinese CPCL printers have them (fonts 1 to 8, 20, 24, 28,
// 55); other numbers, and Zebra's fonts whose sizes no manual gives, take the 24-dot font.
ResidentFont CpclResidentFont(std::string_view font);

// A TSPL font's cells: "1" 8 × 12, "2" 12 × 20, "3" 16 × 24, "4" 24 × 32, "5" 32 × 48,
// "6" 14 × 19, "7" 21 × 27, "8" 14 × 25, with wide characters twice as wide (at least as
// high as they are wide); TSS24.BF2 and other downloaded names, 12 × 24 with 24 × 24 wide
// cells. The quotes of the font item may stand around the name.
ResidentFont TsplResidentFont(std::string_view font);

// Whether a character takes a wide cell (CJK, Hangul, full-width forms).
bool IsWideCharacter(char32_t c);

struct ResidentText {
  ResidentFont font;
  int mag_x = 1;    // across, 1 or more
  int mag_y = 1;    // down
  int spacing = 0;  // extra dots after every character (before magnification)
  bool bold = false;
  bool underline = false;
  std::string typeface = "微软雅黑";
  // A proportional font at `em` dots (TSPL font "0" and TrueType names): no cells, the width
  // stretched by stretch_x.
  bool proportional = false;
  int em = 0;
  double stretch_x = 1.0;
};

// Width and height of the unrotated text in dots.
Size MeasureResidentText(TextRenderer& renderer, std::string_view text, const ResidentText& how);

// Draws `text` (UTF-8) with the top-left of its first cell at (x, y), turned `rotation`
// degrees counter-clockwise (0, 90, 180, 270) about that point; only its dark dots are
// painted (the darker of page and text wins).
void DrawResidentText(Bitmap32& page, TextRenderer& renderer, int x, int y, std::string_view text,
                      const ResidentText& how, int rotation);

}  // namespace velin
