// The text renderer over GDI: the text is drawn black on white into a temporary DIB section
// covering the part of the target that the (possibly turned) text can reach, and each dot's
// coverage then blends the font colour onto the target, so the background between glyphs
// keeps what was there.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>

#include "base/text_renderer.h"
#include "base/win32/gdi_font_win.h"
#include "base/win32/wide_win.h"

namespace velin {
namespace {

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct GdiObjectDeleter {
  void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using GdiObject = std::unique_ptr<void, GdiObjectDeleter>;

GdiObject MakeFont(const Font& font) { return GdiObject(CreateGdiFont(font)); }

// Blends `pixel` onto `d` with coverage 0..255.
inline uint32_t Blend(uint32_t d, uint32_t pixel, unsigned a) {
  if (a >= 255) return pixel;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned dc = (d >> shift) & 0xFF, sc = (pixel >> shift) & 0xFF;
    out |= ((dc * (255 - a) + sc * a + 127) / 255) << shift;
  }
  return out;
}

class GdiTextRenderer final : public TextRenderer {
 public:
  // Each call makes its own device context, font and DIB: calls from several threads do not
  // share GDI objects.
  void Draw(Bitmap32& target, int x, int y, std::string_view text, const Font& font) override {
    const std::wstring wide = Utf8ToWide(text);
    if (wide.empty() || target.empty() || wide.size() > INT_MAX) return;
    const int count = static_cast<int>(wide.size());
    MemoryDc dc(CreateCompatibleDC(nullptr));
    GdiObject hfont = MakeFont(font);
    if (!dc || !hfont) return;
    HGDIOBJ old_font = SelectObject(dc.get(), hfont.get());
    SIZE extent{};
    GetTextExtentPoint32W(dc.get(), wide.c_str(), count, &extent);

    // Whatever the angle, the text stays within its cell's width plus height of (x, y) (and a
    // little more for overhanging glyphs); only the part inside the target matters.
    const int64_t reach = int64_t{extent.cx} + extent.cy + EmPixels(font.size);
    const int64_t left = std::max<int64_t>(int64_t{x} - reach, 0);
    const int64_t top = std::max<int64_t>(int64_t{y} - reach, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + reach + 1, target.width());
    const int64_t bottom = std::min<int64_t>(int64_t{y} + reach + 1, target.height());
    if (left >= right || top >= bottom) {
      SelectObject(dc.get(), old_font);
      return;
    }
    const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down, as Bitmap32
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject dib(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || bits == nullptr) {
      SelectObject(dc.get(), old_font);
      return;
    }
    HGDIOBJ old_bitmap = SelectObject(dc.get(), dib.get());
    auto* pixels = static_cast<uint32_t*>(bits);
    std::fill(pixels, pixels + static_cast<size_t>(w) * h, 0x00FFFFFFu);
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), RGB(0, 0, 0));
    SetTextAlign(dc.get(), TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutW(dc.get(), static_cast<int>(x - left), static_cast<int>(y - top), wide.c_str(), count);
    GdiFlush();

    const uint32_t pixel = ToPixel(font.color);
    for (int row = 0; row < h; ++row) {
      const uint32_t* src = pixels + static_cast<size_t>(row) * w;
      uint32_t* dst = target.Row(static_cast<int>(top) + row) + left;
      for (int col = 0; col < w; ++col) {
        const uint32_t s = src[col];
        const unsigned ink = 255 - ((s & 0xFF) + ((s >> 8) & 0xFF) + ((s >> 16) & 0xFF)) / 3;
        if (ink != 0) dst[col] = Blend(dst[col], pixel, ink);
      }
    }
    SelectObject(dc.get(), old_bitmap);
    SelectObject(dc.get(), old_font);
  }

  Size Measure(std::string_view text, const Font& font) override {
    const std::wstring wide = Utf8ToWide(text);
    MemoryDc dc(CreateCompatibleDC(nullptr));
    Font upright = font;
    upright.orientation = 0;
    GdiObject hfont = MakeFont(upright);
    if (!dc || !hfont || wide.size() > INT_MAX) return {};
    HGDIOBJ old_font = SelectObject(dc.get(), hfont.get());
    SIZE extent{};
    if (!GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent))
      extent = {};
    if (wide.empty()) {
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc.get(), &metrics);
      extent = {0, metrics.tmHeight};
    }
    SelectObject(dc.get(), old_font);
    return {static_cast<int>(extent.cx), static_cast<int>(extent.cy)};
  }
};

}  // namespace

TextRenderer& PlatformTextRenderer() {
  static GdiTextRenderer renderer;
  return renderer;
}

}  // namespace velin
