#include "skin/color.h"

#include <algorithm>
#include <cmath>

namespace velin::skin {

Argb Unpremultiply(uint32_t pixel) {
  const uint32_t a = pixel >> 24;
  if (a == 0) return 0;
  auto channel = [a](uint32_t v) { return std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
  return (a << 24) | (channel((pixel >> 16) & 0xFF) << 16) | (channel((pixel >> 8) & 0xFF) << 8) |
         channel(pixel & 0xFF);
}

Argb Over(Argb c, Argb below) {
  const uint32_t a = AlphaOf(c);
  auto channel = [a](uint32_t top, uint32_t bottom) {
    return Div255(top * a + bottom * (255 - a));
  };
  return Rgb(uint8_t(channel(RedOf(c), RedOf(below))), uint8_t(channel(GreenOf(c), GreenOf(below))),
             uint8_t(channel(BlueOf(c), BlueOf(below))));
}

Argb Mix(Argb a, Argb b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  auto channel = [t](uint8_t x, uint8_t y) {
    return uint32_t(std::lround(x + (float(y) - float(x)) * t));
  };
  return (channel(AlphaOf(a), AlphaOf(b)) << 24) | (channel(RedOf(a), RedOf(b)) << 16) |
         (channel(GreenOf(a), GreenOf(b)) << 8) | channel(BlueOf(a), BlueOf(b));
}

namespace {
double Linear(uint8_t channel) {
  const double s = channel / 255.0;
  return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}
}  // namespace

double RelativeLuminance(Argb c) {
  return 0.2126 * Linear(RedOf(c)) + 0.7152 * Linear(GreenOf(c)) + 0.0722 * Linear(BlueOf(c));
}

double ContrastRatio(Argb a, Argb b) {
  double la = RelativeLuminance(a), lb = RelativeLuminance(b);
  if (la < lb) std::swap(la, lb);
  return (la + 0.05) / (lb + 0.05);
}

}  // namespace velin::skin
