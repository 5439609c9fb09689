// The printers of the machine over GDI and the spooler: graphic jobs through a printer device
// context, raw jobs through OpenPrinterW/WritePrinter.
#include <windows.h>
// windows.h first: winspool.h needs its types.
#include <winspool.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "base/win32/wide_win.h"
#include "interpreter/printer_system.h"
#include "interpreter/printing.h"

namespace velin {
namespace {

// One open page of a job on a printer device context.
class GdiPrinterPage final : public PrinterPage {
 public:
  explicit GdiPrinterPage(HDC dc) : dc_(dc) {}

  Size PrintableArea() const override {
    return {GetDeviceCaps(dc_, HORZRES), GetDeviceCaps(dc_, VERTRES)};
  }

  int BitsPerPixel() const override {
    return GetDeviceCaps(dc_, BITSPIXEL) * GetDeviceCaps(dc_, PLANES);
  }

  void StretchBitmap(const Bitmap32& bitmap, int left, int top, int width, int height) override {
    if (bitmap.empty()) return;
    if (BitsPerPixel() <= 8) {
      SetStretchBltMode(dc_, HALFTONE);
      SetBrushOrgEx(dc_, 0, 0, nullptr);  // required after choosing HALFTONE
    } else {
      SetStretchBltMode(dc_, COLORONCOLOR);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.width();
    info.bmiHeader.biHeight = -bitmap.height();  // top-down rows, as Bitmap32 keeps them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    int lines = StretchDIBits(dc_, left, top, width, height, 0, 0, bitmap.width(), bitmap.height(),
                              bitmap.Pixels().data(), &info, DIB_RGB_COLORS, SRCCOPY);
    if (lines == 0 || lines == static_cast<int>(GDI_ERROR))
      throw std::runtime_error("StretchDIBits failed (error " + std::to_string(GetLastError()) +
                               ")");
  }

 private:
  HDC dc_;
};

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};

class WinPrinterSystem final : public PrinterSystem {
 public:
  std::vector<std::string> InstalledPrinters() override {
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<std::string> names;
    if (needed == 0) return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return names;
    const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
      if (info[i].pPrinterName != nullptr) names.push_back(WideToUtf8(info[i].pPrinterName));
    return names;
  }

  std::string DefaultPrinter() override {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0) return "";
    std::wstring name(size, L'\0');
    if (!GetDefaultPrinterW(name.data(), &size)) return "";
    name.resize(std::wcslen(name.c_str()));
    return WideToUtf8(name);
  }

  void PrintPage(const std::string& printer,
                 const std::function<void(PrinterPage&)>& draw) override {
    std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter> dc(
        CreateDCW(L"WINSPOOL", Utf8ToWide(printer).c_str(), nullptr, nullptr));
    if (!dc) throw std::runtime_error("Printer selected is not valid: " + printer);
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = L"";
    if (StartDocW(dc.get(), &doc) <= 0)
      throw std::runtime_error("StartDoc failed (error " + std::to_string(GetLastError()) + ")");
    // The page and the document are ended however drawing ends.
    struct EndDocument {
      HDC dc;
      bool page = false;
      ~EndDocument() {
        if (page) EndPage(dc);
        EndDoc(dc);
      }
    } end{dc.get()};
    if (StartPage(dc.get()) <= 0)
      throw std::runtime_error("StartPage failed (error " + std::to_string(GetLastError()) + ")");
    end.page = true;
    GdiPrinterPage page(dc.get());
    draw(page);
  }

  uint32_t WriteRawJob(const std::string& printer, const std::string& document_name,
                       const std::string& data_type, std::string_view bytes) override {
    std::wstring name = Utf8ToWide(printer);
    HANDLE handle = nullptr;
    if (!OpenPrinterW(name.data(), &handle, nullptr)) return GetLastError();
    std::wstring doc_name = Utf8ToWide(document_name);
    std::wstring type = Utf8ToWide(data_type);
    DOC_INFO_1W doc{};
    doc.pDocName = doc_name.data();
    doc.pOutputFile = nullptr;
    doc.pDatatype = type.data();
    // A job the spooler does not take, or a write it refuses, fails with the spooler's code.
    if (StartDocPrinterW(handle, 1, reinterpret_cast<BYTE*>(&doc)) == 0) {
      const DWORD error = GetLastError();
      ClosePrinter(handle);
      return error != 0 ? error : ERROR_NOT_READY;
    }
    StartPagePrinter(handle);
    DWORD error = 0;
    while (!bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
      DWORD written = 0;
      if (!WritePrinter(handle, const_cast<char*>(bytes.data()), chunk, &written) || written == 0) {
        error = GetLastError();
        if (error == 0) error = ERROR_WRITE_FAULT;
        break;
      }
      bytes.remove_prefix(std::min<size_t>(written, bytes.size()));
    }
    EndPagePrinter(handle);
    if (!EndDocPrinter(handle) && error == 0) {
      error = GetLastError();
      if (error == 0) error = ERROR_NOT_READY;
    }
    ClosePrinter(handle);
    return error;
  }
};

}  // namespace

std::unique_ptr<PrinterSystem> PlatformPrinterSystem() {
  return std::make_unique<WinPrinterSystem>();
}

}  // namespace velin
