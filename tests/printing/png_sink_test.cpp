#include "interpreter/printer_png_sink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/png.h"
#include "interpreter/printing.h"
#include "support/test_paths.h"

namespace velin {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(PngSink, PagesAreWrittenOnePixelPerDot) {
  const std::string dir = test::ScratchDir();
  Bitmap32 label(37, 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x)
      if ((x * y) % 5 == 1) label.SetPixel(x, y, kBlack);
  PngSinkPrinterSystem sink(dir, "velin-png", [&label] {
    return Size{label.width(), label.height()};
  });
  PrinterSelection selection;
  PrintBitmapToFitPage(sink, selection, "VELIN-PNG", &label);
  label.SetPixel(0, 0, 0x0000FF);
  PrintBitmapToFitPage(sink, selection, "other", &label);  // falls back to the only printer
  for (const char* name : {"page-001.png", "page-002.png"}) {
    Bitmap32 page;
    ASSERT_TRUE(ReadPng(dir + "/" + name, page)) << name;
    if (std::string(name) == "page-001.png") {
      Bitmap32 first = label;
      first.SetPixel(0, 0, kWhite);
      EXPECT_TRUE(page == first) << name;
    } else {
      EXPECT_TRUE(page == label) << name;
    }
  }
  EXPECT_EQ(sink.last_file(), (std::filesystem::path(dir) / "page-002.png").string());
}

TEST(PngSink, RawJobsAndNumberingNeverOverwrite) {
  const std::string dir = test::ScratchDir();
  std::ofstream(dir + "/raw-001.bin") << "earlier run";
  PngSinkPrinterSystem sink(dir, "velin-png", Size{8, 8});
  const std::string bytes("CLS\r\n\0\xFF", 7);
  EXPECT_EQ(sink.WriteRawJob("velin-png", "test doc", "RAW", bytes), 0u);
  EXPECT_EQ(sink.WriteRawJob("elsewhere", "test doc", "RAW", bytes), 1801u);
  EXPECT_EQ(Slurp(dir + "/raw-001.bin"), "earlier run");
  EXPECT_EQ(Slurp(dir + "/raw-002.bin"), bytes);
  EXPECT_FALSE(std::filesystem::exists(dir + "/raw-003.bin"));
}

TEST(PngSink, UnusablePageSizesFailWithoutAFile) {
  const std::string dir = test::ScratchDir();
  const Bitmap32 label(4, 4);
  for (Size size : {Size{0, 10}, Size{-1, -1}, Size{1 << 20, 1 << 20}}) {
    PngSinkPrinterSystem sink(dir, "velin-png", size);
    PrinterSelection selection;
    EXPECT_ANY_THROW(PrintBitmapToFitPage(sink, selection, "velin-png", &label));
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace velin
