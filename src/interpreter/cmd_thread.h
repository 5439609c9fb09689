// TCPCLCmdThread: the interpreter. One worker thread that owns the receive FIFO and the page,
// takes the receiver's bytes one at a time and either gathers them into a raw print job
// (pass-through) or frames them into command lines and dispatches each line to its handler.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "base/clock.h"
#include "base/text_renderer.h"
#include "base/ui_dispatcher.h"
#include "config/ini_file.h"
#include "interpreter/dialect.h"
#include "interpreter/label_report.h"
#include "interpreter/page_image.h"
#include "interpreter/parsing.h"
#include "interpreter/printer_system.h"
#include "interpreter/printing.h"
#include "usb/usb_fifo.h"

namespace velin {

// The window messages that carry the interpreter's records (WM_USER + 1001 and + 1002).
inline constexpr unsigned WM_THREADDATA = 2025;
inline constexpr unsigned WM_DEBUG_DATA = 2026;

// Progress record for the main window, posted as WM_THREADDATA every 500 ms.
struct TThreadData {
  int Progress = 0;  // 0, 10, ..., 90, 0, ...
  bool USBState = false;
  std::string StatusMessage;
};

// One line of the debug window's command log, posted as WM_DEBUG_DATA.
struct TDebugData {
  int Level = 0;
  std::string MsgStr;
  std::string MsgData;
};

// Transfer modes, the values of [system] transfer_mode.
enum TransferMode : int32_t { kPassThrough = 0, kCpcl = 1, kTspl = 2 };

struct TMAG {
  uint8_t x = 1;  // width magnification: multiplies the point size of CPCL text
  uint8_t y = 1;  // height magnification: stored, not used for drawing
};

// CPCL text state.
struct TCPCL {
  TMAG mag;
  int32_t blod = 0;  // text is bold while > 0
};

// The parameters of one CPCL text, linear barcode or QR command, gathered before drawing.
struct TText_Struct {
  std::string font;      // the font field as written: also the font map's section name
  std::string fontname;  // typeface
  int32_t size = 0;      // points before magnification
  int32_t rotation = 0;  // degrees counter-clockwise: 0, 90, 180 or 270
  int32_t x = 0;
  int32_t y = 0;
  std::string data;
};

struct TBarcode_Struct {
  std::string btype;
  int32_t width = 0;
  int32_t ratio = 0;
  int32_t height = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t rotation = 0;
  std::string data;
};

struct TQRCode_Struct {
  int32_t x = 0;
  int32_t y = 0;
  int32_t Mn = 0;
  int32_t Un = 0;
  std::string data;
};

// What the printer dialect keeps from command to command beyond the text state.
struct TPrinterState {
  int32_t offset = 0;        // CPCL header offset: dots added to every field's x
  double unit = 1.0;         // dots per unit of the IN-... command in force
  int justify = 0;           // CPCL: 0 left, 1 centre, 2 right
  int32_t justify_end = -1;  // the end CENTER or RIGHT gave, in dots; -1: none given
  int32_t spacing = 0;       // SETSP: dots between characters
  bool underline = false;
  bool barcode_text = false;  // BARCODE-TEXT on: the data under later linear barcodes
  std::string bt_font = "7";
  int32_t bt_size = 0;
  int32_t bt_offset = 5;  // dots between the bars and the text
  std::string encoding;   // how lines are decoded: "" the ANSI code page, "UTF-8", "GB18030"
  int32_t ref_x = 0;      // TSPL REFERENCE
  int32_t ref_y = 0;
  bool mirror = false;  // TSPL DIRECTION n,1
};

// What the interpreter needs of the world around it.
struct InterpreterServices {
  Clock* clock = &RealClock();
  // Carries the posted records to the windows; required.
  UiDispatcher* ui = nullptr;
  // Where labels and raw jobs go; without one, nothing is printed.
  PrinterSystem* printers = nullptr;
  TextRenderer* text = nullptr;  // the platform's renderer when null
  std::string config_path;       // config.ini; ConfigPath() when empty
  // When set, the printer labels and raw jobs go to instead of [system] printer (the
  // command-line tool binds its PNG sink this way).
  std::optional<std::string> bound_printer;
  // A blocking message box on behalf of the interpreter (the raw job's "error NNNN").
  std::function<void(const std::string& text)> message_box;
  // The window procedures the posted records reach, run by `ui` on its thread.
  std::function<void(const TThreadData&)> main_window;  // WM_THREADDATA
  std::function<void(const TDebugData&)> debug_window;  // WM_DEBUG_DATA
  // Observers for tools and tests, called on the interpreter thread.
  std::function<void(const char* handler)> on_handler_call;
  std::function<void(const std::string& line)> on_command;  // every line ExecuteCommand gets
  // After every print call: each label a print command sends to a printer (not when no
  // printer is bound) and each raw job, with its outcome. A raw job fails only when its
  // printer cannot be opened (after the message box is closed); what the printer makes of the
  // bytes is not known. Must not throw.
  std::function<void(const PrintReport&)> on_print;
};

class TCPCLCmdThread {
 public:
  static constexpr int32_t MaxByteBuf = 8388608;  // longest command line, bytes
  // A pass-through burst that reaches this size is sent as one job and gathering goes on, so
  // a sender that never pauses cannot exhaust memory.
  static constexpr size_t kMaxTranMemory = size_t{64} << 20;
  static constexpr const char* kStatusMessage = "Thread is processing";
  static constexpr const char* kStopLine = "TCPCLCmdThread stoped";

  // Runs on the user-interface thread: creates the FIFO around `port` (created on this thread
  // too) and `search`, and reads the transfer mode and [system] label_dialect from the
  // configuration (the only time they are read). Not started. `page_max_pixels` is the page
  // bitmap's pixel budget (see PageImage): a label asking for a larger page fails as an
  // allocation would. The program keeps the default; fuzzing and tests pass a small one.
  TCPCLCmdThread(InterpreterServices services, std::unique_ptr<UsbPort> port,
                 std::unique_ptr<DeviceSearch> search,
                 int64_t page_max_pixels = PageImage::kDefaultMaxPixels);
  // The owner that created it (the program's main window, on the user-interface thread)
  // destroys it on that same thread; on any other the process aborts with a message. Order:
  // terminate the worker, close the port (which ends a write the worker may be blocked in),
  // join the worker, then free the FIFO and its port here.
  ~TCPCLCmdThread();
  TCPCLCmdThread(const TCPCLCmdThread&) = delete;
  TCPCLCmdThread& operator=(const TCPCLCmdThread&) = delete;

  // Starts Execute on a thread of its own.
  void Start();
  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }

  // The run method: Begin, Step until terminated, Finish.
  void Execute();
  void Begin();
  // One pass of the loop. Returns true if it took a byte from the FIFO.
  bool Step();
  void Finish();
  // Steps until a pass takes nothing (the FIFO is empty, or the thread is paused or has no
  // mode to serve) and no pass-through job is waiting to be sent (or the thread is paused):
  // how tests run a stream to its end on the virtual clock.
  void RunUntilIdle();

  bool ExecuteCommand(const std::string& cmd);
  // Replays a file through the FIFO as if the receiver had sent it. False if unreadable.
  bool TestData(const std::string& filename);

  // Properties.
  bool BTCmd() const { return FBTCmd.load(); }
  void SetBTCmd(bool paused) { FBTCmd.store(paused); }
  int32_t CmdMode() const { return FCmdMode.load(); }
  // May be called from any thread; the running thread uses the new mode from its next pass.
  void SetCmdMode(int32_t mode) { FCmdMode.store(mode); }
  bool Debug() const { return FDebug; }
  LabelDialect Dialect() const { return dialect_; }
  void SetDialect(LabelDialect dialect);
  // What the lines since the last Reset used that was ignored or failed. Filled on the
  // interpreter thread: read and reset it there, for instance from InterpreterServices::
  // on_print (called on that thread after each print call) to report each label on its own.
  LabelReport& report() { return report_; }

  TUSBFiFo& fifo() { return *USBFiFo; }
  const TCPCL& text_state() const { return cpcl; }
  size_t pending_raw_bytes() const { return TranMemory.size(); }
  const TStringList& cmd_fields() const { return CmdFields; }
  // The page bitmap (the field PageImage), with its canvas and lock.
  velin::PageImage& page() { return *PageImage; }

 private:
  using Handler = void (TCPCLCmdThread::*)();
  struct KeywordEntry {
    const char* keyword;
    Handler handler;
    const char* name;
    bool printer_only = false;  // a keyword only the printer dialect knows
  };
  static const KeywordEntry kCpclTable[];
  static const KeywordEntry kTsplTable[];

  // Every 500 ms (also while paused): the progress report, and the end of an episode of
  // bytes dropped by a full FIFO.
  void ReportIfDue();
  void ReportProgress();
  // Logs (in debug mode) one line per episode of dropped bytes, with its count, once a
  // report finds that no more were dropped since the previous one, or at the end (`final`).
  void ReportDroppedBytes(bool final);
  // For the handlers that take bytes from the FIFO themselves: returns at once unless paused;
  // while paused takes nothing and sleeps `poll_ms` at a time (still reporting). False if the
  // thread was terminated during the pause: the handler then gives up.
  bool AwaitResume(uint32_t poll_ms);
  void FrameByte(uint8_t b);
  void AnswerControlByte(uint8_t b);
  void Reply(std::initializer_list<uint8_t> bytes);
  void DispatchLine(bool log);
  void ClearLine();
  void FlushPassThrough();
  void PostDebugLine(const std::string& line);
  void WriteRawStringToPrinter(const std::string& printer, const std::string& bytes);
  void Dispatch(const KeywordEntry* table, size_t count);
  // Runs a handler's body; a failure ends it and, in debug mode, logs `prefix` followed by
  // the failure's message.
  void Guarded(const char* prefix, const std::function<void()>& body);
  // Splits CmdFields[2] into `count` parameters; false unless the split gives count + 1 (and
  // then the report counts the handler as failed).
  bool SplitParameters(int count);
  // Splits CmdFields[2] at commas; false unless it gives `count` items (then counted failed).
  bool SplitItems(size_t count);
  // As SplitItems, for commands whose last items are optional.
  bool SplitItemsBetween(size_t least, size_t most);
  // A TSPL handler body: a failure ends the line without a word in the log, but is counted.
  void Quietly(const std::function<void()>& body);
  // Counts the running handler as failed.
  void ReportFailure(const std::string& reason);
  // The text of a line's bytes in the encoding in force.
  std::string DecodeLine(const std::string& bytes) const;
  // Text back to the bytes it was received as (what symbols carry).
  std::string EncodeLine(const std::string& text) const;
  // A CPCL coordinate or length: an integer, or in the printer dialect a decimal number, in
  // the unit in force, rounded to dots.
  int32_t CpclNumber(const std::string& text) const;
  // The CPCL x of a field `length` dots long: the header offset and the justification in
  // force applied. JustifiedY: the y of a vertical field, which runs upward from y.
  int32_t JustifiedX(int32_t x, int64_t length) const;
  int32_t JustifiedY(int32_t y, int64_t length) const;
  // x plus the header offset (printer dialect), kept within int32.
  int32_t ShiftedByOffset(int32_t x) const;
  // The bound printer's name: the override, else [system] printer read now.
  std::string BoundPrinter();
  // Prints the page on the bound printer: false if none is bound. The page is copied under
  // its lock and the copy printed without it, so drawing and the preview go on while the job
  // is submitted, and the job prints the page as it was. Failures throw after on_print.
  bool PrintPage();
  void ReportPrint(const PrintReport& report);

  // CPCL handlers.
  void CMD_START();
  void CMD_TEXT();
  void CMD_LINE();
  void CMD_BOX();
  void CMD_SETMAG();
  void CMD_SETBOLD();
  void CMD_PAGEWIDTH();
  void CMD_BARCODE();
  void CMD_CG();
  void CMD_EG();
  void CMD_FORM();
  void CMD_PRINT();
  // CPCL handlers of the printer dialect.
  void CMD_JUSTIFY();
  void CMD_SETSP();
  void CMD_UNDERLINE();
  void CMD_INVERSE_LINE();
  void CMD_UNITS();
  void CMD_BARCODE_TEXT();
  void CMD_ENCODING();
  void CMD_SETTING();
  // TSPL handlers.
  void CMD_TSPL_SIZE();
  void CMD_TSPL_CLS();
  void CMD_TSPL_TEXT();
  void CMD_TSPL_PRINT();
  void CMD_TSPL_BAR();
  void CMD_TSPL_BARCODE();
  void CMD_TSPL_QRCODE();
  // TSPL handlers of the printer dialect.
  void CMD_TSPL_BOX();
  void CMD_TSPL_REVERSE();
  void CMD_TSPL_ERASE();
  void CMD_TSPL_BITMAP();
  void CMD_TSPL_DIRECTION();
  void CMD_TSPL_REFERENCE();
  void CMD_TSPL_CODEPAGE();
  void CMD_TSPL_SETTING();
  // A TSPL number: an integer; in the printer dialect also a decimal, rounded. TsplX and
  // TsplY add the REFERENCE origin (printer dialect).
  int32_t TsplNumber(const std::string& text) const;
  int32_t TsplX(const std::string& text) const;
  int32_t TsplY(const std::string& text) const;
  // The printer dialect's TSPL TEXT, BARCODE and QRCODE (ParFields split).
  void TsplPrinterText();
  void TsplPrinterBarcode();
  void TsplPrinterQr();
  // The printer dialect's CPCL text (ParFields split for the TEXT family), QR block and
  // linear barcode.
  void CpclPrinterText();
  void CpclPrinterQr();
  void CpclPrinterBarcode();
  // ParFields[1..5] as CpclNumber reads them.
  std::array<int32_t, 5> CpclFive() const;
  // The typeface the font map gives a CPCL font code ("微软雅黑" when none).
  std::string FontMapTypeface(const std::string& font) const;

  InterpreterServices services_;
  Clock& clock_;
  TextRenderer* text_renderer_;
  std::string config_path_;

  std::string ByteBuf;  // the line being assembled; never longer than MaxByteBuf
  bool FDebug = false;
  std::atomic<bool> FBTCmd{false};
  std::atomic<int32_t> FCmdMode{kCpcl};
  TStringList CmdFields;
  TStringList ParFields;
  std::string TranMemory;
  TCPCL cpcl;
  LabelDialect dialect_ = LabelDialect::kDefault;
  DialectChoices choices_;
  TPrinterState printer_;
  LabelReport report_;
  const char* current_handler_ = "";
  std::unique_ptr<velin::PageImage> PageImage;
  PrinterSelection printer_selection_;  // the graphic jobs' printer choice, kept for the run
  std::unique_ptr<TUSBFiFo> USBFiFo;

  // Locals of Execute, kept here so that Step can be called on its own.
  std::unique_ptr<IniFile> ini_;
  uint32_t last_report_ = 0;
  int progress_ = 0;
  uint32_t last_byte_ = 0;
  int cut_target_ = 0;
  int space_count_ = 0;
  bool discarding_ = false;  // an over-long line is being skipped up to its CR or LF
  int comma_count_ = 0;      // commas of a TSPL BITMAP header, counted from its keyword
  size_t dropped_seen_ = 0;  // the FIFO's drop count at the last report
  size_t drop_episode_ = 0;  // bytes dropped in the episode not yet logged

  std::atomic<bool> terminated_{false};
  const std::thread::id owner_thread_ = std::this_thread::get_id();
  std::thread thread_;
};

}  // namespace velin
