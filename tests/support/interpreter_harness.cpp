#include "support/interpreter_harness.h"

#include <fstream>

#include "support/test_paths.h"

namespace velin::test {

InterpreterHarness::InterpreterHarness(const std::string& config_text, bool receiver_present) {
  config_path_ = ScratchDir() + "/config.ini";
  if (!config_text.empty()) std::ofstream(config_path_, std::ios::binary) << config_text;

  InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.printers = &printer;
  services.config_path = config_path_;
  services.main_window = [this](const TThreadData& d) { reports.push_back(d); };
  services.debug_window = [this](const TDebugData& d) { debug_lines.push_back(d.MsgStr); };
  services.on_handler_call = [this](const char* name) { calls.emplace_back(name); };
  services.on_command = [this](const std::string& line) { commands.push_back(line); };
  services.message_box = [this](const std::string& text) { message_boxes.push_back(text); };
  services.on_print = [this](const PrintReport& report) { print_reports.push_back(report); };

  auto port = std::make_unique<LoopbackPort>();
  port_ = port.get();
  port->on_write = [this](const uint8_t* data, int32_t length) {
    replies.emplace_back(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
  };
  auto search = std::make_unique<FixedDeviceSearch>();
  if (receiver_present) search->paths = {kLoopbackReceiverPath};
  search_ = search.get();
  thread_ = std::make_unique<TCPCLCmdThread>(services, std::move(port), std::move(search));
  thread_->fifo().FindPrinter();
  thread_->Begin();
}

void InterpreterHarness::Receive(const std::string& bytes) {
  port_->Receive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void InterpreterHarness::Run() {
  thread_->RunUntilIdle();
  ui.Drain();
}

}  // namespace velin::test
