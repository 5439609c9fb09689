#include "interpreter/printer_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/ansi_codec.h"

namespace velin {
namespace {

// The font size in points whose em is closest to `em` dots (one dot per pixel at 96 pixels
// per inch: an em of size × 96 / 72).
int PointsForEm(int em) { return std::max(1, (em * 3 + 2) / 4); }

// The darker of two pixels, channel by channel.
uint32_t Darker(uint32_t a, uint32_t b) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8)
    out |= std::min((a >> shift) & 0xFF, (b >> shift) & 0xFF) << shift;
  return out;
}

std::string_view Unquoted(std::string_view font) {
  if (font.size() >= 2 && font.front() == '"' && font.back() == '"')
    return font.substr(1, font.size() - 2);
  return font;
}

// A bitmap of at most this many pixels is drawn; a longer text is cut (a label never needs
// more than a page).
constexpr int64_t kMaxTextPixels = Bitmap32::kMaxPixels / 4;

// The unrotated text, black on white, at most `limit` dots long (what lies beyond cannot
// reach the page).
Bitmap32 RenderLine(TextRenderer& renderer, std::string_view text, const ResidentText& how,
                    int64_t limit) {
  Font font;
  font.name = how.typeface;
  font.bold = how.bold;
  font.color = kBlack;
  Size size = MeasureResidentText(renderer, text, how);
  size.width = static_cast<int>(std::min<int64_t>(size.width, limit));
  if (size.width <= 0 || size.height <= 0 || int64_t{size.width} * size.height > kMaxTextPixels)
    return Bitmap32();
  Bitmap32 line(size.width, size.height);
  const int underline = how.underline ? std::max(1, how.mag_y) : 0;
  if (how.proportional) {
    font.size = PointsForEm(how.em);
    const Size natural = renderer.Measure(text, font);
    if (natural.width > 0 && natural.height > 0 &&
        int64_t{natural.width} * natural.height <= kMaxTextPixels) {
      Bitmap32 plain(natural.width, natural.height);
      renderer.Draw(plain, 0, 0, text, font);
      for (int y = 0; y < natural.height && y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
          int sx = std::min(natural.width - 1, static_cast<int>(x / how.stretch_x));
          line.Row(y)[x] = plain.Row(y)[sx];
        }
    }
  } else {
    const int mx = std::max(1, how.mag_x), my = std::max(1, how.mag_y);
    int64_t pen = 0;
    for (size_t pos = 0; pos < text.size() && pen < size.width;) {
      const size_t from = pos;
      const char32_t c = NextUtf8(text, pos);
      const bool wide = IsWideCharacter(c);
      const int cell_w = wide ? how.font.wide_width : how.font.width;
      const int cell_h = wide ? how.font.wide_height : how.font.height;
      const std::string_view one = text.substr(from, pos - from);
      // The glyph at the height magnification, fitted into the cell at that scale, then
      // stretched across by mag_x / mag_y.
      font.size = PointsForEm(cell_h * my);
      const Size glyph = renderer.Measure(one, font);
      const int64_t cell = int64_t{cell_w} * mx;
      if (glyph.width > 0 && glyph.height > 0 && pen < size.width) {
        Bitmap32 g(glyph.width, glyph.height);
        renderer.Draw(g, 0, 0, one, font);
        const int64_t fitted = std::min<int64_t>(glyph.width, int64_t{cell_w} * my);
        const int64_t out_w = std::max<int64_t>(1, fitted * mx / my);
        const int64_t left = pen + (cell - out_w) / 2;
        const int64_t top = (int64_t{cell_h} * my - glyph.height) / 2;
        for (int y = 0; y < glyph.height; ++y) {
          const int64_t ty = top + y;
          if (ty < 0 || ty >= size.height - underline) continue;
          uint32_t* row = line.Row(static_cast<int>(ty));
          for (int64_t x = 0; x < out_w; ++x) {
            const int64_t tx = left + x;
            if (tx < 0 || tx >= size.width) continue;
            const int sx = static_cast<int>(x * glyph.width / out_w);
            row[tx] = Darker(row[tx], g.Row(y)[sx]);
          }
        }
      }
      pen += cell + int64_t{how.spacing} * mx;
    }
  }
  for (int y = size.height - underline; y < size.height; ++y)
    std::fill(line.Row(y), line.Row(y) + size.width, ToPixel(kBlack));
  return line;
}

}  // namespace

ResidentFont CpclResidentFont(std::string_view font) {
  struct Entry {
    const char* name;
    ResidentFont cells;
  };
  static const Entry kFonts[] = {
      {"1", {9, 17, 24, 24}},   {"2", {8, 16, 24, 24}},  {"3", {10, 20, 20, 20}},
      {"4", {16, 32, 32, 32}},  {"5", {12, 24, 24, 24}}, {"7", {12, 24, 24, 24}},
      {"8", {12, 24, 24, 24}},  {"20", {8, 16, 16, 16}}, {"24", {12, 24, 24, 24}},
      {"28", {14, 28, 28, 28}}, {"55", {8, 16, 16, 16}},
  };
  for (const Entry& e : kFonts)
    if (font == e.name) return e.cells;
  return ResidentFont{};
}

ResidentFont TsplResidentFont(std::string_view font) {
  font = Unquoted(font);
  struct Entry {
    const char* name;
    int width, height;
  };
  static const Entry kFonts[] = {{"1", 8, 12},  {"2", 12, 20}, {"3", 16, 24}, {"4", 24, 32},
                                 {"5", 32, 48}, {"6", 14, 19}, {"7", 21, 27}, {"8", 14, 25}};
  for (const Entry& e : kFonts) {
    if (font == e.name) {
      const int wide = 2 * e.width;
      return {e.width, e.height, wide, std::max(e.height, wide)};
    }
  }
  return ResidentFont{};
}

bool IsWideCharacter(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

Size MeasureResidentText(TextRenderer& renderer, std::string_view text, const ResidentText& how) {
  if (how.proportional) {
    Font font;
    font.name = how.typeface;
    font.bold = how.bold;
    font.size = PointsForEm(how.em);
    const Size natural = renderer.Measure(text, font);
    const double width = std::round(natural.width * how.stretch_x);
    return {static_cast<int>(std::clamp(width, 0.0, 1e9)), natural.height};
  }
  const int64_t mx = std::max(1, how.mag_x), my = std::max(1, how.mag_y);
  int64_t width = 0, height = 0;
  for (size_t pos = 0; pos < text.size();) {
    const bool wide = IsWideCharacter(NextUtf8(text, pos));
    width += (int64_t{wide ? how.font.wide_width : how.font.width} + how.spacing) * mx;
    height = std::max<int64_t>(height, int64_t{wide ? how.font.wide_height : how.font.height} * my);
    if (width > INT32_MAX / 2) break;
  }
  return {static_cast<int>(std::clamp<int64_t>(width, 0, INT32_MAX / 2)),
          static_cast<int>(std::min<int64_t>(height, INT32_MAX / 2))};
}

void DrawResidentText(Bitmap32& page, TextRenderer& renderer, int x, int y, std::string_view text,
                      const ResidentText& how, int rotation) {
  const int64_t reach =
      std::llabs(int64_t{x}) + std::llabs(int64_t{y}) + page.width() + page.height();
  const Bitmap32 line = RenderLine(renderer, text, how, reach);
  if (line.empty()) return;
  const int quarter = ((rotation % 360 + 360) % 360 + 45) / 90 % 4;
  const uint32_t white = ToPixel(kWhite);
  for (int v = 0; v < line.height(); ++v) {
    const uint32_t* row = line.Row(v);
    for (int u = 0; u < line.width(); ++u) {
      if (row[u] == white) continue;
      int64_t tx = x, ty = y;
      switch (quarter) {
        case 0:
          tx += u, ty += v;
          break;
        case 1:  // counter-clockwise: the text runs upward, its tops to the left
          tx += v, ty -= u;
          break;
        case 2:
          tx -= u, ty -= v;
          break;
        default:
          tx -= v, ty += u;
          break;
      }
      if (tx < 0 || ty < 0 || tx >= page.width() || ty >= page.height()) continue;
      uint32_t& dot = page.Row(static_cast<int>(ty))[tx];
      dot = Darker(dot, row[u]);
    }
  }
}

}  // namespace velin
