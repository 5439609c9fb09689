#include "glyph_check.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

namespace velin::test {
namespace {

int Distance(Color a, Color b) {
  int d = 0;
  for (int shift : {0, 8, 16}) d += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
  return d;
}

}  // namespace

GlyphCells CellsIn(const Bitmap32& picture, const RECT& area) {
  const int left = std::max<int>(0, area.left), top = std::max<int>(0, area.top);
  const int right = std::min<int>(picture.width(), area.right);
  const int bottom = std::min<int>(picture.height(), area.bottom);
  std::map<Color, int> counts;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) ++counts[picture.GetPixel(x, y) & 0xFFFFFF];
  if (counts.empty()) return {};
  const Color background =
      std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
      })->first;
  auto ink = [&](int x, int y) {
    return Distance(picture.GetPixel(x, y) & 0xFFFFFF, background) > 160;
  };
  // Runs of columns with ink; each run's mask, cut to its inked rows.
  std::set<std::vector<std::vector<bool>>> masks;
  GlyphCells result;
  int x = left;
  while (x < right) {
    auto column_inked = [&](int cx) {
      for (int y = top; y < bottom; ++y)
        if (ink(cx, y)) return true;
      return false;
    };
    if (!column_inked(x)) {
      ++x;
      continue;
    }
    const int start = x;
    while (x < right && column_inked(x)) ++x;
    int first_row = bottom, last_row = top - 1;
    for (int y = top; y < bottom; ++y)
      for (int cx = start; cx < x; ++cx)
        if (ink(cx, y)) {
          first_row = std::min(first_row, y);
          last_row = std::max(last_row, y);
        }
    std::vector<std::vector<bool>> mask;
    for (int y = first_row; y <= last_row; ++y) {
      std::vector<bool> row;
      for (int cx = start; cx < x; ++cx) row.push_back(ink(cx, y));
      mask.push_back(std::move(row));
    }
    masks.insert(std::move(mask));
    ++result.cells;
  }
  result.distinct = static_cast<int>(masks.size());
  return result;
}

bool HasRealGlyphs(const Bitmap32& picture, const RECT& area) {
  const GlyphCells cells = CellsIn(picture, area);
  return cells.cells >= 2 && cells.distinct >= 2;
}

Bitmap32 RenderText(const std::wstring& text, int pixel_height) {
  const int w = pixel_height * static_cast<int>(text.size() + 2), h = pixel_height * 2;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HFONT font = CreateFontW(-pixel_height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                           ANTIALIASED_QUALITY, 0, L"微软雅黑");
  HGDIOBJ old_font = SelectObject(dc, font);
  RECT all = {0, 0, w, h};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  TextOutW(dc, pixel_height / 2, pixel_height / 2, text.c_str(), static_cast<int>(text.size()));
  GdiFlush();
  Bitmap32 picture(w, h);
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) picture.Row(y)[x] = pixels[size_t(y) * w + x] & 0xFFFFFF;
  SelectObject(dc, old_font);
  DeleteObject(font);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return picture;
}

}  // namespace velin::test
