// The CPCL bitmap commands: CG (COMPRESSED-GRAPHICS), whose raw bytes the handler takes from
// the FIFO, and EG (ET), whose bytes are hexadecimal text on the line. Neither decompresses:
// rows of `width` bytes, bit 7 leftmost, 1 black and 0 white.
#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/strings.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/drawing.h"

namespace velin {
namespace {

constexpr uint32_t kCgPollMs = 100;
constexpr int kCgEmptyPolls = 20;

// The part of a width × height bitmap at (x, y) that lands on a page of page_width ×
// page_height dots. A label may announce any size (up to 2^31 × 2^31 bytes): the bytes are
// numbered as the command delivers them, but only those whose dots fall on the page are kept,
// so memory never exceeds one byte per eight page dots (plus a partial byte at each side);
// every byte outside stays 0 and is drawn white, exactly as a full buffer would draw.
class PageWindow {
 public:
  PageWindow(int page_width, int page_height, int width, int height, int x, int y) : width_(width) {
    if (width <= 0 || height <= 0) return;
    // Rows i with 0 <= y + i < page_height; bytes j whose dots x + 8j .. x + 8j + 7 meet
    // 0 .. page_width - 1.
    row_first_ = std::max<int64_t>(0, -int64_t{y});
    row_end_ = std::clamp<int64_t>(int64_t{page_height} - y, 0, height);
    const int64_t left_of_page = -int64_t{x} - 7;  // bytes j >= this / 8 reach column 0
    col_first_ = left_of_page <= 0 ? 0 : (left_of_page + 7) / 8;
    col_end_ = std::clamp<int64_t>((int64_t{page_width} - x + 7) / 8, 0, width);
    if (row_first_ >= row_end_ || col_first_ >= col_end_) return;
    data_.assign(static_cast<size_t>((row_end_ - row_first_) * (col_end_ - col_first_)), 0);
    left_ = static_cast<int>(x + 8 * col_first_);
    top_ = static_cast<int>(y + row_first_);
  }

  // Byte number n of the bitmap (0-based, row after row).
  void Put(int64_t n, uint8_t b) {
    if (data_.empty()) return;
    int64_t row = n / width_, col = n % width_;
    if (row < row_first_ || row >= row_end_ || col < col_first_ || col >= col_end_) return;
    data_[static_cast<size_t>((row - row_first_) * (col_end_ - col_first_) + col - col_first_)] = b;
  }

  // Draws the kept part; the caller holds the page lock.
  void Draw(Canvas& canvas) const {
    if (data_.empty()) return;
    DrawBitmapData(canvas, data_, static_cast<int>(col_end_ - col_first_),
                   static_cast<int>(row_end_ - row_first_), left_, top_);
  }

 private:
  int64_t width_;
  int64_t row_first_ = 0, row_end_ = 0, col_first_ = 0, col_end_ = 0;
  int left_ = 0, top_ = 0;
  std::vector<uint8_t> data_;
};

}  // namespace

// CG width height x y, each followed by one space; the framing hands the header on at the
// fifth space, and width × height bitmap bytes follow in the FIFO. Line feeds before the
// first data byte are skipped. The handler takes bytes until width × height have arrived or
// 20 polls found the FIFO empty; the bitmap is then drawn with what arrived, the rest white.
// While the thread is paused the handler takes nothing and the wait is no empty poll: the
// bitmap goes on where it stopped once the pause ends (a termination during it abandons it).
// Sizes beyond the page are taken in full and kept only where they land (PageWindow). A
// negative width or height reads and draws nothing.
void TCPCLCmdThread::CMD_CG() {
  Guarded("CMD_CG:", [this] {
    if (!SplitParameters(4)) return;
    std::string last = ParFields[4];
    last.erase(std::remove(last.begin(), last.end(), ' '), last.end());
    int32_t width = StrToInt(ParFields[1]);
    int32_t height = StrToInt(ParFields[2]);
    int32_t x = StrToInt(ParFields[3]);
    int32_t y = StrToInt(last);
    if (choices_.printer_units) x = ShiftedByOffset(x);
    if (width < 0 || height < 0) return;
    const int64_t total = int64_t{width} * height;
    PageWindow bitmap(PageImage->Width(), PageImage->Height(), width, height, x, y);
    clock_.sleep_ms(kCgPollMs);
    int empty_polls = 0;
    for (int64_t stored = 0; stored < total && empty_polls < kCgEmptyPolls;) {
      if (!AwaitResume(kCgPollMs)) return;
      uint8_t b;
      if (!USBFiFo->GetChar(b)) {
        clock_.sleep_ms(kCgPollMs);
        ++empty_polls;
        continue;
      }
      if (stored == 0 && b == 0x0A) continue;
      bitmap.Put(stored++, b);
    }
    std::lock_guard<std::mutex> hold(PageImage->lock());
    bitmap.Draw(PageImage->canvas());
  });
}

// EG width height x y hex (or ET): two hexadecimal digits per byte, a last single digit
// ignored; anything else in a pair fails the command. Bytes the data lacks are drawn white.
void TCPCLCmdThread::CMD_EG() {
  Guarded("CMD_EG:", [this] {
    if (!SplitParameters(5)) return;
    int32_t width = StrToInt(ParFields[1]);
    int32_t height = StrToInt(ParFields[2]);
    int32_t x = StrToInt(ParFields[3]);
    int32_t y = StrToInt(ParFields[4]);
    if (choices_.printer_units) x = ShiftedByOffset(x);
    const std::string& hex = ParFields[5];
    std::vector<uint8_t> bytes(hex.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
      int high = HexDigit(hex[2 * i]), low = HexDigit(hex[2 * i + 1]);
      if (high < 0 || low < 0)
        throw EConvertError("'" + hex.substr(2 * i, 2) + "' is not a valid hexadecimal byte");
      bytes[i] = static_cast<uint8_t>(high << 4 | low);
    }
    if (width <= 0 || height <= 0) return;
    PageWindow bitmap(PageImage->Width(), PageImage->Height(), width, height, x, y);
    const int64_t total = std::min<int64_t>(int64_t{width} * height, bytes.size());
    for (int64_t n = 0; n < total; ++n) bitmap.Put(n, bytes[static_cast<size_t>(n)]);
    std::lock_guard<std::mutex> hold(PageImage->lock());
    bitmap.Draw(PageImage->canvas());
  });
}

}  // namespace velin
