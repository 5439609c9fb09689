// Printer faults on a real CUPS server: a queue of this test's own (on the capture backend that
// scripts/cups-test-queue.sh installs) is stopped, made to reject jobs, deleted and added
// again while the interpreter prints labels to it. Each label gets exactly one outcome; each
// failure is reported once, naming the queue and the reason, in the print report and the
// debug log; the interpreter goes on, and the label after the queue is back prints. Needs
// root (lpadmin) and the capture backend; skipped otherwise.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "interpreter/printing.h"
#include "support/run_process.h"
#include "support/test_paths.h"
#include "usb/loopback.h"

namespace velin {
namespace {

constexpr const char* kBackend = "/usr/lib/cups/backend/velin-capture";

bool Admin(const std::string& tool, const std::vector<std::string>& args) {
  return test::RunProcess(tool, args).exit_code == 0;
}

// Jobs of `queue` not finished yet.
int ActiveJobs(const std::string& queue) {
  cups_job_t* jobs = nullptr;
  const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  cupsFreeJobs(n, jobs);
  return n;
}

TEST(PrinterFaults, EachFailureIsReportedOnceAndTheLabelAfterTheQueueIsBackPrints) {
  if (::geteuid() != 0 || ::access(kBackend, X_OK) != 0 || ::access("/usr/sbin/lpadmin", X_OK) != 0)
    GTEST_SKIP() << "needs root and the capture backend (scripts/cups-test-queue.sh)";
  const std::string queue = "velin-faults-" + std::to_string(::getpid());
  auto add_queue = [&] {
    return Admin("/usr/sbin/lpadmin", {"-p", queue, "-E", "-v", "velin-capture:/", "-m", "raw"});
  };
  ASSERT_TRUE(add_queue());
  struct Remove {
    std::string queue;
    ~Remove() { test::RunProcess("/usr/sbin/lpadmin", {"-x", queue}); }
  } remove{queue};

  VirtualClock clock;
  QueueDispatcher ui;
  std::unique_ptr<PrinterSystem> printers = PlatformPrinterSystem();
  std::vector<PrintReport> reports;
  std::vector<std::string> debug_lines;
  InterpreterServices services;
  services.clock = &clock;
  services.ui = &ui;
  services.printers = printers.get();
  services.bound_printer = queue;
  services.config_path = test::ScratchDir() + "/config.ini";
  std::ofstream(services.config_path) << "[system]\r\ntransfer_mode=1\r\n";
  services.on_print = [&](const PrintReport& r) { reports.push_back(r); };
  services.debug_window = [&](const TDebugData& d) { debug_lines.push_back(d.MsgStr); };
  auto owned = std::make_unique<LoopbackPort>();
  LoopbackPort* port = owned.get();
  TCPCLCmdThread thread(services, std::move(owned),
                        std::make_unique<FixedDeviceSearch>(
                            std::vector<std::string>{kLoopbackReceiverPath}));
  thread.fifo().FindPrinter();
  thread.fifo().StartDebug();
  thread.Begin();

  // One label; its print reports and the debug lines that name the queue.
  struct Outcome {
    std::vector<PrintReport> reports;
    int logged = 0;
  };
  int label = 0;
  auto print = [&] {
    reports.clear();
    debug_lines.clear();
    const std::string bytes = "! 0 200 200 120 1\r\nT 4 0 10 10 fault " +
                              std::to_string(++label) + "\r\nBOX 5 5 100 100 2\r\nPRINT\r\n";
    port->Receive(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    thread.RunUntilIdle();
    ui.Drain();
    Outcome outcome{reports, 0};
    for (const std::string& line : debug_lines)
      if (line.find(queue) != std::string::npos && line.rfind("CMD_PRINT:", 0) == 0)
        ++outcome.logged;
    return outcome;
  };
  auto expect_printed = [&](const Outcome& o, const char* when) {
    ASSERT_EQ(o.reports.size(), 1u) << when;
    EXPECT_TRUE(o.reports[0].ok) << when << ": " << o.reports[0].error;
    EXPECT_EQ(o.logged, 0) << when;
  };
  auto expect_failed = [&](const Outcome& o, const char* when, const std::string& reason) {
    ASSERT_EQ(o.reports.size(), 1u) << when;
    EXPECT_FALSE(o.reports[0].ok) << when;
    EXPECT_NE(o.reports[0].error.find(queue), std::string::npos) << o.reports[0].error;
    EXPECT_NE(o.reports[0].error.find(reason), std::string::npos) << o.reports[0].error;
    EXPECT_EQ(o.logged, 1) << when;
  };

  expect_printed(print(), "queue ready");

  // Stopped: the server takes the job and holds it until the queue is started again.
  ASSERT_TRUE(Admin("/usr/sbin/cupsdisable", {queue}));
  expect_printed(print(), "queue stopped");
  EXPECT_GE(ActiveJobs(queue), 1);
  ASSERT_TRUE(Admin("/usr/sbin/cupsenable", {queue}));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ActiveJobs(queue) > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ActiveJobs(queue), 0) << "the held job did not print once the queue was started";

  // Rejecting jobs: the job is refused, and said so.
  ASSERT_TRUE(Admin("/usr/sbin/cupsreject", {queue}));
  expect_failed(print(), "queue rejecting", "not accepting");
  ASSERT_TRUE(Admin("/usr/sbin/cupsaccept", {queue}));
  expect_printed(print(), "queue accepting again");

  // Deleted, then added again.
  ASSERT_TRUE(Admin("/usr/sbin/lpadmin", {"-x", queue}));
  expect_failed(print(), "queue deleted", "not found");
  expect_failed(print(), "queue still deleted", "not found");  // every label, once each
  ASSERT_TRUE(add_queue());
  expect_printed(print(), "queue restored");
}

TEST(PrinterFaults, ARawJobTheQueueRefusesFailsWithACode) {
  if (::geteuid() != 0 || ::access(kBackend, X_OK) != 0 || ::access("/usr/sbin/lpadmin", X_OK) != 0)
    GTEST_SKIP() << "needs root and the capture backend (scripts/cups-test-queue.sh)";
  const std::string queue = "velin-raw-faults-" + std::to_string(::getpid());
  ASSERT_TRUE(Admin("/usr/sbin/lpadmin", {"-p", queue, "-E", "-v", "velin-capture:/", "-m", "raw"}));
  struct Remove {
    std::string queue;
    ~Remove() { test::RunProcess("/usr/sbin/lpadmin", {"-x", queue}); }
  } remove{queue};
  std::unique_ptr<PrinterSystem> printers = PlatformPrinterSystem();
  std::vector<std::string> boxes;
  auto send = [&] {
    return WriteRawStringToPrinter(*printers, [&](const std::string& text) { boxes.push_back(text); },
                                   queue, "raw bytes\r\n");
  };
  EXPECT_EQ(send(), 0u);
  ASSERT_TRUE(Admin("/usr/sbin/cupsreject", {queue}));
  EXPECT_NE(send(), 0u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("error ", 0), 0u) << boxes[0];
  ASSERT_TRUE(Admin("/usr/sbin/cupsaccept", {queue}));
  EXPECT_EQ(send(), 0u);
  EXPECT_EQ(boxes.size(), 1u);
}

}  // namespace
}  // namespace velin
