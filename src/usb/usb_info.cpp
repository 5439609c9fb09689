#include "usb/usb_info.h"

#include "usb/device_search.h"

namespace velin {

int FindReceiverPath(const std::vector<std::string>& paths, const TUSBInfo& info) {
  const std::string key = "vid_" + info.VID + "&pid_" + info.PID;
  for (size_t i = 0; i < paths.size(); ++i)
    if (paths[i].find(key) != std::string::npos) return static_cast<int>(i);
  return -1;
}

bool SearchReceiver(DeviceSearch& search, TUSBInfo& info) {
  std::vector<std::string> paths;
  search.SearchDevice(paths);
  int found = FindReceiverPath(paths, info);
  if (found < 0) return false;
  info.PrintAddr = paths[static_cast<size_t>(found)];
  info.isFindPrint = true;
  return true;
}

}  // namespace velin
