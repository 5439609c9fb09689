// The Linux device paths, LibusbDeviceSearch on an emulated bus, and the libusb session's
// threads.
#include "usb/posix/libusb_device_search.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "usb/posix/usb_device_path.h"
#include "usb/usb_info.h"
#include "usb_posix/usb_testbed.h"

namespace velin {
namespace {

using test::MockDevice;
using test::UsbTestbed;
using test::WaitUntil;

TEST(UsbDevicePath, WritesLocationAndIdsAndReadsThemBack) {
  struct Case {
    UsbDeviceLocation location;
    const char* path;
  };
  const Case cases[] = {
      {{1, {2}, 0x0483, 0x5720}, "usb:1-2/vid_0483&pid_5720"},
      {{3, {1, 4}, 0xABCD, 0x12EF}, "usb:3-1.4/vid_abcd&pid_12ef"},  // ids in lower case
      {{2, {}, 0x1D6B, 0x0002}, "usb:2/vid_1d6b&pid_0002"},          // a root hub
      {{255, {255, 1, 2, 3, 4, 5, 6}, 0, 0xFFFF}, "usb:255-255.1.2.3.4.5.6/vid_0000&pid_ffff"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatUsbDevicePath(c.location), c.path);
    EXPECT_EQ(ParseUsbDevicePath(c.path), c.location) << c.path;
  }
}

TEST(UsbDevicePath, ReadsNothingElse) {
  for (const char* path : {
           "",
           "usb:1-2/VID_0483&PID_5720",                // upper case
           "usb:1-2/vid_0483&pid_572",                 // three digits
           "usb:1-2/vid_0483&pid_5720x",               // trailing text
           "usb:1-2/vid_0483&pid_5720\n",              // trailing line break
           " usb:1-2/vid_0483&pid_5720",               // leading text
           "usb:0-2/vid_0483&pid_5720",                // bus 0
           "usb:256-2/vid_0483&pid_5720",              // bus out of range
           "usb:1-256/vid_0483&pid_5720",              // port out of range
           "usb:1-0/vid_0483&pid_5720",                // port 0
           "usb:01-2/vid_0483&pid_5720",               // leading zero
           "usb:1-/vid_0483&pid_5720",                 // no port after the dash
           "usb:1-2./vid_0483&pid_5720",               // no port after the dot
           "usb:1-1.2.3.4.5.6.7.8/vid_0483&pid_5720",  // eight tiers
           "usb:1-2/pid_5720&vid_0483",                // ids swapped
           "\\\\?\\usb#vid_0483&pid_5720#6&1a2b3c4d&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
       }) {
    EXPECT_EQ(ParseUsbDevicePath(path), std::nullopt) << path;
  }
}

MockDevice Device(const char* name, int bus, int devnum, uint16_t vid, uint16_t pid) {
  MockDevice device;
  device.name = name;
  device.bus = bus;
  device.devnum = devnum;
  device.vid = vid;
  device.pid = pid;
  device.descriptors = test::Descriptors(vid, pid, 1, "090400000009000000");
  return device;
}

TEST(LibusbDeviceSearch, ListsEveryDeviceByBusAndPortAndFindsTheReceiver) {
  UsbTestbed bed;
  // Added in an order unlike the expected one.
  bed.Add(Device("2-1.4", 2, 3, 0xABCD, 0x12EF));
  bed.Add(Device("1-2", 1, 3, 0x0483, 0x5720));
  bed.Add(Device("usb1", 1, 1, 0x1D6B, 0x0002));
  bed.Add(Device("2-1", 2, 2, 0x05E3, 0x0608));
  bed.Add(Device("1-1", 1, 2, 0x046D, 0xC077));
  MockDevice second_receiver = Device("2-1.3", 2, 4, 0x0483, 0x5720);
  bed.Add(second_receiver);

  LibusbDeviceSearch search;
  std::vector<std::string> paths = {"kept"};  // the search appends
  search.SearchDevice(paths);
  const std::vector<std::string> expected = {
      "kept",
      "usb:1/vid_1d6b&pid_0002",
      "usb:1-1/vid_046d&pid_c077",
      "usb:1-2/vid_0483&pid_5720",
      "usb:2-1/vid_05e3&pid_0608",
      "usb:2-1.3/vid_0483&pid_5720",
      "usb:2-1.4/vid_abcd&pid_12ef",
  };
  EXPECT_EQ(paths, expected);
  EXPECT_EQ(FindReceiverPath(paths, TUSBInfo{}), 3);  // the first of the two receivers

  // Devices that come and go are seen at the next search.
  bed.Remove(Device("1-2", 1, 3, 0x0483, 0x5720));
  auto listed = [&] {
    paths.clear();
    search.SearchDevice(paths);
    return paths;
  };
  ASSERT_TRUE(WaitUntil([&] { return listed().size() == 5; }));
  EXPECT_EQ(paths[FindReceiverPath(paths, TUSBInfo{})], "usb:2-1.3/vid_0483&pid_5720");
  bed.Remove(second_receiver);
  ASSERT_TRUE(WaitUntil([&] { return listed().size() == 4; }));
  EXPECT_EQ(FindReceiverPath(paths, TUSBInfo{}), -1);
}

TEST(LibusbDeviceSearch, AnEmptyBusListsNothing) {
  UsbTestbed bed;
  LibusbDeviceSearch search;
  std::vector<std::string> paths;
  EXPECT_TRUE(search.SearchDevice(paths));
  EXPECT_TRUE(paths.empty());
}

std::set<std::string> Threads() {
  std::set<std::string> ids;
  DIR* dir = opendir("/proc/self/task");
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') ids.insert(entry->d_name);
  closedir(dir);
  return ids;
}

// The signals a thread blocks, from /proc.
uint64_t BlockedSignals(const std::string& thread) {
  std::ifstream status("/proc/self/task/" + thread + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("SigBlk:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
  return 0;
}

TEST(LibusbSession, ItsThreadsLeaveSigintAndSigtermToTheProgram) {
  UsbTestbed bed;
  std::set<std::string> before = Threads();
  std::shared_ptr<LibusbSession> session = LibusbSession::Acquire();
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(LibusbSession::Acquire(), session);  // one per process
  std::vector<std::string> started;
  for (const std::string& thread : Threads())
    if (!before.count(thread)) started.push_back(thread);
  ASSERT_FALSE(started.empty());
  for (const std::string& thread : started) {
    uint64_t blocked = BlockedSignals(thread);
    EXPECT_TRUE(blocked & (uint64_t{1} << (SIGINT - 1))) << thread;
    EXPECT_TRUE(blocked & (uint64_t{1} << (SIGTERM - 1))) << thread;
  }
  // The caller's own mask is as it was.
  EXPECT_FALSE(BlockedSignals(std::to_string(gettid())) & (uint64_t{1} << (SIGINT - 1)));
}

TEST(LibusbDeviceSearch, PlatformSearchIsTheLibusbSearch) {
  UsbTestbed bed;
  std::unique_ptr<DeviceSearch> search = CreatePlatformDeviceSearch();
  EXPECT_NE(dynamic_cast<LibusbDeviceSearch*>(search.get()), nullptr);
}

}  // namespace
}  // namespace velin
