// Enumeration of the present USB device interfaces (TUSBHelper.SearchDevice).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace velin {

// Contract: SearchDevice appends to `paths` (which it does not clear) the device path of every
// present USB device interface, in the platform's enumeration order. It never throws for an
// enumeration failure: the list then holds what was collected before it. Its result is not
// meaningful; callers judge by the list. Called on the interpreter thread about twice a second;
// an implementation keeps no result between calls (it may keep its link to the platform open).
class DeviceSearch {
 public:
  virtual ~DeviceSearch() = default;
  virtual bool SearchDevice(std::vector<std::string>& paths) = 0;
};

// The platform's device search: TUSBHelper over SetupAPI in the Windows build, whose paths are
// SetupAPI's device interface paths; LibusbDeviceSearch over libusb in the Linux build, whose
// paths are written "usb:BUS-PORTS/vid_vvvv&pid_pppp" (usb/posix/usb_device_path.h). Both
// write the ids in lower case, so the receiver match applies unchanged.
std::unique_ptr<DeviceSearch> CreatePlatformDeviceSearch();

}  // namespace velin
