// Anti-aliased coverage of a path: for every pixel, the fraction of its square that the
// path's polygon covers (non-zero rule), computed exactly by accumulating the signed area each
// edge sweeps through the pixels of its rows, then summing along each row.
#pragma once

#include <cstdint>
#include <vector>

#include "skin/geometry.h"
#include "skin/path.h"

namespace velin::skin {

// Coverage bytes of the pixels of `area`: 0 outside, 255 fully inside.
struct CoverageMask {
  RectI area;
  std::vector<uint8_t> values;  // area.width() per row, rows top-down

  uint8_t At(int x, int y) const {
    return area.Contains(x, y)
               ? values[static_cast<size_t>(y - area.top) * area.width() + (x - area.left)]
               : 0;
  }
};

// Keeps its buffers between calls, so drawing many shapes allocates nothing after the first.
// Not thread-safe: one per thread.
class Rasterizer {
 public:
  // The coverage of `path` over the pixels of `clip` that its bounds reach (the mask's area may
  // be smaller than `clip`, and is empty when nothing is covered). The reference stays valid
  // until the next call.
  const CoverageMask& Coverage(const Path& path, const RectI& clip);

 private:
  void AddLine(PointF p0, PointF p1);  // in mask coordinates, x already within [0, width]
  void AddClippedLine(PointF p0, PointF p1);

  CoverageMask mask_;
  std::vector<float> accumulation_;
  int stride_ = 0;  // accumulation row length: the mask's width plus 2
};

// One-off coverage of `path` over exactly `area` (tests, glyph images).
CoverageMask PathCoverage(const Path& path, const RectI& area);

}  // namespace velin::skin
