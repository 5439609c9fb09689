// TUSBHelper: the receiver search over SetupAPI.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "usb/device_search.h"

namespace velin {

// GUID_DEVINTERFACE_USB_DEVICE as text: the interface class of every USB device.
inline constexpr char kUsbDeviceInterfaceClass[] = "{A5DCBF10-6530-11D2-901F-00C04FB951ED}";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits of either case) to a GUID; false
// for anything else.
bool GuidFromText(std::string_view text, GUID& guid);

// Stateless; one is created per search. SearchDevice appends the device path of every present
// interface of the USB device class, in SetupAPI's order, and releases everything it took
// on every path. Runs on any thread.
class TUSBHelper final : public DeviceSearch {
 public:
  bool SearchDevice(std::vector<std::string>& vDevicePaths) override;
};

}  // namespace velin
