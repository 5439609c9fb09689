// Colours of the skin and the WCAG contrast measure used to choose them.
#pragma once

#include <cstdint>

namespace velin::skin {

// A colour with straight (not premultiplied) alpha: 0xAARRGGBB.
using Argb = uint32_t;

constexpr Argb Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}
constexpr uint8_t AlphaOf(Argb c) { return uint8_t(c >> 24); }
constexpr uint8_t RedOf(Argb c) { return uint8_t(c >> 16); }
constexpr uint8_t GreenOf(Argb c) { return uint8_t(c >> 8); }
constexpr uint8_t BlueOf(Argb c) { return uint8_t(c); }
constexpr Argb WithAlpha(Argb c, uint8_t a) { return (c & 0x00FFFFFFu) | (uint32_t{a} << 24); }

constexpr Argb kTransparent = 0;

// x / 255 rounded to nearest, exact for x in [0, 255 * 255].
constexpr uint32_t Div255(uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

// The pixel word of a surface (premultiplied alpha, same byte order) for colour `c`.
constexpr uint32_t Premultiply(Argb c) {
  const uint32_t a = AlphaOf(c);
  return (a << 24) | (Div255(RedOf(c) * a) << 16) | (Div255(GreenOf(c) * a) << 8) |
         Div255(BlueOf(c) * a);
}
// The colour of a premultiplied pixel word (transparent black for alpha 0).
Argb Unpremultiply(uint32_t pixel);

// `c` composited over the opaque colour `below`: the opaque colour the eye sees.
Argb Over(Argb c, Argb below);
// Linear mix of two colours: t = 0 gives `a`, t = 1 gives `b` (alpha mixed too).
Argb Mix(Argb a, Argb b, float t);

// WCAG 2 relative luminance of the colour's RGB (alpha ignored), in [0, 1].
double RelativeLuminance(Argb c);
// WCAG 2 contrast ratio of two opaque colours, in [1, 21]; 4.5 is the minimum for body text.
double ContrastRatio(Argb a, Argb b);

}  // namespace velin::skin
