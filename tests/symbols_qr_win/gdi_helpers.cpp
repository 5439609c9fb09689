#include "gdi_helpers.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace velin::test {
namespace {

// A top-down 32-bit DIB section selected into a memory DC, filled with kUnpainted.
class DibCanvas {
 public:
  DibCanvas(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dib_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    old_ = SelectObject(dc_, dib_);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) bits_[i] = ToPixel(kUnpainted);
  }
  ~DibCanvas() {
    SelectObject(dc_, old_);
    DeleteObject(dib_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  Bitmap32 Pixels() const {
    GdiFlush();
    Bitmap32 out(width_, height_);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
        out.Row(y)[x] = bits_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFF;
    return out;
  }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP dib_;
  HGDIOBJ old_;
  uint32_t* bits_;
};

}  // namespace

Bitmap32 PlayEnhMetafile(HENHMETAFILE emf, int width, int height) {
  DibCanvas canvas(width, height);
  const RECT rect{0, 0, width, height};
  PlayEnhMetaFile(canvas.dc(), emf, &rect);
  return canvas.Pixels();
}

Bitmap32 PlayMetafilePict(const METAFILEPICT& pict, int width, int height) {
  DibCanvas canvas(width, height);
  SetMapMode(canvas.dc(), pict.mm);
  SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
  SetViewportExtEx(canvas.dc(), width, height, nullptr);
  PlayMetaFile(canvas.dc(), pict.hMF);
  return canvas.Pixels();
}

std::optional<Bitmap32> ReadPackedDib(const void* dib, size_t size) {
  BITMAPINFOHEADER header;
  if (size < sizeof header) return std::nullopt;
  std::memcpy(&header, dib, sizeof header);
  const int bpp = header.biBitCount;
  if (header.biCompression != BI_RGB || (bpp != 24 && bpp != 32) || header.biWidth <= 0 ||
      header.biHeight == 0) {
    return std::nullopt;
  }
  const int w = header.biWidth;
  const int h = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const size_t stride = (static_cast<size_t>(w) * bpp / 8 + 3) & ~size_t{3};
  if (size < header.biSize + stride * h) return std::nullopt;
  const auto* pixels = static_cast<const uint8_t*>(dib) + header.biSize;
  Bitmap32 out(w, h);
  for (int y = 0; y < h; ++y) {
    const int row = header.biHeight < 0 ? y : h - 1 - y;
    const uint8_t* src = pixels + stride * row;
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = src + static_cast<size_t>(x) * (bpp / 8);
      out.Row(y)[x] = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    }
  }
  return out;
}

std::string Compare(const Bitmap32& got, const Bitmap32& want, int tolerance) {
  if (got.width() != want.width() || got.height() != want.height()) {
    return "size " + std::to_string(got.width()) + "x" + std::to_string(got.height()) +
           ", wanted " + std::to_string(want.width()) + "x" + std::to_string(want.height());
  }
  int differ = 0, most = 0;
  std::string first;
  for (int y = 0; y < got.height(); ++y) {
    for (int x = 0; x < got.width(); ++x) {
      const Color g = got.GetPixel(x, y), w = want.GetPixel(x, y);
      int apart = 0;
      for (int shift = 0; shift <= 16; shift += 8)
        apart = std::max(apart, std::abs(int((g >> shift) & 0xFF) - int((w >> shift) & 0xFF)));
      if (apart <= tolerance) continue;
      most = std::max(most, apart);
      if (differ++ == 0) {
        char buf[96];
        std::snprintf(buf, sizeof buf, " first at (%d, %d): %06X, wanted %06X", x, y, g, w);
        first = buf;
      }
    }
  }
  return differ == 0 ? "equal"
                     : std::to_string(differ) + " pixels differ, by up to " + std::to_string(most) +
                           " levels," + first;
}

bool PutClipboardBytes(UINT format, const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 2);
  if (block == nullptr) return false;
  auto* p = static_cast<char*>(GlobalLock(block));
  std::memcpy(p, bytes.data(), bytes.size());
  p[bytes.size()] = p[bytes.size() + 1] = 0;  // also ends a UTF-16 text
  GlobalUnlock(block);
  if (!OpenClipboard(nullptr)) {
    GlobalFree(block);
    return false;
  }
  EmptyClipboard();
  const bool ok = SetClipboardData(format, block) != nullptr;
  if (!ok) GlobalFree(block);
  CloseClipboard();
  return ok;
}

std::vector<UINT> ClipboardFormats() {
  std::vector<UINT> formats;
  if (!OpenClipboard(nullptr)) return formats;
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) formats.push_back(f);
  CloseClipboard();
  return formats;
}

int LiveGdiObjects() {
  SetLastError(ERROR_SUCCESS);
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
    return static_cast<int>(counted);
  }
  int live = 0;
  for (uintptr_t index = 1; index < 0x10000; ++index)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
  return live;
}

}  // namespace velin::test
