#include "usb/usb_info.h"

namespace velin {

int FindReceiverPath(const std::vector<std::string>& paths, const TUSBInfo& info) {
  const std::string key = "vid_" + info.VID + "&pid_" + info.PID;
  for (size_t i = 0; i < paths.size(); ++i)
    if (paths[i].find(key) != std::string::npos) return static_cast<int>(i);
  return -1;
}

}  // namespace velin
