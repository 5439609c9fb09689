// Running a program of this build as a user runs it: its arguments passed as they are, its
// standard output captured, its standard error discarded or written to a file.
#pragma once

#include <string>
#include <vector>

namespace velin::test {

struct ProcessResult {
  int exit_code = -1;  // -1 when the program could not be started or did not exit normally
  std::string out;     // everything it wrote to standard output, byte for byte
};

// `error_file`, when not empty, receives the program's standard error (created or replaced).
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& error_file = "");

// The velin-cli of this build (velin-cli.exe in the Windows build, run under Wine there).
std::string VelinCliPath();
inline ProcessResult RunVelinCli(const std::vector<std::string>& args,
                                 const std::string& error_file = "") {
  return RunProcess(VelinCliPath(), args, error_file);
}

}  // namespace velin::test
