#include "usb/posix/usb_device_path.h"

#include <charconv>
#include <cstdio>

#include "base/regex.h"

namespace velin {

namespace {

// A decimal number 1..255 without leading zeros; false otherwise.
bool ReadByte(std::string_view digits, uint8_t& value) {
  unsigned number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number > 255) return false;
  value = static_cast<uint8_t>(number);
  return true;
}

uint16_t ReadHex4(std::string_view digits) {
  unsigned number = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
  return static_cast<uint16_t>(number);
}

}  // namespace

std::string FormatUsbDevicePath(const UsbDeviceLocation& location) {
  std::string path = "usb:" + std::to_string(location.bus);
  for (size_t i = 0; i < location.ports.size(); ++i) {
    path += i == 0 ? '-' : '.';
    path += std::to_string(location.ports[i]);
  }
  char ids[32];
  std::snprintf(ids, sizeof ids, "/vid_%04x&pid_%04x", location.vid, location.pid);
  return path + ids;
}

std::optional<UsbDeviceLocation> ParseUsbDevicePath(std::string_view path) {
  static const Regex whole(R"(\Ausb:([1-9]\d{0,2})(?:-([1-9]\d{0,2}(?:\.[1-9]\d{0,2}){0,6}))?)"
                           R"(/vid_([0-9a-f]{4})&pid_([0-9a-f]{4})\z)");
  static const Regex port(R"([1-9]\d{0,2})");
  Regex::Match match;
  if (!whole.Search(path, match)) return std::nullopt;
  UsbDeviceLocation location;
  if (!ReadByte(match.groups[1], location.bus)) return std::nullopt;
  for (const Regex::Match& number : port.SearchAll(match.groups[2])) {
    uint8_t value = 0;
    if (!ReadByte(number.groups[0], value)) return std::nullopt;
    location.ports.push_back(value);
  }
  location.vid = ReadHex4(match.groups[3]);
  location.pid = ReadHex4(match.groups[4]);
  return location;
}

}  // namespace velin
