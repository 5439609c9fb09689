// Plug and unplug cycles of the receiver against the Linux port, with the receiver played
// under umockdev: each cycle the interpreter's search closes the port when the receiver goes
// and opens it when it comes back, and a status query is answered through it. After the
// cycles the process holds the descriptors, threads and memory it held after the first few.
//
// CI runs a few dozen cycles. The long run: VELIN_PLUG_CYCLES=1000 with
// --gtest_filter='PlugCycles.*' (run through tests/usb_posix/run-mocked.sh, as ctest does).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "process_stats.h"
#include "support/fake_printer.h"
#include "support/test_paths.h"
#include "usb/device_search.h"
#include "usb/usb_port.h"
#include "usb_posix/usb_testbed.h"

namespace velin {
namespace {

using test::UsbTestbed;
using test::WaitUntil;

TEST(PlugCycles, TheLinuxPortOpensAndClosesWithTheReceiverWithoutGrowing) {
  const uint64_t cycles = test::EnvNumber("VELIN_PLUG_CYCLES", 30);
  const uint64_t warm_up = 5;
  UsbTestbed bed;
  bed.Plug();
  VirtualClock clock;
  QueueDispatcher ui;
  test::FakePrinterSystem printer;
  std::vector<TThreadData> reports;
  InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.printers = &printer;
  services.config_path = test::ScratchDir() + "/config.ini";
  std::ofstream(services.config_path) << "[system]\r\ntransfer_mode=1\r\nprinter=Label Printer\r\n";
  services.main_window = [&](const TThreadData& d) {
    reports.clear();  // only the latest matters; keeps the run's own memory flat
    reports.push_back(d);
  };
  TCPCLCmdThread thread(services, CreatePlatformUsbPort(ui), CreatePlatformDeviceSearch());
  thread.Begin();

  // Runs the interpreter's passes until its next receiver search has been reported.
  auto search = [&] {
    reports.clear();
    for (int pass = 0; pass < 10 && reports.empty(); ++pass) {
      thread.Step();
      ui.Drain();
    }
    return !reports.empty() && reports.back().USBState;
  };
  std::string expected_replies;
  test::ProcessStats after_warm_up;
  uint64_t failures = 0;
  for (uint64_t n = 0; n < cycles && failures < 3; ++n) {
    bool ok = WaitUntil([&] { return search(); });
    ok = ok && thread.fifo().usbComm->Opened();
    if (ok) {
      const char query = static_cast<char>('a' + n % 26);
      bed.Send(std::string("\x1B") + query);
      expected_replies += query;
      ok = WaitUntil([&] { return thread.fifo().GetFiFoSize() >= 2; }, std::chrono::seconds(5),
                     [&] { ui.Drain(); });
      thread.RunUntilIdle();
      ok = ok && WaitUntil([&] { return bed.Written() == expected_replies; });
    }
    bed.Unplug();
    ok = ok && WaitUntil([&] { return !search(); }) && !thread.fifo().usbComm->Opened();
    bed.Plug();
    if (!ok) ++failures;
    if (n + 1 == warm_up) after_warm_up = test::ReadProcessStats();
  }
  // Compared in the same state as after the warm-up: receiver plugged, port not yet opened.
  ui.Drain();
  const test::ProcessStats end = test::ReadProcessStats();
  EXPECT_TRUE(WaitUntil([&] { return search(); }));
  EXPECT_EQ(failures, 0u);
  // The played receiver's own descriptors (umockdev's node and event sockets) come and go as
  // its threads run: two are allowed either way. One leaked per cycle would show as dozens.
  EXPECT_LE(end.handles, after_warm_up.handles + 2);
  EXPECT_EQ(end.threads, after_warm_up.threads);
  if (!test::kUnderAddressSanitizer) {
    EXPECT_LE(end.resident_bytes - after_warm_up.resident_bytes, int64_t{8} << 20);
  }
  std::printf("[ cycles   ] %llu plug/unplug cycles; after %llu: %s; end: %s\n",
              static_cast<unsigned long long>(cycles), static_cast<unsigned long long>(warm_up),
              test::Describe(after_warm_up).c_str(), test::Describe(end).c_str());
}

}  // namespace
}  // namespace velin
