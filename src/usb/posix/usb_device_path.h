// The device paths that the Linux device search lists and the port opens.
//
// A path names a USB device by where it is plugged in and what it is:
//
//   usb:BUS-PORT.PORT.../vid_VVVV&pid_PPPP     e.g. usb:1-2/vid_0483&pid_5720, usb:3-1.4/...
//   usb:BUS/vid_VVVV&pid_PPPP                  a root hub (no port)
//
// BUS and the PORT numbers are decimal, as the kernel numbers them (the part after "usb:" is the
// device's sysfs name, 1-2 or 3-1.4); VVVV and PPPP are the vendor and product ids in four
// lower-case hexadecimal digits, so the receiver's path contains "vid_0483&pid_5720" and the
// receiver match finds it as it finds a Windows device path. The path stays the same while
// the device stays in the same socket, across unplugging and plugging it in again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velin {

struct UsbDeviceLocation {
  uint8_t bus = 0;
  std::vector<uint8_t> ports;  // from the root hub down; empty for a root hub
  uint16_t vid = 0;
  uint16_t pid = 0;

  bool operator==(const UsbDeviceLocation&) const = default;
};

// USB allows at most seven tiers of hubs below a root hub.
constexpr size_t kMaxUsbPortDepth = 7;

std::string FormatUsbDevicePath(const UsbDeviceLocation& location);

// Reads a path written by FormatUsbDevicePath; nullopt for anything else (upper-case hex,
// numbers out of range, ports deeper than seven tiers, extra text).
std::optional<UsbDeviceLocation> ParseUsbDevicePath(std::string_view path);

}  // namespace velin
