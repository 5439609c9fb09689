// The TSPL of the printer dialect: TEXT in the printer's font sizes, BARCODE in the symbology
// named with its readable line, QRCODE with its level, cell, rotation, model and mask, and the
// commands only that dialect knows: BOX, REVERSE, ERASE, BITMAP, DIRECTION, REFERENCE,
// CODEPAGE and the settings that draw nothing. Rotations are clockwise, as TSPL has them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/regex.h"
#include "base/strings.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/label_symbols.h"
#include "interpreter/printer_drawing.h"
#include "interpreter/printer_text.h"

namespace velin {
namespace {

constexpr uint32_t kBitmapPollMs = 100;
constexpr int kBitmapEmptyPolls = 20;
constexpr size_t kBitmapChunk = 64 * 1024;  // bytes merged into the page at a time

// Degrees counter-clockwise for a clockwise TSPL rotation.
int CounterClockwise(int32_t clockwise) { return ((360 - clockwise % 360) % 360 + 360) % 360; }

// Moves (x, y) by `along` dots in the direction a text or barcode turned `ccw` degrees runs.
void Advance(int64_t& x, int64_t& y, int64_t along, int ccw) {
  switch ((ccw + 45) / 90 % 4) {
    case 0:
      x += along;
      break;
    case 1:
      y -= along;
      break;
    case 2:
      x -= along;
      break;
    default:
      y += along;
      break;
  }
}

int ClampInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The manual-mode content of a TSPL QR code: segments each opened by A, N or K (characters
// up to the next "!") or B and a four-digit count (that many bytes), "!" between segments.
std::string ManualQrData(const std::string& content) {
  std::string data;
  size_t pos = 0;
  while (pos < content.size()) {
    const char kind = content[pos++];
    if (kind == 'B' && pos + 4 <= content.size()) {
      int32_t count = 0;
      if (!TryStrToInt(content.substr(pos, 4), count) || count < 0) count = 0;
      pos += 4;
      data += content.substr(pos, static_cast<size_t>(count));
      pos = std::min(content.size(), pos + static_cast<size_t>(count));
    } else {
      const size_t end = std::min(content.find('!', pos), content.size());
      data += content.substr(pos, end - pos);
      pos = end;
    }
    if (pos < content.size() && content[pos] == '!') ++pos;
  }
  return data;
}

}  // namespace

int32_t TCPCLCmdThread::TsplNumber(const std::string& text) const {
  int32_t value = 0;
  if (!choices_.printer_units || TryStrToInt(text, value)) return StrToInt(text);
  double number = 0;
  if (!ReadDecimalNumber(text, number)) throw EConvertError("'" + text + "' is not a valid number");
  const double rounded = std::round(number);
  if (!(std::fabs(rounded) < 1073741824.0)) throw EConvertError("'" + text + "' is out of range");
  return static_cast<int32_t>(rounded);
}

int32_t TCPCLCmdThread::TsplX(const std::string& text) const {
  return ClampInt(int64_t{TsplNumber(text)} + (choices_.tspl_page_setup ? printer_.ref_x : 0));
}

int32_t TCPCLCmdThread::TsplY(const std::string& text) const {
  return ClampInt(int64_t{TsplNumber(text)} + (choices_.tspl_page_setup ? printer_.ref_y : 0));
}

// TEXT x, y, "font", rotation, x-multiplication, y-multiplication, [alignment,] "content".
// Fonts "1" to "8" (and downloaded bitmap fonts) are cells times whole multipliers 1 to 10;
// "0" and *.TTF names are sized in points (font "0": x-multiplication is the width). The
// alignment (1 left, 2 centre, 3 right) sets the text's start, middle or end at x.
void TCPCLCmdThread::TsplPrinterText() {
  const bool aligned = ParFields.Count() == 8;
  int64_t x = TsplX(ParFields[0]);
  int64_t y = TsplY(ParFields[1]);
  const std::string font = TsplQuotedText(ParFields[2]);
  const int rotation = CounterClockwise(TsplNumber(ParFields[3]));
  const int32_t x_mul = TsplNumber(ParFields[4]);
  const int32_t y_mul = TsplNumber(ParFields[5]);
  const int32_t align = aligned ? StrToInt(ParFields[6]) : 0;
  const std::string content = TsplQuotedText(ParFields[aligned ? 7 : 6]);
  ResidentText how;
  std::string upper = font;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const bool truetype = upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".TTF") == 0;
  if (font == "0" || truetype) {
    // Points at 203 dots per inch.
    how.proportional = true;
    const double height_pt = std::clamp<double>(y_mul, 1, 500);
    how.em = static_cast<int>(std::lround(height_pt * 203.0 / 72.0));
    how.stretch_x = font == "0" ? std::clamp<double>(x_mul, 1, 500) / height_pt : 1.0;
  } else {
    how.font = TsplResidentFont(font);
    how.mag_x = std::clamp(x_mul, 1, 10);
    how.mag_y = std::clamp(y_mul, 1, 10);
  }
  if (align == 2 || align == 3) {
    const Size extent = MeasureResidentText(*text_renderer_, content, how);
    Advance(x, y, align == 2 ? -int64_t{extent.width} / 2 : -int64_t{extent.width}, rotation);
  }
  std::lock_guard<std::mutex> hold(PageImage->lock());
  DrawResidentText(PageImage->bitmap(), *text_renderer_, ClampInt(x), ClampInt(y), content, how,
                   rotation);
}

// BARCODE x, y, "type", height, readable, rotation, narrow, wide, [alignment,] "content":
// readable 0 none, 1, 2, 3 the content under the bars set left, centred or right (font "2").
void TCPCLCmdThread::TsplPrinterBarcode() {
  const bool aligned = ParFields.Count() == 10;
  int64_t x = TsplX(ParFields[0]);
  int64_t y = TsplY(ParFields[1]);
  const std::string type = TsplQuotedText(ParFields[2]);
  const int32_t height = TsplNumber(ParFields[3]);
  const int32_t readable = StrToInt(ParFields[4]);
  const int angle = CounterClockwise(TsplNumber(ParFields[5]));
  const int32_t narrow = TsplNumber(ParFields[6]);
  const int32_t wide = TsplNumber(ParFields[7]);
  const int32_t align = aligned ? StrToInt(ParFields[8]) : 0;
  const std::string content = TsplQuotedText(ParFields[aligned ? 9 : 8]);
  PrinterBarcode symbol;
  const double ratio = narrow > 0 ? static_cast<double>(wide) / narrow : 2.0;
  if (!PrinterSymbology(type, true, content, EncodeLine(content), ratio, symbol)) {
    ReportFailure(type + " drawn as Code 128");
    if (USBFiFo->debug()) PostDebugLine("CMD_TSPL_BARCODE:" + type + " drawn as Code 128");
  }
  const int width = PrinterBarcodeWidth(symbol, narrow);
  if (align == 2 || align == 3)
    Advance(x, y, align == 2 ? -int64_t{width} / 2 : -int64_t{width}, angle);
  DrawPrinterBarcode(*PageImage, symbol, ClampInt(x), ClampInt(y), narrow, height, angle);
  if (readable < 1 || readable > 3 || symbol.readable.empty()) return;
  ResidentText how;
  how.font = TsplResidentFont("2");
  how.typeface = "微软雅黑";
  const Size text = MeasureResidentText(*text_renderer_, symbol.readable, how);
  const int64_t room = int64_t{width} - text.width;
  const int64_t u = readable == 1 ? 0 : readable == 2 ? room / 2 : room;
  const int64_t v = int64_t{std::max(height, 0)} + 4;  // four dots under the bars
  // (u, v) in the barcode's frame, turned as the barcode is.
  int64_t tx = x, ty = y;
  Advance(tx, ty, u, angle);
  Advance(tx, ty, v, (angle + 270) % 360);
  std::lock_guard<std::mutex> hold(PageImage->lock());
  DrawResidentText(PageImage->bitmap(), *text_renderer_, ClampInt(tx), ClampInt(ty),
                   symbol.readable, how, angle);
}

// QRCODE x, y, level, cell, mode, rotation, [model,] [mask,] "content": level L, M, Q or H;
// cell 1 to 10 dots (up to 32 taken); mode A automatic or M manual (segments); model M1 is
// drawn as model 2; mask S0 to S7 (S8: automatic). The smallest version that holds the data.
void TCPCLCmdThread::TsplPrinterQr() {
  const size_t count = ParFields.Count();
  const int32_t x = TsplX(ParFields[0]);
  const int32_t y = TsplY(ParFields[1]);
  const std::string level = std::string(TrimBlanks(ParFields[2]));
  const int32_t cell = TsplNumber(ParFields[3]);
  const std::string mode = std::string(TrimBlanks(ParFields[4]));
  const int32_t rotation = TsplNumber(ParFields[5]);
  PrinterQr qr;
  const std::string levels = "LMQH";
  qr.eclevel = level.size() == 1 && levels.find(level[0]) != std::string::npos
                   ? static_cast<int>(levels.find(level[0]))
                   : 1;
  qr.module = std::clamp(cell, 1, 32);
  for (size_t i = 6; i + 1 < count; ++i) {
    const std::string item = std::string(TrimBlanks(ParFields[i]));
    if (item.size() == 2 && item[0] == 'S' && item[1] >= '0' && item[1] <= '8')
      qr.mask = item[1] == '8' ? -1 : item[1] - '0';
    else if (item == "M1" && USBFiFo->debug())
      PostDebugLine("CMD_TSPL_QRCODE:QR model 1 is drawn as model 2");
  }
  const std::string content = TsplQuotedText(ParFields[count - 1]);
  qr.bytes = EncodeLine(mode == "M" ? ManualQrData(content) : content);
  if (!DrawPrinterQr(*PageImage, qr, x, y, rotation)) {
    ReportFailure("QR data of " + std::to_string(qr.bytes.size()) + " bytes fits no symbol");
    if (USBFiFo->debug())
      PostDebugLine("CMD_TSPL_QRCODE:QR data of " + std::to_string(qr.bytes.size()) +
                    " bytes does not fit the symbol");
  }
}

// BOX x, y, x_end, y_end, thickness[, radius]: the outline inside the corners; the corner
// radius is not drawn (square corners).
void TCPCLCmdThread::CMD_TSPL_BOX() {
  Quietly([this] {
    if (!SplitItemsBetween(5, 6)) return;
    const int32_t x0 = TsplX(ParFields[0]), y0 = TsplY(ParFields[1]);
    const int32_t x1 = TsplX(ParFields[2]), y1 = TsplY(ParFields[3]);
    const int32_t thickness = TsplNumber(ParFields[4]);
    if (ParFields.Count() == 6) TsplNumber(ParFields[5]);
    std::lock_guard<std::mutex> hold(PageImage->lock());
    DrawPrinterBox(PageImage->canvas(), x0, y0, x1, y1, thickness);
  });
}

// REVERSE x, y, width, height: black and white swap in the area.
void TCPCLCmdThread::CMD_TSPL_REVERSE() {
  Quietly([this] {
    if (!SplitItems(4)) return;
    const int64_t x = TsplX(ParFields[0]), y = TsplY(ParFields[1]);
    const int64_t w = TsplNumber(ParFields[2]), h = TsplNumber(ParFields[3]);
    std::lock_guard<std::mutex> hold(PageImage->lock());
    InvertArea(PageImage->bitmap(), x, y, x + w, y + h);
  });
}

// ERASE x, y, width, height: the area white.
void TCPCLCmdThread::CMD_TSPL_ERASE() {
  Quietly([this] {
    if (!SplitItems(4)) return;
    const int64_t x = TsplX(ParFields[0]), y = TsplY(ParFields[1]);
    const int64_t w = TsplNumber(ParFields[2]), h = TsplNumber(ParFields[3]);
    std::lock_guard<std::mutex> hold(PageImage->lock());
    FillArea(PageImage->bitmap(), x, y, x + w, y + h, kWhite);
  });
}

// BITMAP x, y, width bytes, height, mode, then width × height raw bytes (the framing hands the
// line on at its fifth comma). A 0 bit is black, as on the printers; mode 0 overwrites, 1 ORs,
// 2 XORs. The bytes are taken from the FIFO until all arrived or 20 polls found it empty, and
// merged into the page a chunk at a time, so any size announced costs bounded memory.
void TCPCLCmdThread::CMD_TSPL_BITMAP() {
  Quietly([this] {
    if (!SplitItemsBetween(5, 6)) return;
    const int64_t x = TsplX(ParFields[0]), y = TsplY(ParFields[1]);
    const int64_t width = TsplNumber(ParFields[2]), height = TsplNumber(ParFields[3]);
    const int32_t mode_item = StrToInt(ParFields[4]);
    const MergeMode mode = mode_item == 1   ? MergeMode::kOr
                           : mode_item == 2 ? MergeMode::kXor
                                            : MergeMode::kOverwrite;
    if (width <= 0 || height <= 0) return;
    const int64_t total = width * height;
    // The bytes of each row whose dots can land on the page: [skip, end).
    const int64_t page_width = PageImage->Width();
    const int64_t skip = std::min(width, std::max<int64_t>(0, -x) / 8);
    const int64_t end = std::clamp<int64_t>((page_width - x + 7) / 8, skip, width);
    const int64_t kept = end - skip;
    const int64_t rows_per_chunk =
        std::max<int64_t>(1, static_cast<int64_t>(kBitmapChunk) / std::max<int64_t>(kept, 1));
    std::vector<uint8_t> chunk;
    int64_t chunk_row = 0;  // the bitmap row the chunk starts at
    auto merge = [&] {
      if (!chunk.empty()) {
        std::lock_guard<std::mutex> hold(PageImage->lock());
        MergeBitmap(PageImage->bitmap(), chunk, kept,
                    (static_cast<int64_t>(chunk.size()) + kept - 1) / kept, x + 8 * skip,
                    y + chunk_row, 0, mode);
      }
      chunk_row += rows_per_chunk;
      chunk.clear();
    };
    clock_.sleep_ms(kBitmapPollMs);
    int empty_polls = 0;
    for (int64_t taken = 0; taken < total && empty_polls < kBitmapEmptyPolls;) {
      uint8_t b;
      if (!USBFiFo->GetChar(b)) {
        clock_.sleep_ms(kBitmapPollMs);
        ++empty_polls;
        continue;
      }
      const int64_t column = taken % width;
      ++taken;
      if (column >= skip && column < end) chunk.push_back(b);
      if (column == width - 1 && (taken / width) % rows_per_chunk == 0) merge();
    }
    merge();  // a last partial row as far as it arrived
  });
}

// DIRECTION n[, m]: n turns the label 180 degrees on the stock, which a page does not show;
// m = 1 prints it mirrored.
void TCPCLCmdThread::CMD_TSPL_DIRECTION() {
  Quietly([this] {
    if (!SplitItemsBetween(1, 2)) return;
    StrToInt(std::string(TrimBlanks(ParFields[0])));
    printer_.mirror =
        ParFields.Count() == 2 && StrToInt(std::string(TrimBlanks(ParFields[1]))) == 1;
  });
}

// REFERENCE x, y: the origin of every later coordinate.
void TCPCLCmdThread::CMD_TSPL_REFERENCE() {
  Quietly([this] {
    if (!SplitItems(2)) return;
    const int32_t x = TsplNumber(ParFields[0]), y = TsplNumber(ParFields[1]);
    printer_.ref_x = x;
    printer_.ref_y = y;
  });
}

// CODEPAGE p (ENCODING p): UTF-8 and GB18030 (54936) decode the following lines in that
// encoding; any other code page (936, 950, 437, 1252, ...) as the ANSI code page.
void TCPCLCmdThread::CMD_TSPL_CODEPAGE() {
  Quietly([this] {
    if (!SplitItems(1)) return;
    const std::string_view name = TrimBlanks(ParFields[0]);
    printer_.encoding = LineEncodingNamed(name);
  });
}

// GAP, SPEED, DENSITY, SET, SOUND, ...: the printer's mechanics; nothing to draw.
void TCPCLCmdThread::CMD_TSPL_SETTING() {}

}  // namespace velin
