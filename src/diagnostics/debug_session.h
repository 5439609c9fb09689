// What the debug window "调试模式" decides: the log, debug mode on and off, saving the capture,
// and the page preview's geometry and picture. Debug mode and the capture belong to the
// receive FIFO; this class only switches them, so a capture outlives the window and can be
// saved from a later opening until debug mode is started again.
// User-interface thread (the FIFO's capture is filled there too, so saving never overlaps it).
#pragma once

#include <optional>
#include <string>

#include "base/bitmap.h"
#include "diagnostics/command_log.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/page_image.h"
#include "usb/usb_fifo.h"

namespace velin::diagnostics {

// The file-save dialog of "保存数据".
struct SaveDialogOptions {
  std::string filter_name = "数据文件";  // the filter "数据文件|*.bin"
  std::string filter_pattern = "*.bin";
  std::string default_extension = "bin";  // added to a name typed without one
  std::string file_name = "Data.bin";     // proposed
};

// The seam to the platform's file-save dialog. Contract: user-interface thread; modal; returns
// the chosen path (UTF-8), or nothing when the user cancelled. Does not throw.
class FileSaveDialog {
 public:
  virtual ~FileSaveDialog() = default;
  virtual std::optional<std::string> Ask(const SaveDialogOptions& options) = 0;
};

class DebugSession {
 public:
  explicit DebugSession(TUSBFiFo& fifo) : fifo_(fifo) {}

  CommandLog& log() { return log_; }
  bool debug() const { return fifo_.debug(); }

  // "开启调试": empties the log, then the FIFO empties its capture and turns debug mode on.
  void Start();
  // "停止调试", and the window closing: debug mode off; the capture stays.
  void Stop();
  // WM_DEBUG_DATA: the record's line into the log (the caller releases the record).
  void Received(const TDebugData& record) { log_.Append(record.MsgStr); }

  struct SaveResult {
    enum Kind { kCancelled, kSaved, kFailed } kind = kCancelled;
    std::string path;   // the chosen file
    std::string error;  // kFailed: what the program's error box says
  };
  // "保存数据": asks `dialog`; on a choice writes the capture byte for byte (created or
  // overwritten) and empties it. A file that cannot be written keeps the capture.
  SaveResult Save(FileSaveDialog& dialog);

 private:
  TUSBFiFo& fifo_;
  CommandLog log_;
};

// The preview window "Timage_view" for a page of `page_width` × `page_height` dots: the
// window's outer size is the page's (it has no frame); the picture sits below the title bar,
// as wide as the page and the title bar's height less tall, so the page shows slightly
// compressed vertically.
struct PreviewGeometry {
  static constexpr int kTitleBarHeight = 34;
  // The smallest window that still shows its title bar and close button (an empty page).
  static constexpr int kMinWidth = 80;
  int window_width = 0;
  int window_height = 0;
  int image_x = 0;
  int image_y = 0;
  int image_width = 0;
  int image_height = 0;
};
PreviewGeometry PreviewLayout(int page_width, int page_height);

// The whole page bitmap stretched into `width` × `height` (each dot shows the page dot under
// its centre), read under the page's canvas lock so that the interpreter thread cannot draw or
// resize meanwhile. Empty when either size is 0 or less.
Bitmap32 PreviewImage(PageImage& page, int width, int height);

}  // namespace velin::diagnostics
