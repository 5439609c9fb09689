// Rendering the bundled waybill: bytes in to the page bitmap, through framing, dispatch, the
// font map and the drawing primitives. The virtual clock takes the mandated sleeps out.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "usb/loopback.h"

namespace {

using namespace velin;

void BM_RenderBundledWaybill(benchmark::State& state) {
  std::ifstream in(std::string(VELIN_SOURCE_DIR) + "/examples/waybill.cpcl", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) {
    state.SkipWithError("examples/waybill.cpcl not found");
    return;
  }
  VirtualClock clock;
  InlineDispatcher ui;
  InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.config_path = "/nonexistent/velin-bench/config.ini";  // no printer: PRINT is a no-op
  auto port = std::make_unique<LoopbackPort>();
  LoopbackPort* receiver = port.get();
  TCPCLCmdThread thread(services, std::move(port), std::make_unique<FixedDeviceSearch>());
  thread.Begin();
  for (auto _ : state) {
    receiver->Receive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    thread.RunUntilIdle();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.SetLabel("labels/s = iterations/s");
}
BENCHMARK(BM_RenderBundledWaybill)->Unit(benchmark::kMillisecond);

}  // namespace
