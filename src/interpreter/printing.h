// The two ways from the interpreter to paper: the page bitmap as a one-page graphic job
// scaled to fit the printable area, and a block of bytes as a raw job.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/bitmap.h"
#include "interpreter/printer_system.h"

namespace velin {

// The machine's printers: CUPS on Linux (src/interpreter/posix/printer_cups.cpp), the spooler
// on Windows.
std::unique_ptr<PrinterSystem> PlatformPrinterSystem();

// The printer selection of graphic jobs, kept for the run by the interpreter thread: the
// printer list (read once, when first needed) and the printer last selected by name.
class PrinterSelection {
 public:
  // The printer a graphic job for `printer_name` goes to: the first installed printer whose
  // name equals it ignoring ASCII case, else the one selected by an earlier call, else the
  // system default; "" if there is none.
  std::string Select(PrinterSystem& system, const std::string& printer_name);

 private:
  bool listed_ = false;
  std::vector<std::string> printers_;
  std::string selected_;
};

// Where the bitmap lands on the printable area: left, top, width, height in device pixels.
struct FitRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const FitRect&) const = default;
};

// Scales `bitmap` to fill `printable` as far as the aspect ratio allows, centred: with the
// ratios r = W / H and R = PW / PH, either the full width (r > R) or the full height, the
// other side rounded to nearest with halves to even, and the free space halved as integers.
// Both sizes must be positive.
FitRect FitToPrintableArea(Size bitmap, Size printable);

// Prints `bitmap` as one page on the printer selected for `printer_name`, scaled and centred
// by FitToPrintableArea; `selected`, when given, receives that printer's name as soon as it is
// chosen. Throws std::runtime_error "Bitmap is not assigned." (null bitmap), "Bitmap is
// empty." (a side of 0), "NotFindPrinter." (no printer selectable) before any job begins;
// platform failures propagate from the printer system. The bitmap must not change until the
// call returns.
void PrintBitmapToFitPage(PrinterSystem& system, PrinterSelection& selection,
                          const std::string& printer_name, const Bitmap32* bitmap,
                          std::string* selected = nullptr);

// Sends `bytes` unchanged to `printer_name` as a raw job (document "test doc", data type
// "RAW"). If the printer cannot be opened, shows "error " and the platform's code in decimal
// through `message_box` (which blocks until the user closes it) and returns that code; 0 once
// the printer was opened. Never throws for printing failures.
uint32_t WriteRawStringToPrinter(PrinterSystem& system,
                                 const std::function<void(const std::string&)>& message_box,
                                 const std::string& printer_name, std::string_view bytes);

// The outcome of one print call of the interpreter: a label (the page as a graphic job) or a
// raw job (a pass-through burst).
struct PrintReport {
  enum class Kind { kLabel, kRaw };
  Kind kind = Kind::kLabel;
  std::string printer;  // the bound name the job was asked for
  std::string device;   // label: the printer selected for it ("" if none was); raw: `printer`
  Size page;            // label: the page in dots
  size_t bytes = 0;     // raw: the job's length
  bool ok = false;
  std::string error;  // why it failed: "NotFindPrinter.", "error 1801", a platform message
};

// One line for a log or a terminal, without a line end, for instance
// `label 624x400 dots on "Office": printed` or `raw job of 29 bytes on "Gone": failed: error 1801`.
std::string DescribePrint(const PrintReport& report);

}  // namespace velin
