// The CPCL barcode lines (B, BARCODE, VB, VBARCODE): a linear barcode, always drawn as
// Code 128, or the first line of a QR block whose data lines the handler takes from the FIFO.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/ansi_codec.h"
#include "base/regex.h"
#include "base/strings.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/label_symbols.h"

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
// character whose code equals the byte value (no code page decoding).
std::string CollectQrBlock(TUSBFiFo& fifo, Clock& clock) {
  std::string kept;
  std::string tail;  // the last bytes taken, enough to see an end marker
  int empty_polls = 0;
  size_t taken = 0;
  clock.sleep_ms(kQrPollMs);
  while (empty_polls < kQrEmptyPolls) {
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
    if (EndsWith(tail, "ENDQR") || EndsWith(tail, "OFF")) break;
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

}  // namespace

// Keyword, then seven fields: type width ratio height x y data, or QR x y M n U n.
void TCPCLCmdThread::CMD_BARCODE() {
  Guarded("CMD_BARCODE:", [this] {
    if (!SplitParameters(7)) return;
    if (ParFields[1] == "QR") {
      TQRCode_Struct qr;
      qr.x = StrToInt(ParFields[2]);
      qr.y = StrToInt(ParFields[3]);
      if (ParFields[4] == "M") qr.Mn = StrToInt(ParFields[5]);
      if (ParFields[6] == "U") qr.Un = StrToInt(ParFields[7]);  // read, not used
      std::string block = CollectQrBlock(*USBFiFo, clock_);
      // The payload follows the first comma; the data line's leading letters are not used.
      static const Regex data_line("(?s)^(.*?),(.*)$");
      Regex::Match m;
      if (!data_line.Search(block, m)) return;
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
      if (!DrawQrSymbol(*PageImage, code, qr.x, qr.y, qr.Mn) && USBFiFo->debug())
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
