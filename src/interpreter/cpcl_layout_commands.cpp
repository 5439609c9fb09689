// The CPCL commands only the printer dialect knows (justification, character spacing,
// underline, inverse lines, units, the barcode text line, the text encoding and the settings
// that draw nothing), and what the dialect's handlers share: numbers in the unit in force,
// the header offset and justification, and text in resident font sizes.
#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <string>

#include "base/regex.h"
#include "base/strings.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/printer_drawing.h"
#include "interpreter/printer_text.h"

namespace velin {
namespace {

// Dots per unit at 203 dpi (8 dots per millimetre).
constexpr double kDotsPerMm = 8.0;

// A number's largest magnitude in dots; beyond it the field is refused as no page could hold it.
constexpr double kMaxDots = 1 << 30;

}  // namespace

int32_t TCPCLCmdThread::CpclNumber(const std::string& text) const {
  if (!choices_.printer_units) return StrToInt(text);
  int32_t whole = 0;
  double value = 0;
  if (TryStrToInt(text, whole))
    value = whole;
  else if (!ReadDecimalNumber(text, value))
    throw EConvertError("'" + text + "' is not a valid number");
  const double dots = std::round(value * printer_.unit);
  if (!(std::fabs(dots) <= kMaxDots)) throw EConvertError("'" + text + "' is out of range");
  return static_cast<int32_t>(dots);
}

std::array<int32_t, 5> TCPCLCmdThread::CpclFive() const {
  std::array<int32_t, 5> v{};
  for (size_t i = 0; i < v.size(); ++i) v[i] = CpclNumber(ParFields[i + 1]);
  return v;
}

int32_t TCPCLCmdThread::ShiftedByOffset(int32_t x) const {
  return static_cast<int32_t>(
      std::clamp<int64_t>(int64_t{x} + printer_.offset, INT32_MIN, INT32_MAX));
}

// Within [x, end] (the end CENTER or RIGHT gave, else the page's right edge), the field is
// set centred or to the right; a field longer than the room starts at x.
int32_t TCPCLCmdThread::JustifiedX(int32_t x, int64_t length) const {
  const int64_t left = int64_t{x} + printer_.offset;
  if (!choices_.justification || printer_.justify == 0)
    return static_cast<int32_t>(std::clamp<int64_t>(left, INT32_MIN, INT32_MAX));
  const int64_t end = printer_.justify_end >= 0 ? int64_t{printer_.justify_end} + printer_.offset
                                                : PageImage->Width();
  const int64_t room = end - left - length;
  const int64_t shift = std::max<int64_t>(0, printer_.justify == 1 ? room / 2 : room);
  return static_cast<int32_t>(std::clamp<int64_t>(left + shift, INT32_MIN, INT32_MAX));
}

// A vertical field runs upward from y: within [end, y] (the end given, else the top).
int32_t TCPCLCmdThread::JustifiedY(int32_t y, int64_t length) const {
  if (!choices_.justification || printer_.justify == 0) return y;
  const int64_t end = std::max<int32_t>(printer_.justify_end, 0);
  const int64_t room = int64_t{y} - end - length;
  const int64_t shift = std::max<int64_t>(0, printer_.justify == 1 ? room / 2 : room);
  return static_cast<int32_t>(std::clamp<int64_t>(y - shift, INT32_MIN, INT32_MAX));
}

std::string TCPCLCmdThread::FontMapTypeface(const std::string& font) const {
  std::string name = OpenIniFile(config_path_)->ReadString(font, "font", "");
  return name.empty() ? "微软雅黑" : name;
}

// The TEXT family in the printer dialect: ParFields holds font, size, x, y and the text. The
// size field magnifies as Chinese printers read it: its units digit adds to the height factor,
// its tens digit to the width factor (11: twice both); SETMAG multiplies on top.
void TCPCLCmdThread::CpclPrinterText() {
  const std::string& font = ParFields[1];
  const int32_t size = StrToInt(ParFields[2]);
  if (size < 0) throw EConvertError("'" + ParFields[2] + "' is not a valid font size");
  int32_t x = CpclNumber(ParFields[3]);
  int32_t y = CpclNumber(ParFields[4]);
  const std::string& data = ParFields[5];
  const std::string& keyword = CmdFields[1];
  int rotation = 0;
  if (keyword == "VT" || keyword == "VTEXT" || keyword == "T90" || keyword == "TEXT90")
    rotation = 90;
  else if (keyword == "TEXT180" || keyword == "T180")
    rotation = 180;
  else if (keyword == "TEXT270" || keyword == "T270")
    rotation = 270;
  ResidentText how;
  how.font = CpclResidentFont(font);
  how.mag_x = std::max(1, int{cpcl.mag.x}) * (1 + size / 10 % 10);
  how.mag_y = std::max(1, int{cpcl.mag.y}) * (1 + size % 10);
  how.spacing = printer_.spacing;
  how.bold = cpcl.blod > 0;
  how.underline = printer_.underline;
  how.typeface = FontMapTypeface(font);
  const Size extent = MeasureResidentText(*text_renderer_, data, how);
  if (rotation == 0) {
    x = JustifiedX(x, extent.width);
  } else {
    if (rotation == 90) y = JustifiedY(y, extent.width);
    x = ShiftedByOffset(x);
  }
  std::lock_guard<std::mutex> hold(PageImage->lock());
  DrawResidentText(PageImage->bitmap(), *text_renderer_, x, y, data, how, rotation);
}

// CENTER [end], LEFT, RIGHT [end]: the justification of every later field until another.
void TCPCLCmdThread::CMD_JUSTIFY() {
  Guarded("CMD_JUSTIFY:", [this] {
    const std::string& keyword = CmdFields[1];
    printer_.justify = keyword == "CENTER" ? 1 : keyword == "RIGHT" ? 2 : 0;
    printer_.justify_end = -1;
    if (printer_.justify != 0 && CmdFields.Count() == 3) {
      const std::string end = std::string(TrimBlanks(CmdFields[2]));
      if (!end.empty()) printer_.justify_end = std::max(0, CpclNumber(end));
    }
  });
}

// SETSP n: n units of extra space after every character of later texts.
void TCPCLCmdThread::CMD_SETSP() {
  Guarded("CMD_SETSP:", [this] {
    if (!SplitParameters(1)) return;
    printer_.spacing = std::clamp(CpclNumber(RemoveTrailingSpaces(ParFields[1])), 0, 1000);
  });
}

// UNDERLINE ON | OFF.
void TCPCLCmdThread::CMD_UNDERLINE() {
  Guarded("CMD_UNDERLINE:", [this] {
    if (!SplitParameters(1)) return;
    const std::string_view value = TrimBlanks(ParFields[1]);
    if (EqualsIgnoreAsciiCase(value, "ON"))
      printer_.underline = true;
    else if (EqualsIgnoreAsciiCase(value, "OFF"))
      printer_.underline = false;
    else
      throw EConvertError("'" + ParFields[1] + "' is neither ON nor OFF");
  });
}

// INVERSE-LINE x0 y0 x1 y1 width (IL): black and white swap where a LINE would paint.
void TCPCLCmdThread::CMD_INVERSE_LINE() {
  Guarded("CMD_INVERSE_LINE:", [this] {
    if (!SplitParameters(5)) return;
    std::array<int32_t, 5> v = CpclFive();
    std::lock_guard<std::mutex> hold(PageImage->lock());
    InvertPrinterLine(PageImage->canvas(), int64_t{v[0]} + printer_.offset, v[1],
                      int64_t{v[2]} + printer_.offset, v[3], v[4]);
  });
}

// IN-DOTS, IN-MILLIMETERS, IN-CENTIMETERS, IN-INCHES: the unit of later numbers.
void TCPCLCmdThread::CMD_UNITS() {
  const std::string& keyword = CmdFields[1];
  printer_.unit = keyword == "IN-MILLIMETERS"   ? kDotsPerMm
                  : keyword == "IN-CENTIMETERS" ? 10 * kDotsPerMm
                  : keyword == "IN-INCHES"      ? 25.4 * kDotsPerMm
                                                : 1.0;
}

// BARCODE-TEXT font size offset (BT), or BARCODE-TEXT OFF: the data of later linear
// barcodes printed under their bars, `offset` units below them.
void TCPCLCmdThread::CMD_BARCODE_TEXT() {
  Guarded("CMD_BARCODE_TEXT:", [this] {
    if (CmdFields.Count() < 3) {
      printer_.barcode_text = true;
      return;
    }
    if (EqualsIgnoreAsciiCase(TrimBlanks(CmdFields[2]), "OFF")) {
      printer_.barcode_text = false;
      return;
    }
    if (!SplitParameters(3)) return;
    const int32_t size = StrToInt(ParFields[2]);
    const int32_t offset = CpclNumber(RemoveTrailingSpaces(ParFields[3]));
    printer_.bt_font = ParFields[1];
    printer_.bt_size = std::clamp(size, 0, 99);
    printer_.bt_offset = std::clamp(offset, 0, 999 * 8);
    printer_.barcode_text = true;
  });
}

// ENCODING UTF-8 | GB18030 | ASCII (and GBK, ...): how the following lines are decoded.
void TCPCLCmdThread::CMD_ENCODING() {
  Guarded("CMD_ENCODING:", [this] {
    if (!SplitParameters(1)) return;
    const std::string_view name = TrimBlanks(ParFields[1]);
    printer_.encoding = LineEncodingNamed(name);
  });
}

// Settings of the printer's mechanics and sensors (CONTRAST, TONE, SPEED, JOURNAL, BEEP, ...):
// nothing to draw.
void TCPCLCmdThread::CMD_SETTING() {}

}  // namespace velin
