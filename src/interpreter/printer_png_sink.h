// A printer system without printers: each page becomes a PNG file and each raw job a binary
// file in one directory. For the command-line tool and tests.
#pragma once

#include <functional>
#include <string>

#include "interpreter/printer_system.h"

namespace velin {

// Reports one printer, `printer_name`, which is also the default. Pages are written as
// DIR/page-001.png, page-002.png, ... and raw jobs as DIR/raw-001.bin, ..., each number the
// first one not yet taken in the directory, so earlier files are never overwritten.
//
// The printable area comes from `page_size`, asked at the start of every page; give it the
// size of the bitmap that will be printed (the page's own size) and the page is written one
// pixel per dot. Reports 24 bits per pixel.
class PngSinkPrinterSystem : public PrinterSystem {
 public:
  PngSinkPrinterSystem(std::string directory, std::string printer_name,
                       std::function<Size()> page_size);
  // A fixed printable area.
  PngSinkPrinterSystem(std::string directory, std::string printer_name, Size page_size);

  std::vector<std::string> InstalledPrinters() override;
  std::string DefaultPrinter() override;
  // Throws std::runtime_error for another printer name, a page size that is not positive or
  // too large, and a file that cannot be written. The page is written also when `draw` throws.
  void PrintPage(const std::string& printer,
                 const std::function<void(PrinterPage&)>& draw) override;
  // 1801 for another printer name (compared ignoring ASCII case), 0 once the file is open.
  uint32_t WriteRawJob(const std::string& printer, const std::string& document_name,
                       const std::string& data_type, std::string_view bytes) override;

  // The file written last ("" before the first).
  const std::string& last_file() const { return last_file_; }

 private:
  std::string NextFile(const char* stem, const char* extension) const;

  std::string directory_;
  std::string printer_name_;
  std::function<Size()> page_size_;
  std::string last_file_;
};

}  // namespace velin
