// Plug and unplug cycles of the Windows port against a named pipe standing for the receiver
// (under Wine in CI): the interpreter's search opens the port when the receiver is listed and
// closes it when it is gone; each cycle a status query is answered through the pipe. After the
// cycles the process holds the handles (GetProcessHandleCount), threads and memory it held
// after the first few.
//
// CI runs a few dozen cycles. The long run: VELIN_PLUG_CYCLES=1000 with
// --gtest_filter='PlugCyclesWin.*'.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "process_stats.h"
#include "support/test_paths.h"
#include "usb/loopback.h"
#include "usb/usb_port.h"
#include "usb_win/pipe_receiver.h"

namespace velin {
namespace {

TEST(PlugCyclesWin, ThePortOpensAndClosesWithTheReceiverWithoutGrowing) {
  const uint64_t cycles = test::EnvNumber("VELIN_PLUG_CYCLES", 30);
  const uint64_t warm_up = 5;
  test::PipeReceiver receiver;
  VirtualClock clock;
  InlineDispatcher ui;
  InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.config_path = test::ScratchDir() + "/config.ini";
  std::ofstream(services.config_path) << "[system]\r\ntransfer_mode=1\r\n";
  bool present = false;
  services.main_window = [&](const TThreadData& d) { present = d.USBState; };
  auto owned_search = std::make_unique<FixedDeviceSearch>();
  FixedDeviceSearch* search = owned_search.get();
  TCPCLCmdThread thread(services, CreatePlatformUsbPort(), std::move(owned_search));
  thread.Begin();
  // One receiver search, as the interpreter makes every 500 ms.
  auto look = [&] {
    clock.advance(600);
    thread.Step();
    return present;
  };

  test::ProcessStats after_warm_up;
  uint64_t failures = 0;
  for (uint64_t n = 0; n < cycles && failures < 3; ++n) {
    search->paths = {receiver.path()};
    bool ok = look() && thread.fifo().usbComm->Opened();
    if (ok) {
      const char query = static_cast<char>('a' + n % 26);
      receiver.Send(std::string("\x1B") + query);
      ok = test::PumpUntil([&] { return thread.fifo().GetFiFoSize() >= 2; });
      thread.RunUntilIdle();
      ok = ok && receiver.Receive(1) == std::string(1, query);
    }
    // Unplugged: the pipe goes and the search no longer lists it.
    receiver.Close();
    search->paths.clear();
    ok = ok && !look() && !thread.fifo().usbComm->Opened();
    receiver.Listen();
    if (!ok) ++failures;
    if (n + 1 == warm_up) after_warm_up = test::ReadProcessStats();
  }
  const test::ProcessStats end = test::ReadProcessStats();
  EXPECT_EQ(failures, 0u);
  EXPECT_LE(end.handles, after_warm_up.handles);
  EXPECT_LE(end.threads, after_warm_up.threads);
  EXPECT_LE(end.resident_bytes - after_warm_up.resident_bytes, int64_t{8} << 20);
  std::printf("[ cycles   ] %llu plug/unplug cycles; after %llu: %s; end: %s\n",
              static_cast<unsigned long long>(cycles), static_cast<unsigned long long>(warm_up),
              test::Describe(after_warm_up).c_str(), test::Describe(end).c_str());
}

}  // namespace
}  // namespace velin
