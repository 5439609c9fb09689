#include "replay.h"

#include <algorithm>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "cli.h"
#include "usb/loopback.h"

namespace velin::cli {

bool ParseReplayArgs(const char* command, const std::vector<std::string>& args,
                     const std::vector<std::string>& extra_options, ReplayArgs& out,
                     int& exit_code) {
  auto fail = [&](const std::string& message) {
    exit_code = UsageError(command, message);
    return false;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool extra = std::find(extra_options.begin(), extra_options.end(), a) != extra_options.end();
    if (a == "--mode" || a == "--config" || a == "--dialect" || extra) {
      if (i + 1 == args.size()) return fail(a + " needs a value");
      const std::string& value = args[++i];
      if (extra) {
        out.extra.emplace_back(a, value);
      } else if (a == "--config") {
        out.config = value;
      } else if (a == "--dialect") {
        if (value == "default")
          out.dialect = LabelDialect::kDefault;
        else if (value == "printer")
          out.dialect = LabelDialect::kPrinter;
        else
          return fail("unknown dialect '" + value + "'");
      } else if (value == "passthrough") {
        out.mode = kPassThrough;
      } else if (value == "cpcl") {
        out.mode = kCpcl;
      } else if (value == "tspl") {
        out.mode = kTspl;
      } else {
        return fail("unknown mode '" + value + "'");
      }
    } else if (a.size() > 1 && a[0] == '-') {
      return fail("unknown option '" + a + "'");
    } else if (out.input.empty()) {
      out.input = a;
    } else {
      return fail("more than one input file");
    }
  }
  if (out.input.empty()) return fail("no input file");
  return true;
}

void Replay(const ReplayArgs& args, const std::string& bytes, InterpreterServices services,
            bool debug, const std::function<void(const uint8_t*, int32_t)>& on_reply,
            const std::function<void(TCPCLCmdThread&)>& on_ready,
            const std::function<void(TCPCLCmdThread&)>& on_done) {
  VirtualClock clock;
  InlineDispatcher ui;
  services.clock = &clock;
  services.ui = &ui;
  services.config_path = args.config;

  auto port = std::make_unique<LoopbackPort>();
  port->on_write = on_reply;
  auto search =
      std::make_unique<FixedDeviceSearch>(std::vector<std::string>{kLoopbackReceiverPath});
  TCPCLCmdThread thread(std::move(services), std::move(port), std::move(search));
  if (args.mode >= 0) thread.SetCmdMode(args.mode);
  if (args.dialect) thread.SetDialect(*args.dialect);
  if (on_ready) on_ready(thread);
  TUSBFiFo& fifo = thread.fifo();
  if (debug) fifo.StartDebug();
  fifo.FindPrinter();
  for (char c : bytes) fifo.PutChar(static_cast<uint8_t>(c));
  thread.Begin();
  thread.RunUntilIdle();
  thread.Terminate();
  thread.Finish();
  if (on_done) on_done(thread);
}

void PrintReport(TCPCLCmdThread& thread, FILE* out) {
  for (const std::string& line : thread.report().Lines()) std::fprintf(out, "%s\n", line.c_str());
}

}  // namespace velin::cli
