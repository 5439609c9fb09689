#include "cli_serve_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "config/ini_file.h"
#include "usb/usb_info.h"

namespace velin::cli {

std::string ServiceConfigPath() {
  std::error_code error;
  if (std::filesystem::exists(ConfigPath(), error)) return ConfigPath();
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/velin/config.ini";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config/velin/config.ini";
  return ConfigPath();
}

void LogLine(LogLevel level, const std::string& text) {
  static const bool journal = std::getenv("JOURNAL_STREAM") != nullptr;
  std::string line;
  if (journal)
    line = "<" + std::to_string(static_cast<int>(level)) + ">";
  else
    line = "velin: ";
  for (char c : text) line += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
  line += '\n';
  // One write per line, so lines of two threads never interleave.
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

uint32_t StoppableClock::tick_ms() { return RealClock().tick_ms() + skipped_.load(); }

void StoppableClock::sleep_ms(uint32_t ms) {
  std::unique_lock<std::mutex> hold(lock_);
  if (!stopped_.load()) {
    wake_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return stopped_.load(); });
    if (!stopped_.load()) return;
  }
  skipped_.fetch_add(ms);
}

void StoppableClock::Stop() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopped_.store(true);
  }
  wake_.notify_all();
}

bool WatchedDeviceSearch::SearchDevice(std::vector<std::string>& paths) {
  const size_t before = paths.size();
  const bool result = inner_->SearchDevice(paths);
  std::vector<std::string> found(paths.begin() + static_cast<std::ptrdiff_t>(before), paths.end());
  const int index = FindReceiverPath(found, TUSBInfo{});
  if (index >= 0) {
    std::lock_guard<std::mutex> hold(lock_);
    path_ = found[static_cast<size_t>(index)];
  }
  listed_.store(index >= 0);
  return result;
}

std::string WatchedDeviceSearch::ReceiverPath() const {
  std::lock_guard<std::mutex> hold(lock_);
  return path_;
}

}  // namespace velin::cli
