// An emulated USB bus for the Linux backends, with umockdev: sysfs and udev show the devices
// that a test adds (libusb enumerates them as it would real ones), and one of them, the
// receiver, is played in code by answering the usbdevfs calls on its device node.
//
// The played device node is a FIFO that the testbed keeps full while the receiver has nothing
// for libusb to reap, and opens a slot in when it has: libusb's poll() then sleeps while the
// receiver is idle and wakes when an URB completes, as with a real usbfs node (a plain umockdev
// node is always ready, and libusb would poll it without pause).
//
// The test binary runs under umockdev-wrapper (the CTest launcher does that), which preloads
// the library that redirects /sys, /dev and the netlink socket into the testbed.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace velin::test {

// A USB device as sysfs describes it.
struct MockDevice {
  std::string name;  // the kernel's name: "1-2", "2-1.4", or "usb1" for a root hub
  int bus = 1;
  int devnum = 1;
  uint16_t vid = 0;
  uint16_t pid = 0;
  // Device descriptor followed by the configuration, as hexadecimal text.
  std::string descriptors;
  bool configured = true;  // bConfigurationValue is 1 (else empty: not configured)

  std::string DevNode() const;  // "/dev/bus/usb/BBB/DDD"
};

// The receiver: 0483:5720 on bus 1, port 2, with a HID interface first (an interrupt IN
// endpoint only) and a vendor interface second whose bulk endpoints are IN 0x82 and OUT 0x03.
MockDevice ReceiverDevice();
// A device descriptor followed by one configuration holding `interfaces` (their
// descriptors and endpoints, as hexadecimal text).
std::string Descriptors(uint16_t vid, uint16_t pid, int interface_count,
                        const std::string& interfaces);

class UsbTestbed {
 public:
  UsbTestbed();
  ~UsbTestbed();
  UsbTestbed(const UsbTestbed&) = delete;
  UsbTestbed& operator=(const UsbTestbed&) = delete;

  // A device that is present but not played: it can be listed, not used.
  void Add(const MockDevice& device);
  void Remove(const MockDevice& device);
  // Makes the device node of `device` unreadable and unwritable.
  void LockNode(const MockDevice& device);

  // The receiver, played in code. Plug adds it (again, after Unplug); Unplug ends its
  // outstanding reads as the kernel does when a device goes away, then removes it.
  void Plug(const MockDevice& device = ReceiverDevice());
  void Unplug();

  // Bytes the receiver sends to the PC. Each call ends with a short packet: a read of up to
  // N bytes takes min(N, what is left of this call), never bytes of the next call.
  void Send(const std::string& bytes);
  // Bytes the receiver still holds back (no read has taken them).
  size_t Unsent() const;
  // Everything the PC wrote, with the endpoint of each write.
  std::string Written() const;
  std::vector<int> WriteEndpoints() const;
  // While set, the receiver takes no OUT data: writes stay pending until cancelled.
  void RefuseWrites(bool refuse);

  // A kernel driver bound to an interface of the receiver: claiming the interface fails with
  // EBUSY until the driver is detached, as with a real device.
  void BindDriver(int interface, const std::string& driver);
  std::string DriverOf(int interface) const;  // empty when none is bound

  // What the PC asked of the played receiver.
  int ReadsSubmitted() const;
  int ReadsOutstanding() const;
  std::vector<int> ClaimedInterfaces() const;  // claims, with or without a driver detach
  std::vector<int> ReleasedInterfaces() const;
  std::vector<int> ReadEndpoints() const;

 private:
  struct Urb {
    UMockdevIoctlData* urb = nullptr;     // struct usbdevfs_urb, with a reference
    UMockdevIoctlData* buffer = nullptr;  // its data buffer, with a reference
  };
  static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
  int HandleIoctl(UMockdevIoctlClient* client);
  // Puts an URB on the reap queue with its outcome.
  void Finish(Urb urb, int status, int actual_length);
  static void Unref(Urb& urb);
  std::string AddText(const MockDevice& device) const;
  std::string NodePath(const MockDevice& device) const;
  // Makes the node ready for poll() exactly when there is an URB to reap or one to complete.
  void UpdateReadiness();
  std::string SysPath(const MockDevice& device) const;

  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
  MockDevice receiver_;
  bool attached_ = false;
  int node_fd_ = -1;  // the testbed's own end of the node's FIFO
  bool node_ready_ = false;

  // Shared with umockdev's thread, which runs the ioctl handler.
  mutable std::mutex lock_;
  bool plugged_ = false;
  bool refuse_writes_ = false;
  std::deque<std::string> unsent_;
  std::deque<Urb> reads_;   // IN URBs waiting for data
  std::deque<Urb> writes_;  // OUT URBs held back while writes are refused
  std::deque<Urb> reapable_;
  std::string written_;
  std::vector<int> write_endpoints_;
  std::vector<int> read_endpoints_;
  std::vector<int> claimed_;
  std::map<int, std::string> drivers_;   // bound, by interface
  std::map<int, std::string> detached_;  // detached by a claim, bound again on request
  std::vector<int> released_;
  int reads_submitted_ = 0;
};

// Waits until `done` holds or `timeout` passes, calling `between` (e.g. draining a
// dispatcher) at each look; returns done().
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5),
               const std::function<void()>& between = nullptr);

// Bytes 0..255 repeated, offset by `seed`, so that reordering or loss shows.
std::string Pattern(size_t n, unsigned seed);

// Drops the calling thread's power to override file permissions while it lives (a test that
// runs as root would otherwise open a locked device node anyway).
class WithoutFileOverride {
 public:
  WithoutFileOverride();
  ~WithoutFileOverride();
  WithoutFileOverride(const WithoutFileOverride&) = delete;
  WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

 private:
  uint32_t saved_[2] = {0, 0};
  bool changed_ = false;
};

}  // namespace velin::test
