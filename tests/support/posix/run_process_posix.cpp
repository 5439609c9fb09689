#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "support/run_process.h"

extern char** environ;

namespace velin::test {

std::string VelinCliPath() { return std::string(VELIN_BINARY_DIR) + "/src/app/velin-cli"; }

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args) {
  ProcessResult result;
  int out[2];
  if (pipe(out) != 0) return result;
  // Standard error goes to a file of its own, read once the program has ended, so that neither
  // stream can block the other.
  char err_path[] = "/tmp/velin-stderr-XXXXXX";
  int err_fd = mkstemp(err_path);
  if (err_fd < 0) {
    close(out[0]);
    close(out[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  posix_spawn_file_actions_adddup2(&actions, err_fd, STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, err_fd);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err_fd);
  if (spawned == 0) {
    char buffer[4096];
    for (;;) {
      ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n > 0) {
        result.out.append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        break;
      }
    }
  }
  close(out[0]);
  if (spawned == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    std::ifstream err(err_path, std::ios::binary);
    result.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  }
  std::remove(err_path);
  return result;
}

}  // namespace velin::test
