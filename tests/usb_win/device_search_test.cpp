// TUSBHelper over SetupAPI.
#include "usb/win32/usb_helper_win.h"

#include <initguid.h>
// initguid.h first: usbiodef.h then defines the GUID it declares.
#include <usbiodef.h>

#include <gtest/gtest.h>

#include <cstring>

namespace velin {
namespace {

TEST(TUSBHelper, ClassTextIsTheUsbDeviceInterfaceGuid) {
  GUID guid{};
  ASSERT_TRUE(GuidFromText(kUsbDeviceInterfaceClass, guid));
  EXPECT_EQ(std::memcmp(&guid, &GUID_DEVINTERFACE_USB_DEVICE, sizeof guid), 0);
  ASSERT_TRUE(GuidFromText("{a5dcbf10-6530-11d2-901f-00c04fb951ed}", guid));
  EXPECT_EQ(std::memcmp(&guid, &GUID_DEVINTERFACE_USB_DEVICE, sizeof guid), 0);
}

TEST(TUSBHelper, MalformedGuidTextsAreRefused) {
  for (const char* text : {"", "{A5DCBF10-6530-11D2-901F-00C04FB951E}",   // a digit short
                           "A5DCBF10-6530-11D2-901F-00C04FB951ED",        // no braces
                           "{A5DCBF10-6530-11D2-901F-00C04FB951EDX",      // no closing brace
                           "{A5DCBF10+6530-11D2-901F-00C04FB951ED}",      // wrong separator
                           "{A5DCBF1G-6530-11D2-901F-00C04FB951ED}",      // not hex
                           "{A5DCBF10-6530-11D2-901F-00C04FB951ED}x"}) {  // trailing text
    GUID guid{};
    EXPECT_FALSE(GuidFromText(text, guid)) << text;
  }
}

TEST(TUSBHelper, SearchAppendsWithoutClearing) {
  // Whatever devices the machine has (none under Wine, usually), the search must run, keep
  // what the list held and append the same paths on every call.
  std::vector<std::string> paths = {"kept"};
  TUSBHelper helper;
  helper.SearchDevice(paths);
  ASSERT_GE(paths.size(), 1u);
  EXPECT_EQ(paths[0], "kept");
  const size_t found = paths.size() - 1;
  for (size_t i = 1; i < paths.size(); ++i) EXPECT_FALSE(paths[i].empty());
  helper.SearchDevice(paths);
  EXPECT_EQ(paths.size(), 1 + 2 * found);

  std::unique_ptr<DeviceSearch> platform = CreatePlatformDeviceSearch();
  std::vector<std::string> again;
  platform->SearchDevice(again);
  EXPECT_EQ(again.size(), found);
}

}  // namespace
}  // namespace velin
