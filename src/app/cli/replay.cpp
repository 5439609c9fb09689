#include "replay.h"

#include <algorithm>
#include <cstdio>

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
  out.command = command;
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

namespace {

// The replayed receiver: hands the input to the FIFO's receive path in reads of at most 4096
// bytes, as the port does, while the FIFO has room for the next one, so the interpreter
// consumes the stream as it arrives and nothing is lost however long it is.
class ReplayReceiver {
 public:
  static constexpr size_t kRead = 4096;

  ReplayReceiver(const std::string& bytes, LoopbackPort& port, TUSBFiFo& fifo)
      : bytes_(bytes), port_(port), fifo_(fifo) {}

  bool done() const { return pos_ == bytes_.size(); }

  // Delivers reads while they fit in the FIFO.
  void Deliver() {
    while (!done()) {
      const size_t read = std::min(kRead, bytes_.size() - pos_);
      if (fifo_.GetFiFoSize() + read > TUSBFiFo::kMaxQueued) return;
      DeliverOne(read);
    }
  }

  // A receiver does not wait for a consumer that takes nothing: the next read arrives all the
  // same, and the FIFO drops what does not fit.
  void DeliverRegardless() {
    if (!done()) DeliverOne(std::min(kRead, bytes_.size() - pos_));
  }

 private:
  void DeliverOne(size_t read) {
    port_.Receive(reinterpret_cast<const uint8_t*>(bytes_.data()) + pos_, read);
    pos_ += read;
  }

  const std::string& bytes_;
  LoopbackPort& port_;
  TUSBFiFo& fifo_;
  size_t pos_ = 0;
};

}  // namespace

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
  LoopbackPort& receiver_port = *port;
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

  ReplayReceiver receiver(bytes, receiver_port, fifo);
  // Bytes also arrive while the interpreter waits (a handler polling for the rest of its data).
  clock.on_sleep = [&receiver](uint32_t) { receiver.Deliver(); };
  thread.Begin();
  for (;;) {
    receiver.Deliver();
    if (thread.Step()) continue;
    if (!receiver.done()) {
      // A pass that took nothing while input waits: the FIFO is full of bytes that this mode
      // never takes.
      receiver.DeliverRegardless();
      continue;
    }
    // All delivered and a pass took nothing: the end, once a gathered raw job has gone out.
    if (thread.pending_raw_bytes() == 0) break;
  }
  thread.Terminate();
  thread.Finish();
  clock.on_sleep = nullptr;

  if (size_t dropped = fifo.dropped_bytes())
    std::fprintf(stderr, "velin-cli %s: receive FIFO full: %zu bytes dropped\n",
                 args.command.c_str(), dropped);
  if (on_done) on_done(thread);
}

void PrintIgnoredAndFailed(TCPCLCmdThread& thread, FILE* out) {
  for (const std::string& line : thread.report().Lines()) std::fprintf(out, "%s\n", line.c_str());
}

}  // namespace velin::cli
