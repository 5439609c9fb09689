#include "usb/posix/libusb_port.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "usb/posix/usb_device_path.h"

namespace velin {

namespace {

constexpr const char* kOpenError = "Error opening serial port";

// The present device at `location` (same bus, ports and ids), with a reference the caller
// drops; null if there is none.
libusb_device* FindDevice(libusb_context* context, const UsbDeviceLocation& location) {
  libusb_device** list = nullptr;
  ssize_t count = libusb_get_device_list(context, &list);
  if (count < 0) return nullptr;
  libusb_device* found = nullptr;
  for (ssize_t i = 0; i < count && found == nullptr; ++i) {
    uint8_t ports[kMaxUsbPortDepth];
    int depth = libusb_get_port_numbers(list[i], ports, sizeof ports);
    libusb_device_descriptor descriptor{};
    if (depth < 0 || libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS) continue;
    if (libusb_get_bus_number(list[i]) == location.bus &&
        std::vector<uint8_t>(ports, ports + depth) == location.ports &&
        descriptor.idVendor == location.vid && descriptor.idProduct == location.pid)
      found = libusb_ref_device(list[i]);
  }
  libusb_free_device_list(list, 1);
  return found;
}

struct BulkInterface {
  int number = -1;
  uint8_t in = 0;
  uint8_t out = 0;
};

// The first interface of the active configuration whose first alternate setting has a bulk
// IN and a bulk OUT endpoint (the first of each).
bool FindBulkInterface(libusb_device* device, BulkInterface& found) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS) return false;
  for (int i = 0; i < config->bNumInterfaces && found.number < 0; ++i) {
    const libusb_interface& candidate = config->interface[i];
    if (candidate.num_altsetting < 1) continue;
    const libusb_interface_descriptor& setting = candidate.altsetting[0];
    uint8_t in = 0;
    uint8_t out = 0;
    for (int e = 0; e < setting.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
      if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
        continue;
      uint8_t& slot = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? in : out;
      if (slot == 0) slot = endpoint.bEndpointAddress;
    }
    // Address 0 is the control endpoint, so 0 means "none" for both directions.
    if (in != 0 && out != 0) found = {setting.bInterfaceNumber, in, out};
  }
  libusb_free_config_descriptor(config);
  return found.number >= 0;
}

}  // namespace

// What a posted block needs of the port: the port itself while it lives.
struct LibusbPort::Delivery {
  std::mutex lock;
  LibusbPort* port = nullptr;
};

LibusbPort::LibusbPort(UiDispatcher& ui, size_t max_pending)
    : ui_(ui), max_pending_(max_pending), delivery_(std::make_shared<Delivery>()) {
  delivery_->port = this;
}

LibusbPort::~LibusbPort() {
  {
    std::lock_guard<std::mutex> hold(delivery_->lock);
    delivery_->port = nullptr;
  }
  StopComm();
}

void LibusbPort::StartComm() {
  if (!FUSBInfo.isFindPrint) return;
  std::unique_lock<std::shared_mutex> io(io_lock_);
  if (handle_ != nullptr) throw ECommsError("This serial port already opened");
  std::optional<UsbDeviceLocation> location = ParseUsbDevicePath(FUSBInfo.PrintAddr);
  if (!session_) session_ = LibusbSession::Acquire();
  if (!location || !session_) throw ECommsError(kOpenError);

  libusb_device* device = FindDevice(session_->context(), *location);
  if (device == nullptr) throw ECommsError(kOpenError);
  libusb_device_handle* handle = nullptr;
  int opened = libusb_open(device, &handle);
  BulkInterface bulk;
  bool usable = FindBulkInterface(device, bulk);
  libusb_unref_device(device);
  if (opened != LIBUSB_SUCCESS) throw ECommsError(kOpenError);
  // A kernel driver bound to the interface is detached while we hold it and bound again
  // when we release it.
  libusb_set_auto_detach_kernel_driver(handle, 1);
  if (!usable || libusb_claim_interface(handle, bulk.number) != LIBUSB_SUCCESS) {
    libusb_close(handle);
    throw ECommsError(kOpenError);
  }

  libusb_transfer* transfer = libusb_alloc_transfer(0);
  if (transfer == nullptr) {
    libusb_release_interface(handle, bulk.number);
    libusb_close(handle);
    throw ECommsError("Unable to create read thread");
  }
  libusb_fill_bulk_transfer(transfer, handle, bulk.in, buffer_, kReadSize, &LibusbPort::ReadDone,
                            this, 0);
  handle_ = handle;
  interface_ = bulk.number;
  out_endpoint_ = bulk.out;
  bool reading;
  {
    std::lock_guard<std::mutex> hold(state_lock_);
    transfer_ = transfer;
    stopping_ = false;
    held_back_ = false;
    reading = SubmitRead();
  }
  if (!reading) {  // the device went away in the meantime
    Close();
    throw ECommsError(kOpenError);
  }
  opened_.store(true);
}

void LibusbPort::StopComm() {
  closing_.store(true);  // writers give up at their next step
  {
    std::unique_lock<std::shared_mutex> io(io_lock_);
    Close();
  }
  closing_.store(false);
}

void LibusbPort::Close() {
  if (handle_ == nullptr) return;
  opened_.store(false);
  std::unique_lock<std::mutex> state(state_lock_);
  stopping_ = true;
  held_back_ = false;
  if (in_flight_) {
    state.unlock();
    libusb_cancel_transfer(transfer_);
    state.lock();
    state_changed_.wait_for(state, std::chrono::milliseconds(kCancelWaitMs),
                            [this] { return !in_flight_; });
  }
  state.unlock();
  libusb_release_interface(handle_, interface_);
  // Closing also forgets a read whose cancellation did not end in time; after it, no
  // callback can run for this handle.
  libusb_close(handle_);
  handle_ = nullptr;
  interface_ = -1;
  state.lock();
  libusb_free_transfer(transfer_);
  transfer_ = nullptr;
  in_flight_ = false;
}

bool LibusbPort::SubmitRead() {
  in_flight_ = libusb_submit_transfer(transfer_) == LIBUSB_SUCCESS;
  return in_flight_;
}

void LIBUSB_CALL LibusbPort::ReadDone(libusb_transfer* transfer) {
  static_cast<LibusbPort*>(transfer->user_data)->HandleReadDone(transfer);
}

void LibusbPort::HandleReadDone(libusb_transfer* transfer) {
  const bool completed = transfer->status == LIBUSB_TRANSFER_COMPLETED;
  // The transfer stays in flight for StopComm until the state below says otherwise, so its
  // buffer is not reused while it is copied.
  if (completed && transfer->actual_length > 0)
    PostBlock(transfer->buffer, std::min<size_t>(transfer->actual_length, kReadSize));
  std::lock_guard<std::mutex> hold(state_lock_);
  in_flight_ = false;
  // Reading ends when the read was not completed (the device went away with
  // LIBUSB_TRANSFER_NO_DEVICE, the read failed, or StopComm cancelled it), or when the next
  // read cannot start.
  if (completed && !stopping_) {
    if (pending_bytes_.load() >= max_pending_) {
      held_back_ = true;
    } else {
      SubmitRead();
    }
  }
  state_changed_.notify_all();
}

void LibusbPort::PostBlock(const uint8_t* data, size_t length) {
  std::vector<uint8_t> block(data, data + length);
  block.push_back(0);
  pending_bytes_.fetch_add(length);
  ui_.Post([delivery = delivery_, block = std::move(block)] {
    std::lock_guard<std::mutex> hold(delivery->lock);
    if (delivery->port != nullptr)
      delivery->port->Deliver(block.data(), static_cast<uint16_t>(block.size() - 1));
  });
}

void LibusbPort::Deliver(const uint8_t* data, uint16_t length) {
  pending_bytes_.fetch_sub(length);
  if (OnReceiveData) {
    try {
      OnReceiveData(data, length);
    } catch (...) {
      // The consumer's failure must not cost the blocks that follow.
    }
  }
  std::lock_guard<std::mutex> hold(state_lock_);
  if (held_back_ && !stopping_ && pending_bytes_.load() < max_pending_) {
    held_back_ = false;
    SubmitRead();
  }
}

bool LibusbPort::Reading() const {
  std::lock_guard<std::mutex> hold(state_lock_);
  return in_flight_ || held_back_;
}

void LibusbPort::WriteData(const uint8_t* buffer, int32_t length) {
  if (buffer == nullptr || length <= 0 || !opened_.load() || closing_.load()) return;
  std::shared_lock<std::shared_mutex> io(io_lock_);
  if (handle_ == nullptr || !opened_.load()) return;
  // libusb takes a non-const buffer for both directions; an OUT transfer only reads it.
  auto* next = const_cast<uint8_t*>(buffer);
  int left = length;
  while (left > 0 && !closing_.load()) {
    int sent = 0;
    int result = libusb_bulk_transfer(handle_, out_endpoint_, next, left, &sent, kWriteTimeoutMs);
    sent = std::clamp(sent, 0, left);
    next += sent;
    left -= sent;
    // A timeout after some progress goes on; anything else ends the write.
    if (sent == 0 || (result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_TIMEOUT)) break;
  }
}

std::unique_ptr<UsbPort> CreatePlatformUsbPort(UiDispatcher& ui) {
  return std::make_unique<LibusbPort>(ui);
}

}  // namespace velin
