// The interpreter on the Linux backends: the platform port and search, a queue standing for
// the window thread's messages, and a receiver played with umockdev.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "support/fake_printer.h"
#include "support/test_paths.h"
#include "usb/device_search.h"
#include "usb/usb_port.h"
#include "usb_posix/usb_testbed.h"

namespace velin {
namespace {

using test::UsbTestbed;
using test::WaitUntil;

TEST(InterpreterOnLibusb, AnswersStatusQueriesAndPrintsALabelInterruptedByAReplug) {
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
  services.main_window = [&](const TThreadData& d) { reports.push_back(d); };
  // Created here, on the thread that drains `ui`.
  TCPCLCmdThread thread(services, CreatePlatformUsbPort(ui), CreatePlatformDeviceSearch());
  thread.Begin();

  // Runs the interpreter's passes until its next receiver search has been reported.
  auto search = [&] {
    size_t seen = reports.size();
    for (int pass = 0; pass < 10 && reports.size() == seen; ++pass) {
      thread.Step();
      ui.Drain();
    }
    return !reports.empty() && reports.back().USBState;
  };
  // The receiver sends `bytes`; the window thread queues them; the interpreter takes them all.
  auto receive = [&](const std::string& bytes) {
    size_t before = thread.fifo().GetFiFoSize();
    bed.Send(bytes);
    bool queued = WaitUntil([&] { return thread.fifo().GetFiFoSize() == before + bytes.size(); },
                            std::chrono::seconds(5), [&] { ui.Drain(); });
    thread.RunUntilIdle();
    return queued;
  };

  ASSERT_TRUE(search());
  ASSERT_TRUE(thread.fifo().usbComm->Opened());
  ASSERT_TRUE(receive("\x1Bv"));
  EXPECT_EQ(bed.Written(), "v");
  ASSERT_TRUE(receive(std::string("\x1E\x01\x02\x03\x04\x05")));
  EXPECT_EQ(bed.Written(), "v\x22\x03\xC5\x20");
  for (int endpoint : bed.WriteEndpoints()) EXPECT_EQ(endpoint, 0x03);

  ASSERT_TRUE(receive("! 0 200 200 210 1\r\nBOX 10 10 100 100 2\r\n"));
  bed.Unplug();
  ASSERT_TRUE(WaitUntil([&] { return !search(); }));
  EXPECT_FALSE(thread.fifo().usbComm->Opened());
  bed.Plug();
  ASSERT_TRUE(WaitUntil([&] { return search(); }));
  EXPECT_TRUE(thread.fifo().usbComm->Opened());

  ASSERT_TRUE(
      receive("\x1Bv"
              "FORM\r\nPRINT\r\n"));
  EXPECT_EQ(bed.Written(), "v\x22\x03\xC5\x20v");
  ASSERT_EQ(printer.graphic_jobs.size(), 1u);
  EXPECT_EQ(printer.graphic_jobs[0].printer, "Label Printer");
}

}  // namespace
}  // namespace velin
