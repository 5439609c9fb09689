// The receiver looked for and, once found, where it is.
#pragma once

#include <string>
#include <vector>

namespace velin {

class DeviceSearch;

struct TUSBInfo {
  std::string VID = "0483";  // vendor id, four hex digits
  std::string PID = "5720";  // product id, four hex digits
  bool isFindPrint = false;  // a matching device interface path was found
  std::string PrintAddr;     // that path: what the port opens
};

// The receiver match: the first path that contains "vid_" + VID + "&pid_" + PID as a
// case-sensitive substring. Returns its index, or -1.
int FindReceiverPath(const std::vector<std::string>& paths, const TUSBInfo& info);

// The receiver search that every caller runs: enumerates the present device interfaces with
// `search` into a fresh list and applies the match for `info`'s ids. On a match it stores the
// path in info.PrintAddr, sets info.isFindPrint and returns true; otherwise it leaves `info`
// as it was and returns false. What follows (opening or closing the port, clearing
// isFindPrint beforehand) is the caller's. What the search throws propagates.
bool SearchReceiver(DeviceSearch& search, TUSBInfo& info);

}  // namespace velin
