// A GDI-like drawing state over a Bitmap32: pen, brush and font, and the primitives the label
// commands and the symbol painters use, with the platform's pixel semantics.
#pragma once

#include <mutex>
#include <string_view>

#include "base/bitmap.h"
#include "base/text_renderer.h"

namespace velin {

enum class BrushStyle { kSolid, kClear };

struct Pen {
  int width = 1;
  Color color = kBlack;
};

struct Brush {
  Color color = kWhite;
  BrushStyle style = BrushStyle::kSolid;
};

// Contract: a Canvas draws on a bitmap it does not own and is used by one thread at a time
// (the caller holds whatever lock guards the bitmap). Coordinates may lie anywhere; drawing is
// clipped to the bitmap. Nothing throws.
class Canvas {
 public:
  explicit Canvas(Bitmap32& target, TextRenderer* text = nullptr) : target_(&target), text_(text) {}

  Bitmap32& target() { return *target_; }
  const Bitmap32& target() const { return *target_; }

  Pen pen;
  Brush brush;
  Font font;

  struct State {
    Pen pen;
    Brush brush;
    Font font;
  };
  State Save() const { return {pen, brush, font}; }
  void Restore(const State& s) {
    pen = s.pen;
    brush = s.brush;
    font = s.font;
  }

  // Lines: a one-dot pen covers the dots from the current position up to, but not including,
  // (x, y); a wider pen strokes the segment centred on it with round ends. LineTo moves the
  // current position to (x, y).
  void MoveTo(int x, int y);
  void LineTo(int x, int y);

  // Rectangle with corners (x1, y1) and (x2, y2), right and bottom edges exclusive: the
  // outline (pen) covers columns x1 .. x2-1 and rows y1 .. y2-1 for a one-dot pen, a wider pen
  // is centred on that outline; the inside is filled with the brush unless its style is clear.
  void Rectangle(int x1, int y1, int x2, int y2);
  // Fills [x1, x2) × [y1, y2) with the brush colour, whatever the brush style.
  void FillRect(int x1, int y1, int x2, int y2);
  // Closed polygon: the inside (alternate fill) is painted with the brush unless its style is
  // clear, then the outline is drawn with the pen through every vertex and back to the first.
  void Polygon(const Point* points, int count);

  // Text through the renderer with the canvas font, cell top-left at (x, y). With a solid
  // brush the cell (turned with the text) is first filled with the brush colour (opaque
  // text). A canvas made without a renderer draws no text and measures it as 0 × 0.
  void TextOut(int x, int y, std::string_view text);
  Size TextExtent(std::string_view text);

  // Copies `source` onto the rectangle [x, x + w) × [y, y + h) of this canvas, stretching by
  // nearest neighbour; white source dots overwrite what is below (opaque copy).
  void StretchDraw(int x, int y, int w, int h, const Bitmap32& source);

  Color GetPixel(int x, int y) const { return target_->GetPixel(x, y); }
  void SetPixel(int x, int y, Color c) { target_->SetPixel(x, y, c); }

 private:
  Bitmap32* target_;
  TextRenderer* text_;
  Point position_;
};

}  // namespace velin
