// velin-cli trace: replays a captured byte stream through the FIFO into the interpreter on the
// virtual clock, with debug mode on, and prints every event as it happens.
#include <cstdio>
#include <string>

#include "cli.h"
#include "replay.h"

namespace velin::cli {
namespace {

constexpr const char* kUsage =
    "trace [--mode passthrough|cpcl|tspl] [--dialect default|printer] [--config FILE] FILE";

// Reports each raw job instead of printing it; labels are not printed.
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

int Run(const std::vector<std::string>& args) {
  ReplayArgs replay;
  int exit_code = kExitOk;
  if (!ParseReplayArgs("trace", args, {}, replay, exit_code)) return exit_code;
  std::string bytes;
  if (!ReadFile(replay.input, bytes))
    return UsageError("trace", "cannot read '" + replay.input + "'");

  TracePrinter printer;
  InterpreterServices services;
  services.printers = &printer;
  services.debug_window = [](const TDebugData& d) { std::printf("log %s\n", d.MsgStr.c_str()); };
  services.on_handler_call = [](const char* name) { std::printf("call %s\n", name); };
  services.message_box = [](const std::string& text) { std::printf("message %s\n", text.c_str()); };
  Replay(
      replay, bytes, services, /*debug=*/true,
      [](const uint8_t* data, int32_t length) {
        std::string line = "reply";
        char hex[4];
        for (int32_t i = 0; i < length; ++i) {
          std::snprintf(hex, sizeof hex, " %02X", data[i]);
          line += hex;
        }
        std::printf("%s\n", line.c_str());
      },
      nullptr, [](TCPCLCmdThread& t) { PrintIgnoredAndFailed(t, stdout); });
  std::fflush(stdout);
  return kExitOk;
}

const bool registered = Register({"trace", kUsage, Run});

}  // namespace
}  // namespace velin::cli
