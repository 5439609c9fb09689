#include "support/fake_printer.h"

#include <stdexcept>

#include "base/canvas.h"
#include "base/strings.h"

namespace velin::test {

namespace {

class FakePage : public PrinterPage {
 public:
  FakePage(FakePrinterSystem& system, FakePrinterSystem::GraphicJob& job)
      : system_(system), job_(job) {}
  Size PrintableArea() const override { return system_.printable_area; }
  int BitsPerPixel() const override { return system_.bits_per_pixel; }
  void StretchBitmap(const Bitmap32& bitmap, int left, int top, int width, int height) override {
    if (system_.fail_in_page) throw std::runtime_error("StretchBlt failed");
    job_.stretches.push_back({{bitmap.width(), bitmap.height()}, left, top, width, height});
    Canvas canvas(job_.page);
    canvas.StretchDraw(left, top, width, height, bitmap);
  }

 private:
  FakePrinterSystem& system_;
  FakePrinterSystem::GraphicJob& job_;
};

}  // namespace

std::vector<std::string> FakePrinterSystem::InstalledPrinters() {
  ++list_reads;
  return printers;
}

std::string FakePrinterSystem::DefaultPrinter() {
  ++default_reads;
  return default_printer;
}

void FakePrinterSystem::PrintPage(const std::string& printer,
                                  const std::function<void(PrinterPage&)>& draw) {
  GraphicJob job;
  job.printer = printer;
  job.page = Bitmap32(printable_area.width, printable_area.height);
  FakePage page(*this, job);
  try {
    if (during_job) during_job();
    draw(page);
  } catch (...) {
    graphic_jobs.push_back(std::move(job));  // the document is ended all the same
    throw;
  }
  graphic_jobs.push_back(std::move(job));
}

uint32_t FakePrinterSystem::WriteRawJob(const std::string& printer,
                                        const std::string& document_name,
                                        const std::string& data_type, std::string_view bytes) {
  for (const std::string& name : printers)
    if (EqualsIgnoreAsciiCase(name, printer)) {
      raw_jobs.push_back({printer, document_name, data_type, std::string(bytes)});
      return 0;
    }
  return 1801;
}

}  // namespace velin::test
