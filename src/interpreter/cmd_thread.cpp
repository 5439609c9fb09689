#include "interpreter/cmd_thread.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ansi_codec.h"
#include "base/gb18030.h"

namespace velin {

namespace {

// For each keyword of a table, the positions of its entries, in table order (a line runs every
// entry for its keyword), so a line finds its handlers without comparing against every entry.
class KeywordIndex {
 public:
  template <typename Entry>
  KeywordIndex(const Entry* table, size_t count) {
    for (size_t i = 0; i < count; ++i) entries_[table[i].keyword].push_back(i);
  }
  const std::vector<size_t>* Find(std::string_view keyword) const {
    auto it = entries_.find(keyword);
    return it == entries_.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<std::string_view, std::vector<size_t>> entries_;
};

}  // namespace

// Keyword tables, in the order of the tests.
const TCPCLCmdThread::KeywordEntry TCPCLCmdThread::kCpclTable[] = {
    {"!", &TCPCLCmdThread::CMD_START, "CMD_START"},
    {"T", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"TEXT", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"VT", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"VTEXT", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"TEXT90", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"T90", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"TEXT180", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"T180", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"TEXT270", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"T270", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"SETBOXT", &TCPCLCmdThread::CMD_TEXT, "CMD_TEXT"},
    {"LINE", &TCPCLCmdThread::CMD_LINE, "CMD_LINE"},
    {"LINLINE", &TCPCLCmdThread::CMD_LINE, "CMD_LINE"},
    {"LF", &TCPCLCmdThread::CMD_LINE, "CMD_LINE"},
    {"BOX", &TCPCLCmdThread::CMD_BOX, "CMD_BOX"},
    {"SETMAG", &TCPCLCmdThread::CMD_SETMAG, "CMD_SETMAG"},
    {"SETBOLD", &TCPCLCmdThread::CMD_SETBOLD, "CMD_SETBOLD"},
    {"PAGE-WIDTH", &TCPCLCmdThread::CMD_PAGEWIDTH, "CMD_PAGEWIDTH"},
    {"PW", &TCPCLCmdThread::CMD_PAGEWIDTH, "CMD_PAGEWIDTH"},
    {"B", &TCPCLCmdThread::CMD_BARCODE, "CMD_BARCODE"},
    {"BARCODE", &TCPCLCmdThread::CMD_BARCODE, "CMD_BARCODE"},
    {"VB", &TCPCLCmdThread::CMD_BARCODE, "CMD_BARCODE"},
    {"VBARCODE", &TCPCLCmdThread::CMD_BARCODE, "CMD_BARCODE"},
    {"CG", &TCPCLCmdThread::CMD_CG, "CMD_CG"},
    {"COMPRESSED-GRAPHICS", &TCPCLCmdThread::CMD_CG, "CMD_CG"},
    {"EG", &TCPCLCmdThread::CMD_EG, "CMD_EG"},
    {"ET", &TCPCLCmdThread::CMD_EG, "CMD_EG"},
    {"FORM", &TCPCLCmdThread::CMD_FORM, "CMD_FORM"},
    {"PRINT", &TCPCLCmdThread::CMD_PRINT, "CMD_PRINT"},
    // The printer dialect's commands.
    {"L", &TCPCLCmdThread::CMD_LINE, "CMD_LINE", true},
    {"CENTER", &TCPCLCmdThread::CMD_JUSTIFY, "CMD_JUSTIFY", true},
    {"LEFT", &TCPCLCmdThread::CMD_JUSTIFY, "CMD_JUSTIFY", true},
    {"RIGHT", &TCPCLCmdThread::CMD_JUSTIFY, "CMD_JUSTIFY", true},
    {"SETSP", &TCPCLCmdThread::CMD_SETSP, "CMD_SETSP", true},
    {"UNDERLINE", &TCPCLCmdThread::CMD_UNDERLINE, "CMD_UNDERLINE", true},
    {"INVERSE-LINE", &TCPCLCmdThread::CMD_INVERSE_LINE, "CMD_INVERSE_LINE", true},
    {"IL", &TCPCLCmdThread::CMD_INVERSE_LINE, "CMD_INVERSE_LINE", true},
    {"IN-DOTS", &TCPCLCmdThread::CMD_UNITS, "CMD_UNITS", true},
    {"IN-MILLIMETERS", &TCPCLCmdThread::CMD_UNITS, "CMD_UNITS", true},
    {"IN-CENTIMETERS", &TCPCLCmdThread::CMD_UNITS, "CMD_UNITS", true},
    {"IN-INCHES", &TCPCLCmdThread::CMD_UNITS, "CMD_UNITS", true},
    {"BARCODE-TEXT", &TCPCLCmdThread::CMD_BARCODE_TEXT, "CMD_BARCODE_TEXT", true},
    {"BT", &TCPCLCmdThread::CMD_BARCODE_TEXT, "CMD_BARCODE_TEXT", true},
    {"ENCODING", &TCPCLCmdThread::CMD_ENCODING, "CMD_ENCODING", true},
    {"CONTRAST", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"TONE", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"SPEED", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"JOURNAL", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"LABEL", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"GAP-SENSE", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"BAR-SENSE", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"PREFEED", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"POSTFEED", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"ON-FEED", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"BEEP", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"END", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"COUNTRY", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"PACE", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"NO-PACE", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"WAIT", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
    {"SETFF", &TCPCLCmdThread::CMD_SETTING, "CMD_SETTING", true},
};

const TCPCLCmdThread::KeywordEntry TCPCLCmdThread::kTsplTable[] = {
    {"SIZE", &TCPCLCmdThread::CMD_TSPL_SIZE, "CMD_TSPL_SIZE"},
    {"CLS", &TCPCLCmdThread::CMD_TSPL_CLS, "CMD_TSPL_CLS"},
    {"TEXT", &TCPCLCmdThread::CMD_TSPL_TEXT, "CMD_TSPL_TEXT"},
    {"PRINT", &TCPCLCmdThread::CMD_TSPL_PRINT, "CMD_TSPL_PRINT"},
    {"BAR", &TCPCLCmdThread::CMD_TSPL_BAR, "CMD_TSPL_BAR"},
    {"BARCODE", &TCPCLCmdThread::CMD_TSPL_BARCODE, "CMD_TSPL_BARCODE"},
    {"QRCODE", &TCPCLCmdThread::CMD_TSPL_QRCODE, "CMD_TSPL_QRCODE"},
    // The printer dialect's commands.
    {"BOX", &TCPCLCmdThread::CMD_TSPL_BOX, "CMD_TSPL_BOX", true},
    {"REVERSE", &TCPCLCmdThread::CMD_TSPL_REVERSE, "CMD_TSPL_REVERSE", true},
    {"ERASE", &TCPCLCmdThread::CMD_TSPL_ERASE, "CMD_TSPL_ERASE", true},
    {"BITMAP", &TCPCLCmdThread::CMD_TSPL_BITMAP, "CMD_TSPL_BITMAP", true},
    {"DIRECTION", &TCPCLCmdThread::CMD_TSPL_DIRECTION, "CMD_TSPL_DIRECTION", true},
    {"REFERENCE", &TCPCLCmdThread::CMD_TSPL_REFERENCE, "CMD_TSPL_REFERENCE", true},
    {"CODEPAGE", &TCPCLCmdThread::CMD_TSPL_CODEPAGE, "CMD_TSPL_CODEPAGE", true},
    {"ENCODING", &TCPCLCmdThread::CMD_TSPL_CODEPAGE, "CMD_TSPL_CODEPAGE", true},
    {"GAP", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"BLINE", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"SPEED", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"DENSITY", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"CONTRAST", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"TONE", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"JOURNAL", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"OFFSET", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"SHIFT", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"SET", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"SOUND", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"BEEP", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"HOME", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"FORMFEED", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"FEED", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"BACKFEED", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"CUT", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"LIMITFEED", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
    {"EOP", &TCPCLCmdThread::CMD_TSPL_SETTING, "CMD_TSPL_SETTING", true},
};

TCPCLCmdThread::TCPCLCmdThread(InterpreterServices services, std::unique_ptr<UsbPort> port,
                               std::unique_ptr<DeviceSearch> search, int64_t page_max_pixels)
    : services_(std::move(services)),
      clock_(*services_.clock),
      text_renderer_(services_.text ? services_.text : &PlatformTextRenderer()),
      config_path_(services_.config_path.empty() ? ConfigPath() : services_.config_path) {
  USBFiFo = std::make_unique<TUSBFiFo>(std::move(port), std::move(search));
  PageImage = std::make_unique<velin::PageImage>(text_renderer_, page_max_pixels);
  auto ini = OpenIniFile(config_path_);
  FCmdMode = ini->ReadInteger("system", "transfer_mode", kCpcl);
  SetDialect(ParseLabelDialect(ini->ReadString("system", "label_dialect", "")));
  dropped_seen_ = USBFiFo->dropped_bytes();
}

void TCPCLCmdThread::SetDialect(LabelDialect dialect) {
  dialect_ = dialect;
  choices_ = DialectChoices::Of(dialect);
  printer_ = TPrinterState{};
}

TCPCLCmdThread::~TCPCLCmdThread() {
  if (std::this_thread::get_id() != owner_thread_) {
    // The FIFO's port must go on the thread that created it; elsewhere it could not release
    // what it holds there, and its receive event could be running meanwhile.
    std::fputs("TCPCLCmdThread destroyed on a thread other than the one that created it\n", stderr);
    std::fflush(stderr);
    std::abort();
  }
  Terminate();
  if (thread_.joinable()) {
    // A reply that the receiver does not take would hold the thread in WriteData for ever:
    // closing the port ends that write, and a terminated thread writes no further reply.
    USBFiFo->usbComm->StopComm();
    thread_.join();
  }
  // The worker has ended: the FIFO and its port go now, on this thread.
  USBFiFo.reset();
}

void TCPCLCmdThread::Start() {
  thread_ = std::thread([this] { Execute(); });
}

void TCPCLCmdThread::Execute() {
  Begin();
  while (!Terminated()) Step();
  Finish();
}

void TCPCLCmdThread::Begin() {
  ini_ = OpenIniFile(config_path_);
  last_report_ = clock_.tick_ms();
  progress_ = 0;
  last_byte_ = 0;
  cut_target_ = 0;
  space_count_ = 0;
  comma_count_ = 0;
}

void TCPCLCmdThread::Finish() {
  ReportDroppedBytes(/*final=*/true);
  if (USBFiFo->debug()) {
    PostDebugLine(kStopLine);
    clock_.sleep_ms(10);
  }
}

void TCPCLCmdThread::RunUntilIdle() {
  for (;;) {
    bool took = Step();
    // A pass that takes nothing from a FIFO that still holds bytes is paused or has no mode
    // to serve: nothing changes until someone else acts.
    if (!took && (TranMemory.empty() || FBTCmd.load())) return;
  }
}

bool TCPCLCmdThread::Step() {
  ReportIfDue();
  if (FBTCmd.load()) {
    clock_.sleep_ms(500);
    return false;
  }
  uint8_t b = 0;
  switch (FCmdMode.load()) {
    case kPassThrough:
      if (USBFiFo->GetChar(b)) {
        last_byte_ = clock_.tick_ms();
        TranMemory += static_cast<char>(b);
        if (TranMemory.size() >= kMaxTranMemory) FlushPassThrough();
        return true;
      }
      if (clock_.tick_ms() - last_byte_ > 2000) FlushPassThrough();
      clock_.sleep_ms(500);
      return false;
    case kCpcl:
    case kTspl:
      if (!USBFiFo->GetChar(b)) {
        clock_.sleep_ms(500);
        return false;
      }
      FrameByte(b);
      return true;
    default:
      // No mode to serve: idle like an empty FIFO rather than spin.
      clock_.sleep_ms(500);
      return false;
  }
}

void TCPCLCmdThread::ReportIfDue() {
  if (clock_.tick_ms() - last_report_ <= 500) return;
  ReportProgress();
  ReportDroppedBytes(/*final=*/false);
}

void TCPCLCmdThread::ReportDroppedBytes(bool final) {
  const size_t total = USBFiFo->dropped_bytes();
  if (total != dropped_seen_) {
    drop_episode_ += total - dropped_seen_;
    dropped_seen_ = total;
    if (!final) return;  // still dropping: the episode goes on
  }
  if (drop_episode_ == 0) return;
  if (USBFiFo->debug())
    PostDebugLine("receive FIFO full: " + std::to_string(drop_episode_) + " bytes dropped");
  drop_episode_ = 0;
}

bool TCPCLCmdThread::AwaitResume(uint32_t poll_ms) {
  while (FBTCmd.load()) {
    if (Terminated()) return false;
    ReportIfDue();
    clock_.sleep_ms(poll_ms);
  }
  return true;
}

void TCPCLCmdThread::ReportProgress() {
  auto record = std::make_shared<TThreadData>();
  record->Progress = progress_;
  try {
    record->USBState = USBFiFo->FindPrinter();
  } catch (...) {
    // The receiver could not be opened: absent for this pass, tried again at the next.
    record->USBState = false;
  }
  record->StatusMessage = kStatusMessage;
  if (services_.ui && services_.main_window) {
    services_.ui->PostAs(WM_THREADDATA,
                         [target = services_.main_window, record] { target(*record); });
  }
  last_report_ = clock_.tick_ms();
  progress_ = (progress_ + 10) % 100;
}

void TCPCLCmdThread::FlushPassThrough() {
  if (!TranMemory.empty()) {
    // The configuration object opened at the start of the run is read again at each flush.
    WriteRawStringToPrinter(services_.bound_printer ? *services_.bound_printer
                                                    : ini_->ReadString("system", "printer", ""),
                            TranMemory);
  }
  TranMemory.clear();
  TranMemory.shrink_to_fit();
}

void TCPCLCmdThread::WriteRawStringToPrinter(const std::string& printer, const std::string& bytes) {
  if (!services_.printers) return;
  PrintReport report;
  report.kind = PrintReport::Kind::kRaw;
  report.printer = printer;
  report.device = printer;
  report.bytes = bytes.size();
  const uint32_t code =
      velin::WriteRawStringToPrinter(*services_.printers, services_.message_box, printer, bytes);
  report.ok = code == 0;
  if (!report.ok) report.error = "error " + std::to_string(code);
  ReportPrint(report);
}

bool TCPCLCmdThread::PrintPage() {
  const std::string printer = BoundPrinter();
  if (printer.empty()) return false;
  PrintReport report;
  report.kind = PrintReport::Kind::kLabel;
  report.printer = printer;
  try {
    if (!services_.printers) throw std::runtime_error("NotFindPrinter.");
    Bitmap32 page;
    {
      std::lock_guard<std::mutex> hold(PageImage->lock());
      report.page = {PageImage->Width(), PageImage->Height()};
      page = PageImage->bitmap();
    }
    PrintBitmapToFitPage(*services_.printers, printer_selection_, printer, &page, &report.device);
  } catch (const std::bad_alloc&) {
    report.error = "Out of memory";
    ReportPrint(report);
    throw;
  } catch (const std::exception& e) {
    report.error = e.what();
    ReportPrint(report);
    throw;
  }
  report.ok = true;
  ReportPrint(report);
  return true;
}

void TCPCLCmdThread::ReportPrint(const PrintReport& report) {
  if (services_.on_print) services_.on_print(report);
}

std::string TCPCLCmdThread::BoundPrinter() {
  if (services_.bound_printer) return *services_.bound_printer;
  return OpenIniFile(config_path_)->ReadString("system", "printer", "");
}

void TCPCLCmdThread::FrameByte(uint8_t b) {
  if (b == 13 || b == 10) {
    if (discarding_) {
      discarding_ = false;
      ClearLine();
    } else if (!ByteBuf.empty()) {
      DispatchLine(true);
    }
    return;
  }
  if (b < 32) {
    AnswerControlByte(b);
    return;
  }
  if (discarding_) return;
  if (ByteBuf.size() >= static_cast<size_t>(MaxByteBuf)) {
    // A line longer than the buffer is dropped whole, up to its CR or LF.
    if (USBFiFo->debug())
      PostDebugLine("line longer than " + std::to_string(MaxByteBuf) + " bytes dropped");
    discarding_ = true;
    ClearLine();
    return;
  }
  ByteBuf += static_cast<char>(b);
  if (cut_target_ > 0) {
    if (b == ' ') ++space_count_;
    if (space_count_ == cut_target_) {
      DispatchLine(false);
      return;
    }
  }
  // The decoded line equals "CG" or "COMPRESSED-GRAPHICS" exactly when its bytes do: GBK
  // decodes ASCII bytes to themselves and never yields ASCII from other bytes, so the test
  // looks at the two lengths alone and costs O(1) per byte.
  if ((ByteBuf.size() == 2 && ByteBuf == "CG") ||
      (ByteBuf.size() == 19 && ByteBuf == "COMPRESSED-GRAPHICS")) {
    cut_target_ = 5;
    space_count_ = 0;
  }
  // TSPL BITMAP x,y,width,height,mode, is followed by raw bytes, which the printer dialect's
  // handler takes from the FIFO: the line is handed on at its fifth comma.
  if (FCmdMode == kTspl && choices_.printer_keywords) {
    if (ByteBuf.size() == 7 && ByteBuf == "BITMAP ") {
      comma_count_ = 1;  // counting from here on
    } else if (comma_count_ > 0 && b == ',' && ++comma_count_ == 6) {
      DispatchLine(false);
      return;
    }
  }
}

void TCPCLCmdThread::AnswerControlByte(uint8_t b) {
  // Each test looks at the current value of the byte variable, which a step that takes
  // further bytes overwrites; taking from an empty FIFO leaves it as it was.
  if (b == 27) {  // ESC: echo the next byte
    clock_.sleep_ms(10);
    USBFiFo->GetChar(b);
    Reply({b});
  }
  if (b == 29) {  // GS and three bytes
    clock_.sleep_ms(10);
    for (int i = 0; i < 3; ++i) USBFiFo->GetChar(b);
    Reply({0x00, 0x00});
  }
  if (b == 16) {  // DLE and two bytes
    clock_.sleep_ms(100);
    for (int i = 0; i < 2; ++i) USBFiFo->GetChar(b);
    Reply({0x00, 0x00});
  }
  if (b == 30) {  // RS and five bytes
    clock_.sleep_ms(100);
    for (int i = 0; i < 5; ++i) USBFiFo->GetChar(b);
    Reply({0x22, 0x03, 0xC5, 0x20});
  }
}

void TCPCLCmdThread::Reply(std::initializer_list<uint8_t> bytes) {
  if (Terminated()) return;  // the owner may be closing the port to end the run
  USBFiFo->usbComm->WriteData(bytes.begin(), static_cast<int32_t>(bytes.size()));
}

std::string TCPCLCmdThread::DecodeLine(const std::string& bytes) const {
  if (!choices_.line_encoding || printer_.encoding.empty()) return AnsiToUtf8(bytes);
  if (printer_.encoding == "GB18030") return Gb18030ToUtf8(bytes);
  std::string text;
  text.reserve(bytes.size());
  for (size_t pos = 0; pos < bytes.size();) AppendUtf8(text, NextUtf8(bytes, pos));
  return text;
}

std::string TCPCLCmdThread::EncodeLine(const std::string& text) const {
  if (!choices_.line_encoding || printer_.encoding.empty()) return Utf8ToAnsi(text);
  return printer_.encoding == "GB18030" ? Utf8ToGb18030(text) : text;
}

void TCPCLCmdThread::DispatchLine(bool log) {
  std::string text = DecodeLine(ByteBuf);
  ClearLine();
  if (log && USBFiFo->debug()) {
    PostDebugLine(text);
    clock_.sleep_ms(10);
  }
  try {
    ExecuteCommand(text);
  } catch (...) {
    // A line whose handling still fails is dropped; the thread goes on.
    ReportFailure("the line could not be handled");
  }
}

void TCPCLCmdThread::ClearLine() {
  ByteBuf.clear();
  if (ByteBuf.capacity() > 4096) ByteBuf.shrink_to_fit();
  cut_target_ = 0;
  space_count_ = 0;
  comma_count_ = 0;
}

void TCPCLCmdThread::PostDebugLine(const std::string& line) {
  if (!services_.ui || !services_.debug_window) return;
  auto record = std::make_shared<TDebugData>();
  record->MsgStr = line;
  services_.ui->PostAs(WM_DEBUG_DATA,
                       [target = services_.debug_window, record] { target(*record); });
}

bool TCPCLCmdThread::ExecuteCommand(const std::string& cmd) {
  if (services_.on_command) services_.on_command(cmd);
  const int32_t mode = FCmdMode.load();
  if (mode == kTspl) {
    SplitKeyword(cmd, CmdFields);
    Dispatch(kTsplTable, std::size(kTsplTable));
  } else if (mode == kCpcl) {
    GetParFields(cmd, 2, CmdFields);
    if (CmdFields.Count() >= 2) Dispatch(kCpclTable, std::size(kCpclTable));
  }
  return false;
}

void TCPCLCmdThread::Dispatch(const KeywordEntry* table, size_t count) {
  // `table` is one of the two tables (count is its size).
  static const KeywordIndex cpcl_index(kCpclTable, std::size(kCpclTable));
  static const KeywordIndex tspl_index(kTsplTable, std::size(kTsplTable));
  const KeywordIndex& index = table == kTsplTable ? tspl_index : cpcl_index;
  const std::string keyword = CmdFields[1];
  static const std::vector<size_t> kNone;
  const std::vector<size_t>* found = index.Find(keyword);
  bool handled = false;
  for (size_t i : found != nullptr ? *found : kNone) {
    if (i >= count) break;
    if (table[i].printer_only && !choices_.printer_keywords) continue;
    handled = true;
    current_handler_ = table[i].name;
    if (services_.on_handler_call) services_.on_handler_call(table[i].name);
    (this->*table[i].handler)();
  }
  if (!handled) report_.Ignored(keyword);
  current_handler_ = "";
}

void TCPCLCmdThread::ReportFailure(const std::string& reason) {
  report_.Failed(*current_handler_ ? current_handler_ : "line", reason);
}

void TCPCLCmdThread::Guarded(const char* prefix, const std::function<void()>& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    ReportFailure("Out of memory");
    if (USBFiFo->debug()) PostDebugLine(std::string(prefix) + "Out of memory");
  } catch (const std::exception& e) {
    ReportFailure(e.what());
    if (USBFiFo->debug()) PostDebugLine(std::string(prefix) + e.what());
  }
}

bool TCPCLCmdThread::TestData(const std::string& filename) {
  std::ifstream in(filename, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (char c : bytes) USBFiFo->PutChar(static_cast<uint8_t>(c));
  return true;
}

}  // namespace velin
