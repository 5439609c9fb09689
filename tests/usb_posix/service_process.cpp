#include "usb_posix/service_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "support/run_process.h"

extern char** environ;

namespace velin::test {

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

size_t CountOf(const std::string& haystack, const std::string& needle) {
  size_t n = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + needle.size()))
    ++n;
  return n;
}

ServiceProcess::ServiceProcess(const std::string& dir, const std::string& name,
                               const std::vector<std::string>& args) {
  out_path_ = dir + "/" + name + ".out";
  err_path_ = dir + "/" + name + ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // The child starts with no signal blocked, whatever the test's threads block.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
  const std::string program = VelinCliPath();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, program.c_str(), &actions, &attr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
}

ServiceProcess::~ServiceProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    Wait();
  }
}

void ServiceProcess::Signal(int signal) {
  if (pid_ > 0 && !ended_) kill(pid_, signal);
}

bool ServiceProcess::Running() {
  if (pid_ <= 0 || ended_) return false;
  int status = 0;
  pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done != pid_) return true;
  ended_ = true;
  exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return false;
}

int ServiceProcess::Wait(std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (Running() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return ended_ ? exit_code_ : -1;
}

std::string ServiceProcess::Out() const { return Slurp(out_path_); }
std::string ServiceProcess::Err() const { return Slurp(err_path_); }

bool ServiceProcess::WaitForErr(const std::string& text, std::chrono::milliseconds timeout,
                                size_t count) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (CountOf(Err(), text) >= count) return true;
    if (!Running() || std::chrono::steady_clock::now() >= until)
      return CountOf(Err(), text) >= count;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace velin::test
