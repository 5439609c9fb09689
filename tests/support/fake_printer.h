// A PrinterSystem that prints into memory and records every job, for tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "interpreter/printer_system.h"

namespace velin::test {

class FakePrinterSystem : public PrinterSystem {
 public:
  struct Stretch {
    Size bitmap;  // the size of the bitmap stretched
    int left, top, width, height;
  };
  struct GraphicJob {
    std::string printer;
    std::vector<Stretch> stretches;
    Bitmap32 page;  // the printable area with everything stretched onto it
  };
  struct RawJob {
    std::string printer, document_name, data_type, bytes;
  };

  // Configuration.
  std::vector<std::string> printers = {"Label Printer", "Office"};
  std::string default_printer = "Office";
  Size printable_area = {480, 660};
  int bits_per_pixel = 24;
  bool fail_in_page = false;  // PrintPage's page throws from StretchBitmap
  // Called by PrintPage once the document has begun, before anything is drawn: a slow
  // spooler or server, for instance.
  std::function<void()> during_job;
  // Records.
  std::vector<GraphicJob> graphic_jobs;
  std::vector<RawJob> raw_jobs;
  int list_reads = 0;
  int default_reads = 0;

  std::vector<std::string> InstalledPrinters() override;
  std::string DefaultPrinter() override;
  void PrintPage(const std::string& printer,
                 const std::function<void(PrinterPage&)>& draw) override;
  // Opens only installed names (ignoring ASCII case); 1801 for any other.
  uint32_t WriteRawJob(const std::string& printer, const std::string& document_name,
                       const std::string& data_type, std::string_view bytes) override;
};

}  // namespace velin::test
