// A 32-bit raster: one uint32_t per pixel, laid out as a top-down Windows DIB section
// (bytes blue, green, red, unused), so a GDI backend can blit it without conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velin {

// A colour as the label languages and GDI give it: 0x00BBGGRR, red in the lowest byte.
using Color = uint32_t;
constexpr Color kBlack = 0x000000;
constexpr Color kWhite = 0xFFFFFF;

// Pixel word (0x00RRGGBB in memory order B, G, R, X) from a colour, and back.
constexpr uint32_t ToPixel(Color c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr Color FromPixel(uint32_t p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

struct Point {
  int x = 0;
  int y = 0;
};

struct Size {
  int width = 0;
  int height = 0;
};

class Bitmap32 {
 public:
  // Largest pixel count a bitmap may hold (64 Mpixel, 256 MiB); a larger request fails.
  static constexpr int64_t kMaxPixels = int64_t{64} << 20;

  Bitmap32() = default;
  // Throws std::bad_alloc if width × height is negative or exceeds kMaxPixels.
  Bitmap32(int width, int height, Color fill = kWhite);

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }

  // Changes the size; the content afterwards is unspecified (callers clear it). Throws
  // std::bad_alloc as the constructor does and then leaves the bitmap as it was.
  void Resize(int width, int height);
  void Fill(Color c);

  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Out-of-range reads give white; out-of-range writes are ignored.
  Color GetPixel(int x, int y) const;
  void SetPixel(int x, int y, Color c);

  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const std::vector<uint32_t>& Pixels() const { return pixels_; }

  bool operator==(const Bitmap32& o) const {
    return width_ == o.width_ && height_ == o.height_ && pixels_ == o.pixels_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

}  // namespace velin
