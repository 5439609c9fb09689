// velin-cli print: replays a label stream and prints every page a print command prints (and
// every pass-through job) on a real printer of the machine.
#include <cstdio>
#include <string>

#include "cli.h"
#include "interpreter/printing.h"
#include "replay.h"

namespace velin::cli {
namespace {

constexpr const char* kUsage =
    "print --printer NAME [--mode passthrough|cpcl|tspl] [--dialect default|printer] "
    "[--config FILE] INPUT";

int Run(const std::vector<std::string>& args) {
  ReplayArgs replay;
  int exit_code = kExitOk;
  if (!ParseReplayArgs("print", args, {"--printer"}, replay, exit_code)) return exit_code;
  if (replay.extra.empty()) return UsageError("print", "no printer (--printer NAME)");
  std::string bytes;
  if (!ReadFile(replay.input, bytes))
    return UsageError("print", "cannot read '" + replay.input + "'");

  std::unique_ptr<PrinterSystem> printers = PlatformPrinterSystem();
  InterpreterServices services;
  services.printers = printers.get();
  services.bound_printer = replay.extra.back().second;
  bool failed = false;
  // Failures reach the debug log ("CMD_PRINT:..."), and the raw job's message box; both are
  // shown on standard error.
  services.debug_window = [&failed](const TDebugData& d) {
    if (d.MsgStr.rfind("CMD_", 0) == 0) {
      std::fprintf(stderr, "velin-cli print: %s\n", d.MsgStr.c_str());
      failed = true;
    }
  };
  services.message_box = [&failed](const std::string& text) {
    std::fprintf(stderr, "velin-cli print: %s\n", text.c_str());
    failed = true;
  };
  Replay(replay, bytes, services, /*debug=*/true);
  return failed ? kExitFailure : kExitOk;
}

const bool registered = Register({"print", kUsage, Run});

}  // namespace
}  // namespace velin::cli
