// Running a program of this build as a user runs it: its arguments passed as they are, its
// standard output and standard error captured.
#pragma once

#include <string>
#include <vector>

namespace velin::test {

struct ProcessResult {
  int exit_code = -1;  // -1 when the program could not be started or did not exit normally
  std::string out;     // everything it wrote to standard output, byte for byte
  std::string err;     // everything it wrote to standard error, byte for byte
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args);

// The velin-cli of this build (velin-cli.exe in the Windows build, run under Wine there).
std::string VelinCliPath();
inline ProcessResult RunVelinCli(const std::vector<std::string>& args) {
  return RunProcess(VelinCliPath(), args);
}

}  // namespace velin::test
