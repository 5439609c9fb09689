// Jobs through a real CUPS server into the capture queue that scripts/cups-test-queue.sh
// sets up; skipped where that queue does not exist.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "base/png.h"
#include "interpreter/printing.h"
#include "support/test_paths.h"

namespace velin {
namespace {

constexpr const char* kQueue = "velin-capture";
constexpr const char* kCaptureDir = "/var/spool/velin-capture";

class CupsCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, kQueue, nullptr);
    if (dest == nullptr)
      GTEST_SKIP() << "no CUPS queue \"" << kQueue
                   << "\": run scripts/cups-test-queue.sh (as root) to print through CUPS";
    cupsFreeDests(1, dest);
    for (const auto& f : Files()) seen_.insert(f);
  }

  static std::set<std::string> Files() {
    std::set<std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(kCaptureDir, ec))
      if (e.path().extension() == ".bin") files.insert(e.path().string());
    return files;
  }

  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Waits for captured jobs that arrived since SetUp and satisfy `wanted`; gives up after
  // 30 s. Other tests may print at the same time, so jobs are told apart by content.
  template <typename Wanted>
  std::vector<std::string> WaitFor(Wanted wanted, size_t count = 1) {
    std::vector<std::string> found;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      for (const auto& f : Files()) {
        if (seen_.count(f)) continue;
        std::string bytes = Slurp(f);
        if (wanted(bytes)) {
          found.push_back(bytes);
          seen_.insert(f);
        }
      }
      if (found.size() >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return found;
  }

  std::set<std::string> seen_;
};

TEST_F(CupsCapture, RawBytesArriveUnchanged) {
  std::string bytes = "SIZE 40 mm,30 mm\r\nCLS\r\n";
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  std::mt19937 rng(std::random_device{}());
  bytes += std::to_string(rng());  // tells this job from any other
  std::vector<std::string> boxes;
  auto printers = PlatformPrinterSystem();
  WriteRawStringToPrinter(
      *printers, [&boxes](const std::string& t) { boxes.push_back(t); }, kQueue, bytes);
  EXPECT_TRUE(boxes.empty());
  const auto jobs = WaitFor([&bytes](const std::string& got) { return got == bytes; });
  EXPECT_EQ(jobs.size(), 1u) << "the raw job did not arrive unchanged";
}

TEST_F(CupsCapture, RawJobForAnUnknownPrinterReports1801) {
  std::vector<std::string> boxes;
  auto printers = PlatformPrinterSystem();
  WriteRawStringToPrinter(
      *printers, [&boxes](const std::string& t) { boxes.push_back(t); }, "velin-no-such-printer",
      "x");
  EXPECT_EQ(boxes, std::vector<std::string>{"error 1801"});
}

// The PNG chunks' types in order, or empty if `bytes` is not a PNG.
std::vector<std::string> Chunks(const std::string& bytes) {
  std::vector<std::string> types;
  if (bytes.size() < 8 || bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0) return types;
  for (size_t at = 8; at + 12 <= bytes.size();) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    const size_t length = (size_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    types.push_back(bytes.substr(at + 4, 4));
    at += 12 + length;
  }
  return types;
}

TEST_F(CupsCapture, GraphicJobIsOnePageWithTheLabelFittedAndCentred) {
  // A label with a random stripe pattern, so this job is recognisable.
  std::mt19937 rng(std::random_device{}());
  Bitmap32 label(624, 400);
  std::vector<bool> stripes(24);
  for (size_t i = 0; i < stripes.size(); ++i) stripes[i] = rng() & 1;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 624; ++x)
      if (stripes[static_cast<size_t>(x / 26)]) label.SetPixel(x, y, kBlack);

  auto printers = PlatformPrinterSystem();
  PrinterSelection selection;
  PrintBitmapToFitPage(*printers, selection, "VELIN-CAPTURE", &label);  // case ignored

  const std::string dir = test::ScratchDir();
  Bitmap32 page;
  FitRect fit;
  const auto jobs = WaitFor([&](const std::string& bytes) {
    const auto chunks = Chunks(bytes);
    if (chunks.empty()) return false;
    // Exactly one image: one header, one end; nothing after it.
    if (std::count(chunks.begin(), chunks.end(), "IHDR") != 1 || chunks.back() != "IEND" ||
        std::count(chunks.begin(), chunks.end(), "IEND") != 1)
      return false;
    std::ofstream(dir + "/page.png", std::ios::binary) << bytes;
    if (!ReadPng(dir + "/page.png", page)) return false;
    fit = FitToPrintableArea({624, 400}, {page.width(), page.height()});
    // The stripes, sampled at the centres of the stripes on the page.
    for (size_t i = 0; i < stripes.size(); ++i) {
      const int x = fit.left + static_cast<int>((i * 26 + 13) * fit.width / 624);
      const int y = fit.top + fit.height / 2;
      if ((page.GetPixel(x, y) == kBlack) != stripes[i]) return false;
    }
    return true;
  });
  ASSERT_EQ(jobs.size(), 1u) << "no one-page PNG with this label arrived";
  // The label fills the width and is centred vertically; the rest of the page is white.
  EXPECT_EQ(fit.left, 0);
  EXPECT_EQ(fit.width, page.width());
  EXPECT_EQ(page.GetPixel(page.width() / 2, fit.top - 1), kWhite);
  EXPECT_EQ(page.GetPixel(page.width() / 2, fit.top + fit.height), kWhite);
  EXPECT_GT(page.height(), page.width());  // the queue's default media is portrait
  RecordProperty("page", std::to_string(page.width()) + "x" + std::to_string(page.height()));
}

}  // namespace
}  // namespace velin
