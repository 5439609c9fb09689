// Time as the interpreter sees it: a millisecond tick count and a sleep.
#pragma once

#include <atomic>
#include <cstdint>

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
  void sleep_ms(uint32_t ms) override { advance(ms); }
  void advance(uint32_t ms) { now_.fetch_add(ms, std::memory_order_relaxed); }
  // Total time slept or advanced since construction is tick_ms() - start.

 private:
  std::atomic<uint32_t> now_;
};

}  // namespace velin
