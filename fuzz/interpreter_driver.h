// What the interpreter targets share: an interpreter wired to a loopback receiver, a virtual
// clock, a printer that keeps nothing and a text renderer that draws boxes, with a small page
// budget so that an input asking for a huge page costs what a small one does while running
// the same checks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "usb/loopback.h"

namespace velin::fuzz {

// One megapixel: every page size check of the program, on a number a fuzzer can afford.
inline constexpr int64_t kPageMaxPixels = int64_t{1} << 20;

// A printer whose page has a printable area but keeps nothing, so that printing runs the
// selection and fit arithmetic.
class NullPrinterSystem final : public PrinterSystem {
 public:
  std::vector<std::string> InstalledPrinters() override { return {"fuzz"}; }
  std::string DefaultPrinter() override { return "fuzz"; }
  void PrintPage(const std::string&, const std::function<void(PrinterPage&)>& draw) override {
    struct Page final : PrinterPage {
      Size PrintableArea() const override { return {4800, 6600}; }
      int BitsPerPixel() const override { return 24; }
      void StretchBitmap(const Bitmap32&, int, int, int, int) override {}
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
class BoxTextRenderer final : public TextRenderer {
 public:
  void Draw(Bitmap32& target, int x, int y, std::string_view text, const Font& font) override {
    Size cell = Measure(text, font);
    for (int64_t dy = 0; dy < cell.height && dy < 64; ++dy)
      for (int64_t dx = 0; dx < cell.width && dx < 512; dx += 2)
        target.SetPixel(static_cast<int>(x + dx), static_cast<int>(y + dy), font.color);
  }
  Size Measure(std::string_view text, const Font& font) override {
    int height = std::clamp(font.size, 1, 1000) * 96 / 72;
    return {static_cast<int>(std::min<size_t>(text.size(), 4096)) * height / 2, height};
  }
};

// Feeds `bytes` to a fresh interpreter in `mode` and `dialect` as blocks of `block` bytes,
// stepping the interpreter between blocks, then runs it to idle and stops it.
inline void RunInterpreter(const uint8_t* bytes, size_t size, int32_t mode, LabelDialect dialect,
                           size_t block) {
  VirtualClock clock;
  InlineDispatcher ui;
  NullPrinterSystem printers;
  BoxTextRenderer text;
  InterpreterServices services;
  services.text = &text;
  services.bound_printer = "fuzz";
  services.clock = &clock;
  services.ui = &ui;
  services.printers = &printers;
  services.config_path = "/nonexistent/velin-fuzz/config.ini";
  services.debug_window = [](const TDebugData&) {};
  services.main_window = [](const TThreadData&) {};

  auto port = std::make_unique<LoopbackPort>();
  LoopbackPort* receiver = port.get();
  auto search = std::make_unique<FixedDeviceSearch>(
      std::vector<std::string>{kLoopbackReceiverPath});
  TCPCLCmdThread thread(services, std::move(port), std::move(search), kPageMaxPixels);
  thread.SetCmdMode(mode);
  thread.SetDialect(dialect);
  thread.fifo().StartDebug();
  thread.fifo().FindPrinter();
  thread.Begin();

  block = std::max<size_t>(block, 1);
  for (size_t pos = 0; pos < size; pos += block) {
    receiver->Receive(bytes + pos, std::min(block, size - pos));
    thread.Step();  // interleave arrival and consumption
  }
  thread.RunUntilIdle();
  thread.Terminate();
  thread.Finish();
}

}  // namespace velin::fuzz
