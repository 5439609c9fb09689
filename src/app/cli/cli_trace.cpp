// velin-cli trace: replays a captured byte stream through the FIFO into the interpreter on the
// virtual clock, with debug mode on, and prints every event as it happens.
#include <cstdio>
#include <string>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "cli.h"
#include "interpreter/cmd_thread.h"
#include "usb/loopback.h"

namespace velin::cli {
namespace {

constexpr const char* kUsage =
    "trace [--mode passthrough|cpcl|tspl] [--config FILE] FILE";

// Reports each raw job instead of printing it.
class TracePrinter final : public PrinterSystem {
 public:
  std::vector<std::string> InstalledPrinters() override { return {}; }
  std::string DefaultPrinter() override { return ""; }
  void PrintPage(const std::string&, const std::function<void(PrinterPage&)>&) override {}
  uint32_t WriteRawJob(const std::string& printer, const std::string&, const std::string&,
                       std::string_view bytes) override {
    std::printf("raw %zu %s\n", bytes.size(), printer.empty() ? "-" : printer.c_str());
    return 0;
  }
};

bool ParseMode(const std::string& text, int32_t& mode) {
  if (text == "passthrough") mode = kPassThrough;
  else if (text == "cpcl") mode = kCpcl;
  else if (text == "tspl") mode = kTspl;
  else return false;
  return true;
}

int Run(const std::vector<std::string>& args) {
  std::string input, config;
  int32_t mode = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--mode" || a == "--config") {
      if (i + 1 == args.size()) return UsageError("trace", a + " needs a value");
      const std::string& value = args[++i];
      if (a == "--config") config = value;
      else if (!ParseMode(value, mode)) return UsageError("trace", "unknown mode '" + value + "'");
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("trace", "unknown option '" + a + "'");
    } else if (input.empty()) {
      input = a;
    } else {
      return UsageError("trace", "more than one input file");
    }
  }
  if (input.empty()) return UsageError("trace", "no input file");
  std::string bytes;
  if (!ReadFile(input, bytes)) return UsageError("trace", "cannot read '" + input + "'");

  VirtualClock clock;
  InlineDispatcher ui;
  TracePrinter printer;
  InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.printers = &printer;
  services.config_path = config;
  services.debug_window = [](const TDebugData& d) { std::printf("log %s\n", d.MsgStr.c_str()); };
  services.on_handler_call = [](const char* name) { std::printf("call %s\n", name); };
  services.message_box = [](const std::string& text) { std::printf("message %s\n", text.c_str()); };

  auto port = std::make_unique<LoopbackPort>();
  port->on_write = [](const uint8_t* data, int32_t length) {
    std::string line = "reply";
    char hex[4];
    for (int32_t i = 0; i < length; ++i) {
      std::snprintf(hex, sizeof hex, " %02X", data[i]);
      line += hex;
    }
    std::printf("%s\n", line.c_str());
  };
  auto search = std::make_unique<FixedDeviceSearch>(
      std::vector<std::string>{kLoopbackReceiverPath});

  TCPCLCmdThread thread(services, std::move(port), std::move(search));
  if (mode >= 0) thread.SetCmdMode(mode);
  TUSBFiFo& fifo = thread.fifo();
  fifo.StartDebug();
  fifo.FindPrinter();  // the replayed receiver is present from the start
  for (char c : bytes) fifo.PutChar(static_cast<uint8_t>(c));

  thread.Begin();
  thread.RunUntilIdle();
  thread.Terminate();
  thread.Finish();
  std::fflush(stdout);
  return kExitOk;
}

const bool registered = Register({"trace", kUsage, Run});

}  // namespace
}  // namespace velin::cli
