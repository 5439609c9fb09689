// Replaying a byte stream through the receive path into the interpreter, on a virtual clock
// and with a loopback receiver: what the trace, render and print commands share.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "interpreter/cmd_thread.h"

namespace velin::cli {

// The options every replaying command takes: [--mode passthrough|cpcl|tspl]
// [--dialect default|printer] [--config FILE], the input file, and the command's own options
// (each with one value) in `extra`.
struct ReplayArgs {
  std::string command;  // the subcommand's name, for messages
  std::string input;
  std::string config;
  int32_t mode = -1;  // -1: the configuration's transfer_mode
  // The label dialect; none: the configuration's [system] label_dialect.
  std::optional<LabelDialect> dialect;
  std::vector<std::pair<std::string, std::string>> extra;
};

// Parses `args`; `extra_options` lists the command's own options (such as "-o"). On a bad
// invocation prints the usage error and returns false with `exit_code` set.
bool ParseReplayArgs(const char* command, const std::vector<std::string>& args,
                     const std::vector<std::string>& extra_options, ReplayArgs& out,
                     int& exit_code);

// Replays `bytes` to their end: the thread is built with `services` (clock and dispatcher are
// supplied here), the receiver is present from the start, and writes to it go to `on_reply`.
// The bytes arrive through the FIFO's receive path in 4096-byte reads while the FIFO has room,
// in step with the interpreter, so a stream of any length is consumed whole (a pass-through
// stream beyond the raw job limit becomes several jobs). Bytes the FIFO still drops (a mode
// that takes nothing) are reported on standard error. `on_ready` sees the thread before the
// first byte is taken, `on_done` after the last.
void Replay(const ReplayArgs& args, const std::string& bytes, InterpreterServices services,
            bool debug, const std::function<void(const uint8_t*, int32_t)>& on_reply = nullptr,
            const std::function<void(TCPCLCmdThread&)>& on_ready = nullptr,
            const std::function<void(TCPCLCmdThread&)>& on_done = nullptr);

// Writes the thread's report of ignored and failed commands, one line each, to `out`.
void PrintIgnoredAndFailed(TCPCLCmdThread& thread, FILE* out);

}  // namespace velin::cli
