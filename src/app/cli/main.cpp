#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "cli.h"

namespace velin::cli {
namespace {

std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

std::map<std::string, const char*>& HelpPages() {
  static std::map<std::string, const char*> pages;
  return pages;
}

int PrintCommandHelp(const Command& command) {
  auto page = HelpPages().find(command.name);
  if (page != HelpPages().end()) {
    std::fputs(page->second, stdout);
  } else {
    std::printf(
        "NAME\n    velin-cli %s\n\nSYNOPSIS\n    velin-cli %s\n\nDESCRIPTION\n"
        "    See the velin-cli section of the README.\n",
        command.name, command.usage);
  }
  return kExitOk;
}

int PrintHelp(FILE* out) {
  std::fprintf(out, "usage: velin-cli COMMAND [OPTIONS]\n");
  for (const auto& [name, command] : Commands()) std::fprintf(out, "  %s\n", command.usage);
  return out == stdout ? kExitOk : kExitUsage;
}

}  // namespace

bool Register(const Command& command) {
  Commands()[command.name] = command;
  return true;
}

bool RegisterHelp(const char* name, const char* page) {
  HelpPages()[name] = page;
  return true;
}

int UsageError(const char* name, const std::string& message) {
  std::fprintf(stderr, "velin-cli %s: %s\n", name, message.c_str());
  auto it = Commands().find(name);
  if (it != Commands().end()) std::fprintf(stderr, "usage: %s\n", it->second.usage);
  return kExitUsage;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace velin::cli

int main(int argc, char** argv) {
  using namespace velin::cli;
  if (argc < 2) return PrintHelp(stderr);
  std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") return PrintHelp(stdout);
  auto it = Commands().find(name);
  if (it == Commands().end()) {
    std::fprintf(stderr, "velin-cli: unknown command '%s'\n", name.c_str());
    return PrintHelp(stderr);
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h"))
    return PrintCommandHelp(it->second);
  return it->second.run(args);
}
