// LibusbPort against a receiver played with umockdev.
#include "usb/posix/libusb_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/ui_dispatcher.h"
#include "usb/posix/libusb_device_search.h"
#include "usb/posix/usb_device_path.h"
#include "usb/usb_fifo.h"
#include "usb_posix/usb_testbed.h"

namespace velin {
namespace {

using namespace std::chrono_literals;
using test::MockDevice;
using test::Pattern;
using test::ReceiverDevice;
using test::UsbTestbed;
using test::WaitUntil;

const std::string kReceiverPath = "usb:1-2/vid_0483&pid_5720";

// What OnReceiveData saw.
struct Received {
  std::vector<size_t> blocks;
  std::string bytes;
  bool wrong_thread = false;
  bool unterminated = false;
};

class LibusbPortTest : public ::testing::Test {
 protected:
  // A port wired to record every block, created on this thread.
  std::unique_ptr<LibusbPort> MakePort(size_t max_pending = LibusbPort::kMaxPendingBytes) {
    auto port = std::make_unique<LibusbPort>(ui, max_pending);
    std::thread::id creator = std::this_thread::get_id();
    port->OnReceiveData = [this, creator](const uint8_t* buffer, uint16_t length) {
      got.blocks.push_back(length);
      got.bytes.append(reinterpret_cast<const char*>(buffer), length);
      if (std::this_thread::get_id() != creator) got.wrong_thread = true;
      if (buffer[length] != 0) got.unterminated = true;
    };
    port->FUSBInfo.PrintAddr = kReceiverPath;
    port->FUSBInfo.isFindPrint = true;
    return port;
  }
  std::unique_ptr<LibusbPort> OpenPort(size_t max_pending = LibusbPort::kMaxPendingBytes) {
    auto port = MakePort(max_pending);
    port->StartComm();
    return port;
  }
  // Drains the dispatcher, as the user-interface thread would, until n bytes arrived.
  bool DrainUntilReceived(size_t n) {
    return WaitUntil([&] { return got.bytes.size() >= n; }, 5s, [&] { ui.Drain(); });
  }
  static void Write(UsbPort& port, const std::string& bytes) {
    port.WriteData(reinterpret_cast<const uint8_t*>(bytes.data()),
                   static_cast<int32_t>(bytes.size()));
  }
  static std::string OpenError(UsbPort& port) {
    try {
      port.StartComm();
    } catch (const ECommsError& e) {
      return e.what();
    }
    return "opened";
  }

  UsbTestbed bed;  // first: it outlives every port and search of the test
  QueueDispatcher ui;
  Received got;
};

TEST(LibusbPortInterface, ClaimsTheFirstInterfaceWithABulkPair) {
  struct Case {
    const char* note;
    std::string interfaces;
    int count;
    int claimed;  // -1: cannot be opened
    int in;
    int out;
  };
  const Case cases[] = {
      {"HID first, bulk pair second", "", 0, 1, 0x82, 0x03},
      {"bulk IN alone, bulk IN with interrupt OUT, then two pairs",
       "090400000108060000"
       "07058102400000"
       "090401000203000000"
       "07050103080001"
       "07058302400000"
       "090402000202000000"
       "07058402400000"
       "07050502400000"
       "090403000202000000"
       "07058602400000"
       "07050702400000",
       4, 2, 0x84, 0x05},
      {"first of several bulk endpoints each way",
       "090400000400000000"
       "07050202400000"
       "07058102400000"
       "07058502400000"
       "07050602400000",
       1, 0, 0x81, 0x02},
      {"interrupt pair only", "090400000203000000 07058103080001 07050103080001", 1, -1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    MockDevice device = ReceiverDevice();
    if (!c.interfaces.empty()) {
      std::string hex = c.interfaces;
      std::erase(hex, ' ');
      device.descriptors = test::Descriptors(0x0483, 0x5720, c.count, hex);
    }
    UsbTestbed testbed;
    testbed.Plug(device);
    QueueDispatcher ui;
    auto port = std::make_unique<LibusbPort>(ui);
    port->FUSBInfo.PrintAddr = kReceiverPath;
    port->FUSBInfo.isFindPrint = true;
    if (c.claimed < 0) {
      EXPECT_THROW(port->StartComm(), ECommsError);
      EXPECT_FALSE(port->Opened());
      EXPECT_TRUE(testbed.ClaimedInterfaces().empty());
      continue;
    }
    port->StartComm();
    ASSERT_TRUE(port->Opened());
    EXPECT_EQ(testbed.ClaimedInterfaces(), std::vector<int>{c.claimed});
    EXPECT_EQ(port->ClaimedInterface(), c.claimed);
    EXPECT_EQ(testbed.ReadEndpoints(), std::vector<int>{c.in});
    const uint8_t byte = 'x';
    port->WriteData(&byte, 1);
    EXPECT_EQ(testbed.WriteEndpoints(), std::vector<int>{c.out});
    port->StopComm();
    EXPECT_EQ(testbed.ReleasedInterfaces(), std::vector<int>{c.claimed});
  }
}

TEST_F(LibusbPortTest, BlocksArriveInOrderOnTheCreatingThreadOnlyWhenItDrains) {
  bed.Plug();
  auto port = OpenPort();
  ASSERT_TRUE(port->Opened());
  std::string sent;
  std::vector<size_t> expected_blocks;
  for (size_t size : {1, 2, 100, 4095, 4096, 4097, 1000, 10000, 65536}) {
    std::string chunk = Pattern(size, static_cast<unsigned>(sent.size()));
    bed.Send(chunk);
    sent += chunk;
    // The receiver ends each send with a short packet: reads of 4096 bytes, then the rest.
    for (size_t left = size; left > 0; left -= std::min<size_t>(left, 4096))
      expected_blocks.push_back(std::min<size_t>(left, 4096));
  }
  // Everything is read and posted, but nothing is delivered until the thread drains.
  ASSERT_TRUE(WaitUntil([&] { return port->PendingBytes() == sent.size(); }));
  EXPECT_TRUE(got.bytes.empty());
  ASSERT_TRUE(DrainUntilReceived(sent.size()));
  EXPECT_EQ(got.bytes, sent);
  EXPECT_EQ(got.blocks, expected_blocks);
  EXPECT_FALSE(got.wrong_thread);
  EXPECT_FALSE(got.unterminated);
  EXPECT_EQ(port->PendingBytes(), 0u);
}

TEST_F(LibusbPortTest, AnInlineDispatcherDeliversOnTheEventThread) {
  bed.Plug();
  InlineDispatcher inline_ui;
  LibusbPort port(inline_ui);
  std::mutex lock;
  std::string bytes;
  port.OnReceiveData = [&](const uint8_t* buffer, uint16_t length) {
    std::lock_guard<std::mutex> hold(lock);
    bytes.append(reinterpret_cast<const char*>(buffer), length);
  };
  port.FUSBInfo.PrintAddr = kReceiverPath;
  port.FUSBInfo.isFindPrint = true;
  port.StartComm();
  std::string sent = Pattern(30000, 4);
  bed.Send(sent);
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard<std::mutex> hold(lock);
    return bytes.size() == sent.size();
  }));
  EXPECT_EQ(bytes, sent);
}

TEST_F(LibusbPortTest, ReadingPausesWhileTheCreatingThreadLagsAndLosesNothing) {
  bed.Plug();
  const size_t limit = 10000;
  auto port = OpenPort(limit);
  std::string sent = Pattern(200000, 3);
  bed.Send(sent);
  // Nobody drains: the port stops asking the receiver for more once the posted blocks
  // reach the limit, and the receiver keeps the rest.
  ASSERT_TRUE(
      WaitUntil([&] { return port->PendingBytes() >= limit && bed.ReadsOutstanding() == 0; }));
  EXPECT_LT(port->PendingBytes(), limit + LibusbPort::kReadSize);
  EXPECT_GT(bed.Unsent(), 0u);
  EXPECT_TRUE(port->Reading());
  ASSERT_TRUE(DrainUntilReceived(sent.size()));
  EXPECT_EQ(got.bytes, sent);
}

TEST_F(LibusbPortTest, AThrowingConsumerLosesNothingThatFollows) {
  bed.Plug();
  auto port = OpenPort();
  auto record = port->OnReceiveData;
  bool thrown = false;
  port->OnReceiveData = [&](const uint8_t* buffer, uint16_t length) {
    record(buffer, length);
    if (!thrown) {
      thrown = true;
      throw std::runtime_error("consumer failed");
    }
  };
  bed.Send("first");
  ASSERT_TRUE(DrainUntilReceived(5));
  bed.Send("second");
  ASSERT_TRUE(DrainUntilReceived(11));
  EXPECT_EQ(got.bytes, "firstsecond");
}

TEST_F(LibusbPortTest, WritesGoToTheOutEndpoint) {
  bed.Plug();
  auto port = MakePort();
  const uint8_t byte = 0x1B;
  port->WriteData(&byte, 1);  // never opened
  port->StartComm();
  port->WriteData(&byte, 0);
  port->WriteData(&byte, -5);
  port->WriteData(nullptr, 3);
  std::string sent;
  for (size_t size : {1, 4, 5000, 70000}) {
    std::string data = Pattern(size, 9);
    Write(*port, data);
    sent += data;
    // Synchronous: the receiver has the bytes when WriteData returns.
    EXPECT_EQ(bed.Written(), sent) << size << " bytes";
  }
  for (int endpoint : bed.WriteEndpoints()) EXPECT_EQ(endpoint, 0x03);
  port->StopComm();
  Write(*port, "late");  // closed again
  EXPECT_EQ(bed.Written(), sent);
}

TEST_F(LibusbPortTest, AWriteTheReceiverDoesNotTakeGivesUpAfterItsTimeout) {
  bed.Plug();
  auto port = OpenPort();
  bed.RefuseWrites(true);
  auto start = std::chrono::steady_clock::now();
  Write(*port, "ignored");
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(LibusbPort::kWriteTimeoutMs - 100));
  EXPECT_LT(took, std::chrono::milliseconds(LibusbPort::kWriteTimeoutMs + 1000));
  EXPECT_EQ(bed.Written(), "");
  bed.RefuseWrites(false);
  Write(*port, "taken");
  EXPECT_EQ(bed.Written(), "taken");
}

TEST_F(LibusbPortTest, StartAndStopOutcomes) {
  bed.Plug();
  auto port = MakePort();
  port->StopComm();  // closed: nothing happens
  port->FUSBInfo.isFindPrint = false;
  port->StartComm();  // not found: nothing happens
  EXPECT_FALSE(port->Opened());
  EXPECT_TRUE(bed.ClaimedInterfaces().empty());
  port->FUSBInfo.isFindPrint = true;

  for (const char* path : {"usb:1-3/vid_0483&pid_5720",  // nothing in that socket
                           "usb:1-2/vid_0483&pid_5721",  // another device there
                           "usb:1-2/VID_0483&PID_5720",  // not a path the search writes
                           "\\\\?\\usb#vid_0483&pid_5720#x"}) {
    port->FUSBInfo.PrintAddr = path;
    EXPECT_EQ(OpenError(*port), "Error opening serial port") << path;
    EXPECT_FALSE(port->Opened());
  }

  port->FUSBInfo.PrintAddr = kReceiverPath;
  port->StartComm();
  EXPECT_TRUE(port->Opened());
  EXPECT_TRUE(port->Reading());
  EXPECT_EQ(OpenError(*port), "This serial port already opened");
  EXPECT_TRUE(port->Opened());
  EXPECT_EQ(bed.ClaimedInterfaces().size(), 1u);

  port->StopComm();
  EXPECT_FALSE(port->Opened());
  EXPECT_FALSE(port->Reading());
  EXPECT_EQ(bed.ReadsOutstanding(), 0);  // the read was cancelled
  port->StopComm();
  EXPECT_FALSE(port->Opened());
  port->StartComm();  // and again
  EXPECT_TRUE(port->Opened());
}

TEST_F(LibusbPortTest, AKernelDriverIsDetachedWhileOpenAndBoundAgainAfter) {
  bed.Plug();
  bed.BindDriver(1, "cdc_acm");
  bed.BindDriver(0, "usbhid");
  auto port = OpenPort();
  ASSERT_TRUE(port->Opened());
  EXPECT_EQ(bed.ClaimedInterfaces(), std::vector<int>{1});
  EXPECT_EQ(bed.DriverOf(1), "");
  EXPECT_EQ(bed.DriverOf(0), "usbhid");  // the interface the port does not use keeps its driver
  bed.Send("data");
  ASSERT_TRUE(DrainUntilReceived(4));
  port->StopComm();
  EXPECT_EQ(bed.DriverOf(1), "cdc_acm");
}

TEST_F(LibusbPortTest, AnIdleReceiverCostsOneOutstandingRead) {
  bed.Plug();
  auto port = OpenPort();
  ASSERT_TRUE(WaitUntil([&] { return bed.ReadsSubmitted() == 1; }));
  // Nothing to read: the read stays outstanding and nothing is asked again meanwhile.
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(bed.ReadsSubmitted(), 1);
  EXPECT_EQ(bed.ReadsOutstanding(), 1);
  bed.Send("x");
  ASSERT_TRUE(DrainUntilReceived(1));
  EXPECT_TRUE(WaitUntil([&] { return bed.ReadsSubmitted() == 2; }));
}

TEST_F(LibusbPortTest, UnpluggingEndsReadingButTheStopComesFromTheOwner) {
  bed.Plug();
  auto port = OpenPort();
  bed.Send("before");
  ASSERT_TRUE(DrainUntilReceived(6));
  ASSERT_TRUE(WaitUntil([&] { return bed.ReadsOutstanding() == 1; }));
  bed.Unplug();
  ASSERT_TRUE(WaitUntil([&] { return !port->Reading(); }));
  EXPECT_TRUE(port->Opened());  // the port does not notice by itself
  int reads = bed.ReadsSubmitted();
  Write(*port, "lost");  // returns at once: the device is gone
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(bed.ReadsSubmitted(), reads);  // no read is retried
  auto start = std::chrono::steady_clock::now();
  port->StopComm();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  EXPECT_FALSE(port->Opened());

  bed.Plug();
  ASSERT_TRUE(WaitUntil([&] { return OpenError(*port) == "opened"; }));
  bed.Send("after");
  ASSERT_TRUE(DrainUntilReceived(11));
  EXPECT_EQ(got.bytes, "beforeafter");
  Write(*port, "\x22\x03\xC5\x20");
  EXPECT_EQ(bed.Written(), "\x22\x03\xC5\x20");
}

TEST_F(LibusbPortTest, StopCommRightAfterTheDeviceVanishedDoesNotHang) {
  bed.Plug();
  auto port = OpenPort();
  ASSERT_TRUE(WaitUntil([&] { return bed.ReadsOutstanding() == 1; }));
  bed.Unplug();
  auto start = std::chrono::steady_clock::now();
  port->StopComm();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  EXPECT_FALSE(port->Opened());
  EXPECT_FALSE(port->Reading());
}

TEST_F(LibusbPortTest, BlocksQueuedForADestroyedPortAreDropped) {
  bed.Plug();
  {
    auto port = OpenPort();
    bed.Send(Pattern(20000, 5));
    ASSERT_TRUE(WaitUntil([&] { return port->PendingBytes() == 20000; }));
  }  // the port is gone; its blocks are still queued
  EXPECT_GT(ui.Drain(), 0u);
  EXPECT_TRUE(got.bytes.empty());
}

TEST_F(LibusbPortTest, ALockedDeviceIsListedButCannotBeOpened) {
  MockDevice device = ReceiverDevice();
  bed.Plug(device);
  bed.LockNode(device);
  test::WithoutFileOverride as_a_user;  // the test may run as root
  LibusbDeviceSearch search;
  std::vector<std::string> paths;
  search.SearchDevice(paths);
  EXPECT_EQ(paths, std::vector<std::string>{kReceiverPath});

  TUSBFiFo fifo(MakePort(), std::make_unique<LibusbDeviceSearch>());
  try {
    fifo.FindPrinter();
    ADD_FAILURE() << "opened a locked device";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), "Error opening serial port");
  }
  EXPECT_FALSE(fifo.usbComm->Opened());
  EXPECT_TRUE(bed.ClaimedInterfaces().empty());
}

TEST_F(LibusbPortTest, TheFifoClosesAVanishedReceiverAndReopensItWhenItReturns) {
  bed.Plug();
  TUSBFiFo fifo(MakePort(), std::make_unique<LibusbDeviceSearch>());
  auto& port = static_cast<LibusbPort&>(*fifo.usbComm);
  auto fifo_bytes = [&] {
    std::string bytes;
    uint8_t b = 0;
    while (fifo.GetChar(b)) bytes += static_cast<char>(b);
    return bytes;
  };
  ASSERT_TRUE(fifo.FindPrinter());
  ASSERT_TRUE(port.Opened());
  std::string label = "! 0 200 200 210 1\r\nTEXT 8 0 10 10 first half\r\n";
  bed.Send(label);
  ASSERT_TRUE(
      WaitUntil([&] { return fifo.GetFiFoSize() == label.size(); }, 5s, [&] { ui.Drain(); }));
  // Unplugged in the middle of a stream: what the receiver had not sent yet is lost.
  bed.Send(Pattern(50000, 1));
  bed.Unplug();
  ASSERT_TRUE(WaitUntil([&] { return !port.Reading(); }));
  EXPECT_TRUE(port.Opened());
  ASSERT_TRUE(WaitUntil([&] { return !fifo.FindPrinter(); }));
  EXPECT_FALSE(port.Opened());
  ui.Drain();
  std::string before = fifo_bytes();
  EXPECT_EQ(before.substr(0, label.size()), label);

  bed.Plug();
  ASSERT_TRUE(WaitUntil([&] { return fifo.FindPrinter(); }));
  EXPECT_TRUE(port.Opened());
  EXPECT_TRUE(fifo.FindPrinter());  // still there: stays open
  bed.Send("PRINT\r\n");
  ASSERT_TRUE(WaitUntil([&] { return fifo.GetFiFoSize() == 7; }, 5s, [&] { ui.Drain(); }));
  EXPECT_EQ(fifo_bytes(), "PRINT\r\n");
}

TEST_F(LibusbPortTest, PlatformPortIsTheLibusbPort) {
  std::unique_ptr<UsbPort> port = CreatePlatformUsbPort(ui);
  EXPECT_NE(dynamic_cast<LibusbPort*>(port.get()), nullptr);
  EXPECT_FALSE(port->Opened());
  EXPECT_EQ(port->FUSBInfo.VID, "0483");
  EXPECT_EQ(port->FUSBInfo.PID, "5720");
}

}  // namespace
}  // namespace velin
