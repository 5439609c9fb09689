// The printers of the machine: graphic jobs of one page, and raw spooler jobs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/bitmap.h"

namespace velin {

// One open page of a graphic job.
class PrinterPage {
 public:
  virtual ~PrinterPage() = default;
  // Printable area in device pixels (HORZRES × VERTRES).
  virtual Size PrintableArea() const = 0;
  // Colour depth of the device; 8 or fewer means the stretch halftones.
  virtual int BitsPerPixel() const = 0;
  // Stretches the whole bitmap into [left, left + width) × [top, top + height) of the
  // printable area: nearest source dot above 8 bits per pixel, halftoned at 8 or fewer. The
  // caller keeps `bitmap` valid and unchanged until PrintPage returns: a backend may read it
  // only when the page is sent.
  virtual void StretchBitmap(const Bitmap32& bitmap, int left, int top, int width, int height) = 0;
};

// Contract: used on the interpreter thread only (the main window may list printers on the
// user-interface thread through its own instance). Platform failures throw
// std::runtime_error with a message text, except in WriteRawJob.
class PrinterSystem {
 public:
  virtual ~PrinterSystem() = default;
  // Installed printers (local printers and connections) by name, in the platform's order.
  virtual std::vector<std::string> InstalledPrinters() = 0;
  // The system default printer, or "" if there is none.
  virtual std::string DefaultPrinter() = 0;
  // One graphic job of exactly one page on `printer` (an installed name): begins the document
  // (empty document name) and its page, calls `draw`, then ends the page and the document,
  // also when `draw` throws (the exception then propagates).
  virtual void PrintPage(const std::string& printer,
                         const std::function<void(PrinterPage&)>& draw) = 0;
  // A raw spooler job: the bytes unchanged, with the given document name and data type.
  // Returns 0 once the printer was opened (later failures are not examined), or the platform
  // error code of opening it (1801 for a printer name that does not exist).
  virtual uint32_t WriteRawJob(const std::string& printer, const std::string& document_name,
                               const std::string& data_type, std::string_view bytes) = 0;
};

}  // namespace velin
