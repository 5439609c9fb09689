// The TSPL commands a waybill needs: SIZE, CLS, TEXT, PRINT, BAR, BARCODE and QRCODE. Each
// splits the rest of its line at commas and acts only on the exact item count; every item is
// read before anything is drawn or resized, and a line whose numbers do not read has no
// effect and is not logged.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "base/ansi_codec.h"
#include "base/regex.h"
#include "base/strings.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/drawing.h"
#include "interpreter/label_symbols.h"
#include "interpreter/printer_drawing.h"

namespace velin {
namespace {

constexpr int kDotsPerMm = 8;

// A decimal number with optional surrounding spaces, sign, point and exponent, as a
// single-precision value; throws EConvertError if it does not read or does not fit.
float ReadDecimal(const std::string& text) {
  static const Regex decimal("^ *[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)? *$");
  if (!decimal.Matches(text))
    throw EConvertError("'" + text + "' is not a valid floating point value");
  std::string_view number = TrimBlanks(text);
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  float value = 0;
  auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size())
    throw EConvertError("'" + text + "' is not a valid floating point value");
  return value;
}

// SIZE item: number, spaces, unit word; the unit is not read, the number is millimetres.
// An item that does not match counts as 0; the product with 8 is truncated to whole dots. A
// size no int can hold cannot be a page and fails as the page's allocation would.
int SizeInDots(const std::string& item) {
  static const Regex number_unit("^(.*?)\\s*(\\w+)$");
  Regex::Match m;
  if (!number_unit.Search(item, m)) return 0;
  float dots = ReadDecimal(m.groups[1]) * static_cast<float>(kDotsPerMm);
  // 2^31 is exact in single precision; every float below it truncates into an int32.
  if (!(std::fabs(dots) < 2147483648.0f)) throw std::bad_alloc();
  return static_cast<int>(dots);
}

// The printer dialect's SIZE item: a number, then "mm", "dot" or nothing (inches), at 8 dots
// per millimetre, rounded.
int PrinterSizeInDots(const std::string& item) {
  static const Regex number_unit("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+))\\s*([A-Za-z\"]*)\\s*$");
  Regex::Match m;
  if (!number_unit.Search(item, m)) throw EConvertError("'" + item + "' is not a size");
  double number = 0;
  if (!ReadDecimalNumber(m.groups[1], number)) throw EConvertError("'" + item + "' is not a size");
  const std::string& unit = m.groups[2];
  double dots;
  if (EqualsIgnoreAsciiCase(unit, "mm"))
    dots = number * kDotsPerMm;
  else if (EqualsIgnoreAsciiCase(unit, "dot") || EqualsIgnoreAsciiCase(unit, "dots"))
    dots = number;
  else if (unit.empty() || EqualsIgnoreAsciiCase(unit, "in") || unit == "\"")
    dots = number * 25.4 * kDotsPerMm;
  else
    throw EConvertError("'" + item + "' has an unknown unit");
  dots = std::round(dots);
  if (!(std::fabs(dots) < 2147483648.0)) throw std::bad_alloc();
  return static_cast<int>(dots);
}

}  // namespace

void TCPCLCmdThread::Quietly(const std::function<void()>& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    ReportFailure("Out of memory");
  } catch (const std::exception& e) {
    ReportFailure(e.what());
  }
}

bool TCPCLCmdThread::SplitItems(size_t count) { return SplitItemsBetween(count, count); }

bool TCPCLCmdThread::SplitItemsBetween(size_t least, size_t most) {
  if (choices_.printer_keywords)
    SplitByCommaQuoted(CmdFields[2], ParFields);
  else
    SplitByComma(CmdFields[2], ParFields);
  if (ParFields.Count() >= least && ParFields.Count() <= most) return true;
  ReportFailure(least == most
                    ? std::to_string(least) + " items expected"
                    : std::to_string(least) + " to " + std::to_string(most) + " items expected");
  return false;
}

// SIZE width, height: the page becomes width × 8 by height × 8 dots, white. The printer
// dialect reads inches unless "mm" or "dot" follows the number.
void TCPCLCmdThread::CMD_TSPL_SIZE() {
  Quietly([this] {
    if (!SplitItems(2)) return;
    auto dots = choices_.tspl_page_setup ? PrinterSizeInDots : SizeInDots;
    int width = dots(ParFields[0]);
    int height = dots(ParFields[1]);
    std::lock_guard<std::mutex> hold(PageImage->lock());
    PageImage->Resize(width, height);  // both sides or neither
    PageImage->Clear();
  });
}

void TCPCLCmdThread::CMD_TSPL_CLS() {
  std::lock_guard<std::mutex> hold(PageImage->lock());
  PageImage->Clear();
}

// TEXT x, y, font, rotation, x-multiplication, y-multiplication, "content": 17 points per
// x-multiplication for the font item 1 exactly, else 12. The printer dialect sizes it as the
// printer's font (TsplPrinterText).
void TCPCLCmdThread::CMD_TSPL_TEXT() {
  Quietly([this] {
    if (choices_.resident_fonts) {
      if (SplitItemsBetween(7, 8)) TsplPrinterText();
      return;
    }
    if (!SplitItems(7)) return;
    int32_t x = StrToInt(ParFields[0]);
    int32_t y = StrToInt(ParFields[1]);
    int32_t rotation = StrToInt(ParFields[3]);
    int32_t x_mul = StrToInt(ParFields[4]);
    StrToInt(ParFields[5]);  // y-multiplication: must read, has no use
    const std::string& font = ParFields[2];
    std::string content = TsplQuotedText(ParFields[6]);
    int64_t points = int64_t{x_mul} * (font == "1" ? 17 : 12);
    points = std::clamp<int64_t>(points, std::numeric_limits<int32_t>::min(),
                                 std::numeric_limits<int32_t>::max());
    std::lock_guard<std::mutex> hold(PageImage->lock());
    DrawTransparentText(PageImage->canvas(), x, y, content, rotation, kBlack, "微软雅黑",
                        static_cast<int>(points));
  });
}

// PRINT (any items): one page on the bound printer; nothing without one. The page stays.
void TCPCLCmdThread::CMD_TSPL_PRINT() {
  Quietly([this] {
    if (!printer_.mirror) {
      PrintPage();
      return;
    }
    // DIRECTION n,1: the label comes out mirrored; the page stays as drawn.
    {
      std::lock_guard<std::mutex> hold(PageImage->lock());
      MirrorPage(PageImage->bitmap());
    }
    struct Unmirror {
      velin::PageImage& page;
      ~Unmirror() {
        std::lock_guard<std::mutex> hold(page.lock());
        MirrorPage(page.bitmap());
      }
    } unmirror{*PageImage};
    PrintPage();
  });
}

// BAR x, y, width, height: a black rectangle, clipped to the page before a dot is painted.
void TCPCLCmdThread::CMD_TSPL_BAR() {
  Quietly([this] {
    if (!SplitItems(4)) return;
    int32_t x = TsplX(ParFields[0]);
    int32_t y = TsplY(ParFields[1]);
    int32_t width = TsplNumber(ParFields[2]);
    int32_t height = TsplNumber(ParFields[3]);
    std::lock_guard<std::mutex> hold(PageImage->lock());
    Bitmap32& page = PageImage->bitmap();
    const int64_t x0 = std::max<int64_t>(x, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{x} + width, page.width());
    const int64_t y0 = std::max<int64_t>(y, 0);
    const int64_t y1 = std::min<int64_t>(int64_t{y} + height, page.height());
    if (x0 >= x1) return;  // also a width of 0 or less
    for (int64_t row = y0; row < y1; ++row) {
      uint32_t* dots = page.Row(static_cast<int>(row));
      std::fill(dots + x0, dots + x1, ToPixel(kBlack));
    }
  });
}

// BARCODE x, y, "type", height, human readable, rotation, narrow, wide, "content": Code 128 in
// the form the content calls for, module = narrow, no text line. The printer dialect draws
// the type named, with its readable line and alignment (TsplPrinterBarcode).
void TCPCLCmdThread::CMD_TSPL_BARCODE() {
  Quietly([this] {
    if (choices_.own_symbologies) {
      if (SplitItemsBetween(9, 10)) TsplPrinterBarcode();
      return;
    }
    if (!SplitItems(9)) return;
    TBarcode_Struct item;
    item.x = StrToInt(ParFields[0]);
    item.y = StrToInt(ParFields[1]);
    item.btype = ParFields[2];
    item.height = StrToInt(ParFields[3]);
    StrToInt(ParFields[4]);  // human readable: must read, never drawn
    item.rotation = StrToInt(ParFields[5]);
    item.width = StrToInt(ParFields[6]);
    StrToInt(ParFields[7]);  // wide: must read; the ratio is always 2
    item.data = TsplQuotedText(ParFields[8]);
    DrawCode128(*PageImage, ChooseCode128(item.data), item.x, item.y, item.width, item.height,
                item.rotation);
  });
}

// QRCODE x, y, ECC level, cell width, mode, rotation, "content": a level M symbol of version
// 6, or the smallest larger one that holds the content; never turned, each module cell width
// dots square. Content no version holds draws the empty text's symbol, logged in debug mode.
void TCPCLCmdThread::CMD_TSPL_QRCODE() {
  Quietly([this] {
    if (choices_.qr_options) {
      if (SplitItemsBetween(7, 9)) TsplPrinterQr();
      return;
    }
    if (!SplitItems(7)) return;
    TQRCode_Struct item;
    item.x = StrToInt(ParFields[0]);
    item.y = StrToInt(ParFields[1]);
    item.Mn = StrToInt(ParFields[3]);
    item.data = TsplQuotedText(ParFields[6]);
    // The line was decoded from the ANSI code page: encoding it again gives the bytes sent.
    const std::string code = Utf8ToAnsi(item.data);
    if (DrawQrSymbol(*PageImage, code, item.x, item.y, item.Mn)) return;
    ReportFailure("QR data of " + std::to_string(code.size()) + " bytes fits no symbol");
    if (USBFiFo->debug())
      PostDebugLine("CMD_TSPL_QRCODE:QR data of " + std::to_string(code.size()) +
                    " bytes does not fit the symbol");
  });
}

}  // namespace velin
