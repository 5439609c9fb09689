// TUSBComm: the receiver's device path opened for overlapped I/O, with one read thread
// (TReadThread) whose blocks reach OnReceiveData through a hidden window on the creating thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>

#include "usb/device_search.h"
#include "usb/usb_port.h"

namespace velin {

// One received block: WPARAM the byte count, LPARAM a LocalAlloc copy of the bytes followed by
// a zero byte, which the receiving window frees with LocalFree.
constexpr UINT WM_COMM_DATA = WM_USER + 1;

class TReadThread;

class TUSBComm final : public UsbPort {
 public:
  // Blocks posted but not yet delivered, while the user-interface thread does not dispatch,
  // are bounded first by the system's quota of posted messages per message queue (10,000 by
  // default; the USERPostMessageLimit registry value changes it): past it PostMessageW fails
  // and the block is dropped, so with reads of at most 4096 bytes they stay below 40 MiB. This
  // limit bounds them where the quota is raised or not enforced: a block that would take the
  // undelivered bytes past it is dropped, so memory cannot grow without bound.
  static constexpr size_t kMaxPendingBytes = size_t{64} << 20;

  // Creates the hidden window on the calling thread (the thread OnReceiveData runs on) and
  // remembers that thread. Throws std::runtime_error if the window cannot be created.
  TUSBComm();
  // Must run on the creating thread; on any other it writes a message to standard error and
  // the debugger and aborts the process, in every build (only that thread can drain and
  // destroy the window). In order: stops the port, so the read thread has ended and posts
  // nothing more; frees the blocks still queued for the window, undelivered; clears the
  // receive event; destroys the window.
  ~TUSBComm() override;
  TUSBComm(const TUSBComm&) = delete;
  TUSBComm& operator=(const TUSBComm&) = delete;

  void StartComm() override;
  void StopComm() override;
  void WriteData(const uint8_t* wbuf, int32_t wlen) override;
  bool Opened() const override { return FOpened.load(); }

  // UsbPort::FindPrinter with the platform's device search.
  using UsbPort::FindPrinter;
  void FindPrinter();

  HANDLE Handle() const { return hCommFile; }
  bool SendDataEmpty() const { return FSendDataEmpty; }
  const std::string& CommName() const { return FCommName; }
  void SetCommName(std::string name) { FCommName = std::move(name); }
  // The read thread is running (false once it ended by itself, e.g. after a read error).
  bool ReadThreadRunning() const;
  // Bytes posted to the window and not yet delivered.
  size_t PendingBytes() const { return FPendingBytes.load(); }
  // The hidden window that receives the blocks.
  HWND Window() const { return FHWnd; }
  // Bytes of received blocks that any port's read thread copied and that were not freed yet
  // (delivered, dropped or drained), in the whole process.
  static size_t UnfreedBlockBytes();

 private:
  static LRESULT CALLBACK CommWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void DoReceiveData(const uint8_t* Buffer, uint16_t BufferLength);
  void CloseReadThread();
  void StopCommLocked();

  const DWORD FCreatorThread;
  std::unique_ptr<TReadThread> ReadThread;
  HANDLE hCommFile = nullptr;
  HANDLE hCloseEvent = nullptr;
  HWND FHWnd = nullptr;
  bool FSendDataEmpty = false;
  std::string FCommName;
  std::atomic<bool> FOpened{false};
  std::atomic<size_t> FPendingBytes{0};
  // Writers hold it shared for the whole write; StartComm/StopComm hold it exclusively, so no
  // write uses a handle that StopComm closes. FClosing makes waiting writers give up.
  mutable std::shared_mutex FIoLock;
  std::atomic<bool> FClosing{false};
};

}  // namespace velin
