// Recording the QR component's pictures as enhanced metafiles.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "base/win32/gdi_font_win.h"
#include "base/win32/wide_win.h"
#include "symbols/qr/win32/output_services_win.h"

namespace velin::qr {
namespace {

bool SameFont(const Font& a, const Font& b) {
  return a.name == b.name && a.size == b.size && a.bold == b.bold && a.orientation == b.orientation;
}

class EnhMetafileRecorder final : public MetafileRecorder {
 public:
  EnhMetafileRecorder(HDC dc, Size frame) : dc_(dc), frame_(frame) {}
  ~EnhMetafileRecorder() override {
    if (dc_ != nullptr) {
      if (HENHMETAFILE abandoned = Close()) DeleteEnhMetaFile(abandoned);
    }
  }
  EnhMetafileRecorder(const EnhMetafileRecorder&) = delete;
  EnhMetafileRecorder& operator=(const EnhMetafileRecorder&) = delete;

  void FillRect(int x1, int y1, int x2, int y2, Color color) override {
    if (dc_ == nullptr || x2 <= x1 || y2 <= y1) return;
    if (brush_ == nullptr || brush_color_ != color) {
      HBRUSH brush = CreateSolidBrush(color);
      if (brush == nullptr) return;
      if (brush_ != nullptr) DeleteObject(brush_);
      brush_ = brush;
      brush_color_ = color;
    }
    const RECT rect{x1, y1, x2, y2};
    ::FillRect(dc_, &rect, brush_);
  }

  // Text is measured on a memory DC, as the text renderer measures and lays it out on the
  // bitmap, and each character's advance is recorded with it: the metafile then places the
  // glyphs where the bitmap has them, whatever metrics the playback device would give.
  Size TextExtent(std::string_view text, const Font& font) override {
    const std::wstring wide = Utf8ToWide(text);
    if (wide.empty() || wide.size() > INT_MAX || !SelectFont(font)) return {};
    SIZE extent{};
    if (!GetTextExtentPoint32W(measure_dc_, wide.c_str(), static_cast<int>(wide.size()), &extent))
      return {};
    return {static_cast<int>(extent.cx), static_cast<int>(extent.cy)};
  }

  void PaintText(int x, int y, std::string_view text, const Font& font, Color back) override {
    const std::wstring wide = Utf8ToWide(text);
    if (wide.empty() || wide.size() > INT_MAX || !SelectFont(font)) return;
    const int count = static_cast<int>(wide.size());
    std::vector<INT> advance(wide.size());
    SIZE extent{};
    const bool placed = GetTextExtentExPointW(measure_dc_, wide.c_str(), count, 0, nullptr,
                                              advance.data(), &extent) != FALSE;
    for (int i = count - 1; placed && i > 0; --i) advance[i] -= advance[i - 1];
    SetBkMode(dc_, OPAQUE);
    SetBkColor(dc_, back);
    SetTextColor(dc_, font.color);
    SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    ExtTextOutW(dc_, x, y, 0, nullptr, wide.c_str(), static_cast<UINT>(count),
                placed ? advance.data() : nullptr);
  }

  std::unique_ptr<Metafile> Finish() override {
    if (dc_ == nullptr) return nullptr;
    HENHMETAFILE handle = Close();
    if (handle == nullptr) return nullptr;
    return std::make_unique<EnhMetafile>(handle, frame_);
  }

 private:
  // The font in both DCs; the memory DC is made with the first text.
  bool SelectFont(const Font& font) {
    if (dc_ == nullptr) return false;
    if (measure_dc_ == nullptr) {
      measure_dc_ = CreateCompatibleDC(nullptr);
      if (measure_dc_ == nullptr) return false;
      measure_default_font_ = GetCurrentObject(measure_dc_, OBJ_FONT);
    }
    if (font_ == nullptr || !SameFont(font_key_, font)) {
      HFONT made = CreateGdiFont(font);
      if (made == nullptr) return false;
      SelectObject(dc_, made);
      SelectObject(measure_dc_, made);
      if (font_ != nullptr) DeleteObject(font_);
      font_ = made;
      font_key_ = font;
    }
    return true;
  }

  // Ends the recording; the brush and font are deleted once no DC holds them.
  HENHMETAFILE Close() {
    HENHMETAFILE handle = CloseEnhMetaFile(dc_);
    dc_ = nullptr;
    if (measure_dc_ != nullptr) {
      SelectObject(measure_dc_, measure_default_font_);
      DeleteDC(measure_dc_);
      measure_dc_ = nullptr;
    }
    if (brush_ != nullptr) DeleteObject(brush_);
    if (font_ != nullptr) DeleteObject(font_);
    brush_ = nullptr;
    font_ = nullptr;
    return handle;
  }

  HDC dc_;
  Size frame_;
  HBRUSH brush_ = nullptr;
  Color brush_color_ = 0;
  HFONT font_ = nullptr;
  Font font_key_;
  HDC measure_dc_ = nullptr;
  HGDIOBJ measure_default_font_ = nullptr;
};

}  // namespace

std::unique_ptr<MetafileRecorder> RecordEnhMetafile(int width, int height, Size frame) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  frame = {std::max(frame.width, 1), std::max(frame.height, 1)};
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return nullptr;
  // Screen pixels to 0.01 mm as GDI converts them for this reference device (96 dpi when
  // the screen does not tell), rounded down: played back at its size the metafile is then
  // scaled by 1 or a hair more, never less, and its fonts keep their pixel height (a font
  // scaled by 0.9999 may come out a pixel smaller).
  int64_t mm_x = GetDeviceCaps(screen, HORZSIZE), px_x = GetDeviceCaps(screen, HORZRES);
  int64_t mm_y = GetDeviceCaps(screen, VERTSIZE), px_y = GetDeviceCaps(screen, VERTRES);
  if (mm_x <= 0 || px_x <= 0) mm_x = 254, px_x = 960;
  if (mm_y <= 0 || px_y <= 0) mm_y = 254, px_y = 960;
  const int64_t right = frame.width * mm_x * 100 / px_x;
  const int64_t bottom = frame.height * mm_y * 100 / px_y;
  if (right > INT_MAX || bottom > INT_MAX) {
    ReleaseDC(nullptr, screen);
    return nullptr;
  }
  const RECT rect{0, 0, static_cast<LONG>(right), static_cast<LONG>(bottom)};
  HDC dc = rect.right > 0 && rect.bottom > 0 ? CreateEnhMetaFileW(screen, nullptr, &rect, nullptr)
                                             : nullptr;
  ReleaseDC(nullptr, screen);
  if (dc == nullptr) return nullptr;
  auto recorder = std::make_unique<EnhMetafileRecorder>(dc, frame);
  if (frame.width != width || frame.height != height) {
    // The whole drawing onto the frame, aspect not kept.
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, width, height, nullptr);
    SetViewportExtEx(dc, frame.width, frame.height, nullptr);
  }
  IntersectClipRect(dc, 0, 0, width, height);
  return recorder;
}

}  // namespace velin::qr
