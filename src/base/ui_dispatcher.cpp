#include "base/ui_dispatcher.h"

namespace velin {

void QueueDispatcher::Post(std::function<void()> message) {
  std::lock_guard<std::mutex> hold(lock_);
  queue_.push_back(std::move(message));
}

size_t QueueDispatcher::Drain() {
  size_t ran = 0;
  for (;;) {
    std::function<void()> next;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (queue_.empty()) return ran;
      next = std::move(queue_.front());
      queue_.pop_front();
    }
    next();
    ++ran;
  }
}

size_t QueueDispatcher::Pending() const {
  std::lock_guard<std::mutex> hold(lock_);
  return queue_.size();
}

}  // namespace velin
