// Arbitrary bytes into the receive path, framing and dispatch. The first byte picks the
// transfer mode; the rest arrives as the receiver would send it, in blocks whose sizes the
// second byte varies. fuzz/corpus seeds every handler of both languages, among them CG and
// the QR block, which take their data from the FIFO themselves (their waits are virtual).
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "usb/loopback.h"

namespace {

class NullPrinterSystem final : public velin::PrinterSystem {
 public:
  std::vector<std::string> InstalledPrinters() override { return {"fuzz"}; }
  std::string DefaultPrinter() override { return "fuzz"; }
  void PrintPage(const std::string&, const std::function<void(velin::PrinterPage&)>&) override {}
  uint32_t WriteRawJob(const std::string&, const std::string&, const std::string&,
                       std::string_view) override {
    return 0;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  velin::VirtualClock clock;
  velin::InlineDispatcher ui;
  NullPrinterSystem printers;
  velin::InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.printers = &printers;
  services.config_path = "/nonexistent/velin-fuzz/config.ini";
  services.debug_window = [](const velin::TDebugData&) {};
  services.main_window = [](const velin::TThreadData&) {};

  auto port = std::make_unique<velin::LoopbackPort>();
  velin::LoopbackPort* receiver = port.get();
  auto search = std::make_unique<velin::FixedDeviceSearch>(
      std::vector<std::string>{velin::kLoopbackReceiverPath});
  velin::TCPCLCmdThread thread(services, std::move(port), std::move(search));
  thread.SetCmdMode(data[0] % 3);
  thread.fifo().StartDebug();
  thread.fifo().FindPrinter();
  thread.Begin();

  size_t block = 1 + data[1] % 64;
  for (size_t pos = 2; pos < size; pos += block) {
    size_t n = std::min(block, size - pos);
    receiver->Receive(data + pos, n);
    thread.Step();  // interleave arrival and consumption
  }
  thread.RunUntilIdle();
  thread.Terminate();
  thread.Finish();
  return 0;
}
