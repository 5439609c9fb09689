// What the commands that talk to a real receiver share (serve, bt): the configuration's
// default place on Linux, log lines for a terminal or the journal, a clock whose waits end
// when the program stops, and a device search that tells whether the receiver was listed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/clock.h"
#include "usb/device_search.h"

namespace velin::cli {

// The configuration a service reads when no --config is given: config.ini beside the
// executable when one is there (a build tree, a copied folder), else
// $XDG_CONFIG_HOME/velin/config.ini (~/.config/velin/config.ini).
std::string ServiceConfigPath();

// Log levels as journald reads them from a "<N>" prefix (syslog priorities).
enum class LogLevel { kError = 3, kWarning = 4, kInfo = 6, kDebug = 7 };

// Writes one line to standard error at once. Under systemd (JOURNAL_STREAM names the stream
// standard error is) the line starts with "<N>" so the journal records its priority; on a
// terminal it starts with "velin: ". Control characters in `text` (bytes from a label, a
// printer's message) are written as "?", so one event is always one line. Thread-safe.
void LogLine(LogLevel level, const std::string& text);

// The real clock, except that once Stop() was called every sleep returns at once and moves
// the clock's time on by its length: waits and time limits in progress end without spinning,
// so a stopping interpreter leaves its loop at the next pass.
class StoppableClock final : public Clock {
 public:
  uint32_t tick_ms() override;
  void sleep_ms(uint32_t ms) override;
  void Stop();
  bool Stopped() const { return stopped_.load(); }

 private:
  std::mutex lock_;
  std::condition_variable wake_;
  std::atomic<bool> stopped_{false};
  std::atomic<uint32_t> skipped_{0};
};

// The platform's device search, remembering whether its last enumeration listed a receiver
// (vid_0483&pid_5720): a receiver that is listed while the interpreter reports it absent is
// present but cannot be opened (access rights, or another program holds it).
class WatchedDeviceSearch final : public DeviceSearch {
 public:
  explicit WatchedDeviceSearch(std::unique_ptr<DeviceSearch> inner) : inner_(std::move(inner)) {}
  bool SearchDevice(std::vector<std::string>& paths) override;
  bool ReceiverListed() const { return listed_.load(); }
  // The receiver's path in the last enumeration that listed it.
  std::string ReceiverPath() const;

 private:
  std::unique_ptr<DeviceSearch> inner_;
  std::atomic<bool> listed_{false};
  mutable std::mutex lock_;
  std::string path_;
};

}  // namespace velin::cli
