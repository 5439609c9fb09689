// The receiver's port on Linux: the device opened through libusb, its bulk IN endpoint read
// by an asynchronous transfer that is always outstanding, and its bulk OUT endpoint written
// synchronously.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "base/ui_dispatcher.h"
#include "usb/posix/libusb_session.h"
#include "usb/usb_port.h"

namespace velin {

// Contract (besides UsbPort's):
// - Created on the user-interface thread with that thread's dispatcher. Each completed read
//   (1 to 4096 bytes) is posted to the dispatcher as one message and reaches OnReceiveData
//   when the thread drains it, in the order the reads completed, as a copy followed by one
//   zero byte that is valid during the call. An exception thrown by OnReceiveData is dropped.
//   Messages still queued when the port is destroyed do nothing.
// - StartComm opens FUSBInfo.PrintAddr (a path from LibusbDeviceSearch), detaching a kernel
//   driver if one is bound, and claims the first interface of the active configuration whose
//   first alternate setting has a bulk IN and a bulk OUT endpoint. Any failure to get there
//   (no such device, no access rights, no such interface, the interface taken by another
//   program) throws ECommsError "Error opening serial port" and leaves the port closed.
// - Reading stops by itself when the device goes away or a read fails (Reading() turns
//   false); the port stays Opened() until StopComm, as on Windows. StopComm cancels the read,
//   releases the interface (the kernel driver is bound again) and closes the device. It waits
//   for a write in progress (at most kWriteTimeoutMs) and for the cancelled read (at most
//   kCancelWaitMs); when the device has vanished, both end at once.
// - Blocks posted and not yet delivered are limited to about `max_pending` bytes: beyond it
//   the port stops reading (the device holds its data back) until the user-interface thread
//   catches up, so memory stays bounded and no byte is lost.
// - WriteData sends on the bulk OUT endpoint and returns when the device has taken every byte,
//   or when it has taken nothing for kWriteTimeoutMs, or on an error (the device gone), or,
//   once StopComm has begun, after the step in progress.
class LibusbPort final : public UsbPort {
 public:
  static constexpr size_t kReadSize = 4096;
  static constexpr size_t kMaxPendingBytes = size_t{64} << 20;
  static constexpr unsigned kWriteTimeoutMs = 1000;
  // How long StopComm waits for a cancelled read to end before closing the device anyway.
  static constexpr unsigned kCancelWaitMs = 1000;

  explicit LibusbPort(UiDispatcher& ui, size_t max_pending = kMaxPendingBytes);
  // Stops the port if it is open.
  ~LibusbPort() override;
  LibusbPort(const LibusbPort&) = delete;
  LibusbPort& operator=(const LibusbPort&) = delete;

  void StartComm() override;
  void StopComm() override;
  void WriteData(const uint8_t* buffer, int32_t length) override;
  bool Opened() const override { return opened_.load(); }

  // A read is outstanding or held back for the user-interface thread; false once the device
  // went away or a read failed, and while closed.
  bool Reading() const;
  // Bytes posted to the dispatcher and not yet delivered.
  size_t PendingBytes() const { return pending_bytes_.load(); }
  // The interface claimed while open.
  int ClaimedInterface() const { return interface_; }

 private:
  struct Delivery;
  static void LIBUSB_CALL ReadDone(libusb_transfer* transfer);
  void HandleReadDone(libusb_transfer* transfer);
  void PostBlock(const uint8_t* data, size_t length);
  void Deliver(const uint8_t* data, uint16_t length);
  // Starts the next read (in_flight_ tells whether it did); caller holds state_lock_.
  bool SubmitRead();
  void Close();

  UiDispatcher& ui_;
  const size_t max_pending_;
  std::shared_ptr<Delivery> delivery_;
  std::shared_ptr<LibusbSession> session_;

  // Writers hold io_lock_ shared for a whole write; StartComm and StopComm hold it exclusively,
  // so no write uses a handle that StopComm closes. closing_ makes writers give up early.
  mutable std::shared_mutex io_lock_;
  std::atomic<bool> closing_{false};
  std::atomic<bool> opened_{false};
  libusb_device_handle* handle_ = nullptr;
  int interface_ = -1;
  uint8_t out_endpoint_ = 0;

  // The read's state, shared by the event thread (ReadDone), the user-interface thread
  // (resuming a held-back read) and StopComm.
  mutable std::mutex state_lock_;
  std::condition_variable state_changed_;
  libusb_transfer* transfer_ = nullptr;
  bool in_flight_ = false;  // the transfer is submitted and its callback has not run
  bool held_back_ = false;  // not resubmitted until the user-interface thread catches up
  bool stopping_ = false;
  uint8_t buffer_[kReadSize];
  std::atomic<size_t> pending_bytes_{0};
};

}  // namespace velin
