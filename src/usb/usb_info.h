// The receiver looked for and, once found, where it is.
#pragma once

#include <string>
#include <vector>

namespace velin {

struct TUSBInfo {
  std::string VID = "0483";  // vendor id, four hex digits
  std::string PID = "5720";  // product id, four hex digits
  bool isFindPrint = false;  // a matching device interface path was found
  std::string PrintAddr;     // that path: what the port opens
};

// The receiver match: the first path that contains "vid_" + VID + "&pid_" + PID as a
// case-sensitive substring. Returns its index, or -1.
int FindReceiverPath(const std::vector<std::string>& paths, const TUSBInfo& info);

}  // namespace velin
