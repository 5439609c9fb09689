#include "app/win32/window_dispatcher_win.h"

#include <memory>
#include <vector>

#include "interpreter/cmd_thread.h"

namespace velin::app {
namespace {

bool CarriesRecords(UINT message) {
  return message == WindowDispatcher::kWmDispatch || message == WM_THREADDATA ||
         message == WM_DEBUG_DATA;
}

}  // namespace

WindowDispatcher::~WindowDispatcher() { Detach(); }

void WindowDispatcher::Attach(HWND target) {
  std::lock_guard<std::mutex> hold(lock_);
  target_ = target;
}

void WindowDispatcher::Detach() {
  std::vector<Record*> release;
  {
    std::lock_guard<std::mutex> hold(lock_);
    target_ = nullptr;
    release.assign(outstanding_.begin(), outstanding_.end());
    outstanding_.clear();
  }
  for (Record* record : release) delete record;
}

void WindowDispatcher::Post(std::function<void()> message) {
  PostAs(kWmDispatch, std::move(message));
}

void WindowDispatcher::PostAs(unsigned id, std::function<void()> message) {
  if (!CarriesRecords(id)) id = kWmDispatch;
  auto record = std::make_unique<Record>(std::move(message));
  std::lock_guard<std::mutex> hold(lock_);
  if (target_ == nullptr) return;  // the window is gone: released here
  if (!PostMessageW(target_, id, reinterpret_cast<WPARAM>(record.get()), 0)) return;
  outstanding_.insert(record.release());
}

bool WindowDispatcher::Deliver(UINT message, WPARAM wparam, LPARAM lparam) {
  if (!CarriesRecords(message) || lparam != 0) return false;
  auto* key = reinterpret_cast<Record*>(wparam);
  std::unique_ptr<Record> record;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = outstanding_.find(key);
    if (it == outstanding_.end()) return false;
    outstanding_.erase(it);
    record.reset(key);
  }
  try {
    (*record)();
  } catch (...) {
    // A failing receiver loses its message, never the program (nothing may leave a window
    // procedure by exception).
  }
  return true;
}

size_t WindowDispatcher::outstanding() const {
  std::lock_guard<std::mutex> hold(lock_);
  return outstanding_.size();
}

}  // namespace velin::app
