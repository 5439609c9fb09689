// An interpreter wired to fakes: a loopback receiver, a virtual clock, a queue standing for the
// window thread's messages, and a printer system that records jobs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "support/fake_printer.h"
#include "usb/loopback.h"

namespace velin::test {

class InterpreterHarness {
 public:
  // `config_text` is written to a config.ini of its own (nothing written when empty).
  explicit InterpreterHarness(const std::string& config_text = "", bool receiver_present = true);

  // Delivers bytes as the port's receive event would (4096-byte reads).
  void Receive(const std::string& bytes);
  // Replays until idle and runs the posted messages.
  void Run();

  TCPCLCmdThread& thread() { return *thread_; }
  TUSBFiFo& fifo() { return thread_->fifo(); }
  LoopbackPort& port() { return *port_; }
  FixedDeviceSearch& search() { return *search_; }
  const std::string& config_path() const { return config_path_; }

  VirtualClock clock;
  QueueDispatcher ui;
  FakePrinterSystem printer;             // "Label Printer" and "Office" (the default)
  std::vector<std::string> calls;        // handler names, in call order
  std::vector<std::string> commands;     // every line handed to ExecuteCommand
  std::vector<std::string> replies;      // each write to the receiver
  std::vector<std::string> debug_lines;  // MsgStr of every WM_DEBUG_DATA
  std::vector<TThreadData> reports;      // every WM_THREADDATA
  std::vector<std::string> message_boxes;
  std::vector<PrintReport> print_reports;  // every print call's outcome

 private:
  std::string config_path_;
  LoopbackPort* port_ = nullptr;
  FixedDeviceSearch* search_ = nullptr;
  std::unique_ptr<TCPCLCmdThread> thread_;
};

}  // namespace velin::test
