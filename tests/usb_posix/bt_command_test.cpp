// velin-cli bt against a receiver played with umockdev whose Bluetooth module answers the AT
// commands written to it.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "support/test_paths.h"
#include "usb_posix/service_process.h"
#include "usb_posix/usb_testbed.h"

namespace velin {
namespace {

using test::ServiceProcess;
using test::UsbTestbed;

// The module: answers each command line written to the receiver with `answer(command)`, sent
// in pieces of `piece` bytes, each piece a USB block of its own.
class ModuleStandIn {
 public:
  ModuleStandIn(UsbTestbed& bed, std::function<std::string(const std::string&)> answer,
                size_t piece)
      : bed_(bed), answer_(std::move(answer)), piece_(piece), thread_([this] { Run(); }) {}
  ~ModuleStandIn() {
    stop_ = true;
    thread_.join();
  }

 private:
  void Run() {
    size_t seen = 0;
    while (!stop_) {
      const std::string written = bed_.Written();
      const size_t end = written.find("\r\n", seen);
      if (end == std::string::npos) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        continue;
      }
      const std::string reply = answer_(written.substr(seen, end - seen));
      seen = end + 2;
      for (size_t at = 0; at < reply.size(); at += piece_) bed_.Send(reply.substr(at, piece_));
    }
  }

  UsbTestbed& bed_;
  std::function<std::string(const std::string&)> answer_;
  size_t piece_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(BtCommand, ExchangesAtCommandsWithTheModule) {
  const struct {
    const char* note;
    std::vector<std::string> args;
    // The module's answers, in turn, to the commands it receives.
    std::vector<std::string> answers;
    size_t piece;
    int exit_code;
    std::string out;
    std::string err;  // a part of standard error
    std::string written;
  } rows[] = {
      {"name over 3-byte blocks",
       {"name"},
       {"\r\n+NAME:Printer01\r\nOK\r\n"},
       3,
       0,
       "Printer01\n",
       "",
       "AT+NAME?\r\n"},
      {"address",
       {"address"},
       {"\r\n+LBDADDR:12:34:56:78:9A:BC\r\nOK\r\n"},
       7,
       0,
       "12:34:56:78:9A:BC\n",
       "",
       "AT+LBDADDR?\r\n"},
      {"OK alone, then the name",
       {"name"},
       {"OK\r\n", "+NAME:P2\r\nOK\r\n"},
       64,
       0,
       "P2\n",
       "",
       "AT+NAME?\r\nAT+NAME?\r\n"},
      {"a Chinese name set",
       {"set-name", "仓库打印机"},
       {"OK\r\n"},
       1,
       0,
       "OK\n",
       "",
       "AT+NAME=\xB2\xD6\xBF\xE2\xB4\xF2\xD3\xA1\xBB\xFA\r\n"},
      {"silence", {"name"}, {""}, 1, 1, "", "timeout", "AT+NAME?\r\n"},
      {"an error text", {"set-name", "X"}, {"ERROR\r\n"}, 2, 1, "", "timeout", "AT+NAME=X\r\n"},
  };
  const std::string dir = test::ScratchDir();
  const std::string config = dir + "/config.ini";
  std::ofstream(config) << "[system]\r\ntransfer_mode=1\r\n";
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    UsbTestbed bed;
    bed.Plug();
    size_t turn = 0;
    ModuleStandIn module(
        bed,
        [&](const std::string&) { return row.answers[std::min(turn++, row.answers.size() - 1)]; },
        row.piece);
    std::vector<std::string> args = {"bt"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    args.insert(args.end(), {"--config", config});
    ServiceProcess bt(dir, "bt" + std::to_string(n++), args);
    EXPECT_EQ(bt.Wait(), row.exit_code) << bt.Err();
    EXPECT_EQ(bt.Out(), row.out);
    EXPECT_NE(bt.Err().find(row.err), std::string::npos) << bt.Err();
    EXPECT_EQ(bed.Written(), row.written);
  }
}

TEST(BtCommand, FailsClearlyWithoutAReceiverAndRefusesBadNames) {
  const std::string dir = test::ScratchDir();
  UsbTestbed bed;  // nothing plugged in
  ServiceProcess absent(dir, "absent", {"bt", "name", "--config", dir + "/none.ini"});
  EXPECT_EQ(absent.Wait(), 1);
  EXPECT_NE(absent.Err().find("no receiver"), std::string::npos) << absent.Err();

  bed.Plug();
  for (const char* name : {"two\r\nlines", "\xE2\x82\xAC\xF0\x9F\x98\x80"}) {  // CR LF; an emoji
    ServiceProcess bad(dir, "bad", {"bt", "set-name", name});
    EXPECT_EQ(bad.Wait(), 2) << bad.Err();
    EXPECT_EQ(bed.Written(), "");
  }
}

}  // namespace
}  // namespace velin
