// The receive FIFO: order of bytes, the capture, and the receiver search.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/test_paths.h"
#include "usb/loopback.h"
#include "usb/usb_fifo.h"

namespace velin {
namespace {

struct Fixture {
  Fixture(std::vector<std::string> paths = {kLoopbackReceiverPath}) {
    auto p = std::make_unique<LoopbackPort>();
    auto s = std::make_unique<FixedDeviceSearch>(std::move(paths));
    port = p.get();
    search = s.get();
    fifo = std::make_unique<TUSBFiFo>(std::move(p), std::move(s));
  }
  void Receive(const std::string& block) {
    port->Receive(reinterpret_cast<const uint8_t*>(block.data()), block.size());
  }
  std::string Drain() {
    std::string out;
    uint8_t c;
    while (fifo->GetChar(c)) out += static_cast<char>(c);
    return out;
  }
  LoopbackPort* port;
  FixedDeviceSearch* search;
  std::unique_ptr<TUSBFiFo> fifo;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(Fifo, BytesLeaveInArrivalOrderWithPutCharInterleaved) {
  Fixture f;
  f.Receive("AB");
  f.fifo->PutChar('x');
  f.Receive("CD");
  EXPECT_EQ(f.fifo->GetFiFoSize(), 5u);
  EXPECT_EQ(f.Drain(), "ABxCD");
  uint8_t kept = 'k';
  EXPECT_FALSE(f.fifo->GetChar(kept));
  EXPECT_EQ(kept, 'k');
  f.fifo->CommPortReceiveData(nullptr, 0);  // an empty block appends nothing
  EXPECT_EQ(f.fifo->GetFiFoSize(), 0u);
}

TEST(Fifo, TheCaptureHoldsReceivedBytesOnlyWhileOn) {
  Fixture f;
  std::string path = test::ScratchDir() + "/Data.bin";
  f.Receive("before");  // capture off: queued, not captured
  f.fifo->StartDebug();
  f.Receive("AB");
  f.fifo->PutChar('p');  // replayed bytes are never captured
  f.Receive("CD");
  ASSERT_TRUE(f.fifo->SaveData(path));
  EXPECT_EQ(Slurp(path), "ABCD");
  ASSERT_TRUE(f.fifo->SaveData(path));  // saving emptied the capture
  EXPECT_EQ(Slurp(path), "");
  f.Receive("EF");
  f.fifo->StopDebug();
  f.Receive("GH");
  f.fifo->StartDebug();  // discards what was captured before
  f.Receive("IJ");
  f.fifo->SaveData(path);
  EXPECT_EQ(Slurp(path), "IJ");
  EXPECT_EQ(f.Drain(), "beforeABpCDEFGHIJ");
}

TEST(Fifo, ASaveThatCannotWriteKeepsTheCapture) {
  Fixture f;
  f.fifo->StartDebug();
  f.Receive("AB");
  EXPECT_THROW(f.fifo->SaveData(test::ScratchDir() + "/no/such/dir/Data.bin"), std::runtime_error);
  EXPECT_EQ(f.fifo->capture().size(), 2u);
}

TEST(Fifo, MemoryStaysBoundedWhenNobodyConsumes) {
  Fixture f;
  std::string block(4096, 'z');
  size_t sent = 0;
  while (sent <= TUSBFiFo::kMaxQueued) {
    f.Receive(block);
    sent += block.size();
  }
  EXPECT_EQ(f.fifo->GetFiFoSize(), TUSBFiFo::kMaxQueued);
  EXPECT_EQ(f.fifo->dropped_bytes(), sent - TUSBFiFo::kMaxQueued);
  EXPECT_FALSE(f.fifo->PutChar('x'));
  uint8_t c;
  ASSERT_TRUE(f.fifo->GetChar(c));
  EXPECT_TRUE(f.fifo->PutChar('x'));  // room again once a byte is taken
}

TEST(Fifo, EveryByteIsTakenWaitingOrCountedDroppedWhileBothThreadsRun) {
  // The receiver fills the FIFO past its limit on one thread while the consumer takes bytes
  // and watches the drop count on another.
  Fixture f;
  const std::string block(4096, 'z');
  const size_t blocks = TUSBFiFo::kMaxQueued / block.size() + 64;
  std::atomic<bool> receiving{true};
  std::thread receiver([&] {
    for (size_t i = 0; i < blocks; ++i) f.Receive(block);
    receiving = false;
  });
  size_t taken = 0, last_seen = 0;
  bool count_went_back = false;
  // The consumer starts once the FIFO is full and dropping, and takes while blocks still come.
  while (receiving && f.fifo->dropped_bytes() == 0) {
  }
  uint8_t c;
  while (receiving || taken < 1000) {
    if (f.fifo->GetChar(c)) ++taken;
    const size_t seen = f.fifo->dropped_bytes();
    count_went_back |= seen < last_seen;
    last_seen = seen;
  }
  receiver.join();
  EXPECT_FALSE(count_went_back);
  EXPECT_EQ(taken + f.fifo->GetFiFoSize() + f.fifo->dropped_bytes(), blocks * block.size());
}

TEST(FindPrinter, MatchesTheFirstLowerCasePathAndOpensOrClosesThePort) {
  struct Row {
    int line;
    std::vector<std::string> paths;
    int expected;  // index of the receiver's path, or -1
  } rows[] = {
      {__LINE__, {}, -1},
      {__LINE__, {"\\\\?\\usb#VID_0483&PID_5720#1"}, -1},  // the match is case-sensitive
      {__LINE__, {"\\\\?\\usb#vid_046d&pid_c52b#2", "\\\\?\\usb#vid_0483&pid_5720#3"}, 1},
      {__LINE__, {"x vid_0483&pid_5720", "\\\\?\\usb#vid_0483&pid_5720#9"}, 0},  // first wins
      {__LINE__, {"vid_0483&pid_57201"}, 0},  // contained anywhere
  };
  for (const Row& row : rows) {
    Fixture f(row.paths);
    bool found = f.fifo->FindPrinter();
    EXPECT_EQ(found, row.expected >= 0) << "row " << row.line;
    EXPECT_EQ(f.port->Opened(), row.expected >= 0) << "row " << row.line;
    EXPECT_EQ(f.fifo->GetUSBState(), row.expected >= 0) << "row " << row.line;
    if (row.expected >= 0) {
      EXPECT_EQ(f.port->FUSBInfo.PrintAddr, row.paths[row.expected]) << "row " << row.line;
    }
  }
}

TEST(FindPrinter, UnpluggingClosesThePortAndReplugginReopensIt) {
  Fixture f;
  EXPECT_TRUE(f.fifo->FindPrinter());
  EXPECT_TRUE(f.fifo->FindPrinter());  // already open: not started twice
  EXPECT_EQ(f.port->starts, 1);
  f.search->paths.clear();
  EXPECT_FALSE(f.fifo->FindPrinter());
  EXPECT_FALSE(f.port->Opened());
  // The FIFO's search resets nothing when it fails: only its result tells.
  EXPECT_TRUE(f.port->FUSBInfo.isFindPrint);
  EXPECT_EQ(f.port->FUSBInfo.PrintAddr, kLoopbackReceiverPath);
  f.search->paths = {kLoopbackReceiverPath};
  EXPECT_TRUE(f.fifo->FindPrinter());
  EXPECT_TRUE(f.port->Opened());
  EXPECT_EQ(f.port->starts, 2);
}

TEST(FindPrinter, AFailingSearchClosesThePortAndPropagates) {
  Fixture f;
  ASSERT_TRUE(f.fifo->FindPrinter());
  f.search->throw_on_search = true;
  EXPECT_THROW(f.fifo->FindPrinter(), std::runtime_error);
  EXPECT_FALSE(f.port->Opened());
  f.search->throw_on_search = false;
  f.port->fail_start_with = "Error opening serial port";
  EXPECT_THROW(f.fifo->FindPrinter(), ECommsError);
  EXPECT_FALSE(f.port->Opened());
}

// The port's own search: it clears isFindPrint before searching, so the flag always tells the
// outcome of the last search, and it opens the port only when auto-connecting.
TEST(PortFindPrinter, ClearsTheFlagFirstAndClosesThePortWhenTheReceiverIsGone) {
  const std::string first = "\\\\?\\usb#vid_0483&pid_5720#first";
  LoopbackPort port;
  FixedDeviceSearch search({"\\\\?\\usb#VID_0483&PID_5720#upper", first, first + "-second"});
  port.FAutoConn = false;
  port.FindPrinter(search);
  EXPECT_TRUE(port.FUSBInfo.isFindPrint);
  EXPECT_EQ(port.FUSBInfo.PrintAddr, first);
  EXPECT_FALSE(port.Opened());  // no auto-connect

  port.FAutoConn = true;
  port.FindPrinter(search);
  EXPECT_TRUE(port.Opened());

  search.throw_on_search = true;
  EXPECT_THROW(port.FindPrinter(search), std::runtime_error);
  EXPECT_FALSE(port.FUSBInfo.isFindPrint);
  EXPECT_FALSE(port.Opened());  // closed although the search threw

  search.throw_on_search = false;
  port.fail_start_with = "Error opening serial port";
  EXPECT_THROW(port.FindPrinter(search), ECommsError);
  EXPECT_TRUE(port.FUSBInfo.isFindPrint);  // found, but it could not be opened
  EXPECT_FALSE(port.Opened());

  port.fail_start_with.clear();
  port.FindPrinter(search);
  EXPECT_TRUE(port.Opened());
  search.paths.clear();
  port.FindPrinter(search);
  EXPECT_FALSE(port.FUSBInfo.isFindPrint);
  EXPECT_FALSE(port.Opened());
  EXPECT_EQ(port.FUSBInfo.PrintAddr, first);  // a failed search keeps the path
}

// FindUSBDevice goes through the port's search, then opens or closes the port itself.
TEST(FindUSBDevice, OpensWithThePortsSearchAndClosesWhenItFailsOrThrows) {
  Fixture f;
  f.fifo->FindUSBDevice();  // the FIFO leaves auto-connect off: FindUSBDevice opens the port
  EXPECT_TRUE(f.port->Opened());
  EXPECT_TRUE(f.fifo->GetUSBState());
  f.fifo->FindUSBDevice();
  EXPECT_EQ(f.port->starts, 1);

  f.search->throw_on_search = true;
  EXPECT_THROW(f.fifo->FindUSBDevice(), std::runtime_error);
  EXPECT_FALSE(f.port->Opened());
  EXPECT_FALSE(f.fifo->GetUSBState());

  f.search->throw_on_search = false;
  f.fifo->FindUSBDevice();
  EXPECT_TRUE(f.port->Opened());
  f.search->paths = {"\\\\?\\usb#vid_046d&pid_c52b#mouse"};
  f.fifo->FindUSBDevice();
  EXPECT_FALSE(f.port->Opened());
  EXPECT_FALSE(f.fifo->GetUSBState());
  EXPECT_EQ(f.port->FUSBInfo.PrintAddr, kLoopbackReceiverPath);
}

}  // namespace
}  // namespace velin
