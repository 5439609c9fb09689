#include "interpreter/printing.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/fake_printer.h"

namespace velin {
namespace {

using test::FakePrinterSystem;

TEST(FitToPrintableArea, ScalesToFillAndCentres) {
  const struct {
    int line;
    Size bitmap, area;
    FitRect fit;  // left, top, width, height
  } rows[] = {
      // r = 1.56 > R: full width, h = Round(4800 / 1.56) = 3077, top = 3523 / 2.
      {__LINE__, {624, 400}, {4800, 6600}, {0, 1761, 4800, 3077}},
      // r = 0.6 < R: full height, w = Round(6600 × 0.6) = 3960, left = 840 / 2.
      {__LINE__, {624, 1040}, {4800, 6600}, {420, 0, 3960, 6600}},
      // The page's own ratio takes the second branch and fills the area.
      {__LINE__, {480, 660}, {4800, 6600}, {0, 0, 4800, 6600}},
      {__LINE__, {1, 1}, {300, 300}, {0, 0, 300, 300}},
      // Halves round to the even neighbour: 5 / 2 = 2.5 -> 2, 7 / 2 = 3.5 -> 4, 2.5 -> 2.
      {__LINE__, {2, 1}, {5, 100}, {0, 49, 5, 2}},
      {__LINE__, {2, 1}, {7, 100}, {0, 48, 7, 4}},
      {__LINE__, {1, 2}, {100, 5}, {49, 0, 2, 5}},
      {__LINE__, {1, 2}, {100, 9}, {48, 0, 4, 9}},  // 4.5 -> 4
      // Odd free space: integer halving drops the fraction.
      {__LINE__, {100, 100}, {301, 200}, {50, 0, 200, 200}},
      // Extreme shapes stay within the area.
      {__LINE__, {32767, 1}, {4960, 7016}, {0, 3508, 4960, 0}},
      {__LINE__, {1, 32767}, {4960, 7016}, {2480, 0, 0, 7016}},
  };
  for (const auto& row : rows) {
    const FitRect fit = FitToPrintableArea(row.bitmap, row.area);
    EXPECT_EQ(fit, row.fit) << "row at line " << row.line << ": got " << fit.left << "," << fit.top
                            << " " << fit.width << "x" << fit.height;
  }
}

TEST(PrintBitmapToFitPage, OnePageStretchedOntoTheSelectedPrinter) {
  FakePrinterSystem printers;
  PrinterSelection selection;
  Bitmap32 label(624, 1040);
  for (int y = 0; y < 1040; ++y)
    for (int x = 0; x < 312; ++x) label.SetPixel(x, y, kBlack);  // left half black
  PrintBitmapToFitPage(printers, selection, "Label Printer", &label);
  ASSERT_EQ(printers.graphic_jobs.size(), 1u);
  const auto& job = printers.graphic_jobs[0];
  EXPECT_EQ(job.printer, "Label Printer");
  ASSERT_EQ(job.stretches.size(), 1u);
  // 480 × 660: r = 0.6 < R; w = Round(396) = 396, left = 42.
  const auto& s = job.stretches[0];
  EXPECT_EQ(s.bitmap.width, 624);
  EXPECT_EQ(s.bitmap.height, 1040);
  EXPECT_EQ(s.left, 42);
  EXPECT_EQ(s.top, 0);
  EXPECT_EQ(s.width, 396);
  EXPECT_EQ(s.height, 660);
  // The page: white margins, then black over the bitmap's left half, white over its right.
  for (int x : {0, 41, 42, 239, 240, 437, 438, 479})
    EXPECT_EQ(job.page.GetPixel(x, 330), x >= 42 && x < 240 ? kBlack : kWhite) << x;
}

TEST(PrintBitmapToFitPage, PrinterSelectionRule) {
  FakePrinterSystem printers;
  printers.printers = {"Label Printer", "Office", "Étiquettes"};
  PrinterSelection selection;
  const Bitmap32 label(10, 10);
  const struct {
    const char* bound;
    const char* expected;
  } steps[] = {
      {"nobody", "Office"},                // nothing matched yet: the default
      {"LABEL PRINTER", "Label Printer"},  // case ignored (ASCII)
      {"nobody", "Label Printer"},         // the previous selection stays
      {"office", "Office"},
      {"label printer", "Label Printer"},
      {"", "Label Printer"},
      {"éTIQUETTES", "Label Printer"},  // non-ASCII letters must match exactly
      {"Étiquettes", "Étiquettes"},
  };
  for (const auto& step : steps) {
    std::string selected;
    PrintBitmapToFitPage(printers, selection, step.bound, &label, &selected);
    EXPECT_EQ(printers.graphic_jobs.back().printer, step.expected) << step.bound;
    EXPECT_EQ(selected, step.expected) << step.bound;
  }
  EXPECT_EQ(printers.graphic_jobs.size(), std::size(steps));
  // The list is read once per run: a printer installed later is not seen.
  EXPECT_EQ(printers.list_reads, 1);
  printers.printers.push_back("New");
  PrintBitmapToFitPage(printers, selection, "New", &label);
  EXPECT_EQ(printers.graphic_jobs.back().printer, "Étiquettes");
  EXPECT_EQ(printers.list_reads, 1);
}

TEST(PrintBitmapToFitPage, FailuresPrintNothing) {
  const Bitmap32 label(10, 10), empty_width(0, 10), empty;
  const struct {
    const char* name;
    std::vector<std::string> installed;
    std::string default_printer;
    const Bitmap32* bitmap;
    Size area;
    const char* message;
  } rows[] = {
      {"no bitmap", {"Office"}, "Office", nullptr, {100, 100}, "Bitmap is not assigned."},
      {"no printer at all", {}, "", &label, {100, 100}, "NotFindPrinter."},
      {"no match, no default", {"Office"}, "", &label, {100, 100}, "NotFindPrinter."},
      {"zero-width page", {"Office"}, "Office", &empty_width, {100, 100}, "Bitmap is empty."},
      {"empty page", {"Office"}, "Office", &empty, {100, 100}, "Bitmap is empty."},
  };
  for (const auto& row : rows) {
    FakePrinterSystem printers;
    printers.printers = row.installed;
    printers.default_printer = row.default_printer;
    printers.printable_area = row.area;
    PrinterSelection selection;
    try {
      PrintBitmapToFitPage(printers, selection, "Label Printer", row.bitmap);
      ADD_FAILURE() << row.name << ": no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), row.message) << row.name;
    }
    EXPECT_TRUE(printers.graphic_jobs.empty()) << row.name;
  }
}

TEST(PrintBitmapToFitPage, PlatformFailuresPropagateAfterTheDocumentEnds) {
  FakePrinterSystem printers;
  printers.fail_in_page = true;
  PrinterSelection selection;
  const Bitmap32 label(10, 10);
  EXPECT_THROW(PrintBitmapToFitPage(printers, selection, "Office", &label), std::runtime_error);
  EXPECT_EQ(printers.graphic_jobs.size(), 1u);  // begun and ended, nothing stretched
  EXPECT_TRUE(printers.graphic_jobs[0].stretches.empty());

  FakePrinterSystem no_area;
  no_area.printable_area = {0, 600};
  EXPECT_THROW(PrintBitmapToFitPage(no_area, selection, "Office", &label), std::runtime_error);
  ASSERT_EQ(no_area.graphic_jobs.size(), 1u);
  EXPECT_TRUE(no_area.graphic_jobs[0].stretches.empty());
}

TEST(WriteRawStringToPrinter, PassesTheBytesThroughOrReportsTheOpenFailure) {
  std::string bytes = "SIZE 40 mm,30 mm\r\nPRINT 1\r\n";
  bytes += std::string("\0\x1B\xFF\x80", 4);
  // The name goes to the spooler as bound: matching it is the printer system's business.
  const struct {
    const char* printer;
    const char* message;  // "" for none
  } rows[] = {
      {"Label Printer", ""},
      {"No Such Printer", "error 1801"},
      {"", "error 1801"},
  };
  for (const auto& row : rows) {
    FakePrinterSystem printers;
    std::vector<std::string> boxes;
    const uint32_t code = WriteRawStringToPrinter(
        printers, [&boxes](const std::string& text) { boxes.push_back(text); }, row.printer, bytes);
    EXPECT_EQ(code, *row.message == '\0' ? 0u : 1801u) << row.printer;
    if (*row.message == '\0') {
      EXPECT_TRUE(boxes.empty()) << row.printer;
      ASSERT_EQ(printers.raw_jobs.size(), 1u) << row.printer;
      EXPECT_EQ(printers.raw_jobs[0].printer, row.printer);
      EXPECT_EQ(printers.raw_jobs[0].bytes, bytes);
      EXPECT_EQ(printers.raw_jobs[0].document_name, "test doc");
      EXPECT_EQ(printers.raw_jobs[0].data_type, "RAW");
    } else {
      EXPECT_EQ(boxes, std::vector<std::string>{row.message}) << row.printer;
      EXPECT_TRUE(printers.raw_jobs.empty()) << row.printer;
    }
  }
}

}  // namespace
}  // namespace velin
