// The CPCL barcode lines (B, BARCODE, VB, VBARCODE): a linear barcode, always drawn as
// Code 128, or the first line of a QR block whose data lines the handler takes from the FIFO.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ansi_codec.h"
#include "base/regex.h"
#include "base/strings.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/label_symbols.h"
#include "interpreter/printer_text.h"

namespace velin {
namespace {

// The QR block is read straight from the FIFO: one byte per call, 100 ms before the first and
// after each call that finds the FIFO empty, until 20 such empty polls in all.
constexpr uint32_t kQrPollMs = 100;
constexpr int kQrEmptyPolls = 20;
// A block is kept up to this many bytes; later bytes are still taken and still end the block
// at "ENDQR" or "OFF", but are dropped, so a sender that never ends its block cannot grow
// memory without bound. Nine times the largest payload any QR symbol holds (7089 bytes), so a
// payload cut here could never have been drawn anyway.
constexpr size_t kQrBlockKept = 64 * 1024;

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Takes the QR block's bytes from the FIFO up to and including "ENDQR" or "OFF", or until the
// data stop arriving. The result is UTF-8 text with one character per byte kept, the
// character whose code equals the byte value (no code page decoding). Before each byte,
// `resume` holds the reading while the thread is paused (that wait is no empty poll); when
// it returns false the thread is ending and the block is abandoned (nullopt). Without
// `off_ends`, only "ENDQR" ends the block.
std::optional<std::string> CollectQrBlock(TUSBFiFo& fifo, Clock& clock,
                                          const std::function<bool()>& resume,
                                          bool off_ends = true) {
  std::string kept;
  std::string tail;  // the last bytes taken, enough to see an end marker
  int empty_polls = 0;
  size_t taken = 0;
  clock.sleep_ms(kQrPollMs);
  while (empty_polls < kQrEmptyPolls) {
    if (!resume()) return std::nullopt;
    uint8_t b;
    if (!fifo.GetChar(b)) {
      clock.sleep_ms(kQrPollMs);
      ++empty_polls;
      continue;
    }
    if (taken++ < kQrBlockKept) AppendUtf8(kept, b);
    tail.push_back(static_cast<char>(b));
    if (tail.size() > 5) tail.erase(0, 1);
    // Tested after every byte, so "contains" is the same as "ends with".
    if (EndsWith(tail, "ENDQR") || (off_ends && EndsWith(tail, "OFF"))) break;
  }
  return kept;
}

void RemoveAll(std::string& text, std::string_view what) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (size_t at; (at = text.find(what, from)) != std::string::npos; from = at + what.size())
    out.append(text, from, at - from);
  out.append(text, from, std::string::npos);
  text.swap(out);
}

// The bytes a collected block stands for (one character per byte).
std::string BlockBytes(const std::string& block) {
  std::string bytes;
  bytes.reserve(block.size());
  for (size_t pos = 0; pos < block.size();)
    bytes.push_back(static_cast<char>(NextUtf8(block, pos)));
  return bytes;
}

// The CPCL ratio code: 0 to 4 are 1.5:1 to 3.5:1, 20 to 30 are 2.0:1 to 3.0:1.
double RatioOf(int32_t code) {
  if (code >= 0 && code <= 4) return 1.5 + 0.5 * code;
  if (code >= 20 && code <= 30) return code / 10.0;
  return 2.0;
}

// The data line of a printer's QR block: level (H, Q, M, L), an optional mask digit, input
// mode (A automatic, M manual), a comma, then the data; manual data is a list of segments,
// each N, A or K and characters up to the next comma, or B, four digits and that many bytes.
// Lines of another form give their text after the first comma at level M.
void ParseQrDataLine(const std::string& line, PrinterQr& qr) {
  size_t pos = 0;
  int level = -1;
  if (!line.empty()) {
    const std::string levels = "LMQH";
    const size_t at = levels.find(line[0]);
    if (at != std::string::npos) level = static_cast<int>(at), pos = 1;
  }
  int mask = -1;
  if (level >= 0 && pos < line.size() && line[pos] >= '0' && line[pos] <= '8')
    mask = line[pos] == '8' ? -1 : line[pos] - '0', ++pos;
  char mode = 0;
  if (level >= 0 && pos < line.size() && (line[pos] == 'A' || line[pos] == 'M')) mode = line[pos++];
  if (level < 0 || mode == 0 || pos >= line.size() || line[pos] != ',') {
    const size_t comma = line.find(',');
    qr.bytes = comma == std::string::npos ? std::string() : line.substr(comma + 1);
    return;
  }
  qr.eclevel = level;
  qr.mask = mask;
  ++pos;  // the comma
  if (mode == 'A') {
    qr.bytes = line.substr(pos);
    return;
  }
  std::string data;
  while (pos < line.size()) {
    const char kind = line[pos++];
    if (kind == 'B' && pos + 4 <= line.size()) {
      int32_t count = 0;
      if (!TryStrToInt(line.substr(pos, 4), count) || count < 0) count = 0;
      pos += 4;
      data += line.substr(pos, static_cast<size_t>(count));
      pos = std::min(line.size(), pos + static_cast<size_t>(count));
    } else {
      const size_t end = std::min(line.find(',', pos), line.size());
      data += line.substr(pos, end - pos);
      pos = end;
    }
    if (pos < line.size() && line[pos] == ',') ++pos;
  }
  qr.bytes = data;
}

}  // namespace

// The printer dialect's QR block: B QR x y [M model] [U unit] (VB QR alike), then the data
// line and ENDQR; the symbol takes the data line's level, mask and bytes as received, the unit
// (1 to 32 dots, 6 by default) and the smallest version that holds the data.
void TCPCLCmdThread::CpclPrinterQr() {
  static const Regex word("(\\S+)");
  std::vector<std::string> words;
  for (Regex::Match& m : word.SearchAll(CmdFields[2])) words.push_back(std::move(m.groups[1]));
  if (words.size() < 3 || words.size() > 7 || words.size() % 2 == 0) {
    ReportFailure("B QR x y [M n] [U n] expected");
    return;
  }
  int32_t x = CpclNumber(words[1]);
  int32_t y = CpclNumber(words[2]);
  PrinterQr qr;
  int32_t model = 2;
  for (size_t i = 3; i + 1 < words.size(); i += 2) {
    if (words[i] == "M")
      model = StrToInt(words[i + 1]);
    else if (words[i] == "U")
      qr.module = std::clamp(StrToInt(words[i + 1]), 1, 32);
  }
  std::optional<std::string> collected = CollectQrBlock(
      *USBFiFo, clock_, [this] { return AwaitResume(kQrPollMs); }, /*off_ends=*/false);
  if (!collected) return;
  std::string block = BlockBytes(*collected);
  if (EndsWith(block, "ENDQR")) block.resize(block.size() - 5);
  while (!block.empty() && (block.back() == '\r' || block.back() == '\n')) block.pop_back();
  size_t first = block.find_first_not_of("\r\n");
  block.erase(0, first == std::string::npos ? block.size() : first);
  ParseQrDataLine(block, qr);
  if (model == 1 && USBFiFo->debug()) PostDebugLine("CMD_BARCODE:QR model 1 is drawn as model 2");
  const int side = PrinterQrSide(qr);
  if (side == 0) {
    ReportFailure("QR data of " + std::to_string(qr.bytes.size()) + " bytes fits no symbol");
    if (USBFiFo->debug())
      PostDebugLine("CMD_BARCODE:QR data of " + std::to_string(qr.bytes.size()) +
                    " bytes does not fit the symbol");
    return;
  }
  DrawPrinterQr(*PageImage, qr, JustifiedX(x, side), y, 0);
}

// The printer dialect's linear barcode: ParFields holds type, narrow bar, ratio code,
// height, x, y and the data.
void TCPCLCmdThread::CpclPrinterBarcode() {
  const int32_t narrow = StrToInt(ParFields[2]);
  const double ratio = RatioOf(StrToInt(ParFields[3]));
  const int32_t height = CpclNumber(ParFields[4]);
  int32_t x = CpclNumber(ParFields[5]);
  int32_t y = CpclNumber(ParFields[6]);
  const std::string& data = ParFields[7];
  const bool vertical = CmdFields[1] == "VB" || CmdFields[1] == "VBARCODE";
  PrinterBarcode symbol;
  if (!PrinterSymbology(ParFields[1], false, data, EncodeLine(data), ratio, symbol)) {
    ReportFailure(ParFields[1] + " drawn as Code 128");
    if (USBFiFo->debug()) PostDebugLine("CMD_BARCODE:" + ParFields[1] + " drawn as Code 128");
  }
  const int width = PrinterBarcodeWidth(symbol, narrow);
  if (vertical) {
    y = JustifiedY(y, width);
    x = ShiftedByOffset(x);
  } else {
    x = JustifiedX(x, width);
  }
  const int angle = vertical ? 90 : 0;
  DrawPrinterBarcode(*PageImage, symbol, x, y, narrow, height, angle);
  if (!printer_.barcode_text || symbol.readable.empty()) return;
  ResidentText how;
  how.font = CpclResidentFont(printer_.bt_font);
  how.mag_x = 1 + printer_.bt_size / 10 % 10;
  how.mag_y = 1 + printer_.bt_size % 10;
  how.typeface = FontMapTypeface(printer_.bt_font);
  const Size text = MeasureResidentText(*text_renderer_, symbol.readable, how);
  // Centred under the bars, in the barcode's own frame (u along it, v across).
  const int64_t u = (int64_t{width} - text.width) / 2;
  const int64_t v = int64_t{std::max(height, 0)} + printer_.bt_offset;
  const int64_t tx = vertical ? x + v : x + u, ty = vertical ? y - u : y + v;
  std::lock_guard<std::mutex> hold(PageImage->lock());
  DrawResidentText(PageImage->bitmap(), *text_renderer_,
                   static_cast<int>(std::clamp<int64_t>(tx, INT32_MIN, INT32_MAX)),
                   static_cast<int>(std::clamp<int64_t>(ty, INT32_MIN, INT32_MAX)), symbol.readable,
                   how, angle);
}

// Keyword, then seven fields: type width ratio height x y data, or QR x y M n U n.
void TCPCLCmdThread::CMD_BARCODE() {
  Guarded("CMD_BARCODE:", [this] {
    if (choices_.qr_options && CmdFields.Count() == 3 && CmdFields[2].rfind("QR", 0) == 0 &&
        (CmdFields[2].size() == 2 || CmdFields[2][2] == ' ' || CmdFields[2][2] == '\t')) {
      CpclPrinterQr();
      return;
    }
    if (!SplitParameters(7)) return;
    if (choices_.own_symbologies && ParFields[1] != "QR") {
      CpclPrinterBarcode();
      return;
    }
    if (ParFields[1] == "QR") {
      TQRCode_Struct qr;
      qr.x = StrToInt(ParFields[2]);
      qr.y = StrToInt(ParFields[3]);
      if (ParFields[4] == "M") qr.Mn = StrToInt(ParFields[5]);
      if (ParFields[6] == "U") qr.Un = StrToInt(ParFields[7]);  // read, not used
      std::optional<std::string> block =
          CollectQrBlock(*USBFiFo, clock_, [this] { return AwaitResume(kQrPollMs); });
      if (!block) return;
      // The payload follows the first comma; the data line's leading letters are not used.
      static const Regex data_line("(?s)^(.*?),(.*)$");
      Regex::Match m;
      if (!data_line.Search(*block, m)) return;
      std::string payload = std::move(m.groups[2]);
      RemoveAll(payload, "ENDQR");
      RemoveAll(payload, "OFF");
      RemoveAll(payload, "\n");
      RemoveAll(payload, "\r");
      // Each character stands for one byte: U+0000-U+00FF, which the ANSI code page gives
      // back as that byte (ASCII) or as its own encoding of the Latin-1 character, or "?".
      std::string code = Utf8ToAnsi(payload);
      // Data no version holds is drawn as the empty text's symbol; the debug log says so,
      // since a scanner will read nothing from it.
      if (DrawQrSymbol(*PageImage, code, qr.x, qr.y, qr.Mn)) return;
      ReportFailure("QR data of " + std::to_string(code.size()) + " bytes fits no symbol");
      if (USBFiFo->debug())
        PostDebugLine("CMD_BARCODE:QR data of " + std::to_string(code.size()) +
                      " bytes does not fit the symbol");
      return;
    }
    TBarcode_Struct item;
    const std::string& keyword = CmdFields[1];
    item.rotation = keyword == "VB" || keyword == "VBARCODE" ? 90 : 0;
    item.btype = ParFields[1];
    item.width = StrToInt(ParFields[2]);
    item.ratio = StrToInt(ParFields[3]);
    item.height = StrToInt(ParFields[4]);
    item.x = StrToInt(ParFields[5]);
    item.y = StrToInt(ParFields[6]);
    item.data = ParFields[7];
    // The module is one dot wider than the width field (a width outside 0 to 48 leaves the
    // encoder's module of 1; the sum cannot overflow for the largest width).
    int modul = item.width == INT32_MAX ? item.width : item.width + 1;
    DrawCode128(*PageImage, ChooseCode128(item.data), item.x, item.y, modul, item.height,
                item.rotation);
  });
}

}  // namespace velin
