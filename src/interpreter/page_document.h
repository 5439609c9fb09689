// A printed page as a document for a printer system that takes one (CUPS): the stretches made
// onto the page are kept and rendered row by row only while the document is made.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "base/bitmap.h"
#include "base/png.h"
#include "interpreter/printer_system.h"

namespace velin {

// Contract: used by one thread. The stretched bitmaps are not copied: they stay valid and
// unchanged until the document is made (PrintPage's caller keeps them so).
class DocumentPage : public PrinterPage {
 public:
  explicit DocumentPage(Size area) : area_(area) {}
  Size PrintableArea() const override { return area_; }
  int BitsPerPixel() const override { return 24; }
  void StretchBitmap(const Bitmap32& bitmap, int left, int top, int width, int height) override;

  // The PNG format that holds the page exactly: black and white, grey, or colour, as the
  // stretched bitmaps need (the paper around them is white).
  PngPixels Pixels() const;

  // One row of the page, white where nothing was drawn: each stretch takes, for every dot, the
  // source dot that Canvas::StretchDraw takes (nearest neighbour, no smoothing). Returns
  // false, leaving `pixels` alone, when row y is made of the same source rows as row y - 1
  // (a stretched page repeats each label row many times); rows must be asked for in order.
  bool Row(int y, uint32_t* pixels);

  // Encodes the page as a PNG document in Pixels() format with `dots_per_inch` recorded,
  // its bytes going to `write` as they are made (see EncodePng).
  bool EncodePng(const std::function<bool(std::string_view bytes)>& write, int dots_per_inch);

 private:
  struct Stretch {
    const Bitmap32* bitmap = nullptr;
    int left = 0, top = 0, width = 0, height = 0;
    int64_t x_first = 0, x_end = 0;  // the page columns it covers
    std::vector<int32_t> column;     // source column for each covered page column
    std::vector<int32_t> row;        // source row for each page row, or -1
  };
  void Map(Stretch& s) const;

  Size area_;
  std::vector<Stretch> stretches_;
  bool mapped_ = false;
  std::vector<int32_t> last_rows_;  // the source rows of the previous row made
};

}  // namespace velin
