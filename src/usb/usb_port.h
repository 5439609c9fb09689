// The channel to the receiver (TUSBComm): open/close, received blocks, synchronous writes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>

#include "base/ui_dispatcher.h"
#include "usb/device_search.h"
#include "usb/usb_info.h"

namespace velin {

// The port's exception; its message is one of "This serial port already opened",
// "Error opening serial port", "Unable to create event", "Unable to create read thread".
class ECommsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// TReceiveDataEvent: one received block, 1 to 4096 bytes. The buffer is valid only during
// the call; the consumer copies what it keeps.
using TReceiveDataEvent = std::function<void(const uint8_t* buffer, uint16_t length)>;

// Contract:
// - Created on the user-interface thread; OnReceiveData is called on that thread, once per
//   completed read, in the order the reads completed, and only while that thread dispatches
//   (on Windows through the port's hidden window; on Linux through the UiDispatcher the port
//   was created with, when the thread drains it).
// - Destroyed on the thread that created it, once no other thread uses it. Destruction stops
//   an open port, frees received blocks not yet delivered without delivering them, and
//   releases what the port holds on its thread (TUSBComm aborts the process, with a message,
//   when destroyed on another thread: its window could neither be destroyed nor drained there).
// - StartComm/StopComm are called by the owner on the interpreter thread (and StopComm once
//   more by whoever ends that thread, to release a write it is blocked in). StartComm opens
//   FUSBInfo.PrintAddr and starts delivering blocks; it does nothing when FUSBInfo.isFindPrint
//   is false and throws ECommsError on failure (the port then stays closed, or stays open for
//   "This serial port already opened"). StopComm closes an open port and does nothing
//   otherwise.
// - When the receiver is unplugged, the port stops reading but stays Opened() until StopComm;
//   the owner's next search, which no longer finds the receiver, closes it, and a later
//   StartComm opens the receiver afresh.
// - WriteData may be called from any thread; it blocks until the platform has completed the
//   write, reports nothing, and does nothing unless Opened(). A write never uses a handle that
//   a concurrent StopComm has closed.
class UsbPort {
 public:
  virtual ~UsbPort() = default;

  virtual void StartComm() = 0;
  virtual void StopComm() = 0;
  virtual void WriteData(const uint8_t* buffer, int32_t length) = 0;
  virtual bool Opened() const = 0;

  // The port's own receiver search (the match lives in SearchReceiver): clears
  // FUSBInfo.isFindPrint, then on a match sets PrintAddr and isFindPrint and, when FAutoConn is
  // set and the port is closed, opens it. Whatever the outcome, also when the search or the
  // opening throws (the exception then propagates), an open port is closed if the receiver was
  // not found. A failed search keeps PrintAddr. Runs on the thread that calls
  // StartComm/StopComm.
  void FindPrinter(DeviceSearch& search);

  TUSBInfo FUSBInfo;
  bool FAutoConn = true;
  TReceiveDataEvent OnReceiveData;
};

// The platform's port, created on the calling (user-interface) thread, which is the thread
// OnReceiveData runs on. `ui` is that thread's dispatcher and must outlive the port: the Linux
// port (LibusbPort, over libusb) posts each received block to it; the Windows port
// (TUSBComm) posts to a hidden window of its own instead and does not use it. Where no
// thread drains a dispatcher (a tool), an InlineDispatcher delivers blocks on the port's
// event thread.
std::unique_ptr<UsbPort> CreatePlatformUsbPort(UiDispatcher& ui);

// The Windows port without a dispatcher; Windows only.
std::unique_ptr<UsbPort> CreatePlatformUsbPort();

}  // namespace velin
