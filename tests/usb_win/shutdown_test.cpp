// Tearing the receive path down on the user-interface thread, as the program does: the port
// on its own, and the interpreter that owns the FIFO and its port.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "support/test_paths.h"
#include "usb/win32/usb_comm_win.h"
#include "usb_win/pipe_receiver.h"

namespace velin {
namespace {

using namespace std::chrono_literals;
using test::Pattern;
using test::PipeReceiver;
using test::PumpUntil;
using test::WaitUntil;

TEST(TUSBCommDeathTest, DestructionOnAnotherThreadThanTheCreatorAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        std::unique_ptr<TUSBComm> port;
        std::promise<void> created;
        std::promise<void> destroyed;
        std::thread creator([&] {
          port = std::make_unique<TUSBComm>();
          created.set_value();
          destroyed.get_future().wait();  // the creator lives on, as a UI thread would
        });
        created.get_future().wait();
        port.reset();
        destroyed.set_value();
        creator.join();
      },
      "TUSBComm destroyed on thread \\d+, but it was created on thread \\d+");
}

// A device search that reports the receiver's path, and notes where it runs and, when the FIFO
// that owns it is freed, on which thread that happens and whether its searcher still runs.
class WatchedSearch final : public DeviceSearch {
 public:
  struct Record {
    std::atomic<DWORD> searched_on{0};
    DWORD freed_on = 0;
    bool searcher_running_when_freed = true;
  };
  WatchedSearch(std::string path, Record& record) : path_(std::move(path)), record_(record) {}
  ~WatchedSearch() override {
    record_.freed_on = GetCurrentThreadId();
    HANDLE searcher = OpenThread(SYNCHRONIZE, FALSE, record_.searched_on.load());
    record_.searcher_running_when_freed =
        searcher != nullptr && WaitForSingleObject(searcher, 0) == WAIT_TIMEOUT;
    if (searcher != nullptr) CloseHandle(searcher);
  }
  bool SearchDevice(std::vector<std::string>& paths) override {
    record_.searched_on = GetCurrentThreadId();
    paths.push_back(path_);
    return true;
  }

 private:
  std::string path_;
  Record& record_;
};

// What the user-interface thread saw when it had destroyed the interpreter.
struct Teardown {
  bool opened = false;       // the worker's search opened the port
  bool handled = false;      // a delivered line reached its handler
  bool undelivered = false;  // blocks were still waiting for the window at the end
  bool window_gone = false;  // the port's window was destroyed (checked on its thread)
  size_t unfreed_bytes = 1;  // block copies nobody freed
  DWORD thread = 0;
};

TEST(InterpreterShutdown, TheWorkerEndsThenTheFifoAndPortGoOnTheUiThread) {
  PipeReceiver receiver;
  receiver.Listen(0);  // no buffer: a reply stays in WriteData until the receiver reads it
  const std::string config = test::ScratchDir() + "/config.ini";
  std::ofstream(config, std::ios::binary) << "[system]\r\ntransfer_mode=1\r\n";
  WatchedSearch::Record search;
  Teardown seen;
  std::atomic<bool> finished{false};

  std::thread ui([&] {
    QueueDispatcher dispatcher;
    std::mutex lock;
    std::vector<std::string> calls;
    InterpreterServices services;
    services.ui = &dispatcher;
    services.config_path = config;
    services.on_handler_call = [&](const char* name) {
      std::lock_guard<std::mutex> hold(lock);
      calls.emplace_back(name);
    };
    auto port = std::make_unique<TUSBComm>();
    TUSBComm* raw = port.get();
    const HWND window = raw->Window();
    auto thread = std::make_unique<TCPCLCmdThread>(
        services, std::move(port), std::make_unique<WatchedSearch>(receiver.path(), search));
    thread->Start();
    // The worker's first search, half a second in, opens the port; blocks reach the FIFO
    // while this thread dispatches.
    seen.opened = PumpUntil([&] {
      dispatcher.Drain();
      return raw->Opened();
    });
    if (seen.opened) {
      // A line, then a status query whose reply the receiver never reads. The capture tells
      // when every byte has reached the FIFO; once the FIFO is empty again, the worker has
      // taken the query and is in the reply's write.
      const std::string sent = "FORM\r\n\x1Bv";
      thread->fifo().StartDebug();
      receiver.Send(sent);
      seen.handled = PumpUntil([&] {
        std::lock_guard<std::mutex> hold(lock);
        return thread->fifo().capture().size() == sent.size() && !calls.empty() &&
               thread->fifo().GetFiFoSize() == 0;
      });
      // More blocks, which this thread no longer dispatches.
      receiver.Send(Pattern(20000, 1));
      seen.undelivered = WaitUntil([&] { return raw->PendingBytes() == 20000; });
    }
    thread.reset();
    seen.window_gone = !IsWindow(window);
    seen.unfreed_bytes = TUSBComm::UnfreedBlockBytes();
    seen.thread = GetCurrentThreadId();
    finished = true;
  });

  const bool ended = WaitUntil([&] { return finished.load(); }, 20s);
  EXPECT_TRUE(ended) << "destroying the interpreter did not return";
  if (!ended) receiver.Close();  // breaks the reply's write, so the thread can end
  ui.join();
  ASSERT_TRUE(seen.opened);
  EXPECT_TRUE(seen.handled);
  EXPECT_TRUE(seen.undelivered);
  EXPECT_EQ(search.freed_on, seen.thread);
  EXPECT_FALSE(search.searcher_running_when_freed);
  EXPECT_TRUE(seen.window_gone);
  EXPECT_EQ(seen.unfreed_bytes, 0u);
  EXPECT_FALSE(receiver.TrySend("x"));  // the port's end is closed
}

}  // namespace
}  // namespace velin
