// GDI plumbing of the skin: the back buffer controls paint into, the user-interface font, solid
// brushes, and text drawn over the back buffer. User-interface thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "skin/color.h"
#include "skin/geometry.h"
#include "skin/layout.h"
#include "skin/surface.h"
#include "skin/theme.h"

namespace velin::skin {

// The face of every caption. On Wine without Microsoft's fonts, a zh_CN session maps it to a
// CJK face (WenQuanYi Micro Hei).
constexpr wchar_t kUiFace[] = L"微软雅黑";

constexpr COLORREF ToColorref(Argb c) { return RGB(RedOf(c), GreenOf(c), BlueOf(c)); }

// A top-down 32-bit DIB section selected into a memory DC: the portable drawing writes its
// pixels, GDI draws text on the same DC, and the result is blitted in one go (no flicker).
class BackBuffer {
 public:
  BackBuffer() = default;
  ~BackBuffer();
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // Makes the buffer at least width × height and returns that part of it as a surface (its
  // content is left over from before). Empty if GDI cannot make the bitmap.
  Surface Begin(int width, int height);
  HDC dc() const { return dc_; }
  // Copies the top-left width × height of the buffer to (x, y) of `target`.
  void Blit(HDC target, int x, int y, int width, int height) const;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// The user-interface font in `style` at `dpi`, made once and kept for the run.
HFONT UiFont(const TextStyle& style, int dpi);
// A solid brush of the opaque colour `c`, made once and kept for the run.
HBRUSH SolidBrush(Argb c);

enum class TextFlow { kOneLine, kWrap };

// Draws `text` in `box` of `dc` (transparent background, no prefix characters): one line
// vertically centred and cut with an ellipsis, or wrapped from the top.
void DrawTextIn(HDC dc, const RectI& box, std::wstring_view text, HFONT font, Argb colour,
                Align horizontal, TextFlow flow = TextFlow::kOneLine);
// Width and height of one line of `text`.
SIZE MeasureText(HDC dc, std::wstring_view text, HFONT font);

}  // namespace velin::skin
