// The CPCL commands that set up the page, set the text state, draw text, lines and boxes,
// and print.
#include <algorithm>
#include <array>
#include <limits>
#include <new>

#include "base/strings.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/drawing.h"
#include "interpreter/printer_drawing.h"

namespace velin {

bool TCPCLCmdThread::SplitParameters(int count) {
  GetParFields(CmdFields[2], count, ParFields);
  if (ParFields.Count() == static_cast<size_t>(count) + 1) return true;
  ReportFailure(std::to_string(count) + " parameters expected");
  return false;
}

// ! offset horizontal-resolution vertical-resolution height quantity: only the height is
// read; the page takes it, is cleared, and the text state starts afresh. The printer dialect
// reads the offset too (dots added to every field's x) and starts the label in dots, left
// justified; magnification persists there until SETMAG changes it.
void TCPCLCmdThread::CMD_START() {
  Guarded("CMD_START:", [this] {
    if (!SplitParameters(5)) return;
    int32_t offset = 0;
    if (choices_.printer_units) {
      printer_.unit = 1.0;
      offset = CpclNumber(ParFields[1]);
    }
    int32_t height = choices_.printer_units ? CpclNumber(ParFields[4]) : StrToInt(ParFields[4]);
    {
      std::lock_guard<std::mutex> hold(PageImage->lock());
      PageImage->SetHeight(height);
      PageImage->Clear();
    }
    const TMAG mag = cpcl.mag;
    cpcl = TCPCL{};
    if (choices_.resident_fonts) cpcl.mag = mag;
    if (choices_.printer_units) {
      const std::string encoding = printer_.encoding;
      printer_ = TPrinterState{};
      printer_.offset = offset;
      printer_.encoding = encoding;
    }
  });
}

// PAGE-WIDTH width (or PW): spaces inside the number are ignored.
void TCPCLCmdThread::CMD_PAGEWIDTH() {
  Guarded("CMD_PAGEWIDTH:", [this] {
    if (!SplitParameters(1)) return;
    std::lock_guard<std::mutex> hold(PageImage->lock());
    std::string digits = ParFields[1];
    digits.erase(std::remove(digits.begin(), digits.end(), ' '), digits.end());
    PageImage->SetWidth(choices_.printer_units ? CpclNumber(digits) : StrToInt(digits));
    PageImage->Clear();
  });
}

// SETMAG w h: the width factor's low eight bits; of h only its first character, if a digit.
// The printer dialect reads both factors whole, 1 to 16 (0 restores 1).
void TCPCLCmdThread::CMD_SETMAG() {
  Guarded("CMD_SETMAG:", [this] {
    if (!SplitParameters(2)) return;
    if (choices_.resident_fonts) {
      auto factor = [](int32_t v) { return static_cast<uint8_t>(v <= 0 ? 1 : std::min(v, 16)); };
      const uint8_t x = factor(StrToInt(ParFields[1]));
      cpcl.mag.y = factor(StrToInt(RemoveTrailingSpaces(ParFields[2])));
      cpcl.mag.x = x;
      return;
    }
    cpcl.mag.x = static_cast<uint8_t>(StrToInt(ParFields[1]) & 0xFF);
    std::string h = RemoveTrailingSpaces(ParFields[2]);
    cpcl.mag.y = !h.empty() && h[0] >= '0' && h[0] <= '9' ? static_cast<uint8_t>(h[0] - '0') : 1;
  });
}

void TCPCLCmdThread::CMD_SETBOLD() {
  Guarded("CMD_SETBOLD:", [this] {
    if (!SplitParameters(1)) return;
    cpcl.blod = StrToInt(ParFields[1]);
  });
}

// The TEXT family: keyword font size x y text. The typeface and point size come from the
// font map section named by the font field; the size field is not read. The printer dialect
// sizes the text as the printer's resident font of that number (the typeface still from the
// font map), magnified by the size field and SETMAG.
void TCPCLCmdThread::CMD_TEXT() {
  Guarded("CMD_TEXT:", [this] {
    if (!SplitParameters(5)) return;
    if (choices_.resident_fonts) {
      CpclPrinterText();
      return;
    }
    TText_Struct item;
    item.font = ParFields[1];
    item.x = StrToInt(ParFields[3]);
    item.y = StrToInt(ParFields[4]);
    item.data = ParFields[5];
    auto ini = OpenIniFile(config_path_);
    item.size = ini->ReadInteger(item.font, "fontsize", 0);
    item.fontname = ini->ReadString(item.font, "font", "");
    if (item.size == 0) item.size = 11;
    if (item.fontname.empty()) item.fontname = "微软雅黑";
    const std::string& keyword = CmdFields[1];
    if (keyword == "VT" || keyword == "VTEXT" || keyword == "T90" || keyword == "TEXT90")
      item.rotation = 90;
    else if (keyword == "TEXT180" || keyword == "T180")
      item.rotation = 180;
    else if (keyword == "TEXT270" || keyword == "T270")
      item.rotation = 270;
    else
      item.rotation = 0;
    int64_t points = int64_t{cpcl.mag.x} * item.size;
    points = std::clamp<int64_t>(points, std::numeric_limits<int32_t>::min(),
                                 std::numeric_limits<int32_t>::max());
    std::lock_guard<std::mutex> hold(PageImage->lock());
    PageImage->canvas().font.bold = cpcl.blod > 0;
    DrawTransparentText(PageImage->canvas(), item.x, item.y, item.data, item.rotation, kBlack,
                        item.fontname, static_cast<int>(points));
  });
}

// LINE x0 y0 x1 y1 width: the pen is one dot wider than the width given. The printer dialect
// draws it as printers do: `width` dots thick below a horizontal line, right of a vertical one.
void TCPCLCmdThread::CMD_LINE() {
  Guarded("CMD_LINE:", [this] {
    if (!SplitParameters(5)) return;
    if (choices_.printer_lines) {
      std::array<int32_t, 5> v = CpclFive();
      std::lock_guard<std::mutex> hold(PageImage->lock());
      DrawPrinterLine(PageImage->canvas(), int64_t{v[0]} + printer_.offset, v[1],
                      int64_t{v[2]} + printer_.offset, v[3], v[4], kBlack);
      return;
    }
    int32_t x0 = StrToInt(ParFields[1]), y0 = StrToInt(ParFields[2]);
    int32_t x1 = StrToInt(ParFields[3]), y1 = StrToInt(ParFields[4]);
    int32_t width = StrToInt(ParFields[5]);
    int pen = width == std::numeric_limits<int32_t>::max() ? width : width + 1;
    std::lock_guard<std::mutex> hold(PageImage->lock());
    DrawLine(PageImage->canvas(), x0, y0, x1, y1, pen, kBlack);
  });
}

// BOX x0 y0 x1 y1 width: an outline with a pen of exactly the width given, not filled. The
// printer dialect keeps the outline inside the corners (both included).
void TCPCLCmdThread::CMD_BOX() {
  Guarded("CMD_BOX:", [this] {
    if (!SplitParameters(5)) return;
    if (choices_.printer_lines) {
      std::array<int32_t, 5> v = CpclFive();
      std::lock_guard<std::mutex> hold(PageImage->lock());
      DrawPrinterBox(PageImage->canvas(), int64_t{v[0]} + printer_.offset, v[1],
                     int64_t{v[2]} + printer_.offset, v[3], v[4]);
      return;
    }
    int32_t x0 = StrToInt(ParFields[1]), y0 = StrToInt(ParFields[2]);
    int32_t x1 = StrToInt(ParFields[3]), y1 = StrToInt(ParFields[4]);
    int32_t width = StrToInt(ParFields[5]);
    std::lock_guard<std::mutex> hold(PageImage->lock());
    DrawRectangleWithLineWidth(PageImage->canvas(), x0, y0, x1, y1, width, kBlack, kWhite);
  });
}

// FORM is accepted so that labels ending in FORM and PRINT work; PRINT alone prints.
void TCPCLCmdThread::CMD_FORM() {}

// PRINT: the page goes to the bound printer, the text state is reset and the interpreter
// pauses a second. Nothing happens without a bound printer.
void TCPCLCmdThread::CMD_PRINT() {
  Guarded("CMD_PRINT:", [this] {
    if (!PrintPage()) return;
    const TMAG mag = cpcl.mag;
    cpcl = TCPCL{};
    if (choices_.resident_fonts) cpcl.mag = mag;  // SETMAG survives PRINT on a printer
    clock_.sleep_ms(1000);
  });
}

}  // namespace velin
