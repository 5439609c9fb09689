#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/bitmap.h"
#include "fonts/posix/glyph_blit.h"

namespace velin {
namespace {

// Exact up to 65534, which covers every blend sum (at most 255 * 255 + 127).
TEST(GlyphBlitTest, DivideBy255IsExactOverTheBlendRange) {
  for (unsigned t = 0; t <= 65534; ++t) ASSERT_EQ(DivideBy255(t), t / 255) << "t = " << t;
}

// Every dot value, pixel value and partial coverage, each channel against the rounded blend
// with a true division; the three channels carry different values so a leak between the
// lanes of the shared red/blue word shows.
TEST(GlyphBlitTest, BlendDotMatchesTheDividedBlendForEveryValue) {
  auto blend = [](unsigned d, unsigned s, unsigned a) {
    return (d * (255 - a) + s * a + 127) / 255;
  };
  for (unsigned a = 1; a < 255; ++a)
    for (unsigned d = 0; d < 256; ++d)
      for (unsigned s = 0; s < 256; ++s) {
        const uint32_t dot = 0xFF000000u | d << 16 | s << 8 | (255 - d);
        const uint32_t pixel = s << 16 | d << 8 | (255 - s);
        const uint32_t expected = blend(d, s, a) << 16 | blend(s, d, a) << 8 |
                                  blend(255 - d, 255 - s, a);
        ASSERT_EQ(BlendDot(dot, pixel, a), expected) << "a " << a << " d " << d << " s " << s;
      }
}

// A run of every coverage value, in an order that gives runs of zeros, of full coverage and of
// mixtures, over dots of every value, against blending one dot at a time; the run's length is
// not a multiple of any block size. Every way the processor has is checked.
TEST(GlyphBlitTest, BlendRunMatchesOneDotAtATime) {
  std::vector<uint8_t> cov;
  for (int i = 0; i < 8; ++i) cov.push_back(0);
  for (int i = 0; i < 5; ++i) cov.push_back(255);
  for (int a = 0; a < 256; ++a) cov.push_back(static_cast<uint8_t>(a * 97 % 256));
  for (int i = 0; i < 3; ++i) cov.push_back(0);
  for (const uint32_t pixel : {0x00000000u, 0x00FFFFFFu, 0xFF12C3A4u})
    for (uint32_t base = 0; base < 256; base += 15) {
      std::vector<uint32_t> dots(cov.size());
      for (size_t i = 0; i < dots.size(); ++i)
        dots[i] = static_cast<uint32_t>((base + i * 7) % 256 << 24 | (base + i * 3) % 256 << 16 |
                                        (base * 5 + i) % 256 << 8 | (255 - base + i) % 256);
      std::vector<uint32_t> expected = dots;
      for (size_t i = 0; i < cov.size(); ++i)
        if (cov[i] == 255)
          expected[i] = pixel;
        else if (cov[i] != 0)
          expected[i] = BlendDot(expected[i], pixel, cov[i]);
      const BlendRunKernels kernels = AvailableBlendRunKernels();
      for (auto* kernel : {kernels.plain, kernels.sse2, kernels.avx2, &BlendRun}) {
        if (kernel == nullptr) continue;
        std::vector<uint32_t> out = dots;
        kernel(out.data(), cov.data(), static_cast<int64_t>(cov.size()), pixel);
        ASSERT_EQ(out, expected) << "pixel " << pixel << " base " << base;
      }
    }
}

// The dot-by-dot way: map each dot of the box, skip it if it is off the bitmap, blend it with
// a division.
void BlitDotByDot(Bitmap32& target, const GlyphPlacement& place, int64_t u0, int64_t v0,
                  const std::vector<uint8_t>& coverage, int width, int rows, uint32_t pixel) {
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < width; ++c) {
      const unsigned a = coverage[static_cast<size_t>(r * width + c)];
      int64_t tx = 0, ty = 0;
      place.Map(u0 + c, v0 + r, tx, ty);
      if (a == 0 || tx < 0 || ty < 0 || tx >= target.width() || ty >= target.height()) continue;
      uint32_t& d = target.Row(static_cast<int>(ty))[tx];
      if (a == 255) {
        d = pixel;
        continue;
      }
      uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned dc = (d >> shift) & 0xFF, sc = (pixel >> shift) & 0xFF;
        out |= ((dc * (255 - a) + sc * a + 127) / 255) << shift;
      }
      d = out;
    }
}

// A background where every dot differs, so a dot written to the wrong place shows.
Bitmap32 Background(int width, int height) {
  Bitmap32 bmp(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bmp.Row(y)[x] = 0xFF000000u | static_cast<uint32_t>(x * 37 + y * 11) % 256 << 16 |
                      static_cast<uint32_t>(x * 5 + y * 71) % 256 << 8 |
                      static_cast<uint32_t>(x * y * 13 + 7) % 256;
  return bmp;
}

// A box that is not symmetric in either direction, with empty, full and partial coverage.
std::vector<uint8_t> Coverage(int width, int rows) {
  std::vector<uint8_t> cov(static_cast<size_t>(width * rows));
  for (int i = 0; i < width * rows; ++i) {
    const int k = (i * 53 + i / width * 19) % 7;
    cov[static_cast<size_t>(i)] = k == 0 ? 0 : k == 1 ? 255 : static_cast<uint8_t>(i * 29 % 253 + 1);
  }
  return cov;
}

// The box is moved over every position from wholly off the left/top to wholly off the
// right/bottom, so it is cut by each edge and by two edges at the corners, and is also wholly
// inside; the cell origin is also moved so the turns about it are exercised.
TEST(GlyphBlitTest, ClippedBlitMatchesDotByDotInEveryTurnAndPosition) {
  constexpr int kWidth = 13, kHeight = 9, kBoxWidth = 5, kBoxRows = 4;
  const std::vector<uint8_t> cov = Coverage(kBoxWidth, kBoxRows);
  const uint32_t pixel = 0x00345678u;
  for (int quarter = 0; quarter < 4; ++quarter)
    for (int64_t origin : {0, 6, 13})
      for (int64_t u0 = -kWidth - 6; u0 <= kWidth + 6; ++u0)
        for (int64_t v0 = -kHeight - 6; v0 <= kHeight + 6; ++v0) {
          GlyphPlacement place;
          place.x = origin;
          place.y = origin / 2;
          place.quarter = quarter;
          Bitmap32 fast = Background(kWidth, kHeight);
          Bitmap32 slow = fast;
          BlitCoverage(fast, place, u0, v0, cov.data(), kBoxWidth, kBoxRows, pixel);
          BlitDotByDot(slow, place, u0, v0, cov, kBoxWidth, kBoxRows, pixel);
          ASSERT_EQ(fast.Pixels(), slow.Pixels())
              << "quarter " << quarter << " origin " << origin << " u0 " << u0 << " v0 " << v0;
        }
}

TEST(GlyphBlitTest, BoxesFarOffTheBitmapLeaveItAlone) {
  const std::vector<uint8_t> cov(16, 255);
  for (int quarter = 0; quarter < 4; ++quarter)
    for (int64_t far : {int64_t{-1} << 40, int64_t{1} << 40}) {
      GlyphPlacement place;
      place.quarter = quarter;
      Bitmap32 bmp = Background(8, 8);
      const Bitmap32 before = bmp;
      BlitCoverage(bmp, place, far, 0, cov.data(), 4, 4, 0);
      BlitCoverage(bmp, place, 0, far, cov.data(), 4, 4, 0);
      EXPECT_EQ(bmp.Pixels(), before.Pixels()) << "quarter " << quarter << " at " << far;
    }
}

}  // namespace
}  // namespace velin
