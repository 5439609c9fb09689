// Jobs through a real CUPS server into the capture queue that scripts/cups-test-queue.sh
// sets up; skipped where that queue does not exist.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "base/strings.h"
#include "interpreter/printing.h"

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

// What a captured PNG holds, read row by row with libpng so that pages larger than a
// Bitmap32 may hold can be checked.
struct PngProbe {
  bool ok = false;
  Size size;
  int dpi_x = 0, dpi_y = 0;   // from pHYs; 0 without one
  std::vector<Color> colors;  // at the points asked for
};

struct MemoryReader {
  const std::string* bytes;
  size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (reader->bytes->size() - reader->at < length) png_error(png, "truncated");
  std::memcpy(out, reader->bytes->data() + reader->at, length);
  reader->at += length;
}

// Decodes `bytes` as an RGB or grey PNG and samples the dots that `points` names for its size.
// Only plain C objects live across setjmp here; the C++ ones are created before it.
PngProbe Probe(const std::string& bytes, const std::function<std::vector<Point>(Size)>& points) {
  PngProbe probe;
  std::vector<Point> wanted;
  std::vector<png_byte> row;
  MemoryReader reader{&bytes, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return probe;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return PngProbe{};
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  const int color_type = png_get_color_type(png, info);
  if (png_get_bit_depth(png, info) > 8 ||
      (color_type != PNG_COLOR_TYPE_RGB && color_type != PNG_COLOR_TYPE_GRAY) ||
      png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
    png_destroy_read_struct(&png, &info, nullptr);
    return probe;
  }
  if (color_type == PNG_COLOR_TYPE_GRAY) {  // 1-bit black and white or 8-bit grey: as RGB
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  png_read_update_info(png, info);
  probe.size = {static_cast<int>(png_get_image_width(png, info)),
                static_cast<int>(png_get_image_height(png, info))};
  png_uint_32 ppm_x = 0, ppm_y = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &ppm_x, &ppm_y, &unit) != 0 && unit == PNG_RESOLUTION_METER) {
    probe.dpi_x = static_cast<int>(std::lround(ppm_x * 0.0254));
    probe.dpi_y = static_cast<int>(std::lround(ppm_y * 0.0254));
  }
  wanted = points(probe.size);
  probe.colors.assign(wanted.size(), kWhite);
  row.resize(png_get_rowbytes(png, info));
  for (int y = 0; y < probe.size.height; ++y) {
    png_read_row(png, row.data(), nullptr);
    for (size_t i = 0; i < wanted.size(); ++i) {
      if (wanted[i].y != y || wanted[i].x < 0 || wanted[i].x >= probe.size.width) continue;
      const png_byte* rgb = &row[static_cast<size_t>(wanted[i].x) * 3];
      probe.colors[i] = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
    }
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  probe.ok = true;
  return probe;
}

TEST_F(CupsCapture, GraphicJobIsOnePageAtTheQueueResolutionWithTheLabelFittedAndCentred) {
  const struct {
    const char* queue;  // as bound: letter case is ignored
    int dpi;            // what the page must be rendered at
  } rows[] = {
      {"VELIN-CAPTURE", 300},  // a raw queue states no resolution
      {"velin-capture-600", 600},
      {"velin-capture-1200", 1200},  // A4 here is about 139 million dots
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.queue);
    auto printers = PlatformPrinterSystem();
    const auto installed = printers->InstalledPrinters();
    if (std::none_of(installed.begin(), installed.end(), [&](const std::string& name) {
          return EqualsIgnoreAsciiCase(name, row.queue);
        })) {
      ADD_FAILURE() << "no queue " << row.queue << ": run scripts/cups-test-queue.sh";
      continue;
    }
    // A label with a random stripe pattern, so this job is recognisable.
    std::mt19937 rng(std::random_device{}());
    Bitmap32 label(624, 400);
    std::vector<bool> stripes(24);
    for (size_t i = 0; i < stripes.size(); ++i) stripes[i] = rng() & 1;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 624; ++x)
        if (stripes[static_cast<size_t>(x / 26)]) label.SetPixel(x, y, kBlack);

    PrinterSelection selection;
    PrintBitmapToFitPage(*printers, selection, row.queue, &label);

    // The dots looked at: the centre of each stripe on the label's first, middle and last
    // rows, then the dots just above and just below the label at the page's centre column.
    auto points = [&stripes](Size page) {
      const FitRect fit = FitToPrintableArea({624, 400}, page);
      std::vector<Point> at;
      for (int y : {fit.top, fit.top + fit.height / 2, fit.top + fit.height - 1})
        for (size_t i = 0; i < stripes.size(); ++i)
          at.push_back({fit.left + static_cast<int>((i * 26 + 13) * fit.width / 624), y});
      at.push_back({page.width / 2, fit.top - 1});
      at.push_back({page.width / 2, fit.top + fit.height});
      return at;
    };
    PngProbe probe;
    const auto jobs = WaitFor([&](const std::string& bytes) {
      const auto chunks = Chunks(bytes);
      if (chunks.empty()) return false;
      // Exactly one image: one header, one end; nothing after it.
      if (std::count(chunks.begin(), chunks.end(), "IHDR") != 1 || chunks.back() != "IEND" ||
          std::count(chunks.begin(), chunks.end(), "IEND") != 1)
        return false;
      // Other tests print too: only this label's page is kept.
      const PngProbe candidate = Probe(bytes, points);
      if (!candidate.ok) return false;
      for (size_t i = 0; i < 3 * stripes.size(); ++i)
        if ((candidate.colors[i] == kBlack) != stripes[i % stripes.size()]) return false;
      probe = candidate;
      return true;
    });
    ASSERT_EQ(jobs.size(), 1u) << "no one-page PNG with this label arrived";
    // A4 portrait at the queue's resolution, to a quarter of a millimetre (the media size
    // travels in PostScript points and hundredths of a millimetre).
    EXPECT_EQ(probe.dpi_x, row.dpi);
    EXPECT_EQ(probe.dpi_y, row.dpi);
    EXPECT_NEAR(probe.size.width, 210 / 25.4 * row.dpi, row.dpi / 100.0);
    EXPECT_NEAR(probe.size.height, 297 / 25.4 * row.dpi, row.dpi / 100.0);
    // The label fills the width and is centred vertically, white above and below.
    const FitRect fit = FitToPrintableArea({624, 400}, probe.size);
    EXPECT_EQ(fit.left, 0);
    EXPECT_EQ(fit.width, probe.size.width);
    EXPECT_GT(fit.top, 0);
    EXPECT_EQ(probe.colors[3 * stripes.size()], kWhite);
    EXPECT_EQ(probe.colors[3 * stripes.size() + 1], kWhite);
  }
}

}  // namespace
}  // namespace velin
