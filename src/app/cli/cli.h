// velin-cli: one subcommand per cli_*.cpp file, each registering itself at start-up.
#pragma once

#include <string>
#include <vector>

namespace velin::cli {

// Exit codes shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the job itself failed (data does not encode, ...)
constexpr int kExitUsage = 2;    // bad option or unreadable input

struct Command {
  const char* name;
  const char* usage;                                 // one line, shown by `velin-cli help`
  int (*run)(const std::vector<std::string>& args);  // args after the subcommand name
};

// Registers a subcommand; call from a namespace-scope initialiser.
bool Register(const Command& command);

// Registers the manual page that `velin-cli NAME --help` (or -h) prints: NAME, SYNOPSIS,
// DESCRIPTION, OPTIONS, EXIT STATUS. A subcommand without one gets a page made of its usage
// line.
bool RegisterHelp(const char* name, const char* page);

// Prints "velin-cli NAME: MESSAGE" and the usage line to standard error; returns kExitUsage.
int UsageError(const char* name, const std::string& message);

// Reads the whole file; false if it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes);

}  // namespace velin::cli
