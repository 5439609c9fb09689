// Printers through the CUPS server. A graphic page is rendered at the printer's resolution
// over its printable area and sent as one PNG document carrying that resolution; raw jobs go
// through unchanged as application/vnd.cups-raw.
#include <cups/cups.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/canvas.h"
#include "base/png.h"
#include "interpreter/printing.h"

namespace velin {

namespace {

constexpr int kFallbackDpi = 300;
constexpr uint32_t kErrorInvalidPrinterName = 1801;  // what the spooler reports

struct DestDeleter {
  void operator()(cups_dest_t* d) const { cupsFreeDests(1, d); }
};
using Dest = std::unique_ptr<cups_dest_t, DestDeleter>;

struct InfoDeleter {
  void operator()(cups_dinfo_t* i) const { cupsFreeDestInfo(i); }
};
using DestInfo = std::unique_ptr<cups_dinfo_t, InfoDeleter>;

// "name" or "name/instance".
Dest FindDest(const std::string& printer) {
  const size_t slash = printer.find('/');
  const std::string name = printer.substr(0, slash);
  const std::string instance = slash == std::string::npos ? "" : printer.substr(slash + 1);
  return Dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(),
                               instance.empty() ? nullptr : instance.c_str()));
}

std::string DestName(const cups_dest_t& d) {
  std::string name = d.name;
  if (d.instance != nullptr) name += std::string("/") + d.instance;
  return name;
}

// The printable area of the queue's default media at its default resolution, in pixels, and
// that resolution. Falls back to A4 without margins and 300 dpi where the queue does not say.
struct PageGeometry {
  Size area;
  int dpi_x = kFallbackDpi;
  int dpi_y = kFallbackDpi;
};

PageGeometry QueryGeometry(cups_dest_t* dest) {
  PageGeometry g;
  cups_size_t media{};
  media.width = 21000;  // hundredths of a millimetre
  media.length = 29700;
  DestInfo info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest));
  if (info) {
    cups_size_t found{};
    if (cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info.get(), 0, &found) &&
        found.width > 0 && found.length > 0)
      media = found;
    ipp_attribute_t* res =
        cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info.get(), "printer-resolution");
    if (res != nullptr && ippGetValueTag(res) == IPP_TAG_RESOLUTION) {
      int y = 0;
      ipp_res_t units = IPP_RES_PER_INCH;
      int x = ippGetResolution(res, 0, &y, &units);
      if (units == IPP_RES_PER_CM) {
        x = static_cast<int>(std::lround(x * 2.54));
        y = static_cast<int>(std::lround(y * 2.54));
      }
      if (x > 0 && y > 0 && x <= 9600 && y <= 9600) {
        g.dpi_x = x;
        g.dpi_y = y;
      }
    }
  }
  const double w_mm = std::max(0, media.width - media.left - media.right) / 100.0;
  const double h_mm = std::max(0, media.length - media.top - media.bottom) / 100.0;
  g.area.width = static_cast<int>(std::lround(w_mm / 25.4 * g.dpi_x));
  g.area.height = static_cast<int>(std::lround(h_mm / 25.4 * g.dpi_y));
  return g;
}

// The page as drawn: the stretches made onto it, rendered row by row when the job is sent.
class CupsPage : public PrinterPage {
 public:
  explicit CupsPage(Size area) : area_(area) {}
  Size PrintableArea() const override { return area_; }
  int BitsPerPixel() const override { return 24; }
  void StretchBitmap(const Bitmap32& bitmap, int left, int top, int width, int height) override {
    stretches_.push_back({bitmap, left, top, width, height});
  }

  // One row of the printed page, white where nothing was drawn.
  void Row(int y, uint32_t* pixels) {
    std::fill(pixels, pixels + area_.width, ToPixel(kWhite));
    row_.Resize(area_.width, 1);
    bool drawn = false;
    for (const Stretch& s : stretches_) {
      if (y < s.top || int64_t{y} >= int64_t{s.top} + s.height) continue;
      if (!drawn) row_.Fill(kWhite);
      drawn = true;
      Canvas canvas(row_);
      canvas.StretchDraw(s.left, s.top - y, s.width, s.height, s.bitmap);  // lands on row 0
    }
    if (drawn) std::copy(row_.Row(0), row_.Row(0) + area_.width, pixels);
  }

 private:
  struct Stretch {
    Bitmap32 bitmap;
    int left, top, width, height;
  };
  Size area_;
  std::vector<Stretch> stretches_;
  Bitmap32 row_;
};

// Sends one document as a job; false with the server's message on failure.
bool SendJob(const std::string& printer, const std::string& title, const char* format,
             std::string_view bytes, std::string& error) {
  const size_t slash = printer.find('/');
  const std::string name = printer.substr(0, slash);
  const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, name.c_str(), title.c_str(), 0, nullptr);
  if (job == 0) {
    error = cupsLastErrorString();
    return false;
  }
  if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.c_str(), job, title.c_str(), format, 1) !=
      HTTP_STATUS_CONTINUE) {
    error = cupsLastErrorString();
    cupsCancelJob2(CUPS_HTTP_DEFAULT, name.c_str(), job, 0);
    return false;
  }
  bool ok = true;
  for (size_t at = 0; at < bytes.size() && ok;) {
    const size_t piece = std::min<size_t>(bytes.size() - at, 1 << 16);
    ok = cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes.data() + at, piece) == HTTP_STATUS_CONTINUE;
    at += piece;
  }
  if (cupsFinishDocument(CUPS_HTTP_DEFAULT, name.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE || !ok) {
    error = cupsLastErrorString();
    return false;
  }
  return true;
}

class CupsPrinterSystem : public PrinterSystem {
 public:
  std::vector<std::string> InstalledPrinters() override {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(DestName(dests[i]));
    cupsFreeDests(count, dests);
    return names;
  }

  std::string DefaultPrinter() override {
    Dest dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr));
    return dest ? DestName(*dest) : std::string();
  }

  void PrintPage(const std::string& printer,
                 const std::function<void(PrinterPage&)>& draw) override {
    Dest dest = FindDest(printer);
    if (!dest) throw std::runtime_error("Printer not found: " + printer);
    const PageGeometry geometry = QueryGeometry(dest.get());
    if (geometry.area.width <= 0 || geometry.area.height <= 0 ||
        int64_t{geometry.area.width} * geometry.area.height > Bitmap32::kMaxPixels)
      throw std::runtime_error("Unusable page size on " + printer);
    CupsPage page(geometry.area);
    draw(page);  // a failure here sends nothing
    std::string png;
    if (!EncodePng(
            geometry.area.width, geometry.area.height,
            [&page](int y, uint32_t* pixels) { page.Row(y, pixels); }, png,
            std::max(geometry.dpi_x, geometry.dpi_y)))
      throw std::runtime_error("Cannot encode the page");
    std::string error;
    if (!SendJob(printer, "", "image/png", png, error))
      throw std::runtime_error("Printing on " + printer + " failed: " + error);
  }

  uint32_t WriteRawJob(const std::string& printer, const std::string& document_name,
                       const std::string& data_type, std::string_view bytes) override {
    if (printer.empty() || !FindDest(printer)) return kErrorInvalidPrinterName;
    std::string error;
    SendJob(printer, document_name, data_type == "RAW" ? CUPS_FORMAT_RAW : CUPS_FORMAT_AUTO, bytes,
            error);  // later failures are not examined, as with the spooler
    return 0;
  }
};

}  // namespace

std::unique_ptr<PrinterSystem> PlatformPrinterSystem() {
  return std::make_unique<CupsPrinterSystem>();
}

}  // namespace velin
