// Arbitrary bytes into the receive path, framing and dispatch. The first byte picks the
// transfer mode (its value modulo 3) and the label dialect (its top bit: the printer's); the rest
// arrives as the receiver would send it, in blocks whose sizes the second byte varies. fuzz/corpus
// seeds every handler of both languages, among them CG and the QR block, which take their data from
// the FIFO themselves (their waits are virtual).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "usb/loopback.h"

namespace {

// A printer whose page has a printable area but keeps nothing, so that printing runs the
// selection and fit arithmetic.
class NullPrinterSystem final : public velin::PrinterSystem {
 public:
  std::vector<std::string> InstalledPrinters() override { return {"fuzz"}; }
  std::string DefaultPrinter() override { return "fuzz"; }
  void PrintPage(const std::string&,
                 const std::function<void(velin::PrinterPage&)>& draw) override {
    struct Page final : velin::PrinterPage {
      velin::Size PrintableArea() const override { return {4800, 6600}; }
      int BitsPerPixel() const override { return 24; }
      void StretchBitmap(const velin::Bitmap32&, int, int, int, int) override {}
    } page;
    draw(page);
  }
  uint32_t WriteRawJob(const std::string&, const std::string&, const std::string&,
                       std::string_view) override {
    return 0;
  }
};

// Text as boxes: one cell-high block per character. The glyph engine is the platform's and has
// tests of its own; here it would only slow the search through the handlers down.
class BoxTextRenderer final : public velin::TextRenderer {
 public:
  void Draw(velin::Bitmap32& target, int x, int y, std::string_view text,
            const velin::Font& font) override {
    velin::Size cell = Measure(text, font);
    for (int64_t dy = 0; dy < cell.height && dy < 64; ++dy)
      for (int64_t dx = 0; dx < cell.width && dx < 512; dx += 2)
        target.SetPixel(static_cast<int>(x + dx), static_cast<int>(y + dy), font.color);
  }
  velin::Size Measure(std::string_view text, const velin::Font& font) override {
    int height = std::clamp(font.size, 1, 1000) * 96 / 72;
    return {static_cast<int>(std::min<size_t>(text.size(), 4096)) * height / 2, height};
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  velin::VirtualClock clock;
  velin::InlineDispatcher ui;
  NullPrinterSystem printers;
  BoxTextRenderer text;
  velin::InterpreterServices services;
  services.text = &text;
  services.bound_printer = "fuzz";
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
  thread.SetCmdMode((data[0] & 0x7F) % 3);
  thread.SetDialect(data[0] & 0x80 ? velin::LabelDialect::kPrinter : velin::LabelDialect::kDefault);
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
