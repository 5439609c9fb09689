#include "skin/win32/gdi_win.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "skin/dpi.h"

namespace velin::skin {

BackBuffer::~BackBuffer() {
  if (dc_ != nullptr) {
    SelectObject(dc_, old_bitmap_);
    DeleteDC(dc_);
  }
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

Surface BackBuffer::Begin(int width, int height) {
  if (width <= 0 || height <= 0) return Surface();
  if (dc_ == nullptr) {
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr) return Surface();
  }
  if (width > width_ || height > height_) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = std::max(width, width_);
    info.bmiHeader.biHeight = -std::max(height, height_);  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return Surface();
    HGDIOBJ old = SelectObject(dc_, bitmap);
    if (bitmap_ != nullptr) {
      DeleteObject(bitmap_);
    } else {
      old_bitmap_ = old;
    }
    bitmap_ = bitmap;
    bits_ = static_cast<uint32_t*>(bits);
    width_ = info.bmiHeader.biWidth;
    height_ = -info.bmiHeader.biHeight;
  }
  GdiFlush();  // GDI may still be writing text drawn by the last paint
  return Surface(bits_, width, height, width_);
}

void BackBuffer::Blit(HDC target, int x, int y, int width, int height) const {
  if (dc_ != nullptr && bitmap_ != nullptr) BitBlt(target, x, y, width, height, dc_, 0, 0, SRCCOPY);
}

HFONT UiFont(const TextStyle& style, int dpi) {
  static std::map<std::tuple<long, bool, int>, HFONT> fonts;
  const auto key = std::make_tuple(std::lround(style.points * 100), style.bold, dpi);
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  HFONT font =
      CreateFontW(-FontPixels(style.points, dpi), 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, FALSE,
                  FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                  CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kUiFace);
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts.emplace(key, font);
  return font;
}

HBRUSH SolidBrush(Argb c) {
  static std::map<COLORREF, HBRUSH> brushes;
  const COLORREF ref = ToColorref(c);
  auto it = brushes.find(ref);
  if (it != brushes.end()) return it->second;
  HBRUSH brush = CreateSolidBrush(ref);
  brushes.emplace(ref, brush);
  return brush;
}

void DrawTextIn(HDC dc, const RectI& box, std::wstring_view text, HFONT font, Argb colour,
                Align horizontal, TextFlow flow) {
  if (text.empty() || box.empty()) return;
  RECT r = {box.left, box.top, box.right, box.bottom};
  UINT format = DT_NOPREFIX;
  format |= horizontal == Align::kCentre ? DT_CENTER
            : horizontal == Align::kEnd  ? DT_RIGHT
                                         : DT_LEFT;
  format |= flow == TextFlow::kOneLine ? (DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS)
                                       : (DT_WORDBREAK | DT_EDITCONTROL);
  HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorref(colour));
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, format);
  SelectObject(dc, old_font);
}

SIZE MeasureText(HDC dc, std::wstring_view text, HFONT font) {
  SIZE size{};
  HGDIOBJ old_font = SelectObject(dc, font);
  if (!text.empty()) {
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  } else {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    size.cy = tm.tmHeight;
  }
  SelectObject(dc, old_font);
  return size;
}

}  // namespace velin::skin
