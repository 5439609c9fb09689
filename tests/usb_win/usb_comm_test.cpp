// TUSBComm against a named pipe standing for the receiver.
#include "usb/win32/usb_comm_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "usb/loopback.h"
#include "usb_win/pipe_receiver.h"

namespace velin {
namespace {

using namespace std::chrono_literals;
using test::Pattern;
using test::PipeReceiver;
using test::PumpUntil;
using test::WaitUntil;

// What OnReceiveData saw.
struct Received {
  std::vector<size_t> blocks;
  std::string bytes;
  bool wrong_thread = false;
  bool unterminated = false;
};

// A port wired to record every block, opened on the receiver's pipe.
struct OpenPort {
  explicit OpenPort(PipeReceiver& receiver) {
    DWORD creator = GetCurrentThreadId();
    port.OnReceiveData = [this, creator](const uint8_t* buffer, uint16_t length) {
      got.blocks.push_back(length);
      got.bytes.append(reinterpret_cast<const char*>(buffer), length);
      if (GetCurrentThreadId() != creator) got.wrong_thread = true;
      if (buffer[length] != 0) got.unterminated = true;
    };
    port.FUSBInfo.PrintAddr = receiver.path();
    port.FUSBInfo.isFindPrint = true;
    port.StartComm();
  }
  bool PumpUntilReceived(size_t n) {
    return PumpUntil([&] { return got.bytes.size() >= n; });
  }

  TUSBComm port;
  Received got;
};

TEST(TUSBComm, BlocksArriveInOrderOnTheCreatingThread) {
  PipeReceiver receiver;
  OpenPort p(receiver);
  ASSERT_TRUE(p.port.Opened());
  std::string sent;
  for (size_t size : {1, 2, 100, 4095, 4096, 4097, 1000, 10000, 65536}) {
    std::string chunk = Pattern(size, static_cast<unsigned>(sent.size()));
    receiver.Send(chunk);
    sent += chunk;
  }
  ASSERT_TRUE(p.PumpUntilReceived(sent.size()));
  EXPECT_EQ(p.got.bytes, sent);
  EXPECT_FALSE(p.got.wrong_thread);
  EXPECT_FALSE(p.got.unterminated);
  for (size_t block : p.got.blocks) {
    EXPECT_GE(block, 1u);
    EXPECT_LE(block, 4096u);
  }
  // 65536 bytes cannot come in fewer than 16 reads.
  EXPECT_GE(p.got.blocks.size(), 16u);
}

TEST(TUSBComm, BlocksWaitForTheCreatingThreadToDispatch) {
  PipeReceiver receiver;
  OpenPort p(receiver);
  std::string sent = Pattern(3000, 1) + Pattern(9000, 2) + Pattern(1, 3);
  receiver.Send(sent.substr(0, 3000));
  receiver.Send(sent.substr(3000, 9000));
  receiver.Send(sent.substr(12000));
  // The read thread posts everything, but nothing is delivered until messages are dispatched.
  ASSERT_TRUE(WaitUntil([&] { return p.port.PendingBytes() == sent.size(); }));
  EXPECT_TRUE(p.got.bytes.empty());
  ASSERT_TRUE(p.PumpUntilReceived(sent.size()));
  EXPECT_EQ(p.got.bytes, sent);
  EXPECT_EQ(p.port.PendingBytes(), 0u);
}

TEST(TUSBComm, AThrowingConsumerLosesNothingThatFollows) {
  PipeReceiver receiver;
  OpenPort p(receiver);
  auto record = p.port.OnReceiveData;
  bool thrown = false;
  p.port.OnReceiveData = [&](const uint8_t* buffer, uint16_t length) {
    record(buffer, length);
    if (!thrown) {
      thrown = true;
      throw std::runtime_error("consumer failed");
    }
  };
  receiver.Send("first");
  ASSERT_TRUE(p.PumpUntilReceived(5));
  receiver.Send("second");
  ASSERT_TRUE(p.PumpUntilReceived(11));
  EXPECT_EQ(p.got.bytes, "firstsecond");
}

TEST(TUSBComm, WritesReachTheReceiver) {
  PipeReceiver receiver;
  OpenPort p(receiver);
  for (size_t size : {size_t{1}, size_t{4}, size_t{5000}, size_t{200000}}) {
    std::string data = Pattern(size, 9);
    // The receiver reads while the write is in progress: a write larger than the pipe's
    // buffer completes only as it drains.
    auto reader = std::async(std::launch::async, [&] { return receiver.Receive(size); });
    p.port.WriteData(reinterpret_cast<const uint8_t*>(data.data()), static_cast<int32_t>(size));
    EXPECT_EQ(reader.get(), data) << size << " bytes";
  }
}

TEST(TUSBComm, WritesOnAClosedPortOrOfNoBytesDoNothing) {
  PipeReceiver receiver;
  TUSBComm port;
  const uint8_t byte = 0x1B;
  port.WriteData(&byte, 1);  // never opened
  port.FUSBInfo.PrintAddr = receiver.path();
  port.FUSBInfo.isFindPrint = true;
  port.StartComm();
  port.WriteData(&byte, 0);
  port.WriteData(&byte, -5);
  port.WriteData(nullptr, 3);
  port.WriteData(&byte, 1);  // the only byte that goes out
  EXPECT_EQ(receiver.Receive(1), "\x1B");
  port.StopComm();
  port.WriteData(&byte, 1);  // closed again
  EXPECT_FALSE(port.Opened());
}

TEST(TUSBComm, StartAndStopOutcomes) {
  PipeReceiver receiver;
  TUSBComm port;
  port.StopComm();  // closed: nothing happens
  port.FUSBInfo.PrintAddr = receiver.path();
  port.StartComm();  // isFindPrint is false: nothing happens
  EXPECT_FALSE(port.Opened());
  EXPECT_EQ(port.Handle(), nullptr);

  port.FUSBInfo.isFindPrint = true;
  port.FUSBInfo.PrintAddr = receiver.path() + "-absent";
  try {
    port.StartComm();
    ADD_FAILURE() << "opened a path that does not exist";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), "Error opening serial port");
  }
  EXPECT_FALSE(port.Opened());
  EXPECT_EQ(port.Handle(), nullptr);

  port.FUSBInfo.PrintAddr = receiver.path();
  port.StartComm();
  EXPECT_TRUE(port.Opened());
  EXPECT_TRUE(port.SendDataEmpty());
  try {
    port.StartComm();
    ADD_FAILURE() << "opened twice";
  } catch (const ECommsError& e) {
    EXPECT_STREQ(e.what(), "This serial port already opened");
  }
  EXPECT_TRUE(port.Opened());
  EXPECT_TRUE(port.ReadThreadRunning());

  port.StopComm();
  EXPECT_FALSE(port.Opened());
  EXPECT_EQ(port.Handle(), nullptr);
  EXPECT_FALSE(port.ReadThreadRunning());
  port.StopComm();
  EXPECT_FALSE(port.Opened());
}

TEST(TUSBComm, UnpluggingEndsTheReadThreadAndALaterStartWorks) {
  PipeReceiver receiver;
  OpenPort p(receiver);
  receiver.Send("before");
  ASSERT_TRUE(p.PumpUntilReceived(6));
  receiver.Close();
  ASSERT_TRUE(PumpUntil([&] { return !p.port.ReadThreadRunning(); }));
  EXPECT_TRUE(p.port.Opened());  // the port does not notice by itself
  p.port.StopComm();
  EXPECT_FALSE(p.port.Opened());

  receiver.Listen();  // plugged in again
  p.port.StartComm();
  ASSERT_TRUE(p.port.Opened());
  receiver.Send("after");
  ASSERT_TRUE(p.PumpUntilReceived(11));
  EXPECT_EQ(p.got.bytes, "beforeafter");
  const uint8_t reply[] = {0x22, 0x03, 0xC5, 0x20};
  p.port.WriteData(reply, 4);
  EXPECT_EQ(receiver.Receive(4), "\x22\x03\xC5\x20");
}

TEST(TUSBComm, StopCommEndsAWriteThatTheReceiverDoesNotTake) {
  PipeReceiver receiver;
  receiver.Listen(4096);  // small buffers, and nobody reads the other end
  OpenPort p(receiver);
  std::string data = Pattern(1 << 20, 4);
  std::atomic<bool> returned{false};
  std::thread writer([&] {
    p.port.WriteData(reinterpret_cast<const uint8_t*>(data.data()),
                     static_cast<int32_t>(data.size()));
    returned = true;
  });
  std::this_thread::sleep_for(200ms);
  auto start = std::chrono::steady_clock::now();
  p.port.StopComm();
  EXPECT_TRUE(WaitUntil([&] { return returned.load(); }, 5s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  writer.join();
  EXPECT_FALSE(p.port.Opened());
}

TEST(TUSBComm, WritersRacingStopAndStartNeverUseAClosedHandle) {
  PipeReceiver receiver;
  receiver.Listen(1 << 20);  // room for every byte the writers send in one round
  OpenPort p(receiver);
  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int i = 0; i < 3; ++i)
    writers.emplace_back([&] {
      const uint8_t byte = 0x10;
      while (!stop) p.port.WriteData(&byte, 1);
    });
  for (int round = 0; round < 20; ++round) {
    std::this_thread::sleep_for(5ms);
    p.port.StopComm();
    EXPECT_FALSE(p.port.Opened());
    receiver.Listen(1 << 20);
    p.port.StartComm();
    EXPECT_TRUE(p.port.Opened());
  }
  stop = true;
  for (auto& w : writers) w.join();
  p.port.StopComm();
  EXPECT_EQ(p.port.Handle(), nullptr);
}

TEST(TUSBComm, FindPrinterOpensOnTheFirstMatchAndClosesWhenItIsGone) {
  PipeReceiver receiver;
  TUSBComm port;
  FixedDeviceSearch search({"\\\\?\\usb#VID_0483&PID_5720#upper", "\\\\?\\usb#vid_1234&pid_5720#x",
                            receiver.path(), receiver.path() + "-second"});
  port.FAutoConn = false;
  port.FindPrinter(search);
  EXPECT_TRUE(port.FUSBInfo.isFindPrint);
  EXPECT_EQ(port.FUSBInfo.PrintAddr, receiver.path());
  EXPECT_FALSE(port.Opened());  // no auto-connect

  port.FAutoConn = true;
  port.FindPrinter(search);
  EXPECT_TRUE(port.Opened());
  port.FindPrinter(search);  // still there and open: nothing changes
  EXPECT_TRUE(port.Opened());

  FixedDeviceSearch failing;
  failing.throw_on_search = true;
  EXPECT_ANY_THROW(port.FindPrinter(failing));
  EXPECT_FALSE(port.FUSBInfo.isFindPrint);
  EXPECT_FALSE(port.Opened());  // closed although the search threw

  receiver.Listen();  // the pipe takes a new connection
  port.FindPrinter(search);
  EXPECT_TRUE(port.Opened());
  FixedDeviceSearch empty;
  port.FindPrinter(empty);
  EXPECT_FALSE(port.FUSBInfo.isFindPrint);
  EXPECT_FALSE(port.Opened());
  EXPECT_EQ(port.FUSBInfo.PrintAddr, receiver.path());  // a failed search keeps the path
}

TEST(TUSBComm, DestroyingAnOpenPortWithUndeliveredBlocksStopsIt) {
  PipeReceiver receiver;
  HWND window = nullptr;
  {
    OpenPort p(receiver);
    window = p.port.Window();
    receiver.Send("delivered");
    ASSERT_TRUE(p.PumpUntilReceived(9));
    receiver.Send(Pattern(20000, 5));
    ASSERT_TRUE(WaitUntil([&] { return p.port.PendingBytes() == 20000; }));
    EXPECT_EQ(TUSBComm::UnfreedBlockBytes(), 20000u);
  }  // never dispatched: the destructor stops the port and frees the queued blocks
  // The device handle is closed: the receiver's end is broken.
  EXPECT_FALSE(receiver.TrySend("x"));
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_COMM_DATA, WM_COMM_DATA, PM_NOREMOVE));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(TUSBComm::UnfreedBlockBytes(), 0u);
}

TEST(TUSBComm, PlatformPortIsTheOverlappedPort) {
  std::unique_ptr<UsbPort> port = CreatePlatformUsbPort();
  EXPECT_NE(dynamic_cast<TUSBComm*>(port.get()), nullptr);
  EXPECT_FALSE(port->Opened());
  EXPECT_EQ(port->FUSBInfo.VID, "0483");
  EXPECT_EQ(port->FUSBInfo.PID, "5720");
}

}  // namespace
}  // namespace velin
