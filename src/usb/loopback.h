// A port and a device search without hardware: the command-line tool replays files through
// them, and tests drive the receive path with them.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "usb/device_search.h"
#include "usb/usb_port.h"

namespace velin {

// A port that opens whenever asked (unless told to fail) and hands every write to a callback.
// Blocks are delivered by calling Receive, on whichever thread stands for the creating one.
// Opening and closing may race (the interpreter's owner closes it while the interpreter's
// search may open it); the counters are read once those threads are done.
class LoopbackPort final : public UsbPort {
 public:
  std::function<void(const uint8_t* data, int32_t length)> on_write;
  // When set, StartComm throws ECommsError with this message and stays closed.
  std::string fail_start_with;
  int starts = 0;
  int stops = 0;

  void StartComm() override;
  void StopComm() override;
  void WriteData(const uint8_t* buffer, int32_t length) override;
  bool Opened() const override;

  // Delivers one received block through OnReceiveData, split into reads of at most 4096
  // bytes as the real port does.
  void Receive(const uint8_t* data, size_t length);

 private:
  mutable std::mutex lock_;  // guards opened_, starts and stops
  bool opened_ = false;
};

// A device search that reports a fixed list of paths (or throws, when told to).
class FixedDeviceSearch final : public DeviceSearch {
 public:
  explicit FixedDeviceSearch(std::vector<std::string> paths = {}) : paths(std::move(paths)) {}
  bool SearchDevice(std::vector<std::string>& out) override;

  std::vector<std::string> paths;
  bool throw_on_search = false;
  int searches = 0;
};

// The path under which the command-line tool presents its replayed receiver.
constexpr const char* kLoopbackReceiverPath =
    "\\\\?\\usb#vid_0483&pid_5720#loopback#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

}  // namespace velin
