#include "usb/posix/libusb_session.h"

#include <pthread.h>
#include <signal.h>

#include <future>
#include <mutex>

namespace velin {

namespace {

std::mutex session_lock;
std::weak_ptr<LibusbSession> current_session;

// Blocks every signal on the calling thread while it lives; threads created meanwhile
// inherit the blocked mask.
class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &saved_);
  }
  ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  SignalsBlocked(const SignalsBlocked&) = delete;
  SignalsBlocked& operator=(const SignalsBlocked&) = delete;

 private:
  sigset_t saved_;
};

}  // namespace

std::shared_ptr<LibusbSession> LibusbSession::Acquire() {
  std::lock_guard<std::mutex> hold(session_lock);
  if (auto live = current_session.lock()) return live;
  std::shared_ptr<LibusbSession> session(new LibusbSession());
  if (!session->Start()) return nullptr;
  current_session = session;
  return session;
}

bool LibusbSession::Start() {
  std::promise<libusb_context*> started;
  std::future<libusb_context*> context = started.get_future();
  {
    SignalsBlocked blocked;
    thread_ = std::thread([this, &started] {
      pthread_setname_np(pthread_self(), kThreadName);
      libusb_context* ctx = nullptr;
      // libusb starts its device-monitor thread here, which inherits the blocked mask.
      if (libusb_init(&ctx) != LIBUSB_SUCCESS) ctx = nullptr;
      context_ = ctx;
      started.set_value(ctx);
      if (ctx != nullptr) Run();
    });
  }
  if (context.get() == nullptr) {
    thread_.join();
    return false;
  }
  return true;
}

void LibusbSession::Run() {
  // Sleeps in poll() until a transfer completes, a device comes or goes, or the session
  // ends; libusb wakes at least once a minute on its own.
  while (!stop_.load()) libusb_handle_events_completed(context_, nullptr);
}

LibusbSession::~LibusbSession() {
  stop_.store(true);
  if (context_ != nullptr) libusb_interrupt_event_handler(context_);
  if (thread_.joinable()) thread_.join();
  if (context_ != nullptr) libusb_exit(context_);
}

}  // namespace velin
