// velin-cli render: replays a label stream and writes every printed page as a PNG, one pixel
// per dot, whatever printer the configuration binds.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli.h"
#include "interpreter/printer_png_sink.h"
#include "replay.h"

namespace velin::cli {
namespace {

constexpr const char* kUsage =
    "render [--mode cpcl|tspl] [--dialect default|printer] [--config FILE] INPUT -o DIR";
constexpr const char* kSinkName = "velin-png";

// The PNG sink, telling the path of each page it writes.
class ReportingSink final : public PngSinkPrinterSystem {
 public:
  using PngSinkPrinterSystem::PngSinkPrinterSystem;
  void PrintPage(const std::string& printer,
                 const std::function<void(PrinterPage&)>& draw) override {
    PngSinkPrinterSystem::PrintPage(printer, draw);
    std::printf("%s\n", last_file().c_str());
  }
};

int Run(const std::vector<std::string>& args) {
  ReplayArgs replay;
  int exit_code = kExitOk;
  if (!ParseReplayArgs("render", args, {"-o"}, replay, exit_code)) return exit_code;
  if (replay.extra.empty()) return UsageError("render", "no output directory (-o DIR)");
  const std::string& dir = replay.extra.back().second;
  std::string bytes;
  if (!ReadFile(replay.input, bytes))
    return UsageError("render", "cannot read '" + replay.input + "'");
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (!std::filesystem::is_directory(dir))
    return UsageError("render", "cannot create directory '" + dir + "'");

  // The sink's page is the page bitmap's own size, so pages come out one pixel per dot.
  TCPCLCmdThread* thread = nullptr;
  ReportingSink sink(dir, kSinkName, [&thread] {
    return Size{thread->page().Width(), thread->page().Height()};
  });
  InterpreterServices services;
  services.printers = &sink;
  services.bound_printer = kSinkName;
  // Standard output lists the pages; what the label used that was ignored or failed goes to
  // standard error, one line per keyword or handler.
  Replay(
      replay, bytes, services, /*debug=*/false, nullptr,
      [&thread](TCPCLCmdThread& t) { thread = &t; },
      [](TCPCLCmdThread& t) { PrintIgnoredAndFailed(t, stderr); });
  std::fflush(stdout);
  return kExitOk;
}

const bool registered = Register({"render", kUsage, Run});

}  // namespace
}  // namespace velin::cli
