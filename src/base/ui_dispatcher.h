// Posted window messages, portably: a worker thread posts a message, and the user-interface
// thread runs it later, in posting order.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace velin {

// Contract: Post() may be called from any thread and never blocks for long; the message runs
// later on the thread that drains the dispatcher (the user-interface thread), in posting
// order. A message owns whatever record it carries, as a posted window message owns its
// LPARAM: the poster does not touch the record after posting.
class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  virtual void Post(std::function<void()> message) = 0;
  // The same for a message that stands for window message `id` (WM_THREADDATA,
  // WM_DEBUG_DATA): a dispatcher over a real window posts it under that number; others treat
  // it as Post does.
  virtual void PostAs(unsigned id, std::function<void()> message) {
    (void)id;
    Post(std::move(message));
  }
};

// A queue that a loop drains; stands for the message queue of a window thread.
class QueueDispatcher final : public UiDispatcher {
 public:
  void Post(std::function<void()> message) override;
  // Runs every message posted so far (and those they post) on the calling thread.
  // Returns how many ran.
  size_t Drain();
  size_t Pending() const;

 private:
  mutable std::mutex lock_;
  std::deque<std::function<void()>> queue_;
};

// Runs each message at once on the posting thread; for tools that have no window thread.
class InlineDispatcher final : public UiDispatcher {
 public:
  void Post(std::function<void()> message) override { message(); }
};

}  // namespace velin
