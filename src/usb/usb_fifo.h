// TUSBFiFo: the hand-over point between the USB port and everyone who consumes the
// receiver's bytes, plus the periodic search that keeps the port open while the receiver
// is plugged in, and the byte-exact debug capture.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "usb/device_search.h"
#include "usb/usb_info.h"
#include "usb/usb_port.h"

namespace velin {

class TUSBFiFo {
 public:
  // Bytes waiting in the queue beyond this are dropped (the receiver cannot be stopped, and
  // memory must stay bounded while nobody consumes, e.g. during a long pause).
  static constexpr size_t kMaxQueued = size_t{64} << 20;
  // The capture stops growing at this size; what it holds stays byte-exact.
  static constexpr size_t kMaxCaptured = size_t{64} << 20;

  // Takes the port (created on the calling, user-interface, thread) and the device search.
  // Wires the port's receive event to this FIFO and sets its auto-connect flag off. The port
  // is not opened here: the first FindPrinter that finds the receiver opens it.
  TUSBFiFo(std::unique_ptr<UsbPort> port, std::unique_ptr<DeviceSearch> search);
  // Destroyed on the thread that created the port (the user-interface thread), once no other
  // thread uses the FIFO: releases the port first (see UsbPort), then the queue.
  ~TUSBFiFo();
  TUSBFiFo(const TUSBFiFo&) = delete;
  TUSBFiFo& operator=(const TUSBFiFo&) = delete;

  // The port's receive event: appends the block as a whole (and to the capture while debug
  // is on). Runs on the thread that created the port.
  void CommPortReceiveData(const uint8_t* buffer, uint16_t length);

  // Runs the port's own search (UsbPort::FindPrinter, which clears the port's isFindPrint
  // first), then closes the port if the receiver was not found and opens it if it was and the
  // port is closed. What the search or the opening throws propagates. Nothing in the program
  // calls it (the periodic search is FindPrinter).
  void FindUSBDevice();

  size_t GetFiFoSize() const;
  // Takes the oldest byte; false (and `ch` untouched) if none is waiting. Never waits.
  bool GetChar(uint8_t& ch);
  // Appends one byte as if received, without capturing it.
  bool PutChar(uint8_t ch);

  // The receiver search run every 500 ms: on a match copies the FIFO's record into the port's
  // and opens the port if it is closed; otherwise closes the port. A failed search does not
  // reset the record's isFindPrint or PrintAddr: the result alone tells the receiver is absent.
  // What the search or the opening throws propagates after the port was closed.
  bool FindPrinter();

  bool StartDebug();
  bool StopDebug();
  // Writes the capture byte for byte to `filename`, then empties it. Throws
  // std::runtime_error if the file cannot be written (the capture is then kept).
  bool SaveData(const std::string& filename);
  bool GetUSBState() const { return usbComm->FUSBInfo.isFindPrint; }
  bool USBState() const { return GetUSBState(); }

  // Debug mode switch (the capture switch, read by the interpreter without a lock).
  bool debug() const { return debug_.load(std::memory_order_relaxed); }
  // Bytes dropped so far because the queue was full (received or put), read under the lock.
  size_t dropped_bytes() const;
  const std::vector<uint8_t>& capture() const { return ms; }

  std::unique_ptr<UsbPort> usbComm;

 private:
  TUSBInfo FUSBInfo;
  std::unique_ptr<DeviceSearch> search_;
  std::vector<uint8_t> ms;  // the capture; touched on the user-interface thread only
  std::atomic<bool> debug_{false};
  mutable std::mutex FLock;
  std::deque<uint8_t> FQueue;
  size_t dropped_ = 0;  // guarded by FLock
};

}  // namespace velin
