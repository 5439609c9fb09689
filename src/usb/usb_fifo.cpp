#include "usb/usb_fifo.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace velin {

TUSBFiFo::TUSBFiFo(std::unique_ptr<UsbPort> port, std::unique_ptr<DeviceSearch> search)
    : usbComm(std::move(port)), search_(std::move(search)) {
  usbComm->FAutoConn = false;
  usbComm->OnReceiveData = [this](const uint8_t* buffer, uint16_t length) {
    CommPortReceiveData(buffer, length);
  };
}

TUSBFiFo::~TUSBFiFo() {
  // Runs on the thread that created the port, so no receive event is running or can start
  // while the port goes. The port goes first: it stops, frees the blocks still waiting for
  // delivery and releases its window; the queue and capture it fed go after it.
  usbComm.reset();
}

void TUSBFiFo::CommPortReceiveData(const uint8_t* buffer, uint16_t length) {
  if (length == 0) return;
  if (debug()) {
    size_t room = kMaxCaptured - std::min(kMaxCaptured, ms.size());
    ms.insert(ms.end(), buffer, buffer + std::min<size_t>(room, length));
  }
  std::lock_guard<std::mutex> hold(FLock);
  size_t room = kMaxQueued - std::min(kMaxQueued, FQueue.size());
  size_t take = std::min<size_t>(room, length);
  FQueue.insert(FQueue.end(), buffer, buffer + take);
  dropped_ += length - take;
}

void TUSBFiFo::FindUSBDevice() {
  usbComm->FindPrinter(*search_);
  if (!usbComm->FUSBInfo.isFindPrint) {
    usbComm->StopComm();
  } else if (!usbComm->Opened()) {
    usbComm->StartComm();
  }
}

size_t TUSBFiFo::GetFiFoSize() const {
  std::lock_guard<std::mutex> hold(FLock);
  return FQueue.size();
}

size_t TUSBFiFo::dropped_bytes() const {
  std::lock_guard<std::mutex> hold(FLock);
  return dropped_;
}

bool TUSBFiFo::GetChar(uint8_t& ch) {
  std::lock_guard<std::mutex> hold(FLock);
  if (FQueue.empty()) return false;
  ch = FQueue.front();
  FQueue.pop_front();
  return true;
}

bool TUSBFiFo::PutChar(uint8_t ch) {
  std::lock_guard<std::mutex> hold(FLock);
  if (FQueue.size() >= kMaxQueued) {
    ++dropped_;
    return false;
  }
  FQueue.push_back(ch);
  return true;
}

bool TUSBFiFo::FindPrinter() {
  bool result = false;
  try {
    // A failed search leaves FUSBInfo as it was: only the result tells the receiver is gone.
    if (SearchReceiver(*search_, FUSBInfo)) {
      usbComm->FUSBInfo = FUSBInfo;
      if (!usbComm->Opened()) usbComm->StartComm();
      result = true;
    }
  } catch (...) {
    if (!result) usbComm->StopComm();
    throw;
  }
  if (!result) usbComm->StopComm();
  return result;
}

bool TUSBFiFo::StartDebug() {
  ms.clear();
  debug_.store(true, std::memory_order_relaxed);
  return true;
}

bool TUSBFiFo::StopDebug() {
  debug_.store(false, std::memory_order_relaxed);
  return true;
}

bool TUSBFiFo::SaveData(const std::string& filename) {
  // The name is UTF-8: on Windows a narrow name would be read in the ANSI code page.
  const std::filesystem::path path(
      std::u8string(reinterpret_cast<const char8_t*>(filename.data()), filename.size()));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out)
    out.write(reinterpret_cast<const char*>(ms.data()), static_cast<std::streamsize>(ms.size()));
  if (out) out.close();
  if (!out) throw std::runtime_error("Cannot create file \"" + filename + "\"");
  ms.clear();
  return true;
}

}  // namespace velin
