// The program's icons: smooth edges, transparent surroundings, state images told apart, and
// the .ico encoding read back field by field.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "app/app_texts.h"
#include "app/icon_art.h"

namespace velin::app {
namespace {

uint32_t U32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}
uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) |
                               (static_cast<uint8_t>(s[at + 1]) << 8));
}

TEST(IconArt, TheAppIconIsARoundedTileWithSmoothCorners) {
  for (int size : {16, 24, 48, 256}) {
    const skin::Image icon = AppIcon(size);
    EXPECT_EQ(skin::AlphaOf(icon.ColorAt(0, 0)), 0) << size << ": the corner is cut off";
    EXPECT_EQ(skin::AlphaOf(icon.ColorAt(size / 2, 1)), 255) << size;
    EXPECT_EQ(icon.ColorAt(size * 27 / 100, size * 46 / 100), skin::Rgb(255, 255, 255))
        << size << ": the card";
    // In the top-left corner the alpha climbs through partial values.
    std::set<int> alphas;
    for (int y = 0; y < size / 4; ++y)
      for (int x = 0; x < size / 4; ++x) alphas.insert(skin::AlphaOf(icon.ColorAt(x, y)));
    EXPECT_GE(alphas.size(), 3u) << size << ": the corner is not anti-aliased";
  }
}

TEST(IconArt, StateImagesAreDiscsWithATickOrACross) {
  const int size = 24;
  const skin::Image found = StateImage(kImageReceiverFound, size);
  const skin::Image missing = StateImage(kImageReceiverMissing, size);
  for (const skin::Image* image : {&found, &missing}) {
    EXPECT_EQ(skin::AlphaOf(image->ColorAt(0, 0)), 0);
    EXPECT_EQ(skin::AlphaOf(image->ColorAt(size / 2, 1)), 255);
  }
  // Each carries its glyph's colour (green tick, red cross), and not the other's.
  auto has = [&](const skin::Image& image, skin::Argb colour) {
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x)
        if (image.ColorAt(x, y) == colour) return true;
    return false;
  };
  EXPECT_TRUE(has(found, skin::Rgb(22, 163, 74)));
  EXPECT_FALSE(has(found, skin::Rgb(220, 38, 38)));
  EXPECT_TRUE(has(missing, skin::Rgb(220, 38, 38)));
  EXPECT_FALSE(has(missing, skin::Rgb(22, 163, 74)));
  EXPECT_THROW(StateImage(7, size), std::invalid_argument);
}

TEST(IconArt, IcoFileHoldsEachImageBottomUpWithStraightAlphaAndMask) {
  // A 3 × 3 image whose rows differ, with one half-transparent and one transparent pixel.
  skin::Image small(3, 3, skin::Rgb(10, 20, 30));
  small.View().Row(0)[0] = skin::Premultiply(skin::WithAlpha(skin::Rgb(200, 100, 50), 128));
  small.View().Row(2)[2] = 0;
  const skin::Image big = AppIcon(256);
  const std::string ico = EncodeIco({small, big});

  ASSERT_GE(ico.size(), 6u + 2 * 16);
  EXPECT_EQ(U16(ico, 0), 0);
  EXPECT_EQ(U16(ico, 2), 1);
  EXPECT_EQ(U16(ico, 4), 2);
  // Directory entries: width, height (0 for 256), bits, size and offset that tile the file.
  size_t expected_offset = 6 + 2 * 16;
  const int sizes[] = {3, 256};
  for (int i = 0; i < 2; ++i) {
    const size_t e = 6 + 16 * i;
    EXPECT_EQ(static_cast<uint8_t>(ico[e]), sizes[i] % 256);
    EXPECT_EQ(U16(ico, e + 6), 32);
    const uint32_t bytes = U32(ico, e + 8), offset = U32(ico, e + 12);
    EXPECT_EQ(offset, expected_offset);
    const uint32_t mask_stride = ((sizes[i] + 31) / 32) * 4;
    EXPECT_EQ(bytes, 40 + sizes[i] * sizes[i] * 4 + mask_stride * sizes[i]);
    EXPECT_EQ(U32(ico, offset + 8), static_cast<uint32_t>(2 * sizes[i]));  // colour + mask
    expected_offset += bytes;
  }
  EXPECT_EQ(ico.size(), expected_offset);

  // The 3 × 3 image: the first row stored is the bottom one; alpha is straight.
  const size_t pixels = U32(ico, 6 + 12) + 40;
  auto stored = [&](int x, int y) { return U32(ico, pixels + 4 * ((2 - y) * 3 + x)); };
  EXPECT_EQ(stored(1, 1), 0xFF0A141Eu);
  EXPECT_EQ(stored(2, 2), 0u);
  const uint32_t half = stored(0, 0);
  EXPECT_EQ(half >> 24, 128u);
  EXPECT_NEAR(static_cast<int>((half >> 16) & 0xFF), 200, 1);  // not premultiplied (100)
  EXPECT_NEAR(static_cast<int>(half & 0xFF), 50, 1);
  // The AND mask: one 4-byte row per image row, bottom-up; set only where alpha is 0.
  const size_t mask = pixels + 3 * 3 * 4;
  EXPECT_EQ(static_cast<uint8_t>(ico[mask]), 0x20);      // row 2: pixel (2, 2)
  EXPECT_EQ(static_cast<uint8_t>(ico[mask + 4]), 0x00);  // row 1
  EXPECT_EQ(static_cast<uint8_t>(ico[mask + 8]), 0x00);  // row 0: half alpha is not masked
}

TEST(IconArt, IcoRefusesImagesItCannotHold) {
  EXPECT_THROW(EncodeIco({skin::Image(300, 300)}), std::invalid_argument);
  EXPECT_THROW(EncodeIco({skin::Image(16, 8)}), std::invalid_argument);
}

}  // namespace
}  // namespace velin::app
