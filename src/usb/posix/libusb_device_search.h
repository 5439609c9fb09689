// The receiver search on Linux: every USB device that libusb sees, as a device path
// (usb/posix/usb_device_path.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "usb/device_search.h"
#include "usb/posix/libusb_session.h"

namespace velin {

// SearchDevice appends the path of every present USB device (root hubs included), ordered by
// bus and then by port from the root down, so that of two receivers the same one is found
// first each time. It reads libusb's device list, which libusb keeps current as devices come
// and go; opening nothing, it needs no access rights to the devices. It keeps the process's
// libusb session open while it lives (starting it again if libusb could not start before)
// and otherwise keeps nothing between calls. Runs on any thread; never throws.
class LibusbDeviceSearch final : public DeviceSearch {
 public:
  LibusbDeviceSearch();
  bool SearchDevice(std::vector<std::string>& paths) override;

 private:
  std::shared_ptr<LibusbSession> session_;
};

}  // namespace velin
