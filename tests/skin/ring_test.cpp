// The progress ring: which clock angles its value arc inks, and its geometry in its box.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "skin/looks.h"

namespace velin::skin {
namespace {

enum class Ink { kValue, kTrack, kOther };

// What the ring shows on its centre line at clock angle `degrees`.
Ink At(const Image& image, const RingGeometry& g, float degrees, const Theme& theme) {
  const PointF p = PointOnCircle(g.centre, g.radius, degrees);
  const Argb c = image.ColorAt(int(std::floor(p.x)), int(std::floor(p.y)));
  if (ContrastRatio(c, theme.accent) < 1.1) return Ink::kValue;
  if (ContrastRatio(c, theme.ring_track) < 1.1) return Ink::kTrack;
  return Ink::kOther;
}

TEST(ProgressRing, ValueArcRunsClockwiseFromTwelveOClock) {
  const Theme& theme = DefaultTheme();
  const RectI box = {0, 0, 48, 48};
  struct Case {
    int value;
    float sweep;  // degrees inked
  } cases[] = {{0, 0}, {10, 36}, {25, 90}, {50, 180}, {90, 324}, {100, 360}};
  for (const Case& c : cases) {
    Image image(48, 48, theme.window);
    Painter p(image.View());
    PaintProgressRing(p, box, c.value, 0, 100, theme, 96);
    const RingGeometry g = ProgressRingGeometry(box, c.value, 0, 100, float(theme.ring_thickness));
    EXPECT_FLOAT_EQ(g.sweep, c.sweep) << c.value;
    // The round ends reach half the thickness beyond the arc's angles: about 6 degrees here.
    constexpr float kCap = 10;
    for (float a = 0; a < 360; a += 2.5f) {
      const Ink ink = At(image, g, a, theme);
      const std::string where = std::to_string(c.value) + "% at " + std::to_string(a) + " deg";
      if (c.sweep >= 360 || (a > kCap && a < c.sweep - kCap)) {
        EXPECT_EQ(ink, Ink::kValue) << where;
      } else if (c.sweep == 0 || (a > c.sweep + kCap && a < 360 - kCap)) {
        EXPECT_EQ(ink, Ink::kTrack) << where;
      }
    }
  }
}

TEST(ProgressRing, QuarterInksTheThreeOClockSideOnly) {
  // The direction, stated plainly: a quarter lies between 12 and 3 o'clock.
  const Theme& theme = DefaultTheme();
  Image image(40, 40, theme.window);
  Painter p(image.View());
  PaintProgressRing(p, {0, 0, 40, 40}, 25, 0, 100, theme, 96);
  const RingGeometry g = ProgressRingGeometry({0, 0, 40, 40}, 25, 0, 100, 4);
  EXPECT_EQ(At(image, g, 45, theme), Ink::kValue);   // half past one
  EXPECT_EQ(At(image, g, 315, theme), Ink::kTrack);  // half past ten
  EXPECT_EQ(At(image, g, 135, theme), Ink::kTrack);  // half past four
}

TEST(ProgressRing, ValueOutsideTheRangeIsClampedAndAnEmptyRangeInksNothing) {
  EXPECT_FLOAT_EQ(ProgressRingGeometry({0, 0, 40, 40}, -5, 0, 100, 4).sweep, 0);
  EXPECT_FLOAT_EQ(ProgressRingGeometry({0, 0, 40, 40}, 250, 0, 100, 4).sweep, 360);
  EXPECT_FLOAT_EQ(ProgressRingGeometry({0, 0, 40, 40}, 15, 10, 20, 4).sweep, 180);
  EXPECT_FLOAT_EQ(ProgressRingGeometry({0, 0, 40, 40}, 5, 5, 5, 4).sweep, 0);
}

TEST(ProgressRing, FitsTheShorterSideCentred) {
  const RingGeometry g = ProgressRingGeometry({10, 0, 70, 40}, 0, 0, 100, 4);
  EXPECT_FLOAT_EQ(g.centre.x, 40);
  EXPECT_FLOAT_EQ(g.centre.y, 20);
  EXPECT_FLOAT_EQ(g.radius + g.width / 2, 20);  // the outer edge touches the box
  // A box smaller than twice the thickness still gives a ring, not a negative radius.
  const RingGeometry tiny = ProgressRingGeometry({0, 0, 6, 6}, 50, 0, 100, 4);
  EXPECT_GE(tiny.radius, 0);
  EXPECT_LE(tiny.radius + tiny.width / 2, 3.0f + 1e-5f);
}

}  // namespace
}  // namespace velin::skin
