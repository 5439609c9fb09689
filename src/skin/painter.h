// Drawing on a Surface: anti-aliased shapes in flat colours, images, and the skin's glyphs.
// Coordinates are device pixels of the surface; everything is clipped to the surface (and to
// the clip rectangle, when one is set). Colours have straight alpha; they are composited over
// what is there ("source over").
#pragma once

#include <span>

#include "skin/color.h"
#include "skin/geometry.h"
#include "skin/path.h"
#include "skin/rasterizer.h"
#include "skin/surface.h"

namespace velin::skin {

// Small line drawings the controls use, drawn in the colour of the caption they stand for.
enum class Glyph {
  kNone,
  kClose,        // ×
  kMinimise,     // a short bar low in the box
  kChevronDown,  // ⌄, for drop-down lists
  kChevronUp,    // ⌃, for spin boxes
  kCheck,        // ✓
};

class Painter {
 public:
  explicit Painter(Surface target) : target_(target), clip_(target.Bounds()) {}

  const Surface& target() const { return target_; }
  // Restricts drawing to `clip` (within the surface).
  void SetClip(const RectI& clip) { clip_ = clip.Intersect(target_.Bounds()); }

  // Sets the pixels of `r` (all of the surface by default) to `c`, without blending.
  void Clear(Argb c);
  void Clear(const RectI& r, Argb c);

  void Fill(const Path& path, Argb c);
  void FillRect(const RectF& r, Argb c) { FillRoundedRect(r, {}, c); }
  void FillRoundedRect(const RectF& r, const CornerRadii& radii, Argb c);
  // A border `width` wide inside `r`.
  void StrokeRoundedRect(const RectF& r, const CornerRadii& radii, float width, Argb c);
  void FillCircle(PointF centre, float radius, Argb c);
  // The ring whose centre line is the circle (centre, radius).
  void StrokeCircle(PointF centre, float radius, float width, Argb c);
  // Clock angles: 0 at 12 o'clock, clockwise (see path.h).
  void StrokeArc(PointF centre, float radius, float width, float start, float sweep, LineCap cap,
                 Argb c);
  void StrokeLine(PointF a, PointF b, float width, LineCap cap, Argb c);
  void StrokePolyline(std::span<const PointF> points, float width, LineCap cap, Argb c);

  // `glyph` drawn inside `box` with strokes `width` wide.
  void DrawGlyph(Glyph glyph, const RectF& box, float width, Argb c);

  // Composites the premultiplied `image` with its top left corner at (x, y), its alpha
  // scaled by `opacity`.
  void DrawImage(const Surface& image, int x, int y, uint8_t opacity = 255);
  // Composites `image` scaled into `dest` (each destination pixel averages the source area it
  // covers, so thin lines stay visible when a page is shrunk).
  void DrawImageScaled(const Surface& image, const RectI& dest);

  // Composites `c` onto the pixels of `mask` in proportion to their coverage.
  void FillMask(const CoverageMask& mask, Argb c);

 private:
  Surface target_;
  RectI clip_;
  Rasterizer rasterizer_;
};

}  // namespace velin::skin
