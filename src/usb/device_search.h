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
// an implementation keeps nothing between calls.
class DeviceSearch {
 public:
  virtual ~DeviceSearch() = default;
  virtual bool SearchDevice(std::vector<std::string>& paths) = 0;
};

// The platform's device search: TUSBHelper over SetupAPI in the Windows build (a Linux build
// has no receiver backend yet; FixedDeviceSearch in usb/loopback.h stands in for tools).
std::unique_ptr<DeviceSearch> CreatePlatformDeviceSearch();

}  // namespace velin
