// One libusb context for the whole process, shared by the device search and the port, with the
// thread that handles its events (transfer completions, device arrival and removal).
#pragma once

#include <libusb.h>

#include <atomic>
#include <memory>
#include <thread>

namespace velin {

// Contract:
// - Acquire() may be called from any thread. It returns the live session, or starts one; it
//   returns null if libusb cannot start (no USB support on this system), in which case the
//   caller treats every device as absent and may try again later.
// - The session ends (its thread stops, libusb is released) when the last holder drops it.
// - All of libusb's own threads and the event thread run with every signal blocked, so that
//   SIGINT and SIGTERM reach the program's main thread, and a signal never interrupts a
//   device call half-way.
// - The event thread runs transfer callbacks. They must not block: they copy, post and
//   resubmit. While no device is open the thread sleeps in poll(); it never spins.
class LibusbSession {
 public:
  static std::shared_ptr<LibusbSession> Acquire();

  ~LibusbSession();
  LibusbSession(const LibusbSession&) = delete;
  LibusbSession& operator=(const LibusbSession&) = delete;

  libusb_context* context() const { return context_; }

  // The name the event thread carries (as /proc/PID/task/TID/comm shows it).
  static constexpr const char* kThreadName = "velin-usb";

 private:
  LibusbSession() = default;
  // Starts the event thread, which creates the context; false if libusb cannot start.
  bool Start();
  void Run();

  libusb_context* context_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace velin
