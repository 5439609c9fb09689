// velin-cli print: replays a label stream and prints every page a print command prints (and
// every pass-through job) on a real printer of the machine. Exits 1 if any print call failed,
// each failure told on standard error.
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
  // The exit status follows the print calls alone: a label line that fails to draw is not a
  // failed job when the page still prints. A raw job's "error NNNN" box arrives as a failed
  // report, so no message box is shown besides.
  bool failed = false;
  services.on_print = [&failed](const PrintReport& report) {
    if (report.ok) return;
    std::fprintf(stderr, "velin-cli print: %s\n", DescribePrint(report).c_str());
    failed = true;
  };
  Replay(replay, bytes, services, /*debug=*/false);
  return failed ? kExitFailure : kExitOk;
}

const bool registered = Register({"print", kUsage, Run});

}  // namespace
}  // namespace velin::cli
