#include "interpreter/printing.h"

#include <cmath>
#include <stdexcept>

#include "base/strings.h"

namespace velin {

namespace {

// Nearest integer, halves to the even neighbour, whatever the floating-point environment.
int64_t RoundHalfEven(double v) {
  const double lower = std::floor(v);
  const double diff = v - lower;
  int64_t n = static_cast<int64_t>(lower);
  if (diff > 0.5 || (diff == 0.5 && (n & 1) != 0)) ++n;
  return n;
}

}  // namespace

std::string PrinterSelection::Select(PrinterSystem& system, const std::string& printer_name) {
  if (!listed_) {
    printers_ = system.InstalledPrinters();
    listed_ = true;
  }
  for (const std::string& name : printers_) {
    if (EqualsIgnoreAsciiCase(name, printer_name)) {
      selected_ = name;
      return selected_;
    }
  }
  if (!selected_.empty()) return selected_;
  return system.DefaultPrinter();
}

FitRect FitToPrintableArea(Size bitmap, Size printable) {
  const double r = static_cast<double>(bitmap.width) / bitmap.height;
  const double page_ratio = static_cast<double>(printable.width) / printable.height;
  int64_t w, h;
  if (r > page_ratio) {
    w = printable.width;
    h = RoundHalfEven(printable.width / r);
  } else {
    h = printable.height;
    w = RoundHalfEven(printable.height * r);
  }
  // Both are within the printable area by the choice of branch; the clamp only guards
  // against rounding at the extremes.
  w = std::min<int64_t>(w, printable.width);
  h = std::min<int64_t>(h, printable.height);
  FitRect fit;
  fit.width = static_cast<int>(w);
  fit.height = static_cast<int>(h);
  fit.left = static_cast<int>((printable.width - w) / 2);
  fit.top = static_cast<int>((printable.height - h) / 2);
  return fit;
}

void PrintBitmapToFitPage(PrinterSystem& system, PrinterSelection& selection,
                          const std::string& printer_name, const Bitmap32* bitmap,
                          std::string* selected) {
  if (bitmap == nullptr) throw std::runtime_error("Bitmap is not assigned.");
  // An empty page has no ratio to fit; printing it would only waste a sheet.
  if (bitmap->empty()) throw std::runtime_error("Bitmap is empty.");
  const std::string printer = selection.Select(system, printer_name);
  if (printer.empty()) throw std::runtime_error("NotFindPrinter.");
  if (selected != nullptr) *selected = printer;
  system.PrintPage(printer, [bitmap](PrinterPage& page) {
    const Size area = page.PrintableArea();
    if (area.width <= 0 || area.height <= 0)
      throw std::runtime_error("The printer reports no printable area.");
    const FitRect fit = FitToPrintableArea({bitmap->width(), bitmap->height()}, area);
    page.StretchBitmap(*bitmap, fit.left, fit.top, fit.width, fit.height);
  });
}

uint32_t WriteRawStringToPrinter(PrinterSystem& system,
                                 const std::function<void(const std::string&)>& message_box,
                                 const std::string& printer_name, std::string_view bytes) {
  const uint32_t code = system.WriteRawJob(printer_name, "test doc", "RAW", bytes);
  if (code != 0 && message_box) message_box("error " + std::to_string(code));
  return code;
}

std::string DescribePrint(const PrintReport& report) {
  std::string line;
  if (report.kind == PrintReport::Kind::kLabel)
    line = "label " + std::to_string(report.page.width) + "x" + std::to_string(report.page.height) +
           " dots";
  else
    line = "raw job of " + std::to_string(report.bytes) + " bytes";
  // Where it went: the selected printer, and the bound name too when the selection differs.
  const std::string& where = report.device.empty() ? report.printer : report.device;
  line += " on \"" + where + "\"";
  if (!report.device.empty() && report.device != report.printer)
    line += " (bound \"" + report.printer + "\")";
  line += report.ok ? ": printed" : ": failed: " + report.error;
  return line;
}

}  // namespace velin
