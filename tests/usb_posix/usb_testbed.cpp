#include "usb_posix/usb_testbed.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace velin::test {

namespace {

std::string Hex16(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x%02x", value & 0xFF, value >> 8);  // little-endian
  return text;
}

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

std::string Three(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%03d", value);
  return text;
}

constexpr uint32_t kCapabilities =
    USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
    USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

usbdevfs_urb* UrbOf(UMockdevIoctlData* data) { return reinterpret_cast<usbdevfs_urb*>(data->data); }

}  // namespace

std::string MockDevice::DevNode() const {
  return "/dev/bus/usb/" + Three(bus) + "/" + Three(devnum);
}

std::string Descriptors(uint16_t vid, uint16_t pid, int interface_count,
                        const std::string& interfaces) {
  std::string device =
      "12010002000000" + std::string("40") + Hex16(vid) + Hex16(pid) + "0001" + "010203" + "01";
  size_t total = 9 + interfaces.size() / 2;
  char config[32];
  std::snprintf(config, sizeof config, "0902%s%02x01008032",
                Hex16(static_cast<uint16_t>(total)).c_str(), interface_count);
  return device + config + interfaces;
}

MockDevice ReceiverDevice() {
  MockDevice device;
  device.name = "1-2";
  device.bus = 1;
  device.devnum = 3;
  device.vid = 0x0483;
  device.pid = 0x5720;
  device.descriptors = Descriptors(0x0483, 0x5720, 2,
                                   // interface 0: HID, one interrupt IN endpoint
                                   "090400000103000000"
                                   "07058103080001"
                                   // interface 1: vendor class, bulk IN 0x82 and OUT 0x03
                                   "0904010002ff000000"
                                   "07058202400000"
                                   "07050302400000");
  return device;
}

UsbTestbed::UsbTestbed() {
  testbed_ = umockdev_testbed_new();
  if (testbed_ == nullptr) throw std::runtime_error("umockdev testbed");
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&UsbTestbed::OnIoctl), this);
}

UsbTestbed::~UsbTestbed() {
  if (node_fd_ >= 0) close(node_fd_);
  g_object_unref(testbed_);
  g_object_unref(handler_);
  std::lock_guard<std::mutex> hold(lock_);
  for (auto* queue : {&reads_, &writes_, &reapable_})
    for (Urb& urb : *queue) Unref(urb);
}

std::string UsbTestbed::SysPath(const MockDevice& device) const {
  std::string path = "/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(device.bus);
  if (device.name.rfind("usb", 0) == 0) return path;
  // Every hub on the way down: "2-1.4" lies below "2-1".
  for (size_t at = device.name.find_first_of("-."); at != std::string::npos;
       at = device.name.find('.', at + 1)) {
    size_t next = device.name.find('.', at + 1);
    path += "/" + device.name.substr(0, next);
    if (next == std::string::npos) break;
  }
  return path;
}

std::string UsbTestbed::AddText(const MockDevice& device) const {
  std::string node = device.DevNode().substr(5);  // bus/usb/BBB/DDD
  std::string ids = Hex4(device.vid) + "/" + Hex4(device.pid) + "/100";
  ids.erase(0, ids.find_first_not_of('0'));  // PRODUCT carries the ids without leading zeros
  std::string text = "P: " + SysPath(device) + "\n";
  std::string contents = device.descriptors;  // umockdev reads node contents in upper case
  std::transform(contents.begin(), contents.end(), contents.begin(), ::toupper);
  text += "N: " + node + "=" + contents + "\n";
  text += "E: DEVNAME=" + device.DevNode() + "\n";
  text += "E: DEVTYPE=usb_device\nE: DRIVER=usb\nE: SUBSYSTEM=usb\n";
  text += "E: BUSNUM=" + Three(device.bus) + "\nE: DEVNUM=" + Three(device.devnum) + "\n";
  text +=
      "E: MAJOR=189\nE: MINOR=" + std::to_string((device.bus - 1) * 128 + device.devnum - 1) + "\n";
  text += "E: PRODUCT=" + ids + "\n";
  text += "A: busnum=" + std::to_string(device.bus) + "\\n\n";
  text += "A: devnum=" + std::to_string(device.devnum) + "\\n\n";
  text += "A: speed=12\\n\n";
  text += std::string("A: bConfigurationValue=") + (device.configured ? "1" : "") + "\\n\n";
  text += "A: idVendor=" + Hex4(device.vid) + "\\n\n";
  text += "A: idProduct=" + Hex4(device.pid) + "\\n\n";
  text += "H: descriptors=" + device.descriptors + "\n";
  return text;
}

void UsbTestbed::Add(const MockDevice& device) {
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, AddText(device).c_str(), &error)) {
    std::string message = error ? error->message : "?";
    g_clear_error(&error);
    throw std::runtime_error("umockdev: " + message);
  }
}

void UsbTestbed::Remove(const MockDevice& device) {
  std::string path = "/sys" + SysPath(device);
  umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
  umockdev_testbed_remove_device(testbed_, path.c_str());
}

std::string UsbTestbed::NodePath(const MockDevice& device) const {
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  std::string node = std::string(root) + device.DevNode();
  g_free(root);
  return node;
}

void UsbTestbed::LockNode(const MockDevice& device) {
  std::string node = NodePath(device);
  if (chmod(node.c_str(), 0) != 0) throw std::runtime_error("chmod " + node);
}

void UsbTestbed::UpdateReadiness() {
  bool ready = !reapable_.empty() || (!reads_.empty() && !unsent_.empty());
  if (node_fd_ < 0 || ready == node_ready_) return;
  // A pipe is ready for writing (POLLOUT, what libusb waits for) while it has a free page.
  char page[4096] = {};
  if (ready) {
    if (read(node_fd_, page, sizeof page) != static_cast<ssize_t>(sizeof page)) return;
  } else {
    while (write(node_fd_, page, sizeof page) > 0) {
    }
  }
  node_ready_ = ready;
}

void UsbTestbed::Plug(const MockDevice& device) {
  if (!attached_) {
    // The handler goes first, so that the device can be opened as soon as it is announced.
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, device.DevNode().c_str(), handler_, &error)) {
      std::string message = error ? error->message : "?";
      g_clear_error(&error);
      throw std::runtime_error("umockdev ioctl: " + message);
    }
    attached_ = true;
  }
  receiver_ = device;
  {
    std::lock_guard<std::mutex> hold(lock_);
    plugged_ = true;
  }
  Add(device);
  std::lock_guard<std::mutex> hold(lock_);
  // The node becomes a FIFO, full for now: nothing to reap.
  std::string node = NodePath(device);
  if (node_fd_ >= 0) close(node_fd_);
  node_fd_ = -1;
  if (unlink(node.c_str()) != 0 || mkfifo(node.c_str(), 0666) != 0)
    throw std::runtime_error("mkfifo " + node);
  node_fd_ = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (node_fd_ < 0) throw std::runtime_error("open " + node);
  node_ready_ = true;
  UpdateReadiness();
}

void UsbTestbed::Unplug() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    plugged_ = false;
    // The kernel ends the URBs of a device that went away with ESHUTDOWN.
    for (auto* queue : {&reads_, &writes_}) {
      while (!queue->empty()) {
        Finish(queue->front(), -ESHUTDOWN, 0);
        queue->pop_front();
      }
    }
    unsent_.clear();
    UpdateReadiness();
  }
  Remove(receiver_);
}

void UsbTestbed::Send(const std::string& bytes) {
  if (bytes.empty()) return;
  std::lock_guard<std::mutex> hold(lock_);
  unsent_.push_back(bytes);
  UpdateReadiness();
}

size_t UsbTestbed::Unsent() const {
  std::lock_guard<std::mutex> hold(lock_);
  size_t n = 0;
  for (const std::string& chunk : unsent_) n += chunk.size();
  return n;
}

std::string UsbTestbed::Written() const {
  std::lock_guard<std::mutex> hold(lock_);
  return written_;
}

std::vector<int> UsbTestbed::WriteEndpoints() const {
  std::lock_guard<std::mutex> hold(lock_);
  return write_endpoints_;
}

void UsbTestbed::RefuseWrites(bool refuse) {
  std::lock_guard<std::mutex> hold(lock_);
  refuse_writes_ = refuse;
}

void UsbTestbed::BindDriver(int interface, const std::string& driver) {
  std::lock_guard<std::mutex> hold(lock_);
  drivers_[interface] = driver;
}

std::string UsbTestbed::DriverOf(int interface) const {
  std::lock_guard<std::mutex> hold(lock_);
  auto found = drivers_.find(interface);
  return found == drivers_.end() ? "" : found->second;
}

int UsbTestbed::ReadsSubmitted() const {
  std::lock_guard<std::mutex> hold(lock_);
  return reads_submitted_;
}

int UsbTestbed::ReadsOutstanding() const {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int>(reads_.size());
}

std::vector<int> UsbTestbed::ClaimedInterfaces() const {
  std::lock_guard<std::mutex> hold(lock_);
  return claimed_;
}

std::vector<int> UsbTestbed::ReleasedInterfaces() const {
  std::lock_guard<std::mutex> hold(lock_);
  return released_;
}

std::vector<int> UsbTestbed::ReadEndpoints() const {
  std::lock_guard<std::mutex> hold(lock_);
  return read_endpoints_;
}

void UsbTestbed::Unref(Urb& urb) {
  if (urb.urb != nullptr) g_object_unref(urb.urb);
  if (urb.buffer != nullptr) g_object_unref(urb.buffer);
  urb = {};
}

void UsbTestbed::Finish(Urb urb, int status, int actual_length) {
  UrbOf(urb.urb)->status = status;
  UrbOf(urb.urb)->actual_length = actual_length;
  reapable_.push_back(urb);
}

int UsbTestbed::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
  return static_cast<UsbTestbed*>(self)->HandleIoctl(client);
}

int UsbTestbed::HandleIoctl(UMockdevIoctlClient* client) {
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  std::lock_guard<std::mutex> hold(lock_);
  auto complete = [this, client](long result, int error) {
    UpdateReadiness();
    umockdev_ioctl_client_complete(client, result, error);
    return TRUE;
  };
  auto resolve = [arg](size_t size) { return umockdev_ioctl_data_resolve(arg, 0, size, nullptr); };

  if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
    if (reapable_.empty() && !reads_.empty() && !unsent_.empty()) {
      // The oldest read takes what it can of the oldest chunk.
      Urb urb = reads_.front();
      reads_.pop_front();
      std::string& chunk = unsent_.front();
      int n = std::min<int>(UrbOf(urb.urb)->buffer_length, static_cast<int>(chunk.size()));
      std::memcpy(urb.buffer->data, chunk.data(), static_cast<size_t>(n));
      chunk.erase(0, static_cast<size_t>(n));
      if (chunk.empty()) unsent_.pop_front();
      Finish(urb, 0, n);
    }
    if (reapable_.empty()) return complete(-1, plugged_ ? EAGAIN : ENODEV);
    Urb urb = reapable_.front();
    reapable_.pop_front();
    UMockdevIoctlData* pointer = resolve(sizeof(void*));
    umockdev_ioctl_data_set_ptr(pointer, 0, urb.urb);
    g_object_unref(pointer);
    complete(0, 0);
    Unref(urb);
    return TRUE;
  }
  if (!plugged_) return complete(-1, ENODEV);

  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = resolve(sizeof(uint32_t));
      *reinterpret_cast<uint32_t*>(caps->data) = kCapabilities;
      g_object_unref(caps);
      return complete(0, 0);
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE: {
      UMockdevIoctlData* number = resolve(sizeof(unsigned));
      int interface = static_cast<int>(*reinterpret_cast<unsigned*>(number->data));
      g_object_unref(number);
      if (request == USBDEVFS_RELEASEINTERFACE) {
        released_.push_back(interface);
      } else if (drivers_.count(interface)) {
        return complete(-1, EBUSY);
      } else {
        claimed_.push_back(interface);
      }
      return complete(0, 0);
    }
    case USBDEVFS_DISCONNECT_CLAIM: {
      UMockdevIoctlData* claim = resolve(sizeof(usbdevfs_disconnect_claim));
      int interface =
          static_cast<int>(reinterpret_cast<usbdevfs_disconnect_claim*>(claim->data)->interface);
      g_object_unref(claim);
      if (drivers_.count(interface)) {
        detached_[interface] = drivers_[interface];
        drivers_.erase(interface);
      }
      claimed_.push_back(interface);
      return complete(0, 0);
    }
    case USBDEVFS_GETDRIVER: {
      UMockdevIoctlData* query = resolve(sizeof(usbdevfs_getdriver));
      auto* get = reinterpret_cast<usbdevfs_getdriver*>(query->data);
      auto bound = drivers_.find(static_cast<int>(get->interface));
      if (bound != drivers_.end())
        std::snprintf(get->driver, sizeof get->driver, "%s", bound->second.c_str());
      g_object_unref(query);
      return bound == drivers_.end() ? complete(-1, ENODATA) : complete(0, 0);
    }
    case USBDEVFS_IOCTL: {
      // Only USBDEVFS_CONNECT is asked for: bind the detached driver again.
      UMockdevIoctlData* command = resolve(sizeof(usbdevfs_ioctl));
      auto* ioctl = reinterpret_cast<usbdevfs_ioctl*>(command->data);
      int interface = ioctl->ifno;
      bool connect = ioctl->ioctl_code == static_cast<int>(USBDEVFS_CONNECT);
      g_object_unref(command);
      if (!connect || !detached_.count(interface)) return complete(-1, ENODATA);
      drivers_[interface] = detached_[interface];
      detached_.erase(interface);
      return complete(0, 0);
    }
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
      return complete(0, 0);
    case USBDEVFS_SUBMITURB: {
      Urb urb;
      urb.urb = resolve(sizeof(usbdevfs_urb));
      usbdevfs_urb* header = UrbOf(urb.urb);
      urb.buffer = umockdev_ioctl_data_resolve(urb.urb, offsetof(usbdevfs_urb, buffer),
                                               static_cast<size_t>(header->buffer_length), nullptr);
      if (header->type != USBDEVFS_URB_TYPE_BULK || urb.buffer == nullptr) {
        Unref(urb);
        return complete(-1, EINVAL);
      }
      if (header->endpoint & 0x80) {
        ++reads_submitted_;
        read_endpoints_.push_back(header->endpoint);
        reads_.push_back(urb);
      } else if (refuse_writes_) {
        writes_.push_back(urb);
      } else {
        written_.append(reinterpret_cast<const char*>(urb.buffer->data),
                        static_cast<size_t>(header->buffer_length));
        write_endpoints_.push_back(header->endpoint);
        Finish(urb, 0, header->buffer_length);
      }
      return complete(0, 0);
    }
    case USBDEVFS_DISCARDURB: {
      const gulong target = *reinterpret_cast<gulong*>(arg->data);
      for (auto* queue : {&reads_, &writes_}) {
        auto found = std::find_if(queue->begin(), queue->end(),
                                  [target](const Urb& u) { return u.urb->client_addr == target; });
        if (found != queue->end()) {
          Finish(*found, -ENOENT, 0);
          queue->erase(found);
          return complete(0, 0);
        }
      }
      return complete(-1, EINVAL);
    }
    default:
      return complete(-1, ENOTTY);
  }
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               const std::function<void()>& between) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (between) between();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

std::string Pattern(size_t n, unsigned seed) {
  std::string bytes(n, '\0');
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i + seed * 7) % 251);
  return bytes;
}

WithoutFileOverride::WithoutFileOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
  changed_ = syscall(SYS_capset, &header, data) == 0;
}

WithoutFileOverride::~WithoutFileOverride() {
  if (!changed_) return;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (syscall(SYS_capget, &header, data) != 0) return;
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  syscall(SYS_capset, &header, data);
}

}  // namespace velin::test
