// Printers through the CUPS server. A graphic page is rendered at the printer's resolution
// over its printable area and sent as one PNG document carrying that resolution (1-bit black
// and white, 8-bit grey or RGB: the smallest that holds the page's dots exactly), row by row
// as it is encoded, so a job's memory grows with the page's width, never with its area; raw
// jobs go through unchanged as application/vnd.cups-raw.
#include <cups/cups.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "interpreter/page_document.h"
#include "interpreter/printing.h"

namespace velin {

namespace {

constexpr int kFallbackDpi = 300;
constexpr int kMaxDpi = 9600;
// The longest side a page may have, in pixels: 48 inches (more than A0's long side) at the
// highest resolution taken. It bounds the row buffers; a queue whose media and resolution
// give more is refused.
constexpr int64_t kMaxPageSide = int64_t{48} * kMaxDpi;
constexpr uint32_t kErrorInvalidPrinterName = 1801;  // what the spooler reports
constexpr uint32_t kErrorNotReady = 21;  // the spooler's code for a device that takes no job

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
      if (x > 0 && y > 0 && x <= kMaxDpi && y <= kMaxDpi) {
        g.dpi_x = x;
        g.dpi_y = y;
      }
    }
  }
  // Margins are subtracted in 64 bits: the server's numbers are not trusted to be sane.
  const double w_mm = std::max<int64_t>(0, int64_t{media.width} - media.left - media.right) / 100.0;
  const double h_mm =
      std::max<int64_t>(0, int64_t{media.length} - media.top - media.bottom) / 100.0;
  const double w = std::round(w_mm / 25.4 * g.dpi_x);
  const double h = std::round(h_mm / 25.4 * g.dpi_y);
  // Beyond the bound the area stays 0 × 0, which PrintPage refuses.
  if (w <= static_cast<double>(kMaxPageSide) && h <= static_cast<double>(kMaxPageSide)) {
    g.area.width = static_cast<int>(w);
    g.area.height = static_cast<int>(h);
  }
  return g;
}

// Writes a document's bytes to the job being sent; false once the server stops taking them.
using DocumentWriter = std::function<bool(std::string_view bytes)>;

// Sends one document as a job, its bytes made by `produce` through the writer it is given
// (false from `produce` means the document could not be made). False with the reason on
// failure; a document that could not be made is cancelled.
bool SendJob(const std::string& printer, const std::string& title, const char* format,
             const std::function<bool(const DocumentWriter&)>& produce, std::string& error) {
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
  bool written = true;
  const DocumentWriter write = [&written](std::string_view bytes) {
    for (size_t at = 0; at < bytes.size() && written;) {
      const size_t piece = std::min<size_t>(bytes.size() - at, 1 << 16);
      written =
          cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes.data() + at, piece) == HTTP_STATUS_CONTINUE;
      at += piece;
    }
    return written;
  };
  bool produced = false;
  try {
    produced = produce(write);
  } catch (...) {
    cupsFinishDocument(CUPS_HTTP_DEFAULT, name.c_str());
    cupsCancelJob2(CUPS_HTTP_DEFAULT, name.c_str(), job, 0);
    throw;
  }
  const ipp_status_t status = cupsFinishDocument(CUPS_HTTP_DEFAULT, name.c_str());
  if (written && !produced) {
    error = "the document could not be made";
    cupsCancelJob2(CUPS_HTTP_DEFAULT, name.c_str(), job, 0);
    return false;
  }
  if (!written || status > IPP_STATUS_OK_EVENTS_COMPLETE) {
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
    if (geometry.area.width <= 0 || geometry.area.height <= 0)
      throw std::runtime_error("Unusable page size on " + printer);
    DocumentPage page(geometry.area);
    draw(page);  // a failure here sends nothing
    std::string error;
    const bool sent = SendJob(
        printer, "", "image/png",
        [&](const DocumentWriter& write) {
          return page.EncodePng(write, std::max(geometry.dpi_x, geometry.dpi_y));
        },
        error);
    if (!sent) throw std::runtime_error("Printing on " + printer + " failed: " + error);
  }

  uint32_t WriteRawJob(const std::string& printer, const std::string& document_name,
                       const std::string& data_type, std::string_view bytes) override {
    if (printer.empty() || !FindDest(printer)) return kErrorInvalidPrinterName;
    std::string error;
    // A job the server refuses (a queue not accepting jobs) or cannot take fails as such, not
    // as a job that printed.
    if (!SendJob(
            printer, document_name, data_type == "RAW" ? CUPS_FORMAT_RAW : CUPS_FORMAT_AUTO,
            [bytes](const DocumentWriter& write) { return write(bytes); }, error))
      return kErrorNotReady;
    return 0;
  }
};

}  // namespace

std::unique_ptr<PrinterSystem> PlatformPrinterSystem() {
  return std::make_unique<CupsPrinterSystem>();
}

}  // namespace velin
