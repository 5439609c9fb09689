// The spooler printer system under Wine: unknown printers, and jobs reaching the CUPS capture
// queue (scripts/cups-test-queue.sh) when it is there.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "interpreter/printing.h"

namespace velin {
namespace {

constexpr const char* kCaptureQueue = "velin-capture";
const std::filesystem::path kCaptureDir = "/var/spool/velin-capture";

TEST(WinPrinterSystem, UnknownPrinterFailsToOpenWithError1801) {
  auto printers = PlatformPrinterSystem();
  EXPECT_EQ(printers->WriteRawJob("no such printer 7f3a", "test doc", "RAW", "data"), 1801u);
  EXPECT_THROW(printers->PrintPage("no such printer 7f3a", [](PrinterPage&) {}),
               std::runtime_error);
}

bool HasCaptureQueue(PrinterSystem& printers) {
  auto names = printers.InstalledPrinters();
  return std::find(names.begin(), names.end(), kCaptureQueue) != names.end() &&
         std::filesystem::is_directory(kCaptureDir);
}

std::set<std::filesystem::path> Captured() {
  std::set<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kCaptureDir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("job-", 0) == 0 && entry.path().extension() == ".bin")  // not a partial file
      files.insert(entry.path());
  }
  return files;
}

// The content of the first job file that appears after `before`, or "" after a timeout.
std::string NextJob(const std::set<std::filesystem::path>& before) {
  for (int i = 0; i < 300; ++i) {
    for (const auto& path : Captured()) {
      if (before.count(path)) continue;
      std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the backend finish
      std::ifstream in(path, std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

TEST(WinPrinterSystem, RawAndGraphicJobsReachTheCaptureQueue) {
  auto printers = PlatformPrinterSystem();
  if (!HasCaptureQueue(*printers)) GTEST_SKIP() << "no CUPS capture queue";

  auto before = Captured();
  static const char kJob[] = "SIZE 40 mm,30 mm\r\nPRINT 1\r\n\x00\xFF\x1B";
  const std::string bytes(kJob, sizeof kJob - 1);  // with a zero byte inside
  ASSERT_EQ(printers->WriteRawJob(kCaptureQueue, "test doc", "RAW", bytes), 0u);
  EXPECT_EQ(NextJob(before), bytes);

  before = Captured();
  Size area;
  int bits = 0;
  printers->PrintPage(kCaptureQueue, [&](PrinterPage& page) {
    area = page.PrintableArea();
    bits = page.BitsPerPixel();
    Bitmap32 label(64, 32, kBlack);
    page.StretchBitmap(label, 0, 0, area.width / 2, area.height / 2);
  });
  EXPECT_GT(area.width, 0);
  EXPECT_GT(area.height, 0);
  EXPECT_GT(bits, 0);
  // Wine's printer driver turns the page into PostScript, which the raw queue keeps as is.
  EXPECT_EQ(NextJob(before).substr(0, 4), "%!PS") << "the graphic job did not arrive";
}

TEST(WinPrinterSystem, ThePageAndDocumentEndWhenDrawingThrows) {
  auto printers = PlatformPrinterSystem();
  if (!HasCaptureQueue(*printers)) GTEST_SKIP() << "no CUPS capture queue";
  EXPECT_THROW(printers->PrintPage(kCaptureQueue,
                                   [](PrinterPage&) { throw std::runtime_error("draw failed"); }),
               std::runtime_error);
  // The device context was released: the next job goes through.
  EXPECT_NO_THROW(printers->PrintPage(kCaptureQueue, [](PrinterPage&) {}));
}

}  // namespace
}  // namespace velin
