// Measures what the receiver link costs while nothing happens: the interpreter thread with
// the platform port and search (its receiver search every 500 ms), and a user-interface thread
// that sleeps until a message comes, as the program runs them.
//
//   velin_usb_idle_probe SECONDS               no receiver (the machine's real USB devices)
//   run-mocked.sh velin_usb_idle_probe SECONDS --receiver
//                                              an idle receiver played with umockdev
//
// Prints the process's CPU time over the measured span as a share of one core, and each
// thread's share, after a warm-up of two seconds (the port opens in it).
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>

#include "base/ui_dispatcher.h"
#include "interpreter/cmd_thread.h"
#include "usb/device_search.h"
#include "usb/usb_port.h"
#include "usb_posix/usb_testbed.h"

namespace {

using Clock = std::chrono::steady_clock;

// A message queue whose thread sleeps until something is posted.
class WaitingDispatcher final : public velin::UiDispatcher {
 public:
  void Post(std::function<void()> message) override {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(std::move(message));
    posted_.notify_one();
  }
  // Runs messages until `until`.
  void RunUntil(Clock::time_point until) {
    std::unique_lock<std::mutex> hold(lock_);
    while (posted_.wait_until(hold, until, [&] { return !queue_.empty(); })) {
      auto next = std::move(queue_.front());
      queue_.pop_front();
      hold.unlock();
      next();
      hold.lock();
    }
  }

 private:
  std::mutex lock_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> queue_;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU ticks of every thread, by "tid name".
std::map<std::string, long> ThreadTicks() {
  std::map<std::string, long> ticks;
  DIR* dir = opendir("/proc/self/task");
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream stat(std::string("/proc/self/task/") + entry->d_name + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
      if (i == 14) utime = std::stol(field);
      if (i == 15) stime = std::stol(field);
    }
    ticks[std::string(entry->d_name) + " " + text.substr(open + 1, close - open - 1)] =
        utime + stime;
  }
  closedir(dir);
  return ticks;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: velin_usb_idle_probe SECONDS [--receiver]\n");
    return 2;
  }
  const int seconds = std::atoi(argv[1]);
  const bool receiver = argc > 2 && std::string(argv[2]) == "--receiver";

  std::optional<velin::test::UsbTestbed> bed;
  if (receiver) {
    bed.emplace();
    bed->Plug();
  }
  char dir_template[] = "/tmp/velin-idle-XXXXXX";
  std::string dir = mkdtemp(dir_template);
  WaitingDispatcher ui;
  bool found = false;
  velin::InterpreterServices services;
  services.ui = &ui;
  services.config_path = dir + "/config.ini";
  std::ofstream(services.config_path) << "[system]\r\ntransfer_mode=1\r\n";
  services.main_window = [&](const velin::TThreadData& d) { found = d.USBState; };
  {
    velin::TCPCLCmdThread thread(services, velin::CreatePlatformUsbPort(ui),
                                 velin::CreatePlatformDeviceSearch());
    thread.Start();
    ui.RunUntil(Clock::now() + std::chrono::seconds(2));
    double cpu_before = CpuSeconds();
    auto threads_before = ThreadTicks();
    auto start = Clock::now();
    ui.RunUntil(start + std::chrono::seconds(seconds));
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    double cpu = CpuSeconds() - cpu_before;
    auto threads_after = ThreadTicks();
    std::printf("receiver %s, port %s: %.3f%% of one core over %.1f s\n",
                found ? "found" : "absent", thread.fifo().usbComm->Opened() ? "open" : "closed",
                100.0 * cpu / wall, wall);
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (const auto& [name, ticks] : threads_after)
      std::printf("  thread %-28s %.3f%%\n", name.c_str(),
                  100.0 * static_cast<double>(ticks - threads_before[name]) / tick / wall);
    thread.Terminate();
  }
  std::filesystem::remove_all(dir);
  return 0;
}
