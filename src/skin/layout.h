// Layout in design pixels: a window says where its controls go at 96 dpi, in its own client
// coordinates, and the skin scales that to the monitor. Areas are cut from a rectangle the way
// a designer sketches a window: take a strip off the left, a row off the top, split a row into
// equal cells.
#pragma once

#include <vector>

#include "skin/geometry.h"

namespace velin::skin {

struct DesignRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  int right() const { return x + width; }
  int bottom() const { return y + height; }
  bool operator==(const DesignRect&) const = default;
};

// Device pixels of `r` at `dpi`. Edges are scaled, not sizes, so rectangles that touch in
// design pixels touch on the screen at every scale, without gaps or overlaps.
RectI ToDevice(const DesignRect& r, int dpi);

DesignRect Inset(const DesignRect& r, int dx, int dy);

// Cut a strip of `size` off one side of `area` and return it; `area` keeps the rest, less
// `gap`. A strip larger than the area takes all of it.
DesignRect TakeLeft(DesignRect& area, int size, int gap = 0);
DesignRect TakeRight(DesignRect& area, int size, int gap = 0);
DesignRect TakeTop(DesignRect& area, int size, int gap = 0);
DesignRect TakeBottom(DesignRect& area, int size, int gap = 0);

// `count` cells of equal width side by side in `area`, `gap` apart; pixels that do not divide
// evenly go to the first cells, so the last cell ends exactly at the area's right edge.
std::vector<DesignRect> SplitRow(const DesignRect& area, int count, int gap);

enum class Align { kStart, kCentre, kEnd };

// A box of `width` × `height` placed in `area` (device pixels).
RectI Place(int width, int height, const RectI& area, Align horizontal, Align vertical);

// Where a button's icon and caption go inside its body: the pair is centred (or aligned) as a
// group with `gap` between them; a caption too wide keeps its left and is cut at the body's
// padding (the caller draws it with an ellipsis).
struct IconAndText {
  RectI icon;  // empty without icon
  RectI text;  // empty without caption
};
IconAndText PlaceIconAndText(const RectI& body, int icon_width, int icon_height, int text_width,
                             int text_height, int gap, Align horizontal);

enum class ImageFit {
  kStretch,  // fills the box, proportions not kept
  kContain,  // as large as fits with its proportions, centred
  kCentre,   // unscaled, centred
};

// Where an image of `width` × `height` goes in `box` under `fit` (empty for an empty image).
RectI FitImage(int width, int height, const RectI& box, ImageFit fit);

}  // namespace velin::skin
