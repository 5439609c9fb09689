// TUSBHelper: the present USB device interfaces over SetupAPI (ANSI variants).
#include "usb/win32/usb_helper_win.h"

#include <setupapi.h>

#include <cstddef>
#include <memory>
#include <new>

#include "base/ansi_codec.h"
#include "base/strings.h"

namespace velin {
namespace {

// Reads `count` hex digits at text[pos]; false if any is not one.
bool Hex(std::string_view text, size_t pos, int count, unsigned long long& value) {
  value = 0;
  for (int i = 0; i < count; ++i) {
    int d = HexDigit(text[pos + i]);
    if (d < 0) return false;
    value = value << 4 | static_cast<unsigned>(d);
  }
  return true;
}

struct DeviceInfoListDeleter {
  void operator()(void* set) const { SetupDiDestroyDeviceInfoList(static_cast<HDEVINFO>(set)); }
};
using DeviceInfoList = std::unique_ptr<void, DeviceInfoListDeleter>;

}  // namespace

bool GuidFromText(std::string_view text, GUID& guid) {
  if (text.size() != 38 || text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' ||
      text[24] != '-' || text[37] != '}')
    return false;
  unsigned long long v = 0;
  if (!Hex(text, 1, 8, v)) return false;
  guid.Data1 = static_cast<unsigned long>(v);
  if (!Hex(text, 10, 4, v)) return false;
  guid.Data2 = static_cast<unsigned short>(v);
  if (!Hex(text, 15, 4, v)) return false;
  guid.Data3 = static_cast<unsigned short>(v);
  const size_t byte_pos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!Hex(text, byte_pos[i], 2, v)) return false;
    guid.Data4[i] = static_cast<unsigned char>(v);
  }
  return true;
}

bool TUSBHelper::SearchDevice(std::vector<std::string>& vDevicePaths) {
  GUID guid{};
  if (!GuidFromText(kUsbDeviceInterfaceClass, guid)) return false;
  HDEVINFO raw =
      SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (raw == INVALID_HANDLE_VALUE) return false;
  DeviceInfoList set(raw);  // destroyed however the search ends

  SP_DEVICE_INTERFACE_DATA interface_data{};
  interface_data.cbSize = sizeof interface_data;
  for (DWORD index = 0;; ++index) {
    if (!SetupDiEnumDeviceInterfaces(raw, nullptr, &guid, index, &interface_data)) break;
    // Expected to fail: this call only reports the size the detail record needs.
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(raw, &interface_data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) break;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[required]());
    if (!buffer) break;
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.get());
    // The size of the record's fixed part, not of the buffer.
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(raw, &interface_data, detail, required, nullptr, nullptr))
      break;
    // The path ends at its zero, or at the buffer's end should the zero be missing.
    const char* path = detail->DevicePath;
    size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    size_t length = 0;
    while (length < room && path[length] != '\0') ++length;
    vDevicePaths.push_back(AnsiToUtf8(std::string_view(path, length)));
  }
  return true;
}

std::unique_ptr<DeviceSearch> CreatePlatformDeviceSearch() {
  return std::make_unique<TUSBHelper>();
}

}  // namespace velin
