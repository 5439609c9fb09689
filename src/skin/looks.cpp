#include "skin/looks.h"

#include <algorithm>
#include <cstdint>

#include "skin/dpi.h"

namespace velin::skin {

void PaintButtonBody(Painter& p, const RectI& bounds, const ButtonLook& look, const Theme& theme,
                     int dpi, float radius) {
  const RectF r(bounds);
  const CornerRadii radii =
      CornerRadii::All(radius < 0 ? ScaleF(float(theme.corner_radius), dpi) : ScaleF(radius, dpi));
  p.FillRoundedRect(r, radii, look.fill);
  if (look.focus_ring) {
    const float ring = float(ScaleStroke(theme.focus_width, dpi));
    p.StrokeRoundedRect(r, radii, ring, theme.focus_ring);
    // On a fill close to the ring's colour, a light line inside keeps the ring visible.
    if (AlphaOf(look.fill) == 255 && ContrastRatio(look.fill, theme.focus_ring) < 3) {
      const float line = float(ScaleStroke(1, dpi));
      p.StrokeRoundedRect(r.Inset(ring), radii.Shrunk(ring), line, theme.window);
    }
  } else if (AlphaOf(look.border) != 0) {
    p.StrokeRoundedRect(r, radii, float(ScaleStroke(theme.border_width, dpi)), look.border);
  }
}

void PaintField(Painter& p, const RectI& bounds, const FieldLook& look, const Theme& theme,
                int dpi) {
  const RectF r(bounds);
  const CornerRadii radii = CornerRadii::All(ScaleF(float(theme.corner_radius), dpi));
  p.FillRoundedRect(r, radii, look.fill);
  const int width = ScaleStroke(static_cast<int>(look.border_width + 0.5f), dpi);
  p.StrokeRoundedRect(r, radii, float(width), look.border);
}

RectI FieldTextArea(const RectI& bounds, const Theme& theme, int dpi, bool chevron) {
  const int pad = Scale(theme.padding, dpi);
  const int focus = ScaleStroke(theme.focus_width, dpi);
  RectI text = {bounds.left + pad, bounds.top + focus, bounds.right - pad, bounds.bottom - focus};
  if (chevron) text.right = std::max(text.left, text.right - Scale(theme.chevron + 6, dpi));
  return text;
}

RectF ChevronBox(const RectI& bounds, const Theme& theme, int dpi) {
  const float side = ScaleF(float(theme.chevron), dpi);
  const float right = float(bounds.right) - ScaleF(float(theme.padding), dpi);
  const float mid = (float(bounds.top) + float(bounds.bottom)) / 2;
  return {right - side, mid - side / 2, right, mid + side / 2};
}

RingGeometry ProgressRingGeometry(const RectI& bounds, int value, int minimum, int maximum,
                                  float thickness) {
  RingGeometry g;
  const float side = float(std::min(bounds.width(), bounds.height()));
  g.centre = RectF(bounds).Centre();
  g.width = std::min(thickness, side / 2);
  g.radius = std::max(0.0f, (side - g.width) / 2);
  if (maximum > minimum) {
    const int v = std::clamp(value, minimum, maximum);
    g.sweep = 360.0f * float(int64_t{v} - minimum) / float(int64_t{maximum} - minimum);
  }
  return g;
}

void PaintProgressRing(Painter& p, const RectI& bounds, int value, int minimum, int maximum,
                       const Theme& theme, int dpi) {
  const RingGeometry g = ProgressRingGeometry(bounds, value, minimum, maximum,
                                              ScaleF(float(theme.ring_thickness), dpi));
  p.StrokeCircle(g.centre, g.radius, g.width, theme.ring_track);
  if (g.sweep > 0)
    p.StrokeArc(g.centre, g.radius, g.width, 0, g.sweep, LineCap::kRound, theme.accent);
}

}  // namespace velin::skin
