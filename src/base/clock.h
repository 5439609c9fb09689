// Time as the interpreter sees it: a millisecond tick count and a sleep.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace velin {

// Contract: tick_ms() returns milliseconds since an arbitrary origin and wraps at 2^32 like
// GetTickCount; compare ticks with unsigned subtraction. sleep_ms() blocks the calling thread.
// Both may be called from any thread.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t tick_ms() = 0;
  virtual void sleep_ms(uint32_t ms) = 0;
};

// The machine's monotonic clock; one shared instance.
Clock& RealClock();

// A clock whose time moves only when someone sleeps on it or advances it, so that tests of
// 500 ms polls and 2000 ms silences run at once and always the same way.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(uint32_t start = 0) : now_(start) {}
  uint32_t tick_ms() override { return now_.load(std::memory_order_relaxed); }
  void sleep_ms(uint32_t ms) override {
    advance(ms);
    if (on_sleep) on_sleep(ms);
  }
  void advance(uint32_t ms) { now_.fetch_add(ms, std::memory_order_relaxed); }
  // Total time slept or advanced since construction is tick_ms() - start.

  // What happens while a sleeper waits (a replayed receiver delivering bytes, a test's next
  // event): called on the sleeping thread after each sleep has moved the time. Set it before
  // the clock is in use.
  std::function<void(uint32_t ms)> on_sleep;

 private:
  std::atomic<uint32_t> now_;
};

}  // namespace velin
