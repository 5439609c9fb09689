// velin-cli serve as a service runs it, against a receiver played with umockdev: what it
// prints, what it answers, how it lives through an unplug and how it stops.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "support/run_process.h"
#include "support/test_paths.h"
#include "usb_posix/service_process.h"
#include "usb_posix/usb_testbed.h"

namespace velin {
namespace {

using test::ServiceProcess;
using test::UsbTestbed;
using test::WaitUntil;
using namespace std::chrono_literals;

constexpr const char* kFound = "receiver found: usb:1-2/vid_0483&pid_5720";
constexpr const char* kStopLine = "TCPCLCmdThread stoped";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sends `bytes` in pieces of `piece` bytes, each a USB block of its own.
void SendInPieces(UsbTestbed& bed, const std::string& bytes, size_t piece) {
  for (size_t at = 0; at < bytes.size(); at += piece) bed.Send(bytes.substr(at, piece));
}

struct Service {
  std::string dir = test::ScratchDir();
  std::string config = dir + "/config.ini";
  std::string png = dir + "/png";
  std::string capture = dir + "/capture.bin";

  explicit Service(const std::string& config_text = "[system]\r\ntransfer_mode=1\r\n") {
    std::ofstream(config, std::ios::binary) << config_text;
  }
  std::vector<std::string> Args(std::vector<std::string> more = {}) const {
    std::vector<std::string> args = {"serve", "--config", config, "--png-dir", png};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  std::string Label(int n) const {
    char name[32];
    std::snprintf(name, sizeof name, "/label-%06d.png", n);
    return png + name;
  }
};

TEST(Serve, PrintsAWaybillSplitOverManyBlocksAsRenderDrawsIt) {
  Service service;
  UsbTestbed bed;
  // Another device first on the bus: the search passes over it.
  test::MockDevice mouse{"1-1",
                         1,
                         2,
                         0x046D,
                         0xC077,
                         test::Descriptors(0x046D, 0xC077, 1,
                                           "090400000103010200"
                                           "0705810304000a")};
  bed.Add(mouse);
  bed.Plug();
  ServiceProcess serve(service.dir, "serve",
                       service.Args({"--capture", service.capture, "--debug"}));
  ASSERT_TRUE(serve.WaitForErr(kFound, 5s)) << serve.Err();
  EXPECT_EQ(serve.Err().find("1-1/"), std::string::npos) << serve.Err();

  const std::string waybill = Slurp(test::SourcePath("examples/waybill-full.cpcl"));
  ASSERT_FALSE(waybill.empty());
  SendInPieces(bed, waybill, 29);
  ASSERT_TRUE(serve.WaitForErr("printed", 10s)) << serve.Err();
  EXPECT_NE(serve.Err().find("dots on \"velin-png\": printed"), std::string::npos) << serve.Err();
  // The debug log: each command line as received.
  EXPECT_TRUE(serve.WaitForErr("debug: PRINT\n", 2s)) << serve.Err();
  serve.Signal(SIGINT);
  EXPECT_EQ(serve.Wait(), 0);
  EXPECT_NE(serve.Err().find("stopping on SIGINT"), std::string::npos);
  EXPECT_NE(serve.Err().find(kStopLine), std::string::npos);
  EXPECT_EQ(Slurp(service.capture), waybill);

  const std::string rendered = service.dir + "/rendered";
  test::ProcessResult render =
      test::RunVelinCli({"render", "--config", service.config,
                         test::SourcePath("examples/waybill-full.cpcl"), "-o", rendered});
  ASSERT_EQ(render.exit_code, 0) << render.err;
  const std::string page = Slurp(rendered + "/page-001.png");
  ASSERT_FALSE(page.empty());
  EXPECT_TRUE(Slurp(service.Label(1)) == page) << "the served label differs from the rendered page";
  EXPECT_FALSE(std::filesystem::exists(service.Label(2)));
}

TEST(Serve, SendsAPassThroughBurstAsOneRawJob) {
  Service service("[system]\r\ntransfer_mode=0\r\n");
  UsbTestbed bed;
  bed.Plug();
  ServiceProcess serve(service.dir, "serve", service.Args());
  ASSERT_TRUE(serve.WaitForErr(kFound, 5s)) << serve.Err();
  const std::string job = "^XA^FO20,20^FDVelin^FS^XZ\r\n" + test::Pattern(3000, 1);
  SendInPieces(bed, job, 500);
  ASSERT_TRUE(serve.WaitForErr("raw job of " + std::to_string(job.size()) + " bytes", 10s))
      << serve.Err();
  EXPECT_EQ(Slurp(service.png + "/raw-001.bin"), job);
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(), 0);
}

TEST(Serve, AnswersStatusQueriesOnTheOutEndpoint) {
  Service service;
  UsbTestbed bed;
  bed.Plug();
  ServiceProcess serve(service.dir, "serve", service.Args());
  ASSERT_TRUE(serve.WaitForErr(kFound, 5s)) << serve.Err();
  const struct {
    std::string query, reply;
  } rows[] = {
      {"\x1Bv", "v"},
      {std::string("\x10\x04\x01", 3), std::string("\0\0", 2)},
      {std::string("\x1D\x49\x01\x00", 4), std::string("\0\0", 2)},
      {"\x1E"
       "ABCDE",
       "\x22\x03\xC5\x20"},
  };
  std::string expected;
  for (const auto& row : rows) {
    bed.Send(row.query);
    expected += row.reply;
    EXPECT_TRUE(WaitUntil([&] { return bed.Written().size() >= expected.size(); }, 5s));
    EXPECT_EQ(bed.Written(), expected);
  }
  for (int endpoint : bed.WriteEndpoints()) EXPECT_EQ(endpoint, 0x03);
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(), 0);
}

TEST(Serve, LivesThroughAnUnplugDuringALabelAndPrintsTheNextOne) {
  Service service;
  UsbTestbed bed;
  bed.Plug();
  ServiceProcess serve(service.dir, "serve", service.Args());
  ASSERT_TRUE(serve.WaitForErr(kFound, 5s)) << serve.Err();
  SendInPieces(bed, "! 0 200 200 300 1\r\nBOX 10 10 200 200 2\r\nLINE 0 0 1", 16);
  ASSERT_TRUE(WaitUntil([&] { return bed.Unsent() == 0; }, 5s));
  bed.Unplug();
  ASSERT_TRUE(serve.WaitForErr("receiver gone", 5s)) << serve.Err();
  bed.Plug();
  ASSERT_TRUE(serve.WaitForErr(kFound, 5s, 2)) << serve.Err();
  SendInPieces(bed, "\r\n! 0 200 200 240 1\r\nBOX 20 20 100 100 3\r\nFORM\r\nPRINT\r\n", 16);
  ASSERT_TRUE(serve.WaitForErr("printed", 10s)) << serve.Err();
  EXPECT_TRUE(std::filesystem::exists(service.Label(1)));
  EXPECT_TRUE(serve.Running());
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(), 0);
}

TEST(Serve, StopsWithinASecondOnSigtermDuringALabel) {
  Service service;
  UsbTestbed bed;
  bed.Plug();
  ServiceProcess serve(service.dir, "serve", service.Args({"--capture", service.capture}));
  ASSERT_TRUE(serve.WaitForErr(kFound, 5s)) << serve.Err();
  // A compressed graphic whose handler waits for 1000 data bytes; 10 arrive.
  const std::string partial = "! 0 200 200 300 1\r\nCG 10 100 0 0 " + std::string(10, '\xAA');
  bed.Send(partial);
  ASSERT_TRUE(WaitUntil([&] { return bed.Unsent() == 0; }, 5s));
  std::this_thread::sleep_for(700ms);  // the interpreter's next pass takes the bytes
  const auto signalled = std::chrono::steady_clock::now();
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, 1s);
  EXPECT_NE(serve.Err().find("stopping on SIGTERM"), std::string::npos) << serve.Err();
  EXPECT_NE(serve.Err().find(kStopLine), std::string::npos) << serve.Err();
  EXPECT_EQ(Slurp(service.capture), partial);
}

TEST(Serve, ReportsABadConfigurationAtStartAndWithEachJobAndKeepsServing) {
  UsbTestbed bed;
  bed.Plug();
  const std::string label = "! 0 200 200 240 1\r\nBOX 20 20 100 100 3\r\nPRINT\r\n";
  {
    // A missing configuration: the defaults serve.
    Service service;
    std::vector<std::string> args = service.Args();
    args[2] = service.dir + "/missing.ini";
    ServiceProcess serve(service.dir, "missing", args);
    ASSERT_TRUE(serve.WaitForErr(kFound, 5s)) << serve.Err();
    bed.Send(label);
    ASSERT_TRUE(serve.WaitForErr("printed", 10s)) << serve.Err();
    EXPECT_TRUE(serve.WaitForErr("missing.ini not found", 2s, 2)) << serve.Err();
    serve.Signal(SIGTERM);
    EXPECT_EQ(serve.Wait(), 0);
  }
  // A printer that CUPS does not know (if CUPS has a default queue, the job would go there).
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
  cupsFreeDests(dest != nullptr ? 1 : 0, dest);
  if (dest != nullptr) GTEST_SKIP() << "CUPS has a default destination";
  Service service("[system]\r\ntransfer_mode=1\r\nprinter=velin-no-such-queue\r\n");
  ServiceProcess serve(service.dir, "unknown", {"serve", "--config", service.config});
  ASSERT_TRUE(serve.WaitForErr(kFound, 5s)) << serve.Err();
  EXPECT_NE(serve.Err().find("\"velin-no-such-queue\""), std::string::npos) << serve.Err();
  bed.Send(label);
  ASSERT_TRUE(serve.WaitForErr("failed: NotFindPrinter.", 10s)) << serve.Err();
  bed.Send(label);
  ASSERT_TRUE(serve.WaitForErr("failed: NotFindPrinter.", 10s, 2)) << serve.Err();
  // Told at start and after each job (the job's line comes first).
  EXPECT_TRUE(serve.WaitForErr("is not installed", 2s, 3)) << serve.Err();
  serve.Signal(SIGTERM);
  EXPECT_EQ(serve.Wait(), 0);
}

}  // namespace
}  // namespace velin
