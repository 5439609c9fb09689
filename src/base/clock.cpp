#include "base/clock.h"

#include <chrono>
#include <thread>

namespace velin {
namespace {

class SteadyClock final : public Clock {
 public:
  uint32_t tick_ms() override {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }
  void sleep_ms(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

}  // namespace

Clock& RealClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace velin
