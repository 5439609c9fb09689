#include "interpreter/printer_png_sink.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "base/canvas.h"
#include "base/png.h"
#include "base/strings.h"

namespace velin {

namespace {

class SinkPage : public PrinterPage {
 public:
  explicit SinkPage(Bitmap32& page) : page_(page) {}
  Size PrintableArea() const override { return {page_.width(), page_.height()}; }
  int BitsPerPixel() const override { return 24; }
  void StretchBitmap(const Bitmap32& bitmap, int left, int top, int width, int height) override {
    Canvas canvas(page_);
    canvas.StretchDraw(left, top, width, height, bitmap);
  }

 private:
  Bitmap32& page_;
};

}  // namespace

PngSinkPrinterSystem::PngSinkPrinterSystem(std::string directory, std::string printer_name,
                                           std::function<Size()> page_size)
    : directory_(std::move(directory)),
      printer_name_(std::move(printer_name)),
      page_size_(std::move(page_size)) {}

PngSinkPrinterSystem::PngSinkPrinterSystem(std::string directory, std::string printer_name,
                                           Size page_size)
    : PngSinkPrinterSystem(std::move(directory), std::move(printer_name),
                           [page_size] { return page_size; }) {}

std::vector<std::string> PngSinkPrinterSystem::InstalledPrinters() { return {printer_name_}; }

std::string PngSinkPrinterSystem::DefaultPrinter() { return printer_name_; }

std::string PngSinkPrinterSystem::NextFile(const char* stem, const char* extension) const {
  for (int n = 1;; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-%03d.%s", stem, n, extension);
    std::filesystem::path path = std::filesystem::path(directory_) / name;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return path.string();
  }
}

void PngSinkPrinterSystem::PrintPage(const std::string& printer,
                                     const std::function<void(PrinterPage&)>& draw) {
  if (!EqualsIgnoreAsciiCase(printer, printer_name_))
    throw std::runtime_error("Printer not found: " + printer);
  const Size size = page_size_ ? page_size_() : Size{};
  if (size.width <= 0 || size.height <= 0)
    throw std::runtime_error("The page has no printable area.");
  Bitmap32 page(size.width, size.height);  // std::bad_alloc beyond the pixel budget
  SinkPage sink(page);
  auto finish = [&] {
    const std::string file = NextFile("page", "png");
    if (!WritePng(file, page)) throw std::runtime_error("Cannot write " + file);
    last_file_ = file;
  };
  try {
    draw(sink);
  } catch (...) {
    finish();  // the document is ended all the same
    throw;
  }
  finish();
}

uint32_t PngSinkPrinterSystem::WriteRawJob(const std::string& printer,
                                           const std::string& /*document_name*/,
                                           const std::string& /*data_type*/,
                                           std::string_view bytes) {
  if (!EqualsIgnoreAsciiCase(printer, printer_name_)) return 1801;  // no such printer
  const std::string file = NextFile("raw", "bin");
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (f == nullptr) return 5;                     // access denied
  std::fwrite(bytes.data(), 1, bytes.size(), f);  // like the spooler: not examined further
  std::fclose(f);
  last_file_ = file;
  return 0;
}

}  // namespace velin
