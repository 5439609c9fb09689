// The page that the CUPS backend sends: its rows against the canvas's own stretch, the rows it
// says repeat, and the PNG format it picks.
#include "interpreter/page_document.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/canvas.h"
#include "base/png.h"
#include "support/test_paths.h"

namespace velin {
namespace {

// A label whose every row and column differs from its neighbours, so any dot taken from the
// wrong source row or column shows.
Bitmap32 Label(int w, int h, Color ink) {
  Bitmap32 label(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((x * 5 + y * 3) % 7 < 3 || x == y) label.SetPixel(x, y, ink);
  return label;
}

struct Placement {
  int left, top, width, height;
};

TEST(DocumentPage, RowsAreTheCanvasStretchAndRepeatedRowsAreSaid) {
  const Size area{97, 131};
  const Bitmap32 first = Label(23, 17, kBlack), second = Label(11, 29, 0x404040);
  const struct {
    int line;
    std::vector<Placement> stretches;  // of `first`, then `second`
  } rows[] = {
      {__LINE__, {{0, 0, 97, 131}}},                      // fills the page, enlarged unevenly
      {__LINE__, {{10, 40, 23, 17}}},                     // one to one
      {__LINE__, {{5, 7, 9, 6}}},                         // shrunk
      {__LINE__, {{-30, -50, 80, 100}}},                  // off the left and top
      {__LINE__, {{60, 100, 70, 90}}},                    // off the right and bottom
      {__LINE__, {{0, 0, 97, 60}, {40, 30, 33, 80}}},     // the second over the first
      {__LINE__, {{0, 0, 0, 10}, {3, 3, 50, -2}}},        // empty stretches draw nothing
      {__LINE__, {{200, 10, 20, 20}, {10, 500, 20, 20}}}, // beyond the page
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    Bitmap32 expected(area.width, area.height);
    Canvas canvas(expected);
    DocumentPage page(area);
    for (size_t i = 0; i < row.stretches.size(); ++i) {
      const Placement& p = row.stretches[i];
      const Bitmap32& b = i == 0 ? first : second;
      canvas.StretchDraw(p.left, p.top, p.width, p.height, b);
      page.StretchBitmap(b, p.left, p.top, p.width, p.height);
    }
    std::vector<uint32_t> line(static_cast<size_t>(area.width), 0x12345678);
    for (int y = 0; y < area.height; ++y) {
      const bool fresh = page.Row(y, line.data());
      ASSERT_TRUE(fresh || y > 0);
      // A row said to repeat is the row above, which `line` still holds.
      ASSERT_EQ(std::memcmp(line.data(), expected.Row(y), line.size() * 4), 0) << "row " << y;
      if (!fresh)
        ASSERT_EQ(std::memcmp(expected.Row(y - 1), expected.Row(y), line.size() * 4), 0);
    }
  }
}

TEST(DocumentPage, TheDocumentHoldsThePageInTheSmallestExactFormat) {
  const struct {
    int line;
    Color ink;
    int depth, colour_type;  // of the PNG header
  } rows[] = {
      {__LINE__, kBlack, 1, 0},
      {__LINE__, 0x7F7F7F, 8, 0},
      {__LINE__, 0x0000C0, 8, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row at line " << row.line);
    const Bitmap32 label = Label(31, 13, row.ink);
    const Size area{150, 211};
    DocumentPage page(area);
    page.StretchBitmap(label, 0, 50, 150, 63);
    std::string png;
    ASSERT_TRUE(page.EncodePng(
        [&png](std::string_view bytes) {
          png.append(bytes);
          return true;
        },
        600));
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(png[24], row.depth);
    EXPECT_EQ(png[25], row.colour_type);
    const std::string path = test::ScratchDir() + "/document.png";
    std::ofstream(path, std::ios::binary) << png;
    Bitmap32 read, expected(area.width, area.height);
    Canvas(expected).StretchDraw(0, 50, 150, 63, label);
    ASSERT_TRUE(ReadPng(path, read));
    EXPECT_TRUE(read == expected);
  }
}

}  // namespace
}  // namespace velin
