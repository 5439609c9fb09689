#include "usb/loopback.h"

#include <algorithm>

namespace velin {

void LoopbackPort::StartComm() {
  if (!FUSBInfo.isFindPrint) return;
  std::lock_guard<std::mutex> hold(lock_);
  if (opened_) throw ECommsError("This serial port already opened");
  if (!fail_start_with.empty()) throw ECommsError(fail_start_with);
  opened_ = true;
  ++starts;
}

void LoopbackPort::StopComm() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!opened_) return;
  opened_ = false;
  ++stops;
}

bool LoopbackPort::Opened() const {
  std::lock_guard<std::mutex> hold(lock_);
  return opened_;
}

void LoopbackPort::WriteData(const uint8_t* buffer, int32_t length) {
  if (!Opened() || length <= 0) return;
  if (on_write) on_write(buffer, length);
}

void LoopbackPort::Receive(const uint8_t* data, size_t length) {
  while (length > 0) {
    uint16_t block = static_cast<uint16_t>(std::min<size_t>(length, 4096));
    if (OnReceiveData) OnReceiveData(data, block);
    data += block;
    length -= block;
  }
}

bool FixedDeviceSearch::SearchDevice(std::vector<std::string>& out) {
  ++searches;
  if (throw_on_search) throw std::runtime_error("device enumeration failed");
  out.insert(out.end(), paths.begin(), paths.end());
  return !paths.empty();
}

}  // namespace velin
