// velin-cli started as a process of its own that a test talks to while it runs: it inherits
// the test's emulated bus (UMOCKDEV_DIR and the preload), so the receiver the test plays is
// the one it sees.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace velin::test {

class ServiceProcess {
 public:
  // Starts velin-cli with `args`; its standard output and standard error go to files in
  // `dir` named after `name`.
  ServiceProcess(const std::string& dir, const std::string& name,
                 const std::vector<std::string>& args);
  // Kills the process if it still runs.
  ~ServiceProcess();
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  void Signal(int signal);
  // Waits for the end; the exit code, or -1 if it did not exit normally within `timeout`.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  bool Running();
  // Everything written so far.
  std::string Out() const;
  std::string Err() const;
  // Waits until standard error holds `text` (`count` times), or the process ends, or
  // `timeout` passes.
  bool WaitForErr(const std::string& text, std::chrono::milliseconds timeout, size_t count = 1);

 private:
  pid_t pid_ = -1;
  int exit_code_ = -1;
  bool ended_ = false;
  std::string out_path_;
  std::string err_path_;
};

size_t CountOf(const std::string& haystack, const std::string& needle);

}  // namespace velin::test
