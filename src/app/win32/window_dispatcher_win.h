// The UI dispatcher as real posted window messages: each message is a heap record whose
// address travels in WPARAM of a message posted to one window (WM_THREADDATA and
// WM_DEBUG_DATA under their own numbers, anything else under kWmDispatch), and the window's
// procedure runs and releases it.
//
// Thread: Post/PostAs from any thread; Attach, Deliver and Detach on the window's thread.
// Ownership: a posted record belongs to the dispatcher until Deliver runs and releases it;
// Detach releases (without running) every record still outstanding, so none is lost when the
// window goes first; a post after Detach releases its record at once. A message carrying an
// address this dispatcher did not post (another process can post any number) is ignored.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <unordered_set>

#include "base/ui_dispatcher.h"

namespace velin::app {

class WindowDispatcher final : public UiDispatcher {
 public:
  // The number of messages posted with Post (WM_APP + 0x100).
  static constexpr UINT kWmDispatch = WM_APP + 0x100;

  WindowDispatcher() = default;
  ~WindowDispatcher() override;
  WindowDispatcher(const WindowDispatcher&) = delete;
  WindowDispatcher& operator=(const WindowDispatcher&) = delete;

  // Messages go to `target` from now on.
  void Attach(HWND target);
  // No message goes to the window any more; every outstanding record is released.
  void Detach();

  void Post(std::function<void()> message) override;
  void PostAs(unsigned id, std::function<void()> message) override;

  // For the target's window procedure: runs and releases the record of a message this
  // dispatcher posted, and returns true; false for any other message.
  bool Deliver(UINT message, WPARAM wparam, LPARAM lparam);

  size_t outstanding() const;

 private:
  using Record = std::function<void()>;
  mutable std::mutex lock_;
  HWND target_ = nullptr;
  std::unordered_set<Record*> outstanding_;
};

}  // namespace velin::app
