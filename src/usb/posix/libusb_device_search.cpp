#include "usb/posix/libusb_device_search.h"

#include <algorithm>
#include <tuple>

#include "usb/posix/usb_device_path.h"

namespace velin {

LibusbDeviceSearch::LibusbDeviceSearch() : session_(LibusbSession::Acquire()) {}

bool LibusbDeviceSearch::SearchDevice(std::vector<std::string>& paths) {
  if (!session_) session_ = LibusbSession::Acquire();
  if (!session_) return false;
  libusb_device** list = nullptr;
  ssize_t count = libusb_get_device_list(session_->context(), &list);
  if (count < 0) return false;
  std::vector<UsbDeviceLocation> found;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS) continue;
    uint8_t ports[kMaxUsbPortDepth];
    int depth = libusb_get_port_numbers(list[i], ports, sizeof ports);
    if (depth < 0) continue;
    UsbDeviceLocation location;
    location.bus = libusb_get_bus_number(list[i]);
    location.ports.assign(ports, ports + depth);
    location.vid = descriptor.idVendor;
    location.pid = descriptor.idProduct;
    found.push_back(std::move(location));
  }
  libusb_free_device_list(list, 1);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return std::tie(a.bus, a.ports) < std::tie(b.bus, b.ports);
  });
  for (const UsbDeviceLocation& location : found) paths.push_back(FormatUsbDevicePath(location));
  return true;
}

std::unique_ptr<DeviceSearch> CreatePlatformDeviceSearch() {
  return std::make_unique<LibusbDeviceSearch>();
}

}  // namespace velin
