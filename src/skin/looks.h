// The pixels of each control except its text, which the platform draws on top: the window
// classes call these with the control's device-pixel bounds and the window's dpi.
#pragma once

#include "skin/geometry.h"
#include "skin/painter.h"
#include "skin/theme.h"

namespace velin::skin {

// A button's body in `bounds`: fill, border or focus ring. The surface already holds what lies
// behind the button (its parent's colour). `radius` < 0 takes the theme's corner radius.
void PaintButtonBody(Painter& p, const RectI& bounds, const ButtonLook& look, const Theme& theme,
                     int dpi, float radius = -1);

// The frame of a text field or drop-down list filling `bounds`.
void PaintField(Painter& p, const RectI& bounds, const FieldLook& look, const Theme& theme,
                int dpi);
// Where a field's text goes, and where a drop-down list's chevron goes (at the right end).
RectI FieldTextArea(const RectI& bounds, const Theme& theme, int dpi, bool chevron);
RectF ChevronBox(const RectI& bounds, const Theme& theme, int dpi);

// The progress ring fitted into `bounds` (a square centred in it): a track all round and the
// value's arc over it, clockwise from 12 o'clock, with round ends. `value` is clamped to
// [minimum, maximum].
struct RingGeometry {
  PointF centre;
  float radius = 0;  // of the stroke's centre line
  float width = 0;
  float sweep = 0;  // degrees of the value arc, 0 to 360
};
RingGeometry ProgressRingGeometry(const RectI& bounds, int value, int minimum, int maximum,
                                  float thickness);
void PaintProgressRing(Painter& p, const RectI& bounds, int value, int minimum, int maximum,
                       const Theme& theme, int dpi);

}  // namespace velin::skin
